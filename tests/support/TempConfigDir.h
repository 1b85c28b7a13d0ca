// Linux test helpers: a temporary settings directory (XDG_CONFIG_HOME) for an object's
// life, and whole-file reads and writes.
#pragma once

#include <string>

namespace testsupport {

// Points XDG_CONFIG_HOME at a fresh temporary directory for the object's life.
class TempConfigDir {
 public:
  TempConfigDir();
  ~TempConfigDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_, saved_;
  bool hadSaved_ = false;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

}  // namespace testsupport
