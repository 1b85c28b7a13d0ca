// The terminal display: the program's windows drawn in the terminal it was started
// from (laid out in character cells so that every text shows whole), used with the
// keyboard and the mouse.
// This header does not include curses.
#pragma once

namespace posix {

// When standard input and standard output are terminals, makes the terminal display
// the platform's display and returns true; otherwise the null display stays. The
// terminal is given back as it was found on every way out: normal exit, an uncaught
// exception, a fatal signal, SIGINT, SIGTERM or SIGHUP.
//
// Signals: SIGINT asks the active window to close (WM_SYSCOMMAND SC_CLOSE), or ends
// the session when no window is shown. SIGTERM and SIGHUP end the session: every
// top-level window gets WM_QUERYENDSESSION and then WM_ENDSESSION, and the message
// loop is told to quit. After SIGHUP nothing is drawn; after SIGHUP or SIGTERM
// every dialog, open or still to come, is answered with Cancel / No, since nobody
// is there to answer it. A second such signal before the first was dealt with ends the
// process at once.
bool installTerminalDisplayIfTty();

// Gives the terminal back and puts the null display in place, when the terminal
// display is installed; otherwise does nothing. For the end of main and for an
// error message that must reach a normal terminal.
void uninstallTerminalDisplay();

// For a program without a terminal: SIGINT, SIGTERM and SIGHUP end the session as
// above (WM_QUERYENDSESSION, WM_ENDSESSION, quit), with every question answered by the
// null display. A second such signal before the first was dealt with ends the process.
// SIGPIPE is ignored meanwhile, so writing to a closed pipe fails instead of killing.
void installHeadlessSession();
void uninstallHeadlessSession();

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that no file
// the program opens later takes the place of standard input, output or error. First
// thing at start.
void openClosedStandardDescriptors();

}  // namespace posix
