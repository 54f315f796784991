// Files and well-known directories on a POSIX system (paths are UTF-8 bytes).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kal {

class PosixFiles {
 public:
  // The whole file, or nullopt when it cannot be read (missing, a directory, no permission).
  static std::optional<std::string> ReadFile(const std::string& path);

  // Whether anything is at the path (a file, a directory, a dangling link), readable or not.
  static bool Exists(const std::string& path);

  // Replaces the file in one step: a temporary file in the same directory is
  // written, flushed to disk and renamed over the target, then the directory is
  // flushed, so a crash leaves either the old or the new content, never a torn
  // file. Missing parent directories are created (mode 0700, as for a user's
  // configuration). A symbolic link is followed and its target replaced. False
  // on any failure, with nothing left behind.
  static bool WriteFileAtomic(const std::string& path, std::string_view bytes);
  // The system's reason the last WriteFileAtomic failed ("" after a success).
  static std::string LastWriteError();
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
