// Choosing the action and the drive, the disk check, and the questions asked
// before an operation.

#include <QDir>
#include <functional>

#include "app/form1.h"
#include "tests/gui/guifixtures.h"
#include "tests/support/fixtures.h"
#include "transfer/forms/form3.h"

namespace vornak {
namespace {

using platform::Button;
using platform::DialogKind;
using platform::Question;

class SelectionTest : public test::WindowTest {};

// The user's clicks on the two groups and the drive menu items.
void ClickAction(int item) { Form1->ActionBox->Button(item)->click(); }
void ClickDrive(int item) { Form1->DriveBox->Button(item)->click(); }

TEST_F(SelectionTest, CaptionsAndCheckMarksFollowEveryChoice) {
  struct Case {
    const char* what;
    std::vector<std::function<void()>> steps;
    QString button;
    QString progress;
    QString fileLabel;
    bool driveAChecked;
  };
  const Case cases[] = {
      {"restore by the action box",
       {[] { ClickAction(1); }},
       "RESTORE Image To DRIVE A:", "Restoring Image to DRIVE A:", "Restore Image from...", true},
      {"drive B: while restoring: the label stays",
       {[] { ClickAction(1); }, [] { ClickDrive(1); }},
       "RESTORE Image To DRIVE B:", "Restoring Image to DRIVE B:", "Restore Image from...", false},
      {"drive B: while saving",
       {[] { ClickDrive(1); }},
       "SAVE Image of DRIVE B: To File", "Saving Image of DRIVE B:", "Save Image to...", false},
      {"back to saving by the action box, drive B:",
       {[] { ClickDrive(1); }, [] { ClickAction(1); }, [] { ClickAction(0); }},
       "SAVE Image of DRIVE B: To File", "Saving Image of DRIVE B: to File.", "Save Image to...", false},
      {"B: Drive from the File menu",
       {[] { Form1->BDrive1->Click(); }},
       "SAVE Image of DRIVE B: To File", "Saving Image of DRIVE B:", "Save Image to...", false},
      {"A: Drive from the File menu after B:, restoring",
       {[] { Form1->BDrive1->Click(); }, [] { ClickAction(1); }, [] { Form1->ADrive1->Click(); }},
       "RESTORE Image To DRIVE A:", "Restoring Image to DRIVE A:", "Restore Image from...", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CreateWindows();
    for (const auto& step : c.steps) step();
    EXPECT_EQ(Form1->BtnImage->Caption(), c.button);
    EXPECT_EQ(Form3->Caption(), c.progress);
    EXPECT_EQ(Form1->LblFileName->Caption(), c.fileLabel);
    EXPECT_EQ(Form1->DriveBox->ItemIndex(), c.driveAChecked ? kDriveA : kDriveB);
    EXPECT_EQ(Form1->ADrive1->Checked(), c.driveAChecked);
    EXPECT_EQ(Form1->BDrive1->Checked(), !c.driveAChecked);
  }
}

TEST_F(SelectionTest, AMachineWithoutDriveBOffersOnlyA) {
  drives.mask = 0b01;
  CreateWindows();
  EXPECT_EQ(Form1->DriveBox->Items(), QStringList{"A:"});
  for (const forms::TMenuItem* item : {Form1->FormatB, Form1->SaveFromB, Form1->RestoreToB, Form1->BDrive1}) {
    EXPECT_FALSE(item->Enabled()) << item->objectName().toStdString();
  }
  EXPECT_TRUE(Form1->FormatA->Enabled());
  EXPECT_TRUE(Form1->ADrive1->Enabled());

  Form1->BDrive1->Click();
  Form1->ADrive1->Click();
  EXPECT_EQ(Form1->DriveBox->ItemIndex(), kDriveA);
  EXPECT_FALSE(Form1->BDrive1->Enabled());
}

const Question kPutDisk{DialogKind::Warning, "", "Please put a Formatted disk in selected drive.",
                        {Button::Ok, Button::Cancel}};

TEST_F(SelectionTest, TheDiskCheckBeepsAndAsksUntilADiskIsThereOrTheUserGivesUp) {
  drives.capacities = {-1, -1, -1, 730'112};
  dialogs.Answer(Button::Ok);
  dialogs.Answer(Button::Ok);
  dialogs.Answer(Button::Ok);
  EXPECT_TRUE(Form1->CheckDiskInDrive(2));
  EXPECT_EQ(drives.capacityQueries, (std::vector<int>{2, 2, 2, 2}));
  EXPECT_EQ(desktop.beeps, 3);
  EXPECT_EQ(dialogs.asked, (std::vector<Question>(3, kPutDisk)));
  EXPECT_EQ(Form1->DiskHeader.FormatCode, 3);

  // Cancel ends the check with nothing more said, and the header as it was.
  const ImageHeader before = Form1->DiskHeader;
  dialogs.asked.clear();
  drives.capacities = {-1};
  dialogs.Answer(Button::Cancel);
  EXPECT_FALSE(Form1->CheckDiskInDrive(1));
  EXPECT_EQ(dialogs.asked, std::vector<Question>{kPutDisk});
  EXPECT_EQ(desktop.beeps, 4);
  EXPECT_EQ(Form1->DiskHeader, before);
}

TEST_F(SelectionTest, TheCapacityChoosesTheFormatRowAndZeroFillsItsName) {
  struct Case {
    int64_t capacity;
    int formatCode;
  };
  const Case cases[] = {
      {1'457'664, 1},        // a standard 1.44 MB floppy
      {1'213'952, 2},        // 1.2 MB
      {730'112, 3},          // 720 KB
      {362'496, 4},          // 360 KB
      {0, 4},                // far below 700,000
      {80'000'000'000, 1},   // a hard disk
      {699'999, 4},
      {700'000, 3},          // each boundary goes to the larger format
      {999'999, 3},
      {1'000'000, 2},
      {1'399'999, 2},
      {1'400'000, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capacity);
    // Whatever was there before: a longer name, and bytes that are not zero.
    Form1->DiskHeader.FormatName.fill(0xFF);
    Form1->DiskHeader.Compressed = 1;
    drives.capacities = {c.capacity};
    ASSERT_TRUE(Form1->CheckDiskInDrive(1));
    const DiskFormat& row = kDiskFormats[static_cast<std::size_t>(c.formatCode - 1)];
    ImageHeader expected = row.Header();
    expected.Compressed = 1;  // the check leaves the payload flag to the save
    EXPECT_EQ(Form1->DiskHeader, expected);
    EXPECT_EQ(Form1->DiskHeader.FormatNameText(), row.FormatName);
    for (std::size_t i = row.FormatName.size(); i < kFormatNameSize; ++i) {
      EXPECT_EQ(Form1->DiskHeader.FormatName[i], 0) << "name byte " << i;
    }
  }
  EXPECT_EQ(desktop.beeps, 0);
}

TEST_F(SelectionTest, TheSaveConfirmationIsComposedByteForByte) {
  Form1->ImageFileName = "/images/disk one.vnk";
  dialogs.Answer(Button::Ok);
  EXPECT_EQ(Form1->ConfirmOperation(kSaveAction, "B:"), Confirmation::Ok);
  dialogs.Answer(Button::Cancel);
  EXPECT_EQ(Form1->ConfirmOperation(kSaveAction, "A:"), Confirmation::Cancel);
  const std::vector<Question> expected = {
      {DialogKind::Application, "Vornak", "THIS WILL SAVE AN IMAGE OF DRIVE B: to the file \n\n/images/disk one.vnk",
       {Button::Ok, Button::Cancel}},
      {DialogKind::Application, "Vornak", "THIS WILL SAVE AN IMAGE OF DRIVE A: to the file \n\n/images/disk one.vnk",
       {Button::Ok, Button::Cancel}},
  };
  EXPECT_EQ(dialogs.asked, expected);
}

TEST_F(SelectionTest, TheRestoreConfirmationNamesTheImagesFormatWhateverTheName) {
  test::TempDir dir;
  // A long path: the text is composed without any length limit.
  const std::string folder = dir.File(std::string(200, 'f'));
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
  const std::string image = folder + "/" + std::string(100, 'n') + ".vnk";
  test::WriteImage(image, {});  // a 720-sector, 360 KB image
  test::WriteBytes(folder + "/short.vnk", test::BytesOf("not 22 bytes"));

  struct Case {
    std::string file;
    std::string formatName;
  };
  const Case cases[] = {{image, "360KB 5.25 Disk"}, {folder + "/short.vnk", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    dialogs.asked.clear();
    Form1->ImageFileName = c.file;
    drives.capacities = {1'457'664};  // whatever disk is in the drive
    dialogs.Answer(Button::Ok);
    EXPECT_EQ(Form1->ConfirmOperation(kRestoreAction, "A:"), Confirmation::Ok);
    const std::string text = "THIS WILL WRITE THE IMAGE CONTAINED IN FILE, \n\n" + c.file +
                             "   TO DRIVE A:\n\nDisk drive should contain a " + c.formatName +
                             "\n\nWARNING: ANY EXISTING DATA ON THIS DISK WILL BE LOST.";
    EXPECT_EQ(dialogs.asked,
              std::vector<Question>({{DialogKind::Application, "Vornak", text, {Button::Ok, Button::Cancel}}}));
  }
}

TEST_F(SelectionTest, ARestoreOfAFileThatCannotBeOpenedFails) {
  test::TempDir dir;
  for (const std::string& name : {dir.File("missing.vnk"), dir.path(), std::string()}) {
    SCOPED_TRACE(name);
    dialogs.asked.clear();
    Form1->ImageFileName = name;
    EXPECT_EQ(Form1->ConfirmOperation(kRestoreAction, "B:"), Confirmation::Failed);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"ERROR opening file  " + name});
    EXPECT_EQ(dialogs.asked.at(0).kind, DialogKind::Information);
  }
}

TEST_F(SelectionTest, OverwritingIsAgreedOnlyWithYes) {
  const Question question{DialogKind::Warning, "",
                          "A file with this name already exists\nDo you wish to over write it ?\n",
                          {Button::Yes, Button::No}};
  dialogs.Answer(Button::Yes);
  EXPECT_TRUE(Form1->ConfirmOverwrite());
  dialogs.Answer(Button::No);
  EXPECT_FALSE(Form1->ConfirmOverwrite());
  EXPECT_EQ(dialogs.asked, std::vector<Question>(2, question));
}

}  // namespace
}  // namespace vornak
