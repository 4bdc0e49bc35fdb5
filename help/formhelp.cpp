#include "help/formhelp.h"

namespace vornak {

TFormHelp::TFormHelp() : TForm("FormHelp") {
  SetCaption(kHelpCaption);
  SetPosition(forms::Position::ScreenCenter);
  SetClientSize(730, 441);
}

}  // namespace vornak
