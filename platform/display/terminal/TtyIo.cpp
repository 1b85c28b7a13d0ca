// System calls of the terminal display that do not go through curses.
#include "platform/display/terminal/TtyIo.h"

#include <unistd.h>

namespace term {

bool stdioIsTerminal() { return ::isatty(0) && ::isatty(1); }

long readInput(int fd, char* buf, unsigned long size) { return ::read(fd, buf, size); }

}  // namespace term
