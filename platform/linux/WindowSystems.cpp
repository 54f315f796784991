#include "platform/linux/WindowSystems.h"

#include <cctype>
#include <string>

namespace kal::linux_desktop {

const WindowSystemEntry* FindWindowSystem(std::span<const WindowSystemEntry> table, std::string_view name) {
  for (const WindowSystemEntry& e : table) {
    if (e.name.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size(); ++i) {
      same = same && std::tolower(static_cast<unsigned char>(name[i])) == e.name[i];
    }
    if (same) return &e;
  }
  return nullptr;
}

WindowSystemChoice ChooseWindowSystem(std::span<const WindowSystemEntry> table,
                                      const std::function<const char*(const char*)>& getenv) {
  WindowSystemChoice choice;
  if (table.empty()) {
    choice.error = "this build has no window system";
    return choice;
  }
  const std::string variable(kPlatformVariable);
  if (const char* wanted = getenv(variable.c_str()); wanted != nullptr && wanted[0] != '\0') {
    choice.entry = FindWindowSystem(table, wanted);
    if (choice.entry == nullptr) {
      std::string known;
      for (const WindowSystemEntry& e : table) known += (known.empty() ? "" : ", ") + std::string(e.name);
      choice.error = "unknown window system \"" + std::string(wanted) + "\" in " + variable +
                     " (this build has " + known + ")";
    }
    return choice;
  }
  for (const WindowSystemEntry& e : table) {
    const std::string name(e.sessionVariable);
    if (const char* value = getenv(name.c_str()); value != nullptr && value[0] != '\0') {
      choice.entry = &e;
      return choice;
    }
  }
  choice.entry = &table.back();
  return choice;
}

}  // namespace kal::linux_desktop
