#pragma once

// The controls the windows are made of. Each is the Qt widget of its kind
// with the behaviour the windows rely on: captions and texts, events that run
// through Fire, and positions in pixels set by the windows' own layout.

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/forms/events.h"

namespace vornak::forms {

// The key code of Enter, as key events report it.
inline constexpr int kKeyReturn = 13;

// True for the Return key and the keypad's Enter.
bool IsEnter(const QKeyEvent& event);

// A font by family and character height in pixels.
QFont FontOf(const QString& family, int pixelHeight);

// Gives `control` its name and puts it at (left, top) with the given size.
void Place(QWidget& control, const QString& name, int left, int top, int width, int height);

class TLabel final : public QLabel {
 public:
  explicit TLabel(QWidget* parent);
  void SetCaption(const QString& caption);
  QString Caption() const { return text(); }
  // An auto-sized label takes the size of its caption at every change.
  void SetAutoSize(bool autoSize);

 private:
  bool autoSize_ = true;
};

class TButton final : public QPushButton {
 public:
  explicit TButton(QWidget* parent);
  void SetCaption(const QString& caption) { setText(caption); }
  QString Caption() const { return text(); }

  Event OnClick;

 protected:
  // Enter presses the button that has the focus, as Space does.
  void keyPressEvent(QKeyEvent* event) override;
};

// Single-line edit box.
class TEdit final : public QLineEdit {
 public:
  explicit TEdit(QWidget* parent);

  // The text changed, typed or set by the program.
  Event OnChange;
  // The keyboard focus moved from the box to another control of the window
  // (not when the window itself loses the focus or a menu opens).
  Event OnExit;
  // A key was released in the box: kKeyReturn for Enter, else Qt's key code.
  std::function<void(int key)> OnKeyUp;

 protected:
  void focusOutEvent(QFocusEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
};

enum class ScrollBars { None, Vertical, Both };

// Multi-line text box. Its lines are the text's lines, as a list of strings
// holds them: "a\nb" and "a\nb\n" are both the lines "a" and "b".
class TMemo final : public QPlainTextEdit {
 public:
  explicit TMemo(QWidget* parent);

  void SetReadOnly(bool readOnly) { setReadOnly(readOnly); }
  // The most characters the user can type or paste (a line break counts as
  // one); 0 for no limit. The program's own texts are not limited.
  void SetMaxLength(int maxLength) { maxLength_ = maxLength; }
  void SetWordWrap(bool wrap);
  void SetScrollBars(ScrollBars bars);

  QStringList Lines() const;
  void SetLines(const QStringList& lines);
  void Append(const QString& line);
  void Clear() { clear(); }
  // The lines as the box shows them, long lines broken where it wraps them.
  QStringList DisplayLines() const;
  int Length() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  int Room() const;
  int maxLength_ = 0;
};

enum class Bevel { None, Lowered, Raised };

class TPanel final : public QFrame {
 public:
  explicit TPanel(QWidget* parent);
  void SetBevels(Bevel inner, Bevel outer);
  Bevel BevelInner() const { return inner_; }
  Bevel BevelOuter() const { return outer_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Bevel inner_ = Bevel::None;
  Bevel outer_ = Bevel::Raised;
};

// A framed group of radio buttons, chosen by item index. Every change of the
// selection, by the user or by the program, runs OnClick once; selecting the
// item that is already selected runs nothing.
class TRadioGroup final : public QGroupBox {
 public:
  explicit TRadioGroup(QWidget* parent);

  void SetCaption(const QString& caption) { setTitle(caption); }
  void AddItem(const QString& item);
  QStringList Items() const;
  int ItemCount() const { return static_cast<int>(buttons_.size()); }
  QRadioButton* Button(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }

  // -1 while no item is selected.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);

  Event OnClick;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Arrange();
  void Toggled(int index, bool checked);

  QButtonGroup group_;
  std::vector<QRadioButton*> buttons_;
  int itemIndex_ = -1;
};

class TProgressBar final : public QProgressBar {
 public:
  explicit TProgressBar(QWidget* parent);
  void SetMin(int min) { setMinimum(min); }
  void SetMax(int max) { setMaximum(max); }
  void SetPosition(int position) { setValue(position); }
  int Min() const { return minimum(); }
  int Max() const { return maximum(); }
  int Position() const { return value(); }
};

}  // namespace vornak::forms
