// Files and well-known directories on a POSIX system (paths are UTF-8 bytes).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kal {

class PosixFiles {
 public:
  // Files larger than this are not read: a settings file is a few lines long.
  static constexpr long long kMaxReadBytes = 1 << 20;

  // The whole file, or nullopt when it cannot be read: missing, no
  // permission, larger than kMaxReadBytes, or not a regular file (a
  // directory, a FIFO, a device, through links or not). Never blocks.
  static std::optional<std::string> ReadFile(const std::string& path);

  // Whether anything is at the path (a file, a directory, a dangling link), readable or not.
  static bool Exists(const std::string& path);

  // Replaces the file in one step: a temporary file in the same directory is
  // written, flushed to disk and renamed over the target, then the directory is
  // flushed, so a crash leaves either the old or the new content, never a torn
  // file. Missing parent directories are created (mode 0700, as for a user's
  // configuration). A symbolic link is followed and the regular file it points
  // to replaced (the link stays); anything else there (a directory, a FIFO, a
  // device) is refused, and so is a file whose owner may not write it (a
  // setting frozen by a user or an administrator, whoever saves). The
  // temporary ("<name>.tmp-<pid>-<n>") has the final mode from its creation:
  // the old file's, else 0666 less the umask; it takes the old file's owner
  // and group where this user may give them.
  // Temporaries of that pattern left beside the target by writers that no
  // longer run are removed. False on any failure, with nothing left behind.
  static bool WriteFileAtomic(const std::string& path, std::string_view bytes);
  // Why the last ReadFile or WriteFileAtomic failed, in the system's words
  // or kReadOnlyReason ("" after a successful write).
  static std::string LastWriteError();
  static constexpr const char* kReadOnlyReason =
      "読み取り専用のファイルです (所有者に書き込みの許可がありません)。";
  // The time the file was last written (nanoseconds since the epoch), if it exists.
  static std::optional<long long> Modified(const std::string& path);

  // The directory of the running executable (from /proc/self/exe), no trailing
  // slash except for "/". "." when the kernel does not tell.
  static std::string ExecutableDirectory();

  // $XDG_CONFIG_HOME/kalvessa, or ~/.config/kalvessa when XDG_CONFIG_HOME is
  // unset, empty or relative (such values are to be ignored). The home comes
  // from $HOME, else from the password database.
  static std::string SettingsDirectory();

  // Creates the directory and its missing parents; true when it exists afterwards.
  static bool MakeDirectories(const std::string& path, unsigned mode);
};

}  // namespace kal
