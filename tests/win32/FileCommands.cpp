// The Win32 backend's file operations, as the settings code uses them.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"
#include "tests/win32/Commands.h"

namespace kaltest {

int WriteFileCommand(const std::wstring& path, const std::wstring& text) {
  kal::Win32Platform platform(GetModuleHandleW(nullptr), kal::WindowArt{});
  bool ok = platform.WriteFileAtomic(kal::win32::Narrow(path), kal::win32::Narrow(text));
  std::printf(ok ? "written\n" : "failed\n");
  return ok ? 0 : 1;
}

int ReadFileCommand(const std::wstring& path) {
  kal::Win32Platform platform(GetModuleHandleW(nullptr), kal::WindowArt{});
  std::optional<std::string> content = platform.ReadFile(kal::win32::Narrow(path));
  if (!content) {
    std::printf("missing\n");
    return 1;
  }
  std::fwrite(content->data(), 1, content->size(), stdout);
  std::fputc('\n', stdout);
  return 0;
}

}  // namespace kaltest
