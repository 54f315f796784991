// kaltest: a small Win32 console driver for the Wine integration tests. It
// looks at windows from the outside, exercises the system's profile API as a
// peer for our INI code, draws dots and runs the saver's engine through the
// Win32 backend for pixel comparison, and lists the pictures in its
// resources. Exit code 0 = the asked-for condition holds, 1 = it does not,
// 2 = usage error.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/win32/Commands.h"

namespace {

// A whole decimal number filling the argument, in the range of T.
template <class T>
bool Whole(const std::wstring& text, T& out) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  errno = 0;
  if constexpr (std::is_unsigned_v<T>) {
    if (text[0] == L'-') return false;
    unsigned long long v = std::wcstoull(text.c_str(), &end, 10);
    if (errno || *end || v > std::numeric_limits<T>::max()) return false;
    out = static_cast<T>(v);
  } else {
    long long v = std::wcstoll(text.c_str(), &end, 10);
    if (errno || *end || v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max()) return false;
    out = static_cast<T>(v);
  }
  return true;
}

int Usage() {
  std::fputs(
      "usage: kaltest <command> ...\n"
      "  find <caption> [wait-ms]     the top-level window with this caption (waits up to wait-ms)\n"
      "  gone <caption> [wait-ms]     succeeds once no window has this caption\n"
      "  count <caption>              number of top-level windows with this caption\n"
      "  screen                       screen size, dpi, ANSI code page\n"
      "  cursor                       whether the system cursor shows (GetCursorInfo)\n"
      "  ini-read <file>              Section / the particle-count key via GetPrivateProfileStringA\n"
      "  ini-write <file> <value>     the same key via WritePrivateProfileStringA\n"
      "  write-file <path> <text>     Platform::WriteFileAtomic of the UTF-8 text\n"
      "  read-file <path>             Platform::ReadFile, the content or \"missing\"\n"
      "  window <caption> <hold-ms>   shows a window with this caption for hold-ms\n"
      "  dialog-wait <caption> <wait-ms>\n"
      "                               says \"ready\", then waits for a visible window of this\n"
      "                               caption: when it showed, client size and screen origin,\n"
      "                               outer size the frame rules give that client, screen size\n"
      "  message <caption> <wait-ms>  waits for a message box of this caption, prints its text\n"
      "                               (line breaks as '|') and presses its OK\n"
      "  dots <expected.ppm> <captured.bmp> <seed> <count> <hold-ms>\n"
      "                               draws dots full screen through the Win32 backend\n"
      "  features                     the Win32 backend's features, checked against its answers\n"
      "  assets [dump-dir]            the pictures found in this program's resources\n"
      "                               (name, size, first bytes); copies them into dump-dir\n"
      "  preview-host <scr|inproc> <width> <height> <hold-ms> [captured.bmp]\n"
      "                               a host window of that size with the preview in it:\n"
      "                               Kalvessa.scr /p <hwnd> in its own process, or placed\n"
      "                               in-process (then captured); reports what the host sees,\n"
      "                               then destroys the host and times the preview's end\n"
      "  swarm <width> <height> <count> <seed> <frames> <hold-ms> [captured.bmp]\n"
      "                               the saver's engine for exactly <frames> frames on a\n"
      "                               full-screen window, held for hold-ms or until a key\n",
      stderr);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::wstring& cmd = args[0];
  auto arg = [&](std::size_t i) -> std::wstring { return i < args.size() ? args[i] : std::wstring(); };
  auto number = [&](std::size_t i, long fallback) -> long {
    return i < args.size() ? std::wcstol(args[i].c_str(), nullptr, 10) : fallback;
  };
  using namespace kaltest;
  if (cmd == L"find" && args.size() >= 2) return FindWindowCommand(arg(1), number(2, 0));
  if (cmd == L"gone" && args.size() >= 2) return GoneCommand(arg(1), number(2, 0));
  if (cmd == L"count" && args.size() == 2) return CountCommand(arg(1));
  if (cmd == L"screen") return ScreenCommand();
  if (cmd == L"cursor") return CursorCommand();
  if (cmd == L"ini-read" && args.size() == 2) return IniReadCommand(arg(1));
  if (cmd == L"ini-write" && args.size() == 3) return IniWriteCommand(arg(1), arg(2));
  if (cmd == L"write-file" && args.size() == 3) return WriteFileCommand(arg(1), arg(2));
  if (cmd == L"read-file" && args.size() == 2) return ReadFileCommand(arg(1));
  if (cmd == L"window" && args.size() == 3)
    return HoldWindowCommand(arg(1), static_cast<int>(number(2, 10000)));
  if (cmd == L"dialog-wait" && args.size() == 3) return DialogWaitCommand(arg(1), number(2, 0));
  if (cmd == L"message" && args.size() == 3) return MessageCommand(arg(1), number(2, 0));
  if (cmd == L"dots" && args.size() == 6) {
    return DotsCommand(arg(1), arg(2), static_cast<unsigned long>(number(3, 1)),
                       static_cast<int>(number(4, 100)), static_cast<int>(number(5, 10000)));
  }
  if (cmd == L"assets" && args.size() <= 2) return AssetsCommand(arg(1));
  if (cmd == L"features" && args.size() == 1) return FeaturesCommand();
  if (cmd == L"preview-host" && (args.size() == 5 || args.size() == 6)) {
    return PreviewHostCommand(arg(1), static_cast<int>(number(2, 0)), static_cast<int>(number(3, 0)),
                              static_cast<int>(number(4, 0)), arg(5));
  }
  if (cmd == L"swarm" && (args.size() == 7 || args.size() == 8)) {
    SwarmRun run;
    bool ok = Whole(arg(1), run.width) && Whole(arg(2), run.height) && Whole(arg(3), run.count) &&
              Whole(arg(4), run.seed) && Whole(arg(5), run.frames) && Whole(arg(6), run.holdMs);
    run.capturedBmp = arg(7);
    if (ok) return SwarmCommand(run);
  }
  return Usage();
}
