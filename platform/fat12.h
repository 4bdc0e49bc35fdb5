#pragma once

// The FAT12 file system of a floppy, on bytes in memory: the BIOS parameter
// block of the boot sector, the capacity the file system reports, the entries
// of the root directory, and the system areas a format writes. Nothing here
// reads a drive; every function takes the disk's first sectors as bytes and
// never reads outside them.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/driveservices.h"
#include "platform/status.h"

namespace vornak::platform {

// The fields of the BIOS parameter block that locate the file system.
struct BiosParameterBlock {
  uint16_t bytesPerSector = 0;
  uint8_t sectorsPerCluster = 0;
  uint16_t reservedSectors = 0;
  uint8_t fatCount = 0;
  uint16_t rootEntries = 0;
  uint32_t totalSectors = 0;  // the 16-bit count, or the 32-bit one when that is 0
  uint8_t media = 0;
  uint16_t sectorsPerFat = 0;
  uint16_t sectorsPerTrack = 0;
  uint16_t heads = 0;

  uint32_t RootDirectorySector() const { return reservedSectors + uint32_t{fatCount} * sectorsPerFat; }
  uint32_t RootDirectorySectors() const { return (uint32_t{rootEntries} * 32 + bytesPerSector - 1) / bytesPerSector; }
  uint32_t FirstDataSector() const { return RootDirectorySector() + RootDirectorySectors(); }
  uint32_t DataClusters() const { return (totalSectors - FirstDataSector()) / sectorsPerCluster; }
};

// The parameter block of a boot sector, when it describes a FAT12 file system
// on 512-byte sectors that our drives can read; nothing otherwise.
std::optional<BiosParameterBlock> ParseBiosParameterBlock(std::span<const uint8_t> bootSector);

// Total bytes of the file system's data area: data clusters x sectors per
// cluster x bytes per sector; -1 when `bootSector` holds no valid FAT12
// parameter block.
int64_t FatCapacity(std::span<const uint8_t> bootSector);

// The entries of the root directory of the disk whose first sectors are
// `diskStart`, in directory order: each with its long name where it has a
// sound one (else its short name as NAME.EXT), and its attribute byte.
// Deleted entries, the volume label and the pieces of long names are left
// out. Nothing when `diskStart` holds no valid FAT12 parameter block. Entries
// that lie beyond `diskStart` are not read.
std::optional<std::vector<DiskEntry>> RootDirectoryEntries(std::span<const uint8_t> diskStart);

// How many bytes from the start of the disk RootDirectoryEntries needs.
uint64_t RootDirectoryEnd(const BiosParameterBlock& bpb);

// The layout DOS and mkfs.fat give a floppy of each capacity.
struct FloppyLayout {
  int capacityKb;
  uint16_t totalSectors;
  uint8_t media;
  uint8_t sectorsPerCluster;
  uint16_t rootEntries;
  uint16_t sectorsPerFat;
  uint16_t sectorsPerTrack;
};
inline constexpr FloppyLayout kFloppyLayouts[] = {
    {1440, 2880, 0xF0, 1, 224, 9, 18},
    {1200, 2400, 0xF9, 1, 224, 7, 15},
    {720, 1440, 0xF9, 2, 112, 3, 9},
    {360, 720, 0xFD, 2, 112, 2, 9},
};
const FloppyLayout* FindFloppyLayout(int capacityKb);

// What goes into the boot sector and the root directory besides the layout.
struct VolumeDetails {
  std::string label;          // up to 11 characters; empty: no label
  uint32_t serial = 0;
  uint16_t dosDate = 0x0021;  // of the label entry: 1980-01-01 unless given
  uint16_t dosTime = 0;
};

// The label as DOS stores it: upper case, 11 characters blank-filled. Fails
// for a label that is too long or holds a character DOS does not allow.
Result<std::string> VolumeLabelField(std::string_view label);

// The system areas of a fresh FAT12 file system: the boot sector, the two
// FATs and the empty root directory (with the label, when there is one), as
// the bytes of the disk's first sectors.
Result<std::vector<uint8_t>> BuildSystemAreas(const FloppyLayout& layout, const VolumeDetails& volume);

}  // namespace vornak::platform
