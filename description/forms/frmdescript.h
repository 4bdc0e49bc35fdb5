#pragma once

// The description editor: a box of up to 256 characters with Ok and Cancel.
// The box keeps its text between showings and shows every description that
// ReadDescription reads.

#include <string>

#include "platform/forms/controls.h"
#include "platform/forms/form.h"

namespace vornak {

inline constexpr const char* kDescriptionCaption = " Image Description ";

class TFrmDescript final : public forms::TForm {
 public:
  TFrmDescript();
  ~TFrmDescript() override;

  forms::TMemo* Memo1;
  forms::TButton* BtnOk;
  forms::TButton* BtnCancel;

  void BtnOkClick() { SetModalResult(forms::mrOk); }
  void BtnCancelClick() { SetModalResult(forms::mrCancel); }
};

// The one description editor, once it has been created.
inline TFrmDescript* FrmDescript = nullptr;

struct DescriptionAnswer {
  std::string text;      // bytes in the ANSI code page
  bool accepted = false; // the user pressed Ok
};

// Shows the editor modally. On Ok, the box's lines joined with nothing
// between them; otherwise `current`, unchanged. The box keeps what the user
// left in it either way.
DescriptionAnswer AskForDescription(const std::string& current);

}  // namespace vornak
