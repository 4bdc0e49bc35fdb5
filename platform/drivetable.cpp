#include "platform/drivetable.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/fat12.h"
#include "platform/formatter.h"

namespace vornak::platform {
namespace {

namespace fs = std::filesystem;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "" : value;
}

std::string FirstLine(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// A sysfs attribute such as "08"; nothing for anything else.
std::optional<unsigned> HexValue(const std::string& text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// True when the sysfs device folder `device` belongs to a USB interface of
// class 08 (mass storage) and subclass 04 (UFI, the floppy command set).
bool IsUsbFloppy(const fs::path& sysfsRoot, fs::path device) {
  std::error_code error;
  const fs::path root = fs::weakly_canonical(sysfsRoot, error);
  for (; !device.empty() && device != device.root_path(); device = device.parent_path()) {
    if (!fs::exists(device / "bInterfaceClass", error)) {
      if (device == root) break;
      continue;
    }
    return HexValue(FirstLine(device / "bInterfaceClass")) == 0x08 &&
           HexValue(FirstLine(device / "bInterfaceSubClass")) == 0x04;
  }
  return false;
}

DriveSource SourceFor(const std::string& path) {
  struct stat status {};
  const bool device = ::stat(path.c_str(), &status) == 0 && S_ISBLK(status.st_mode);
  return {path, device ? DriveKind::Device : DriveKind::Virtual, false};
}

std::string Canonical(const std::string& path) {
  std::error_code error;
  fs::path canonical = fs::weakly_canonical(path, error);
  return error ? path : canonical.string();
}

// A DOS date and time of the clock, as a directory entry holds them.
void StampWithClock(VolumeDetails& volume) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  volume.dosDate = static_cast<uint16_t>((std::max(local.tm_year - 80, 0) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  volume.dosTime = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
}

// A volume serial from the clock, as DOS makes one: date and time folded together.
uint32_t SerialFromClock() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<uint32_t>(now.tv_sec) * 2654435761u ^ static_cast<uint32_t>(now.tv_nsec);
}

// Reads sectors [0, sectors) of `drive` in calls of at most 100.
std::optional<std::vector<uint8_t>> ReadDiskStart(Drive& drive, uint32_t sectors) {
  std::vector<uint8_t> bytes(std::size_t{sectors} * kDriveSectorSize);
  for (uint32_t first = 0; first < sectors;) {
    const uint32_t count = std::min(kMaxSectorsPerCall, sectors - first);
    if (!drive.Read(first, count, std::span(bytes).subspan(std::size_t{first} * kDriveSectorSize))) {
      return std::nullopt;
    }
    first += count;
  }
  return bytes;
}

// Each service lets go of the drive when it is done, so that a disk changed
// between two calls is read afresh.
class TableDriveServices final : public DriveServices {
 public:
  explicit TableDriveServices(DriveTable& table) : table_(table) {}

  uint32_t LogicalDriveMask() override { return table_.LogicalDriveMask(); }

  int64_t DiskCapacity(int driveNumber) override {
    Drive* drive = table_.At(driveNumber - 1);
    if (drive == nullptr) return -1;
    std::optional<std::vector<uint8_t>> boot = ReadDiskStart(*drive, 1);
    drive->Close();
    return boot ? FatCapacity(*boot) : -1;
  }

  std::optional<std::vector<DiskEntry>> ListRootDirectory(int driveIndex) override {
    Drive* drive = table_.At(driveIndex);
    if (drive == nullptr) return std::nullopt;
    std::optional<std::vector<DiskEntry>> entries = RootEntries(*drive);
    drive->Close();
    // Like find-first on an empty folder, an empty root directory gives no enumeration.
    if (!entries || entries->empty()) return std::nullopt;
    return entries;
  }

  int StandardCapacityKb(int driveIndex) override {
    Drive* drive = table_.At(driveIndex);
    if (drive != nullptr) {
      const uint64_t bytes = drive->Inspect().bytes;
      if (IsFloppySize(bytes)) return static_cast<int>(bytes / 1024);
    }
    return 1440;
  }

  Status Format(const FormatRequest& request,
                const std::function<bool(int done, int total)>& progress) override {
    Drive* drive = table_.At(request.driveIndex);
    if (drive == nullptr) {
      return Failure{std::string("There is no drive ") + static_cast<char>('A' + (request.driveIndex & 1)) + ":"};
    }
    VolumeDetails volume;
    volume.label = request.label;
    volume.serial = request.serial.value_or(SerialFromClock());
    StampWithClock(volume);
    Status formatted = FormatDisk(*drive, request.capacityKb, volume, request.quick, progress);
    drive->Close();
    return formatted;
  }

 private:
  static std::optional<std::vector<DiskEntry>> RootEntries(Drive& drive) {
    std::optional<std::vector<uint8_t>> boot = ReadDiskStart(drive, 1);
    if (!boot) return std::nullopt;
    std::optional<BiosParameterBlock> bpb = ParseBiosParameterBlock(*boot);
    if (!bpb) return std::nullopt;
    // The root directory must lie on the disk; a parameter block that puts it
    // further away is not followed.
    const uint64_t end = RootDirectoryEnd(*bpb);
    if (end > kFloppySizes[0] || end > drive.Inspect().bytes) return std::nullopt;
    const auto sectors = static_cast<uint32_t>((end + kDriveSectorSize - 1) / kDriveSectorSize);
    std::optional<std::vector<uint8_t>> start = ReadDiskStart(drive, sectors);
    if (!start) return std::nullopt;
    return RootDirectoryEntries(*start);
  }

  DriveTable& table_;
};

}  // namespace

DriveSettings SettingsFromEnvironment() {
  DriveSettings settings;
  settings.driveA = Environment("VORNAK_DRIVE_A");
  settings.driveB = Environment("VORNAK_DRIVE_B");
  settings.dataHome = Environment("XDG_DATA_HOME");
  // The XDG rules ignore a relative data folder.
  if (settings.dataHome.empty() || settings.dataHome[0] != '/') {
    std::string home = Environment("HOME");
    if (home.empty()) {
      if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) {
        home = user->pw_dir;
      }
    }
    settings.dataHome = home + "/.local/share";
  }
  return settings;
}

std::string DefaultVirtualFloppy(const DriveSettings& settings) {
  return settings.dataHome + "/vornak/drive-a.img";
}

std::vector<std::string> FloppyDevices(const DriveSettings& settings) {
  std::vector<std::string> devices;
  std::error_code error;
  for (const char* name : {"fd0", "fd1"}) {
    const std::string path = settings.devRoot + "/" + name;
    if (fs::exists(path, error)) devices.push_back(path);
  }
  std::vector<std::string> usb;
  const fs::path block = fs::path(settings.sysfsRoot) / "block";
  for (const fs::directory_entry& entry : fs::directory_iterator(block, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("sd", 0) != 0 || FirstLine(entry.path() / "removable") != "1") continue;
    const fs::path device = fs::canonical(entry.path(), error);
    if (!error && IsUsbFloppy(settings.sysfsRoot, device)) usb.push_back(name);
  }
  // sda .. sdz before sdaa: shorter names first.
  std::sort(usb.begin(), usb.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  for (const std::string& name : usb) devices.push_back(settings.devRoot + "/" + name);
  return devices;
}

std::array<std::optional<DriveSource>, 2> ResolveDrives(const DriveSettings& settings) {
  const std::string* configured[2] = {&settings.driveA, &settings.driveB};
  std::vector<std::string> machine;
  for (const std::string& device : FloppyDevices(settings)) {
    const bool named = std::any_of(std::begin(configured), std::end(configured), [&](const std::string* path) {
      return !path->empty() && Canonical(*path) == Canonical(device);
    });
    if (!named) machine.push_back(device);
  }
  std::array<std::optional<DriveSource>, 2> sources;
  std::size_t next = 0;
  for (int index = 0; index < 2; ++index) {
    if (!configured[index]->empty()) {
      sources[index] = SourceFor(*configured[index]);
    } else if (next < machine.size()) {
      sources[index] = DriveSource{machine[next++], DriveKind::Device, false};
    } else if (index == 0) {
      sources[index] = DriveSource{DefaultVirtualFloppy(settings), DriveKind::Virtual, true};
    }
  }
  return sources;
}

DriveTable DriveTable::FromSettings(const DriveSettings& settings) {
  DriveTable table;
  const auto sources = ResolveDrives(settings);
  for (int index = 0; index < 2; ++index) {
    const std::optional<DriveSource>& source = sources[index];
    if (!source) continue;
    table.Install(index, source->kind == DriveKind::Device
                             ? MakeBlockDeviceDrive(source->path, settings.mountTable)
                             : MakeImageFileDrive(source->path, source->defaultVirtual));
  }
  return table;
}

void DriveTable::Install(int index, std::unique_ptr<Drive> drive) {
  if (index == 0 || index == 1) drives_[index] = std::move(drive);
}

Drive* DriveTable::At(int index) const {
  return index == 0 || index == 1 ? drives_[index].get() : nullptr;
}

uint32_t DriveTable::LogicalDriveMask() const {
  return (drives_[0] ? 1u : 0u) | (drives_[1] ? 2u : 0u);
}

void DriveTable::CloseAll() {
  for (const auto& drive : drives_) {
    if (drive) drive->Close();
  }
}

SectorStatus DriveTable::ResetAll() {
  SectorStatus result = SectorStatus::Success();
  for (const auto& drive : drives_) {
    if (!drive) continue;
    if (SectorStatus reset = drive->Reset(); !reset && result) result = reset;
  }
  return result;
}

DriveTable& SystemDriveTable() {
  static DriveTable table = DriveTable::FromSettings(SettingsFromEnvironment());
  return table;
}

DriveServices& SystemDrives() {
  static std::unique_ptr<DriveServices> services = MakeDriveServices(SystemDriveTable());
  return *services;
}

std::unique_ptr<DriveServices> MakeDriveServices(DriveTable& table) {
  return std::make_unique<TableDriveServices>(table);
}

}  // namespace vornak::platform
