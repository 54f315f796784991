#include "platform/win32/Win32Files.h"

#include <windows.h>

namespace kal::win32 {
namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() {
    if (valid()) CloseHandle(h_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  bool Close() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Creates every missing directory above `path` (best effort: the write that
// follows reports the failure).
void CreateParentDirectories(const std::wstring& path) {
  std::size_t last = path.find_last_of(L"\\/");
  if (last == std::wstring::npos || last == 0) return;
  // Skip the root: "C:\", "\\server\share\" or a leading "\".
  std::size_t start = 0;
  if (path.size() >= 2 && path[1] == L':') {
    start = 3;
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    std::size_t server = path.find_first_of(L"\\/", 2);
    start = server == std::wstring::npos ? path.size() : path.find_first_of(L"\\/", server + 1);
    if (start == std::wstring::npos) return;
    ++start;
  } else if (IsSeparator(path[0])) {
    start = 1;
  }
  for (std::size_t i = start; i <= last; ++i) {
    if (IsSeparator(path[i]) && i > 0 && !IsSeparator(path[i - 1])) {
      CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
  }
}

bool WriteAll(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(h, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > (1LL << 30))
    return std::nullopt;
  std::string data(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t got = 0;
  while (got < data.size()) {
    DWORD n = 0;
    if (!::ReadFile(file.get(), data.data() + got, static_cast<DWORD>(data.size() - got), &n, nullptr)) {
      return std::nullopt;
    }
    if (n == 0) break;  // the file shrank meanwhile
    got += n;
  }
  data.resize(got);
  return data;
}

bool ReplaceFileAtomically(const std::wstring& path, std::string_view bytes) {
  if (path.empty() || IsSeparator(path.back())) return false;
  CreateParentDirectories(path);
  std::wstring temp = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  {
    FileHandle file(
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    bool ok = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
    ok = file.Close() && ok;
    if (!ok) {
      DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace kal::win32
