#pragma once

// A window of the program: a top-level window with an optional main menu and
// a client area that holds the controls at positions of their own. Windows are
// created once and shown and hidden on demand; a modal showing ends when the
// modal result is set or the window is closed.

#include <QFont>
#include <QMainWindow>
#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

#include "platform/forms/events.h"

class QEventLoop;

namespace vornak::forms {

class TMainMenu;

// Modal results, as the windows report them.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

enum class BorderStyle {
  Sizeable,  // a resizable window with minimise and maximise buttons
  Dialog,    // fixed size; the title bar holds only the close box
};

enum class Position {
  Designed,      // where SetDesignedPosition puts it
  ScreenCenter,  // centred on the screen when first shown
};

class TForm;

// Runs the modal showings of windows. Tests put a scripted one in place so
// that no test waits on a window.
class ModalRunner {
 public:
  virtual ~ModalRunner() = default;
  // Shows `form` modally and returns its modal result.
  virtual int RunModal(TForm& form) = 0;
};
// Replaces the runner of modal showings; nullptr restores the real one.
void SetModalRunner(ModalRunner* runner);

class TForm : public QMainWindow {
 public:
  // `name` is the window's name (its class name without the T, as in "Form3").
  explicit TForm(const QString& name);
  ~TForm() override;

  void SetCaption(const QString& caption) { setWindowTitle(caption); }
  QString Caption() const { return windowTitle(); }

  // The area below the menu: the parent of the controls, and their origin.
  QWidget* Client() const { return client_; }
  void SetMainMenu(TMainMenu& menu);

  // The window's outer size, frame included.
  int OuterWidth() const;
  int OuterHeight() const;
  void SetOuterSize(int width, int height);
  void SetClientSize(int width, int height);

  void SetBorderStyle(BorderStyle style);
  void SetStayOnTop(bool onTop);
  void SetPosition(Position position) { position_ = position; }
  void SetDesignedPosition(QPoint topLeft);
  void SetWindowFont(const QFont& font) { setFont(font); }

  void Show();
  void Hide() { hide(); }
  // Shows the window modally and returns its modal result.
  int ShowModal();
  int ModalResult() const { return modalResult_; }
  // Setting a result other than mrNone ends a modal showing.
  void SetModalResult(int result);
  // Asks OnCloseQuery; when it agrees, hides the window (ending a modal
  // showing with mrCancel, or the program for the main window).
  void Close();

  // The modal showing of the real runner.
  int RunModalLoop();

  Event OnResize;
  Event OnPaint;
  std::function<void(bool& canClose)> OnCloseQuery;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  class ClientArea;
  QMargins FrameMargins() const;
  bool CloseQuery();
  void ClosedByUser();

  QWidget* client_;
  Position position_ = Position::Designed;
  // Centres the window on its screen, frame included.
  void Centre();

  std::optional<QSize> outerSize_;
  // The frame and the client size the outer size was last applied with: a
  // window manager tells the frame only after the window is shown.
  QMargins appliedFrame_;
  QSize appliedClient_;
  bool placed_ = false;
  int modalResult_ = mrNone;
  QEventLoop* modalLoop_ = nullptr;
};

}  // namespace vornak::forms
