// Hostile files and disks through vnk, each named after its fault: every one
// ends in its message (or in the listing the scan rules give), never in a
// crash, a hang or a read outside the data. And every command that writes
// refuses a device that is not a floppy or is in use.

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>

#include "tests/support/drives.h"
#include "tests/support/fixtures.h"
#include "tests/support/reference_image.h"

namespace vornak {
namespace {

using test::Bytes;
using test::Join;
using test::Vnk;

const std::string kNotAnImage = "This file does not appear to be a correct .VNK file.\n";


Bytes Header360(uint8_t compressed) {
  Bytes header(22, 0);
  header[0] = 0xD0;  // 720 sectors
  header[1] = 0x02;
  header[2] = 2;
  header[3] = 4;
  const std::string name = "360KB 5.25 Disk";
  std::copy(name.begin(), name.end(), header.begin() + 4);
  header[21] = compressed;
  return header;
}

Bytes Le32(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 24)};
}

// A raw 360 KB disk whose root directory (at 0xA00, 112 entries) holds `entries`.
Bytes Disk360(const std::vector<Bytes>& entries) { return test::DiskWithRootEntries(720, 0xA00, entries); }

struct HostileCase {
  const char* fault;
  Bytes file;
  std::vector<std::string> command;  // "FILE" stands for the fixture
  int status;
  std::string out;
  std::string err;
};

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.fault; }

class HostileFiles : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileFiles, EndInTheirMessage) {
  const HostileCase& c = GetParam();
  test::TempDir dir;
  const std::string file = dir.File("fixture");
  test::WriteBytes(file, c.file);
  std::vector<std::string> words = c.command;
  for (std::string& word : words) {
    if (word == "FILE") word = file;
  }
  test::CommandResult result = Vnk(words);
  EXPECT_EQ(result.exitCode, c.status);
  EXPECT_EQ(result.out, c.out);
  EXPECT_EQ(result.err, c.err);
}

std::vector<HostileCase> Cases() {
  Bytes longGroupAtEnd = test::LongNameEntries("x")[0];
  longGroupAtEnd[0] = 0x5F;  // "31 entries" in the directory's last slot
  Bytes numberedZero = test::LongNameEntries("Zero")[0];
  numberedZero[0] = 0x40;
  std::vector<Bytes> lastSlot(111, test::ShortEntry("FILE    TXT"));
  lastSlot.push_back(longGroupAtEnd);
  std::vector<Bytes> full(112, test::ShortEntry("FULL    TXT"));
  Bytes fullDisk = Disk360(full);
  std::fill(fullDisk.begin() + 0xA00 + 112 * 32, fullDisk.begin() + 0xA00 + 113 * 32, 'Z');

  std::string fullListing;
  for (int i = 0; i < 112; ++i) fullListing += "FULL.TXT\n";
  std::string lastSlotListing;
  for (int i = 0; i < 111; ++i) lastSlotListing += "FILE.TXT\n";

  return {
      {"TrailerLengthLargerThanTheFile", Join({Bytes(30, 'a'), {0xFF, 0x00}, test::BytesOf("DesCriptIonTexT ")}),
       {"describe", "FILE"}, 0, "", ""},
      {"FileShorterThanTheMarkerAndTheLength", test::BytesOf("TexT "), {"describe", "FILE"}, 0, "", ""},
      {"FileShorterThanTheHeader", test::BytesOf("TexT "), {"list", "FILE"}, 1, "", kNotAnImage},
      {"RunCountPastTheEnd", Join({Header360(1), Le32(368640), Le32(0x00FFFFFF), Bytes(64, 0)}),
       {"list", "FILE"}, 1, "", kNotAnImage},
      {"RunReachingPastTotalLength",
       Join({Header360(1), Le32(368640), Le32(1), Le32((368600u << 10) | 100), {0}, Bytes(368600, 0)}),
       {"info", "FILE"}, 1, "", kNotAnImage},
      {"LongNameGroupClaiming31EntriesAtTheEnd", Join({Header360(0), Disk360(lastSlot)}), {"list", "FILE"}, 0,
       lastSlotListing, ""},
      {"LongNameEntryNumberedZero",
       Join({Header360(0), Disk360({numberedZero, test::ShortEntry("AFTER   TXT")})}), {"list", "FILE"}, 0,
       "AFTER.TXT\n", ""},
      {"RootDirectoryFilledToItsLastEntry", Join({Header360(0), fullDisk}), {"list", "FILE"}, 0, fullListing, ""},
  };
}

