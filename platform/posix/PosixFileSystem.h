// The file services on a POSIX system, over PosixFiles. The settings live in
// the user's configuration folder: program folders are not the user's to write.
#pragma once

#include "platform/Files.h"

namespace kal {

class PosixFileSystem final : public FileSystem {
 public:
  std::optional<std::string> ReadFile(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::optional<std::int64_t> FileModified(const std::string& path) override;
  bool WriteFileAtomic(const std::string& path, std::string_view bytes) override;
  std::string LastFileError() override;
  std::string SettingsDirectory() override;
  char PathSeparator() const override { return '/'; }
  std::string UserSettingsDirectory() override { return {}; }  // the settings are the user's already
};

}  // namespace kal
