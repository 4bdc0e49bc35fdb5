// The form layer on its own: radio groups, text boxes, edit box events, menu
// items, modal showings, the exception box and the file dialog filters.

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "description/forms/frmdescript.h"
#include "platform/forms/application.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/menus.h"
#include "platform/forms/qtdialogs.h"
#include "tests/gui/guifixtures.h"

namespace vornak::forms {
namespace {

TEST(RadioGroupTest, EveryChangeOfSelectionClicksOnceAndNoChangeNever) {
  TRadioGroup group(nullptr);
  int clicks = 0;
  group.OnClick = [&] { ++clicks; };
  EXPECT_EQ(group.ItemIndex(), -1);
  group.AddItem("A:");
  group.AddItem("B:");
  group.AddItem("C:");

  struct Step {
    const char* what;
    std::function<void()> act;
    int index;
    int clicks;
  };
  const Step steps[] = {
      {"program selects 0", [&] { group.SetItemIndex(0); }, 0, 1},
      {"program selects 0 again", [&] { group.SetItemIndex(0); }, 0, 1},
      {"user clicks item 2", [&] { group.Button(2)->click(); }, 2, 2},
      {"user clicks the selected item", [&] { group.Button(2)->click(); }, 2, 2},
      {"program selects an item the group lacks", [&] { group.SetItemIndex(7); }, 2, 2},
      {"program selects 1", [&] { group.SetItemIndex(1); }, 1, 3},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    EXPECT_EQ(group.ItemIndex(), step.index);
    EXPECT_EQ(clicks, step.clicks);
    for (int i = 0; i < group.ItemCount(); ++i) EXPECT_EQ(group.Button(i)->isChecked(), i == step.index);
  }
}

TEST(RadioGroupTest, ItemsShareTheAreaBelowTheCaption) {
  TRadioGroup group(nullptr);
  group.AddItem("Save Image");
  group.AddItem("Restore Image");
  group.setGeometry(0, 0, 168, 106);
  group.show();
  test::ProcessEvents();
  const QRect first = group.Button(0)->geometry();
  const QRect second = group.Button(1)->geometry();
  EXPECT_EQ(first.height(), second.height());
  EXPECT_EQ(second.top(), first.bottom() + 1);
  EXPECT_GT(first.top(), group.fontMetrics().height() - 1);
  EXPECT_LE(second.bottom(), 106);
}

TEST(MemoTest, LinesAreTheTextsLinesWhereverTheLastBreakIs) {
  struct Case {
    std::function<void(TMemo&)> fill;
    QStringList lines;
  };
  const Case cases[] = {
      {[](TMemo&) {}, {}},
      {[](TMemo& m) { m.SetLines({""}); }, {""}},
      {[](TMemo& m) { m.SetLines({"a", ""}); }, {"a", ""}},
      {[](TMemo& m) { m.setPlainText("a\nb\n"); }, {"a", "b"}},
      {[](TMemo& m) { m.setPlainText("a\nb"); }, {"a", "b"}},
      {[](TMemo& m) { m.Append("x"); m.Append("y"); }, {"x", "y"}},
      {[](TMemo& m) { m.SetLines({""}); m.Append("x"); }, {"", "x"}},
      {[](TMemo& m) { m.Append("x"); m.Append(""); m.Append("z"); }, {"x", "", "z"}},
      {[](TMemo& m) { m.SetLines({"old"}); m.Clear(); m.Append("new"); }, {"new"}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    TMemo memo(nullptr);
    cases[i].fill(memo);
    EXPECT_EQ(memo.Lines(), cases[i].lines);
  }
}

TEST(MemoTest, DisplayLinesAreTheLinesAsTheBoxWrapsThem) {
  TMemo memo(nullptr);
  memo.SetWordWrap(true);
  memo.SetScrollBars(ScrollBars::None);
  memo.resize(120, 200);
  memo.show();
  const QString line = "one two three four five six seven eight nine ten";
  memo.SetLines({line, "end"});
  test::ProcessEvents();
  const QStringList shown = memo.DisplayLines();
  EXPECT_GT(shown.size(), 2);
  EXPECT_EQ(shown.last(), "end");
  EXPECT_EQ(QStringList(shown.begin(), shown.end() - 1).join(QString()), line);

  memo.resize(2000, 200);
  test::ProcessEvents();
  EXPECT_EQ(memo.DisplayLines(), (QStringList{line, "end"}));
}

TEST(EditTest, ExitRunsWhenTheFocusMovesOnAndKeyUpNamesEnter) {
  QWidget window;
  auto* edit = new TEdit(&window);
  auto* other = new QPushButton(&window);
  other->move(0, 40);
  int exits = 0;
  std::vector<int> keys;
  edit->OnExit = [&] { ++exits; };
  edit->OnKeyUp = [&](int key) { keys.push_back(key); };
  window.show();
  QApplication::setActiveWindow(&window);
  edit->setFocus();
  test::ProcessEvents();

  QTest::keyClick(edit, Qt::Key_A);
  QTest::keyClick(edit, Qt::Key_Return);
  QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(keys, (std::vector<int>{Qt::Key_A, kKeyReturn, kKeyReturn}));

  // Another window taking the focus, or a menu opening, is no exit.
  QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(edit, &deactivated);
  QFocusEvent menu(QEvent::FocusOut, Qt::PopupFocusReason);
  QApplication::sendEvent(edit, &menu);
  EXPECT_EQ(exits, 0);
  other->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(exits, 1);
}

TEST(MenuItemTest, AClickRunsTheHandlerOnlyAndOnlyWhenItCanBeChosen) {
  QWidget owner;
  TMainMenu menu(&owner, "Menu");
  TMenuItem top(&owner, "Top", "&Top");
  TMenuItem item(&owner, "Item", "&Item");
  top.Add(item);
  menu.Add(top);
  int clicks = 0;
  item.OnClick = [&] { ++clicks; };

  item.SetChecked(true);
  item.Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(item.Checked());
  EXPECT_TRUE(item.Action()->isChecked());
  item.SetChecked(false);
  item.Click();
  EXPECT_FALSE(item.Action()->isChecked());

  item.SetEnabled(false);
  item.Click();
  item.SetEnabled(true);
  item.SetVisible(false);
  item.Click();
  EXPECT_EQ(clicks, 2);

  // A hidden or disabled menu keeps its items out of reach.
  item.SetVisible(true);
  top.SetVisible(false);
  item.Click();
  top.SetVisible(true);
  top.SetEnabled(false);
  item.Click();
  EXPECT_EQ(clicks, 2);
  top.SetEnabled(true);
  item.Click();
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(menu.Bar()->actions().at(0)->text(), "&Top");
}

TEST(ApplicationTest, AnExceptionFromAHandlerIsShownAndTheProgramGoesOn) {
  platform::ScriptedDialogs dialogs;
  TApplication application(dialogs);
  application.SetTitle("Vornak");
  TButton button(nullptr);
  int runs = 0;
  button.OnClick = [&] {
    if (++runs == 1) throw std::runtime_error("Memory allocation error.");
  };
  button.click();
  button.click();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(dialogs.asked, std::vector<platform::Question>({{platform::DialogKind::Information, "Vornak",
                                                              "Memory allocation error.", {platform::Button::Ok}}}));
}

TEST(FormTest, AModalShowingEndsWithItsResultOrWithCancelWhenClosed) {
  platform::ScriptedDialogs dialogs;
  TApplication application(dialogs);
  TFrmDescript& editor = application.CreateForm(FrmDescript);
  QTimer::singleShot(0, [&] { editor.BtnOk->click(); });
  EXPECT_EQ(editor.ShowModal(), mrOk);
  EXPECT_FALSE(editor.isVisible());

  QTimer::singleShot(0, [&] { editor.close(); });
  EXPECT_EQ(editor.ShowModal(), mrCancel);
  EXPECT_FALSE(editor.isVisible());
}

TEST(QtNameFiltersTest, FiltersBecomeQtsNamePatternPairs) {
  struct Case {
    std::string filter;
    QStringList expected;
  };
  const Case cases[] = {
      {"Vornak files (*.vnk)|*.vnk|All files (*.*)|*.*", {"Vornak files (*.vnk) (*.vnk)", "All files (*.*) (*)"}},
      {"Vornak files(*.vnk)|*.vnk|All files (*.*)|*.*", {"Vornak files(*.vnk) (*.vnk)", "All files (*.*) (*)"}},
      {"Images|*.vnk;*.img", {"Images (*.vnk *.img)"}},
      {"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    EXPECT_EQ(QtNameFilters(c.filter), c.expected);
  }
}

}  // namespace
}  // namespace vornak::forms
