// Run-time errors of the program and the helper that skips a failing statement.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace kal {

// Error numbers the logic raises; they follow the classic BASIC run-time numbering
// so that a report names the same failure on every platform.
enum class ErrorCode : int {
  InvalidCall = 5,
  Overflow = 6,
  OutOfMemory = 7,
  SubscriptOutOfRange = 9,
  TypeMismatch = 13,
  FileError = 75,
  InvalidPropertyValue = 380,
};

// A run-time error: the only exception type that error traps catch.
class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(ErrorCode code, const std::string& what) : std::runtime_error(what), code_(code) {}
  ErrorCode code() const { return code_; }

 private:
  ErrorCode code_;
};

[[noreturn]] inline void Raise(ErrorCode code, const std::string& what) { throw RuntimeError(code, what); }

// Runs one statement under a "skip and continue" trap: a run-time error is
// swallowed, anything else (including the end of the process) passes through.
template <class F>
void SkipOnError(F&& statement) {
  try {
    statement();
  } catch (const RuntimeError&) {
  }
}

}  // namespace kal
