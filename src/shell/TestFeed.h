#pragma once

// Drives the running program from its standard input, one command a line, for
// the tests that start it as a child process (offscreen, so no keyboard reaches
// it) and kill it. Started only by the "--test-feed" switch.
//   type TEXT   each character as a key press to the focused control
//   key NAME    one key: Return, Escape, Tab, Delete, or Ctrl+<letter>
//   focus NAME  the focus to the control of that name, as a click would
//   state       prints "state <modified 0|1> <slide set file, base64>"
//   title       prints "title <the window title, * where unsaved>"
//   message     prints "message <text of the message box up now>" or "message none"
void StartTestFeed();
