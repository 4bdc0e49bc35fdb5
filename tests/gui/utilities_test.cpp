// The Edit menu: listing the disk and the image, and formatting a drive.

#include <cstdlib>

#include "app/form1.h"
#include "platform/drivetable.h"
#include "platform/forms/formatdialog.h"
#include "tests/gui/guifixtures.h"
#include "tests/support/fixtures.h"

namespace vornak {
namespace {

using platform::Button;
using platform::DiskEntry;
using platform::FormatRequest;

class UtilitiesTest : public test::WindowTest {};

TEST_F(UtilitiesTest, FromDiskListsTheSelectedDriveMarkingPlainFolders) {
  drives.entries[1] = std::vector<DiskEntry>{
      {".", 16},          {"DOCS", 16},      {"HIDDEN", 18},         {"READONLY", 17},
      {"ARCHIVED", 48},   {"README.TXT", 32}, {"Caf\xC3\xA9 menu.txt", 32},
  };
  Form1->DriveBox->SetItemIndex(kDriveB);
  Form1->FromDisk1->Click();
  EXPECT_EQ(drives.listed, std::vector<int>{kDriveB});
  EXPECT_EQ(Form1->Memo3->Lines(), (QStringList{".   <Dir>", "DOCS   <Dir>", "HIDDEN", "READONLY", "ARCHIVED",
                                                "README.TXT", "Caf\u00e9 menu.txt"}));
  EXPECT_TRUE(Form1->LblDisplay->isVisibleTo(Form1));
  EXPECT_EQ(Form1->LblDisplay->Caption(), "Disk Files...");
}

TEST_F(UtilitiesTest, ADiskWithNothingToListLeavesTheHeadingAsItWas) {
  test::TempDir dir;
  const std::string image = dir.File("listed.vnk");
  test::WriteImage(image, {test::ShortEntry("COMMAND COM")});
  Form1->ImageFileName = image;
  Form1->FromImage1Click();
  ASSERT_EQ(Form1->LblDisplay->Caption(), "Image Files...");

  for (const auto& answer : {std::optional<std::vector<DiskEntry>>{}, std::optional(std::vector<DiskEntry>{})}) {
    drives.entries[0] = answer;
    Form1->FromDisk1->Click();
    EXPECT_EQ(Form1->Memo3->Lines(), QStringList());
    EXPECT_EQ(Form1->LblDisplay->Caption(), "Image Files...");
    EXPECT_TRUE(Form1->LblDisplay->isVisibleTo(Form1));
  }
}

TEST_F(UtilitiesTest, FromImageListsOnlyANamedFile) {
  Form1->Memo3->SetLines({"KEPT"});
  Form1->FromImage1Click();  // no name: nothing at all
  EXPECT_EQ(Form1->Memo3->Lines(), QStringList{"KEPT"});

  test::TempDir dir;
  Form1->ImageFileName = dir.File("gone.vnk");
  Form1->FromImage1Click();
  EXPECT_EQ(Form1->Memo3->Lines(), QStringList());
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"ERROR opening file  " + dir.File("gone.vnk")});
}

// The real drive layer with drive A: backed by the image file `floppy`, and
// no machine drive in sight.
struct VirtualDriveA {
  VirtualDriveA(const test::TempDir& dir, const std::string& floppy)
      : table(platform::DriveTable::FromSettings(Settings(dir, floppy))),
        services(platform::MakeDriveServices(table)) {}
  static platform::DriveSettings Settings(const test::TempDir& dir, const std::string& floppy) {
    platform::DriveSettings settings;
    settings.driveA = floppy;
    settings.devRoot = dir.File("dev");
    settings.sysfsRoot = dir.File("sys");
    settings.dataHome = dir.File("data");
    return settings;
  }
  platform::DriveTable table;
  std::unique_ptr<platform::DriveServices> services;
};

