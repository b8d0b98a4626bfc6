# The dose-response fit of cage mortality against deposit.
nimbrel_test(test_doseresponse SOURCES test_doseresponse.cpp LIBS nimbrel_model)
if(TARGET nimbrel-cli)
  nimbrel_test(test_dose_cli SOURCES test_dose_cli.cpp LIBS nimbrel_files)
  target_compile_definitions(test_dose_cli PRIVATE NIMBREL_CLI="$<TARGET_FILE:nimbrel-cli>")
  add_dependencies(test_dose_cli nimbrel-cli)
endif()
# The Dose Response tab of the main window.
nimbrel_test(test_dose_view SOURCES test_dose_view.cpp test_window_fixture.h LIBS nimbrel_app)
# The report's dose-response page.
nimbrel_test(test_dose_report SOURCES test_dose_report.cpp LIBS nimbrel_report nimbrel_files)
