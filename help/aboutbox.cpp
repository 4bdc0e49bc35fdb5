#include "help/aboutbox.h"

#include <QKeyEvent>

#include "platform/forms/icons.h"

namespace vornak {
namespace {

forms::TLabel* NewLabel(QWidget* parent, const QString& name, int left, int top, const QString& caption) {
  auto* label = new forms::TLabel(parent);
  forms::Place(*label, name, left, top, 0, 0);
  label->SetCaption(caption);
  return label;
}

}  // namespace

QString VersionCaption() { return QString("Version ") + VORNAK_VERSION; }

TAboutBox::TAboutBox() : TForm("AboutBox") {
  SetCaption(kAboutCaption);
  SetBorderStyle(forms::BorderStyle::Dialog);
  SetPosition(forms::Position::ScreenCenter);
  SetWindowFont(forms::FontOf("MS Sans Serif", 14));
  SetClientSize(367, 241);
  // The dialog border is of a fixed size: the user cannot resize or maximise it.
  setFixedSize(size());

  Panel1 = new forms::TPanel(Client());
  forms::Place(*Panel1, "Panel1", 10, 10, 346, 167);
  Panel1->SetBevels(forms::Bevel::Raised, forms::Bevel::Lowered);

  ProgramIcon = new forms::TImage(Panel1);
  forms::Place(*ProgramIcon, "ProgramIcon", 10, 10, 100, 100);
  ProgramIcon->SetPicture(forms::ProgramPicture());

  ProductName = NewLabel(Panel1, "ProductName", 132, 20, kProductName);
  Version = NewLabel(Panel1, "Version", 132, 49, VersionCaption());
  Copyright = NewLabel(Panel1, "Copyright", 130, 98, kCopyrightNotice);
  // The comment wraps within the panel, below the copyright notice.
  Comments = new forms::TLabel(Panel1);
  Comments->SetAutoSize(false);
  Comments->setWordWrap(true);
  forms::Place(*Comments, "Comments", 130, 128, 346 - 130 - 10, 167 - 128 - 10);
  Comments->SetCaption(kComments);

  OKButton = new forms::TButton(Client());
  forms::Place(*OKButton, "OKButton", 137, 198, 92, 30);
  OKButton->SetCaption("OK");
  OKButton->setDefault(true);
  OKButton->OnClick = [this] { SetModalResult(forms::mrOk); };
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
  if (forms::IsEnter(*event) && OKButton->isEnabled()) {
    OKButton->click();
    return;
  }
  TForm::keyPressEvent(event);
}

}  // namespace vornak
