#include "help/aboutbox.h"

namespace vornak {

TAboutBox::TAboutBox() : TForm("AboutBox") {
  SetCaption(kAboutCaption);
  SetBorderStyle(forms::BorderStyle::Dialog);
  SetPosition(forms::Position::ScreenCenter);
  SetClientSize(367, 241);
}

}  // namespace vornak
