// The description editor and the two Options commands around it.

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "app/form1.h"
#include "description/description.h"
#include "description/forms/frmdescript.h"
#include "platform/faultyfiles.h"
#include "tests/gui/guifixtures.h"
#include "tests/support/fixtures.h"

namespace vornak {
namespace {

using test::Bytes;

class DescriptionEditorTest : public test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    test::WriteImage(image, {test::ShortEntry("README  TXT")});
    payload = test::ReadBytes(image);
    Form1->ImageFileName = image;
  }

  // The next showing of the editor: types `keys` into the box, then presses
  // the button.
  void Edit(std::function<void(TFrmDescript&)> keys, bool ok) {
    modals.Then([keys, ok](forms::TForm& form) {
      auto& editor = dynamic_cast<TFrmDescript&>(form);
      editor.show();
      editor.Memo1->setFocus();
      keys(editor);
      (ok ? editor.BtnOk : editor.BtnCancel)->click();
      editor.hide();
      return editor.ModalResult();
    });
  }
  static std::function<void(TFrmDescript&)> Typing(const QString& text) {
    return [text](TFrmDescript& editor) {
      editor.Memo1->selectAll();
      QTest::keyClick(editor.Memo1, Qt::Key_Delete);
      QTest::keyClicks(editor.Memo1, text);
    };
  }
  Bytes WithBlock(const std::string& text) const {
    Bytes bytes = payload;
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(static_cast<uint8_t>(text.size()));
    bytes.push_back(static_cast<uint8_t>(text.size() >> 8));
    bytes.insert(bytes.end(), kDescriptionMarker.begin(), kDescriptionMarker.end());
    return bytes;
  }

  test::TempDir dir;
  const std::string image = dir.File("disk.vnk");
  Bytes payload;
};

TEST_F(DescriptionEditorTest, LinesTypedInTheBoxAreJoinedWithNothingBetweenThem) {
  Edit([](TFrmDescript& editor) {
    Typing("abc")(editor);
    QTest::keyClick(editor.Memo1, Qt::Key_Return);
    QTest::keyClicks(editor.Memo1, "def");
  }, true);
  Form1->EditDescription1->Click();
  EXPECT_EQ(Form1->ImageDescription, "abcdef");
  EXPECT_EQ(test::ReadBytes(image), WithBlock("abcdef"));
  EXPECT_EQ(FrmDescript->Memo1->Lines(), (QStringList{"abc", "def"}));
}

TEST_F(DescriptionEditorTest, EditingTwiceLeavesOneBlockAndAnEmptyTextRemovesIt) {
  Edit(Typing("first text"), true);
  Form1->EditDescription1->Click();
  Edit(Typing("second"), true);
  Form1->EditDescription1->Click();
  EXPECT_EQ(test::ReadBytes(image), WithBlock("second"));

  Edit(Typing(""), true);
  Form1->EditDescription1->Click();
  EXPECT_EQ(test::ReadBytes(image), payload);
  EXPECT_EQ(Form1->ImageDescription, "");
}

TEST_F(DescriptionEditorTest, CancelKeepsFileAndDescriptionButTheBoxKeepsTheText) {
  Edit(Typing("kept"), true);
  Form1->EditDescription1->Click();
  const Bytes described = test::ReadBytes(image);

  Edit(Typing("cancelled words"), false);
  Form1->EditDescription1->Click();
  // The title bar's close box ends the showing as Cancel does.
  modals.Then([](forms::TForm& form) {
    form.close();
    return forms::mrCancel;
  });
  Form1->EditDescription1->Click();
  EXPECT_EQ(test::ReadBytes(image), described);
  EXPECT_EQ(Form1->ImageDescription, "kept");

  QStringList shown;
  modals.Then([&shown](forms::TForm& form) {
    shown = dynamic_cast<TFrmDescript&>(form).Memo1->Lines();
    return forms::mrCancel;
  });
  Form1->EditDescription1->Click();
  EXPECT_EQ(shown, QStringList{"cancelled words"});
}

