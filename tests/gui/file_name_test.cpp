// The image file name: typing it, completing it, choosing it in the file
// dialogs, and what naming an existing image brings in.

#include <QTest>

#include "app/form1.h"
#include "description/forms/frmdescript.h"
#include "tests/gui/guifixtures.h"
#include "tests/support/fixtures.h"

namespace vornak {
namespace {

using platform::FileDialogRequest;
using platform::FileDialogType;

class FileNameTest : public test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ShowMainWindow();
    // Something an earlier listing left, to see what is cleared and what is not.
    Form1->Memo3->SetLines({"EARLIER.TXT"});
  }

  void Type(const QString& text) {
    Form1->EditFileName->setFocus();
    Form1->EditFileName->selectAll();
    QTest::keyClick(Form1->EditFileName, Qt::Key_Delete);
    QTest::keyClicks(Form1->EditFileName, text);
  }
  void PressEnter() { QTest::keyClick(Form1->EditFileName, Qt::Key_Return); }
  // Moves the focus from the box to the Browse button, as a click would.
  void LeaveTheBox() {
    Form1->EditFileName->setFocus();
    Form1->BtnImage->setFocus(Qt::MouseFocusReason);
    test::ProcessEvents();
  }

  test::TempDir dir;
};

TEST_F(FileNameTest, EnterCompletesANameWithoutAFullStop) {
  const std::string dotted = dir.File("my.images");
  struct Case {
    QString typed;
    QString completed;
  };
  const Case cases[] = {
      {"disk", "disk.vnk"},
      {QString::fromStdString(dir.File("backup")), QString::fromStdString(dir.File("backup.vnk"))},
      {QString::fromStdString(dotted + "/disk"), QString::fromStdString(dotted + "/disk")},
      {"disk.", "disk."},
      {"disk.img", "disk.img"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.toStdString());
    Form1->FromImage1->SetEnabled(false);
    Type(c.typed);
    // Typing alone follows the box, nothing more.
    EXPECT_EQ(Form1->ImageFileName, c.typed.toStdString());
    EXPECT_FALSE(Form1->FromImage1->Enabled());
    PressEnter();
    EXPECT_EQ(Form1->EditFileName->text(), c.completed);
    EXPECT_EQ(Form1->ImageFileName, c.completed.toStdString());
    EXPECT_TRUE(Form1->FromImage1->Enabled());
    // No such file: nothing is listed.
    EXPECT_EQ(Form1->Memo3->Lines(), QStringList{"EARLIER.TXT"});
  }
}

TEST_F(FileNameTest, LeavingTheBoxCompletesTheNameAndLeavingItEmptyDisablesFromImage) {
  Type("leave");
  LeaveTheBox();
  EXPECT_EQ(Form1->ImageFileName, "leave.vnk");
  EXPECT_TRUE(Form1->FromImage1->Enabled());

  Form1->ImageDescription = "kept";
  Type("");
  LeaveTheBox();
  EXPECT_EQ(Form1->ImageFileName, "");
  EXPECT_FALSE(Form1->FromImage1->Enabled());
  EXPECT_EQ(Form1->Memo3->Lines(), QStringList{"EARLIER.TXT"});
  EXPECT_EQ(Form1->ImageDescription, "kept");
}

