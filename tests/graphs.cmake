# Sample slide sets for the graph tests and the drawing benchmarks.
nimbrel_library(nimbrel_graph_samples
  SOURCES test_graphs_data.cpp
  HEADERS test_graphs_data.h
  PUBLIC_LIBS nimbrel_model)

# The drawing surface, the graphs and the plot command of nimbrel-cli.
if(TARGET nimbrel_cli_commands)
  nimbrel_test(test_graphs SOURCES test_graphs.cpp
               LIBS nimbrel_graph_samples nimbrel_cli_commands nimbrel_graphs nimbrel_files nimbrel_platform)
endif()

# Series colours and line heights of the composite graphs.
nimbrel_test(test_graph_series SOURCES test_graph_series.cpp LIBS nimbrel_graph_samples nimbrel_graphs)
