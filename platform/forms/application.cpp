#include "platform/forms/application.h"

#include <QApplication>
#include <stdexcept>

#include "platform/forms/events.h"
#include "platform/forms/form.h"

namespace vornak::forms {

TApplication::TApplication(platform::Dialogs& dialogs) : dialogs_(dialogs) {
  if (Application != nullptr) throw std::logic_error("a second application object");
  Application = this;
}

TApplication::~TApplication() {
  while (!forms_.empty()) {
    forms_.back().clearReference();
    forms_.pop_back();
  }
  Application = nullptr;
}

void TApplication::SetTitle(const QString& title) {
  title_ = title;
  QCoreApplication::setApplicationName(title);
}

void TApplication::Keep(std::unique_ptr<TForm> form, std::function<void()> clearReference) {
  if (mainForm_ == nullptr) mainForm_ = form.get();
  forms_.push_back({std::move(form), std::move(clearReference)});
}

std::vector<TForm*> TApplication::Forms() const {
  std::vector<TForm*> forms;
  for (const Kept& kept : forms_) forms.push_back(kept.form.get());
  return forms;
}

void TApplication::Run() {
  if (mainForm_ != nullptr) mainForm_->Show();
  if (!terminated_) QApplication::exec();
}

void TApplication::Terminate() {
  terminated_ = true;
  QCoreApplication::exit(0);
}

void TApplication::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TApplication::ShowException(const std::exception& error) {
  dialogs_.Ask({platform::DialogKind::Information, title_.toStdString(), error.what(),
                {platform::Button::Ok}});
}

void TApplication::ShowException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    ShowException(std::runtime_error("An unknown error occurred."));
  }
}

void Guarded(const std::function<void()>& body) {
  if (Application == nullptr) {
    body();
    return;
  }
  try {
    body();
  } catch (...) {
    Application->ShowException(std::current_exception());
  }
}

}  // namespace vornak::forms