// The listing on the real drive layer: a virtual drive holding a disk that
// mtools made, with a long name that is not ASCII.
TEST(FromDiskOnAVirtualDriveTest, ListsTheNamesAsTheFileSystemHoldsThem) {
  if (test::ToolPath("mkfs.fat").empty() || test::ToolPath("mcopy").empty()) {
    GTEST_SKIP() << "mkfs.fat and mtools are needed";
  }
  test::TempDir dir;
  const std::string floppy = dir.File("drive-a.img");
  test::MakeFatDisk(floppy, 1440, "LISTED");
  test::Mtools("mmd", {"-i", floppy, "::DOCS"});
  test::PutFile(floppy, "::Caf\xC3\xA9 menu.txt", test::BytesOf("soup"));
  test::PutFile(floppy, "::README.TXT", test::BytesOf("read me"));
  VirtualDriveA drive(dir, floppy);
  platform::DriveServices* drives = drive.services.get();
  platform::ScriptedDialogs dialogs;
  test::FakeDesktop desktop;

  TForm1 form({dialogs, *drives, desktop, platform::RealFileSystem()});
  form.FromDisk1->Click();
  EXPECT_EQ(form.Memo3->Lines(), (QStringList{"DOCS   <Dir>", "Caf\u00e9 menu.txt", "README.TXT"}));
  EXPECT_EQ(form.LblDisplay->Caption(), "Disk Files...");
}

// Runs the next format dialog: sets it up with `fill`, presses Start, then Close.
void FormatOnce(test::ScriptedModals& modals, std::function<void(forms::TFormatDialog&)> fill,
                QString* caption = nullptr, int* offeredKb = nullptr) {
  modals.Then([=](forms::TForm& form) {
    auto& dialog = dynamic_cast<forms::TFormatDialog&>(form);
    if (caption != nullptr) *caption = dialog.Caption();
    if (offeredKb != nullptr) *offeredKb = dialog.CapacityKb();
    fill(dialog);
    dialog.BtnStart->click();
    dialog.BtnClose->click();
    return dialog.ModalResult();
  });
}

TEST_F(UtilitiesTest, FormatAAndFormatBFormatTheirOwnDriveWhateverIsSelected) {
  drives.standardKb[0] = 720;
  drives.standardKb[1] = 1200;
  struct Case {
    forms::TMenuItem* TForm1::*command;
    std::function<void(forms::TFormatDialog&)> fill;
    QString caption;
    int offeredKb;
    // What the request must say. Spelled out rather than as a FormatRequest:
    // GCC 12 takes its label for uninitialised in this table at -O2 (-Wmaybe-uninitialized).
    int driveIndex;
    int capacityKb;
    std::string label;
    bool quick;
    std::string summary;
  };
  const Case cases[] = {
      {&TForm1::FormatA,
       [](forms::TFormatDialog& dialog) {
         dialog.VolumeLabel->setText("work disk");
         dialog.QuickFormat->setChecked(true);
       },
       "Format Drive A:", 720, 0, 720, "WORK DISK", true,
       "Format of drive A: complete.\n\nCapacity: 720 KB (3.5\")\nVolume label: WORK DISK"},
      {&TForm1::FormatB, [](forms::TFormatDialog& dialog) { dialog.SetCapacityKb(360); },
       "Format Drive B:", 1200, 1, 360, "", false,
       "Format of drive B: complete.\n\nCapacity: 360 KB (5.25\")\nVolume label: (none)"},
  };
  // The selected drive has no say.
  Form1->DriveBox->SetItemIndex(kDriveB);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption.toStdString());
    drives.formats.clear();
    dialogs.asked.clear();
    QString caption;
    int offered = 0;
    FormatOnce(modals, c.fill, &caption, &offered);
    (Form1->*c.command)->Click();
    EXPECT_EQ(caption, c.caption);
    EXPECT_EQ(offered, c.offeredKb);
    ASSERT_EQ(drives.formats.size(), 1u);
    const FormatRequest& made = drives.formats[0];
    EXPECT_EQ(made.driveIndex, c.driveIndex);
    EXPECT_EQ(made.capacityKb, c.capacityKb);
    EXPECT_EQ(made.label, c.label);
    EXPECT_EQ(made.quick, c.quick);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{c.summary});
  }
  EXPECT_EQ(modals.shown, (std::vector<QString>{"FormatDialog", "FormatDialog"}));
}

