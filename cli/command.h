#pragma once

// The subcommands of vnk: each group of commands lives in its own file and
// hands its table to main. Data goes to stdout, messages to stderr.

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/status.h"

namespace vornak::cli {

enum ExitStatus : int {
  kExitSuccess = 0,
  kExitFailure = 1,
  kExitUsage = 2,
  kExitBadSectors = 3,  // saved, but some sectors could not be read
};

struct OptionSpec {
  std::string_view name;  // with its dashes: "--force"
  bool takesValue = false;
};

// The words of a command line after the command's name.
struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string, std::less<>> options;

  bool Has(std::string_view option) const { return options.find(option) != options.end(); }
  std::optional<std::string> Value(std::string_view option) const {
    auto found = options.find(option);
    if (found == options.end()) return std::nullopt;
    return found->second;
  }
};

// Splits `words` into options of `specs` ("--name VALUE", "--name=VALUE") and
// positional words ("--" ends the options). Fails on an unknown option or a
// missing value.
Result<Arguments> ParseArguments(std::span<const std::string> words,
                                 std::span<const OptionSpec> specs);

struct Command {
  std::string_view name;
  std::string_view usage;    // the words after "vnk": "list IMAGE"
  std::string_view summary;  // one line for `vnk --help`
  std::string_view help;     // the rest of `vnk help NAME`
  std::vector<OptionSpec> options;
  std::size_t minPositional = 0;
  std::size_t maxPositional = 0;
  // Runs the command; it gets its own row for its usage and its messages.
  int (*run)(const Command& command, const Arguments& arguments) = nullptr;
};

// A drive named on the command line: "A:", "a:", "A" or "b" as a drive
// index (0 = A:, 1 = B:); nothing for anything else.
std::optional<int> ParseDriveLetter(std::string_view word);

// The drive a command works on.
struct DriveChoice {
  int index = 0;  // 0 = A:, 1 = B:
};

// The drive that `word` names (A: without a word), or the exit status after
// saying that the word names no drive or that the machine has no such drive.
std::variant<DriveChoice, int> ChooseDrive(const Command& command, std::optional<std::string_view> word);

// A description as the editor would store it: line breaks removed, at most
// 256 characters.
Result<std::string> DescriptionText(const std::string& typed);

// The command groups.
std::span<const Command> ImageCommands();
std::span<const Command> DriveCommands();
std::span<const Command> TransferCommands();

// A usage error of `command`: the message and the usage line on stderr.
int UsageError(const Command& command, const std::string& message);
// A failure: the message on stderr.
int Fail(const std::string& message);

}  // namespace vornak::cli
