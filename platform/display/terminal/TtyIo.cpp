// System calls of the terminal display that do not go through curses.
#include "platform/display/terminal/TtyIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/display/terminal/TerminalDisplay.h"

namespace term {

bool stdioIsTerminal() { return ::isatty(0) && ::isatty(1); }

long readInput(int fd, char* buf, unsigned long size) { return ::read(fd, buf, size); }

}  // namespace term

namespace posix {

// A closed standard descriptor would be handed to the next file the program opens
// (the signal pipe, a socket), and a log line or an error message written "to
// standard output" would land there.
void openClosedStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {  // a lower one was closed too and took it: move it
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

}  // namespace posix
