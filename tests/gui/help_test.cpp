// The help window: its size and layout from the screen, the two pages of
// instructions, closing it, and printing both pages on a printer that records
// every string and its place, through Qt into a PDF file, and on a machine
// without a printer.

#include <QFile>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>

#include "help/formhelp.h"
#include "platform/forms/printer.h"
#include "tests/gui/guifixtures.h"
#include "tests/support/fixtures.h"

namespace vornak {
namespace {

using test::ProcessEvents;

// The instructions as the user must see them, blanks and quotes included.
const QStringList kSaveLines{
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
const QStringList kRestoreLines{
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

// A printer whose canvas records every string and where it went.
class RecordingPrinter final : public forms::Printer, public forms::PrinterCanvas {
 public:
  struct Text {
    int x;
    int y;
    QString text;
    bool operator==(const Text&) const = default;
  };

  int pageHeight = 1000;
  int fontHeight = 30;
  int pixelsPerInch = 100;
  Status beginResult = Ok();
  Status endResult = Ok();

  std::vector<Text> texts;
  std::vector<std::pair<QString, int>> fonts;
  int begun = 0;
  int ended = 0;

  Status BeginDoc() override {
    ++begun;
    EXPECT_FALSE(open_) << "a second job while one is open";
    open_ = beginResult.ok();
    return beginResult;
  }
  int PageHeight() const override {
    EXPECT_TRUE(open_);
    return pageHeight;
  }
  forms::PrinterCanvas& Canvas() override {
    EXPECT_TRUE(open_);
    return *this;
  }
  Status EndDoc() override {
    ++ended;
    EXPECT_TRUE(open_);
    open_ = false;
    return endResult;
  }
  int PixelsPerInch() const override { return pixelsPerInch; }
  void SetFont(const QString& family, int pointSize) override { fonts.emplace_back(family, pointSize); }
  int FontHeight() const override { return fontHeight; }
  void TextOut(int x, int y, const QString& text) override {
    EXPECT_TRUE(open_);
    texts.push_back({x, y, text});
  }

 private:
  bool open_ = false;
};

void PrintTo(const RecordingPrinter::Text& text, std::ostream* out) {
  *out << "(" << text.x << ", " << text.y << ") \"" << text.text.toStdString() << '"';
}

class HelpWindowTest : public ::testing::Test {
 protected:
  HelpWindowTest() { desktop.screen = {1024, 768}; }
  // A help window made as at start-up, on the screen of `desktop`, shown.
  TFormHelp& Window(forms::Printer& on) {
    help_ = std::make_unique<TFormHelp>(desktop, dialogs, on);
    help_->show();
    ProcessEvents();
    return *help_;
  }

  test::FakeDesktop desktop;
  platform::ScriptedDialogs dialogs;
  RecordingPrinter printer;

 private:
  std::unique_ptr<TFormHelp> help_;
};

// The places the layout rule gives, for a window of outer size W x H.
struct Layout {
  QSize window;
  QRect pageControl;
  QPoint ok;
  QPoint print;
};

void ExpectLayout(const TFormHelp& help, const Layout& expected) {
  EXPECT_EQ(QSize(help.OuterWidth(), help.OuterHeight()), expected.window);
  EXPECT_EQ(help.PageControl1->geometry(), expected.pageControl);
  EXPECT_EQ(help.BtnOk->geometry(), QRect(expected.ok, QSize(57, 25)));
  EXPECT_EQ(help.BtnPrint->geometry(), QRect(expected.print, QSize(57, 25)));
  // The boxes are one letter narrower and two lines lower than the page
  // control, in the window's font.
  const QFontMetrics letter(help.font());
  const QRect memo(0, 0, expected.pageControl.width() - letter.horizontalAdvance("A"),
                   expected.pageControl.height() - 2 * letter.height());
  EXPECT_EQ(help.Memo1->geometry(), memo);
  EXPECT_EQ(help.Memo2->geometry(), memo);
}

TEST_F(HelpWindowTest, IsSizedFromTheScreenAndLaidOutAgainOnEveryResize) {
  struct Case {
    QSize screen;
    Layout layout;
  };
  const Case cases[] = {
      {{1024, 768}, {{850, 512}, {20, 24, 800, 375}, {396, 431}, {763, 431}}},
      {{800, 600}, {{665, 400}, {20, 24, 615, 300}, {304, 337}, {578, 337}}},
      {{640, 480}, {{530, 320}, {20, 24, 480, 240}, {236, 267}, {443, 267}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.screen.width() << " x " << c.screen.height());
    desktop.screen = c.screen;
    ExpectLayout(Window(printer), c.layout);
  }

  TFormHelp& help = Window(printer);
  const Layout resized[] = {
      {{600, 400}, {20, 24, 550, 300}, {271, 337}, {513, 337}},
      {{851, 519}, {20, 24, 801, 375}, {397, 434}, {764, 434}},  // H div 20 drops the rest
      {{850, 512}, {20, 24, 800, 375}, {396, 431}, {763, 431}},
  };
  for (const Layout& layout : resized) {
    SCOPED_TRACE(::testing::Message() << "resized to " << layout.window.width() << " x "
                                      << layout.window.height());
    help.SetOuterSize(layout.window.width(), layout.window.height());
    ProcessEvents();
    ExpectLayout(help, layout);
  }
}

TEST_F(HelpWindowTest, ShowsTheSavePageFirstWithItsCaptionsAndButtons) {
  TFormHelp& help = Window(printer);
  EXPECT_EQ(help.Caption(), "Help...Vornak");
  EXPECT_EQ(help.TabSheet1->Caption(), "Save Image");
  EXPECT_EQ(help.TabSheet2->Caption(), "Restore Image");
  EXPECT_EQ(help.PageControl1->ActivePage(), help.TabSheet1);
  EXPECT_EQ(help.BtnOk->Caption(), "Ok");
  EXPECT_EQ(help.BtnPrint->Caption(), "Print ");
  EXPECT_EQ(help.PageControl1->geometry().top(), 24);
  for (const forms::TMemo* memo : {help.Memo1, help.Memo2}) {
    SCOPED_TRACE(memo->objectName().toStdString());
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->font().family(), "MS Sans Serif");
    EXPECT_EQ(memo->font().pixelSize(), 17);
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  }
}

TEST_F(HelpWindowTest, EachPageHoldsItsInstructionsLineByLine) {
  TFormHelp& help = Window(printer);
  ASSERT_EQ(kSaveLines.size(), 30);
  ASSERT_EQ(kRestoreLines.size(), 29);
  EXPECT_EQ(help.Memo1->Lines(), kSaveLines);
  EXPECT_EQ(help.Memo2->Lines(), kRestoreLines);
}

TEST_F(HelpWindowTest, OkClosesTheWindowAndItReopensOnThePageLastShown) {
  TFormHelp& help = Window(printer);
  help.hide();
  QTimer::singleShot(0, [&] { help.BtnOk->click(); });
  EXPECT_EQ(help.ShowModal(), forms::mrCancel);
  EXPECT_FALSE(help.isVisible());

  help.BtnPrintClick();
  forms::TTabSheet* shownOnReopening = nullptr;
  QTimer::singleShot(0, [&] {
    shownOnReopening = help.PageControl1->ActivePage();
    help.BtnOk->click();
  });
  help.ShowModal();
  EXPECT_EQ(shownOnReopening, help.TabSheet2);
}

TEST(PrintLineStepTest, APageOfNLinesStepsByItsNthPartPlus8) {
  struct Case {
    int pageHeight;
    int fontHeight;
    int step;
  };
  const Case cases[] = {
      {1000, 30, 38},     // 33 lines of 30.3
      {6600, 83, 91},     // 10 points at 600 dpi on a letter page: 79 lines
      {14031, 167, 175},  // 10 points at 1200 dpi on A4: 84 lines
      {100, 200, 108},    // a font taller than the page: one line per page
      {0, 30, 8},         // no printable height at all
      {1000, 0, 9},       // a font of no height counts as one pixel high
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "page " << c.pageHeight << ", font " << c.fontHeight);
    EXPECT_EQ(PrintLineStep(c.pageHeight, c.fontHeight), c.step);
  }
}

// What the printout must hold: the title and the page names at one inch from
// the left, each page's lines as its box shows them one step apart, the row of
// asterisks at two inches. Empty lines print nothing but take their step.
std::vector<RecordingPrinter::Text> ExpectedPrintout(const QStringList& saveLines,
                                                     const QStringList& restoreLines, int inch,
                                                     int step) {
  std::vector<RecordingPrinter::Text> texts;
  int y = inch / 2;
  auto at = [&](int x, const QString& text, int advance) {
    if (!text.isEmpty()) texts.push_back({x, y, text});
    y += advance;
  };
  at(inch, "Vornak...Help", 2 * step);
  at(inch, "Save Image", 2 * step);
  for (const QString& line : saveLines) at(inch, line, step);
  y += step;
  at(2 * inch, QString(45, '*'), step);
  at(inch, "Restore Image", 2 * step);
  for (const QString& line : restoreLines) at(inch, line, step);
  return texts;
}

TEST_F(HelpWindowTest, PrintsEveryLineWhereTheStepsSayOnOnePageAndLeavesTheRestorePageShown) {
  TFormHelp& help = Window(printer);
  help.PageControl1->SetActivePage(help.TabSheet2);
  help.BtnPrintClick();

  EXPECT_EQ(printer.begun, 1);
  EXPECT_EQ(printer.ended, 1);
  EXPECT_TRUE(dialogs.asked.empty());
  EXPECT_EQ(printer.fonts, (std::vector<std::pair<QString, int>>{{"MS Sans Serif", 10}}));
  // 100 pixels per inch; a page of 1000 pixels holds 33 lines of 30: a step of 38.
  ASSERT_GE(printer.texts.size(), 4u);
  EXPECT_EQ(printer.texts[0], (RecordingPrinter::Text{100, 50, "Vornak...Help"}));
  EXPECT_EQ(printer.texts[1], (RecordingPrinter::Text{100, 126, "Save Image"}));
  EXPECT_EQ(printer.texts[2], (RecordingPrinter::Text{100, 202, "Step 1: "}));
  EXPECT_EQ(printer.texts,
            ExpectedPrintout(help.Memo1->DisplayLines(), help.Memo2->DisplayLines(), 100, 38));
  // Far past the 1000 pixels of the page, and still no second page.
  EXPECT_GT(printer.texts.back().y, 2000);
  EXPECT_EQ(help.PageControl1->ActivePage(), help.TabSheet2);
}

TEST_F(HelpWindowTest, ANarrowWindowPrintsTheShorterLinesItsBoxesShow) {
  // Narrowed by the user while the "Save Image" page is in front: the hidden
  // page's box must be broken at its new width too.
  TFormHelp& help = Window(printer);
  help.SetOuterSize(300, 512);
  ProcessEvents();
  help.BtnPrintClick();
  ProcessEvents();

  const QStringList restoreShown = help.Memo2->DisplayLines();
  help.PageControl1->SetActivePage(help.TabSheet1);
  ProcessEvents();
  const QStringList saveShown = help.Memo1->DisplayLines();
  EXPECT_GT(saveShown.size(), kSaveLines.size() + 10);
  EXPECT_GT(restoreShown.size(), kRestoreLines.size() + 10);
  EXPECT_EQ(printer.texts, ExpectedPrintout(saveShown, restoreShown, 100, 38));
  // Broken into pieces, the lines still hold every character of the page.
  EXPECT_EQ(saveShown.join(""), kSaveLines.join(""));
  EXPECT_EQ(restoreShown.join(""), kRestoreLines.join(""));
}

TEST_F(HelpWindowTest, APrinterThatFailsIsReportedInAPlainBox) {
  struct Case {
    const char* what;
    Status begin;
    Status end;
    bool printed;
  };
  const Case cases[] = {
      {"no printer", Failure{forms::kNoPrinter}, Ok(), false},
      {"the job does not start", Failure{forms::kPrintJobNotStarted}, Ok(), false},
      {"the job does not finish", Ok(), Failure{forms::kPrintJobNotFinished}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingPrinter failing;
    failing.beginResult = c.begin;
    failing.endResult = c.end;
    dialogs.asked.clear();
    TFormHelp& help = Window(failing);
    help.BtnPrintClick();

    const std::string& message = c.begin.ok() ? c.end.message() : c.begin.message();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0],
              (platform::Question{platform::DialogKind::Information, "", message, {platform::Button::Ok}}));
    EXPECT_EQ(!failing.texts.empty(), c.printed);
    EXPECT_EQ(failing.ended, c.printed ? 1 : 0);
  }
}

TEST_F(HelpWindowTest, QtsPrintersThatCannotPrintSaySo) {
  test::TempDir dir;
  std::unique_ptr<forms::Printer> unwritable =
      forms::PdfFilePrinter(QString::fromStdString(dir.File("no-such-folder/help.pdf")), QPageSize(QPageSize::A4));
  Window(*unwritable).BtnPrintClick();
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{forms::kPrintJobNotStarted});

  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "this machine has a default printer";
  dialogs.asked.clear();
  Window(forms::SystemPrinter()).BtnPrintClick();
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{forms::kNoPrinter});
}

