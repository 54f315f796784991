// The command line: the mode switch, the text after it, the host handle of a
// preview and the strict and leading-number conversions of that text.
//
// Properties: the switch letter is one character, the start of the text from
// the second character on (upper-cased); taking the text from a character on composes;
// the host handle never throws, is never 0, and blanks before it change
// nothing; the strict conversion raises only its own two errors and, where
// it succeeds, agrees with the leading-number conversion.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "platform/Errors.h"
#include "platform/Numeric.h"
#include "startup/HostHandle.h"
#include "startup/SwitchLetter.h"

namespace kal {
namespace {

std::string AsciiUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

void CheckSwitch(std::string_view line) {
  const std::string letter = SwitchLetter(line);
  const std::string rest = MidFrom(line, 2);
  KAL_FUZZ_CHECK(letter.size() <= 4);
  KAL_FUZZ_CHECK(letter.empty() == rest.empty());
  // One character: a single byte, upper-cased if a letter, or a whole UTF-8 sequence.
  if (letter.size() == 1) {
    KAL_FUZZ_CHECK(AsciiUpper(rest.substr(0, 1)) == letter);
  } else {
    KAL_FUZZ_CHECK(rest.starts_with(letter));
    for (std::size_t i = 1; i < letter.size(); ++i) KAL_FUZZ_CHECK((letter[i] & 0xC0) == 0x80);
  }
  KAL_FUZZ_CHECK(MidFrom(line, 1) == line);
  for (std::size_t n = 2; n <= 5; ++n) {
    const std::string from = MidFrom(line, n);
    KAL_FUZZ_CHECK(line.ends_with(from));
    KAL_FUZZ_CHECK(MidFrom(rest, n - 1) == from);
  }
}

void CheckHostHandle(std::string_view afterSwitch) {
  std::optional<Handle> handle;
  try {
    handle = HostHandle(afterSwitch);
  } catch (const RuntimeError&) {
    fuzz::Violated("HostHandle names a window or none, and raises nothing", __FILE__, __LINE__);
  }
  KAL_FUZZ_CHECK(!handle || *handle != 0);
  KAL_FUZZ_CHECK(HostHandle(" " + std::string(afterSwitch)) == handle);
}

void CheckNumbers(std::string_view text) {
  double leading = 0;
  bool leadingRaised = false;
  try {
    leading = LeadingNumber(text);
  } catch (const RuntimeError& e) {
    KAL_FUZZ_CHECK(e.code() == ErrorCode::Overflow);
    leadingRaised = true;
  }
  double strict = 0;
  try {
    strict = TextToNumber(text);
  } catch (const RuntimeError& e) {
    KAL_FUZZ_CHECK(e.code() == ErrorCode::TypeMismatch || e.code() == ErrorCode::Overflow);
    return;
  }
  // Text that is one number, and nothing else, is its own leading number.
  KAL_FUZZ_CHECK(!leadingRaised);
  KAL_FUZZ_CHECK(leading == strict);
  // The program narrows the count and an owner handle this way: any value
  // either fits or raises Overflow, never anything undefined.
  SkipOnError([&] { (void)FloorToInt16(strict); });
  SkipOnError([&] { (void)RoundToInt32(strict); });
}

}  // namespace
}  // namespace kal

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  kal::CheckSwitch(line);
  const std::string afterSwitch = kal::MidFrom(line, 4);
  kal::CheckHostHandle(afterSwitch);
  kal::CheckNumbers(afterSwitch);
  return 0;
}
