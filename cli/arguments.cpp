#include "cli/command.h"

#include "description/description.h"
#include "platform/driveservices.h"
#include "transfer/questions.h"

#include <algorithm>
#include <iostream>

namespace vornak::cli {

Result<Arguments> ParseArguments(std::span<const std::string> words,
                                 std::span<const OptionSpec> specs) {
  Arguments arguments;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (optionsEnded || word.size() < 2 || word.compare(0, 2, "--") != 0) {
      arguments.positional.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = word.find('=');
    const std::string name = word.substr(0, equals);
    auto spec = std::find_if(specs.begin(), specs.end(),
                             [&](const OptionSpec& s) { return s.name == name; });
    if (spec == specs.end()) return Failure{"unknown option " + name};
    if (!spec->takesValue) {
      if (equals != std::string::npos) return Failure{"option " + name + " takes no value"};
      arguments.options[name] = "";
    } else if (equals != std::string::npos) {
      arguments.options[name] = word.substr(equals + 1);
    } else if (i + 1 < words.size()) {
      arguments.options[name] = words[++i];
    } else {
      return Failure{"option " + name + " needs a value"};
    }
  }
  return arguments;
}

std::optional<int> ParseDriveLetter(std::string_view word) {
  if (word.size() == 2 && word[1] == ':') word.remove_suffix(1);
  if (word.size() != 1) return std::nullopt;
  const char letter = static_cast<char>(word[0] & ~0x20);
  if (letter != 'A' && letter != 'B') return std::nullopt;
  return letter - 'A';
}

std::variant<DriveChoice, int> ChooseDrive(const Command& command, std::optional<std::string_view> word) {
  DriveChoice choice;
  if (word) {
    std::optional<int> index = ParseDriveLetter(*word);
    if (!index) return UsageError(command, "a drive is A: or B:, not '" + std::string(*word) + "'");
    choice.index = *index;
  }
  if ((platform::SystemDrives().LogicalDriveMask() & (1u << choice.index)) == 0) {
    return Fail("vnk " + std::string(command.name) + ": there is no drive " + DriveText(choice.index));
  }
  return choice;
}

Result<std::string> DescriptionText(const std::string& typed) {
  std::string text;
  for (char c : typed) {
    if (c != '\n' && c != '\r') text += c;
  }
  if (text.size() > kMaxDescriptionLength) {
    return Failure{"a description holds at most " + std::to_string(kMaxDescriptionLength) +
                   " characters"};
  }
  return text;
}

int UsageError(const Command& command, const std::string& message) {
  std::cerr << "vnk " << command.name << ": " << message << "\n"
            << "usage: vnk " << command.usage << "\n";
  return kExitUsage;
}

int Fail(const std::string& message) {
  std::cerr << message << "\n";
  return kExitFailure;
}

}  // namespace vornak::cli
