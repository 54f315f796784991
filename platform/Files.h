// Files and the folders the settings live in (paths UTF-8).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kal {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The file's bytes; nullopt when it does not exist or cannot be read.
  virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
  // Whether something exists at the path, readable or not (a locked or denied
  // file exists): a writer must not replace a file it could not read.
  virtual bool FileExists(const std::string& path) = 0;
  // When the file was last written (in the system's own ticks), if it exists.
  virtual std::optional<std::int64_t> FileModified(const std::string& path) = 0;
  // Replaces the file atomically (temporary beside it, flush, rename); creates
  // missing parent directories. False when it could not.
  virtual bool WriteFileAtomic(const std::string& path, std::string_view bytes) = 0;
  // Why the last read or write failed, in the system's words ("" when it does not say).
  virtual std::string LastFileError() = 0;

  // Where the settings file lives, and the separator used to join to it.
  virtual std::string SettingsDirectory() = 0;
  virtual char PathSeparator() const = 0;
  // The user's own settings folder, for when the settings folder cannot be
  // written; empty when the settings folder is the user's already.
  virtual std::string UserSettingsDirectory() = 0;
};

}  // namespace kal
