// The one header that includes curses. Only Screen.cpp includes it: curses defines
// macros (OK, ERR, timeout, clear, ...) that clash with the Win32 names in winapi.h.
#pragma once

#include <curses.h>
