// The text of the key help box that F1 shows.
#pragma once

#include <string>

namespace term {

std::string keyHelpText();
inline constexpr char kKeyHelpCaption[] = "Keys";

}  // namespace term
