# The report: a 255-slide line to PDF, and one preview page redrawn: build/bin/bench_print.
add_executable(bench_print bench_print.cpp ${CMAKE_SOURCE_DIR}/tests/test_graphs_data.cpp)
target_include_directories(bench_print PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_print PRIVATE nimbrel_report benchmark::benchmark)
