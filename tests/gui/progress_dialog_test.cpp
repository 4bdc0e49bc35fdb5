// The progress dialog: its make-up, Cancel, and the close it refuses while a
// transfer runs.

#include "tests/gui/guifixtures.h"
#include "transfer/forms/form3.h"
#include "transfer/transferflags.h"

namespace vornak {
namespace {

class ProgressDialogTest : public test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    CancelRequested = false;
    TransferFinished = false;
  }
  void TearDown() override {
    CancelRequested = false;
    TransferFinished = false;
    WindowTest::TearDown();
  }
};

TEST_F(ProgressDialogTest, IsASmallStayOnTopDialogWithBarLabelAndCancel) {
  EXPECT_FALSE(Form3->isVisible());
  EXPECT_EQ(Form3->Caption(), "Saving Image of DRIVE A: to File.");
  EXPECT_TRUE(Form3->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(Form3->windowFlags() & Qt::WindowMaximizeButtonHint);
  Form3->Show();
  test::ProcessEvents();
  EXPECT_EQ(Form3->Client()->size(), QSize(389, 118));
  EXPECT_EQ(Form3->Label1->Caption(), "0%");
  EXPECT_EQ(Form3->Label1->pos(), QPoint(344, 40));
  EXPECT_EQ(Form3->ProgressBar1->geometry(), QRect(16, 40, 313, 17));
  EXPECT_EQ(Form3->ProgressBar1->Min(), 0);
  EXPECT_EQ(Form3->ProgressBar1->Max(), 100);
  EXPECT_EQ(Form3->BtnCancel->geometry(), QRect(144, 80, 73, 25));
  EXPECT_EQ(Form3->BtnCancel->Caption(), "Cancel");
}

TEST_F(ProgressDialogTest, CancelOnlyRaisesTheRequest) {
  Form3->Show();
  Form3->BtnCancel->click();
  Form3->BtnCancel->click();
  EXPECT_TRUE(CancelRequested);
  EXPECT_FALSE(TransferFinished);
  EXPECT_TRUE(Form3->isVisible());
}

TEST_F(ProgressDialogTest, EveryCloseIsRefusedUntilTheTransferHasFinished) {
  Form3->Show();
  Form3->close();  // the title bar's close box
  Form3->Close();  // the launcher's close call
  EXPECT_TRUE(Form3->isVisible());
  EXPECT_FALSE(CancelRequested);

  TransferFinished = true;
  Form3->Close();
  EXPECT_FALSE(Form3->isVisible());
  // Closing the hidden dialog again changes nothing.
  Form3->Close();
  EXPECT_FALSE(Form3->isVisible());
}

}  // namespace
}  // namespace vornak
