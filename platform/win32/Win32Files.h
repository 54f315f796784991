// Whole-file reading and atomic replacement with wide (Unicode) paths.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kal::win32 {

// The whole file, or nullopt when it cannot be read: missing, denied, larger
// than 1 MiB, or not a file on a disk (a directory, a pipe, a device).
std::optional<std::string> ReadWholeFile(const std::wstring& path);
// Writes a temporary file beside the target, flushes it to disk, then puts
// it in the target's place (ReplaceFileW: the old file's attributes and
// security descriptor stay), so a crash leaves either the old or the new
// file. Creates missing parent directories. A link is followed and the file
// it points to replaced (the link stays); a directory, pipe or device there
// is refused, and so is a file with the read-only attribute. Temporaries
// ("<name>.tmp-w<pid>-<n>") left by writers that no longer run are removed.
// False (and no temporary left behind) on failure.
bool ReplaceFileAtomically(const std::wstring& path, std::string_view bytes);
// The system's reason the last read or replacement failed, or
// kReadOnlyReason ("" after a successful replacement).
std::string LastWriteError();
inline constexpr const char* kReadOnlyReason = "読み取り専用のファイルです (読み取り専用の属性があります)。";
// Whether anything is at the path, readable or not (a locked or denied file exists).
bool Exists(const std::wstring& path);
// The last write time (100 ns ticks), if the file exists.
std::optional<long long> Modified(const std::wstring& path);

}  // namespace kal::win32
