#pragma once

// Helpers of the window tests: a drive layer, a desktop and a runner of modal
// showings that answer from a script, and a fixture that starts the program's
// five windows on them the way the program does.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/dialogs.h"
#include "platform/driveservices.h"
#include "platform/files.h"
#include "platform/forms/application.h"
#include "platform/forms/desktop.h"
#include "platform/forms/form.h"

#include <gtest/gtest.h>

// GoogleTest prints Qt's strings and geometry as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QSize& size, std::ostream* out) { *out << size.width() << " x " << size.height(); }
inline void PrintTo(const QPoint& point, std::ostream* out) { *out << "(" << point.x() << ", " << point.y() << ")"; }
inline void PrintTo(const QRect& rect, std::ostream* out) {
  *out << "(" << rect.x() << ", " << rect.y() << ") " << rect.width() << " x " << rect.height();
}

namespace vornak::test {

// Drives answering from what the test put in.
class FakeDrives final : public platform::DriveServices {
 public:
  uint32_t mask = 0b11;
  // Answers to DiskCapacity, first to last; the last one is repeated.
  std::deque<int64_t> capacities{1'457'664};
  std::vector<int> capacityQueries;  // the drive numbers asked about
  std::optional<std::vector<platform::DiskEntry>> entries[2];
  std::vector<int> listed;           // the drive indexes listed
  int standardKb[2] = {1440, 1440};
  std::vector<platform::FormatRequest> formats;
  // The format: how many progress steps a full format reports, what it
  // answers, and something to do at each step.
  int formatSteps = 4;
  Status formatResult = Ok();
  std::function<void(int step)> onFormatStep;

  uint32_t LogicalDriveMask() override { return mask; }
  int64_t DiskCapacity(int driveNumber) override;
  std::optional<std::vector<platform::DiskEntry>> ListRootDirectory(int driveIndex) override;
  int StandardCapacityKb(int driveIndex) override { return standardKb[driveIndex]; }
  Status Format(const platform::FormatRequest& request,
                const std::function<bool(int done, int total)>& progress) override;
};

class FakeDesktop final : public forms::Desktop {
 public:
  QSize screen{1024, 768};
  int beeps = 0;
  QSize ScreenSize() override { return screen; }
  void Beep() override { ++beeps; }
};

// Runs modal showings from a script: each showing records the window's name
// and runs the next scripted action, which returns the modal result. A
// showing nobody scripted returns mrCancel and is counted.
class ScriptedModals final : public forms::ModalRunner {
 public:
  using Action = std::function<int(forms::TForm& form)>;
  ScriptedModals() { forms::SetModalRunner(this); }
  ~ScriptedModals() override { forms::SetModalRunner(nullptr); }

  void Then(Action action) { actions_.push_back(std::move(action)); }
  int RunModal(forms::TForm& form) override;

  std::vector<QString> shown;
  int unscripted = 0;

 private:
  std::deque<Action> actions_;
};

// The program's windows on fakes; windows are created again by CreateWindows.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { CreateWindows(); }
  void TearDown() override;
  void CreateWindows(platform::FileSystem& files = platform::RealFileSystem());
  // Shows the main window and makes it the active one.
  void ShowMainWindow();

  platform::ScriptedDialogs dialogs;
  FakeDrives drives;
  FakeDesktop desktop;
  ScriptedModals modals;
  std::unique_ptr<forms::TApplication> application;
};

// An image file of a 360 KB disk whose root directory holds `entries`, with
// `description` at its end unless it is empty.
void WriteImage(const std::string& path, const std::vector<std::vector<uint8_t>>& entries,
                const std::string& description = "");

// Lets Qt handle the events that are waiting.
void ProcessEvents();

}  // namespace vornak::test
