// The INI file accessor on the platform's private-profile service.
#include "framework/IniFiles.h"

#include <vector>

namespace {

constexpr DWORD kBufferSize = 2048;

// A value that begins and ends with the same quote would lose that pair when
// read back; one more pair of double quotes keeps it.
std::string Protect(const std::string& v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return "\"" + v + "\"";
  return v;
}

// A file the platform would not read (not a regular file, too large, unreadable)
// is an error to show, not a file of defaults.
bool Refused(DWORD err) {
  return err == ERROR_BAD_FILE_TYPE || err == ERROR_FILE_TOO_LARGE || err == ERROR_ACCESS_DENIED;
}

// Hexadecimal only after a leading "0x" or "$"; "-0x10" or "+$1F" is no number.
bool SignedHex(const std::string& s) {
  if (s.empty() || (s[0] != '-' && s[0] != '+')) return false;
  return s.compare(1, 1, "$") == 0 || s.compare(1, 2, "0x") == 0 || s.compare(1, 2, "0X") == 0;
}

}  // namespace

// A name without a directory is looked up without regard to case wherever the
// platform keeps such files, so its lower-case form finds the same file; a new file
// then takes that form whoever writes first ("tavix.ini", never "tavix.INI").
TIniFile::TIniFile(std::string fileName)
    : FFileName(std::move(fileName)),
      FStoreName(FFileName.find_first_of("\\/:") == std::string::npos ? LowerCase(FFileName)
                                                                      : FFileName) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  std::vector<char> buf(kBufferSize, '\0');
  SetLastError(ERROR_SUCCESS);
  DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf.data(),
                                     kBufferSize, FStoreName.c_str());
  const DWORD err = GetLastError();
  if (Refused(err))
    throw EIniFileException(Format("Unable to read %s. %s", {FFileName, SysErrorMessage(err)}));
  if (n >= kBufferSize) n = kBufferSize - 1;
  return std::string(buf.data(), n);
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  std::string v = Protect(value);
  if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), v.c_str(), FStoreName.c_str()))
    throw EIniFileException(Format("Unable to write to %s", {FFileName}));
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  std::string s = ReadString(section, key, "");
  if (SignedHex(s)) return def;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = "$" + s.substr(2);
  return StrToIntDef(s, def);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, IntToStr(value));
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
  // Two different defaults tell a present value from a missing one.
  return ReadString(section, key, "\x01") != "\x01" || ReadString(section, key, "\x02") != "\x02";
}
