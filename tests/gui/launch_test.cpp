// Starting a save or a restore from the window: the order of the questions,
// the locked window, and the operation itself over fault-injecting drives.

#include <QTest>

#include "app/form1.h"
#include "description/description.h"
#include "description/forms/frmdescript.h"
#include "image/imageformat.h"
#include "tests/gui/guifixtures.h"
#include "tests/support/fixtures.h"
#include "tests/support/transfer.h"
#include "transfer/forms/form3.h"
#include "transfer/transferflags.h"

namespace vornak {
namespace {

using platform::Button;
using platform::DialogKind;
using platform::DiskError;
using platform::Operation;
using Lines = std::vector<std::string>;

const std::string kPutDisk = "Please put a Formatted disk in selected drive.";

class LaunchTest : public test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    drives.capacities = {362'496};  // a 360 KB disk in both drives
  }

  // What the window shows while it is locked, seen from inside the operation.
  struct Locked {
    bool buttonsEnabled;
    bool menusVisible;
  };
  Locked LockState() const {
    return {Form1->BtnImage->isEnabled() || Form1->BtnBrowse->isEnabled(),
            Form1->File1->Visible() || Form1->Edit1->Visible() || Form1->Options1->Visible() ||
                Form1->Help1->Visible()};
  }
  void ExpectUnlocked() const {
    EXPECT_TRUE(Form1->BtnImage->isEnabled());
    EXPECT_TRUE(Form1->BtnBrowse->isEnabled());
    for (auto* menu : {Form1->File1, Form1->Edit1, Form1->Options1, Form1->Help1}) EXPECT_TRUE(menu->Visible());
  }
  void SetFileName(const std::string& name) { Form1->EditFileName->setText(QString::fromStdString(name)); }

