// Fuzz target: ExtractField and DelimiterPos agree with a direct count of delimiters.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/HttpUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const char delim = static_cast<char>(data[0]);
  const int n = static_cast<int8_t>(data[1]);
  const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);

  const std::string field = ExtractField(text, delim, n);
  if (field.find(delim) != std::string::npos) std::abort();
  if (field.size() > text.size()) std::abort();
  if (!field.empty() && text.find(field) == std::string::npos) std::abort();

  const int pos = DelimiterPos(text, delim, n);
  const int past = static_cast<int>(text.size()) + 1;
  if (pos < 1 || pos > past) std::abort();
  if (pos < past && (text[pos - 1] != delim || pos == static_cast<int>(text.size()))) std::abort();

  // Joining every field with the delimiter gives the text back.
  std::string joined;
  int count = 0;
  for (char c : text) count += c == delim;
  for (int i = 1; i <= count + 1; ++i) {
    if (i > 1) joined += delim;
    joined += ExtractField(text, delim, i);
  }
  if (joined != text) std::abort();
  if (!ExtractField(text, delim, count + 2).empty()) std::abort();
  return 0;
}
