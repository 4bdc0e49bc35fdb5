// Block-device drives on real loop devices: reading and writing a floppy-sized
// device, a read-only one, and the refusals for devices that are not floppies
// or are mounted. Skipped where the machine gives no loop devices.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>

#include "platform/drive.h"
#include "platform/drivetable.h"
#include "platform/formatter.h"
#include "tests/support/drives.h"
#include "tests/support/fixtures.h"

namespace vornak::platform {
namespace {

using test::Bytes;

constexpr std::size_t kSector = 512;

#define REQUIRE_LOOP(loop) \
  if ((loop).path().empty()) GTEST_SKIP() << "this machine gives no loop devices (losetup)"

TEST(LoopDevices, AFloppySizedDeviceIsReadAndWritten) {
  test::TempDir dir;
  const std::string backing = dir.File("floppy.img");
  const Bytes original = test::RandomBytes(1474560, 21);
  test::WriteBytes(backing, original);
  test::LoopDevice loop(backing);
  REQUIRE_LOOP(loop);

  DriveSettings settings;
  settings.driveA = loop.path();
  EXPECT_EQ(ResolveDrives(settings)[0]->kind, DriveKind::Device);
  auto drive = MakeBlockDeviceDrive(loop.path());
  const Medium medium = drive->Inspect();
  EXPECT_EQ(medium.state, MediaState::Ready) << medium.detail;
  EXPECT_EQ(medium.bytes, 1474560u);

  Bytes buffer(100 * kSector);
  ASSERT_TRUE(drive->Read(2800, 80, buffer));
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 80 * kSector, original.begin() + 2800 * kSector));
  EXPECT_EQ(drive->Read(2880, 1, buffer).code(), 8);

  const Bytes chunk = test::RandomBytes(100 * kSector, 22);
  ASSERT_TRUE(drive->Write(1000, 100, chunk));
  drive->Close();
  Bytes expected = original;
  std::copy(chunk.begin(), chunk.end(), expected.begin() + 1000 * kSector);
  EXPECT_EQ(test::ReadBytes(backing), expected) << "the write reached the medium";

  ASSERT_TRUE(FormatDisk(*drive, 1440, {"LOOPED", 7}, true));
  EXPECT_EQ(test::Run({"fsck.fat", "-n", backing}).exitCode, 0);
  Status otherSize = FormatDisk(*drive, 720, {"", 7}, true);
  EXPECT_FALSE(otherSize) << "a device keeps the size of its disk";
}

TEST(LoopDevices, AReadOnlyDeviceAnswersWritesWithWriteProtected) {
  test::TempDir dir;
  const std::string backing = dir.File("floppy.img");
  const Bytes original = test::RandomBytes(737280, 23);
  test::WriteBytes(backing, original);
  test::LoopDevice loop(backing, true);
  REQUIRE_LOOP(loop);

  auto drive = MakeBlockDeviceDrive(loop.path());
  EXPECT_EQ(drive->Inspect().state, MediaState::WriteProtected);
  SectorStatus written = drive->Write(0, 1, Bytes(kSector, 0));
  EXPECT_EQ(written.code(), 0) << written.detail();
  Bytes buffer(kSector);
  EXPECT_TRUE(drive->Read(0, 1, buffer)) << "reading stays possible";
  EXPECT_FALSE(FormatDisk(*drive, 720, {"", 1}, true));
  EXPECT_EQ(test::ReadBytes(backing), original);
}

TEST(LoopDevices, ADeviceThatIsNotAFloppyIsNeverWrittenNorFormatted) {
  test::TempDir dir;
  const std::string backing = dir.File("disk.img");
  const Bytes original = test::RandomBytes(4 * 1024 * 1024, 24);
  test::WriteBytes(backing, original);
  test::LoopDevice loop(backing);
  REQUIRE_LOOP(loop);

  auto drive = MakeBlockDeviceDrive(loop.path());
  EXPECT_EQ(drive->Inspect().state, MediaState::UnknownMedia);
  SectorStatus written = drive->Write(0, 1, Bytes(kSector, 0));
  EXPECT_EQ(written.code(), 12);
  EXPECT_NE(written.detail().find("refusing to write to " + loop.path()), std::string::npos) << written.detail();
  EXPECT_NE(written.detail().find("4194304 bytes"), std::string::npos) << written.detail();
  for (bool quick : {true, false}) {
    Status formatted = FormatDisk(*drive, 1440, {"", 1}, quick);
    ASSERT_FALSE(formatted);
    EXPECT_NE(formatted.message().find("not the size of a floppy disk"), std::string::npos);
  }
  EXPECT_EQ(test::ReadBytes(backing), original);
}

