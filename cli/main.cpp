// vnk: the command-line companion of Vornak.

#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"

namespace vornak::cli {
namespace {

std::vector<std::span<const Command>> Groups() { return {TransferCommands(), ImageCommands(), DriveCommands()}; }

const Command* FindCommand(std::string_view name) {
  for (std::span<const Command> group : Groups()) {
    for (const Command& command : group) {
      if (command.name == name) return &command;
    }
  }
  return nullptr;
}

void PrintOverview(std::ostream& out) {
  out << "usage: vnk COMMAND [ARGUMENTS]\n\n"
         "Saves floppy disks to Vornak image files, restores them, and works with the images.\n\n"
         "Commands:\n";
  for (std::span<const Command> group : Groups()) {
    for (const Command& command : group) {
      std::string usage(command.usage);
      // A usage too long for its column puts the summary on a line of its own.
      constexpr std::size_t kColumn = 40;
      out << "  " << usage;
      if (usage.size() < kColumn) {
        out << std::string(kColumn - usage.size(), ' ');
      } else {
        out << "\n  " << std::string(kColumn, ' ');
      }
      out << command.summary << "\n";
    }
  }
  out << "\n'vnk help COMMAND' tells more about a command; 'vnk --version' the version.\n"
         "Exit status: 0 success, 1 failure, 2 usage error (save: 3 saved with bad sectors).\n";
}

void PrintCommandHelp(const Command& command) {
  std::cout << "usage: vnk " << command.usage << "\n\n" << command.summary << "\n";
  if (!command.help.empty()) std::cout << "\n" << command.help << "\n";
}

int Run(const std::vector<std::string>& words) {
  if (words.empty()) {
    PrintOverview(std::cerr);
    return kExitUsage;
  }
  const std::string& first = words[0];
  if (first == "--help" || first == "-h" || (first == "help" && words.size() == 1)) {
    PrintOverview(std::cout);
    return kExitSuccess;
  }
  if (first == "--version") {
    std::cout << "vnk " << VORNAK_VERSION << "\n";
    return kExitSuccess;
  }
  if (first == "help") {
    const Command* command = FindCommand(words[1]);
    if (command == nullptr) {
      std::cerr << "vnk: no command named '" << words[1] << "'\n";
      return kExitUsage;
    }
    PrintCommandHelp(*command);
    return kExitSuccess;
  }

  const Command* command = FindCommand(first);
  if (command == nullptr) {
    std::cerr << "vnk: no command named '" << first << "'; 'vnk --help' lists them\n";
    return kExitUsage;
  }
  std::vector<std::string> rest(words.begin() + 1, words.end());
  for (const std::string& word : rest) {
    if (word == "--") break;
    if (word == "--help" || word == "-h") {
      PrintCommandHelp(*command);
      return kExitSuccess;
    }
  }
  Result<Arguments> arguments = ParseArguments(rest, command->options);
  if (!arguments) return UsageError(*command, arguments.message());
  const std::size_t count = arguments->positional.size();
  if (count < command->minPositional) return UsageError(*command, "missing arguments");
  if (count > command->maxPositional) return UsageError(*command, "too many arguments");
  return command->run(*command, arguments.value());
}

}  // namespace
}  // namespace vornak::cli

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  return vornak::cli::Run(words);
}
