#pragma once

// Test helpers for saving and restoring: a host that records what the engine
// shows, and a drive table of fault-injecting drives over image files.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/drive.h"
#include "platform/drivetable.h"
#include "tests/support/fixtures.h"
#include "transfer/readwritcomp.h"

namespace vornak::test {

// Records the progress display and the output area; message boxes go to a
// scripted responder. `onProcessMessages` runs where the application would
// handle window messages (a test clicks Cancel there).
class RecordingHost final : public TransferHost {
 public:
  void SetProgressRange(int maximum) override { range = maximum; }
  void SetProgressPosition(int position) override { positions.push_back(position); }
  void SetPercentCaption(const std::string& caption) override { captions.push_back(caption); }
  void ShowProgress() override { ++shown; }
  void ClearOutput() override { output.clear(); }
  void AppendOutput(const std::string& line) override { output.push_back(line); }
  bool IncludeDescription() override { return includeDescription; }
  platform::Dialogs& Dialogs() override { return dialogs; }
  void ProcessMessages() override {
    ++processed;
    if (onProcessMessages) onProcessMessages(processed);
  }

  int range = -1;
  std::vector<int> positions;
  std::vector<std::string> captions;
  int shown = 0;
  std::vector<std::string> output{"(untouched)"};
  bool includeDescription = false;
  platform::ScriptedDialogs dialogs;
  int processed = 0;
  std::function<void(int count)> onProcessMessages;
};

// Drives A: and B: as fault-injecting drives in front of image files in a
// temporary folder, put behind the disk device while the object lives.
class FaultyDrives {
 public:
  // `bytes` of each disk; 0 leaves the drive out.
  FaultyDrives(uint64_t bytesA, uint64_t bytesB = 0) {
    const uint64_t sizes[2] = {bytesA, bytesB};
    for (int i = 0; i < 2; ++i) {
      if (sizes[i] == 0) continue;
      paths[i] = dir.File(i == 0 ? "a.img" : "b.img");
      WriteBytes(paths[i], RandomBytes(sizes[i], 100 + i));
      auto drive = platform::MakeFaultInjectingDrive(platform::MakeImageFileDrive(paths[i]));
      drives[i] = drive.get();
      table.Install(i, std::move(drive));
    }
    scoped = std::make_unique<ScopedDriveTable>(table);
  }

  Bytes Disk(int index) const { return ReadBytes(paths[index]); }

  TempDir dir;
  std::string paths[2];
  platform::FaultInjectingDrive* drives[2] = {};
  platform::DriveTable table;
  std::unique_ptr<ScopedDriveTable> scoped;
};

}  // namespace vornak::test
