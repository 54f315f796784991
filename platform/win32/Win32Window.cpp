#include "platform/win32/Win32Window.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <span>
#include <vector>

#include "platform/win32/WideText.h"

namespace kal::win32 {
namespace {

constexpr wchar_t kClassName[] = L"KalvessaWindow";

// How often a window placed into another looks whether that one still
// exists: a parent whose process was killed may tell its children nothing.
constexpr UINT_PTR kParentWatchTimer = 1;
constexpr UINT kParentWatchMs = 250;

// The shift state the logic expects: 1 = Shift, 2 = Ctrl, 4 = Alt.
int ShiftState() {
  int s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= 1;
  if (GetKeyState(VK_CONTROL) < 0) s |= 2;
  if (GetKeyState(VK_MENU) < 0) s |= 4;
  return s;
}

// Buttons held during a mouse message: 1 = left, 2 = right, 4 = middle.
int ButtonState(WPARAM wp) {
  int b = 0;
  if (wp & MK_LBUTTON) b |= 1;
  if (wp & MK_RBUTTON) b |= 2;
  if (wp & MK_MBUTTON) b |= 4;
  return b;
}

bool RegisterWindowClass(HINSTANCE instance, WNDPROC proc) {
  static ATOM atom = 0;
  if (atom) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  // One DC for the window's whole life: its drawing is pushed sixty times a
  // second and need not fetch and release a DC each time.
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kClassName;
  atom = RegisterClassExW(&wc);
  return atom != 0;
}

}  // namespace

std::unique_ptr<Win32Window> Win32Window::Create(WindowBookkeeping& book, const WindowDesc& desc,
                                                 WindowHandler& handler) {
  if (!RegisterWindowClass(book.instance, &Win32Window::WindowProc)) return nullptr;
  std::unique_ptr<Win32Window> w(new Win32Window(book, desc, handler));
  // Key preview needs nothing here: the window has no child controls, so
  // every key press reaches its own window procedure.
  DWORD style, exStyle = 0;
  int x, y, width, height;
  if (desc.border && !desc.fullScreen) {
    // A fixed single frame with a caption bar, as a dialog has.
    style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    x = y = width = height = CW_USEDEFAULT;
  } else {
    style = WS_POPUP;
    x = y = 0;
    width = height = 100;  // the logic sizes it before showing
  }
  std::wstring caption = Widen(desc.caption);
  HWND hwnd =
      CreateWindowExW(exStyle, kClassName, caption.c_str(), style | WS_CLIPCHILDREN, x, y, width, height,
                      desc.owner != 0 ? HwndOf(desc.owner) : nullptr, nullptr, book.instance, w.get());
  if (!hwnd) return nullptr;
  return w;
}

Win32Window::Win32Window(WindowBookkeeping& book, const WindowDesc& desc, WindowHandler& handler)
    : book_(book), handler_(handler), backColor_(desc.backColor & 0x00FFFFFF) {
  background_ = CreateSolidBrush(static_cast<COLORREF>(backColor_));
  if (desc.scaleToDisplay) {
    // The program is DPI aware, so the system does not enlarge this window:
    // it is shown at the screen's scale here.
    HDC screen = GetDC(nullptr);
    canvas_.SetScale(ScaleForDpi(screen ? static_cast<float>(GetDeviceCaps(screen, LOGPIXELSY)) : 0.0f));
    if (screen) ReleaseDC(nullptr, screen);
  }
}

Win32Window::~Win32Window() {
  // Destroyed with its owner: no handler runs (the window procedure never
  // calls one on destruction).
  if (hwnd_) DestroyWindow(hwnd_);
  if (background_) DeleteObject(background_);
  if (handCursor_) DestroyCursor(handCursor_);
}

Handle Win32Window::handle() const { return static_cast<Handle>(reinterpret_cast<std::intptr_t>(hwnd_)); }

void Win32Window::Move(int left, int top, int width, int height) {
  if (!hwnd_) return;
  SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  UpdateSurfaceSize();
}

void Win32Window::SetNormalState() {
  if (!hwnd_ || !(IsIconic(hwnd_) || IsZoomed(hwnd_))) return;
  if (IsWindowVisible(hwnd_)) {
    ShowWindow(hwnd_, SW_RESTORE);
    return;
  }
  // Hidden: drop the minimised/maximised state without showing the window.
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(hwnd_, &wp);
  LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  SetWindowLongPtrW(hwnd_, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_MINIMIZE | WS_MAXIMIZE));
  const RECT& r = wp.rcNormalPosition;
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  UpdateSurfaceSize();
}

void Win32Window::Show() {
  if (!hwnd_) return;
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
}

