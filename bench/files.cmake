# Load, recompute and save of whole slide set files.
add_executable(bench_files bench_files.cpp)
target_link_libraries(bench_files PRIVATE nimbrel_files benchmark::benchmark)