  test::FaultyDrives disks{368640, 368640};
};

TEST_F(LaunchTest, ASaveAsksItsQuestionsInOrderThenReadsTheDisk) {
  const std::string file = disks.dir.File("old.vnk");
  test::WriteBytes(file, test::BytesOf("an older image"));
  SetFileName(file);
  drives.capacities = {-1, 362'496};  // the disk arrives after the first warning
  Form1->IncludeDescription1->Click();
  Form1->ImageDescription = "Before";
  dialogs.Answer(Button::Ok);   // put a formatted disk
  dialogs.Answer(Button::Ok);   // the confirmation
  dialogs.Answer(Button::Yes);  // replace the existing file
  Locked during{};
  int readsBeforeEditor = -1;
  modals.Then([&](forms::TForm& form) {
    during = LockState();
    readsBeforeEditor = disks.drives[0]->Reads();
    auto& editor = dynamic_cast<TFrmDescript&>(form);
    editor.Memo1->SetLines({"Tax disk"});
    return int{forms::mrOk};
  });

  Form1->BtnImage->click();

  ASSERT_EQ(dialogs.asked.size(), 3u);
  EXPECT_EQ(dialogs.asked[0], (platform::Question{DialogKind::Warning, "", kPutDisk, {Button::Ok, Button::Cancel}}));
  EXPECT_EQ(dialogs.asked[1], (platform::Question{DialogKind::Application, "Vornak",
                                                  "THIS WILL SAVE AN IMAGE OF DRIVE A: to the file \n\n" + file,
                                                  {Button::Ok, Button::Cancel}}));
  EXPECT_EQ(dialogs.asked[2].text, "A file with this name already exists\nDo you wish to over write it ?\n");
  EXPECT_EQ(modals.shown, (std::vector<QString>{"FrmDescript"}));
  EXPECT_EQ(readsBeforeEditor, 0) << "the editor comes before the disk is read";
  EXPECT_FALSE(during.buttonsEnabled);
  EXPECT_FALSE(during.menusVisible);
  ExpectUnlocked();
  EXPECT_FALSE(Form3->isVisible());

  EXPECT_EQ(Form1->ImageDescription, "Tax disk");
  Result<Image> image = ReadImageFile(file);
  ASSERT_TRUE(image) << image.message();
  EXPECT_EQ(test::Bytes(image->sectors.data(), image->sectors.data() + image->sectors.size()), disks.Disk(0));
  EXPECT_EQ(ReadDescription(file), "Tax disk");
  EXPECT_EQ(Form1->DiskHeader.SectorCount, 720);
}

TEST_F(LaunchTest, CancelInTheEditorDoesNotStopTheSave) {
  const std::string file = disks.dir.File("new.vnk");
  SetFileName(file);
  Form1->IncludeDescription1->Click();
  Form1->ImageDescription = "Kept from before";
  dialogs.Answer(Button::Ok);
  modals.Then([](forms::TForm& form) {
    dynamic_cast<TFrmDescript&>(form).Memo1->SetLines({"typed, then cancelled"});
    return int{forms::mrCancel};
  });
  Form1->SaveFromAClick();
  EXPECT_EQ(ReadDescription(file), "Kept from before");
}

TEST_F(LaunchTest, AnEmptyFileNameIsAskedForAfterTheQuestions) {
  SetFileName("");
  dialogs.Answer(Button::Ok);
  Form1->BtnImage->click();
  EXPECT_EQ(dialogs.Texts(), (Lines{"THIS WILL SAVE AN IMAGE OF DRIVE A: to the file \n\n",
                                    "Please select a file name first."}));
  EXPECT_EQ(disks.drives[0]->Reads(), 0);
  ExpectUnlocked();
}

TEST_F(LaunchTest, ARestoreOfAMissingFileStopsAtTheConfirmation) {
  const std::string missing = disks.dir.File("missing.vnk");
  SetFileName(missing);
  Form1->RestoreToAClick();
  EXPECT_EQ(dialogs.Texts(), Lines{"ERROR opening file  " + missing});
  EXPECT_EQ(disks.drives[0]->Writes(), 0);
  EXPECT_EQ(drives.capacityQueries, std::vector<int>{1}) << "the disk check comes first";
}

TEST_F(LaunchTest, ARestoreCommandSelectsItsDriveAndActionAndNeverAsksToOverwrite) {
  const std::string file = disks.dir.File("image.vnk");
  ASSERT_EQ(test::Vnk({"import", disks.paths[0], file}).exitCode, 0);
  SetFileName(file);
  dialogs.Answer(Button::Ok);
  Form1->RestoreToBClick();

  EXPECT_EQ(Form1->DriveBox->ItemIndex(), 1);
  EXPECT_EQ(Form1->ActionBox->ItemIndex(), 1);
  EXPECT_EQ(Form1->LblFileName->Caption(), "Restore Image from...");
  EXPECT_EQ(Form3->Caption(), "Restoring Image to DRIVE B:");
  EXPECT_EQ(Form1->BtnImage->Caption(), "RESTORE Image To DRIVE B:");
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].text,
            "THIS WILL WRITE THE IMAGE CONTAINED IN FILE, \n\n" + file +
                "   TO DRIVE B:\n\nDisk drive should contain a 360KB 5.25 Disk\n\n"
                "WARNING: ANY EXISTING DATA ON THIS DISK WILL BE LOST.");
  EXPECT_EQ(disks.Disk(1), disks.Disk(0));
  ExpectUnlocked();
  EXPECT_FALSE(Form3->isVisible());
}

TEST_F(LaunchTest, BadSectorsReachMemo3AndAFailedRestoreStillUnlocks) {
  const std::string file = disks.dir.File("bad.vnk");
  SetFileName(file);
  disks.drives[0]->AddFault({Operation::Read, 42, DiskError::ReadFault, false});
  dialogs.Answer(Button::Ok);
  Form1->SaveFromAClick();
  EXPECT_EQ(Form1->Memo3->Lines(), QStringList{"Bad sector Num.  42"});
  EXPECT_EQ(dialogs.Texts().back(), "Source contained 1 bad sectors.");

  disks.drives[1]->SetWriteProtected(true);
  dialogs.Answer(Button::Ok);
  dialogs.Answer(Button::Cancel);  // "Disk is write protected."
  Form1->RestoreToBClick();
  EXPECT_EQ(dialogs.Texts().back(), "Disk is write protected.");
  EXPECT_EQ(disks.drives[1]->Writes(), 1);
  ExpectUnlocked();
  EXPECT_FALSE(Form3->isVisible());
  EXPECT_TRUE(TransferFinished);
  EXPECT_EQ(dialogs.unscripted, 0);
}

}  // namespace
}  // namespace vornak
