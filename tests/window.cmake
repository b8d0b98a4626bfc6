# The main window driven through its controls on the offscreen platform.
foreach(suite startup entry slides keys operator paths repaint fields)
  nimbrel_test(test_window_${suite} SOURCES test_window_${suite}.cpp test_window_fixture.h LIBS nimbrel_app)
endforeach()
