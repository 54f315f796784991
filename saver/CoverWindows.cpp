#include "saver/CoverWindows.h"

#include "platform/Errors.h"

namespace kal {

// One cover: its window, and the offset that turns its client coordinates
// into the saver window's (both are screen pixels, so a pointer crossing
// from one monitor to another keeps its position and is no move).
class CoverWindows::Cover final : public WindowHandler {
 public:
  explicit Cover(WindowHandler& target) : target_(target) {}
  ~Cover() override = default;

  std::unique_ptr<PlatformWindow> window;
  PixelRect rect{};
  float dx = 0, dy = 0;
  bool gone = false;  // unloaded by someone else: make it again

  void OnUnload() override { gone = true; }
  void OnKeyDown(int keyCode, int shift) override { target_.OnKeyDown(keyCode, shift); }
  void OnMouseDown(int button, int shift, float x, float y) override {
    target_.OnMouseDown(button, shift, x + dx, y + dy);
  }
  void OnMouseMove(int button, int shift, float x, float y) override {
    target_.OnMouseMove(button, shift, x + dx, y + dy);
  }
  void OnMouseUp(int button, int shift, float x, float y) override {
    target_.OnMouseUp(button, shift, x + dx, y + dy);
  }
  void OnCloseRequest(PlatformWindow& self) override { target_.OnCloseRequest(self); }
  // The saver window hears the display change too and arranges the covers.

 private:
  WindowHandler& target_;
};

CoverWindows::CoverWindows(WindowSystem& windows, WindowHandler& target)
    : windows_(windows), target_(target) {}

CoverWindows::~CoverWindows() = default;

namespace {

bool Empty(const PixelRect& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace

void CoverWindows::Arrange(const std::vector<PixelRect>& monitors) {
  if (monitors.empty()) return;
  const PixelRect& primary = monitors.front();
  std::vector<PixelRect> wanted;
  for (std::size_t k = 1; k < monitors.size(); ++k) {
    const PixelRect& m = monitors[k];
    if (Empty(m) || Intersect(m, primary) == m) continue;
    wanted.push_back(m);
  }
  // Covers the window system took away are made again.
  std::erase_if(covers_, [](const std::unique_ptr<Cover>& c) { return c->gone; });
  while (covers_.size() > wanted.size()) {
    std::unique_ptr<Cover> last = std::move(covers_.back());
    covers_.pop_back();
    SkipOnError([&] { last->window->Unload(); });
  }
  for (std::size_t k = 0; k < wanted.size(); ++k) {
    const PixelRect& m = wanted[k];
    if (k == covers_.size()) {
      auto cover = std::make_unique<Cover>(target_);
      WindowDesc desc;
      desc.border = false;
      desc.backColor = Rgb(0, 0, 0);
      desc.keyPreview = true;
      desc.fullScreen = true;
      bool made = false;
      SkipOnError([&] {
        cover->window = windows_.MakeWindow(desc, *cover);
        made = cover->window != nullptr;
      });
      // A monitor the system will not cover now is tried again at the next change.
      if (!made) break;
      covers_.push_back(std::move(cover));
    } else if (covers_[k]->rect == m) {
      continue;
    }
    Cover& c = *covers_[k];
    const bool fresh = c.rect == PixelRect{};
    c.rect = m;
    SkipOnError([&] { c.window->Move(m.left, m.top, m.right - m.left, m.bottom - m.top); });
    if (fresh) {
      SkipOnError([&] { c.window->SetNormalState(); });
      SkipOnError([&] { c.window->Show(); });
      SkipOnError([&] { c.window->SetTopmost(); });
    }
  }
  // The primary may have moved while a cover stayed.
  for (const auto& c : covers_) {
    c->dx = static_cast<float>(c->rect.left - primary.left);
    c->dy = static_cast<float>(c->rect.top - primary.top);
  }
}

std::vector<PixelRect> CoverWindows::Covered() const {
  std::vector<PixelRect> out;
  for (const auto& c : covers_) out.push_back(c->rect);
  return out;
}

}  // namespace kal
