// The pictures of the pixel comparisons.
#include "tests/win32/Capture.h"

#include <cstdio>
#include <vector>

namespace kaltest {
namespace {

FILE* OpenForWrite(const std::wstring& path) { return _wfopen(path.c_str(), L"wb"); }

}  // namespace

bool WritePpm(const std::wstring& path, const kal::Canvas& canvas) {
  FILE* f = OpenForWrite(path);
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", canvas.width(), canvas.height());
  std::vector<unsigned char> row(static_cast<std::size_t>(canvas.width()) * 3);
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      std::uint32_t px = canvas.data()[static_cast<std::size_t>(y) * canvas.width() + x];
      row[x * 3] = static_cast<unsigned char>(px >> 16);
      row[x * 3 + 1] = static_cast<unsigned char>(px >> 8);
      row[x * 3 + 2] = static_cast<unsigned char>(px);
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  return std::fclose(f) == 0;
}

// The client area as GDI sees it, as a 24-bit BMP.
bool WriteCapture(const std::wstring& path, HWND hwnd, int width, int height) {
  HDC windowDc = GetDC(hwnd);
  HDC memDc = CreateCompatibleDC(windowDc);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(windowDc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = dib && bits;
  if (ok) {
    HGDIOBJ old = SelectObject(memDc, dib);
    ok = BitBlt(memDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY) != 0;
    GdiFlush();
    SelectObject(memDc, old);
  }
  if (ok) {
    DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;  // "BM"
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + imageSize;
    bi.bmiHeader.biSizeImage = imageSize;
    FILE* f = OpenForWrite(path);
    ok = f != nullptr;
    if (f) {
      std::fwrite(&fh, sizeof fh, 1, f);
      std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
      std::fwrite(bits, 1, imageSize, f);
      ok = std::fclose(f) == 0;
    }
  }
  if (dib) DeleteObject(dib);
  DeleteDC(memDc);
  ReleaseDC(hwnd, windowDc);
  return ok;
}

}  // namespace kaltest
