// Pictures kaltest writes for the pixel comparisons: the Canvas as a PPM, and
// a window's client area as GDI sees it, as a 24-bit BMP.
#pragma once

#include <windows.h>

#include <string>

#include "platform/Canvas.h"

namespace kaltest {

bool WritePpm(const std::wstring& path, const kal::Canvas& canvas);
bool WriteCapture(const std::wstring& path, HWND hwnd, int width, int height);

}  // namespace kaltest
