# The printed report, the preview window and the report command of nimbrel-cli.
nimbrel_test(test_print SOURCES test_print.cpp test_window_fixture.h LIBS nimbrel_graph_samples nimbrel_print nimbrel_app)
target_compile_definitions(test_print PRIVATE NIMBREL_CLI="$<TARGET_FILE:nimbrel-cli>")
add_dependencies(test_print nimbrel-cli)
