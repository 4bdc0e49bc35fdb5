#include "transfer/questions.h"

namespace vornak {

using platform::Button;
using platform::DialogKind;

std::string DriveText(int driveIndex) { return driveIndex == 0 ? "A:" : "B:"; }

bool CheckDiskInDrive(platform::DriveServices& drives, platform::Dialogs& dialogs,
                      const std::function<void()>& beep, int driveNumber, ImageHeader& header) {
  int64_t capacity = drives.DiskCapacity(driveNumber);
  // Any answer below zero means the drive holds no readable disk.
  while (capacity < 0) {
    beep();
    const Button answer = dialogs.Ask(
        {DialogKind::Warning, "", std::string(kPutFormattedDisk), {Button::Ok, Button::Cancel}});
    if (answer != Button::Ok) return false;
    capacity = drives.DiskCapacity(driveNumber);
  }
  const DiskFormat& format = DiskFormatForCapacity(capacity);
  header.SectorCount = format.SectorCount;
  header.FormatClass = format.FormatClass;
  header.FormatCode = format.FormatCode;
  header.SetFormatName(format.FormatName);
  return true;
}

std::string SaveConfirmationText(std::string_view driveText, std::string_view fileName) {
  std::string text;
  text.append(kSaveConfirmation).append(driveText).append(kToTheFile).append("\n\n").append(fileName);
  return text;
}

std::string RestoreConfirmationText(std::string_view fileName, std::string_view driveText,
                                    std::string_view formatName) {
  std::string text;
  text.append(kRestoreConfirmation)
      .append("\n\n")
      .append(fileName)
      .append(kToDrive)
      .append(driveText)
      .append("\n\n")
      .append(kDiskShouldContain)
      .append(formatName)
      .append("\n\n")
      .append(kDataWillBeLost);
  return text;
}

std::string OverwriteQuestionText() {
  std::string text;
  text.append(kFileExists).append("\n").append(kOverwriteQuestion).append("\n");
  return text;
}

}  // namespace vornak
