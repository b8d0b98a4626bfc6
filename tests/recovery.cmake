# Crash recovery: the recovery files and the start-up question in one process,
# and a real program killed and started again.
nimbrel_test(test_recovery SOURCES test_recovery.cpp test_window_fixture.h LIBS nimbrel_app)
nimbrel_test(test_recovery_crash SOURCES test_recovery_crash.cpp LIBS nimbrel_files)
target_compile_definitions(test_recovery_crash PRIVATE NIMBREL_EXE="$<TARGET_FILE:nimbrel>")
add_dependencies(test_recovery_crash nimbrel)
