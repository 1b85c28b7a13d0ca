// The terminal's capabilities, read from terminfo before curses takes the screen.
// (In namespace posix: terminfo's own "struct term" takes the display's name.)
#include "platform/display/terminal/TermCaps.h"

#include <term.h>

#include <cstdlib>

#include "platform/display/terminal/Curses.h"

namespace posix {

std::string terminalUnusable() {
  const char* name = std::getenv("TERM");
  std::string which = std::string("the terminal (TERM=") + (name ? name : "") + ")";
  int err = 0;
  if (setupterm(nullptr, 1, &err) != OK) return which + " is unknown";
  const char* cup = tigetstr("cup");
  bool addressable = cup && cup != reinterpret_cast<const char*>(-1);
  del_curterm(cur_term);
  if (!addressable) return which + " cannot address the cursor";
  return std::string();
}

}  // namespace posix
