#include "platform/win32/Win32Files.h"

#include <windows.h>

#include <utility>

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

// File names compare without case on Windows.
bool IsPrefixIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() &&
         CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                              static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

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

DWORD g_lastError = ERROR_SUCCESS;  // why the last read or replacement failed
std::string g_lastReason;           // the same in our own words, where the system has none

// Records the system's reason (before clean-up changes it) and fails.
bool Failed(DWORD error) {
  g_lastError = error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
  g_lastReason.clear();
  return false;
}
bool FailedBecause(DWORD error, std::string reason) {
  Failed(error);
  g_lastReason = std::move(reason);
  return false;
}

// A settings file is a few lines long.
constexpr LONGLONG kMaxReadBytes = 1 << 20;

// Whether the open handle is a file on a disk (not a directory, a pipe or a
// device such as NUL or a console); records why not.
bool IsRegularFile(HANDLE h) {
  if (GetFileType(h) != FILE_TYPE_DISK) return Failed(ERROR_BAD_FILE_TYPE);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return Failed(GetLastError());
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Failed(ERROR_DIRECTORY);
  return true;
}

bool ReadRegularFile(const std::wstring& path, std::string& data) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return Failed(GetLastError());
  if (!IsRegularFile(file.get())) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return Failed(GetLastError());
  if (size.QuadPart < 0 || size.QuadPart > kMaxReadBytes) return Failed(ERROR_FILE_TOO_LARGE);
  // One byte more than the size: a file that grew meanwhile is seen to.
  data.assign(static_cast<std::size_t>(size.QuadPart) + 1, '\0');
  std::size_t got = 0;
  while (got < data.size()) {
    DWORD n = 0;
    if (!::ReadFile(file.get(), data.data() + got, static_cast<DWORD>(data.size() - got), &n, nullptr))
      return Failed(GetLastError());
    if (n == 0) break;  // the end (it may have shrunk meanwhile)
    got += n;
    if (got > static_cast<std::size_t>(kMaxReadBytes)) return Failed(ERROR_FILE_TOO_LARGE);
    if (got == data.size()) data.resize(data.size() + 4096);
  }
  data.resize(got);
  return true;
}

// The file a write to `path` really replaces: a link's (reparse point's)
// final target, so the link stays. The path as given when nothing is there.
// False when something is there that is not a regular file.
bool ResolveTarget(const std::wstring& path, std::wstring& target) {
  target = path;
  FileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) {
    // Missing, or there and locked (the replacement then reports it).
    return true;
  }
  if (!IsRegularFile(file.get())) return false;
  std::wstring final(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(file.get(), final.data(), static_cast<DWORD>(final.size()), 0);
  if (n >= final.size()) {
    final.resize(n + 1);
    n = GetFinalPathNameByHandleW(file.get(), final.data(), static_cast<DWORD>(final.size()), 0);
  }
  if (n > 0 && n < final.size()) target.assign(final.data(), n);
  return true;
}

// Temporary files are "<name>.tmp-w<pid>-<n>": the "w" keeps a native
// writer's "<name>.tmp-<pid>-<n>" beside the same file (under Wine) from
// being mistaken for one of ours, whose process ids are another system's.
constexpr std::wstring_view kTempInfix = L".tmp-w";

// The process id in "<pid>-<n>", or 0.
DWORD WriterOf(std::wstring_view rest) {
  const std::size_t dash = rest.find(L'-');
  if (dash == 0 || dash == std::wstring_view::npos || dash + 1 == rest.size() || dash > 10) return 0;
  auto digits = [](std::wstring_view t) {
    return t.find_first_not_of(L"0123456789") == std::wstring_view::npos;
  };
  if (!digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1))) return 0;
  unsigned long long pid = 0;
  for (wchar_t c : rest.substr(0, dash)) pid = pid * 10 + static_cast<unsigned>(c - L'0');
  return pid <= 0xFFFFFFFFull ? static_cast<DWORD>(pid) : 0;
}

