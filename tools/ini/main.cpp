// kal-ini: reads and writes the particle count in a settings file with the
// program's own settings code (the same read, guard and atomic save as a save
// from the settings dialog), so tests can compare it with other INI readers
// and writers (the Windows profile functions under Wine).
//   kal-ini read <file>           prints the value (empty line when none)
//   kal-ini write <file> <value>  sets the value, keeping the rest of the file;
//                                 exit 1 and the reason when it was not stored
#include <cstdio>
#include <string>

#include "platform/posix/PosixFileSystem.h"
#include "startup/SettingsFile.h"

int main(int argc, char** argv) {
  using namespace kal;
  std::string cmd = argc > 1 ? argv[1] : "";
  PosixFileSystem files;
  if (cmd == "read" && argc == 3) {
    std::string value = ReadIniString(files, kSettingsSection, kSettingsKey, argv[2]);
    std::printf("%s\n", value.c_str());
    return 0;
  }
  if (cmd == "write" && argc == 4) {
    std::string why = SaveIniString(files, kSettingsSection, kSettingsKey, argv[3], argv[2]);
    if (!why.empty()) {
      std::fprintf(stderr, "kal-ini: cannot write %s: %s\n", argv[2], why.c_str());
      return 1;
    }
    return 0;
  }
  std::fprintf(stderr, "usage: kal-ini read <file> | kal-ini write <file> <value>\n");
  return 2;
}
