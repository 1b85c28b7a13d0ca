// Whether the terminal named by TERM can be used full screen: it must be known and
// able to address the cursor (TERM=dumb cannot).
#pragma once

#include <string>

namespace posix {

// Empty when the terminal can be used; else why not, in a few words.
std::string terminalUnusable();

}  // namespace posix
