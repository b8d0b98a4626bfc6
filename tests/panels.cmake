# The parameter tabs, the mortality frame, the control data dialog and the
# Save/Load commands, driven through their widgets.
nimbrel_test(test_panels SOURCES test_panels.cpp LIBS nimbrel_app)
