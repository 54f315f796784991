#include "settings/Sorvin_P.h"

#include <cctype>
#include <chrono>

#include "assets/DialogLayout.h"
#include "assets/Picture.h"
#include "platform/Errors.h"
#include "platform/Numeric.h"
#include "platform/forms/BitBlt.h"

namespace kal {
namespace {

constexpr auto kBannerTick =
    std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / kBannerTicksPerSecond;

}  // namespace

Sorvin_P::Sorvin_P(SettingsContext context, TextRenderer& text)
    : context_(std::move(context)),
      platform_(context_.platform),
      windows_(platform_.Windows()),
      form_(windows_, text, layout::DialogWindow(), layout::DialogControls(),
            [](std::string_view name) { return LoadPicture(name); }) {
  form_.Load = [this] { Form_Load(); };
  form_.Unload = [this] { Form_Unload(); };
  forms::HScrollBar& bar = form_.Bar("P_Num");
  bar.Change = [this] { P_Num_Change(); };
  bar.Scroll = [this] { P_Num_Scroll(); };
  for (int i : {1, 2}) {
    forms::Label& label = form_.Lbl("lbl_Button", i);
    label.MouseDown = [this, i](int b, int s, float x, float y) { lbl_Button_MouseDown(i, b, s, x, y); };
    label.MouseUp = [this, i](int b, int s, float x, float y) { lbl_Button_MouseUp(i, b, s, x, y); };
  }
  form_.Lbl("lbl_URL").MouseDown = [this](int b, int s, float x, float y) { lbl_URL_MouseDown(b, s, x, y); };
  form_.ShowHand = [this](bool hand) {
    if (PlatformWindow* w = form_.window()) w->SetHandPointer(hand);
  };
}

Sorvin_P::~Sorvin_P() { StopTimers(); }

void Sorvin_P::LoadOnly() { form_.LoadWindow(); }

void Sorvin_P::ShowModal() {
  form_.LoadWindow();
  if (!loaded_) return;
  SkipOnError([&] { form_.window()->Show(); });
  windows_.RunModalLoop([this] { return !loaded_; });
}

void Sorvin_P::Form_Load() {
  loaded_ = true;
  PlatformWindow& window = *form_.window();
  forms::PictureBox& Pic_C = form_.Pic("Pic_C");
  // 1-3. The client area shows exactly Pic_C: the window is as large as the
  // system's frame around it (measured, not a fixed allowance), centred.
  SkipOnError([&] {
    auto [width, height] = window.OuterSize(Pic_C.Width(), Pic_C.Height());
    const ScreenMetrics screen = windows_.Screen();
    window.Move((screen.widthPx - width) / 2, (screen.heightPx - height) / 2, width, height);
  });
  // 4. The panels' texture.
  SkipOnError([&] { TileBackground(form_.Pic("Pic_C")); });
  SkipOnError([&] { TileBackground(form_.Pic("Pic_1")); });
  SkipOnError([&] { TileBackground(form_.Pic("Pic_2")); });
  // 5. The heading plate.
  SkipOnError([&] { form_.Img("Img_H").Picture = form_.Img("Img_TT").Picture; });
  // 6. The released faces and the hand pointer.
  for (int i : {1, 2}) {
    SkipOnError([&] { form_.Img("Img_Button", i).Picture = form_.Img("Img_OFF").Picture; });
    SkipOnError([&] { form_.Lbl("lbl_Button", i).mouseIconSet = true; });
  }
  // 7-8. The stored count: the bar refuses one outside its range and stays
  // at its design value, while the label shows the stored number.
  SkipOnError([&] { form_.Bar("P_Num").SetValue(form_, context_.particleCount); });
  SkipOnError([&] { form_.Lbl("lbl_PNum").SetCaption(form_, IntegerText(context_.particleCount)); });
  // 9-10.
  SkipOnError([&] { form_.Bar("P_Num").mouseIconSet = true; });
  SkipOnError([&] { form_.Lbl("lbl_URL").mouseIconSet = true; });
  // 11-14. The banner.
  SkipOnError([&] { BannerText = std::string(layout::kBannerCredit); });
  SkipOnError([&] {
    for (char& c : BannerText) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  });
  SkipOnError([&] { InitBounceTable(); });
  SkipOnError([&] { BannerOffset = 40; });
  // 15. The zoom point: the pointer, each coordinate narrowed to 16 bits.
  SkipOnError([&] {
    int x = 0, y = 0;
    if (!platform_.Has(Feature::kPointerPosition) || !windows_.GetCursorPos(x, y)) {
      *context_.zoomX = 0;
      *context_.zoomY = 0;
      return;
    }
    SkipOnError([&] { *context_.zoomX = CheckedNarrowInt<std::int16_t>(x); });
    SkipOnError([&] { *context_.zoomY = CheckedNarrowInt<std::int16_t>(y); });
  });
  // 16.
  SkipOnError([&] { context_.zoomRectIn(window.handle()); });
  // 17. The banner runs.
  SkipOnError([&] { StartTimers(); });
}

void Sorvin_P::StartTimers() {
  timer1_ = windows_.SetTimer(kBannerTick, [this] { SkipOnError([&] { Timer1_Timer(); }); });
}

void Sorvin_P::StopTimers() {
  if (timer1_ != 0) windows_.KillTimer(timer1_);
  timer1_ = 0;
}

void Sorvin_P::Form_Unload() {
  StopTimers();
  if (PlatformWindow* w = form_.window()) SkipOnError([&] { context_.zoomRectOut(w->handle()); });
  loaded_ = false;
}

void Sorvin_P::P_Num_Change() {
  form_.Lbl("lbl_PNum").SetCaption(form_, IntegerText(form_.Bar("P_Num").Value()));
}

void Sorvin_P::P_Num_Scroll() { P_Num_Change(); }

void Sorvin_P::SaveSettings() {
  SkipOnError([&] { *context_.settingText = SignedNumberText(form_.Bar("P_Num").Value()); });
  std::string failure;
  SkipOnError([&] { failure = context_.writeSetting(*context_.settingText); });
  // A choice that could not be stored is said so, not passed off as saved.
  if (!failure.empty()) {
    SkipOnError([&] {
      const std::string caption(layout::DialogWindow().caption);
      const bool systemBox = platform_.Has(Feature::kMessageBoxes);
      if (systemBox &&
          platform_.Desktop().ShowMessage(form_.window() ? form_.window()->handle() : 0, caption, failure)) {
        return;
      }
      // Otherwise the words go where a desktop session keeps a program's
      // words, and where the system has no message box, into one of our own.
      platform_.Process().WriteLog(caption + ": " + failure);
      if (!systemBox) {
        message_ = std::make_unique<MessageWindow>(windows_, form_.text(), caption, failure);
        message_->ShowModal(form_);
      }
    });
  }
}

void Sorvin_P::TileBackground(forms::PictureBox& target) {
  const forms::PictureBox& source = form_.Pic("Pic_Mbl");
  int x = 0, y = 0;
  for (;;) {
    // The sizes are read again in every pass, as the picture boxes report them.
    forms::BitBlt(target.hDC(), x, y, source.Width(), source.Height(), source.hDC(), 0, 0);
    ++tileCopies_;
    if (y > target.Height()) {
      if (x > target.Width()) break;
      x += source.Width();
      y = 0;
    } else {
      y += source.Height();
    }
  }
  form_.Invalidate(target);
}

void Sorvin_P::InitBounceTable() { kal::InitBounceTable(BounceTable); }

void Sorvin_P::Timer1_Timer() {
  forms::PictureBox& Pic1 = form_.Pic("Pic1");
  BannerOffset = BannerTick(BannerText, BannerOffset, BounceTable, form_.Pic("FontPic2").hDC(), Pic1.hDC(),
                            &bannerCells_);
  // The refresh: what the tick drew, not the whole box; the screen gets it
  // with the next push, once a tick.
  for (const PixelRect& r : bannerCells_) form_.Invalidate(Pic1, r);
}

void Sorvin_P::lbl_Button_MouseDown(int Index, int, int, float, float) {
  form_.Img("Img_Button", Index).Picture = form_.Img("Img_ON").Picture;
  form_.Invalidate(form_.Img("Img_Button", Index));
}

void Sorvin_P::lbl_Button_MouseUp(int Index, int, int, float, float) {
  SkipOnError([&] {
    form_.Img("Img_Button", Index).Picture = form_.Img("Img_OFF").Picture;
    form_.Invalidate(form_.Img("Img_Button", Index));
  });
  // The released face gets its one chance to show.
  SkipOnError([&] { windows_.DoEvents(); });
  if (Index == 1) {
    SkipOnError([&] { SaveSettings(); });
    SkipOnError([&] { form_.window()->Unload(); });
    platform_.Process().EndProcess(0);
  } else if (Index == 2) {
    SkipOnError([&] { form_.window()->Unload(); });
    platform_.Process().EndProcess(0);
  }
}

void Sorvin_P::lbl_URL_MouseDown(int, int, float, float) {
  const std::string address = form_.Lbl("lbl_URL").Caption();
  if (platform_.Has(Feature::kOpenDocument))
    platform_.Desktop().OpenDocument(form_.window() ? form_.window()->handle() : 0, address);
}

}  // namespace kal