void Win32Window::SetTopmost() {
  if (!hwnd_) return;
  SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void Win32Window::Unload() {
  if (!hwnd_ || unloading_) return;
  unloading_ = true;
  handler_.OnUnload();
  if (hwnd_) DestroyWindow(hwnd_);
}

HCURSOR Win32Window::HandCursor() {
  if (handCursor_) return handCursor_;
  // The .cur file's one image, preceded by its hot spot, as cursor resources
  // hold it.
  std::span<const std::uint8_t> file = book_.art.handPointer;
  if (file.size() < 22) return nullptr;
  auto word = [&](std::size_t at) { return static_cast<std::uint16_t>(file[at] | (file[at + 1] << 8)); };
  auto dword = [&](std::size_t at) { return static_cast<std::uint32_t>(word(at) | (word(at + 2) << 16)); };
  const std::uint32_t size = dword(14), offset = dword(18);
  if (offset > file.size() || size > file.size() - offset) return nullptr;
  std::vector<std::uint8_t> resource(std::size_t{4} + size);  // in size_t: never wraps
  resource[0] = file[10];                                     // hot spot x
  resource[1] = file[11];
  resource[2] = file[12];  // hot spot y
  resource[3] = file[13];
  std::copy_n(file.begin() + offset, size, resource.begin() + 4);
  handCursor_ = reinterpret_cast<HCURSOR>(CreateIconFromResourceEx(
      resource.data(), static_cast<DWORD>(resource.size()), FALSE, 0x00030000, 0, 0, 0));
  return handCursor_;
}

void Win32Window::SetHandPointer(bool hand) {
  if (hand == hand_) return;
  hand_ = hand;
  // Shown at once if the pointer is over the client area now.
  POINT p{};
  if (hwnd_ && GetCursorPos(&p) && WindowFromPoint(p) == hwnd_) {
    SetCursor(hand_ && HandCursor() ? HandCursor()
                                    : LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
  }
}

std::pair<int, int> Win32Window::OuterSize(int clientWidth, int clientHeight) {
  RECT r{0, 0, clientWidth * canvas_.scale(), clientHeight * canvas_.scale()};
  if (hwnd_) {
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE)));
  }
  return {r.right - r.left, r.bottom - r.top};
}

bool Win32Window::EmbedInto(Handle parent) {
  HWND host = HwndOf(parent);
  if (!hwnd_ || !host || !IsWindow(host)) return false;
  // The child style first (GetWindowLong | WS_CHILD, SetWindowLong), as a
  // window that becomes a child is asked to have; a window is a child or a
  // popup, never both, so the popup bit goes.
  LONG style = GetWindowLongW(hwnd_, GWL_STYLE) | WS_CHILD;
  style &= ~static_cast<LONG>(WS_POPUP);
  SetWindowLongW(hwnd_, GWL_STYLE, style);
  if (!::SetParent(hwnd_, host)) return false;
  parent_ = host;
  SetTimer(hwnd_, kParentWatchTimer, kParentWatchMs, nullptr);
  return true;
}

Handle Win32Window::Owner() {
  if (!hwnd_) return 0;
  return static_cast<Handle>(reinterpret_cast<std::intptr_t>(GetWindow(hwnd_, GW_OWNER)));
}

bool Win32Window::UnloadedBySystem() {
  if (unloading_) return false;
  unloading_ = true;
  Deliver([&] { handler_.OnUnload(); });
  return true;
}

void Win32Window::Forget() {
  if (hwnd_) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  hwnd_ = nullptr;
  dc_ = nullptr;
  std::erase(book_.windows, this);
}

bool Win32Window::Gone() const { return hwnd_ != nullptr && !IsWindow(hwnd_); }

void Win32Window::UpdateSurfaceSize() {
  RECT r{};
  if (hwnd_ && GetClientRect(hwnd_, &r)) SizeCanvas(r.right - r.left, r.bottom - r.top);
}

void Win32Window::SizeCanvas(int width, int height) {
  // A new size is repainted whole by the system, in the background colour.
  if (width == canvas_.shown().width() && height == canvas_.shown().height()) return;
  try {
    canvas_.Resize(width, height, backColor_);
  } catch (const std::bad_alloc&) {
    // This runs inside the window procedure, which nothing may unwind. A
    // window too large for memory shows its background and nothing drawn.
    canvas_.Resize(0, 0, backColor_);
  }
  // Image controls are drawn again on the new canvas.
  if (hwnd_ && IsWindowVisible(hwnd_)) Deliver([&] { handler_.OnPaint(*this); });
}

void Win32Window::Push() {
  if (!hwnd_ || unloading_) return;
  canvas_.Sync();
  presenter_.Push(dc_, canvas_.shown());
}

