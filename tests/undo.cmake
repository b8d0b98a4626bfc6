# Undo and redo of the counting: the history of the document, and the keys in the window.
nimbrel_test(test_undo SOURCES test_undo.cpp LIBS nimbrel_entry)
nimbrel_test(test_window_undo SOURCES test_window_undo.cpp test_window_fixture.h LIBS nimbrel_app)
