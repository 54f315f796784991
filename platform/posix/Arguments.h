// The command line of a program started from a POSIX shell.
#pragma once

#include <string>

namespace kal {

// argv[1..] joined by single spaces: `kalvessa /s` gives "/s", `kalvessa /p 42`
// gives "/p 42", as a Windows program receives its command-line text.
std::string JoinArguments(int argc, const char* const* argv);

}  // namespace kal
