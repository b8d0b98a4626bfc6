# The parameter tabs, the mortality frame, the control data dialog and the
# Save/Load commands, driven through their widgets.
nimbrel_test(test_panels SOURCES test_panels.cpp LIBS nimbrel_app)
nimbrel_test(test_saveload SOURCES test_saveload.cpp test_window_fixture.h LIBS nimbrel_app)
