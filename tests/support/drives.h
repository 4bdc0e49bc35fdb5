#pragma once

// Test helpers for the drive layer: environment settings that are put back
// afterwards, and loop devices that exist only while a test runs.

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/fixtures.h"

namespace vornak::test {

// Sets (or, with nullopt, removes) environment variables for the life of the
// object, and puts the old values back.
class ScopedEnvironment {
 public:
  explicit ScopedEnvironment(std::vector<std::pair<std::string, std::optional<std::string>>> values) {
    for (auto& [name, value] : values) {
      const char* old = std::getenv(name.c_str());
      saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
      Set(name, value);
    }
  }
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Set(it->first, it->second);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  static void Set(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A loop device over a file, detached at the end. `path()` is empty when the
// machine does not allow loop devices; the test then skips.
class LoopDevice {
 public:
  explicit LoopDevice(const std::string& backing, bool readOnly = false) {
    if (ToolPath("losetup").empty()) return;
    std::vector<std::string> argv{"losetup", "-f", "--show"};
    if (readOnly) argv.push_back("-r");
    argv.push_back(backing);
    CommandResult made = Run(argv);
    if (made.exitCode != 0) return;
    path_ = made.out.substr(0, made.out.find('\n'));
  }
  ~LoopDevice() {
    if (!path_.empty()) Run({"losetup", "-d", path_});
  }
  LoopDevice(const LoopDevice&) = delete;
  LoopDevice& operator=(const LoopDevice&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace vornak::test
