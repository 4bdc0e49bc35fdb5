#pragma once

// The check and the questions that come before a save or a restore, shared by
// the window and vnk: a formatted disk in the drive, the confirmation of the
// operation, and the question before an existing image is replaced.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "image/imageformat.h"
#include "platform/dialogs.h"
#include "platform/driveservices.h"

namespace vornak {

inline constexpr std::string_view kPutFormattedDisk = "Please put a Formatted disk in selected drive.";
inline constexpr std::string_view kSaveConfirmation = "THIS WILL SAVE AN IMAGE OF DRIVE ";
inline constexpr std::string_view kToTheFile = " to the file ";
inline constexpr std::string_view kRestoreConfirmation = "THIS WILL WRITE THE IMAGE CONTAINED IN FILE, ";
inline constexpr std::string_view kToDrive = "   TO DRIVE ";
inline constexpr std::string_view kDiskShouldContain = "Disk drive should contain a ";
inline constexpr std::string_view kDataWillBeLost = "WARNING: ANY EXISTING DATA ON THIS DISK WILL BE LOST.";
inline constexpr std::string_view kFileExists = "A file with this name already exists";
inline constexpr std::string_view kOverwriteQuestion = "Do you wish to over write it ?";
inline constexpr std::string_view kSelectFileNameFirst = "Please select a file name first.";

// "A:" or "B:" for drive index 0 or 1.
std::string DriveText(int driveIndex);

// Asks the drive layer for the capacity of the disk in drive `driveNumber`
// (1 = A:, 2 = B:); while there is no readable disk, beeps and asks for a
// formatted one (OK asks again, Cancel gives up). On success copies the
// format's row into `header`, its name zero-filled.
bool CheckDiskInDrive(platform::DriveServices& drives, platform::Dialogs& dialogs,
                      const std::function<void()>& beep, int driveNumber, ImageHeader& header);

// The confirmation texts, composed without any length limit.
std::string SaveConfirmationText(std::string_view driveText, std::string_view fileName);
std::string RestoreConfirmationText(std::string_view fileName, std::string_view driveText,
                                    std::string_view formatName);
std::string OverwriteQuestionText();

}  // namespace vornak
