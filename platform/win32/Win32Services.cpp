// The Win32 platform's desktop services for the settings dialog: the pointer,
// the shell's "open", message boxes, text, and the file services beyond
// reading and writing.
#include <windows.h>
// After windows.h, which they build on.
#include <shellapi.h>
#include <shlobj.h>

#include "platform/win32/GdiText.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Platform.h"

namespace kal {

bool Win32Platform::GetCursorPos(int& x, int& y) {
  POINT p{};
  if (!::GetCursorPos(&p)) return false;
  x = p.x;
  y = p.y;
  return true;
}

void Win32Platform::OpenDocument(Handle owner, const std::string& address) {
  // The wide call: the address reaches the shell whatever its characters and
  // whatever the system's code page.
  ShellExecuteW(win32::HwndOf(owner), L"open", win32::Widen(address).c_str(), L"", L"", SW_SHOWNORMAL);
}

bool Win32Platform::ShowMessage(Handle owner, const std::string& caption, const std::string& text) {
  return MessageBoxW(win32::HwndOf(owner), win32::Widen(text).c_str(), win32::Widen(caption).c_str(),
                     MB_OK | MB_ICONWARNING) != 0;
}

TextRenderer& Win32Platform::Text() {
  if (!text_) text_ = std::make_unique<win32::GdiText>();
  return *text_;
}

bool Win32Platform::FileExists(const std::string& path) { return win32::Exists(win32::Widen(path)); }

std::optional<std::int64_t> Win32Platform::FileModified(const std::string& path) {
  if (auto t = win32::Modified(win32::Widen(path))) return static_cast<std::int64_t>(*t);
  return std::nullopt;
}

std::string Win32Platform::UserSettingsDirectory() {
  // %APPDATA%\Kalvessa: where a program that may not write beside itself
  // keeps a user's settings.
  wchar_t path[MAX_PATH] = L"";
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)) ||
      path[0] == L'\0') {
    return {};
  }
  return win32::Narrow(std::wstring(path) + L"\\Kalvessa");
}

std::string Win32Platform::LastFileError() { return win32::LastWriteError(); }

}  // namespace kal
