// Replacing files: every rewrite is tried with a failure, and with the process
// ending, at each of its file operations in turn. Afterwards the file holds
// its old bytes or its complete new ones, an error is reported exactly when
// the old bytes remain, and only our scratch files may be left behind.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "description/description.h"
#include "image/imageformat.h"
#include "platform/faultyfiles.h"
#include "tests/support/fixtures.h"
#include "tests/support/reference_image.h"
#include "tests/support/transfer.h"

namespace vornak {
namespace {

using platform::FaultyFileSystem;
using test::Bytes;

struct Rewrite {
  const char* name;
  Bytes oldBytes;  // empty: the target does not exist beforehand
  std::function<Status(const std::string& target, platform::FileSystem& fs)> run;
};

void PrintTo(const Rewrite& rewrite, std::ostream* out) { *out << rewrite.name; }

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool IsOurScratch(const std::string& name) {
  return name == kDescriptionScratchName || (name.front() == '.' && name.ends_with(".partial"));
}

class Sweep : public ::testing::TestWithParam<Rewrite> {
 protected:
  std::string Prepare() {
    std::filesystem::remove_all(dir_.File("work"));
    std::filesystem::create_directory(dir_.File("work"));
    const std::string target = dir_.File("work/disk.vnk");
    if (!GetParam().oldBytes.empty()) test::WriteBytes(target, GetParam().oldBytes);
    return target;
  }

  // The bytes of a clean run, and how many file operations it takes.
  std::pair<Bytes, int> CleanRun() {
    const std::string target = Prepare();
    FaultyFileSystem counting(platform::RealFileSystem());
    counting.FailAt(0);
    Status done = GetParam().run(target, counting);
    EXPECT_TRUE(done) << done.message();
    EXPECT_EQ(FolderEntries(dir_.File("work")), std::vector<std::string>{"disk.vnk"});
    return {test::ReadBytes(target), counting.count()};
  }

  // What the target holds now: its old bytes, its new ones, or (an error) something else.
  void ExpectOldOrNew(const std::string& target, const Bytes& newBytes, bool reportedSuccess) {
    const Rewrite& rewrite = GetParam();
    if (rewrite.oldBytes.empty() && !platform::FileExists(target)) {
      EXPECT_FALSE(reportedSuccess);
      return;
    }
    const Bytes now = test::ReadBytes(target);
    if (reportedSuccess) {
      EXPECT_EQ(now, newBytes);
    } else {
      EXPECT_TRUE(now == rewrite.oldBytes || now == newBytes);
    }
  }

