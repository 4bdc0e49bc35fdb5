// The FAT12 logic on bytes: the parameter block, the capacity the disk check
// sees, the root directory enumeration, and the system areas of a format.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/bytes.h"
#include "platform/fat12.h"
#include "tests/support/fixtures.h"

namespace vornak::platform {
namespace {

using test::Bytes;

constexpr int kCapacities[] = {1440, 1200, 720, 360};

// The row of the disk check's capacity table a capacity falls in.
int CapacityRow(int64_t capacity) {
  if (capacity >= 1400001) return 1;
  if (capacity >= 1000001 && capacity <= 1399999) return 2;
  if (capacity > 700000 && capacity < 1000000) return 3;
  if (capacity < 700000) return 4;
  return 0;
}

int RowOf(int kb) { return kb == 1440 ? 1 : kb == 1200 ? 2 : kb == 720 ? 3 : 4; }

Bytes MkfsDisk(int kb, const std::string& label = "") {
  test::TempDir dir;
  test::MakeFatDisk(dir.File("disk.img"), kb, label);
  return test::ReadBytes(dir.File("disk.img"));
}

// A whole disk of `kb` KB whose first sectors are our formatter's.
Bytes FormattedDisk(int kb, const std::string& label = "", uint32_t serial = 0x1234ABCD) {
  Result<std::vector<uint8_t>> areas = BuildSystemAreas(*FindFloppyLayout(kb), {label, serial});
  EXPECT_TRUE(areas) << areas.message();
  Bytes disk(std::size_t(kb) * 1024, 0);
  std::copy(areas->begin(), areas->end(), disk.begin());
  return disk;
}

TEST(Fat12, DisksOfEachSizeFallInTheirOwnCapacityRow) {
  const int64_t expected[] = {1457664, 1213952, 730112, 362496};
  for (std::size_t i = 0; i < std::size(kCapacities); ++i) {
    const int kb = kCapacities[i];
    SCOPED_TRACE(std::to_string(kb) + " KB");
    for (const Bytes& disk : {MkfsDisk(kb), FormattedDisk(kb)}) {
      const int64_t capacity = FatCapacity(disk);
      EXPECT_EQ(capacity, expected[i]);
      EXPECT_EQ(CapacityRow(capacity), RowOf(kb));
    }
  }
}

TEST(Fat12, RefusesParameterBlocksThatAreNotFat12OnOurSectors) {
  using Change = void (*)(Bytes&);
  struct Case {
    const char* name;
    Change change;     // made to a sound 1.44 MB boot sector
    int64_t capacity;  // -1: no valid parameter block
  };
  const Case cases[] = {
      {"sound as made", [](Bytes&) {}, 1457664},
      {"1024-byte sectors", [](Bytes& b) { WriteLe16(b, 11, 1024); }, -1},
      {"no sectors per cluster", [](Bytes& b) { b[13] = 0; }, -1},
      {"three sectors per cluster", [](Bytes& b) { b[13] = 3; }, -1},
      {"no reserved sector", [](Bytes& b) { WriteLe16(b, 14, 0); }, -1},
      {"no FAT", [](Bytes& b) { b[16] = 0; }, -1},
      {"no root directory entries", [](Bytes& b) { WriteLe16(b, 17, 0); }, -1},
      {"no sectors at all", [](Bytes& b) { WriteLe16(b, 19, 0); }, -1},
      {"only the 32-bit sector count", [](Bytes& b) { WriteLe16(b, 19, 0); WriteLe32(b, 32, 2880); }, 1457664},
      {"a media byte that is none", [](Bytes& b) { b[21] = 0x12; }, -1},
      {"FATs of no sectors", [](Bytes& b) { WriteLe16(b, 22, 0); }, -1},
      {"FATs too small for the clusters", [](Bytes& b) { WriteLe16(b, 22, 1); }, -1},
      {"as many clusters as FAT16 has", [](Bytes& b) { WriteLe16(b, 19, 28000); WriteLe16(b, 22, 200); }, -1},
      {"fewer sectors than the system areas", [](Bytes& b) { WriteLe16(b, 19, 33); }, -1},
      {"an unformatted disk", [](Bytes& b) { std::fill(b.begin(), b.end(), 0); }, -1},
      {"less than a sector", [](Bytes& b) { b.resize(511); }, -1},
  };
  Bytes sound = MkfsDisk(1440);
  sound.resize(512);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes boot = sound;
    c.change(boot);
    EXPECT_EQ(FatCapacity(boot), c.capacity);
  }
}

// Long-name pieces for `name` carrying the checksum of `shortEntry`.
std::vector<Bytes> LongPieces(const std::u16string& name, const Bytes& shortEntry) {
  static constexpr std::size_t kAt[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  uint8_t sum = 0;
  for (std::size_t i = 0; i < 11; ++i) sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + shortEntry[i]);
  const std::size_t count = (name.size() + 12) / 13;
  std::vector<Bytes> pieces;
  for (std::size_t part = count; part >= 1; --part) {
    Bytes entry(32, 0);
    entry[0] = static_cast<uint8_t>(part | (part == count ? 0x40 : 0));
    entry[11] = 0x0F;
    entry[13] = sum;
    for (std::size_t i = 0; i < 13; ++i) {
      const std::size_t at = (part - 1) * 13 + i;
      const char16_t c = at < name.size() ? name[at] : at == name.size() ? 0 : 0xFFFF;
      WriteLe16(entry, kAt[i], c);
    }
    pieces.push_back(entry);
  }
  return pieces;
}

// A 1.44 MB disk of our formatter whose root directory holds `entries`.
Bytes DiskWith(const std::vector<Bytes>& entries) {
  Bytes disk = FormattedDisk(1440);
  std::size_t at = 0x2600;
  for (const Bytes& entry : entries) {
    std::copy(entry.begin(), entry.end(), disk.begin() + static_cast<std::ptrdiff_t>(at));
    at += 32;
  }
  return disk;
}

std::vector<Bytes> Join(std::initializer_list<std::vector<Bytes>> groups) {
  std::vector<Bytes> all;
  for (const auto& group : groups) all.insert(all.end(), group.begin(), group.end());
  return all;
}

TEST(Fat12, EnumeratesTheRootDirectoryAsMtoolsWroteIt) {
  test::TempDir dir;
  const std::string disk = dir.File("disk.img");
  test::MakeFatDisk(disk, 720, "MYLABEL");
  test::PutFile(disk, "::README.TXT", test::BytesOf("short"));
  test::PutFile(disk, "::A long file name.text", test::BytesOf("long"));
  test::PutFile(disk, "::GONE.TXT", test::BytesOf("deleted next"));
  test::Mtools("mmd", {"-i", disk, "::DOCS"});
  test::Mtools("mmd", {"-i", disk, "::Hidden folder"});
  test::Mtools("mattrib", {"-i", disk, "+h", "::Hidden folder"});
  test::PutFile(disk, "::Thirteen.chr", test::BytesOf("a long name of exactly 13 characters"));
  test::Mtools("mdel", {"-i", disk, "::GONE.TXT"});

  std::optional<std::vector<DiskEntry>> entries = RootDirectoryEntries(test::ReadBytes(disk));
  ASSERT_TRUE(entries);
  const std::vector<DiskEntry> expected = {
      {"README.TXT", 0x20},      {"A long file name.text", 0x20}, {"DOCS", 0x10},
      {"Hidden folder", 0x12},   {"Thirteen.chr", 0x20},
  };
  EXPECT_EQ(*entries, expected);
}

TEST(Fat12, TakesALongNameOnlyWhenItsPiecesBelongToTheShortEntry) {
  const Bytes report = test::ShortEntry("REPORT~1TXT");
  const Bytes other = test::ShortEntry("OTHER   TXT");
  std::vector<Bytes> gap = LongPieces(u"A name of three pieces, more or less", report);
  gap.erase(gap.begin() + 1);  // the middle piece is missing
  Bytes deletedShort = test::ShortEntry("LOST    TXT");
  deletedShort[0] = 0xE5;
  Bytes escaped = test::ShortEntry("\x05XTRA   DAT");
  Bytes label = test::ShortEntry("VOLUME     ", 0x08);

  struct Case {
    const char* name;
    std::vector<Bytes> entries;
    std::vector<DiskEntry> expected;
  };
  const Case cases[] = {
      {"a sound long name", Join({LongPieces(u"Report for 1998.txt", report), {report}}),
       {{"Report for 1998.txt", 0x20}}},
      {"pieces made for another short entry", Join({LongPieces(u"Report for 1998.txt", other), {report}}),
       {{"REPORT~1.TXT", 0x20}}},
      {"a missing piece", Join({gap, {report}}), {{"REPORT~1.TXT", 0x20}}},
      {"pieces whose short entry was deleted", Join({LongPieces(u"Lost file.txt", deletedShort), {deletedShort, other}}),
       {{"OTHER.TXT", 0x20}}},
      {"characters beyond ASCII", Join({LongPieces(u"Caf\u00e9 \u00fcber \u20ac.txt", report), {report}}),
       {{"Caf\u00e9 \u00fcber \u20ac.txt", 0x20}}},
      {"a short name that begins with E5", {escaped}, {{"\u03c3XTRA.DAT", 0x20}}  /* E5 is sigma in code page 437 */},
      {"the volume label and the end marker", {label, other, Bytes(32, 0), report}, {{"OTHER.TXT", 0x20}}},
      {"attribute words as they are",
       {test::ShortEntry("DIR        ", 0x10), test::ShortEntry("HIDDIR     ", 0x12),
        test::ShortEntry("ARCDIR     ", 0x30), test::ShortEntry("NOEXT      ", 0x00)},
       {{"DIR", 0x10}, {"HIDDIR", 0x12}, {"ARCDIR", 0x30}, {"NOEXT", 0x00}}},
      {"a name of blanks only (found by the fuzzer)", {test::ShortEntry("           "), other},
       {{"OTHER.TXT", 0x20}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<std::vector<DiskEntry>> entries = RootDirectoryEntries(DiskWith(c.entries));
    ASSERT_TRUE(entries);
    EXPECT_EQ(*entries, c.expected);
  }
}

TEST(Fat12, NeverReadsPastTheBytesItIsGiven) {
  // 224 entries fill the root directory to its last byte; the scan stops
  // where the bytes or the directory end, whichever comes first.
  std::vector<Bytes> full;
  for (int i = 0; i < 224; ++i) {
    // Appended rather than "F" + ...: GCC 12 sees a false overlap in
    // operator+(const char*, string&&) at -O2 and warns (-Wrestrict).
    std::string name = "F";
    name += std::to_string(1000 + i);
    name += "   TXT";
    full.push_back(test::ShortEntry(name));
  }
  Bytes disk = DiskWith(full);
  disk.resize(0x2600 + 224 * 32);  // the bytes end with the directory
  EXPECT_EQ(RootDirectoryEntries(disk)->size(), 224u);
  disk.resize(0x2600 + 10 * 32 + 7);  // cut in the middle of the eleventh entry
  EXPECT_EQ(RootDirectoryEntries(disk)->size(), 10u);
  disk.resize(300);
  EXPECT_FALSE(RootDirectoryEntries(disk)) << "no whole boot sector";
}

TEST(Fat12, FormatsEachSizeAsDosAndMkfsDo) {
  for (int kb : kCapacities) {
    SCOPED_TRACE(std::to_string(kb) + " KB");
    test::TempDir dir;
    const std::string path = dir.File("ours.img");
    const Bytes disk = FormattedDisk(kb, "vornak " + std::to_string(kb), 0xCAFE0123);
    test::WriteBytes(path, disk);

    const Bytes reference = MkfsDisk(kb);
    EXPECT_EQ(Bytes(disk.begin() + 11, disk.begin() + 36), Bytes(reference.begin() + 11, reference.begin() + 36))
        << "the parameter block differs from mkfs.fat's";
    EXPECT_EQ(disk[510], 0x55);
    EXPECT_EQ(disk[511], 0xAA);
    EXPECT_EQ(ReadLe32(disk, 39), 0xCAFE0123u);

    test::CommandResult fsck = test::Run({"fsck.fat", "-n", path});
    EXPECT_EQ(fsck.exitCode, 0) << fsck.out << fsck.err << "\nrerun: fsck.fat -n " << path;
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    test::CommandResult mdir = test::Run({"mdir", "-i", path, "::"});
    EXPECT_EQ(mdir.exitCode, 0) << mdir.err;
    EXPECT_NE(mdir.out.find("Volume in drive : is VORNAK " + std::to_string(kb)), std::string::npos) << mdir.out;
    EXPECT_EQ(RootDirectoryEntries(disk)->size(), 0u) << "the label is not an entry";
    EXPECT_EQ(FormattedDisk(kb, "vornak " + std::to_string(kb), 0xCAFE0123), disk) << "not reproducible";
  }
}

TEST(Fat12, VolumeLabelsAreStoredAsDosStoresThem) {
  struct Case {
    std::string label;
    std::optional<std::string> field;
  };
  const Case cases[] = {
      {"", "           "},          {"backup 98", "BACKUP 98  "}, {"ELEVENCHARS", "ELEVENCHARS"},
      {"TWELVE CHARS", std::nullopt}, {"A.B", std::nullopt},       {" LEADING", std::nullopt},
      {"TAB\tX", std::nullopt},      {"Q?", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Result<std::string> field = VolumeLabelField(c.label);
    EXPECT_EQ(field.ok(), c.field.has_value()) << (field ? "" : field.message());
    if (field && c.field) {
      EXPECT_EQ(field.value(), *c.field);
    }
  }
  EXPECT_FALSE(BuildSystemAreas(*FindFloppyLayout(1440), {"BAD:LABEL", 1})) << "the formatter checks it too";
}

}  // namespace
}  // namespace vornak::platform