TEST_F(UtilitiesTest, TheFormatDialogReportsFailuresAndCancelsAFullFormat) {
  drives.formatResult = Failure{"Drive A: holds a write-protected disk."};
  FormatOnce(modals, [](forms::TFormatDialog&) {});
  Form1->FormatA->Click();
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{
                                 "Drive A: was not formatted.\n\nDrive A: holds a write-protected disk."});

  // Cancel during a full format: the progress stops where it was, and the
  // dialog stays open for another try.
  dialogs.asked.clear();
  drives.formatResult = Ok();
  drives.formatSteps = 10;
  int barAtCancel = -1;
  bool stillOpen = false;
  modals.Then([&](forms::TForm& form) {
    auto& dialog = dynamic_cast<forms::TFormatDialog&>(form);
    drives.onFormatStep = [&](int step) {
      if (step != 3) return;
      EXPECT_TRUE(dialog.Formatting());
      EXPECT_EQ(dialog.BtnClose->Caption(), "Cancel");
      EXPECT_FALSE(dialog.BtnStart->isEnabled());
      barAtCancel = dialog.ProgressBar->Position();
      dialog.BtnClose->click();
    };
    dialog.BtnStart->click();
    stillOpen = !dialog.Formatting() && dialog.BtnStart->isEnabled() && dialog.BtnClose->Caption() == "Close";
    return forms::mrCancel;
  });
  Form1->FormatA->Click();
  EXPECT_EQ(barAtCancel, 2);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"The format of drive A: was cancelled."});
}

// The dialog on the real drive layer: a virtual drive holding a blank disk is
// formatted to each capacity in turn, and every result is a sound FAT12 disk
// that the disk check then takes for the format it was given.
TEST(FormatDialogOnAVirtualDriveTest, GivesDisksThatFsckCallsCleanInTheirOwnRow) {
  if (test::ToolPath("fsck.fat").empty()) GTEST_SKIP() << "fsck.fat is not installed";
  test::TempDir dir;
  const std::string floppy = dir.File("drive-a.img");
  test::WriteBytes(floppy, test::Bytes(737'280, 0));
  VirtualDriveA drive(dir, floppy);
  platform::DriveServices* drives = drive.services.get();
  ASSERT_EQ(drives->LogicalDriveMask() & 1u, 1u);

  struct Case {
    int kb;
    bool quick;
    int formatCode;
  };
  const Case cases[] = {{1440, false, 1}, {1200, true, 2}, {720, true, 3}, {360, true, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kb);
    platform::ScriptedDialogs dialogs;
    forms::TFormatDialog dialog(*drives, dialogs, kDriveA);
    dialog.SetCapacityKb(c.kb);
    dialog.VolumeLabel->setText("backup");
    dialog.QuickFormat->setChecked(c.quick);
    dialog.BtnStart->click();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text.rfind("Format of drive A: complete.", 0), 0u) << dialogs.asked[0].text;
    // A full format runs the bar over every sector of the disk.
    if (!c.quick) {
      EXPECT_EQ(dialog.ProgressBar->Max(), kDiskFormats[0].SectorCount);
    }
    EXPECT_EQ(dialog.ProgressBar->Position(), dialog.ProgressBar->Max());

    EXPECT_EQ(test::ReadBytes(floppy).size(), static_cast<std::size_t>(c.kb) * 1024);
    const test::CommandResult fsck = test::Run({"fsck.fat", "-n", floppy});
    EXPECT_EQ(fsck.exitCode, 0) << fsck.out << fsck.err;
    if (!test::ToolPath("mlabel").empty()) {
      ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
      EXPECT_EQ(test::Run({"mlabel", "-i", floppy, "-s", "::"}).out, " Volume label is BACKUP     \n");
    }
    EXPECT_EQ(DiskFormatForCapacity(drives->DiskCapacity(1)).FormatCode, c.formatCode);
    EXPECT_EQ(drives->StandardCapacityKb(kDriveA), c.kb);
  }
}

}  // namespace
}  // namespace vornak
