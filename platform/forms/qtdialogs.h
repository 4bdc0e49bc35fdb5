#pragma once

// The message boxes and file dialogs of the window program, shown with Qt.

#include <QStringList>
#include <optional>
#include <string>

#include "platform/dialogs.h"

namespace vornak::forms {

// The titles Qt's boxes get where the program gives none.
inline constexpr const char* kWarningTitle = "Warning";
inline constexpr const char* kConfirmationTitle = "Confirm";
// Shown when the save dialog picks a file the program could not write.
inline constexpr const char* kReadOnlyChoice =
    "This file is read-only or lies in a folder that cannot be written to.\n"
    "Please choose another name.";

// A filter of the form "Name|pattern|Name|pattern" as Qt's name filters:
// "Name (patterns)", several patterns separated by blanks, and "*.*" (every
// file) as "*".
QStringList QtNameFilters(const std::string& filter);

class QtDialogs final : public platform::Dialogs {
 public:
  platform::Button Ask(const platform::Question& question) override;
  std::optional<std::string> ChooseFile(const platform::FileDialogRequest& request) override;
};

// True when a file the save dialog chose could be written: an existing file
// must be writable, a new one needs a writable folder.
bool WritableChoice(const std::string& path);

}  // namespace vornak::forms
