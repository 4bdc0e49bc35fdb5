#pragma once

// The main window: the choice of action and drive, the image file name, the
// output area for listings, and the menus that reach everything else. It owns
// the current image file name, its description and the header of the disk in
// the selected drive for the whole run.

#include <cstdint>
#include <memory>
#include <string>

#include "image/imageformat.h"
#include "inspect/displayimgfiles.h"
#include "platform/dialogs.h"
#include "platform/driveservices.h"
#include "platform/files.h"
#include "platform/forms/controls.h"
#include "platform/forms/desktop.h"
#include "platform/forms/form.h"
#include "platform/forms/menus.h"

namespace vornak {

// The item indexes of ActionBox and DriveBox.
inline constexpr int kSaveAction = 0;
inline constexpr int kRestoreAction = 1;
inline constexpr int kDriveA = 0;
inline constexpr int kDriveB = 1;

// The integer part of a x p / 100, worked out in extended precision as
// (a x p) x 0.01 with p the double nearest the decimal percentage.
int PercentOf(int a, double p);
// (pixels div 4) x factor in extended precision, truncated: the main window's
// size from the screen's.
int ScaledScreenSize(int pixels, double factor);

enum class Confirmation { Ok, Cancel, Failed };

// Memo3 with its heading LblDisplay: where the listings and the bad-sector
// report write. Lines are bytes in the ANSI code page.
class OutputArea final : public ListingOutput {
 public:
  OutputArea(forms::TMemo& memo, forms::TLabel& heading) : memo_(memo), heading_(heading) {}
  void AppendLine(const std::string& line) override;
  void ShowHeading(const std::string& caption) override;

 private:
  forms::TMemo& memo_;
  forms::TLabel& heading_;
};

class TForm1 final : public forms::TForm {
 public:
  struct Services {
    platform::Dialogs& dialogs;
    platform::DriveServices& drives;
    forms::Desktop& desktop;
    platform::FileSystem& files;
  };
  explicit TForm1(const Services& services);
  ~TForm1() override;

  // Controls.
  forms::TLabel* LblFileName;
  forms::TEdit* EditFileName;
  forms::TButton* BtnBrowse;
  forms::TPanel* Panel1;
  forms::TRadioGroup* ActionBox;
  forms::TRadioGroup* DriveBox;
  forms::TButton* BtnImage;
  forms::TMemo* Memo3;
  forms::TLabel* LblDisplay;

  // The main menu.
  forms::TMainMenu* MainMenu1;
  forms::TMenuItem* File1;
  forms::TMenuItem* Open1;
  forms::TMenuItem* Save1;
  forms::TMenuItem* N2;
  forms::TMenuItem* ADrive1;
  forms::TMenuItem* BDrive1;
  forms::TMenuItem* N1;
  forms::TMenuItem* Quit1;
  forms::TMenuItem* Edit1;
  forms::TMenuItem* DisplayFiles1;
  forms::TMenuItem* FromDisk1;
  forms::TMenuItem* FromImage1;
  forms::TMenuItem* N4;
  forms::TMenuItem* FormatA;
  forms::TMenuItem* FormatB;
  forms::TMenuItem* Options1;
  forms::TMenuItem* SaveImageofDriveA1;
  forms::TMenuItem* SaveFromA;
  forms::TMenuItem* SaveFromB;
  forms::TMenuItem* SaveImageofDriveB1;
  forms::TMenuItem* RestoreToA;
  forms::TMenuItem* RestoreToB;
  forms::TMenuItem* IncludeDescription1;
  forms::TMenuItem* EditDescription1;
  forms::TMenuItem* Help1;
  forms::TMenuItem* Help2;
  forms::TMenuItem* About1;

  // The window's state.
  std::string ImageFileName;     // a path, as EditFileName shows it
  std::string ImageDescription;  // bytes in the ANSI code page
  ImageHeader DiskHeader;

  // Memo3 and LblDisplay, for the listings and the transfers.
  ListingOutput& Output() { return *output_; }
  platform::Dialogs& Dialogs() { return services_.dialogs; }

  // Start-up and layout.
  void FormCreate();
  void FormResize() { LayoutControls(); }
  void FormPaint() { LayoutControls(); }
  void LayoutControls();
  void Quit1Click();
  void Help2Click();
  void About1Click();

  // Selection of action and drive, and the questions before an operation.
  void ActionBoxClick();
  void DriveBoxClick() { UpdateDriveSelection(); }
  void ADrive1Click();
  void BDrive1Click();
  void UpdateDriveSelection();
  // driveNumber: 1 = A:, 2 = B:. True once DiskHeader describes the disk in
  // the drive; false when the user gives up.
  bool CheckDiskInDrive(int driveNumber);
  Confirmation ConfirmOperation(int action, const std::string& driveText);
  bool ConfirmOverwrite();

  // The image file name.
  void EditFileNameChange();
  void EditFileNameExit() { ApplyFileNameEntry(); }
  void EditFileNameKeyUp(int key);
  void BtnBrowseClick();
  void Open1Click() { ChooseImageFile(platform::FileDialogType::Open); }
  void Save1Click() { ChooseImageFile(platform::FileDialogType::Save); }
  void ApplyFileNameEntry();
  void AddDefaultExtension();
  void ChooseImageFile(platform::FileDialogType type);

  // Listings and formatting.
  void FromDisk1Click() { ListDiskFiles(); }
  void FromImage1Click();
  void FormatAClick() { FormatDrive(kDriveA); }
  void FormatBClick() { FormatDrive(kDriveB); }
  void ListDiskFiles();
  void FormatDrive(int driveIndex);

  // The description.
  void IncludeDescription1Click();
  void EditDescription1Click();

  // Starting a save or a restore: the big button runs the selected action on
  // the selected drive; each Options command selects its own first.
  void BtnImageClick();
  void SaveFromAClick() { RunOptionsCommand(kSaveAction, kDriveA); }
  void SaveFromBClick() { RunOptionsCommand(kSaveAction, kDriveB); }
  void RestoreToAClick() { RunOptionsCommand(kRestoreAction, kDriveA); }
  void RestoreToBClick() { RunOptionsCommand(kRestoreAction, kDriveB); }
  // Locks the window, runs the selected operation, closes the progress
  // dialog and unlocks the window again, whatever happened.
  void StartOperation();

 private:
  void RunOptionsCommand(int action, int driveIndex);
  // The disk check, the confirmations and StartOperation.
  void RunOperation(int action, int driveIndex);
  // Disables BtnImage and BtnBrowse and hides the four menus, or undoes it.
  void SetLocked(bool locked);

  void CreateControls();
  void CreateMenus();
  void SetTabOrder();
  void SetSelectionCaptions(bool byActionBox);
  // Lists an existing image into Memo3 and takes its description.
  void TakeExistingImage();

  Services services_;
  std::unique_ptr<OutputArea> output_;
};

// The main window, once it has been created.
inline TForm1* Form1 = nullptr;

}  // namespace vornak
