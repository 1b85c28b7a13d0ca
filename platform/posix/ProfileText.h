// The text of a private-profile file as lines, and the edits the profile service
// makes to it. Every line keeps its exact bytes (terminator included) so a write
// changes only the line it has to; names compare without regard to ASCII case. A
// leading UTF-8 byte order mark is no part of the first line, and is kept.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace posix {

class ProfileText {
 public:
  explicit ProfileText(const std::string& bytes);
  std::string bytes() const;

  std::optional<std::string> value(const std::string& section, const std::string& key) const;
  std::vector<std::string> sections() const;
  std::vector<std::string> keys(const std::string& section) const;

  void set(const std::string& section, const std::string& key, const std::string& value);
  bool removeKey(const std::string& section, const std::string& key);  // false: absent
  bool removeSection(const std::string& section);

 private:
  struct Line {
    std::string raw;  // with its terminator
    enum Kind { Other, Section, Key } kind = Other;
    std::string name, value;  // section name or key and value, trimmed
  };
  std::string bom_;  // the byte order mark the text began with, or empty
  std::vector<Line> lines_;

  static Line parse(const std::string& raw);
  static std::string stripQuotes(const std::string& v);
  int findSection(const std::string& section) const;  // line index or -1
  int sectionEnd(int header) const;                   // first line after the section
  int findKey(int header, const std::string& key) const;
  void ensureTerminated();
};

}  // namespace posix
