#include "platform/forms/controls.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <algorithm>

namespace vornak::forms {

bool IsEnter(const QKeyEvent& event) {
  return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

QFont FontOf(const QString& family, int pixelHeight) {
  QFont font(family);
  font.setPixelSize(pixelHeight);
  return font;
}

void Place(QWidget& control, const QString& name, int left, int top, int width, int height) {
  control.setObjectName(name);
  control.setGeometry(left, top, width, height);
}

TLabel::TLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TLabel::SetCaption(const QString& caption) {
  setText(caption);
  if (autoSize_) adjustSize();
}

void TLabel::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  if (autoSize_) adjustSize();
}

TButton::TButton(QWidget* parent) : QPushButton(parent) {
  setAutoDefault(false);
  QObject::connect(this, &QPushButton::clicked, this, [this] { Fire(OnClick); });
}

void TButton::keyPressEvent(QKeyEvent* event) {
  if (IsEnter(*event) && isEnabled()) {
    click();
    return;
  }
  QPushButton::keyPressEvent(event);
}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
  QObject::connect(this, &QLineEdit::textChanged, this, [this] { Fire(OnChange); });
}

void TEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  const Qt::FocusReason reason = event->reason();
  if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) Fire(OnExit);
}

void TEdit::keyReleaseEvent(QKeyEvent* event) {
  QLineEdit::keyReleaseEvent(event);
  if (event->isAutoRepeat()) return;
  Fire(OnKeyUp, IsEnter(*event) ? kKeyReturn : event->key());
}

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {}

void TMemo::SetWordWrap(bool wrap) {
  setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void TMemo::SetScrollBars(ScrollBars bars) {
  setVerticalScrollBarPolicy(bars == ScrollBars::None ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(bars == ScrollBars::Both ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

QStringList TMemo::Lines() const {
  const QString text = toPlainText();
  if (text.isEmpty()) return {};
  QStringList lines = text.split('\n');
  if (text.endsWith('\n')) lines.removeLast();
  return lines;
}

void TMemo::SetLines(const QStringList& lines) {
  QString text = lines.join('\n');
  // A last line that is empty needs its line break to count as a line.
  if (!lines.isEmpty() && lines.last().isEmpty()) text += '\n';
  setPlainText(text);
}

void TMemo::Append(const QString& line) {
  // The text is empty or ends with a line break exactly when its last
  // paragraph is empty; otherwise the new line starts after a break.
  const bool atLineStart = document()->lastBlock().text().isEmpty();
  QString added = atLineStart ? line : "\n" + line;
  if (line.isEmpty()) added += '\n';
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(added);
}

QStringList TMemo::DisplayLines() const {
  QStringList lines;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    QTextLayout* layout = block.layout();
    // Blocks are laid out when first drawn; asking for the block's area lays
    // out one that has not been drawn yet.
    if (layout->lineCount() == 0) document()->documentLayout()->blockBoundingRect(block);
    for (int i = 0; i < layout->lineCount(); ++i) {
      const QTextLine line = layout->lineAt(i);
      lines << block.text().mid(line.textStart(), line.textLength());
    }
  }
  return lines;
}

int TMemo::Length() const { return document()->characterCount() - 1; }

int TMemo::Room() const {
  const int selected = static_cast<int>(textCursor().selectedText().size());
  return maxLength_ - (Length() - selected);
}

void TMemo::keyPressEvent(QKeyEvent* event) {
  if (maxLength_ > 0 && !isReadOnly()) {
    const QString typed = IsEnter(*event) ? QString("\n") : event->text();
    const bool inserts = !typed.isEmpty() && (typed == "\n" || typed.at(0).isPrint());
    if (inserts && typed.size() > Room()) {
      event->accept();
      return;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TMemo::insertFromMimeData(const QMimeData* source) {
  if (maxLength_ <= 0 || source == nullptr || !source->hasText()) {
    QPlainTextEdit::insertFromMimeData(source);
    return;
  }
  QString text = source->text();
  text.replace("\r\n", "\n");
  insertPlainText(text.left(std::max(0, Room())));
}

TPanel::TPanel(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::NoFrame);
  setAutoFillBackground(true);
}

void TPanel::SetBevels(Bevel inner, Bevel outer) {
  inner_ = inner;
  outer_ = outer;
  update();
}

void TPanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  QRect edge = rect().adjusted(0, 0, -1, -1);
  // Each bevel is a one-pixel ring: light above and left when raised, dark
  // there when lowered; the inner ring lies inside the outer one.
  auto ring = [&](Bevel bevel) {
    if (bevel == Bevel::None) return;
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    painter.setPen(bevel == Bevel::Raised ? light : dark);
    painter.drawLine(edge.topLeft(), edge.topRight());
    painter.drawLine(edge.topLeft(), edge.bottomLeft());
    painter.setPen(bevel == Bevel::Raised ? dark : light);
    painter.drawLine(edge.bottomLeft(), edge.bottomRight());
    painter.drawLine(edge.topRight(), edge.bottomRight());
    edge.adjust(1, 1, -1, -1);
  };
  ring(outer_);
  ring(inner_);
}

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent) {
  group_.setExclusive(true);
  QObject::connect(&group_, &QButtonGroup::idToggled, this,
                   [this](int id, bool checked) { Toggled(id, checked); });
}

void TRadioGroup::AddItem(const QString& item) {
  auto* button = new QRadioButton(item, this);
  button->setFont(font());
  group_.addButton(button, static_cast<int>(buttons_.size()));
  buttons_.push_back(button);
  button->show();
  Arrange();
}

QStringList TRadioGroup::Items() const {
  QStringList items;
  for (const QRadioButton* button : buttons_) items << button->text();
  return items;
}

void TRadioGroup::SetItemIndex(int index) {
  // An index the group does not have changes nothing.
  if (index < -1 || index >= ItemCount() || index == itemIndex_) return;
  itemIndex_ = index;
  if (index >= 0) {
    // Toggled sees the index already taken and stays quiet; the one click
    // below reports the change.
    buttons_[static_cast<std::size_t>(index)]->setChecked(true);
  } else {
    group_.setExclusive(false);
    for (QRadioButton* button : buttons_) button->setChecked(false);
    group_.setExclusive(true);
  }
  Fire(OnClick);
}

void TRadioGroup::Toggled(int index, bool checked) {
  if (!checked || index == itemIndex_) return;
  itemIndex_ = index;
  Fire(OnClick);
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  Arrange();
}

// The items share the area below the caption in rows of equal height, the
// spare pixels split above and below them.
void TRadioGroup::Arrange() {
  if (buttons_.empty()) return;
  const int count = ItemCount();
  const int captionHeight = fontMetrics().height();
  const int area = std::max(0, height() - captionHeight - 5);
  const int rowHeight = area / count;
  const int top = captionHeight + 1 + (area % count) / 2;
  for (int i = 0; i < count; ++i) {
    buttons_[static_cast<std::size_t>(i)]->setGeometry(8, top + i * rowHeight, std::max(0, width() - 16),
                                                       rowHeight);
  }
}

TProgressBar::TProgressBar(QWidget* parent) : QProgressBar(parent) {
  setTextVisible(false);
  setRange(0, 100);
  setValue(0);
}

}  // namespace vornak::forms
