// vnk drives, vnk dir and vnk format, run as the user runs them, with the
// drives chosen through VORNAK_DRIVE_A and VORNAK_DRIVE_B.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/drivetable.h"
#include "tests/support/drives.h"
#include "tests/support/fixtures.h"

namespace vornak {
namespace {

using test::Bytes;
using test::CommandResult;

struct SizeCase {
  int kb;
  const char* formatName;
};
constexpr SizeCase kSizes[] = {
    {1440, "1.44MB 3.5 Disk"}, {1200, "1.2MB 5.25 Disk"}, {720, "720KB 3.5 Disk"}, {360, "360KB 5.25 Disk"}};

class VnkDrives : public ::testing::Test {
 protected:
  // Runs vnk with A: and B: on the given paths (empty: not set) and the
  // default floppy kept inside the test's folder.
  CommandResult Vnk(const std::vector<std::string>& arguments, const std::string& a, const std::string& b = "") {
    test::ScopedEnvironment environment(
        {{"VORNAK_DRIVE_A", a.empty() ? std::nullopt : std::optional(a)},
         {"VORNAK_DRIVE_B", b.empty() ? std::nullopt : std::optional(b)},
         {"XDG_DATA_HOME", dir_.File("data")},
         {"MTOOLS_SKIP_CHECK", "1"}});
    return test::Vnk(arguments);
  }
  test::TempDir dir_;
};

TEST_F(VnkDrives, DetectsTheFormatOfADiskOfEachSize) {
  for (const SizeCase& size : kSizes) {
    SCOPED_TRACE(size.kb);
    const std::string disk = dir_.File("disk" + std::to_string(size.kb) + ".img");
    test::MakeFatDisk(disk, size.kb);
    CommandResult drives = Vnk({"drives"}, disk, dir_.File("missing.img"));
    EXPECT_EQ(drives.exitCode, 0) << drives.err;
    EXPECT_EQ(drives.out, "A:\t" + disk + "\tvirtual\tready\t" + size.formatName + "\nB:\t" +
                              dir_.File("missing.img") + "\tvirtual\tno disk\t-\n");
  }
}

TEST_F(VnkDrives, FormatsEachSizeIntoADiskFsckAndMtoolsAccept) {
  for (const SizeCase& size : kSizes) {
    SCOPED_TRACE(size.kb);
    const std::string disk = dir_.File("disk.img");  // resized by each format in turn
    const std::string label = "VNK " + std::to_string(size.kb);
    CommandResult formatted = Vnk({"format", "A:", "--size", std::to_string(size.kb), "--label", label}, disk);
    ASSERT_EQ(formatted.exitCode, 0) << formatted.err;
    EXPECT_EQ(std::filesystem::file_size(disk), uint64_t(size.kb) * 1024);
    CommandResult fsck = test::Run({"fsck.fat", "-n", disk});
    EXPECT_EQ(fsck.exitCode, 0) << fsck.out << "\nrerun: VORNAK_DRIVE_A=" << disk << " vnk format --size "
                                << size.kb << " && fsck.fat -n " << disk;
    CommandResult mdir = test::Run({"mdir", "-i", disk, "::"});
    EXPECT_NE(mdir.out.find("Volume in drive : is " + label), std::string::npos) << mdir.out << mdir.err;
    EXPECT_NE(Vnk({"drives"}, disk).out.find(size.formatName), std::string::npos);
  }
  // A full format of B: reports its progress on stderr.
  CommandResult full = Vnk({"format", "b:", "--size", "360", "--full"}, "", dir_.File("b.img"));
  EXPECT_EQ(full.exitCode, 0) << full.err;
  EXPECT_NE(full.err.find("100%"), std::string::npos) << full.err;
  EXPECT_EQ(test::Run({"fsck.fat", "-n", dir_.File("b.img")}).exitCode, 0);
}

TEST_F(VnkDrives, DirListsTheNamesAsTheFileSystemHoldsThem) {
  const std::string disk = dir_.File("disk.img");
  test::MakeFatDisk(disk, 1440, "LISTED");
  test::PutFile(disk, "::Annual report 1997.doc", test::BytesOf("x"));
  test::Mtools("mmd", {"-i", disk, "::PHOTOS"});
  test::Mtools("mmd", {"-i", disk, "::Private"});
  test::Mtools("mattrib", {"-i", disk, "+h", "::Private"});
  test::PutFile(disk, "::AUTOEXEC.BAT", test::BytesOf("@echo off"));

  CommandResult dir = Vnk({"dir"}, disk);
  EXPECT_EQ(dir.exitCode, 0) << dir.err;
  // Only a folder whose attribute word is 16 alone gets the suffix.
  EXPECT_EQ(dir.out, "Annual report 1997.doc\nPHOTOS   <Dir>\nPrivate\nAUTOEXEC.BAT\n");

  const std::string empty = dir_.File("empty.img");
  test::MakeFatDisk(empty, 720);
  CommandResult none = Vnk({"dir", "B:"}, disk, empty);
  EXPECT_EQ(none.exitCode, 0) << none.err;
  EXPECT_EQ(none.out, "");
}

TEST_F(VnkDrives, ReportsFailuresAndUsageErrors) {
  const std::string disk = dir_.File("disk.img");
  test::MakeFatDisk(disk, 720);
  const std::string unformatted = dir_.File("blank.img");
  test::WriteBytes(unformatted, Bytes(368640, 0));
  const std::string locked = dir_.File("locked.img");
  test::MakeFatDisk(locked, 360);
  ::chmod(locked.c_str(), 0444);
  const Bytes lockedBytes = test::ReadBytes(locked);

  struct Case {
    std::vector<std::string> arguments;
    std::string a, b;
    int exitCode;
    const char* message;
  };
  const Case cases[] = {
      {{"dir"}, dir_.File("missing.img"), "", 1, "no disk in the drive"},
      {{"dir"}, unformatted, "", 1, "holds no readable FAT12 disk"},
      {{"dir", "C:"}, disk, "", 2, "a drive is A: or B:"},
      {{"format", "--size", "800"}, disk, "", 2, "--size is 1440, 1200, 720 or 360"},
      {{"format", "--label", "A LABEL TOO LONG"}, disk, "", 2, "at most 11 characters"},
      {{"format", "--label", "A/B"}, disk, "", 2, "cannot hold the character '/'"},
      {{"format"}, locked, "", 1, "write-protected"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[0] + " " + (c.arguments.size() > 1 ? c.arguments[1] : ""));
    CommandResult result = Vnk(c.arguments, c.a, c.b);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
  }
  EXPECT_EQ(test::ReadBytes(locked), lockedBytes);
  // B: exists only where something backs it.
  if (platform::FloppyDevices(platform::SettingsFromEnvironment()).empty()) {
    CommandResult noB = Vnk({"format", "B:"}, disk);
    EXPECT_EQ(noB.exitCode, 1);
    EXPECT_NE(noB.err.find("there is no drive B:"), std::string::npos) << noB.err;
  }
}

TEST_F(VnkDrives, WithoutSettingsAIsTheDefaultVirtualFloppy) {
  if (!platform::FloppyDevices(platform::SettingsFromEnvironment()).empty()) {
    GTEST_SKIP() << "this machine has floppy drives of its own";
  }
  const std::string fallback = dir_.File("data") + "/vornak/drive-a.img";
  CommandResult drives = Vnk({"drives"}, "");
  EXPECT_EQ(drives.exitCode, 0) << drives.err;
  EXPECT_EQ(drives.out, "A:\t" + fallback + "\tvirtual\tready\t1.44MB 3.5 Disk\n");
  EXPECT_EQ(test::Run({"fsck.fat", "-n", fallback}).exitCode, 0);
}

TEST_F(VnkDrives, NeverFormatsABlockDeviceThatIsNotAFloppy) {
  const std::string backing = dir_.File("disk.img");
  const Bytes original = test::RandomBytes(4 * 1024 * 1024, 31);
  test::WriteBytes(backing, original);
  test::LoopDevice loop(backing);
  if (loop.path().empty()) GTEST_SKIP() << "this machine gives no loop devices (losetup)";

  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"format"}, {"format", "--full"}, {"format", "--size", "720"}}) {
    CommandResult refused = Vnk(arguments, loop.path());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("refusing to write to " + loop.path()), std::string::npos) << refused.err;
  }
  CommandResult drives = Vnk({"drives"}, loop.path());
  EXPECT_NE(drives.out.find("\tdevice\tunknown media\t"), std::string::npos) << drives.out;
  EXPECT_EQ(test::ReadBytes(backing), original);
}

}  // namespace
}  // namespace vornak
