// The running program on a POSIX system: its arguments as a command line, its
// folder, its end and its reports on stderr.
#pragma once

#include <functional>
#include <string>

#include "platform/Process.h"
#include "platform/Random.h"

namespace kal {

class PosixProcess final : public ProcessServices {
 public:
  // beforeEnd: what the window system must still send before the process
  // ends (its queued requests).
  explicit PosixProcess(std::string commandLine, std::function<void()> beforeEnd = {})
      : commandLine_(std::move(commandLine)), beforeEnd_(std::move(beforeEnd)) {}

  std::string CommandLine() override { return commandLine_; }
  std::string AppPath() override;
  [[noreturn]] void EndProcess(int exitCode) override;
  void ReportFatal(const std::string& message) override { WriteReport(message); }
  void WriteLog(const std::string& line) override { WriteReport(line); }
  RandomSource& Random() override { return random_; }

  // "Kalvessa: <message>" on stderr; usable before a platform exists.
  static void WriteReport(const std::string& message);

 private:
  std::string commandLine_;
  std::function<void()> beforeEnd_;
  PcgRandom random_;
};

}  // namespace kal
