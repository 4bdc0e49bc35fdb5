// The about box and the program's pictures: the box as the user sees it, the
// version it shares with vnk, closing it, and the icons of the windows.

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "help/aboutbox.h"
#include "help/formhelp.h"
#include "platform/forms/icons.h"
#include "tests/gui/guifixtures.h"
#include "tests/support/fixtures.h"
#include "transfer/forms/form3.h"

namespace vornak {
namespace {

using test::ProcessEvents;

class AboutBoxTest : public test::WindowTest {};

TEST_F(AboutBoxTest, ShowsThePictureNameVersionNoticeAndCommentWhereTheyBelong) {
  AboutBox->show();
  ProcessEvents();
  EXPECT_EQ(AboutBox->Caption(), "About  Vornak");
  EXPECT_EQ(AboutBox->Client()->size(), QSize(367, 241));
  // The dialog border: a close box and no minimise or maximise button.
  const Qt::WindowFlags flags = AboutBox->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(AboutBox->minimumSize(), AboutBox->maximumSize());

  EXPECT_EQ(AboutBox->Panel1->geometry(), QRect(10, 10, 346, 167));
  EXPECT_EQ(AboutBox->Panel1->BevelInner(), forms::Bevel::Raised);
  EXPECT_EQ(AboutBox->Panel1->BevelOuter(), forms::Bevel::Lowered);
  EXPECT_EQ(AboutBox->ProgramIcon->parent(), AboutBox->Panel1);
  EXPECT_EQ(AboutBox->ProgramIcon->geometry(), QRect(10, 10, 100, 100));
  EXPECT_EQ(AboutBox->ProgramIcon->Picture().size(), QSize(100, 100));

  struct Label {
    const forms::TLabel* label;
    QPoint at;
    QString caption;
  };
  const Label labels[] = {
      {AboutBox->ProductName, {132, 20}, "Vornak"},
      {AboutBox->Version, {132, 49}, "Version 1.3"},
      {AboutBox->Copyright, {130, 98}, "Copyright \u00a9 2026 Vornak"},
      {AboutBox->Comments, {130, 128}, "FreeWare"},
  };
  for (const Label& l : labels) {
    SCOPED_TRACE(l.caption.toStdString());
    EXPECT_EQ(l.label->parent(), AboutBox->Panel1);
    EXPECT_EQ(l.label->pos(), l.at);
    EXPECT_EQ(l.label->Caption(), l.caption);
    // The whole caption fits inside the panel on one line.
    EXPECT_LE(l.label->x() + l.label->fontMetrics().horizontalAdvance(l.caption), AboutBox->Panel1->width());
  }

  EXPECT_EQ(AboutBox->OKButton->geometry(), QRect(137, 198, 92, 30));
  EXPECT_EQ(AboutBox->OKButton->Caption(), "OK");
  EXPECT_TRUE(AboutBox->OKButton->isDefault());
}

TEST(AboutVersionTest, TheAboutBoxAndVnkTellTheSameVersion) {
  const test::CommandResult vnk = test::Vnk({"--version"});
  ASSERT_EQ(vnk.exitCode, 0) << vnk.err;
  EXPECT_EQ(vnk.out, "vnk 1.3\n");
  EXPECT_EQ(VersionCaption(), "Version 1.3");
}

TEST_F(AboutBoxTest, OkEnterAndTheCloseBoxEndTheShowing) {
  struct Case {
    const char* what;
    std::function<void()> close;
    int result;
  };
  const Case cases[] = {
      {"OK clicked", [] { AboutBox->OKButton->click(); }, forms::mrOk},
      {"Enter away from the button", [] { QTest::keyClick(AboutBox->Panel1, Qt::Key_Return); }, forms::mrOk},
      {"close box", [] { AboutBox->close(); }, forms::mrCancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QTimer::singleShot(0, c.close);
    EXPECT_EQ(AboutBox->RunModalLoop(), c.result);
    EXPECT_FALSE(AboutBox->isVisible());
  }
}

TEST(PicturesTest, AreDrawnInTheSixteenColoursAtTheirSizes) {
  const QImage about = forms::ProgramPicture();
  const QImage progress = forms::ProgressPicture();
  EXPECT_EQ(about.size(), QSize(100, 100));
  EXPECT_EQ(progress.size(), QSize(32, 32));
  for (const QImage& picture : {about, progress}) {
    ASSERT_EQ(picture.format(), QImage::Format_Indexed8);
    EXPECT_LE(picture.colorCount(), 16);
    for (QRgb colour : picture.colorTable()) EXPECT_TRUE(forms::SixteenColours().contains(colour));
  }
  // A green background round a blue disk.
  EXPECT_EQ(about.pixel(1, 1), qRgb(0, 128, 0));
  EXPECT_EQ(about.pixel(98, 98), qRgb(0, 128, 0));
  EXPECT_EQ(about.pixel(20, 30), qRgb(0, 0, 255));
}

TEST_F(AboutBoxTest, TheProgramAndTheProgressDialogHaveIconsOfTheirOwn) {
  const QIcon program = QApplication::windowIcon();
  ASSERT_FALSE(program.isNull());
  EXPECT_EQ(program.pixmap(32).toImage().convertToFormat(QImage::Format_RGB32),
            forms::ProgramPicture(32).convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(AboutBox->windowIcon().cacheKey(), program.cacheKey());
  EXPECT_EQ(FormHelp->windowIcon().cacheKey(), program.cacheKey());
  EXPECT_EQ(Form3->windowIcon().pixmap(32).toImage().convertToFormat(QImage::Format_RGB32),
            forms::ProgressPicture().convertToFormat(QImage::Format_RGB32));
}

}  // namespace
}  // namespace vornak
