// Parsing and editing of private-profile text, line by line.
#include "platform/posix/ProfileText.h"

#include <strings.h>

namespace posix {
namespace {

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

bool same(const std::string& a, const std::string& b) {
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

bool terminated(const std::string& raw) {
  return !raw.empty() && (raw.back() == '\n' || raw.back() == '\r');
}

}  // namespace

// A line ends at LF, CR LF or a lone CR (old Mac files): a CR left inside a line would
// end up in a value or name, and from there break the lines a write puts out.
ProfileText::ProfileText(const std::string& bytes) {
  const std::string bom = "\xEF\xBB\xBF";
  size_t at = bytes.compare(0, bom.size(), bom) == 0 ? bom.size() : 0;
  bom_ = bytes.substr(0, at);
  while (at < bytes.size()) {
    size_t brk = bytes.find_first_of("\r\n", at);
    size_t end = brk == std::string::npos ? bytes.size() : brk + 1;
    if (brk != std::string::npos && bytes[brk] == '\r' && end < bytes.size() && bytes[end] == '\n')
      ++end;
    lines_.push_back(parse(bytes.substr(at, end - at)));
    at = end;
  }
}

ProfileText::Line ProfileText::parse(const std::string& raw) {
  Line l;
  l.raw = raw;
  std::string body = raw;
  while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.pop_back();
  std::string t = trim(body);
  if (!t.empty() && t[0] == '[') {
    size_t close = t.find(']');
    l.kind = Line::Section;
    l.name = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return l;
  }
  size_t eq = t.find('=');
  if (t.empty() || t[0] == ';' || eq == std::string::npos || eq == 0) return l;
  l.kind = Line::Key;
  l.name = trim(t.substr(0, eq));
  l.value = trim(t.substr(eq + 1));
  return l;
}

std::string ProfileText::stripQuotes(const std::string& v) {
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
    return v.substr(1, v.size() - 2);
  return v;
}

std::string ProfileText::bytes() const {
  std::string out = bom_;
  for (auto& l : lines_) out += l.raw;
  return out;
}

int ProfileText::findSection(const std::string& section) const {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Line::Section && same(lines_[i].name, section))
      return static_cast<int>(i);
  return -1;
}

int ProfileText::sectionEnd(int header) const {
  size_t i = static_cast<size_t>(header) + 1;
  while (i < lines_.size() && lines_[i].kind != Line::Section) ++i;
  return static_cast<int>(i);
}

int ProfileText::findKey(int header, const std::string& key) const {
  for (int i = header + 1; i < sectionEnd(header); ++i)
    if (lines_[i].kind == Line::Key && same(lines_[i].name, key)) return i;
  return -1;
}

std::optional<std::string> ProfileText::value(const std::string& section,
                                              const std::string& key) const {
  int h = findSection(section);
  if (h < 0) return std::nullopt;
  int k = findKey(h, key);
  if (k < 0) return std::nullopt;
  return stripQuotes(lines_[k].value);
}

std::vector<std::string> ProfileText::sections() const {
  std::vector<std::string> out;
  for (auto& l : lines_)
    if (l.kind == Line::Section) out.push_back(l.name);
  return out;
}

std::vector<std::string> ProfileText::keys(const std::string& section) const {
  std::vector<std::string> out;
  int h = findSection(section);
  if (h < 0) return out;
  for (int i = h + 1; i < sectionEnd(h); ++i)
    if (lines_[i].kind == Line::Key) out.push_back(lines_[i].name);
  return out;
}

void ProfileText::ensureTerminated() {
  if (!lines_.empty() && !lines_.back().raw.empty() && !terminated(lines_.back().raw))
    lines_.back().raw += "\r\n";
}

void ProfileText::set(const std::string& section, const std::string& key,
                      const std::string& value) {
  int h = findSection(section);
  if (h < 0) {
    ensureTerminated();
    lines_.push_back(parse("[" + section + "]\r\n"));
    lines_.push_back(parse(key + "=" + value + "\r\n"));
    return;
  }
  int k = findKey(h, key);
  if (k >= 0) {
    // Keep the spelling of the stored key; only the value changes.
    lines_[k] = parse(lines_[k].name + "=" + value + "\r\n");
    return;
  }
  // After the last non-blank line of the section, so blank separators stay below.
  int at = sectionEnd(h);
  while (at - 1 > h && trim(lines_[at - 1].raw).find_first_not_of("\r\n") == std::string::npos)
    --at;
  if (at == static_cast<int>(lines_.size()))
    ensureTerminated();
  else if (!lines_[at - 1].raw.empty() && !terminated(lines_[at - 1].raw))
    lines_[at - 1].raw += "\r\n";
  lines_.insert(lines_.begin() + at, parse(key + "=" + value + "\r\n"));
}

bool ProfileText::removeKey(const std::string& section, const std::string& key) {
  int h = findSection(section);
  if (h < 0) return false;
  int k = findKey(h, key);
  if (k < 0) return false;
  lines_.erase(lines_.begin() + k);
  return true;
}

bool ProfileText::removeSection(const std::string& section) {
  int h = findSection(section);
  if (h < 0) return false;
  lines_.erase(lines_.begin() + h, lines_.begin() + sectionEnd(h));
  return true;
}

}  // namespace posix
