// The temporary folder and the file helpers.
#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace testsupport {

TempDir::TempDir() {
  std::random_device seed;
  std::mt19937_64 rnd(seed());
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    std::ostringstream name;
    name << "tavix-test-" << std::hex << rnd();
    if (std::filesystem::create_directory(base / name.str())) {
      path_ = (base / name.str()).string();
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;  // a test may have left the folder read-only
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
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
