#pragma once

// The application object: its title, the windows it creates once at start-up
// and keeps until the end, the message loop, and the standard exception box.
// It works on the QApplication that the program (or a test) has made.

#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/dialogs.h"

namespace vornak::forms {

class TForm;

class TApplication {
 public:
  // Shows its messages, the exception box included, through `dialogs`.
  explicit TApplication(platform::Dialogs& dialogs);
  // Destroys the windows, the last created first, and clears their references.
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  void SetTitle(const QString& title);
  const QString& Title() const { return title_; }

  // Creates a window of class T, points `reference` at it and keeps it. The
  // first window created becomes the main window.
  template <typename T, typename... Args>
  T& CreateForm(T*& reference, Args&&... args) {
    auto form = std::make_unique<T>(std::forward<Args>(args)...);
    T* created = form.get();
    reference = created;
    Keep(std::move(form), [&reference] { reference = nullptr; });
    return *created;
  }
  TForm* MainForm() const { return mainForm_; }
  // The windows in the order they were created.
  std::vector<TForm*> Forms() const;

  // Shows the main window and runs the message loop until Terminate.
  void Run();
  // Ends the message loop once the current handler has returned.
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles the window messages that are waiting, then returns.
  void ProcessMessages();

  // The standard exception box: the application's title, the message, OK.
  void ShowException(const std::exception& error);
  void ShowException(std::exception_ptr error);


 private:
  void Keep(std::unique_ptr<TForm> form, std::function<void()> clearReference);

  platform::Dialogs& dialogs_;
  QString title_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  struct Kept {
    std::unique_ptr<TForm> form;
    std::function<void()> clearReference;
  };
  std::vector<Kept> forms_;
};

// The one application object, while it exists.
inline TApplication* Application = nullptr;

}  // namespace vornak::forms
