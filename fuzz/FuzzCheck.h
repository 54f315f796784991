// A property a fuzz target checks on every input. A violation aborts, which
// libFuzzer reports as a crash and saves the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define KAL_FUZZ_CHECK(condition) \
  ((condition) ? void(0) : ::kal::fuzz::Violated(#condition, __FILE__, __LINE__))

namespace kal::fuzz {

[[noreturn]] inline void Violated(const char* property, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property violated: %s\n", file, line, property);
  std::abort();
}

}  // namespace kal::fuzz
