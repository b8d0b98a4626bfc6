# The drawing surface and the graphs.
nimbrel_test(test_graphs SOURCES test_graphs.cpp test_graphs_data.cpp test_graphs_data.h LIBS nimbrel_graphs nimbrel_files)

# The plot command of nimbrel-cli, on the realistic slide set file.
if(TARGET nimbrel_files)
  nimbrel_test(test_graphs_plot
    SOURCES test_graphs_plot.cpp test_graphs_data.cpp test_graphs_data.h
            ${CMAKE_SOURCE_DIR}/tools/nimbrel-cli/PlotCommand.cpp
            ${CMAKE_SOURCE_DIR}/tools/nimbrel-cli/CliSupport.cpp
    LIBS nimbrel_graphs nimbrel_files nimbrel_platform)
  target_include_directories(test_graphs_plot PRIVATE ${CMAKE_SOURCE_DIR}/tools/nimbrel-cli)
endif()
