# The program as a desktop citizen: a file given on the command line or dropped
# onto the window, the title, the workbook button; the real program started with
# a file; the installed desktop entry and AppStream file validated.
nimbrel_test(test_window_open SOURCES test_window_open.cpp test_window_fixture.h LIBS nimbrel_app)
nimbrel_test(test_commandline SOURCES test_commandline.cpp LIBS Qt6::Core)
target_compile_definitions(test_commandline PRIVATE NIMBREL_EXE="$<TARGET_FILE:nimbrel>")
add_dependencies(test_commandline nimbrel)
target_compile_definitions(test_commandline PRIVATE NIMBREL_VERSION="${PROJECT_VERSION}")
# The installed tree: desktop-file-validate and appstreamcli validate among the checks.
add_test(NAME test_install COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/install_check.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
set_tests_properties(test_install PROPERTIES TIMEOUT 120)
