// Check(ok): a rule the fuzz target's input must never break. It names the broken
// rule's line before aborting, so the fuzzer records the input with a readable cause.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void FuzzRequire(bool ok, const char* file, int line) {
  if (ok) return;
  std::fprintf(stderr, "check failed at %s:%d\n", file, line);
  std::abort();
}
#define Check(ok) FuzzRequire((ok), __FILE__, __LINE__)
