# The drawing surface, the graphs and the plot command of nimbrel-cli.
nimbrel_test(test_graphs
  SOURCES test_graphs.cpp test_graphs_data.cpp test_graphs_data.h
          ${CMAKE_SOURCE_DIR}/tools/nimbrel-cli/PlotCommand.cpp ${CMAKE_SOURCE_DIR}/tools/nimbrel-cli/CliSupport.cpp
  LIBS nimbrel_graphs nimbrel_files nimbrel_platform)
target_include_directories(test_graphs PRIVATE ${CMAKE_SOURCE_DIR}/tools/nimbrel-cli)
