#include "platform/forms/qtdialogs.h"

#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <map>

#include "platform/files.h"
#include "platform/forms/application.h"
#include "platform/forms/text.h"

namespace vornak::forms {
namespace {

using platform::Button;
using platform::DialogKind;

QMessageBox::StandardButton QtButton(Button button) {
  switch (button) {
    case Button::Ok: return QMessageBox::Ok;
    case Button::Cancel: return QMessageBox::Cancel;
    case Button::Yes: return QMessageBox::Yes;
    case Button::No: return QMessageBox::No;
    case Button::Retry: return QMessageBox::Retry;
  }
  return QMessageBox::Ok;
}

QString TitleFor(const platform::Question& question) {
  if (!question.title.empty()) return FromPath(question.title);
  switch (question.kind) {
    case DialogKind::Warning: return kWarningTitle;
    case DialogKind::Confirmation: return kConfirmationTitle;
    case DialogKind::Information:
    case DialogKind::Application: break;
  }
  return Application != nullptr ? Application->Title() : QCoreApplication::applicationName();
}

QMessageBox::Icon IconFor(DialogKind kind) {
  switch (kind) {
    case DialogKind::Information: return QMessageBox::NoIcon;
    case DialogKind::Warning: return QMessageBox::Warning;
    case DialogKind::Confirmation: return QMessageBox::Question;
    case DialogKind::Application: return QMessageBox::Warning;  // the exclamation mark
  }
  return QMessageBox::NoIcon;
}

// What closing the box without a button answers: Cancel, else No, else the
// only button.
Button EscapeAnswer(const std::vector<Button>& buttons) {
  for (Button wanted : {Button::Cancel, Button::No}) {
    for (Button button : buttons) {
      if (button == wanted) return button;
    }
  }
  return buttons.empty() ? Button::Ok : buttons.back();
}

}  // namespace

QStringList QtNameFilters(const std::string& filter) {
  const QStringList parts = QString::fromLatin1(filter.data(), static_cast<qsizetype>(filter.size())).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      pattern = pattern.trimmed();
      if (pattern == "*.*") pattern = "*";
    }
    filters << parts[i] + " (" + patterns.join(' ') + ")";
  }
  return filters;
}

bool WritableChoice(const std::string& path) {
  if (platform::FileExists(path)) return ::access(path.c_str(), W_OK) == 0;
  return ::access(platform::FolderOf(path).c_str(), W_OK) == 0;
}

Button QtDialogs::Ask(const platform::Question& question) {
  std::vector<Button> buttons = question.buttons.empty() ? std::vector<Button>{Button::Ok} : question.buttons;
  QMessageBox box(IconFor(question.kind), TitleFor(question), FromPath(question.text), QMessageBox::NoButton,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  std::map<QAbstractButton*, Button> answers;
  for (Button button : buttons) answers[box.addButton(QtButton(button))] = button;
  const Button escape = EscapeAnswer(buttons);
  box.setEscapeButton(box.button(QtButton(escape)));
  box.exec();
  auto chosen = answers.find(box.clickedButton());
  return chosen != answers.end() ? chosen->second : escape;
}

std::optional<std::string> QtDialogs::ChooseFile(const platform::FileDialogRequest& request) {
  const bool save = request.type == platform::FileDialogType::Save;
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // The open dialog also takes the name of a file that does not exist yet.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(QtNameFilters(request.filter));
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  // Replacing an existing image is asked about by the program itself.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    const std::string path = ToPath(dialog.selectedFiles().first());
    if (!request.noReadOnlyReturn || WritableChoice(path)) return path;
    QMessageBox::warning(&dialog, kWarningTitle, kReadOnlyChoice);
  }
  return std::nullopt;
}

}  // namespace vornak::forms