  test::TempDir dir_;
};

TEST_P(Sweep, AFailureAtAnyOperationLeavesOldOrNewBytes) {
  const auto [newBytes, operations] = CleanRun();
  ASSERT_GT(operations, 3);
  for (int failAt = 1; failAt <= operations; ++failAt) {
    const std::string target = Prepare();
    FaultyFileSystem faulty(platform::RealFileSystem());
    faulty.FailAt(failAt);
    Status done = GetParam().run(target, faulty);
    SCOPED_TRACE("failing operation " + std::to_string(failAt) + " (" + faulty.failedOperation() + ")");
    const Bytes now = platform::FileExists(target) ? test::ReadBytes(target) : Bytes{};
    // An error is reported exactly when the old bytes remain.
    if (done) {
      EXPECT_EQ(now, newBytes);
    } else {
      EXPECT_EQ(now, GetParam().oldBytes);
      EXPECT_NE(done.message().find(target), std::string::npos) << done.message();
    }
    std::vector<std::string> left = FolderEntries(dir_.File("work"));
    std::erase(left, "disk.vnk");
    EXPECT_TRUE(left.empty()) << left.front();
  }
}

TEST_P(Sweep, EndingTheProcessAtAnyOperationLeavesOldOrNewBytes) {
  const auto [newBytes, operations] = CleanRun();
  for (int endAt = 1; endAt <= operations; ++endAt) {
    SCOPED_TRACE("ending at operation " + std::to_string(endAt));
    const std::string target = Prepare();
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      FaultyFileSystem faulty(platform::RealFileSystem());
      faulty.FailAt(endAt, FaultyFileSystem::Fault::EndProcess);
      std::_Exit(GetParam().run(target, faulty) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), FaultyFileSystem::kEndedStatus);
    ExpectOldOrNew(target, newBytes, false);
    for (const std::string& name : FolderEntries(dir_.File("work"))) {
      EXPECT_TRUE(name == "disk.vnk" || IsOurScratch(name)) << name;
    }
    // The next run copes with whatever scratch file was left.
    Status again = GetParam().run(target, platform::RealFileSystem());
    ASSERT_TRUE(again) << again.message();
    EXPECT_EQ(test::ReadBytes(target), newBytes);
  }
}

Bytes SmallImage() {
  ImageHeader header = kDiskFormats[3].Header();
  auto headerBytes = header.ToBytes();
  Bytes image(headerBytes.begin(), headerBytes.end());
  Bytes sectors = test::RandomBytes(kDiskFormats[3].Bytes(), 11);
  image.insert(image.end(), sectors.begin(), sectors.end());
  return image;
}

Bytes WithBlock(Bytes image, std::string_view text) {
  Bytes block = test::DescriptionBlockBytes(text);
  image.insert(image.end(), block.begin(), block.end());
  return image;
}

Status SaveZeros(const std::string& target, platform::FileSystem& fs) {
  std::optional<ByteBuffer> sectors = ByteBuffer::Allocate(kDiskFormats[3].Bytes());
  std::memset(sectors->data(), 0, sectors->size());
  ImageHeader header = kDiskFormats[3].Header();
  const std::string description = "saved";
  return WriteImageFile(target, header, *sectors, &description, fs);
}

// The whole save, from a drive, over an existing image.
Status SaveFromADrive(const std::string& target, platform::FileSystem& fs) {
  // Made once, before any run is forked, so that no run leaves a drive behind.
  static test::FaultyDrives drives(368640);
  test::RecordingHost host;
  host.includeDescription = true;
  ImageHeader header = kDiskFormats[3].Header();
  SaveDiskImage(host, 0, header, target, "from the drive", fs);
  // The save reports a failure in a message box, naming the file.
  if (!host.dialogs.asked.empty()) return Failure{host.dialogs.asked.back().text};
  return Ok();
}

INSTANTIATE_TEST_SUITE_P(
    Rewrites, Sweep,
    ::testing::Values(
        Rewrite{"AddDescription", SmallImage(),
                [](const std::string& t, platform::FileSystem& fs) {
                  return ReplaceDescription(t, "a new text", fs);
                }},
        Rewrite{"ReplaceDescription", WithBlock(SmallImage(), "the old text"),
                [](const std::string& t, platform::FileSystem& fs) {
                  return ReplaceDescription(t, "a new text", fs);
                }},
        Rewrite{"RemoveDescription", WithBlock(SmallImage(), "the old text"),
                [](const std::string& t, platform::FileSystem& fs) { return RemoveDescription(t, fs); }},
        Rewrite{"SaveOverAnImage", SmallImage(), SaveZeros},
        Rewrite{"SaveANewImage", {}, SaveZeros},
        Rewrite{"SaveFromADriveOverAnImage", SmallImage(), SaveFromADrive},
        Rewrite{"ExportOverARawFile", test::RandomBytes(5000, 3),
                [](const std::string& t, platform::FileSystem& fs) {
                  return platform::WriteWholeFile(t, test::RandomBytes(368640, 4), fs);
                }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Replace, KeepsTheFilesPermissionsAndRefusesAReadOnlyFile) {
  test::TempDir dir;
  const std::string target = dir.File("disk.vnk");
  test::WriteBytes(target, WithBlock(SmallImage(), "old"));
  ::chmod(target.c_str(), 0640);
  ASSERT_TRUE(ReplaceDescription(target, "new"));
  struct stat info {};
  ::stat(target.c_str(), &info);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadDescription(target), "new");
}

}  // namespace
}  // namespace vornak
