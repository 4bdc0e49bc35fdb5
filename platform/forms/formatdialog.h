#pragma once

// The system's format dialog: formats the disk in a drive with a capacity, a
// volume label and a quick or full format, shows the progress of a full format
// and reports the outcome in a message box. Start may be pressed again for
// another disk; Close ends the dialog (during a full format it cancels it).

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "platform/dialogs.h"
#include "platform/driveservices.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

namespace vornak::forms {

class TFormatDialog final : public TForm {
 public:
  TFormatDialog(platform::DriveServices& drives, platform::Dialogs& dialogs, int driveIndex);

  // The capacity chosen, in KB.
  int CapacityKb() const;
  void SetCapacityKb(int kb);
  bool Formatting() const { return formatting_; }

  QComboBox* Capacity;
  QLineEdit* VolumeLabel;
  QCheckBox* QuickFormat;
  TProgressBar* ProgressBar;
  TButton* BtnStart;
  TButton* BtnClose;

 private:
  void BtnStartClick();
  void BtnCloseClick();
  bool Progress(int done, int total);
  void SetFormatting(bool formatting);

  platform::DriveServices& drives_;
  platform::Dialogs& dialogs_;
  int driveIndex_;
  bool formatting_ = false;
  bool cancelRequested_ = false;
};

// The texts of the dialog, by drive text ("A:").
QString FormatDialogCaption(const QString& drive);
std::string FormatCompleteText(const QString& drive, int capacityKb, const QString& label);
std::string FormatFailedText(const QString& drive, const std::string& reason);
std::string FormatCancelledText(const QString& drive);

}  // namespace vornak::forms
