// The Windows program: Kalvessa.scr.
#include <windows.h>

#include "assets/Assets.h"
#include "platform/win32/Win32Platform.h"
#include "startup/Run.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  kal::Win32Platform platform(instance, kal::WindowArt{{}, kal::assets::Find(kal::assets::kHandPointer)});
  return kal::RunProgram(platform);
}
