// The subcommands of kaltest.
#pragma once

#include <string>

namespace kaltest {

int FindWindowCommand(const std::wstring& caption, long waitMs);
int GoneCommand(const std::wstring& caption, long waitMs);
int CountCommand(const std::wstring& caption);
int ScreenCommand();
int CursorCommand();
int IniReadCommand(const std::wstring& file);
int IniWriteCommand(const std::wstring& file, const std::wstring& value);
int WriteFileCommand(const std::wstring& path, const std::wstring& text);
int ReadFileCommand(const std::wstring& path);
int HoldWindowCommand(const std::wstring& caption, int holdMs);
int DotsCommand(const std::wstring& expectedPpm, const std::wstring& capturedBmp, unsigned long seed,
                int count, int holdMs);

}  // namespace kaltest
