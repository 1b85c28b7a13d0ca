// The temporary settings directory and the file helpers.
#include "tests/support/TempConfigDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace testsupport {

TempConfigDir::TempConfigDir() {
  if (const char* s = std::getenv("XDG_CONFIG_HOME")) {
    saved_ = s;
    hadSaved_ = true;
  }
  std::string tmpl = (std::filesystem::temp_directory_path() / "platXXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back(0);
  path_ = mkdtemp(buf.data());
  setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
}

TempConfigDir::~TempConfigDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
  if (hadSaved_)
    setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace testsupport
