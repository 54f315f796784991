// The system's profile API as the peer our INI reader and writer must agree
// with. Section "Section"; the key is the particle-count key in Shift-JIS,
// passed as bytes so the result does not depend on how this file is encoded.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/win32/Commands.h"

namespace kaltest {
namespace {

const char kSection[] = "Section";
const char kKey[] = "\xCA\xDF\xB0\xC3\xA8\xB8\xD9\x82\xCC\x90\x94";

// Command-line text in the system's ANSI code page (932 under a Japanese locale).
std::string ToAnsi(const std::wstring& s) {
  if (s.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, s.c_str(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

int IniReadCommand(const std::wstring& file) {
  char buffer[256] = {};
  GetPrivateProfileStringA(kSection, kKey, "", buffer, sizeof buffer, ToAnsi(file).c_str());
  // The value's bytes exactly, then a newline.
  std::fwrite(buffer, 1, std::strlen(buffer), stdout);
  std::fputc('\n', stdout);
  return 0;
}

int IniWriteCommand(const std::wstring& file, const std::wstring& value) {
  BOOL ok = WritePrivateProfileStringA(kSection, kKey, ToAnsi(value).c_str(), ToAnsi(file).c_str());
  return ok ? 0 : 1;
}

}  // namespace kaltest
