#pragma once

// The help window: two pages of instructions, one for saving a disk to an
// image and one for restoring an image to a disk, that can be printed on the
// default printer. Created once at start-up and shown modally from the Help
// menu; it keeps its size and its shown page between showings.

#include "help/helptexts.h"
#include "platform/dialogs.h"
#include "platform/forms/controls.h"
#include "platform/forms/desktop.h"
#include "platform/forms/form.h"
#include "platform/forms/pages.h"
#include "platform/forms/printer.h"

namespace vornak {

// The distance between printed lines: the page holds N = pageHeight div
// fontHeight lines of the font's height, and each step is a page's N-th part
// plus 8 pixels. A page shorter than one line counts as holding one.
int PrintLineStep(int pageHeight, int fontHeight);

class TFormHelp final : public forms::TForm {
 public:
  // Sizes itself from the desktop's screen; prints on `printer` and tells
  // through `dialogs` when it cannot.
  TFormHelp(forms::Desktop& desktop, platform::Dialogs& dialogs, forms::Printer& printer);

  forms::TPageControl* PageControl1;
  forms::TTabSheet* TabSheet1;
  forms::TMemo* Memo1;
  forms::TTabSheet* TabSheet2;
  forms::TMemo* Memo2;
  forms::TButton* BtnOk;
  forms::TButton* BtnPrint;

  void FormCreate();
  void FormResize() { LayoutControls(); }
  void BtnOkClick() { Close(); }
  // Prints both pages as one job of one page, leaving the "Restore Image"
  // page shown.
  void BtnPrintClick();

 private:
  void CreateControls();
  // Places the page control, the two text boxes and the buttons from the
  // window's outer size.
  void LayoutControls();

  forms::Desktop& desktop_;
  platform::Dialogs& dialogs_;
  forms::Printer& printer_;
};

inline TFormHelp* FormHelp = nullptr;

}  // namespace vornak
