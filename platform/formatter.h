#pragma once

// Formatting a drive: a fresh FAT12 file system of one of the four floppy
// formats. A quick format writes the system areas only; a full format first
// writes every sector of the disk.

#include <functional>

#include "platform/drive.h"
#include "platform/fat12.h"
#include "platform/status.h"

namespace vornak::platform {

// Called with the sectors done and the total; returning false cancels.
using FormatProgress = std::function<bool(int done, int total)>;

// Formats the disk in `drive` to `capacityKb` (1440, 1200, 720 or 360). A
// virtual drive's file is created or resized to the new capacity; a device
// must be safe to write and already hold a disk of that capacity. A full
// format reports progress after every 100 sectors and can be cancelled, which
// leaves the disk without a file system and reports a failure.
Status FormatDisk(Drive& drive, int capacityKb, const VolumeDetails& volume, bool quick,
                  const FormatProgress& progress = nullptr);

}  // namespace vornak::platform
