// The few system calls the display makes outside curses, with names of our own so
// that files including winapi.h need no POSIX headers.
#pragma once

namespace term {

bool stdioIsTerminal();  // standard input and standard output are terminals
long readInput(int fd, char* buf, unsigned long size);  // read(2); -1 with errno

}  // namespace term
