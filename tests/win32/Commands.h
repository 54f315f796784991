// The subcommands of kaltest.
#pragma once

#include <cstdint>
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
// Waits for a visible window of this caption; reports its client area and frame.
int DialogWaitCommand(const std::wstring& caption, long waitMs);
// Waits for a message box of this caption; prints its text (line breaks as
// '|') and presses its OK.
int MessageCommand(const std::wstring& caption, long waitMs);
int DotsCommand(const std::wstring& expectedPpm, const std::wstring& capturedBmp, unsigned long seed,
                int count, int holdMs);
int AssetsCommand(const std::wstring& dumpDir);
// The backend's declared features against its answers: 0 when they agree.
int FeaturesCommand();
// program: Kalvessa.scr's path, or "inproc" to place the preview in-process.
int PreviewHostCommand(const std::wstring& program, int width, int height, int holdMs,
                       const std::wstring& capture);

// A scripted run of the saver's engine on a full-screen window.
struct SwarmRun {
  int width = 0;
  int height = 0;
  int count = 120;  // the particle count setting: count + 1 particles
  std::uint64_t seed = 1;
  long long frames = 0;
  long long holdMs = 10000;  // how long the picture stays up (a key press or click ends it)
  std::wstring capturedBmp;  // GDI's view of the window after the last frame, if given
};
int SwarmCommand(const SwarmRun& run);

}  // namespace kaltest