INSTANTIATE_TEST_SUITE_P(Vnk, HostileFiles, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.fault); });

TEST(HostileDisks, ABootSectorWithImpossibleGeometryIsNoFormattedDisk) {
  test::TempDir dir;
  const std::string disk = dir.File("a.img");
  test::MakeFatDisk(disk, 1440);
  Bytes bytes = test::ReadBytes(disk);
  struct Fault {
    const char* name;
    std::size_t offset;
    uint8_t value;
  };
  const Fault faults[] = {{"no sectors per cluster", 13, 0},
                          {"no FAT copies", 16, 0},
                          {"sectors of 7 bytes", 11, 7},
                          {"FATs larger than the disk", 22, 0xFF}};
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.name);
    Bytes broken = bytes;
    broken[fault.offset] = fault.value;
    if (fault.offset == 22) broken[23] = 0xFF;
    test::WriteBytes(disk, broken);
    test::ScopedEnvironment drive{{{"VORNAK_DRIVE_A", disk}}};
    test::CommandResult listed = Vnk({"dir"});
    EXPECT_EQ(listed.exitCode, 1);
    EXPECT_EQ(listed.out, "");
    test::CommandResult saved = Vnk({"save", dir.File("x.vnk")});
    EXPECT_EQ(saved.exitCode, 1);
    EXPECT_NE(saved.err.find("Please put a Formatted disk in selected drive."), std::string::npos) << saved.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.vnk")));
  }
}

// Devices every writing command must leave alone: not a floppy, or mounted.
TEST(HostileDisks, EveryCommandThatWritesRefusesADeviceThatIsNotAFloppy) {
  test::TempDir dir;
  const std::string source = dir.File("source.img"), image = dir.File("image.vnk");
  test::MakeFatDisk(source, 1440);
  ASSERT_EQ(Vnk({"import", source, image}).exitCode, 0);

  // A 4 MB disk with a FAT file system: its capacity reads as a 1.44 MB disk.
  const std::string big = dir.File("big.img");
  test::MakeFatDisk(big, 4096);
  test::LoopDevice loop(big);
  if (loop.path().empty()) GTEST_SKIP() << "no loop devices here";
  const Bytes before = test::ReadBytes(big);
  test::ScopedEnvironment drive{{{"VORNAK_DRIVE_A", loop.path()}}};
  for (std::vector<std::string> words : {std::vector<std::string>{"restore", image, "--yes"},
                                         {"format"}, {"format", "--size", "1440"}}) {
    SCOPED_TRACE(testing::PrintToString(words));
    test::CommandResult result = Vnk(words);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_EQ(test::ReadBytes(big), before);
  }
  // The refusal names the device and why.
  test::CommandResult format = Vnk({"format"});
  EXPECT_NE(format.err.find(loop.path()), std::string::npos) << format.err;
  EXPECT_NE(format.err.find("4194304 bytes"), std::string::npos) << format.err;
}

TEST(HostileDisks, AMountedFloppyIsNeverWritten) {
  test::TempDir dir;
  const std::string backing = dir.File("floppy.img");
  test::WriteBytes(backing, Bytes(1474560, 0));
  if (test::Run({"mke2fs", "-q", "-F", backing}).exitCode != 0) GTEST_SKIP() << "no mke2fs";
  test::LoopDevice loop(backing);
  if (loop.path().empty()) GTEST_SKIP() << "no loop devices here";
  const std::string mountPoint = dir.File("mnt");
  std::filesystem::create_directory(mountPoint);
  if (::mount(loop.path().c_str(), mountPoint.c_str(), "ext2", MS_RDONLY, nullptr) != 0) {
    GTEST_SKIP() << "cannot mount here";
  }
  struct Unmount {
    std::string at;
    ~Unmount() { ::umount(at.c_str()); }
  } unmount{mountPoint};
  const Bytes before = test::ReadBytes(backing);
  test::ScopedEnvironment drive{{{"VORNAK_DRIVE_A", loop.path()}}};
  test::CommandResult format = Vnk({"format"});
  EXPECT_EQ(format.exitCode, 1);
  EXPECT_NE(format.err.find("mounted on " + mountPoint), std::string::npos) << format.err;
  test::CommandResult restored = Vnk({"restore", dir.File("none.vnk"), "--yes"});
  EXPECT_EQ(restored.exitCode, 1);
  EXPECT_EQ(test::ReadBytes(backing), before);
}

}  // namespace
}  // namespace vornak
