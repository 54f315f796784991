// The running program: its command line and folder, its end, its reports and
// its random numbers.
#pragma once

#include <string>

#include "platform/Random.h"

namespace kal {

class ProcessServices {
 public:
  virtual ~ProcessServices() = default;
  // The argument text after the program's name, unchanged.
  virtual std::string CommandLine() = 0;
  // The directory of the running program, no trailing separator except at a
  // drive root (UTF-8).
  virtual std::string AppPath() = 0;
  // Ends the process at once; no handler of a loaded window runs after it.
  [[noreturn]] virtual void EndProcess(int exitCode = 0) = 0;
  // An error that escaped everything: tell the user (stderr / message box).
  virtual void ReportFatal(const std::string& message) = 0;
  // A line for whoever reads the program's diagnostics (stderr; the
  // debugger's output where a program has no console).
  virtual void WriteLog(const std::string& line) = 0;
  virtual RandomSource& Random() = 0;
};

}  // namespace kal
