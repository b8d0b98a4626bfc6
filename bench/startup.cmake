# Start-up of the real window against a bare one, each start a fresh process.
add_executable(bench_startup bench_startup.cpp)
target_link_libraries(bench_startup PRIVATE nimbrel_app Qt6::Test)
