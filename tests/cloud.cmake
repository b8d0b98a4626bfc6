# The in-cloud weighting by collection efficiency: the model and its file.
nimbrel_test(test_cloudweights SOURCES test_cloudweights.cpp LIBS nimbrel_files)
# The method buttons, the collector dialog and its settings in the window.
nimbrel_test(test_window_cloud SOURCES test_window_cloud.cpp test_window_fixture.h LIBS nimbrel_app)
# The command line's weighting options and its json.
if(TARGET nimbrel-cli)
  nimbrel_test(test_cli_cloud SOURCES test_cli_cloud.cpp FilesTestSupport.h LIBS nimbrel_files)
  target_compile_definitions(test_cli_cloud PRIVATE NIMBREL_CLI="$<TARGET_FILE:nimbrel-cli>")
  add_dependencies(test_cli_cloud nimbrel-cli)
endif()
