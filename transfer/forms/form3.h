#pragma once

// The progress dialog shown while a save or a restore runs: a bar, the
// percentage and Cancel. It does no work of its own: Cancel raises
// CancelRequested for the engine to see, and every close is refused until the
// engine has set TransferFinished.

#include "platform/forms/controls.h"
#include "platform/forms/form.h"

namespace vornak {

inline constexpr const char* kTransferDesignCaption = "Saving Image of DRIVE A: to File.";

class TForm3 final : public forms::TForm {
 public:
  TForm3();

  forms::TLabel* Label1;
  forms::TProgressBar* ProgressBar1;
  forms::TButton* BtnCancel;

  void BtnCancelClick();
  void FormCloseQuery(bool& canClose);
};

// The one progress dialog, once it has been created.
inline TForm3* Form3 = nullptr;

}  // namespace vornak
