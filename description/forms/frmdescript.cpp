#include "description/forms/frmdescript.h"

#include "description/description.h"
#include "platform/forms/text.h"

namespace vornak {

TFrmDescript::TFrmDescript() : TForm("FrmDescript") {
  SetCaption(kDescriptionCaption);
  SetBorderStyle(forms::BorderStyle::Dialog);
  SetWindowFont(forms::FontOf("MS Sans Serif", 13));
  SetClientSize(484, 160);
  SetDesignedPosition({229, 116});

  Memo1 = new forms::TMemo(Client());
  forms::Place(*Memo1, "Memo1", 19, 11, 447, 88);
  Memo1->SetMaxLength(static_cast<int>(kMaxDescriptionLength));
  Memo1->SetWordWrap(true);
  Memo1->SetScrollBars(forms::ScrollBars::None);
  Memo1->setTabChangesFocus(true);

  BtnOk = new forms::TButton(Client());
  forms::Place(*BtnOk, "BtnOk", 95, 118, 69, 25);
  BtnOk->SetCaption("Ok");
  BtnOk->OnClick = [this] { BtnOkClick(); };

  BtnCancel = new forms::TButton(Client());
  forms::Place(*BtnCancel, "BtnCancel", 322, 120, 69, 25);
  BtnCancel->SetCaption("Cancel");
  BtnCancel->OnClick = [this] { BtnCancelClick(); };

  setTabOrder(Memo1, BtnOk);
  setTabOrder(BtnOk, BtnCancel);

  // Every description read from an image replaces the box's text.
  SetDescriptionBoxHook([this](const std::string& text) {
    Memo1->Clear();
    if (!text.empty()) Memo1->Append(forms::FromAnsi(text));
  });
}

TFrmDescript::~TFrmDescript() { SetDescriptionBoxHook(nullptr); }

DescriptionAnswer AskForDescription(const std::string& current) {
  if (FrmDescript == nullptr || FrmDescript->ShowModal() != forms::mrOk) return {current, false};
  return {forms::ToAnsi(FrmDescript->Memo1->Lines().join(QString())), true};
}

}  // namespace vornak
