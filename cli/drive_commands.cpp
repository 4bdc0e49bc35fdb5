// vnk commands that work on the floppy drives: drives, dir, format.

#include <cstdio>
#include <variant>
#include <iostream>
#include <sstream>

#include "cli/command.h"
#include "image/imageformat.h"
#include "platform/drivetable.h"
#include "platform/fat12.h"
#include "transfer/questions.h"

namespace vornak::cli {
namespace {

using platform::Drive;
using platform::MediaState;

// The drive a command names in its only word (A: without one), or the exit
// status when it names none the machine has.
std::variant<DriveChoice, int> DriveOf(const Command& command, const Arguments& arguments) {
  if (arguments.positional.empty()) return ChooseDrive(command, std::nullopt);
  return ChooseDrive(command, arguments.positional[0]);
}

int Drives(const Command&, const Arguments&) {
  platform::DriveTable& table = platform::SystemDriveTable();
  platform::DriveServices& services = platform::SystemDrives();
  for (int index = 0; index < 2; ++index) {
    Drive* drive = table.At(index);
    if (drive == nullptr) continue;
    const platform::Medium medium = drive->Inspect();
    std::string format = "-";
    if (medium.state != MediaState::NoDisk && medium.state != MediaState::Unreadable) {
      const int64_t capacity = services.DiskCapacity(index + 1);
      format = capacity < 0 ? "unformatted" : std::string(DiskFormatForCapacity(capacity).FormatName);
    }
    std::cout << DriveText(index) << '\t' << drive->Path() << '\t' << platform::DriveKindName(drive->Kind())
              << '\t' << platform::MediaStateName(medium.state) << '\t' << format << '\n';
    if (!medium.detail.empty()) std::cerr << DriveText(index) << ' ' << medium.detail << '\n';
  }
  return kExitSuccess;
}

int Dir(const Command& command, const Arguments& arguments);
int Format(const Command& command, const Arguments& arguments);

const Command kDriveCommands[] = {
    {"drives", "drives", "List the floppy drives, what backs them and the disk in each",
     "One line per drive, fields separated by tabs: the letter, the device or image\n"
     "file behind it, its kind (device or virtual), the state of its disk (ready,\n"
     "write-protected, no disk, unknown media, unreadable) and the format the disk's\n"
     "file system reports. VORNAK_DRIVE_A and VORNAK_DRIVE_B choose the drives; see\n"
     "the README.",
     {}, 0, 0, Drives},
    {"dir", "dir [DRIVE]", "List the root directory of the disk in a drive (A: by default)",
     "Prints the entries in the order the disk holds them, long names where there\n"
     "are some; a folder ends in \"   <Dir>\". Prints nothing for an empty disk.",
     {}, 0, 1, Dir},
    {"format", "format [DRIVE] [--size 1440|1200|720|360] [--label TEXT] [--full]",
     "Format the disk in a drive (A: by default) with a fresh FAT12 file system",
     "--size KB     the capacity: 1440, 1200, 720 or 360 (default: the disk's own,\n"
     "              else 1440); a virtual drive's image file takes the new size\n"
     "--label TEXT  the volume label, up to 11 characters\n"
     "--full        writes every sector before the file system (with progress)\n"
     "Everything on the disk is lost. A device is only written when it holds a\n"
     "floppy-sized disk and is not mounted.",
     {{"--size", true}, {"--label", true}, {"--full", false}}, 0, 1, Format},
};

int Dir(const Command& command, const Arguments& arguments) {
  std::variant<DriveChoice, int> drive = DriveOf(command, arguments);
  if (const int* status = std::get_if<int>(&drive)) return *status;
  const int index = std::get<DriveChoice>(drive).index;
  platform::DriveServices& services = platform::SystemDrives();
  if (services.DiskCapacity(index + 1) < 0) {
    const platform::Medium medium = platform::SystemDriveTable().At(index)->Inspect();
    return Fail("vnk dir: " + DriveText(index) + " holds no readable FAT12 disk" +
                (medium.detail.empty() ? std::string() : " (" + medium.detail + ")"));
  }
  std::ostringstream out;
  for (const platform::DiskEntry& entry : services.ListRootDirectory(index).value_or(std::vector<platform::DiskEntry>{})) {
    out << platform::ListingLine(entry) << '\n';
  }
  std::cout << out.str();
  return kExitSuccess;
}

int Format(const Command& command, const Arguments& arguments) {
  std::variant<DriveChoice, int> drive = DriveOf(command, arguments);
  if (const int* status = std::get_if<int>(&drive)) return *status;
  platform::DriveServices& services = platform::SystemDrives();

  platform::FormatRequest request;
  request.driveIndex = std::get<DriveChoice>(drive).index;
  request.capacityKb = services.StandardCapacityKb(request.driveIndex);
  if (auto size = arguments.Value("--size")) {
    const platform::FloppyLayout* layout = nullptr;
    for (const platform::FloppyLayout& candidate : platform::kFloppyLayouts) {
      if (std::to_string(candidate.capacityKb) == *size) layout = &candidate;
    }
    if (layout == nullptr) return UsageError(command, "--size is 1440, 1200, 720 or 360, not '" + *size + "'");
    request.capacityKb = layout->capacityKb;
  }
  if (auto label = arguments.Value("--label")) {
    if (Result<std::string> field = platform::VolumeLabelField(*label); !field) {
      return UsageError(command, field.message());
    }
    request.label = *label;
  }
  request.quick = !arguments.Has("--full");

  int shown = -1;
  auto progress = [&](int done, int total) {
    const int percent = total > 0 ? done * 100 / total : 100;
    if (percent != shown) std::cerr << "\rFormatting " << DriveText(request.driveIndex) << ' ' << percent << '%' << std::flush;
    shown = percent;
    return true;
  };
  Status formatted = services.Format(request, progress);
  if (!request.quick) std::cerr << '\n';
  if (!formatted) return Fail("vnk format: " + formatted.message());
  std::cerr << "Formatted " << DriveText(request.driveIndex) << " ("
            << platform::SystemDriveTable().At(request.driveIndex)->Path() << ") to "
            << request.capacityKb << " KB\n";
  return kExitSuccess;
}

}  // namespace

std::span<const Command> DriveCommands() { return kDriveCommands; }

}  // namespace vornak::cli