bool ProcessGone(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
  DWORD code = 0;
  const bool gone = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
  CloseHandle(process);
  return gone;
}

// Removes temporaries of our pattern beside the target whose writer no longer
// runs: a save killed mid-write leaves one, and nothing else ever would.
void RemoveStaleTemporaries(const std::wstring& target) {
  const std::size_t slash = target.find_last_of(L"\\/");
  const std::wstring dir = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
  const std::wstring prefix =
      (slash == std::wstring::npos ? target : target.substr(slash + 1)) + std::wstring(kTempInfix);
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((dir + prefix + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring_view name = found.cFileName;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.size() <= prefix.size() ||
        !IsPrefixIgnoringCase(name, prefix))
      continue;
    const DWORD pid = WriterOf(name.substr(prefix.size()));
    if (pid == 0 || pid == GetCurrentProcessId() || !ProcessGone(pid)) continue;
    DeleteFileW((dir + std::wstring(name)).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  std::string data;
  if (!ReadRegularFile(path, data)) return std::nullopt;
  return data;
}

bool ReplaceFileAtomically(const std::wstring& path, std::string_view bytes) {
  if (path.empty() || IsSeparator(path.back())) return Failed(ERROR_INVALID_NAME);
  std::wstring target;
  if (!ResolveTarget(path, target)) return false;
  // A read-only file is a setting frozen by a user or an administrator; the
  // system's own profile writer leaves it alone too.
  const DWORD oldAttributes = GetFileAttributesW(target.c_str());
  const bool existed = oldAttributes != INVALID_FILE_ATTRIBUTES;
  if (existed && (oldAttributes & FILE_ATTRIBUTE_READONLY) != 0)
    return FailedBecause(ERROR_ACCESS_DENIED, kReadOnlyReason);
  CreateParentDirectories(target);
  RemoveStaleTemporaries(target);
  static unsigned attempt = 0;
  std::wstring temp;
  HANDLE raw = INVALID_HANDLE_VALUE;
  for (int tries = 0; tries < 100 && raw == INVALID_HANDLE_VALUE; ++tries) {
    temp = target + std::wstring(kTempInfix) + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++attempt);
    raw = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return Failed(GetLastError());
  }
  if (raw == INVALID_HANDLE_VALUE) return Failed(ERROR_FILE_EXISTS);
  {
    FileHandle file(raw);
    bool ok = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    ok = file.Close() && ok;
    if (!ok) {
      const DWORD why = error != ERROR_SUCCESS ? error : GetLastError();
      DeleteFileW(temp.c_str());
      return Failed(why);
    }
  }
  if (existed) {
    // The attributes go over before the replacement, where a ReplaceFileW
    // that does not carry them (Wine's) still keeps them.
    const DWORD kept = oldAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                        FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    SetFileAttributesW(temp.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
  }
  // ReplaceFileW keeps the old file's attributes, security descriptor,
  // creation time and streams.
  bool placed = false;
  DWORD error = ERROR_SUCCESS;
  if (existed) {
    placed = ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                          REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr);
    if (!placed) error = GetLastError();
  }
  // A new file, an old one that went meanwhile, or one that ReplaceFileW
  // removed without renaming the replacement: a move puts the new file there.
  if (!placed && (!existed || error == ERROR_FILE_NOT_FOUND || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT)) {
    placed = MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!placed) error = GetLastError();
  }
  if (!placed) {
    DeleteFileW(temp.c_str());
    return Failed(error);
  }
  g_lastError = ERROR_SUCCESS;
  g_lastReason.clear();
  return true;
}

std::string LastWriteError() {
  if (g_lastError == ERROR_SUCCESS) return {};
  if (!g_lastReason.empty()) return g_lastReason;
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      g_lastError, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n > 0 && text ? std::wstring(text, n) : L"error " + std::to_wstring(g_lastError);
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
