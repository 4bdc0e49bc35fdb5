#pragma once

// Message boxes on a terminal: texts on stderr, questions answered on the
// terminal when there is one. A question that cannot be asked takes the
// answer that stops (Cancel or No).

#include "platform/dialogs.h"

namespace vornak::cli {

class TerminalDialogs final : public platform::Dialogs {
 public:
  platform::Button Ask(const platform::Question& question) override;
  std::optional<std::string> ChooseFile(const platform::FileDialogRequest& request) override;
};

// True when stdin is a terminal a question can be put to.
bool CanAskQuestions();

}  // namespace vornak::cli
