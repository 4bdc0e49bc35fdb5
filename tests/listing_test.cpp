// Listing the root directory stored in an image: the scan rules on entries
// built by hand, disks made by mkfs.fat and mtools, and the listing's output.

#include <gtest/gtest.h>

#include <cstring>

#include "description/description.h"
#include "image/imageformat.h"
#include "inspect/displayimgfiles.h"
#include "tests/support/fixtures.h"

namespace vornak {
namespace {

using test::Bytes;
using test::LongNameEntries;
using test::ShortEntry;
using Lines = std::vector<std::string>;

constexpr uint8_t kFolder = 0x10;
constexpr uint8_t kVolume = 0x08;
constexpr std::size_t kRoot360 = 0xA00;  // root directory of a 360 KB disk

Bytes Deleted(Bytes entry) {
  entry[0] = 0xE5;
  return entry;
}

// Entries built by hand, in directory order.
std::vector<Bytes> Entries(std::initializer_list<std::vector<Bytes>> groups) {
  std::vector<Bytes> all;
  for (const auto& group : groups) all.insert(all.end(), group.begin(), group.end());
  return all;
}

Lines Scan(const std::vector<Bytes>& entries, int formatCode = 4) {
  const Bytes disk = test::DiskWithRootEntries(720, kRoot360, entries);
  return ScanRootDirectory(disk, formatCode);
}

TEST(RootDirectoryScan, FollowsTheRulesForEachKindOfEntry) {
  const std::vector<Bytes> caf = LongNameEntries("Caf\xE9 menu.txt");
  struct Case {
    const char* name;
    std::vector<Bytes> entries;
    Lines lines;
  };
  const Case cases[] = {
      {"an empty directory", {}, {}},
      {"name and extension", {ShortEntry("README  TXT")}, {"README.TXT"}},
      {"a folder", {ShortEntry("DOCS       ", kFolder)}, {"DOCS   <DIR>"}},
      {"no extension", {ShortEntry("MAKEFILE   ")}, {"MAKEFILE"}},
      {"blanks inside the name are left out", {ShortEntry("A B  C  D E")}, {"ABC.DE"}},
      {"a first byte of 05 stands for E5", {ShortEntry("\x05" "ABC    TXT")}, {"\xE5" "ABC.TXT"}},
      {"volume label, deleted and dot entries are skipped",
       {ShortEntry("MYDISK     ", kVolume), Deleted(ShortEntry("OLD     TXT")),
        ShortEntry(".          ", kFolder), ShortEntry("..         ", kFolder), ShortEntry("NEXT    BIN")},
       {"NEXT.BIN"}},
      {"long names of 13, 14 and 26 characters",
       Entries({LongNameEntries("Thirteen_char"), {ShortEntry("THIRTE~1   ")},
                LongNameEntries("Fourteen_chars"), {ShortEntry("FOURTE~1   ")},
                LongNameEntries("Twenty_six_characters_long"), {ShortEntry("TWENTY~1   ")}}),
       {"Thirteen_char", "Fourteen_chars", "Twenty_six_characters_long"}},
      {"a long-named folder", Entries({LongNameEntries("My Folder"), {ShortEntry("MYFOLD~1   ", kFolder)}}),
       {"My Folder   <DIR>"}},
      {"an accented letter keeps its low byte", Entries({caf, {ShortEntry("CAFMEN~1TXT")}}),
       {"Caf\xE9 menu.txt"}},
      {"a deleted long-name group",
       Entries({{Deleted(LongNameEntries("Gone_long_name.txt")[0]),
                 Deleted(LongNameEntries("Gone_long_name.txt")[1]), Deleted(ShortEntry("GONE_L~1TXT"))},
                {ShortEntry("KEPT    TXT")}}),
       {"KEPT.TXT"}},
      {"a group whose short entry alone is deleted",
       Entries({LongNameEntries("Half_deleted.txt"), {Deleted(ShortEntry("HALF_D~1TXT"))},
                {ShortEntry("KEPT    TXT")}}),
       {"KEPT.TXT"}},
      {"a long name on a volume label is not listed",
       Entries({LongNameEntries("Label"), {ShortEntry("LABEL      ", kVolume)}, {ShortEntry("A       B  ")}}),
       {"A.B"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Scan(c.entries), c.lines);
  }
}

TEST(RootDirectoryScan, StaysInsideTheDirectoryAndTheData) {
  // A long-name entry numbered 0 would name itself: the scan moves on.
  Bytes zero = LongNameEntries("Zero")[0];
  zero[0] = 0x40;
  EXPECT_EQ(Scan({zero, ShortEntry("AFTER   TXT")}), Lines{"AFTER.TXT"});

  // A group claiming 31 entries in the last slot of the directory.
  std::vector<Bytes> full(111, ShortEntry("FILE    TXT"));
  Bytes claim = LongNameEntries("x")[0];
  claim[0] = 0x5F;
  full.push_back(claim);
  Bytes disk = test::DiskWithRootEntries(720, kRoot360, full);
  // Whatever lies after the directory is never read as entries.
  std::memset(disk.data() + kRoot360 + 112 * 32, 'Z', 512);
  EXPECT_EQ(ScanRootDirectory(disk, 4).size(), 111u);

  // A directory filled to its last entry lists exactly its entries.
  std::vector<Bytes> filled(224, ShortEntry("FULL    TXT"));
  Bytes big = test::DiskWithRootEntries(2880, 0x2600, filled);
  std::memset(big.data() + 0x2600 + 224 * 32, 'Q', 4096);
  EXPECT_EQ(ScanRootDirectory(big, 1).size(), 224u);

  // A name longer than 255 characters is cut there.
  std::string longName(280, 'n');
  Lines lines = Scan(Entries({LongNameEntries(longName), {ShortEntry("NNNNNN~1   ")}}));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], std::string(255, 'n'));

