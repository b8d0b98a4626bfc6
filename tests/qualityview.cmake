# The Spray Quality tab of the main window and its label limits dialog.
nimbrel_test(test_sprayquality_view SOURCES test_sprayquality_view.cpp test_window_fixture.h LIBS nimbrel_app)
