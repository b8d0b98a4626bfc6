# The parameter tabs, mortality frame and control data dialog; Save and Load through the window.
nimbrel_test(test_panels SOURCES test_panels.cpp LIBS nimbrel_app)
nimbrel_test(test_saveload SOURCES test_saveload.cpp test_window_fixture.h LIBS nimbrel_app)
