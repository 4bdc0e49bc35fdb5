#include "platform/formatter.h"

#include <algorithm>
#include <vector>

namespace vornak::platform {
namespace {

// What a low-level format leaves in every data byte.
constexpr uint8_t kFormatFiller = 0xF6;

Status Failed(const Drive& drive, const SectorStatus& status, const char* what) {
  return Failure{"Formatting " + drive.Path() + " failed while " + what + ": " + status.detail()};
}

}  // namespace

Status FormatDisk(Drive& drive, int capacityKb, const VolumeDetails& volume, bool quick,
                  const FormatProgress& progress) {
  const FloppyLayout* layout = FindFloppyLayout(capacityKb);
  if (layout == nullptr) {
    return Failure{"A floppy disk is formatted to 1440, 1200, 720 or 360 KB, not " +
                   std::to_string(capacityKb) + " KB"};
  }
  Result<std::vector<uint8_t>> areas = BuildSystemAreas(*layout, volume);
  if (!areas) return areas.failure();

  const int total = layout->totalSectors;
  const std::string cancelled = "The format of " + drive.Path() + " was cancelled; the disk holds no file system";
  if (!quick && progress && !progress(0, total)) return Failure{cancelled};
  if (Status prepared = drive.PrepareForFormat(uint64_t{layout->totalSectors} * kDriveSectorSize); !prepared) {
    return prepared;
  }

  if (!quick) {
    const std::vector<uint8_t> filler(kMaxSectorsPerCall * kDriveSectorSize, kFormatFiller);
    for (int first = 0; first < total;) {
      const auto count = static_cast<uint32_t>(std::min<int>(kMaxSectorsPerCall, total - first));
      if (SectorStatus written = drive.Write(static_cast<uint32_t>(first), count, filler); !written) {
        return Failed(drive, written, "writing every sector");
      }
      first += static_cast<int>(count);
      if (progress && !progress(first, total)) return Failure{cancelled};
    }
  }

  const std::vector<uint8_t>& bytes = areas.value();
  const auto sectors = static_cast<uint32_t>(bytes.size() / kDriveSectorSize);
  for (uint32_t first = 0; first < sectors;) {
    const uint32_t count = std::min(kMaxSectorsPerCall, sectors - first);
    std::span<const uint8_t> chunk(bytes.data() + std::size_t{first} * kDriveSectorSize,
                                   std::size_t{count} * kDriveSectorSize);
    if (SectorStatus written = drive.Write(first, count, chunk); !written) {
      return Failed(drive, written, "writing the system areas");
    }
    first += count;
  }
  drive.Close();
  return Ok();
}

}  // namespace vornak::platform
