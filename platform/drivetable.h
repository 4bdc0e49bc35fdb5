#pragma once

// The drive table: which of the drives A: and B: exist and what backs each,
// a floppy block device or a raw image file used as a virtual drive. It is
// this platform's stand-in for the system's own drive configuration; the
// settings below are read here and nowhere else.
//
// Each letter takes, in order: its setting (VORNAK_DRIVE_A, VORNAK_DRIVE_B: a
// device or an image file); else the next of the machine's floppy drives
// (/dev/fd0, /dev/fd1, then USB floppy drives); else A: is the default
// virtual floppy in the user's data folder and B: does not exist.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/drive.h"
#include "platform/driveservices.h"

namespace vornak::platform {

struct DriveSettings {
  std::string driveA;    // VORNAK_DRIVE_A; empty when not set
  std::string driveB;    // VORNAK_DRIVE_B; empty when not set
  std::string dataHome;  // $XDG_DATA_HOME, else ~/.local/share
  std::string devRoot = "/dev";
  std::string sysfsRoot = "/sys";
  std::string mountTable = "/proc/self/mountinfo";
};

// The settings of this process's environment.
DriveSettings SettingsFromEnvironment();

// The default virtual floppy: <dataHome>/vornak/drive-a.img.
std::string DefaultVirtualFloppy(const DriveSettings& settings);

// The machine's floppy drives in the order they take letters: fd0 and fd1
// where they exist, then the removable sd devices whose USB interface is a
// UFI floppy (mass storage, class 08, subclass 04), by name.
std::vector<std::string> FloppyDevices(const DriveSettings& settings);

// What backs one drive letter.
struct DriveSource {
  std::string path;
  DriveKind kind = DriveKind::Virtual;
  bool defaultVirtual = false;  // created as a formatted 1.44 MB disk when first needed

  bool operator==(const DriveSource&) const = default;
};

// The sources of A: and B:, by the order above; B: is empty when it does not exist.
std::array<std::optional<DriveSource>, 2> ResolveDrives(const DriveSettings& settings);

class DriveTable {
 public:
  DriveTable() = default;
  DriveTable(DriveTable&&) = default;
  DriveTable& operator=(DriveTable&&) = default;

  // The drives the settings give; nothing is opened yet.
  static DriveTable FromSettings(const DriveSettings& settings);

  // Puts `drive` in place of drive `index` (0 = A:, 1 = B:); null removes it.
  void Install(int index, std::unique_ptr<Drive> drive);
  // Drive `index` (0 = A:, 1 = B:), or null when there is no such drive.
  Drive* At(int index) const;

  // Bit 0 is A:, bit 1 is B:.
  uint32_t LogicalDriveMask() const;

  // Closes what backs every drive.
  void CloseAll();
  // Closes every drive and resets the floppy controllers; fails when any reset does.
  SectorStatus ResetAll();

 private:
  std::array<std::unique_ptr<Drive>, 2> drives_;
};

// The drive table of this process, resolved from the environment the first
// time it is asked for.
DriveTable& SystemDriveTable();

// The services the main window calls, over a drive table.
std::unique_ptr<DriveServices> MakeDriveServices(DriveTable& table);

}  // namespace vornak::platform