  // Data that ends inside or before the directory, and unknown format codes.
  Bytes cut(kRoot360 + 40, 0);
  std::memcpy(cut.data() + kRoot360, ShortEntry("ONLY    TXT").data(), 32);
  EXPECT_EQ(ScanRootDirectory(cut, 4), Lines{"ONLY.TXT"});
  EXPECT_TRUE(ScanRootDirectory(Bytes(100, 'A'), 4).empty());
  EXPECT_TRUE(ScanRootDirectory(disk, 0).empty());
  EXPECT_TRUE(ScanRootDirectory(disk, 5).empty());
}

class RecordingListing final : public ListingOutput {
 public:
  void AppendLine(const std::string& line) override { lines.push_back(line); }
  void ShowHeading(const std::string& caption) override { heading = caption; }
  Lines lines;
  std::string heading = "(unchanged)";
};

// An image file of `disk` (raw sectors), compressed or raw, with a description.
std::string WriteImage(const test::TempDir& dir, const std::string& name, const Bytes& disk,
                       bool compress, const std::string& description) {
  const DiskFormat* format = FindDiskFormatByBytes(disk.size());
  ImageHeader header = format->Header();
  const std::string path = dir.File(name);
  if (compress) {
    std::optional<ByteBuffer> sectors = ByteBuffer::Allocate(disk.size());
    std::memcpy(sectors->data(), disk.data(), disk.size());
    EXPECT_TRUE(WriteImageFile(path, header, *sectors, &description));
    EXPECT_EQ(header.Compressed, 1);
  } else {
    Bytes file(kImageHeaderSize + disk.size());
    const auto headerBytes = header.ToBytes();
    std::copy(headerBytes.begin(), headerBytes.end(), file.begin());
    std::copy(disk.begin(), disk.end(), file.begin() + kImageHeaderSize);
    test::WriteBytes(path, file);
    EXPECT_TRUE(ReplaceDescription(path, description));
  }
  return path;
}

TEST(ImageListing, ListsDisksMadeByMtoolsFromRawAndCompressedImages) {
  test::TempDir dir;
  const std::string disk = dir.File("disk.img");
  test::MakeFatDisk(disk, 1440, "MYLABEL");
  const Bytes hi = test::BytesOf("hi\n");
  for (const char* name : {"::README.TXT", "::Thirteen_char", "::Fourteen_chars",
                           "::Twenty_six_characters_long", "::Gone_long_name.txt", "::GONE.TXT",
                           "::Café document.txt", "::MAKEFILE", "::ÕX.TXT"}) {
    test::PutFile(disk, name, hi);
  }
  test::Mtools("mmd", {"-i", disk, "::DOCS", "::My Folder"});
  test::PutFile(disk, "::DOCS/INNER.TXT", hi);
  test::Mtools("mdel", {"-i", disk, "::Gone_long_name.txt", "::GONE.TXT"});

  const Lines expected{"README.TXT", "Thirteen_char", "Fourteen_chars", "Twenty_six_characters_long",
                       "Caf\xE9 document.txt", "MAKEFILE", "\xE5" "X.TXT", "DOCS   <DIR>",
                       "My Folder   <DIR>"};
  const Bytes sectors = test::ReadBytes(disk);
  for (bool compress : {false, true}) {
    for (const std::string description : {"", "Tax records 1987"}) {
      SCOPED_TRACE(std::string(compress ? "compressed" : "raw") + ", description \"" + description + "\"");
      const std::string image = WriteImage(dir, "disk.vnk", sectors, compress, description);
      RecordingListing listing;
      platform::ScriptedDialogs dialogs;
      ASSERT_TRUE(ListImageFiles(image, listing, dialogs));
      Lines lines = expected;
      if (!description.empty()) {
        lines.insert(lines.end(), {"   ", "  * * * * * * * * * * *", "  Image Description...", description});
      }
      EXPECT_EQ(listing.lines, lines);
      EXPECT_EQ(listing.heading, "Image Files...");
      EXPECT_TRUE(dialogs.asked.empty());
    }
  }
}

TEST(ImageListing, AFreshDiskListsNothingButItsDescription) {
  test::TempDir dir;
  for (const DiskFormat& format : kDiskFormats) {
    SCOPED_TRACE(format.FormatName);
    test::MakeFatDisk(dir.File("fresh.img"), static_cast<int>(format.Bytes() / 1024));
    const std::string image = WriteImage(dir, "fresh.vnk", test::ReadBytes(dir.File("fresh.img")), true, "blank");
    RecordingListing listing;
    platform::ScriptedDialogs dialogs;
    ASSERT_TRUE(ListImageFiles(image, listing, dialogs));
    EXPECT_EQ(listing.lines, (Lines{"   ", "  * * * * * * * * * * *", "  Image Description...", "blank"}));
    EXPECT_EQ(listing.heading, "Image Files...");
  }
}

TEST(ImageListing, AFileThatCannotBeListedGivesOnlyItsMessage) {
  test::TempDir dir;
  test::WriteBytes(dir.File("notes.txt"), test::BytesOf("Dear diary, today I found a box of floppies."));
  const std::pair<std::string, std::string> cases[] = {
      {dir.File("notes.txt"), "This file does not appear to be a correct .VNK file."},
      {dir.File("missing.vnk"), "ERROR opening file  " + dir.File("missing.vnk")},
  };
  for (const auto& [file, message] : cases) {
    RecordingListing listing;
    platform::ScriptedDialogs dialogs;
    EXPECT_FALSE(ListImageFiles(file, listing, dialogs));
    EXPECT_EQ(dialogs.Texts(), Lines{message});
    EXPECT_EQ(dialogs.asked[0].kind, platform::DialogKind::Information);
    EXPECT_TRUE(listing.lines.empty());
    EXPECT_EQ(listing.heading, "(unchanged)");
  }
}

}  // namespace
}  // namespace vornak
