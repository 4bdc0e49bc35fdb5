#pragma once

// The about box: the program's picture, name and version, a copyright notice
// and a comment, and an OK button that closes it. Created once at start-up
// and shown modally from the Help menu.

#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/picture.h"

namespace vornak {

inline constexpr const char* kAboutCaption = "About  Vornak";
inline constexpr const char* kProductName = "Vornak";
inline constexpr const char* kCopyrightNotice = "Copyright \u00a9 2026 Vornak";
inline constexpr const char* kComments = "FreeWare";

// "Version " and the version of this build.
QString VersionCaption();

class TAboutBox final : public forms::TForm {
 public:
  TAboutBox();

  forms::TPanel* Panel1;
  forms::TImage* ProgramIcon;
  forms::TLabel* ProductName;
  forms::TLabel* Version;
  forms::TLabel* Copyright;
  forms::TLabel* Comments;
  forms::TButton* OKButton;

 protected:
  // Enter presses OKButton, the box's default button, wherever the focus is.
  void keyPressEvent(QKeyEvent* event) override;
};

inline TAboutBox* AboutBox = nullptr;

}  // namespace vornak