// A word of a PDF page and its box in points, as pdftotext -bbox reads it.
struct Word {
  QString text;
  double left;
  double top;
};

std::vector<Word> WordsOfPdf(const std::string& pdf, int& pages) {
  test::CommandResult read = test::Run({"pdftotext", "-bbox", pdf, "-"});
  EXPECT_EQ(read.exitCode, 0) << read.err;
  const QString html = QString::fromStdString(read.out);
  pages = static_cast<int>(html.count("<page "));
  static const QRegularExpression word(
      R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="[0-9.]+" yMax="[0-9.]+">([^<]*)</word>)re");
  std::vector<Word> words;
  for (const QRegularExpressionMatch& m : word.globalMatch(html)) {
    QString text = m.captured(3);
    text.replace("&quot;", "\"").replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&");
    // The typeface may set "fi" as one ligature glyph; read it as its letters.
    text = text.normalized(QString::NormalizationForm_KC);
    words.push_back({text, m.captured(1).toDouble(), m.captured(2).toDouble()});
  }
  return words;
}

TEST_F(HelpWindowTest, PrintsThroughQtIntoAPdfThatReadsBackInPlace) {
  if (test::ToolPath("pdftotext").empty()) GTEST_SKIP() << "pdftotext (poppler-utils) is missing";
  test::TempDir dir;
  const std::string pdf = dir.File("help.pdf");
  // A page long enough for every line: 600 mm.
  std::unique_ptr<forms::Printer> toPdf =
      forms::PdfFilePrinter(QString::fromStdString(pdf), QPageSize(QSizeF(210, 600), QPageSize::Millimeter));
  TFormHelp& help = Window(*toPdf);
  help.BtnPrintClick();
  ASSERT_TRUE(dialogs.asked.empty()) << dialogs.Texts()[0];

  int pages = 0;
  const std::vector<Word> words = WordsOfPdf(pdf, pages);
  EXPECT_EQ(pages, 1);
  QStringList printed;
  for (const Word& word : words) printed << word.text;
  QStringList expected;
  for (const RecordingPrinter::Text& text :
       ExpectedPrintout(help.Memo1->DisplayLines(), help.Memo2->DisplayLines(), 1, 1)) {
    expected << text.text.split(' ', Qt::SkipEmptyParts);
  }
  // One word a line, so that a failure shows where the words part.
  EXPECT_EQ(printed.join('\n').toStdString(), expected.join('\n').toStdString());

  // One inch is 72 points: the title one inch from the left and half an inch
  // down, the asterisks two inches from the left; the headings two steps
  // apart, the lines one step.
  ASSERT_GE(words.size(), 6u);
  auto first = [&](const QString& text) {
    return *std::find_if(words.begin(), words.end(), [&](const Word& w) { return w.text == text; });
  };
  const Word title = first("Vornak...Help");
  const Word save = first("Save");
  const Word step1 = first("Step");
  const Word stars = first(QString(45, '*'));
  EXPECT_NEAR(title.left, 72, 2);
  EXPECT_NEAR(title.top, 36, 3);
  EXPECT_NEAR(save.left, 72, 2);
  EXPECT_NEAR(stars.left, 144, 2);
  const double twoSteps = save.top - title.top;
  EXPECT_GT(twoSteps, 20);
  EXPECT_NEAR(step1.top - save.top, twoSteps, 0.5);
  const Word line2 = first("Insert");
  EXPECT_NEAR(line2.top - step1.top, twoSteps / 2, 0.5);
}

}  // namespace
}  // namespace vornak