TEST_F(DescriptionEditorTest, TheBoxTakesAt256Characters) {
  const QString tooLong(300, 'x');
  Edit([&](TFrmDescript& editor) {
    Typing(tooLong)(editor);
    EXPECT_EQ(editor.Memo1->Length(), 256);
    // A line break counts, and a paste is cut to what fits.
    editor.Memo1->clear();
    QTest::keyClicks(editor.Memo1, QString(250, 'y'));
    QTest::keyClick(editor.Memo1, Qt::Key_Return);
    QApplication::clipboard()->setText("0123456789");
    editor.Memo1->paste();
    EXPECT_EQ(editor.Memo1->Lines(), (QStringList{QString(250, 'y'), "01234"}));
  }, true);
  Form1->EditDescription1->Click();
  EXPECT_EQ(Form1->ImageDescription, std::string(250, 'y') + "01234");
}

TEST_F(DescriptionEditorTest, NothingHappensForANameThatIsNoFile) {
  for (const std::string& name : {dir.File("missing.vnk"), dir.path(), std::string()}) {
    Form1->ImageFileName = name;
    Form1->EditDescription1->Click();
  }
  EXPECT_TRUE(modals.shown.empty());
  EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(DescriptionEditorTest, AFileNamedAfterwardsThatDoesNotExistKeepsTheDescription) {
  test::WriteImage(image, {}, "from the image");
  Form1->EditFileName->setText(QString::fromStdString(image));
  Form1->ApplyFileNameEntry();
  Form1->EditFileName->setText(QString::fromStdString(dir.File("new.vnk")));
  Form1->ApplyFileNameEntry();
  EXPECT_EQ(Form1->ImageDescription, "from the image");
  EXPECT_EQ(FrmDescript->Memo1->Lines(), QStringList{"from the image"});
}

TEST_F(DescriptionEditorTest, ARewriteThatFailsSaysWhyAndLeavesTheImageAsItWas) {
  Edit(Typing("old"), true);
  Form1->EditDescription1->Click();
  const Bytes before = test::ReadBytes(image);

  // Count the file operations of one rewrite, then fail each one in turn.
  platform::FaultyFileSystem faulty(platform::RealFileSystem());
  CreateWindows(faulty);
  Form1->ImageFileName = image;
  faulty.FailAt(0);
  Edit(Typing("old"), true);
  Form1->EditDescription1->Click();
  const int operations = faulty.count();
  ASSERT_GT(operations, 2);

  for (int failAt = 1; failAt <= operations; ++failAt) {
    SCOPED_TRACE(failAt);
    dialogs.asked.clear();
    test::WriteBytes(image, before);
    faulty.FailAt(failAt);
    Edit(Typing("a new text"), true);
    Form1->EditDescription1->Click();
    const std::string failed = faulty.failedOperation();
    if (dialogs.asked.empty()) {
      // Only a failure after the new bytes are in place may pass unreported.
      EXPECT_EQ(test::ReadBytes(image), WithBlock("a new text")) << "after a failed " << failed;
      continue;
    }
    EXPECT_EQ(test::ReadBytes(image), before) << "after a failed " << failed;
    ASSERT_EQ(dialogs.asked.size(), 1u) << failed;
    EXPECT_EQ(dialogs.asked[0].kind, platform::DialogKind::Information);
    EXPECT_NE(dialogs.asked[0].text.find("\"" + image + "\""), std::string::npos) << dialogs.asked[0].text;
  }
}

TEST_F(DescriptionEditorTest, IncludeDescriptionOnlyTurnsItsCheckMark) {
  Form1->IncludeDescription1->Click();
  EXPECT_TRUE(Form1->IncludeDescription1->Checked());
  Form1->IncludeDescription1->Click();
  EXPECT_FALSE(Form1->IncludeDescription1->Checked());
  EXPECT_TRUE(modals.shown.empty());
}

}  // namespace
}  // namespace vornak
