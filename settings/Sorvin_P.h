// The settings dialog: the particle count on a scroll bar, two image buttons,
// a web link, textured panels and the bouncing credit line.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Form.h"
#include "settings/Banner.h"
#include "settings/MessageWindow.h"
#include "settings/SettingsContext.h"

namespace kal {

class Sorvin_P {
 public:
  Sorvin_P(SettingsContext context, TextRenderer& text);
  ~Sorvin_P();

  // Loads the dialog, shows it and returns when it has been unloaded.
  void ShowModal();
  // Loads the dialog without showing it (tools, tests).
  void LoadOnly();

  // Handlers.
  void Form_Load();
  void Form_Unload();
  void P_Num_Change();
  void P_Num_Scroll();
  void lbl_Button_MouseDown(int Index, int Button, int Shift, float X, float Y);
  void lbl_Button_MouseUp(int Index, int Button, int Shift, float X, float Y);
  void lbl_URL_MouseDown(int Button, int Shift, float X, float Y);
  void Timer1_Timer();

  // Stores the bar's value; a refusal is told in the system's message box,
  // else on stderr and in a MessageWindow over the dialog, and returns once
  // the user has closed it.
  void SaveSettings();
  void TileBackground(forms::PictureBox& target);
  void InitBounceTable();

  // Dialog variables.
  std::string BannerText;
  std::int16_t BannerOffset = 0;
  BounceTableType BounceTable{};

  forms::Form& form() { return form_; }
  bool loaded() const { return loaded_; }
  // How many block copies TileBackground made (the tests count them).
  int tileCopies() const { return tileCopies_; }
  // The message window of a refused save, once one was shown (tests).
  MessageWindow* message() { return message_.get(); }

 private:
  void StartTimers();
  void StopTimers();

  SettingsContext context_;
  Platform& platform_;
  WindowSystem& windows_;
  forms::Form form_;
  bool loaded_ = false;
  int timer1_ = 0;
  int tileCopies_ = 0;
  std::vector<PixelRect> bannerCells_;
  std::unique_ptr<MessageWindow> message_;
};

}  // namespace kal
