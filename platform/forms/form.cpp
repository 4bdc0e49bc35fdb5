#include "platform/forms/form.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "platform/forms/application.h"
#include "platform/forms/menus.h"

namespace vornak::forms {
namespace {

ModalRunner* g_modalRunner = nullptr;

}  // namespace

void SetModalRunner(ModalRunner* runner) { g_modalRunner = runner; }

// The client area reports its painting as the window's: the window's paint
// handler runs whenever the area below the menu is drawn.
class TForm::ClientArea final : public QWidget {
 public:
  explicit ClientArea(TForm& form) : QWidget(&form), form_(form) {}

 protected:
  void paintEvent(QPaintEvent* event) override {
    QWidget::paintEvent(event);
    Fire(form_.OnPaint);
  }

 private:
  TForm& form_;
};

TForm::TForm(const QString& name) : client_(new ClientArea(*this)) {
  setObjectName(name);
  client_->setObjectName(name + "Client");
  setCentralWidget(client_);
}

TForm::~TForm() = default;

void TForm::SetMainMenu(TMainMenu& menu) { setMenuBar(menu.Bar()); }

QMargins TForm::FrameMargins() const {
  const QWindow* window = windowHandle();
  return window != nullptr ? window->frameMargins() : QMargins();
}

int TForm::OuterWidth() const {
  const QMargins frame = FrameMargins();
  return width() + frame.left() + frame.right();
}

int TForm::OuterHeight() const {
  const QMargins frame = FrameMargins();
  return height() + frame.top() + frame.bottom();
}

void TForm::SetOuterSize(int width, int height) {
  outerSize_ = QSize(width, height);
  const QMargins frame = FrameMargins();
  appliedFrame_ = frame;
  appliedClient_ = QSize(std::max(0, width - frame.left() - frame.right()),
                         std::max(0, height - frame.top() - frame.bottom()));
  resize(appliedClient_);
  // Qt holds back the resize event of a hidden window until it is shown; the
  // window's own layout must hold from now on.
  if (!isVisible()) Fire(OnResize);
}

void TForm::SetClientSize(int width, int height) {
  outerSize_.reset();
  const int menuHeight = menuWidget() != nullptr ? menuWidget()->sizeHint().height() : 0;
  resize(width, height + menuHeight);
}

void TForm::SetBorderStyle(BorderStyle style) {
  if (style == BorderStyle::Dialog) {
    setWindowFlags((windowFlags() & Qt::WindowStaysOnTopHint) | Qt::Dialog |
                   Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  } else {
    setWindowFlags((windowFlags() & Qt::WindowStaysOnTopHint) | Qt::Window);
  }
}

void TForm::SetStayOnTop(bool onTop) { setWindowFlag(Qt::WindowStaysOnTopHint, onTop); }

void TForm::SetDesignedPosition(QPoint topLeft) {
  move(topLeft);
}

void TForm::Show() {
  show();
  raise();
}

int TForm::ShowModal() {
  if (g_modalRunner != nullptr) return g_modalRunner->RunModal(*this);
  return RunModalLoop();
}

int TForm::RunModalLoop() {
  modalResult_ = mrNone;
  setWindowModality(Qt::ApplicationModal);
  Show();
  activateWindow();
  QEventLoop loop;
  modalLoop_ = &loop;
  if (modalResult_ == mrNone) loop.exec(QEventLoop::DialogExec);
  modalLoop_ = nullptr;
  hide();
  setWindowModality(Qt::NonModal);
  return modalResult_;
}

void TForm::SetModalResult(int result) {
  modalResult_ = result;
  if (result != mrNone && modalLoop_ != nullptr) modalLoop_->quit();
}

bool TForm::CloseQuery() {
  bool canClose = true;
  Fire(OnCloseQuery, canClose);
  return canClose;
}

void TForm::Close() {
  if (!CloseQuery()) return;
  ClosedByUser();
}

void TForm::ClosedByUser() {
  if (modalLoop_ != nullptr) {
    SetModalResult(mrCancel);
    return;
  }
  hide();
  if (Application != nullptr && Application->MainForm() == this) Application->Terminate();
}

void TForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  Fire(OnResize);
}

void TForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (placed_) return;
  placed_ = true;
  // The frame is known once the window exists: the outer size asked for
  // before holds with it.
  if (outerSize_) SetOuterSize(outerSize_->width(), outerSize_->height());
  Centre();
}

void TForm::Centre() {
  if (position_ != Position::ScreenCenter) return;
  const QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  move(area.x() + (area.width() - OuterWidth()) / 2, area.y() + (area.height() - OuterHeight()) / 2);
}

bool TForm::event(QEvent* event) {
  const bool handled = QMainWindow::event(event);
  // When the window manager puts its frame around the shown window, the outer
  // size asked for (and the centring) must take the frame in. A size the user
  // has chosen since is left alone.
  // Qt tells of the new frame with no event of its own, so every event of
  // the shown window looks.
  if (placed_ && outerSize_ && isVisible() && FrameMargins() != appliedFrame_ && size() == appliedClient_) {
    SetOuterSize(outerSize_->width(), outerSize_->height());
    Centre();
  }
  return handled;
}

void TForm::closeEvent(QCloseEvent* event) {
  // The window is hidden or the modal showing ended by our own code, never
  // destroyed: windows live until the program ends.
  event->ignore();
  if (CloseQuery()) ClosedByUser();
}

}  // namespace vornak::forms
