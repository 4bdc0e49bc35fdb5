// vnk save, restore and verify end to end, through virtual drives (and a loop
// device where the machine has them): the image file's exact bytes, the
// sectors a restore leaves, bad sectors failing at the system call, and a
// write-protected disk.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/files.h"
#include "tests/support/drives.h"
#include "tests/support/fixtures.h"
#include "tests/support/reference_image.h"

namespace vornak {
namespace {

using test::Bytes;
using test::Vnk;

class VnkTransfer : public ::testing::Test {
 protected:
  void SetUp() override {
    test::MakeFatDisk(a, 720, "LETTERS");
    test::PutFile(a, "::Letter to the bank.txt", test::BytesOf(std::string(3000, 'x') + "Dear Sir"));
    test::Mtools("mmd", {"-i", a, "::ARCHIVE"});
    test::MakeFatDisk(b, 720);
  }

  test::TempDir dir;
  const std::string a = dir.File("a.img"), b = dir.File("b.img");
  test::ScopedEnvironment drives{{{"VORNAK_DRIVE_A", a}, {"VORNAK_DRIVE_B", b}}};
};

TEST_F(VnkTransfer, SavesTheExactImageAndRestoresIdenticalSectors) {
  for (const std::string description : {"", "Letters of 1991"}) {
    SCOPED_TRACE("description \"" + description + "\"");
    const std::string image = dir.File("letters.vnk");
    std::vector<std::string> save{"save", "A:", image, "--force"};
    if (!description.empty()) save.insert(save.end(), {"--description", description});
    test::CommandResult saved = Vnk(save);
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_EQ(test::ReadBytes(image), test::ExpectedImageFile(test::ReadBytes(a), 3, "720KB 3.5 Disk", 2, description));
    EXPECT_EQ(Vnk({"list", image}).out.substr(0, 32), "Letter to the bank.txt\nARCHIVE  ");

    test::CommandResult restored = Vnk({"restore", "B:", image, "--yes"});
    ASSERT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_EQ(test::ReadBytes(b), test::ReadBytes(a));
    test::CommandResult verified = Vnk({"verify", "b:", image});
    EXPECT_EQ(verified.exitCode, 0) << verified.err;
    EXPECT_EQ(verified.out, "");
  }
}

TEST_F(VnkTransfer, SaveRefusesToReplaceAFileWithoutForce) {
  const std::string image = dir.File("keep.vnk");
  test::WriteBytes(image, test::BytesOf("someone's only copy"));
  test::CommandResult saved = Vnk({"save", image});
  EXPECT_EQ(saved.exitCode, 1);
  EXPECT_NE(saved.err.find("A file with this name already exists"), std::string::npos) << saved.err;
  EXPECT_EQ(test::ReadBytes(image), test::BytesOf("someone's only copy"));
}

TEST_F(VnkTransfer, RestoreAsksOrNeedsYesAndChecksTheFormat) {
  const std::string image = dir.File("letters.vnk");
  ASSERT_EQ(Vnk({"save", image}).exitCode, 0);
  const Bytes before = test::ReadBytes(b);

  test::CommandResult noTerminal = Vnk({"restore", "B:", image});
  EXPECT_EQ(noTerminal.exitCode, 2);
  EXPECT_NE(noTerminal.err.find("--yes"), std::string::npos);

  test::MakeFatDisk(b, 1440);
  const Bytes bigger = test::ReadBytes(b);
  test::CommandResult mismatch = Vnk({"restore", "B:", image, "--yes"});
  EXPECT_EQ(mismatch.exitCode, 1);
  EXPECT_EQ(mismatch.err, "Target disk is not the same format as image file.\n");
  EXPECT_EQ(test::ReadBytes(b), bigger);
  EXPECT_NE(before, bigger);
}

TEST_F(VnkTransfer, VerifyNamesEverySectorThatDiffers) {
  const std::string image = dir.File("letters.vnk");
  ASSERT_EQ(Vnk({"save", image}).exitCode, 0);
  Bytes changed = test::ReadBytes(a);
  changed[9 * 512 + 3] ^= 0xFF;
  changed[1439 * 512] ^= 0x01;
  test::WriteBytes(a, changed);
  test::CommandResult verified = Vnk({"verify", image});
  EXPECT_EQ(verified.exitCode, 1);
  EXPECT_EQ(verified.out, "sector 9 differs\nsector 1439 differs\n");
}

TEST_F(VnkTransfer, ASectorFailingAtTheSystemCallIsReportedAsABadSector) {
  const std::string image = dir.File("bad.vnk");
  test::ScopedEnvironment eio{{{"LD_PRELOAD", EIO_SHIM_PATH},
                               {"VORNAK_TEST_EIO_FILE", a},
                               {"VORNAK_TEST_EIO_SECTORS", "17,700"},
                               {"ASAN_OPTIONS", "verify_asan_link_order=0"}}};
  test::CommandResult saved = Vnk({"save", image});
  EXPECT_EQ(saved.exitCode, 3) << saved.err;
  const std::string report = "Bad sector Num.  17\nBad sector Num.  700\nSource contained 2 bad sectors.\n";
  EXPECT_EQ(saved.err.substr(0, report.size()), report);
  EXPECT_TRUE(platform::FileExists(image)) << "a save goes on past bad sectors";
}

TEST_F(VnkTransfer, CtrlCCancelsASaveAndWritesNoFile) {
  const std::string image = dir.File("old.vnk");
  test::WriteBytes(image, test::BytesOf("an older image"));
  // Reads as slow as a real drive's, so that the save is still running when
  // Ctrl-C comes.
  test::ScopedEnvironment slow{{{"LD_PRELOAD", EIO_SHIM_PATH},
                                {"VORNAK_TEST_EIO_FILE", a},
                                {"VORNAK_TEST_SLOW_READS", "4000"},
                                {"ASAN_OPTIONS", "verify_asan_link_order=0"}}};
  test::CommandResult interrupted = test::Run(
      {"sh", "-c", std::string(VNK_PATH) + " save --force " + image + " & sleep 1; kill -INT $!; wait $!"});
  EXPECT_EQ(interrupted.exitCode, 1) << interrupted.err;
  EXPECT_NE(interrupted.err.find("Terminate Image Copy ? Yes\n"), std::string::npos) << interrupted.err;
  EXPECT_EQ(test::ReadBytes(image), test::BytesOf("an older image"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3) << "no scratch file left";
}

TEST_F(VnkTransfer, AWriteProtectedDiskGetsItsQuestionAndKeepsItsBytes) {
  const std::string image = dir.File("letters.vnk");
  ASSERT_EQ(Vnk({"save", image}).exitCode, 0);
  const Bytes before = test::ReadBytes(b);
  ::chmod(b.c_str(), 0444);
  test::CommandResult restored = Vnk({"restore", "B:", image, "--yes"});
  EXPECT_EQ(restored.exitCode, 1);
  EXPECT_NE(restored.err.find("Disk is write protected.\n"), std::string::npos) << restored.err;
  EXPECT_EQ(test::ReadBytes(b), before);
}

TEST_F(VnkTransfer, AnEmptyOrMissingDriveIsAskedFor) {
  ::unlink(b.c_str());
  test::CommandResult saved = Vnk({"save", "B:", dir.File("x.vnk")});
  EXPECT_EQ(saved.exitCode, 1);
  EXPECT_NE(saved.err.find("Please put a Formatted disk in selected drive."), std::string::npos);
  EXPECT_FALSE(platform::FileExists(dir.File("x.vnk")));
  EXPECT_EQ(Vnk({"save", "Q:", dir.File("x.vnk")}).exitCode, 2);
}

TEST(VnkTransferLoop, SavesFromAndRestoresToALoopDevice) {
  test::TempDir dir;
  const std::string backing = dir.File("loop.img"), source = dir.File("source.img");
  test::MakeFatDisk(source, 1440, "SOURCE");
  test::PutFile(source, "::README.TXT", test::BytesOf("read me"));
  test::WriteBytes(backing, Bytes(1474560, 0));
  test::LoopDevice loop(backing);
  if (loop.path().empty()) GTEST_SKIP() << "no loop devices here";
  test::ScopedEnvironment drives{{{"VORNAK_DRIVE_A", source}, {"VORNAK_DRIVE_B", loop.path()}}};
  const std::string image = dir.File("source.vnk");
  ASSERT_EQ(Vnk({"save", "A:", image}).exitCode, 0);
  ASSERT_EQ(Vnk({"format", "B:"}).exitCode, 0);
  test::CommandResult restored = Vnk({"restore", "B:", image, "--yes"});
  ASSERT_EQ(restored.exitCode, 0) << restored.err;
  EXPECT_EQ(test::ReadBytes(loop.path()), test::ReadBytes(source));

  // And back: the loop device saved gives the same image byte for byte.
  ASSERT_EQ(Vnk({"save", "B:", dir.File("again.vnk")}).exitCode, 0);
  EXPECT_EQ(test::ReadBytes(dir.File("again.vnk")), test::ReadBytes(image));

  test::LoopDevice readOnly(backing, true);
  test::ScopedEnvironment protectedB{{{"VORNAK_DRIVE_B", readOnly.path()}}};
  const Bytes before = test::ReadBytes(backing);
  test::CommandResult refused = Vnk({"restore", "B:", dir.File("again.vnk"), "--yes"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("Disk is write protected."), std::string::npos) << refused.err;
  EXPECT_EQ(test::ReadBytes(backing), before);
}

}  // namespace
}  // namespace vornak
