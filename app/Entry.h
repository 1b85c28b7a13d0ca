// What the program entry needs from the operating system beyond the Win32 API:
// reading the command line, choosing where windows appear, and leaving the screen
// as it was found.
#pragma once

// Before anything starts: the exit status when the arguments were answered
// (help, version, a refused argument), or -1 to run the program.
int PlatformCommandLine(int argc, char** argv);
void PlatformStart();                  // before the application object starts
int PlatformStop();                    // after the message loop; the exit status
void PlatformFatal(const char* what);  // an error ended the program
