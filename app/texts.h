#pragma once

// The fixed texts of the main window: captions, menu items, hints and
// messages, exactly as the user sees them.

#include <string_view>

namespace vornak {

inline constexpr const char* kApplicationTitle = "Vornak";

// Controls.
inline constexpr const char* kSaveImageTo = "Save Image to...";
inline constexpr const char* kRestoreImageFrom = "Restore Image from...";
inline constexpr const char* kBrowse = "Browse...";
inline constexpr const char* kActionBoxCaption = "Action To Perform";
inline constexpr const char* kSaveImageItem = "Save Image";
inline constexpr const char* kRestoreImageItem = "Restore Image";
inline constexpr const char* kActionBoxHint = "Save Image to file or Restore  image to disk.";
inline constexpr const char* kDriveBoxCaption = "Drive";
inline constexpr const char* kDriveBoxHint = "Select drive to use.";
inline constexpr const char* kDriveAItem = "A:";
inline constexpr const char* kDriveBItem = "B:";
inline constexpr const char* kBtnImageDesignCaption = "Save Image of DRIVE A: To File";
inline constexpr const char* kDiskFilesHeading = "Disk Files...";

// The captions that follow the selected action and drive: the big button's,
// and the progress dialog's as the action box sets it and as every other
// trigger sets it.
struct SelectionCaptions {
  const char* button;
  const char* progressByActionBox;
  const char* progress;
};
// Indexed [action][drive].
inline constexpr SelectionCaptions kSelectionCaptions[2][2] = {
    {{"SAVE Image of DRIVE A: To File", "Saving Image of DRIVE A: to File.", "Saving Image of DRIVE A:"},
     {"SAVE Image of DRIVE B: To File", "Saving Image of DRIVE B: to File.", "Saving Image of DRIVE B:"}},
    {{"RESTORE Image To DRIVE A:", "Restoring Image to DRIVE A:", "Restoring Image to DRIVE A:"},
     {"RESTORE Image To DRIVE B:", "Restoring Image to DRIVE B:", "Restoring Image to DRIVE B:"}},
};

// File names.
inline constexpr std::string_view kDefaultExtension = "vnk";
inline constexpr const char* kSaveDialogFilter = "Vornak files (*.vnk)|*.vnk|All files (*.*)|*.*";
inline constexpr const char* kOpenDialogFilter = "Vornak files(*.vnk)|*.vnk|All files (*.*)|*.*";

}  // namespace vornak
