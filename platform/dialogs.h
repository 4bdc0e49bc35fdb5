#pragma once

// The message boxes and file dialogs of the program, all through one service.
// The window shows them with Qt, vnk on a terminal, and tests script them: a
// test never blocks on a real modal window.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vornak::platform {

enum class DialogKind {
  Information,   // the plain message box with OK
  Warning,       // the warning box: OK/Cancel, Yes/No or Retry/Cancel
  Confirmation,  // the confirmation box with Yes/No
  Application,   // the application's own box: its title, OK/Cancel, exclamation icon
};

enum class Button { Ok, Cancel, Yes, No, Retry };

struct Question {
  DialogKind kind = DialogKind::Information;
  std::string title;  // empty: the platform's own title for the kind
  std::string text;
  std::vector<Button> buttons;

  bool operator==(const Question&) const = default;
};

enum class FileDialogType { Open, Save };

// The settings the program gives the open and save dialogs.
struct FileDialogRequest {
  FileDialogType type = FileDialogType::Open;
  std::string defaultExtension;  // without the full stop
  std::string filter;            // "Name|pattern|Name|pattern"
  bool noReadOnlyReturn = false; // refuse a read-only file or a write-protected folder

  bool operator==(const FileDialogRequest&) const = default;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Shows a modal box and returns the button that closed it. Closing a box
  // without a button counts as Cancel, or as No where there is no Cancel.
  virtual Button Ask(const Question& question) = 0;
  // Runs a modal file dialog; the chosen full path, or nothing when cancelled.
  virtual std::optional<std::string> ChooseFile(const FileDialogRequest& request) = 0;

  // The plain message box with an OK button.
  void ShowMessage(const std::string& text) {
    Ask({DialogKind::Information, "", text, {Button::Ok}});
  }
};

// Test double: records every box and answers questions from a script. A box
// with one button needs no answer; a question the script did not expect is
// answered with its last button (Cancel or No) and counted, so that tests can
// fail on it without blocking.
class ScriptedDialogs final : public Dialogs {
 public:
  void Answer(Button button) { answers_.push_back(button); }
  void AnswerFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }

  Button Ask(const Question& question) override {
    asked.push_back(question);
    if (onAsk) onAsk(question);
    if (question.buttons.size() <= 1) return question.buttons.empty() ? Button::Ok : question.buttons[0];
    if (answers_.empty()) {
      ++unscripted;
      return question.buttons.back();
    }
    Button answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override {
    fileRequests.push_back(request);
    if (files_.empty()) {
      ++unscripted;
      return std::nullopt;
    }
    std::optional<std::string> path = files_.front();
    files_.pop_front();
    return path;
  }

  // The texts of the questions asked so far, in order.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Question& question : asked) texts.push_back(question.text);
    return texts;
  }

  std::vector<Question> asked;
  std::vector<FileDialogRequest> fileRequests;
  int unscripted = 0;
  // Runs while a box is on screen: what the user does meanwhile.
  std::function<void(const Question&)> onAsk;

 private:
  std::deque<Button> answers_;
  std::deque<std::optional<std::string>> files_;
};

}  // namespace vornak::platform
