#include "cli/terminal.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <string>

namespace vornak::cli {
namespace {

using platform::Button;

std::string_view ButtonName(Button button) {
  switch (button) {
    case Button::Ok: return "OK";
    case Button::Cancel: return "Cancel";
    case Button::Yes: return "Yes";
    case Button::No: return "No";
    case Button::Retry: return "Retry";
  }
  return "";
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

}  // namespace

bool CanAskQuestions() { return ::isatty(STDIN_FILENO) == 1; }

Button TerminalDialogs::Ask(const platform::Question& question) {
  std::cerr << question.text;
  if (question.text.empty() || question.text.back() != '\n') std::cerr << "\n";
  if (question.buttons.size() <= 1) return question.buttons.empty() ? Button::Ok : question.buttons[0];

  const Button stop = question.buttons.back();
  if (!CanAskQuestions()) {
    std::cerr << "(no terminal to answer on: " << ButtonName(stop) << ")\n";
    return stop;
  }
  for (;;) {
    std::cerr << "[";
    for (std::size_t i = 0; i < question.buttons.size(); ++i) {
      std::cerr << (i ? "/" : "") << ButtonName(question.buttons[i]);
    }
    std::cerr << "] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) return stop;
    answer = Lower(answer);
    for (Button button : question.buttons) {
      const std::string name = Lower(ButtonName(button));
      if (!answer.empty() && name.compare(0, answer.size(), answer) == 0) return button;
    }
  }
}

std::optional<std::string> TerminalDialogs::ChooseFile(const platform::FileDialogRequest&) {
  return std::nullopt;
}

}  // namespace vornak::cli
