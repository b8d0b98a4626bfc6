# The drawing surface and the graphs.
nimbrel_test(test_graphs SOURCES test_graphs.cpp test_graphs_data.cpp test_graphs_data.h LIBS nimbrel_graphs)
