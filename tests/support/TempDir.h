// Test helpers on either platform: a fresh temporary folder for an object's life, and
// whole-file reads and writes.
#pragma once

#include <string>

namespace testsupport {

// A new, empty folder under the system's temporary folder; removed with all it holds.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

}  // namespace testsupport
