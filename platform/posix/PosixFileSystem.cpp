#include "platform/posix/PosixFileSystem.h"

#include "platform/posix/PosixFiles.h"

namespace kal {

std::optional<std::string> PosixFileSystem::ReadFile(const std::string& path) {
  return PosixFiles::ReadFile(path);
}

bool PosixFileSystem::FileExists(const std::string& path) { return PosixFiles::Exists(path); }

std::optional<std::int64_t> PosixFileSystem::FileModified(const std::string& path) {
  if (auto t = PosixFiles::Modified(path)) return static_cast<std::int64_t>(*t);
  return std::nullopt;
}

bool PosixFileSystem::WriteFileAtomic(const std::string& path, std::string_view bytes) {
  return PosixFiles::WriteFileAtomic(path, bytes);
}

std::string PosixFileSystem::LastFileError() { return PosixFiles::LastWriteError(); }

std::string PosixFileSystem::SettingsDirectory() { return PosixFiles::SettingsDirectory(); }

}  // namespace kal
