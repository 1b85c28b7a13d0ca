// Where directory-less private-profile names land during a test, on each platform.
//
// UseSettingsDir(dir) makes the tests' INI files land in dir where the platform lets
// a test choose (Linux: the "Windows directory" and the executable's path are seams,
// the executable is then dir/tavix) and returns the directory they really land in
// (Windows: its own Windows directory, with the executable where it lies). A test
// that uses it deletes the files it made there. ModuleBaseName is the executable's
// name without directory and extension.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

std::filesystem::path UseSettingsDir(const std::filesystem::path& dir);
void ReleaseSettingsDir();
std::string ModuleBaseName();

}  // namespace testsupport
