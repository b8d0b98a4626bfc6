add_executable(bench_quality ${CMAKE_CURRENT_LIST_DIR}/bench_quality.cpp)
target_link_libraries(bench_quality PRIVATE nimbrel_cli_commands nimbrel_files nimbrel_model benchmark::benchmark)

# Coverage of the counting intervals on simulated slides (run by hand).
add_executable(interval_coverage ${CMAKE_CURRENT_LIST_DIR}/interval_coverage.cpp)
target_link_libraries(interval_coverage PRIVATE nimbrel_model)
