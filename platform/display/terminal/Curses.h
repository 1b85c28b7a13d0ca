// The one header that includes curses. Only Screen.cpp and TermCaps.cpp include it:
// curses defines macros (OK, ERR, timeout, clear, ...) that clash with the Win32
// names in winapi.h. The wide-character interface draws UTF-8 text.
#pragma once

#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <curses.h>
