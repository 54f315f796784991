#include "startup/HostHandle.h"

#include <gtest/gtest.h>

#include "startup/SwitchLetter.h"

namespace kal {
namespace {

TEST(HostHandle, ReadsTheHandleFromTheFourthCharacterOfAPreviewLine) {
  const std::optional<Handle> none;
  const struct {
    const char* line;
    std::optional<Handle> handle;
  } cases[] = {
      {"/p 1234", 1234},
      {"/p:1234", 1234},   // hosts that write the handle straight after a colon
      {"/P  1234", 1234},  // blanks skipped
      {"/p 12abc", 12},    // the leading number
      {"/p 2.5", 2},       // halves to even
      {"/p 3.5", 4},
      {"/p 0x1A2b", 0x1A2B},          // as X tools print window ids
      {"/p 4294967295", 4294967295},  // 32 significant bits, written unsigned
      {"/p -1", 4294967295},          // or signed: the same window
      {"/p -2147483648", 2147483648},
      {"/p 4294967296", none},  // more than 32 bits names no window
      {"/p -2147483649", none},
      {"/p 99999999999999999999", none},
      {"/p &H100000000", none},  // the radix form too, where it is more than 32 bits
      {"/p 0", none},
      {"/p 0x", none},
      {"/p abc", none},
      {"/p", none},
      {"/p1234", 234},  // the fourth character on, whatever comes before it
  };
  for (const auto& c : cases) EXPECT_EQ(HostHandle(MidFrom(c.line, 4)), c.handle) << c.line;
}

}  // namespace
}  // namespace kal
