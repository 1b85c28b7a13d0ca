// The INI file accessor: every read and write goes straight to the platform's
// private-profile service; nothing is cached.
//
// Value rules: text is read through a 2048-character buffer (longer values come
// back cut to 2047); integers are read as text and converted (a leading "0x"/"0X"
// with more than two characters or "$" means hexadecimal, otherwise decimal with a
// sign; anything else, "-0x10" too, gives the default); booleans are integers,
// written "1"/"0".
// A written value that begins and ends with the same quote is wrapped in one more
// pair of double quotes, so reading (which strips one pair) gives it back.
// A refused write raises Exception "Unable to write to <file name>"; a file the
// platform refuses to read (not a regular file, too large, unreadable) raises
// "Unable to read <file name>. <the system's reason>".
// A file name without a directory reaches the platform in lower case, so a new file
// has the lower-case name on every platform (lookups of such names ignore case).
#pragma once

#include <string>

#include "framework/Classes.h"

class TIniFile : public TObject {
 public:
  explicit TIniFile(std::string fileName);
  const std::string& FileName() const { return FFileName; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  void WriteInteger(const std::string& section, const std::string& key, int value);
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  void WriteBool(const std::string& section, const std::string& key, bool value);
  bool ValueExists(const std::string& section, const std::string& key) const;

 private:
  std::string FFileName;
  std::string FStoreName;  // the name handed to the platform
};
