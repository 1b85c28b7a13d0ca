// File-name helpers and file existence, on the platform's file service.
#include <string>

#include "framework/SysUtils.h"

namespace {

size_t LastDelim(const std::string& name) {
  size_t p = name.find_last_of("\\/:");
  return p;
}

}  // namespace

char PathDelim() {
  static const char delim = [] {
    std::string exe = ParamStr0();
    size_t p = exe.find_last_of("\\/");
    return p == std::string::npos ? '/' : exe[p];
  }();
  return delim;
}

bool FileExists(const std::string& name) {
  DWORD attr = GetFileAttributesA(name.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DeleteFile(const std::string& name) { return DeleteFileA(name.c_str()) != FALSE; }

std::string ExtractFilePath(const std::string& name) {
  size_t p = LastDelim(name);
  return p == std::string::npos ? std::string() : name.substr(0, p + 1);
}

std::string ExtractFileName(const std::string& name) {
  size_t p = LastDelim(name);
  return p == std::string::npos ? name : name.substr(p + 1);
}

std::string ChangeFileExt(const std::string& name, const std::string& ext) {
  size_t p = name.find_last_of(".\\/:");
  if (p == std::string::npos || name[p] != '.') return name + ext;
  return name.substr(0, p) + ext;
}

std::string ExpandFileName(const std::string& name) {
  // The platform subset has no current-directory service, so a relative name
  // stays relative (the file calls resolve it the same way).
  return name;
}

std::string ParamStr0() {
  char buf[4096];
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  return std::string(buf, n < sizeof buf ? n : 0);
}

std::string SysErrorMessage(DWORD code) {
  char buf[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, buf, sizeof buf, nullptr);
  std::string s(buf, n < sizeof buf ? n : 0);
  while (!s.empty() && (static_cast<unsigned char>(s.back()) <= ' ' || s.back() == '.'))
    s.pop_back();
  return s.empty() ? "System error " + std::to_string(code) : s;
}
