#include "platform/win32/CommandLineText.h"

namespace kal::win32 {

std::wstring_view ArgumentsAfterProgramName(std::wstring_view line) {
  std::size_t i = 0;
  if (i < line.size() && line[i] == L'"') {
    ++i;
    while (i < line.size() && line[i] != L'"') ++i;
    if (i < line.size()) ++i;  // the closing quote
  } else {
    while (i < line.size() && line[i] > L' ') ++i;
  }
  while (i < line.size() && line[i] <= L' ') ++i;
  return line.substr(i);
}

}  // namespace kal::win32