TEST_F(FileNameTest, NamingAnExistingImageListsItAndTakesItsDescription) {
  const std::string described = dir.File("described.vnk");
  const std::string plain = dir.File("plain.vnk");
  // A Latin-1 description byte shows as its character.
  test::WriteImage(described, {test::ShortEntry("README  TXT"), test::ShortEntry("DOCS       ", 0x10)},
                   "Backup \xE9t\xE9");
  test::WriteImage(plain, {test::ShortEntry("MAKEFILE   ")});

  Type(QString::fromStdString(described));
  PressEnter();
  EXPECT_EQ(Form1->Memo3->Lines(), (QStringList{"README.TXT", "DOCS   <DIR>", "   ", "  * * * * * * * * * * *",
                                                "  Image Description...", "Backup \u00e9t\u00e9"}));
  EXPECT_TRUE(Form1->LblDisplay->isVisible());
  EXPECT_EQ(Form1->LblDisplay->Caption(), "Image Files...");
  EXPECT_EQ(Form1->ImageDescription, "Backup \xE9t\xE9");
  EXPECT_EQ(FrmDescript->Memo1->Lines(), QStringList{"Backup \u00e9t\u00e9"});

  // An image without a description empties both.
  Type(QString::fromStdString(plain));
  PressEnter();
  EXPECT_EQ(Form1->Memo3->Lines(), QStringList{"MAKEFILE"});
  EXPECT_EQ(Form1->ImageDescription, "");
  EXPECT_EQ(FrmDescript->Memo1->Lines(), QStringList());
}

TEST_F(FileNameTest, EachCommandOpensItsDialogWithItsSettings) {
  const FileDialogRequest save{FileDialogType::Save, "vnk", "Vornak files (*.vnk)|*.vnk|All files (*.*)|*.*", true};
  const FileDialogRequest open{FileDialogType::Open, "vnk", "Vornak files(*.vnk)|*.vnk|All files (*.*)|*.*", false};
  struct Case {
    const char* what;
    std::function<void()> command;
    FileDialogRequest request;
  };
  const Case cases[] = {
      {"Browse while saving", [] { Form1->BtnBrowse->click(); }, save},
      {"Browse while restoring",
       [] {
         Form1->ActionBox->SetItemIndex(kRestoreAction);
         Form1->BtnBrowse->click();
       },
       open},
      {"Open... while saving", [] { Form1->Open1->Click(); }, open},
      {"Save As... while restoring",
       [] {
         Form1->ActionBox->SetItemIndex(kRestoreAction);
         Form1->Save1->Click();
       },
       save},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Form1->ActionBox->SetItemIndex(kSaveAction);
    dialogs.fileRequests.clear();
    dialogs.AnswerFile(std::nullopt);
    c.command();
    EXPECT_EQ(dialogs.fileRequests, std::vector<FileDialogRequest>{c.request});
  }
}

TEST_F(FileNameTest, AChosenNameIsTakenAsTheDialogGivesIt) {
  // No extension added, and a name that is not ASCII comes through byte for byte.
  const std::string chosen = dir.File("Dat\xC3\xA9i");
  dialogs.AnswerFile(chosen);
  Form1->Save1->Click();
  EXPECT_EQ(Form1->ImageFileName, chosen);
  EXPECT_EQ(Form1->EditFileName->text(), QString::fromStdString(dir.File("Dat\u00e9i")));
  EXPECT_TRUE(Form1->FromImage1->Enabled());
  EXPECT_EQ(Form1->Memo3->Lines(), QStringList{"EARLIER.TXT"});

  // Cancelled with an empty box: From Image goes off.
  Type("");
  dialogs.AnswerFile(std::nullopt);
  Form1->Open1->Click();
  EXPECT_FALSE(Form1->FromImage1->Enabled());
}

TEST_F(FileNameTest, CancellingTheDialogListsTheNamedImageAgain) {
  const std::string image = dir.File("again.vnk");
  test::WriteImage(image, {test::ShortEntry("AUTOEXECBAT")});
  dialogs.AnswerFile(image);
  Form1->Open1->Click();
  EXPECT_EQ(Form1->Memo3->Lines(), QStringList{"AUTOEXEC.BAT"});

  Form1->Memo3->SetLines({"SOMETHING ELSE"});
  dialogs.AnswerFile(std::nullopt);
  Form1->Save1->Click();
  EXPECT_EQ(Form1->ImageFileName, image);
  EXPECT_EQ(Form1->Memo3->Lines(), QStringList{"AUTOEXEC.BAT"});
}

}  // namespace
}  // namespace vornak
