// What the program entry needs from the operating system beyond the Win32 API:
// reading the command line, choosing where windows appear, and leaving the screen
// as it was found.
#pragma once

// Before anything starts: the exit status when the arguments were answered
// (help, version, a refused argument), or -1 to run the program.
int PlatformCommandLine(int argc, char** argv);
void PlatformStart();  // before the application object starts
// After the main window is made and its settings read: the exit status when the
// program would have nothing to do or could not read its settings (said first; it
// then ends without running, the settings file left as it is), or -1 to run.
int PlatformReady(bool AutoPolling);
int PlatformStop();                    // after the message loop; the exit status
void PlatformFatal(const char* what);  // an error ended the program
