// What the program entry needs from the operating system beyond the Win32 API:
// choosing where windows appear, and leaving the screen as it was found.
#pragma once

void PlatformStart();                  // before the application object starts
void PlatformStop();                   // after the message loop has ended
void PlatformFatal(const char* what);  // an error ended the program
