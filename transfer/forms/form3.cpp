#include "transfer/forms/form3.h"

#include "transfer/transferflags.h"

namespace vornak {

TForm3::TForm3() : TForm("Form3") {
  SetCaption(kTransferDesignCaption);
  SetBorderStyle(forms::BorderStyle::Dialog);
  SetStayOnTop(true);
  SetPosition(forms::Position::ScreenCenter);
  SetWindowFont(forms::FontOf("MS Sans Serif", 13));
  SetClientSize(389, 118);

  Label1 = new forms::TLabel(Client());
  forms::Place(*Label1, "Label1", 344, 40, 19, 16);
  Label1->SetCaption("0%");

  ProgressBar1 = new forms::TProgressBar(Client());
  forms::Place(*ProgressBar1, "ProgressBar1", 16, 40, 313, 17);
  ProgressBar1->SetMin(0);
  ProgressBar1->SetMax(100);

  BtnCancel = new forms::TButton(Client());
  forms::Place(*BtnCancel, "BtnCancel", 144, 80, 73, 25);
  BtnCancel->SetCaption("Cancel");
  BtnCancel->OnClick = [this] { BtnCancelClick(); };

  OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
}

void TForm3::BtnCancelClick() { CancelRequested = true; }

void TForm3::FormCloseQuery(bool& canClose) { canClose = TransferFinished; }

}  // namespace vornak