void Win32Window::ForgetUpdateRegion() {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  if (!region) return;
  if (GetUpdateRgn(hwnd_, region, FALSE) > NULLREGION) {
    DWORD bytes = GetRegionData(region, 0, nullptr);
    std::vector<unsigned char> data(bytes);
    if (bytes > 0 && GetRegionData(region, bytes, reinterpret_cast<RGNDATA*>(data.data())) == bytes) {
      const auto* header = reinterpret_cast<const RGNDATAHEADER*>(data.data());
      const auto* rects = reinterpret_cast<const RECT*>(data.data() + header->dwSize);
      for (DWORD i = 0; i < header->nCount; ++i)
        canvas_.shown().FillRect(rects[i].left, rects[i].top, rects[i].right, rects[i].bottom, backColor_);
    }
  }
  DeleteObject(region);
}

template <class F>
void Win32Window::Deliver(F&& call) {
  try {
    call();
  } catch (...) {
    if (!book_.pendingError) book_.pendingError = std::current_exception();
  }
}

void Win32Window::DisplayChanged() {
  if (hwnd_) Deliver([&] { handler_.OnDisplayChange(*this); });
}

LRESULT CALLBACK Win32Window::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    self->book_.windows.push_back(self);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->dc_ = GetDC(hwnd);  // a class DC of its own: never released
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->OnMessage(msg, wp, lp);
}

LRESULT Win32Window::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = hwnd_;
  switch (msg) {
    case WM_SIZE:
      SizeCanvas(LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wp), &r, background_);
      return 1;
    }
    case WM_PAINT: {
      // Nothing drawn is kept: a repaint shows the background (erased by
      // WM_ERASEBKGND) and the image controls, which the handler draws again.
      ForgetUpdateRegion();
      Deliver([&] { handler_.OnPaint(*this); });
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      // At once rather than with the next refresh: the window may be a child
      // in another program's window, which shows it now.
      Push();
      return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      int key = static_cast<int>(wp), shift = ShiftState();
      Deliver([&] { handler_.OnKeyDown(key, shift); });
      // Alt+F4 and the system menu keys keep working.
      if (msg == WM_SYSKEYDOWN && hwnd_) return DefWindowProcW(hwnd, msg, wp, lp);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      int button = msg == WM_LBUTTONDOWN ? 1 : msg == WM_RBUTTONDOWN ? 2 : 4;
      int shift = ShiftState();
      // The release comes here wherever the pointer is by then.
      SetCapture(hwnd);
      float x = canvas_.ToDesigned(static_cast<float>(GET_X_LPARAM(lp)));
      float y = canvas_.ToDesigned(static_cast<float>(GET_Y_LPARAM(lp)));
      Deliver([&] { handler_.OnMouseDown(button, shift, x, y); });
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      int button = msg == WM_LBUTTONUP ? 1 : msg == WM_RBUTTONUP ? 2 : 4;
      int shift = ShiftState();
      float x = canvas_.ToDesigned(static_cast<float>(GET_X_LPARAM(lp)));
      float y = canvas_.ToDesigned(static_cast<float>(GET_Y_LPARAM(lp)));
      // The mouse stays with the window until the last button is up.
      if ((wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0 && GetCapture() == hwnd) ReleaseCapture();
      Deliver([&] { handler_.OnMouseUp(button, shift, x, y); });
      return 0;
    }
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT && hand_ && HandCursor()) {
        SetCursor(HandCursor());
        return TRUE;
      }
      return DefWindowProcW(hwnd, msg, wp, lp);
    case WM_MOUSEMOVE: {
      // Every move is delivered, including the one the system sends after
      // the first paint without any real motion.
      int buttons = ButtonState(wp), shift = ShiftState();
      float x = canvas_.ToDesigned(static_cast<float>(GET_X_LPARAM(lp)));
      float y = canvas_.ToDesigned(static_cast<float>(GET_Y_LPARAM(lp)));
      Deliver([&] { handler_.OnMouseMove(buttons, shift, x, y); });
      return 0;
    }
    case WM_CLOSE: {
      // taskkill without /F, Alt+F4, a frame's close button: the logic
      // answers, and a program left without windows ends, as on X11.
      WindowBookkeeping& book = book_;  // this window may be gone after the handler
      Deliver([&] { handler_.OnCloseRequest(*this); });
      if (book.closeHandled) book.closeHandled();
      return 0;
    }
    case WM_DISPLAYCHANGE:
      // Sent to every top-level window when monitors come, go or move.
      Deliver([&] { handler_.OnDisplayChange(*this); });
      return 0;
    case WM_TIMER:
      if (wp == kParentWatchTimer) {
        if (parent_ && !IsWindow(parent_)) Deliver([&] { Unload(); });
        return 0;
      }
      return DefWindowProcW(hwnd, msg, wp, lp);
    case WM_DESTROY:
      // Destroyed by the window system with a parent of another thread or
      // process: no WM_NCDESTROY may follow here, so the window is let go now.
      if (UnloadedBySystem()) Forget();
      return 0;
    case WM_NCDESTROY:
      // A child of a window whose process was killed may get only this.
      UnloadedBySystem();
      Forget();
      return DefWindowProcW(hwnd, msg, wp, lp);
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

}  // namespace kal::win32
