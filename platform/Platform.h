// The one way the program's logic reaches its host: four services split by
// concern, and the features this host offers.
//
//   WindowSystem     the loop, timers, screen, windows, pointer, text
//   FileSystem       files and the settings folders
//   DesktopServices  the screen-saver services, "open", message boxes, the lock
//   ProcessServices  command line, program folder, ending, reports, random numbers
//
// A backend is one folder under platform/ (win32, x11, memory) with its
// feature checklist in that folder's Features.h. The logic asks Has() where a
// missing service changes what it does; what "not here" answers is in
// platform/Features.h.
#pragma once

#include "platform/Desktop.h"
#include "platform/Features.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/WindowSystem.h"

namespace kal {

class Platform {
 public:
  virtual ~Platform() = default;
  virtual WindowSystem& Windows() = 0;
  virtual FileSystem& Files() = 0;
  virtual DesktopServices& Desktop() = 0;
  virtual ProcessServices& Process() = 0;
  // What this host offers, as its backends declare it.
  virtual Features features() const = 0;
  bool Has(Feature f) const { return features().Has(f); }
};

// A platform made of separate services, as on Linux, where every window
// system shares the files, the desktop services and the process.
class ComposedPlatform final : public Platform {
 public:
  ComposedPlatform(WindowSystem& windows, FileSystem& files, DesktopServices& desktop,
                   ProcessServices& process, Features features)
      : windows_(windows), files_(files), desktop_(desktop), process_(process), features_(features) {}
  WindowSystem& Windows() override { return windows_; }
  FileSystem& Files() override { return files_; }
  DesktopServices& Desktop() override { return desktop_; }
  ProcessServices& Process() override { return process_; }
  Features features() const override { return features_; }

 private:
  WindowSystem& windows_;
  FileSystem& files_;
  DesktopServices& desktop_;
  ProcessServices& process_;
  Features features_;
};

}  // namespace kal
