// kal-ini: reads and writes the particle count in a settings file with the
// program's own INI code, so tests can compare it with other INI readers and
// writers (the Windows profile functions under Wine).
//   kal-ini read <file>           prints the value (empty line when none)
//   kal-ini write <file> <value>  sets the value, keeping the rest of the file
#include <cstdio>
#include <string>

#include "platform/posix/PosixFiles.h"
#include "startup/IniFile.h"
#include "startup/SettingsFile.h"

int main(int argc, char** argv) {
  using namespace kal;
  std::string cmd = argc > 1 ? argv[1] : "";
  if (cmd == "read" && argc == 3) {
    std::optional<std::string> content = PosixFiles::ReadFile(argv[2]);
    std::string value = content ? IniGet(*content, kSettingsSection, kSettingsKey).value_or("") : "";
    std::printf("%s\n", value.c_str());
    return 0;
  }
  if (cmd == "write" && argc == 4) {
    std::string existing = PosixFiles::ReadFile(argv[2]).value_or("");
    if (!PosixFiles::WriteFileAtomic(argv[2], IniSet(existing, kSettingsSection, kSettingsKey, argv[3]))) {
      std::fprintf(stderr, "kal-ini: cannot write %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  std::fprintf(stderr, "usage: kal-ini read <file> | kal-ini write <file> <value>\n");
  return 2;
}
