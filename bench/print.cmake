# The report: a 255-slide line to PDF, and one preview page redrawn: build/bin/bench_print.
add_executable(bench_print bench_print.cpp)
target_link_libraries(bench_print PRIVATE nimbrel_graph_samples nimbrel_report benchmark::benchmark)
