#pragma once

// The system services the main window asks about its floppy drives: which
// drives exist, the capacity of the disk in a drive, the entries of its root
// directory, and formatting. The real implementation works on the drive table
// (floppy devices or image files); tests put a fake in its place.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace vornak::platform {

// One entry of a disk's directory, as the system's enumeration gives it.
struct DiskEntry {
  std::string name;         // UTF-8: the long name where there is one, else NAME.EXT
  uint16_t attributes = 0;  // the attribute word; 16 is a folder and nothing else

  bool operator==(const DiskEntry&) const = default;
};

// The attribute word of a folder and nothing else.
inline constexpr uint16_t kFolderAttributes = 16;
// Appended to a disk listing's line for an entry that is a folder and nothing else.
inline constexpr std::string_view kDiskFolderSuffix = "   <Dir>";

// An entry as a line of a disk listing: its name, marked when it is a folder.
inline std::string ListingLine(const DiskEntry& entry) {
  return entry.attributes == kFolderAttributes ? entry.name + std::string(kDiskFolderSuffix) : entry.name;
}

// What the format dialog asks for.
struct FormatRequest {
  int driveIndex = 0;            // 0 = A:, 1 = B:
  int capacityKb = 1440;         // 1440, 1200, 720 or 360
  std::string label;             // volume label, up to 11 characters; empty for none
  bool quick = true;             // quick: system areas only; full: every sector first
  std::optional<uint32_t> serial;  // volume serial; the clock's when not given
};

class DriveServices {
 public:
  virtual ~DriveServices() = default;

  // Bit 0 is drive A:, bit 1 drive B:.
  virtual uint32_t LogicalDriveMask() = 0;

  // Total capacity in bytes of the FAT file system on the disk in drive
  // `driveNumber` (1 = A:, 2 = B:): data clusters x sectors per cluster x
  // bytes per sector. -1 when the drive is not ready or holds no FAT12 disk.
  virtual int64_t DiskCapacity(int driveNumber) = 0;

  // The entries of the root directory of the disk in drive `driveIndex`
  // (0 = A:, 1 = B:) in directory order, without deleted entries and the
  // volume label. Nothing when the enumeration cannot start: no drive, no
  // readable FAT12 disk, or a root directory without entries (find-first
  // finds nothing in an empty folder).
  virtual std::optional<std::vector<DiskEntry>> ListRootDirectory(int driveIndex) = 0;

  // The capacity in KB that the format dialog offers first for a drive.
  virtual int StandardCapacityKb(int driveIndex) = 0;

  // Formats the disk in a drive. `progress` is called during a full format
  // with the sectors done and the total; returning false cancels.
  virtual Status Format(const FormatRequest& request,
                        const std::function<bool(int done, int total)>& progress) = 0;
};

// The drives of this machine, from the drive table.
DriveServices& SystemDrives();

}  // namespace vornak::platform
