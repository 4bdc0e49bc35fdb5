#include "platform/forms/formatdialog.h"

#include <QCoreApplication>
#include <QLabel>
#include <array>

#include "platform/forms/application.h"
#include "platform/forms/text.h"

namespace vornak::forms {
namespace {

struct CapacityChoice {
  int kb;
  const char* text;
};
constexpr std::array<CapacityChoice, 4> kCapacities{{
    {1440, "1.44 MB (3.5\")"},
    {1200, "1.2 MB (5.25\")"},
    {720, "720 KB (3.5\")"},
    {360, "360 KB (5.25\")"},
}};

constexpr int kVolumeLabelLength = 11;

QString DriveText(int driveIndex) { return driveIndex == 0 ? "A:" : "B:"; }

QString CapacityText(int kb) {
  for (const CapacityChoice& choice : kCapacities) {
    if (choice.kb == kb) return choice.text;
  }
  return QString::number(kb) + " KB";
}

}  // namespace

QString FormatDialogCaption(const QString& drive) { return "Format Drive " + drive; }

std::string FormatCompleteText(const QString& drive, int capacityKb, const QString& label) {
  return ("Format of drive " + drive + " complete.\n\nCapacity: " + CapacityText(capacityKb) +
          "\nVolume label: " + (label.isEmpty() ? QString("(none)") : label))
      .toStdString();
}

std::string FormatFailedText(const QString& drive, const std::string& reason) {
  return ("Drive " + drive + " was not formatted.\n\n").toStdString() + reason;
}

std::string FormatCancelledText(const QString& drive) {
  return ("The format of drive " + drive + " was cancelled.").toStdString();
}

TFormatDialog::TFormatDialog(platform::DriveServices& drives, platform::Dialogs& dialogs, int driveIndex)
    : TForm("FormatDialog"), drives_(drives), dialogs_(dialogs), driveIndex_(driveIndex) {
  SetCaption(FormatDialogCaption(DriveText(driveIndex)));
  SetBorderStyle(BorderStyle::Dialog);
  SetPosition(Position::ScreenCenter);
  SetClientSize(300, 230);

  auto* capacityLabel = new QLabel("&Capacity:", Client());
  capacityLabel->setGeometry(16, 12, 268, 18);
  Capacity = new QComboBox(Client());
  Place(*Capacity, "Capacity", 16, 32, 268, 26);
  for (const CapacityChoice& choice : kCapacities) Capacity->addItem(choice.text, choice.kb);
  capacityLabel->setBuddy(Capacity);
  SetCapacityKb(drives_.StandardCapacityKb(driveIndex));

  auto* labelLabel = new QLabel("&Volume label:", Client());
  labelLabel->setGeometry(16, 68, 268, 18);
  VolumeLabel = new QLineEdit(Client());
  Place(*VolumeLabel, "VolumeLabel", 16, 88, 268, 24);
  VolumeLabel->setMaxLength(kVolumeLabelLength);
  labelLabel->setBuddy(VolumeLabel);

  QuickFormat = new QCheckBox("&Quick Format", Client());
  Place(*QuickFormat, "QuickFormat", 16, 122, 268, 22);

  ProgressBar = new TProgressBar(Client());
  Place(*ProgressBar, "ProgressBar", 16, 154, 268, 17);

  BtnStart = new TButton(Client());
  Place(*BtnStart, "BtnStart", 60, 188, 80, 28);
  BtnStart->SetCaption("&Start");
  BtnStart->OnClick = [this] { BtnStartClick(); };
  BtnClose = new TButton(Client());
  Place(*BtnClose, "BtnClose", 160, 188, 80, 28);
  BtnClose->SetCaption("Close");
  BtnClose->OnClick = [this] { BtnCloseClick(); };

  // Closing the window during a full format asks the format to stop instead.
  OnCloseQuery = [this](bool& canClose) {
    if (formatting_) cancelRequested_ = true;
    canClose = !formatting_;
  };
}

int TFormatDialog::CapacityKb() const { return Capacity->currentData().toInt(); }

void TFormatDialog::SetCapacityKb(int kb) {
  const int index = Capacity->findData(kb);
  Capacity->setCurrentIndex(index >= 0 ? index : 0);
}

void TFormatDialog::SetFormatting(bool formatting) {
  formatting_ = formatting;
  Capacity->setEnabled(!formatting);
  VolumeLabel->setEnabled(!formatting);
  QuickFormat->setEnabled(!formatting);
  BtnStart->setEnabled(!formatting);
  BtnClose->SetCaption(formatting ? "Cancel" : "Close");
}

bool TFormatDialog::Progress(int done, int total) {
  ProgressBar->SetMax(total);
  ProgressBar->SetPosition(done);
  if (Application != nullptr) {
    Application->ProcessMessages();
  } else {
    QCoreApplication::processEvents();
  }
  return !cancelRequested_;
}

void TFormatDialog::BtnStartClick() {
  platform::FormatRequest request;
  request.driveIndex = driveIndex_;
  request.capacityKb = CapacityKb();
  request.label = ToAnsi(VolumeLabel->text().trimmed().toUpper());
  request.quick = QuickFormat->isChecked();

  cancelRequested_ = false;
  ProgressBar->SetPosition(0);
  SetFormatting(true);
  const Status formatted =
      drives_.Format(request, [this](int done, int total) { return Progress(done, total); });
  SetFormatting(false);

  const QString drive = DriveText(driveIndex_);
  if (formatted) {
    ProgressBar->SetPosition(ProgressBar->Max());
    dialogs_.ShowMessage(FormatCompleteText(drive, request.capacityKb, FromAnsi(request.label)));
  } else if (cancelRequested_) {
    dialogs_.ShowMessage(FormatCancelledText(drive));
  } else {
    dialogs_.ShowMessage(FormatFailedText(drive, formatted.message()));
  }
}

void TFormatDialog::BtnCloseClick() {
  if (formatting_) {
    cancelRequested_ = true;
    return;
  }
  Close();
}

}  // namespace vornak::forms
