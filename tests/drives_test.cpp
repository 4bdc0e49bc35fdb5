// The drives: error mapping, the write policy for block devices, image-file
// drives and their media states, the drive table and its resolution, the
// fault-injecting drive, formatting, and the services the main window calls.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/bytes.h"
#include "platform/drive.h"
#include "platform/drivetable.h"
#include "platform/fat12.h"
#include "platform/formatter.h"
#include "tests/support/drives.h"
#include "tests/support/fixtures.h"

namespace vornak::platform {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

constexpr std::size_t kSector = 512;

Bytes Sectors(std::size_t count, uint8_t value) { return Bytes(count * kSector, value); }

TEST(DriveErrors, SystemErrorsMapToDosCriticalErrorCodes) {
  struct Case {
    int error;
    int reading;
    int writing;
  };
  const Case cases[] = {
      {EROFS, 12, 0}, {EPERM, 12, 0},   {EACCES, 12, 0}, {ENOMEDIUM, 2, 2}, {ENXIO, 2, 2},
      {ENOENT, 2, 2}, {EIO, 11, 10},    {ENOSPC, 8, 8},  {EINVAL, 12, 12},  {EBUSY, 12, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::strerror(c.error));
    EXPECT_EQ(static_cast<int>(ErrorForErrno(c.error, false)), c.reading);
    EXPECT_EQ(static_cast<int>(ErrorForErrno(c.error, true)), c.writing);
  }
}

TEST(DriveSafety, OnlyFloppySizedUnmountedDevicesAreWritten) {
  struct Case {
    uint64_t bytes;
    bool readOnly;
    const char* mountPoint;
    std::optional<int> code;  // nothing: may be written
    const char* reason;
  };
  const Case cases[] = {
      {1474560, false, "", std::nullopt, ""},
      {1228800, false, "", std::nullopt, ""},
      {737280, false, "", std::nullopt, ""},
      {368640, false, "", std::nullopt, ""},
      {0, false, "", 2, "no disk"},
      {1474560, true, "", 0, "write-protected"},
      {1474560, false, "/media/floppy", 12, "mounted on /media/floppy"},
      {1474560, true, "/media/floppy", 12, "mounted on /media/floppy"},
      {1474561, false, "", 12, "not the size of a floppy disk"},
      {4194304, false, "", 12, "not the size of a floppy disk"},
      {2949120, false, "", 12, "not the size of a floppy disk"},  // 2.88 MB: not one of ours
      {500107862016, true, "/", 12, "not the size of a floppy disk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bytes) + (c.readOnly ? " read-only " : " ") + c.mountPoint);
    SectorStatus allowed = DeviceWritePolicy("/dev/sdz", {c.bytes, c.readOnly, c.mountPoint});
    EXPECT_EQ(allowed.ok(), !c.code.has_value());
    if (c.code) {
      EXPECT_EQ(allowed.code(), *c.code);
      EXPECT_NE(allowed.detail().find("/dev/sdz"), std::string::npos) << allowed.detail();
      EXPECT_NE(allowed.detail().find(c.reason), std::string::npos) << allowed.detail();
    }
  }
}

TEST(DriveSafety, FindsTheMountPointOfADeviceInMountinfo) {
  const std::string mountInfo =
      "22 1 254:1 / / rw,relatime shared:1 - ext4 /dev/vda1 rw\n"
      "40 22 7:3 / /mnt/fl rw,relatime shared:20 - vfat /dev/loop3 rw\n"
      "41 22 7:30 / /mnt/other rw - vfat /dev/loop30 rw\n";
  EXPECT_EQ(MountPointOf(makedev(7, 3), mountInfo), "/mnt/fl");
  EXPECT_EQ(MountPointOf(makedev(254, 1), mountInfo), "/");
  EXPECT_EQ(MountPointOf(makedev(7, 0), mountInfo), "");
  EXPECT_EQ(MountPointOf(makedev(2, 0), ""), "");
}

class ImageFileDrives : public ::testing::Test {
 protected:
  std::string Disk(const Bytes& bytes, const char* name = "disk.img") {
    const std::string path = dir_.File(name);
    test::WriteBytes(path, bytes);
    return path;
  }
  test::TempDir dir_;
};

TEST_F(ImageFileDrives, MediaStatesFollowTheFile) {
  const std::string ready = Disk(Sectors(2880, 0), "ready.img");
  const std::string locked = Disk(Sectors(1440, 0), "locked.img");
  ::chmod(locked.c_str(), 0444);
  const std::string odd = Disk(Sectors(100, 0), "odd.img");
  struct Case {
    std::string path;
    MediaState state;
    uint64_t bytes;
  };
  const Case cases[] = {
      {ready, MediaState::Ready, 1474560},
      {locked, MediaState::WriteProtected, 737280},
      {odd, MediaState::UnknownMedia, 51200},
      {dir_.File("missing.img"), MediaState::NoDisk, 0},
      {dir_.path(), MediaState::Unreadable, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Medium medium = MakeImageFileDrive(c.path)->Inspect();
    EXPECT_EQ(medium.state, c.state) << medium.detail;
    if (c.state != MediaState::Unreadable) {
      EXPECT_EQ(medium.bytes, c.bytes);
    }
  }
}

TEST_F(ImageFileDrives, ReadsAndWritesSectorsByLogicalNumber) {
  const Bytes original = test::RandomBytes(737280, 7);
  const std::string path = Disk(original);
  auto drive = MakeImageFileDrive(path);

  Bytes into(100 * kSector, 0xEE);
  ASSERT_TRUE(drive->Read(1400, 40, into));
  EXPECT_TRUE(std::equal(into.begin(), into.begin() + 40 * kSector, original.begin() + 1400 * kSector));
  EXPECT_EQ(into[40 * kSector], 0xEE) << "a read of 40 sectors fills 40 sectors";

  const Bytes data = test::RandomBytes(3 * kSector, 8);
  ASSERT_TRUE(drive->Write(7, 3, data));
  // The write is in the file itself, seen through another descriptor.
  Bytes expected = original;
  std::copy(data.begin(), data.end(), expected.begin() + 7 * kSector);
  EXPECT_EQ(test::ReadBytes(path), expected);
}

TEST_F(ImageFileDrives, FailuresCarryTheirDosCodeAndChangeNothing) {
  const Bytes original = test::RandomBytes(368640, 3);
  const std::string path = Disk(original);
  const std::string locked = Disk(original, "locked.img");
  ::chmod(locked.c_str(), 0555);  // no write bit at all, so root is refused too
  const std::string odd = Disk(test::RandomBytes(4096, 4), "odd.img");
  Bytes buffer = Sectors(100, 0x11);

  struct Case {
    const char* name;
    std::string path;
    bool writing;
    uint32_t first;
    uint32_t count;
    std::optional<int> code;
  };
  const Case cases[] = {
      {"the last sector", path, false, 719, 1, std::nullopt},
      {"one sector past the end", path, false, 720, 1, 8},
      {"a run crossing the end", path, true, 700, 21, 8},
      {"no sectors", path, false, 0, 0, 12},
      {"101 sectors", path, true, 0, 101, 12},
      {"an empty drive", dir_.File("missing.img"), false, 0, 1, 2},
      {"writing to an empty drive", dir_.File("missing.img"), true, 0, 1, 2},
      {"writing to a write-protected disk", locked, true, 0, 1, 0},
      {"reading a write-protected disk", locked, false, 0, 1, std::nullopt},
      {"writing to unknown media", odd, true, 0, 1, 12},
      {"reading unknown media", odd, false, 0, 8, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto drive = MakeImageFileDrive(c.path);
    SectorStatus status = c.writing ? drive->Write(c.first, c.count, buffer) : drive->Read(c.first, c.count, buffer);
    EXPECT_EQ(status.ok(), !c.code.has_value()) << status.detail();
    if (c.code) {
      EXPECT_EQ(status.code(), *c.code) << status.detail();
    }
  }
  EXPECT_EQ(test::ReadBytes(path), original);
  EXPECT_EQ(test::ReadBytes(locked), original);
  EXPECT_FALSE(fs::exists(dir_.File("missing.img"))) << "an empty drive gets no file";
}

TEST_F(ImageFileDrives, TheDefaultFloppyIsCreatedFormattedWhenFirstNeeded) {
  const std::string path = dir_.File("data/vornak/drive-a.img");
  auto drive = MakeImageFileDrive(path, true);
  EXPECT_FALSE(fs::exists(path)) << "making the drive creates nothing";
  Bytes boot(kSector);
  ASSERT_TRUE(drive->Read(0, 1, boot));
  EXPECT_EQ(fs::file_size(path), 1474560u);
  EXPECT_EQ(FatCapacity(boot), 1457664);
  test::CommandResult fsck = test::Run({"fsck.fat", "-n", path});
  EXPECT_EQ(fsck.exitCode, 0) << fsck.out;
  // Once there, it is a disk like any other: it is not formatted again.
  ASSERT_TRUE(drive->Write(100, 1, Sectors(1, 0x42)));
  EXPECT_EQ(test::ReadBytes(path)[100 * kSector], 0x42);
  EXPECT_EQ(MakeImageFileDrive(path, true)->Inspect().state, MediaState::Ready);
  EXPECT_EQ(test::ReadBytes(path)[100 * kSector], 0x42);

  // Formatted before its first use, it is made in the format asked for.
  const std::string fresh = dir_.File("other/vornak/drive-a.img");
  ASSERT_TRUE(FormatDisk(*MakeImageFileDrive(fresh, true), 720, {"", 1}, true));
  EXPECT_EQ(fs::file_size(fresh), 737280u);
}

// A sysfs tree with one USB interface per device: name, removable, class, subclass.
struct FakeUsbDevice {
  std::string name;
  std::string removable;
  std::string interfaceClass;
  std::string interfaceSubClass;
};

void MakeSysfs(const std::string& root, const std::vector<FakeUsbDevice>& devices) {
  fs::create_directories(root + "/block");
  int host = 1;
  for (const FakeUsbDevice& device : devices) {
    const std::string interface = root + "/devices/pci0000:00/usb1/1-" + std::to_string(host) + "/1-" +
                                  std::to_string(host) + ":1.0";
    const std::string block = interface + "/host" + std::to_string(host) + "/target/0:0:0:0/block/" + device.name;
    fs::create_directories(block);
    test::WriteBytes(interface + "/bInterfaceClass", test::BytesOf(device.interfaceClass + "\n"));
    test::WriteBytes(interface + "/bInterfaceSubClass", test::BytesOf(device.interfaceSubClass + "\n"));
    test::WriteBytes(block + "/removable", test::BytesOf(device.removable + "\n"));
    fs::create_directory_symlink(fs::relative(block, root + "/block"), root + "/block/" + device.name);
    ++host;
  }
}

TEST(DriveTable, ResolvesEachLetterFromItsSettingThenTheMachineThenTheDefault) {
  test::TempDir dir;
  const std::string dev = dir.File("dev"), sys = dir.File("sys"), data = dir.File("data");
  fs::create_directories(dev);
  const std::string imageA = dir.File("a.img"), imageB = dir.File("b.img");
  const std::string fallback = data + "/vornak/drive-a.img";
  auto virtualDisk = [](std::string path, bool byDefault = false) {
    return DriveSource{std::move(path), DriveKind::Virtual, byDefault};
  };
  auto device = [&](const std::string& name) { return DriveSource{dev + "/" + name, DriveKind::Device, false}; };

  struct Case {
    const char* name;
    std::vector<std::string> devNodes;
    std::vector<FakeUsbDevice> usb;
    std::string settingA, settingB;
    std::optional<DriveSource> a, b;
  };
  const FakeUsbDevice floppy{"sdb", "1", "08", "04"}, stick{"sdc", "1", "08", "06"},
      fixedUfi{"sda", "0", "08", "04"}, secondFloppy{"sdd", "1", "08", "04"};
  const Case cases[] = {
      {"nothing at all", {}, {}, "", "", virtualDisk(fallback, true), std::nullopt},
      {"both settings", {"fd0"}, {}, imageA, imageB, virtualDisk(imageA), virtualDisk(imageB)},
      {"one floppy drive", {"fd0"}, {}, "", "", device("fd0"), std::nullopt},
      {"two floppy drives", {"fd1", "fd0"}, {}, "", "", device("fd0"), device("fd1")},
      {"a setting for A: only", {"fd0"}, {}, imageA, "", virtualDisk(imageA), device("fd0")},
      {"a setting for B: only", {}, {}, "", imageB, virtualDisk(fallback, true), virtualDisk(imageB)},
      {"USB floppies after fd0, sticks and fixed disks left out",
       {"fd0"}, {stick, secondFloppy, fixedUfi, floppy}, "", "", device("fd0"), device("sdb")},
      {"two USB floppies", {}, {secondFloppy, floppy}, "", "", device("sdb"), device("sdd")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dev);
    fs::remove_all(sys);
    fs::create_directories(dev);
    for (const std::string& node : c.devNodes) test::WriteBytes(dev + "/" + node, {});
    MakeSysfs(sys, c.usb);
    DriveSettings settings{c.settingA, c.settingB, data, dev, sys, "/nonexistent/mountinfo"};
    const auto sources = ResolveDrives(settings);
    EXPECT_EQ(sources[0], c.a);
    EXPECT_EQ(sources[1], c.b);
    DriveTable table = DriveTable::FromSettings(settings);
    EXPECT_EQ(table.LogicalDriveMask(), c.b ? 3u : 1u);
  }
  EXPECT_FALSE(fs::exists(fallback)) << "resolving creates no file";
}

TEST(DriveTable, ReadsItsSettingsFromTheEnvironment) {
  test::ScopedEnvironment environment({{"VORNAK_DRIVE_A", "/tmp/a.img"},
                                       {"VORNAK_DRIVE_B", std::nullopt},
                                       {"XDG_DATA_HOME", std::nullopt},
                                       {"HOME", "/home/someone"}});
  DriveSettings settings = SettingsFromEnvironment();
  EXPECT_EQ(settings.driveA, "/tmp/a.img");
  EXPECT_EQ(settings.driveB, "");
  EXPECT_EQ(DefaultVirtualFloppy(settings), "/home/someone/.local/share/vornak/drive-a.img");
  test::ScopedEnvironment xdg({{"XDG_DATA_HOME", "/srv/data"}, {"HOME", std::nullopt}});
  EXPECT_EQ(DefaultVirtualFloppy(SettingsFromEnvironment()), "/srv/data/vornak/drive-a.img");
}

class FaultInjection : public ::testing::Test {
 protected:
  void SetUp() override {
    original_ = test::RandomBytes(737280, 11);
    path_ = dir_.File("disk.img");
    test::WriteBytes(path_, original_);
    drive_ = MakeFaultInjectingDrive(MakeImageFileDrive(path_));
  }
  Bytes SectorsOfFile(uint32_t first, uint32_t count) const {
    const Bytes all = test::ReadBytes(path_);
    return Bytes(all.begin() + first * kSector, all.begin() + (first + count) * kSector);
  }
  test::TempDir dir_;
  Bytes original_;
  std::string path_;
  std::unique_ptr<FaultInjectingDrive> drive_;
};

TEST_F(FaultInjection, FailsChosenSectorsAlwaysOrOnlyOnce) {
  drive_->AddFault({Operation::Read, 17, DiskError::ReadFault, false});
  drive_->AddFault({Operation::Read, 30, DiskError::NotReady, true});
  Bytes buffer = Sectors(100, 0);
  for (int attempt = 0; attempt < 3; ++attempt) {
    SectorStatus status = drive_->Read(17, 1, buffer);
    EXPECT_FALSE(status);
    EXPECT_EQ(status.code(), 11);
  }
  EXPECT_EQ(drive_->Read(30, 1, buffer).code(), 2);
  EXPECT_TRUE(drive_->Read(30, 1, buffer)) << "a first-attempt fault fails once";
  // A run meeting a fault stops there: the sectors before it arrive.
  std::fill(buffer.begin(), buffer.end(), 0xAB);
  EXPECT_EQ(drive_->Read(10, 20, buffer).code(), 11);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 7 * kSector, original_.begin() + 10 * kSector));
  EXPECT_EQ(buffer[7 * kSector], 0xAB);
  EXPECT_EQ(drive_->Reads(), 6);
  EXPECT_EQ(drive_->Writes(), 0);
  EXPECT_EQ(drive_->Calls().back(), (DriveCall{Operation::Read, 10, 20, false}));
}

TEST_F(FaultInjection, AFailedWriteLeavesTheSectorsFromTheFaultOnUntouched) {
  drive_->AddFault({Operation::Write, 150, DiskError::WriteFault, true});
  const Bytes chunk = test::RandomBytes(100 * kSector, 12);
  SectorStatus first = drive_->Write(100, 100, chunk);
  EXPECT_EQ(first.code(), 10);
  EXPECT_EQ(SectorsOfFile(100, 50), Bytes(chunk.begin(), chunk.begin() + 50 * kSector));
  EXPECT_EQ(SectorsOfFile(150, 50), Bytes(original_.begin() + 150 * kSector, original_.begin() + 200 * kSector));
  EXPECT_TRUE(drive_->Write(100, 100, chunk)) << "the retry succeeds";
  EXPECT_EQ(SectorsOfFile(100, 100), chunk);
  EXPECT_EQ(drive_->Writes(), 2);
}

TEST_F(FaultInjection, WriteProtectionAndAnEmptyDriveCanBeSwitched) {
  drive_->SetWriteProtected(true);
  EXPECT_EQ(drive_->Inspect().state, MediaState::WriteProtected);
  EXPECT_EQ(drive_->Write(0, 1, Sectors(1, 0)).code(), 0);
  EXPECT_FALSE(drive_->PrepareForFormat(737280));
  EXPECT_EQ(test::ReadBytes(path_), original_) << "a write-protected disk is not changed";
  drive_->SetWriteProtected(false);
  EXPECT_TRUE(drive_->Write(0, 1, Sectors(1, 0)));
  drive_->SetEmpty(true);
  Bytes buffer = Sectors(1, 0);
  EXPECT_EQ(drive_->Read(0, 1, buffer).code(), 2);
  EXPECT_EQ(drive_->Inspect().state, MediaState::NoDisk);
  EXPECT_TRUE(drive_->Reset());
  EXPECT_EQ(drive_->Resets(), 1);
}

TEST(Formatting, QuickFormatsResizeAVirtualDisk) {
  test::TempDir dir;
  const std::string path = dir.File("disk.img");
  test::MakeFatDisk(path, 1440);
  auto drive = MakeImageFileDrive(path);
  for (int kb : {720, 360, 1200, 1440}) {
    SCOPED_TRACE(kb);
    ASSERT_TRUE(FormatDisk(*drive, kb, {"SIZE" + std::to_string(kb), 99}, true));
    EXPECT_EQ(fs::file_size(path), uint64_t(kb) * 1024);
    EXPECT_EQ(test::Run({"fsck.fat", "-n", path}).exitCode, 0);
  }
}

TEST(Formatting, AFullFormatWritesEverySectorWithProgressAndCanBeCancelled) {
  test::TempDir dir;
  const std::string path = dir.File("disk.img");
  test::WriteBytes(path, test::RandomBytes(737280, 5));
  auto drive = MakeImageFileDrive(path);
  std::vector<int> seen;
  auto progress = [&](int done, int total) {
    EXPECT_EQ(total, 1440);
    seen.push_back(done);
    return true;
  };
  ASSERT_TRUE(FormatDisk(*drive, 720, {"", 1}, false, progress));
  EXPECT_EQ(seen, (std::vector<int>{0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 1100, 1200, 1300, 1400, 1440}));
  const Bytes disk = test::ReadBytes(path);
  EXPECT_TRUE(std::all_of(disk.begin() + 14 * kSector, disk.end(), [](uint8_t b) { return b == 0xF6; }))
      << "the data area (from sector 14) holds the format filler, nothing of the old disk";
  EXPECT_EQ(test::Run({"fsck.fat", "-n", path}).exitCode, 0);

  Status cancelled = FormatDisk(*drive, 720, {"", 1}, false, [](int done, int) { return done < 300; });
  EXPECT_FALSE(cancelled);
  EXPECT_NE(cancelled.message().find("cancelled"), std::string::npos) << cancelled.message();
  EXPECT_EQ(FatCapacity(test::ReadBytes(path)), -1) << "a cancelled full format leaves no file system";
}

TEST(Formatting, RefusesWhatMustNotBeFormatted) {
  test::TempDir dir;
  const Bytes document = test::BytesOf("a file that is not a floppy disk");
  const std::string other = dir.File("notes.txt");
  test::WriteBytes(other, document);
  const std::string locked = dir.File("locked.img");
  test::WriteBytes(locked, Sectors(720, 0));
  ::chmod(locked.c_str(), 0444);
  struct Case {
    std::string path;
    int kb;
    const char* reason;
  };
  const Case cases[] = {
      {other, 1440, "not the size of a floppy disk"},
      {locked, 360, "write-protected"},
      {dir.File("missing.img"), 2880, "1440, 1200, 720 or 360 KB"},
      {dir.File("no/such/folder/disk.img"), 1440, "No such file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Status formatted = FormatDisk(*MakeImageFileDrive(c.path), c.kb, {"", 1}, true);
    ASSERT_FALSE(formatted);
    EXPECT_NE(formatted.message().find(c.reason), std::string::npos) << formatted.message();
  }
  EXPECT_EQ(test::ReadBytes(other), document);
  EXPECT_EQ(test::ReadBytes(locked), Sectors(720, 0));
  EXPECT_FALSE(fs::exists(dir.File("missing.img")));
}

TEST(DriveServicesOverATable, AnswerForTheDisksInTheDrives) {
  test::TempDir dir;
  const std::string a = dir.File("a.img"), b = dir.File("b.img");
  test::MakeFatDisk(a, 720, "DATA");
  test::PutFile(a, "::Letter to the editor.txt", test::BytesOf("text"));
  test::Mtools("mmd", {"-i", a, "::ARCHIVE"});
  DriveTable table;
  table.Install(0, MakeImageFileDrive(a));
  auto services = MakeDriveServices(table);

  EXPECT_EQ(services->LogicalDriveMask(), 1u);
  EXPECT_EQ(services->DiskCapacity(1), 730112);
  EXPECT_EQ(services->DiskCapacity(2), -1) << "no drive B:";
  EXPECT_EQ(services->StandardCapacityKb(0), 720);
  EXPECT_EQ(services->ListRootDirectory(0),
            (std::vector<DiskEntry>{{"Letter to the editor.txt", 0x20}, {"ARCHIVE", 0x10}}));

  table.Install(1, MakeImageFileDrive(b));
  EXPECT_EQ(services->LogicalDriveMask(), 3u);
  EXPECT_EQ(services->DiskCapacity(2), -1) << "B: is empty";
  EXPECT_FALSE(services->ListRootDirectory(1));
  EXPECT_EQ(services->StandardCapacityKb(1), 1440);

  FormatRequest request{1, 360, "fresh", true, 0x0BADF00D};
  ASSERT_TRUE(services->Format(request, nullptr));
  EXPECT_EQ(services->DiskCapacity(2), 362496);
  EXPECT_EQ(ReadLe32(test::ReadBytes(b), 39), 0x0BADF00Du);
  EXPECT_FALSE(services->ListRootDirectory(1)) << "an empty root directory gives no enumeration";
  test::WriteBytes(b, Sectors(720, 0));
  EXPECT_EQ(services->DiskCapacity(2), -1) << "an unformatted disk";
  EXPECT_FALSE(services->ListRootDirectory(1));
}

}  // namespace
}  // namespace vornak::platform
