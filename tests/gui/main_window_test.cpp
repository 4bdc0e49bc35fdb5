// The main window: start-up, sizing from the screen, the proportional layout,
// the controls and menus as the user first sees them, and the Help and Exit
// commands.

#include <QAction>
#include <QMenuBar>
#include <QRect>

#include "app/form1.h"
#include "description/forms/frmdescript.h"
#include "help/aboutbox.h"
#include "help/formhelp.h"
#include "tests/gui/guifixtures.h"
#include "transfer/forms/form3.h"

namespace vornak {
namespace {

using test::ProcessEvents;

TEST(PercentOfTest, TruncatesTheExtendedProduct) {
  struct Case {
    int a;
    double p;
    int expected;
  };
  const Case cases[] = {
      {870, 35, 304},    // 304.5
      {500, 25.2, 125},  // the double nearest 25.2 lies just below it
      {100, 34.5, 34},   // truncated, not rounded
      {181, 17.5, 31},   // 31.675
      {440, 64, 281},    // 281.6
      {0, 57.7, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.a << " x " << c.p << "%");
    EXPECT_EQ(PercentOf(c.a, c.p), c.expected);
  }
}

class MainWindowTest : public test::WindowTest {};

TEST_F(MainWindowTest, TheWindowIsSizedFromTheScreenInExtendedPrecision) {
  struct Case {
    QSize screen;
    QSize window;
  };
  // 800 x 600: 200 x 3.4 and 150 x 2.4 come out just below 680 and 360.
  const Case cases[] = {
      {{1024, 768}, {870, 460}},
      {{800, 600}, {679, 359}},
      {{640, 480}, {543, 287}},
      {{1280, 1024}, {1087, 614}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.screen.width() << " x " << c.screen.height());
    desktop.screen = c.screen;
    CreateWindows();
    ShowMainWindow();
    EXPECT_EQ(QSize(Form1->OuterWidth(), Form1->OuterHeight()), c.window);
  }
}

// Where every control of the window stands: the window's outer size decides.
std::map<QString, QRect> Geometries(const TForm1& form) {
  std::map<QString, QRect> places;
  for (QWidget* control : std::initializer_list<QWidget*>{form.EditFileName, form.BtnBrowse, form.Memo3,
                                                          form.Panel1, form.ActionBox, form.DriveBox,
                                                          form.BtnImage, form.LblFileName, form.LblDisplay}) {
    places[control->objectName()] = control->geometry();
  }
  return places;
}

TEST_F(MainWindowTest, TheLayoutOfA1024By768ScreenPutsEveryControlInItsPlace) {
  ShowMainWindow();
  ASSERT_EQ(QSize(Form1->OuterWidth(), Form1->OuterHeight()), QSize(870, 460));
  const std::map<QString, QRect> places = Geometries(*Form1);
  EXPECT_EQ(places.at("EditFileName"), QRect(304, 31, 440, 31));
  EXPECT_EQ(places.at("BtnBrowse"), QRect(763, 31, 84, 31));
  EXPECT_EQ(places.at("Memo3"), QRect(20, 31, 233, 265));
  EXPECT_EQ(places.at("Panel1"), QRect(304, 115, 440, 181));
  EXPECT_EQ(places.at("ActionBox"), QRect(31, 31, 168, 106));
  EXPECT_EQ(places.at("DriveBox"), QRect(281, 31, 116, 106));
  EXPECT_EQ(places.at("BtnImage"), QRect(354, 311, 356, 31));
  EXPECT_EQ(places.at("LblFileName"), QRect(304, 4, 295, 23));
  EXPECT_EQ(places.at("LblDisplay").topLeft(), QPoint(20, 4));
  // Panel positions are inside the panel; the others inside the client area.
  EXPECT_EQ(Form1->ActionBox->parentWidget(), Form1->Panel1);
  EXPECT_EQ(Form1->EditFileName->parentWidget(), Form1->Client());
}

TEST_F(MainWindowTest, LayingOutAgainChangesNothingAndAResizeFollowsTheTable) {
  ShowMainWindow();
  const std::map<QString, QRect> before = Geometries(*Form1);
  Form1->LayoutControls();
  Form1->Client()->repaint();
  ProcessEvents();
  EXPECT_EQ(Geometries(*Form1), before);

  Form1->SetOuterSize(600, 400);
  ProcessEvents();
  ASSERT_EQ(QSize(Form1->OuterWidth(), Form1->OuterHeight()), QSize(600, 400));
  const std::map<QString, QRect> after = Geometries(*Form1);
  EXPECT_EQ(after.at("EditFileName"), QRect(210, 27, 303, 27));
  EXPECT_EQ(after.at("Panel1"), QRect(210, 100, 303, 157));
  EXPECT_EQ(after.at("ActionBox"), QRect(21, 27, 115, 92));
  EXPECT_EQ(after.at("BtnImage"), QRect(244, 272, 246, 27));

  // No minimum size: a tiny window still gets the table's places.
  Form1->SetOuterSize(40, 30);
  ProcessEvents();
  EXPECT_EQ(Form1->EditFileName->geometry(),
            QRect(PercentOf(Form1->OuterWidth(), 35), PercentOf(Form1->OuterHeight(), 6.9),
                  PercentOf(Form1->OuterWidth(), 50.6), PercentOf(Form1->OuterHeight(), 6.9)));
}

TEST_F(MainWindowTest, StartsUpWithFiveWindowsInOrderAndTheMainWindowInItsFirstState) {
  std::vector<QString> names;
  for (forms::TForm* form : application->Forms()) names.push_back(form->objectName());
  EXPECT_EQ(names, (std::vector<QString>{"Form1", "AboutBox", "FormHelp", "Form3", "FrmDescript"}));
  EXPECT_EQ(application->MainForm(), Form1);
  EXPECT_EQ(application->Title(), "Vornak");
  EXPECT_EQ(Form1->Caption(), "Vornak");
  // The drive selection during creation ran before the dialog existed.
  EXPECT_EQ(Form3->Caption(), "Saving Image of DRIVE A: to File.");

  EXPECT_EQ(Form1->ActionBox->Items(), (QStringList{"Save Image", "Restore Image"}));
  EXPECT_EQ(Form1->ActionBox->ItemIndex(), kSaveAction);
  EXPECT_EQ(Form1->ActionBox->title(), "Action To Perform");
  EXPECT_EQ(Form1->ActionBox->toolTip(), "Save Image to file or Restore  image to disk.");
  EXPECT_EQ(Form1->DriveBox->Items(), (QStringList{"A:", "B:"}));
  EXPECT_EQ(Form1->DriveBox->ItemIndex(), kDriveA);
  EXPECT_EQ(Form1->DriveBox->title(), "Drive");
  EXPECT_EQ(Form1->DriveBox->toolTip(), "Select drive to use.");
  EXPECT_EQ(Form1->LblFileName->Caption(), "Save Image to...");
  EXPECT_EQ(Form1->BtnBrowse->Caption(), "Browse...");
  EXPECT_EQ(Form1->BtnImage->Caption(), "SAVE Image of DRIVE A: To File");
  EXPECT_EQ(Form1->EditFileName->text(), "");
  EXPECT_EQ(Form1->Memo3->Lines(), QStringList{QString()});
  EXPECT_TRUE(Form1->Memo3->isReadOnly());
  EXPECT_EQ(Form1->LblDisplay->Caption(), "Disk Files...");
  EXPECT_FALSE(Form1->LblDisplay->isVisibleTo(Form1));
  EXPECT_EQ(Form1->EditFileName->font().family(), "Arial");
  EXPECT_EQ(Form1->EditFileName->font().pixelSize(), 13);
  EXPECT_EQ(Form1->font().family(), "MS Sans Serif");

  EXPECT_EQ(Form1->ImageFileName, "");
  EXPECT_EQ(Form1->ImageDescription, "");
  EXPECT_EQ(Form1->DiskHeader, ImageHeader{});
}

TEST_F(MainWindowTest, TheTabOrderRunsBrowsePanelButtonBoxMemo) {
  ShowMainWindow();
  std::vector<QString> order;
  QWidget* at = Form1->BtnBrowse;
  do {
    if ((at->focusPolicy() & Qt::TabFocus) && at->isVisibleTo(Form1)) order.push_back(at->objectName().isEmpty() ? at->parentWidget()->objectName() : at->objectName());
    at = at->nextInFocusChain();
  } while (at != Form1->BtnBrowse);
  std::vector<QString> groups;
  for (const QString& name : order) {
    if (groups.empty() || groups.back() != name) groups.push_back(name);
  }
  EXPECT_EQ(groups, (std::vector<QString>{"BtnBrowse", "DriveBox", "ActionBox", "BtnImage", "EditFileName",
                                          "Memo3"}));
}

// One row per menu entry, submenus after their item: name, caption, enabled, checked.
struct MenuRow {
  std::string name;
  std::string caption;
  bool enabled;
  bool checked;
  bool operator==(const MenuRow&) const = default;
};

void PrintTo(const MenuRow& row, std::ostream* out) {
  *out << row.name << " \"" << row.caption << "\"" << (row.enabled ? "" : " disabled")
       << (row.checked ? " checked" : "");
}

void CollectMenu(const forms::TMenuItem& item, std::vector<MenuRow>& rows) {
  rows.push_back({item.objectName().toStdString(), item.Caption().toStdString(), item.Enabled(), item.Checked()});
  for (const forms::TMenuItem* child : item.Items()) CollectMenu(*child, rows);
}

std::vector<MenuRow> MenuOf(const TForm1& form) {
  std::vector<MenuRow> rows;
  for (const forms::TMenuItem* menu : form.MainMenu1->Items()) CollectMenu(*menu, rows);
  return rows;
}

TEST_F(MainWindowTest, TheMenuHasEveryItemWithItsCaptionAndFirstState) {
  const std::vector<MenuRow> expected = {
      {"File1", "&File", true, false},
      {"Open1", "&Open...", true, false},
      {"Save1", "&Save  As...", true, false},
      {"N2", "-", true, false},
      {"ADrive1", "&A: Drive", true, true},
      {"BDrive1", "&B: Drive", true, false},
      {"N1", "-", true, false},
      {"Quit1", "E&xit", true, false},
      {"Edit1", "&Edit", true, false},
      {"DisplayFiles1", "&Display Files", true, false},
      {"FromDisk1", "From &Disk", true, false},
      {"FromImage1", "From &Image", false, false},
      {"N4", "-", true, false},
      {"FormatA", "Format  &A: ", true, false},
      {"FormatB", "Format  &B:", true, false},
      {"Options1", "&Options", true, false},
      {"SaveImageofDriveA1", "&Save Image", true, false},
      {"SaveFromA", "Save From &A:", true, false},
      {"SaveFromB", "Save From &B:", true, false},
      {"SaveImageofDriveB1", "&Restore Image", true, false},
      {"RestoreToA", "Restore To &A:", true, false},
      {"RestoreToB", "Restore To &B:", true, false},
      {"IncludeDescription1", "&Include Description", true, false},
      {"EditDescription1", "Edit &Description", true, false},
      {"Help1", "&Help", true, false},
      {"Help2", "&Help...", true, false},
      {"About1", "&About...", true, false},
  };
  EXPECT_EQ(MenuOf(*Form1), expected);
  // What the menu bar shows is what the items say.
  QStringList bar;
  for (QAction* action : Form1->MainMenu1->Bar()->actions()) bar << action->text();
  EXPECT_EQ(bar, (QStringList{"&File", "&Edit", "&Options", "&Help"}));
  EXPECT_TRUE(Form1->N2->IsSeparator());
}

TEST_F(MainWindowTest, HelpAndAboutShowTheirWindowsModallyAndExitEndsTheProgram) {
  modals.Then([](forms::TForm&) { return forms::mrOk; });
  modals.Then([](forms::TForm&) { return forms::mrOk; });
  Form1->Help2->Click();
  Form1->About1->Click();
  EXPECT_EQ(modals.shown, (std::vector<QString>{"FormHelp", "AboutBox"}));

  EXPECT_FALSE(application->Terminated());
  Form1->Quit1->Click();
  EXPECT_TRUE(application->Terminated());
}

TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheProgram) {
  ShowMainWindow();
  Form1->close();
  EXPECT_TRUE(application->Terminated());
  EXPECT_FALSE(Form1->isVisible());
}

}  // namespace
}  // namespace vornak