// A drive on `device` whose mount table says it is mounted on /media/floppy.
std::unique_ptr<Drive> DriveListedAsMounted(const test::TempDir& dir, const std::string& device) {
  struct stat status {};
  EXPECT_EQ(::stat(device.c_str(), &status), 0);
  const std::string table = dir.File("mountinfo");
  test::WriteBytes(table, test::BytesOf("40 22 " + std::to_string(major(status.st_rdev)) + ":" +
                                        std::to_string(minor(status.st_rdev)) +
                                        " / /media/floppy rw - vfat " + device + " rw\n"));
  return MakeBlockDeviceDrive(device, table);
}

TEST(LoopDevices, ADeviceMountedOrInUseIsNeverWritten) {
  test::TempDir dir;
  const std::string backing = dir.File("floppy.img");
  test::MakeFatDisk(backing, 1440, "INUSE");
  const Bytes original = test::ReadBytes(backing);
  test::LoopDevice loop(backing);
  REQUIRE_LOOP(loop);

  struct Case {
    const char* name;
    std::unique_ptr<Drive> drive;
    bool holdExclusively;  // another holder has the device, as a mount does
    const char* reason;
  };
  Case cases[] = {
      {"listed in the mount table", DriveListedAsMounted(dir, loop.path()), false, "mounted on /media/floppy"},
      {"held by the kernel for someone else", MakeBlockDeviceDrive(loop.path(), "/nonexistent"), true, "in use"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int holder = c.holdExclusively ? ::open(loop.path().c_str(), O_RDONLY | O_EXCL) : -1;
    SectorStatus written = c.drive->Write(0, 1, Bytes(kSector, 0));
    EXPECT_EQ(written.code(), 12);
    EXPECT_NE(written.detail().find(c.reason), std::string::npos) << written.detail();
    EXPECT_NE(written.detail().find(loop.path()), std::string::npos) << written.detail();
    EXPECT_FALSE(FormatDisk(*c.drive, 1440, {"", 1}, true));
    if (holder >= 0) ::close(holder);
  }
  EXPECT_EQ(test::ReadBytes(backing), original);
}

TEST(LoopDevices, AReallyMountedDeviceIsNeverWritten) {
  test::TempDir dir;
  const std::string backing = dir.File("floppy.img");
  test::WriteBytes(backing, Bytes(1474560, 0));
  // Any file system the kernel has will do: it is the mount that counts.
  if (test::Run({"mke2fs", "-q", "-F", backing}).exitCode != 0) GTEST_SKIP() << "no mke2fs";
  const Bytes original = test::ReadBytes(backing);
  test::LoopDevice loop(backing);
  REQUIRE_LOOP(loop);
  const std::string mountPoint = dir.File("mnt");
  std::filesystem::create_directory(mountPoint);
  if (::mount(loop.path().c_str(), mountPoint.c_str(), "ext2", MS_RDONLY, nullptr) != 0) {
    GTEST_SKIP() << "this machine does not let the test mount a file system";
  }
  struct Unmount {
    std::string at;
    ~Unmount() { ::umount(at.c_str()); }
  } unmount{mountPoint};

  auto drive = MakeBlockDeviceDrive(loop.path());
  SectorStatus written = drive->Write(0, 1, Bytes(kSector, 0));
  EXPECT_EQ(written.code(), 12);
  EXPECT_NE(written.detail().find("mounted on " + mountPoint), std::string::npos) << written.detail();
  EXPECT_FALSE(FormatDisk(*drive, 1440, {"", 1}, true));
  EXPECT_EQ(test::ReadBytes(backing), original);
}

}  // namespace
}  // namespace vornak::platform
