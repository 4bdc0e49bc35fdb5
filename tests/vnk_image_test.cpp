// vnk's image commands, run as a user runs them: list, info, describe,
// import and export, their output streams and exit statuses.

#include <gtest/gtest.h>

#include "image/imageformat.h"
#include "tests/support/fixtures.h"
#include "tests/support/reference_image.h"

namespace vornak {
namespace {

using test::Bytes;
using test::Vnk;

using test::DescriptionBlockBytes;

// The file an import of `raw` must write.
Bytes ExpectedImage(const Bytes& raw, std::string_view description) {
  const DiskFormat* format = FindDiskFormatByBytes(raw.size());
  return test::ExpectedImageFile(raw, format->FormatCode, format->FormatName, format->FormatClass, description);
}

// A raw disk whose data is stretches of six equal bytes: `runs` runs in all.
Bytes RawWithRuns(std::size_t bytes, std::size_t runs) {
  Bytes raw = test::RandomBytes(bytes, 77);
  for (std::size_t i = 0; i < runs; ++i) {
    std::fill_n(raw.begin() + static_cast<std::ptrdiff_t>(i * 8), 6, static_cast<uint8_t>(i));
  }
  for (std::size_t i = runs * 8; i < bytes; ++i) {
    if (i > 0 && raw[i] == raw[i - 1]) raw[i] ^= 0x80;  // no further stretches
  }
  return raw;
}

TEST(VnkImport, WritesTheExactImageAndExportGivesTheSectorsBack) {
  test::TempDir dir;
  test::MakeFatDisk(dir.File("mkfs.img"), 720, "ARCHIVE");
  test::PutFile(dir.File("mkfs.img"), "::LETTER.TXT", test::BytesOf(std::string(5000, 'x') + "Dear Sir,"));
  struct Case {
    const char* name;
    Bytes raw;
    std::string description;
  };
  const Case cases[] = {
      {"a disk made by mkfs.fat and mcopy", test::ReadBytes(dir.File("mkfs.img")), "Letters, 1991"},
      {"random bytes stay raw", test::RandomBytes(1228800, 4), "noise"},
      {"a blank 360 KB disk", Bytes(368640, 0), ""},
      {"5000 runs", RawWithRuns(1474560, 5000), ""},
      {"5001 runs", RawWithRuns(1474560, 5001), ""},
      {"10000 runs", RawWithRuns(1474560, 10000), "growth"},
      {"10001 runs", RawWithRuns(1474560, 10001), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteBytes(dir.File("in.img"), c.raw);
    std::vector<std::string> import{"import", dir.File("in.img"), dir.File("out.vnk")};
    if (!c.description.empty()) import.insert(import.end(), {"--description", c.description});
    test::CommandResult imported = Vnk(import);
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(imported.out, "");
    EXPECT_EQ(test::ReadBytes(dir.File("out.vnk")), ExpectedImage(c.raw, c.description));

    test::CommandResult exported = Vnk({"export", dir.File("out.vnk"), dir.File("back.img")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(test::ReadBytes(dir.File("back.img")), c.raw);
  }
}

TEST(VnkImport, RefusesAFileThatIsNotAWholeDisk) {
  test::TempDir dir;
  test::WriteBytes(dir.File("odd.img"), Bytes(1474561, 0));
  test::WriteBytes(dir.File("old.vnk"), test::BytesOf("keep me"));
  test::CommandResult result = Vnk({"import", dir.File("odd.img"), dir.File("old.vnk")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("1474561 bytes"), std::string::npos) << result.err;
  EXPECT_EQ(test::ReadBytes(dir.File("old.vnk")), test::BytesOf("keep me"));
}

TEST(VnkList, PrintsTheListingLinesAndNothingElse) {
  test::TempDir dir;
  const std::string disk = dir.File("disk.img");
  test::MakeFatDisk(disk, 1440, "LABEL");
  test::PutFile(disk, "::Café document.txt", test::BytesOf("x"));
  test::Mtools("mmd", {"-i", disk, "::GAMES"});
  ASSERT_EQ(Vnk({"import", disk, dir.File("disk.vnk"), "--description", "Mixed bag"}).exitCode, 0);

  test::CommandResult listed = Vnk({"list", dir.File("disk.vnk")});
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_EQ(listed.out,
            "Caf\xE9 document.txt\nGAMES   <DIR>\n   \n  * * * * * * * * * * *\n"
            "  Image Description...\nMixed bag\n");
  EXPECT_EQ(listed.err, "");
}

// Files vnk must refuse: the system's message on stderr, nothing on stdout, status 1.
TEST(VnkImage, HostileFilesEndInTheirMessage) {
  test::TempDir dir;
  Bytes header(kImageHeaderSize, 0);
  header[0] = 0xD0;
  header[1] = 0x02;
  header[3] = 4;
  const std::string name = "360KB 5.25 Disk";
  std::copy(name.begin(), name.end(), header.begin() + 4);
  Bytes compressed = header;
  compressed[21] = 1;
  auto with = [](Bytes head, Bytes tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  const std::string notAnImage = "This file does not appear to be a correct .VNK file.\n";
  struct Case {
    const char* name;
    Bytes file;
  };
  const Case cases[] = {
      {"cut header", Bytes(header.begin(), header.begin() + 10)},
      {"short raw payload", with(header, Bytes(1000, 0))},
      {"run count past the end", with(compressed, {0x00, 0xA0, 0x05, 0x00, 0xFF, 0xFF, 0xFF, 0x7F})},
      {"trailer longer than the file", with(header, DescriptionBlockBytes("x"))},
      {"text file", test::BytesOf("These are my notes about the floppies in the attic.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteBytes(dir.File("bad.vnk"), c.file);
    for (const std::string command : {"list", "info", "export"}) {
      SCOPED_TRACE(command);
      std::vector<std::string> words{command, dir.File("bad.vnk")};
      if (command == "export") words.push_back(dir.File("out.img"));
      test::CommandResult result = Vnk(words);
      EXPECT_EQ(result.exitCode, 1);
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err, notAnImage);
    }
    EXPECT_FALSE(platform::FileExists(dir.File("out.img")));
  }
  test::CommandResult missing = Vnk({"list", dir.File("none.vnk")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "ERROR opening file  " + dir.File("none.vnk") + "\n");
}

TEST(VnkDescribe, PrintsReplacesAndRemoves) {
  test::TempDir dir;
  const std::string image = dir.File("d.vnk");
  test::WriteBytes(dir.File("blank.img"), Bytes(368640, 0xF6));
  ASSERT_EQ(Vnk({"import", dir.File("blank.img"), image}).exitCode, 0);
  const Bytes bare = test::ReadBytes(image);

  EXPECT_EQ(Vnk({"describe", image}).out, "");
  EXPECT_EQ(Vnk({"describe", image, "--set", "Line one\nline two"}).exitCode, 0);
  EXPECT_EQ(Vnk({"describe", image}).out, "Line oneline two\n");
  EXPECT_EQ(Vnk({"describe", image, "--set=Second"}).exitCode, 0);
  Bytes expected = bare;
  const Bytes block = DescriptionBlockBytes("Second");
  expected.insert(expected.end(), block.begin(), block.end());
  EXPECT_EQ(test::ReadBytes(image), expected);
  EXPECT_NE(Vnk({"info", image}).out.find("Description:  Second\n"), std::string::npos);

  EXPECT_EQ(Vnk({"describe", image, "--remove"}).exitCode, 0);
  EXPECT_EQ(test::ReadBytes(image), bare);
  EXPECT_EQ(Vnk({"describe", image, "--set", "x"}).exitCode, 0);
  EXPECT_EQ(Vnk({"describe", image, "--set", ""}).exitCode, 0);
  EXPECT_EQ(test::ReadBytes(image), bare);

  EXPECT_EQ(Vnk({"describe", image, "--set", std::string(257, 'a')}).exitCode, 2);
  EXPECT_EQ(Vnk({"describe", image, "--set", "a", "--remove"}).exitCode, 2);
  EXPECT_EQ(Vnk({"describe", dir.File("none.vnk"), "--set", "a"}).exitCode, 1);
  EXPECT_EQ(test::ReadBytes(image), bare);
}

TEST(VnkImage, InfoShowsTheHeaderAndThePayload) {
  test::TempDir dir;
  test::WriteBytes(dir.File("blank.img"), Bytes(737280, 0));
  ASSERT_EQ(Vnk({"import", dir.File("blank.img"), dir.File("b.vnk")}).exitCode, 0);
  test::CommandResult info = Vnk({"info", dir.File("b.vnk")});
  EXPECT_EQ(info.exitCode, 0);
  for (const char* line : {"Format:       720KB 3.5 Disk\n", "FormatCode:   3\n", "FormatClass:  2\n",
                           "SectorCount:  1440 (737280 bytes)\n", "Compressed:   1\n",
                           "Description:  (none)\n"}) {
    EXPECT_NE(info.out.find(line), std::string::npos) << line << " in\n" << info.out;
  }
}

TEST(Vnk, AnswersUsageErrorsWithStatus2) {
  struct Case {
    std::vector<std::string> words;
    int status;
  };
  const Case cases[] = {
      {{}, 2},
      {{"--help"}, 0},
      {{"help", "import"}, 0},
      {{"list", "--help"}, 0},
      {{"--version"}, 0},
      {{"frobnicate"}, 2},
      {{"help", "frobnicate"}, 2},
      {{"list"}, 2},
      {{"list", "a", "b"}, 2},
      {{"import", "a", "b", "--colour"}, 2},
      {{"import", "a", "b", "--description"}, 2},
  };
  for (const Case& c : cases) {
    test::CommandResult result = Vnk(c.words);
    EXPECT_EQ(result.exitCode, c.status) << testing::PrintToString(c.words) << result.err;
  }
  EXPECT_NE(Vnk({"--help"}).out.find("import RAW IMAGE"), std::string::npos);
}

}  // namespace
}  // namespace vornak
