#include "platform/win32/Win32Files.h"

#include <windows.h>

#include "platform/win32/WideText.h"

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

namespace {
DWORD g_lastWriteError = ERROR_SUCCESS;  // of the last failed replacement

// Records the system's reason (before clean-up changes it) and fails.
bool Failed(DWORD error) {
  g_lastWriteError = error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
  return false;
}
}  // namespace

bool ReplaceFileAtomically(const std::wstring& path, std::string_view bytes) {
  if (path.empty() || IsSeparator(path.back())) return Failed(ERROR_INVALID_NAME);
  CreateParentDirectories(path);
  std::wstring temp = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  {
    FileHandle file(
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return Failed(GetLastError());
    bool ok = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    ok = file.Close() && ok;
    if (!ok) {
      const DWORD why = error != ERROR_SUCCESS ? error : GetLastError();
      DeleteFileW(temp.c_str());
      return Failed(why);
    }
  }
  if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD why = GetLastError();
    DeleteFileW(temp.c_str());
    return Failed(why);
  }
  g_lastWriteError = ERROR_SUCCESS;
  return true;
}

std::string LastWriteError() {
  if (g_lastWriteError == ERROR_SUCCESS) return {};
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      g_lastWriteError, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message =
      n > 0 && text ? std::wstring(text, n) : L"error " + std::to_wstring(g_lastWriteError);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n')) message.pop_back();
  return Narrow(message);
}

bool Exists(const std::wstring& path) {
  // Anything there counts, readable or not: only "not found" means absent.
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD error = GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_INVALID_NAME &&
         error != ERROR_BAD_NETPATH && error != ERROR_INVALID_DRIVE;
}

std::optional<long long> Modified(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (static_cast<long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

}  // namespace kal::win32
