#include "platform/posix/PosixProcess.h"

#include <unistd.h>

#include <cstdio>

#include "platform/posix/PosixFiles.h"

namespace kal {

std::string PosixProcess::AppPath() { return PosixFiles::ExecutableDirectory(); }

void PosixProcess::EndProcess(int exitCode) {
  // Immediate: no handler runs, no destructor. The window system's server
  // frees what the program held when its connection closes.
  if (beforeEnd_) beforeEnd_();
  std::fflush(nullptr);
  ::_exit(exitCode);
}

void PosixProcess::WriteReport(const std::string& message) {
  std::fprintf(stderr, "Kalvessa: %s\n", message.c_str());
  std::fflush(stderr);
}

}  // namespace kal
