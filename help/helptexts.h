#pragma once

// The fixed texts of the help window and its printout: the caption, the two
// page names (also the headings of the printout), and the instructions on
// each page, line by line with their blanks.

#include <array>

namespace vornak {

inline constexpr const char* kHelpCaption = "Help...Vornak";
inline constexpr const char* kSaveImagePage = "Save Image";
inline constexpr const char* kRestoreImagePage = "Restore Image";
inline constexpr const char* kHelpOkCaption = "Ok";
inline constexpr const char* kHelpPrintCaption = "Print ";

// The printout's title and the row of 45 asterisks between its two sections.
inline constexpr const char* kPrintTitle = "Vornak...Help";
inline constexpr const char* kPrintSeparator = "*********************************************";

// The instructions of the "Save Image" page.
inline constexpr std::array<const char*, 30> kSaveImageHelp{
    "Step 1: ",
    "             Insert the required disk in the drive you intend to use (A: or B:)  .",
    "To check the contents of the disk , go to:   Edit->Display Files->From Disk.",
    "(Note: This will ONLY show the files in the root directory.)",
    "",
    "Step 2:  ",
    "             Select the drive to use by clicking on the appropriate letter (A: or B:),",
    "in the drive box, or by selecting from the \"File\" menu.",
    "",
    "Step 3:",
    "             Check that \"Save Image\" is selected in the \"Action to Perform\" box,",
    "",
    "Step 4:",
    "             Enter a file name in the \"Save Image to...\" field, either by typing directly",
    "in the box or by clicking \"Browse\" and selecting from the dialog box.",
    "",
    "Note: If you would like to enter a description or some other text that will be",
    "included with the image make sure: Options->Include Description  is checked.",
    "To change an existing description or add a description to an existing image,",
    "select the file name as in Step 4, then go to  Options->Edit Description.",
    "",
    "Step 5:",
    "              Note the long button near the bottom of the window, as you change ",
    "actions and drives, the procedure to be performed is displayed on this button ,",
    "IE: \"Save Image of DRIVE A: to File.\"",
    "Click this button to begin saving the disk image to file OR select",
    "Options -> Save Image-> Save From  A:  (or B:)",
    "While the copy is proceeding, a progress bar will indicate the percentage ",
    "completed.",
    "You may end the procedure by clicking the \"Cancel\" button.",
};

// The instructions of the "Restore Image" page.
inline constexpr std::array<const char*, 29> kRestoreImageHelp{
    "Step 1: ",
    "             Insert a formatted disk in the drive you intend to use (A: or B:)  . Any data",
    "already on the disk will be overwritten by the new image.",
    "To check the contents of the disk ,go to Edit->Display Files->From Disk",
    "(Note: This will ONLY show the files in the root directory.)",
    "",
    "Step 2: ",
    "              Select the drive to use by clicking on the appropriate letter (A: or B:),",
    "in the drive box, or by selecting from the \"File\" menu.",
    "",
    "Step 3:",
    "             Check that \"Restore Image\" is selected in the \"Action to Perform\" box.",
    "",
    "Step 4:",
    "              Enter a file name in the \"Restore Image from...\"  field, either by typing ",
    "directly   in the box or by clicking \"Browse\" and selecting from the  dialog box.",
    "To check which files are  contained in the image file go to:  ",
    " Edit->Display Files->From Image",
    "(Note: This will ONLY show the files in the root directory.)",
    "",
    "Step 5: ",
    "             Note the long button near the bottom of the window, as you change ",
    "actions and drives, the procedure to be performed is displayed on this button,",
    " IE: \"Restore Image to DRIVE A: \"",
    "Click this button to begin restoring the image to disk  OR select ",
    "Options -> Restore Image -> Restore to A: (or B:)",
    "While the restore is proceeding, a progress bar will indicate the  percentage  ",
    "completed.",
    "You may end the procedure by clicking the \"Cancel\" button. ",
};

}  // namespace vornak
