# Drawing time of each graph into a 1024 × 768 image: build/bin/bench_graphs.
add_executable(bench_graphs bench_graphs.cpp ${CMAKE_SOURCE_DIR}/tests/test_graphs_data.cpp)
target_include_directories(bench_graphs PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_graphs PRIVATE nimbrel_graphs benchmark::benchmark)
