#include "help/formhelp.h"

#include <QFontMetrics>
#include <QStringList>
#include <algorithm>

namespace vornak {
namespace {

// The window's controls are designed at 120 pixels per inch: their fonts are
// given as character heights in pixels at that resolution.
constexpr int kDesignPixelsPerInch = 120;
constexpr int kButtonWidth = 57;
constexpr int kButtonHeight = 25;
constexpr int kPageControlLeft = 20;
constexpr int kPageControlTop = 24;

// A design font's size in whole points, rounded: 17 pixels are 10 points.
int PointSizeOf(const QFont& font) {
  if (font.pointSize() > 0) return font.pointSize();
  return (font.pixelSize() * 72 + kDesignPixelsPerInch / 2) / kDesignPixelsPerInch;
}

QStringList LinesOf(const auto& texts) {
  QStringList lines;
  for (const char* text : texts) lines << QString(text);
  return lines;
}

// Prints `lines` one step apart from `y` on; empty lines print nothing but
// take their step. Returns the position below the last line.
int PrintLines(forms::PrinterCanvas& canvas, const QStringList& lines, int x, int y, int step) {
  for (const QString& line : lines) {
    if (!line.isEmpty()) canvas.TextOut(x, y, line);
    y += step;
  }
  return y;
}

}  // namespace

int PrintLineStep(int pageHeight, int fontHeight) {
  const int linesPerPage = std::max(1, pageHeight / std::max(1, fontHeight));
  return pageHeight / linesPerPage + 8;
}

TFormHelp::TFormHelp(forms::Desktop& desktop, platform::Dialogs& dialogs, forms::Printer& printer)
    : TForm("FormHelp"), desktop_(desktop), dialogs_(dialogs), printer_(printer) {
  SetCaption(kHelpCaption);
  SetBorderStyle(forms::BorderStyle::Sizeable);
  SetPosition(forms::Position::ScreenCenter);
  SetWindowFont(forms::FontOf("MS Sans Serif", 13));
  CreateControls();
  OnResize = [this] { FormResize(); };
  FormCreate();
}

// The layout rule gives the controls their places and sizes.
void TFormHelp::CreateControls() {
  PageControl1 = new forms::TPageControl(Client());
  forms::Place(*PageControl1, "PageControl1", kPageControlLeft, kPageControlTop, 0, 0);
  PageControl1->setFont(forms::FontOf("MS Sans Serif", 17));

  auto page = [this](const QString& name, forms::TMemo*& memo, const QString& memoName, const auto& texts) {
    forms::TTabSheet* sheet = PageControl1->AddPage(name);
    memo = new forms::TMemo(sheet);
    forms::Place(*memo, memoName, 0, 0, 0, 0);
    memo->SetReadOnly(true);
    memo->SetScrollBars(forms::ScrollBars::Vertical);
    memo->SetWordWrap(true);
    memo->SetLines(LinesOf(texts));
    return sheet;
  };
  TabSheet1 = page("TabSheet1", Memo1, "Memo1", kSaveImageHelp);
  Memo1->setFont(forms::FontOf("MS Sans Serif", 17));
  // Memo2 takes its font from the page control.
  TabSheet2 = page("TabSheet2", Memo2, "Memo2", kRestoreImageHelp);

  BtnOk = new forms::TButton(Client());
  forms::Place(*BtnOk, "BtnOk", 0, 0, kButtonWidth, kButtonHeight);
  BtnOk->SetCaption(kHelpOkCaption);
  BtnOk->OnClick = [this] { BtnOkClick(); };

  BtnPrint = new forms::TButton(Client());
  forms::Place(*BtnPrint, "BtnPrint", 0, 0, kButtonWidth, kButtonHeight);
  BtnPrint->SetCaption(kHelpPrintCaption);
  BtnPrint->OnClick = [this] { BtnPrintClick(); };
}

void TFormHelp::FormCreate() {
  const QSize screen = desktop_.ScreenSize();
  SetOuterSize(screen.width() / 6 * 5, screen.height() / 3 * 2);
  LayoutControls();
  TabSheet1->SetCaption(kSaveImagePage);
  TabSheet2->SetCaption(kRestoreImagePage);
  PageControl1->SetActivePage(TabSheet1);
}

void TFormHelp::LayoutControls() {
  const int w = OuterWidth();
  const int h = OuterHeight();
  const QFontMetrics windowFont(font());
  const int letterWidth = windowFont.horizontalAdvance("A");
  const int letterHeight = windowFont.height();

  const int pageWidth = std::max(0, w - 50);
  const int pageHeight = h / 20 * 15;
  PageControl1->setGeometry(kPageControlLeft, kPageControlTop, pageWidth, pageHeight);
  for (forms::TMemo* memo : {Memo1, Memo2}) {
    memo->setGeometry(0, 0, std::max(0, pageWidth - letterWidth), std::max(0, pageHeight - 2 * letterHeight));
  }
  const int buttonTop = (h - pageHeight - BtnOk->height()) / 2 + pageHeight;
  BtnOk->move((w - BtnOk->width()) / 2, buttonTop);
  BtnPrint->move(kPageControlLeft + pageWidth - BtnPrint->width(), buttonTop);
}

void TFormHelp::BtnPrintClick() {
  PageControl1->SetActivePage(TabSheet1);
  if (const Status begun = printer_.BeginDoc(); !begun) {
    dialogs_.ShowMessage(begun.message());
    return;
  }
  const int pageHeight = printer_.PageHeight();
  forms::PrinterCanvas& canvas = printer_.Canvas();
  canvas.SetFont(Memo1->font().family(), PointSizeOf(Memo1->font()));
  const int step = PrintLineStep(pageHeight, canvas.FontHeight());
  const int inch = canvas.PixelsPerInch();
  const int x = inch;
  int y = inch / 2;

  canvas.TextOut(x, y, kPrintTitle);
  y += 2 * step;
  canvas.TextOut(x, y, kSaveImagePage);
  y += 2 * step;
  y = PrintLines(canvas, Memo1->DisplayLines(), x, y, step);
  y += step;
  canvas.TextOut(2 * inch, y, kPrintSeparator);

  PageControl1->SetActivePage(TabSheet2);
  y += step;
  canvas.TextOut(x, y, kRestoreImagePage);
  y += 2 * step;
  PrintLines(canvas, Memo2->DisplayLines(), x, y, step);

  if (const Status ended = printer_.EndDoc(); !ended) dialogs_.ShowMessage(ended.message());
}

}  // namespace vornak
