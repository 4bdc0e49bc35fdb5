// vnk's rewrites against real failures: a full file system (a tiny tmpfs in a
// private mount namespace) and files and folders a normal user cannot write.
// Each refusal keeps the old bytes and says why; both skip where the machine
// does not allow them.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/drives.h"
#include "tests/support/fixtures.h"

namespace vornak {
namespace {

using test::Bytes;

std::string Quote(const std::string& word) { return "'" + word + "'"; }

// A raw disk, and its image with a description, in `dir`.
void PrepareFiles(const test::TempDir& dir) {
  test::WriteBytes(dir.File("disk.img"), test::RandomBytes(368640, 21));
  ASSERT_EQ(test::Vnk({"import", dir.File("disk.img"), dir.File("disk.vnk"), "--description", "old"}).exitCode, 0);
}

TEST(VnkRewrite, AFullFileSystemKeepsTheOldFiles) {
  if (::geteuid() != 0 || test::ToolPath("unshare").empty()) GTEST_SKIP() << "needs root and unshare";
  test::TempDir dir;
  PrepareFiles(dir);
  const std::string mount = dir.File("full");
  std::filesystem::create_directory(mount);
  // The tmpfs holds the two files (720 KB) but no second copy of either.
  const std::string script =
      "mount -t tmpfs -o size=900k tmpfs " + Quote(mount) + " || exit 99; "
      "cp " + Quote(dir.File("disk.vnk")) + " " + Quote(dir.File("disk.img")) + " " + Quote(mount) + " || exit 98; "
      "for c in \"save A: " + mount + "/disk.vnk --force\" "
      "\"describe " + mount + "/disk.vnk --set new-text\" "
      "\"import " + mount + "/disk.img " + mount + "/disk.vnk\" "
      "\"export " + mount + "/disk.vnk " + mount + "/disk.img\"; do "
      "  " VNK_PATH " $c; echo \"status $?\"; done; "
      "cmp " + Quote(dir.File("disk.vnk")) + " " + Quote(mount + "/disk.vnk") + " && echo image-kept; "
      "cmp " + Quote(dir.File("disk.img")) + " " + Quote(mount + "/disk.img") + " && echo raw-kept; "
      "ls -A " + Quote(mount);
  // Drive A: holds a disk whose image is larger than the room left.
  const std::string drive = dir.File("drive.img");
  test::MakeFatDisk(drive, 360);
  test::PutFile(drive, "::NOISE.BIN", test::RandomBytes(300000, 5));
  test::ScopedEnvironment driveA{{{"VORNAK_DRIVE_A", drive}}};
  test::CommandResult result = test::Run({"unshare", "-m", "sh", "-c", script});
  if (result.exitCode == 99) GTEST_SKIP() << "cannot mount a tmpfs here: " << result.err;
  EXPECT_EQ(result.out, "status 1\nstatus 1\nstatus 1\nstatus 1\nimage-kept\nraw-kept\ndisk.img\ndisk.vnk\n")
      << result.err;
  EXPECT_NE(result.err.find("No space left on device"), std::string::npos) << result.err;
}

TEST(VnkRewrite, AReadOnlyFileOrFolderIsRefusedForANormalUser) {
  if (::geteuid() != 0 || test::ToolPath("setpriv").empty()) GTEST_SKIP() << "needs root and setpriv";
  test::TempDir dir;
  PrepareFiles(dir);
  ::chmod(dir.path().c_str(), 0777);
  const std::string folder = dir.File("locked");
  std::filesystem::create_directory(folder);
  std::filesystem::copy_file(dir.File("disk.vnk"), folder + "/disk.vnk");
  std::filesystem::copy_file(dir.File("disk.vnk"), dir.File("readonly.vnk"));
  ::chmod(folder.c_str(), 0555);
  ::chmod((folder + "/disk.vnk").c_str(), 0666);
  ::chmod(dir.File("readonly.vnk").c_str(), 0444);
  const Bytes before = test::ReadBytes(dir.File("disk.vnk"));

  struct Case {
    const char* name;
    std::vector<std::string> words;
    std::string file;
  };
  const Case cases[] = {
      {"describe a read-only file", {"describe", dir.File("readonly.vnk"), "--set", "new"}, dir.File("readonly.vnk")},
      {"describe in a read-only folder", {"describe", folder + "/disk.vnk", "--remove"}, folder + "/disk.vnk"},
      {"import into a read-only folder", {"import", dir.File("disk.img"), folder + "/disk.vnk"}, folder + "/disk.vnk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> argv{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", VNK_PATH};
    argv.insert(argv.end(), c.words.begin(), c.words.end());
    test::CommandResult result = test::Run(argv);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Permission denied"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(c.file), std::string::npos) << result.err;
    EXPECT_EQ(test::ReadBytes(c.file), before);
  }
  EXPECT_EQ(std::filesystem::directory_entry(folder).exists(), true);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

}  // namespace
}  // namespace vornak
