add_executable(bench_dose ${CMAKE_CURRENT_LIST_DIR}/bench_dose.cpp)
target_link_libraries(bench_dose PRIVATE nimbrel_model benchmark::benchmark)
