# Drawing time of each graph into a 1024 × 768 image: build/bin/bench_graphs.
add_executable(bench_graphs bench_graphs.cpp)
target_link_libraries(bench_graphs PRIVATE nimbrel_graph_samples nimbrel_graphs benchmark::benchmark)
