# Typing speed of the main window (Enter in txtDataEntry to the end of the
# refresh) and loading a long line into it against the file read alone.
add_executable(bench_window bench_window.cpp)
target_link_libraries(bench_window PRIVATE nimbrel_app benchmark::benchmark Qt6::Test)
