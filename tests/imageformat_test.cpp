// The image file: header fields, format names, the reading sequence over
// sound and hostile files, and the writing sequence of the save.

#include <gtest/gtest.h>

#include <cstring>

#include "description/description.h"
#include "image/compress3.h"
#include "image/imageformat.h"
#include "image/sectorreader.h"
#include "tests/support/fixtures.h"
#include "tests/support/reference_image.h"

namespace vornak {
namespace {

using test::Bytes;
using test::Join;

Bytes HeaderBytes(const ImageHeader& header) {
  auto bytes = header.ToBytes();
  return Bytes(bytes.begin(), bytes.end());
}


Bytes Block(std::string_view text) { return test::DescriptionBlockBytes(text); }

// Sectors that look like a disk: mostly zeros with some text.
Bytes DiskSectors(const DiskFormat& format, uint32_t seed = 1) {
  Bytes sectors(format.Bytes(), 0);
  Bytes noise = test::RandomBytes(3000, seed);
  std::copy(noise.begin(), noise.end(), sectors.begin() + 512);
  return sectors;
}

Bytes Compressed(Bytes sectors) {
  const std::size_t size = sectors.size();
  sectors.push_back(0);
  int32_t length = CompressBuffer(sectors.data(), static_cast<int32_t>(size));
  EXPECT_GT(length, 0);
  sectors.resize(static_cast<std::size_t>(length));
  return sectors;
}

// The restore's reader over a file held in memory.
Result<ImageSectorReader> OpenSectors(const Bytes& file) {
  return ImageSectorReader::Open(std::make_unique<platform::MemoryFile>(file));
}

// All the sectors a reader hands out, asked for `piece` bytes at a time (the
// last piece may be shorter).
Bytes ReadInPieces(ImageSectorReader& reader, std::size_t piece) {
  Bytes all;
  while (all.size() < reader.SectorBytes()) {
    Bytes out(std::min<uint64_t>(piece, reader.SectorBytes() - all.size()));
    Status read = reader.Read(out);
    EXPECT_TRUE(read) << read.message();
    if (!read) break;
    all.insert(all.end(), out.begin(), out.end());
  }
  return all;
}

TEST(ImageHeader, IsReadAndWrittenFieldByFieldLittleEndian) {
  const Bytes bytes = Join({{0x40, 0x0B, 0x01, 0x01}, test::BytesOf("1.44MB 3.5 Disk"), {0, 0, 1}});
  ASSERT_EQ(bytes.size(), kImageHeaderSize);
  const ImageHeader header =
      ImageHeader::FromBytes(std::span<const uint8_t, kImageHeaderSize>(bytes.data(), kImageHeaderSize));
  EXPECT_EQ(header.SectorCount, 2880);
  EXPECT_EQ(header.FormatClass, 1);
  EXPECT_EQ(header.FormatCode, 1);
  EXPECT_EQ(header.FormatNameText(), "1.44MB 3.5 Disk");
  EXPECT_EQ(header.Compressed, 1);
  EXPECT_EQ(HeaderBytes(header), bytes);
  // Every row's header is the row itself, its name zero-filled to offset 20.
  for (const DiskFormat& format : kDiskFormats) {
    Bytes row = HeaderBytes(format.Header());
    EXPECT_EQ(row[0] | row[1] << 8, format.SectorCount);
    EXPECT_EQ(row[2], format.FormatClass);
    EXPECT_EQ(row[3], format.FormatCode);
    EXPECT_EQ(std::string(row.begin() + 4, row.begin() + 4 + format.FormatName.size()), format.FormatName);
    for (std::size_t i = 4 + format.FormatName.size(); i < 22; ++i) EXPECT_EQ(row[i], 0) << i;
  }
}

TEST(ImageHeader, KnownFormatNamesMatchExactly) {
  const std::pair<std::string_view, bool> cases[] = {
      {"1.44MB 3.5 Disk", true},  {"1.2MB 5.25 Disk", true},  {"720KB 3.5 Disk", true},
      {"360KB 5.25 Disk", true},  {"360kb 5.25 disk", false}, {"360KB 5.25 Disk ", false},
      {" 360KB 5.25 Disk", false}, {"", false},               {"1.44MB 3.5 disk", false},
  };
  for (auto [name, known] : cases) EXPECT_EQ(IsKnownFormatName(name), known) << "\"" << name << "\"";
}

TEST(ImageFile, ReadsRawAndCompressedPayloadsWithOrWithoutDescription) {
  for (const DiskFormat& format : kDiskFormats) {
    SCOPED_TRACE(format.FormatName);
    const Bytes sectors = DiskSectors(format);
    ImageHeader raw = format.Header();
    ImageHeader packed = format.Header();
    packed.Compressed = 2;  // any value but 0 means compressed
    const Bytes stream = Compressed(sectors);
    const Bytes files[] = {
        Join({HeaderBytes(raw), sectors}),
        Join({HeaderBytes(raw), sectors, Block("a raw disk")}),
        Join({HeaderBytes(packed), stream}),
        Join({HeaderBytes(packed), stream, Block("a compressed disk")}),
    };
    for (const Bytes& file : files) {
      Result<Image> image = ParseImage(file);
      ASSERT_TRUE(image) << image.message();
      EXPECT_EQ(Bytes(image->sectors.bytes().begin(), image->sectors.bytes().end()), sectors);
      EXPECT_EQ(image->fileSize, file.size());
      // The restore's reader hands out the same sectors, a piece at a time.
      for (std::size_t piece : {std::size_t{512}, std::size_t{51200}}) {
        Result<ImageSectorReader> reader = OpenSectors(file);
        ASSERT_TRUE(reader) << reader.message();
        EXPECT_EQ(reader->header(), image->header);
        EXPECT_EQ(ReadInPieces(*reader, piece), sectors);
        Bytes beyond(1);
        EXPECT_EQ(reader->Read(beyond).message(), kNotAnImageFile);
      }
    }
    EXPECT_EQ(ParseImage(files[2])->payloadLength, stream.size());
  }
}

TEST(ImageFile, FormatClassNeverMatters) {
  ImageHeader header = kDiskFormats[3].Header();
  for (uint8_t formatClass : {0, 1, 2, 0xFF}) {
    header.FormatClass = formatClass;
    EXPECT_TRUE(ParseImage(Join({HeaderBytes(header), DiskSectors(kDiskFormats[3])})));
  }
}

// Files that are not sound images, each ending in its message.
TEST(ImageFile, HostileFilesEndInTheirMessage) {
  const DiskFormat& format = kDiskFormats[3];
  const Bytes sectors = DiskSectors(format);
  const Bytes stream = Compressed(sectors);
  ImageHeader raw = format.Header();
  ImageHeader packed = format.Header();
  packed.Compressed = 1;
  auto withName = [&](std::string_view name) {
    ImageHeader h = raw;
    h.SetFormatName(name);
    return h;
  };
  auto withCode = [&](uint8_t code) {
    ImageHeader h = raw;
    h.FormatCode = code;
    return h;
  };
  auto streamWith = [&](std::size_t offset, uint32_t value) {
    Bytes s = stream;
    s[offset] = static_cast<uint8_t>(value);
    s[offset + 1] = static_cast<uint8_t>(value >> 8);
    s[offset + 2] = static_cast<uint8_t>(value >> 16);
    s[offset + 3] = static_cast<uint8_t>(value >> 24);
    return s;
  };
  const Bytes rawHeader = HeaderBytes(raw);
  Bytes noNameEnd = rawHeader;
  std::fill(noNameEnd.begin() + 4, noNameEnd.begin() + 21, 'A');

  struct Case {
    const char* name;
    Bytes file;
    std::string_view message;
  };
  const Case cases[] = {
      {"empty file", {}, kNotAnImageFile},
      {"header cut short", Bytes(rawHeader.begin(), rawHeader.begin() + 21), kNotAnImageFile},
      {"name in lower case", Join({HeaderBytes(withName("360kb 5.25 disk")), sectors}), kNotAnImageFile},
      {"name with a trailing blank", Join({HeaderBytes(withName("360KB 5.25 Disk ")), sectors}), kNotAnImageFile},
      {"name without terminator", Join({noNameEnd, sectors}), kNotAnImageFile},
      {"FormatCode 0", Join({HeaderBytes(withCode(0)), sectors}), kNotAnImageFile},
      {"FormatCode 5", Join({HeaderBytes(withCode(5)), sectors}), kNotAnImageFile},
      {"FormatCode of another name", Join({HeaderBytes(withCode(1)), sectors}), kNotAnImageFile},
      {"raw payload one byte short",
       Join({HeaderBytes(raw), Bytes(sectors.begin(), sectors.end() - 1)}), kNotAnImageFile},
      {"raw payload short but for a description",
       Join({HeaderBytes(raw), Bytes(sectors.begin(), sectors.end() - 100), Block("padding")}),
       kNotAnImageFile},
      {"stream cut short", Join({HeaderBytes(packed), Bytes(stream.begin(), stream.end() - 1)}),
       kNotAnImageFile},
      {"stream of fewer sectors", Join({HeaderBytes(packed), streamWith(0, 360000)}), kNotAnImageFile},
      {"huge run count", Join({HeaderBytes(packed), streamWith(4, 0xFFFFFFFF)}), kNotAnImageFile},
      {"run past TotalLength", Join({HeaderBytes(packed), streamWith(8, (368640u << 10) | 100)}),
       kNotAnImageFile},
      {"TotalLength beyond 4 MiB", Join({HeaderBytes(packed), streamWith(0, 0x7FFFFFFF)}),
       kNotAnImageFile},
      {"header only, compressed", HeaderBytes(packed), kNotAnImageFile},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Result<Image> image = ParseImage(c.file);
    ASSERT_FALSE(image);
    EXPECT_EQ(image.message(), c.message);
    // The restore's reader refuses it too, before it hands out a byte.
    EXPECT_EQ(OpenSectors(c.file).message(), c.message);
  }
}

TEST(ImageFile, ReadingByNameComparesTheDiskFormatFirst) {
  test::TempDir dir;
  const DiskFormat& format = kDiskFormats[2];
  test::WriteBytes(dir.File("good.vnk"), Join({HeaderBytes(format.Header()), DiskSectors(format)}));
  test::WriteBytes(dir.File("text.txt"), test::BytesOf("just some text, long enough for a header"));

  EXPECT_TRUE(ReadImageFile(dir.File("good.vnk"), 3));
  EXPECT_EQ(ReadImageFile(dir.File("good.vnk"), 1).message(), kNotSameFormat);
  // Not an image at all, but its fourth byte differs from the disk's code.
  EXPECT_EQ(ReadImageFile(dir.File("text.txt"), 1).message(), kNotSameFormat);
  EXPECT_EQ(ReadImageFile(dir.File("text.txt")).message(), kNotAnImageFile);
  EXPECT_EQ(ReadImageFile(dir.File("missing.vnk")).message(),
            "ERROR opening file  " + dir.File("missing.vnk"));

  EXPECT_TRUE(ImageSectorReader::Open(dir.File("good.vnk"), 3));
  EXPECT_EQ(ImageSectorReader::Open(dir.File("good.vnk"), 1).message(), kNotSameFormat);
  EXPECT_EQ(ImageSectorReader::Open(dir.File("text.txt"), 1).message(), kNotSameFormat);
  EXPECT_EQ(ImageSectorReader::Open(dir.File("missing.vnk")).message(),
            "ERROR opening file  " + dir.File("missing.vnk"));
}

// The restore reads the file as it writes the disk: a file that something
// else cuts short meanwhile fails the read that misses its bytes.
TEST(ImageFile, TheRestoresReaderFailsOnAFileCutShortAfterOpening) {
  test::TempDir dir;
  const DiskFormat& format = kDiskFormats[0];
  // Literal bytes well beyond what the reader takes in at once.
  Bytes sectors(format.Bytes(), 0);
  const Bytes noise = test::RandomBytes(400000, 5);
  std::copy(noise.begin(), noise.end(), sectors.begin());
  ImageHeader packed = format.Header();
  packed.Compressed = 1;
  const Bytes files[] = {Join({HeaderBytes(format.Header()), sectors}),
                         Join({HeaderBytes(packed), Compressed(sectors)})};
  for (const Bytes& file : files) {
    SCOPED_TRACE(file.size());
    test::WriteBytes(dir.File("disk.vnk"), file);
    Result<ImageSectorReader> reader = ImageSectorReader::Open(dir.File("disk.vnk"));
    ASSERT_TRUE(reader) << reader.message();
    Bytes first(51200);
    ASSERT_TRUE(reader->Read(first));
    EXPECT_EQ(first, Bytes(sectors.begin(), sectors.begin() + 51200));
    test::WriteBytes(dir.File("disk.vnk"), Bytes(file.begin(), file.begin() + 1000));

    Status read = Ok();
    for (uint64_t at = 51200; read && at < reader->SectorBytes(); at += 51200) {
      Bytes piece(std::min<uint64_t>(51200, reader->SectorBytes() - at));
      read = reader->Read(piece);
    }
    ASSERT_FALSE(read);
    EXPECT_EQ(read.message(), kNotAnImageFile);
  }
}

TEST(ImageFile, WritingCompressesWheneverTheCodecGivesAStream) {
  test::TempDir dir;
  struct Case {
    const char* name;
    Bytes sectors;
    const std::string* description;
    uint8_t compressed;
  };
  const std::string fiveCharacters = "hello";
  const std::string empty;
  const DiskFormat& format = kDiskFormats[3];
  const Case cases[] = {
      {"disk-like data", DiskSectors(format), nullptr, 1},
      {"disk-like data with a description", DiskSectors(format), &fiveCharacters, 1},
      {"an empty description writes no block", DiskSectors(format), &empty, 1},
      {"random data stays raw", test::RandomBytes(format.Bytes(), 3), &fiveCharacters, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<ByteBuffer> buffer = ByteBuffer::Allocate(c.sectors.size());
    std::memcpy(buffer->data(), c.sectors.data(), c.sectors.size());
    ImageHeader header = format.Header();
    header.SectorCount = 0;
    ASSERT_TRUE(WriteImageFile(dir.File("out.vnk"), header, *buffer, c.description));
    EXPECT_EQ(header.SectorCount, format.SectorCount);
    EXPECT_EQ(header.Compressed, c.compressed);

    const Bytes file = test::ReadBytes(dir.File("out.vnk"));
    const Bytes payload = c.compressed ? Compressed(c.sectors) : c.sectors;
    Bytes expected = Join({HeaderBytes(header), payload});
    if (c.description && !c.description->empty()) expected = Join({expected, Block(*c.description)});
    EXPECT_EQ(file, expected);
  }
  // A description of 5 characters adds 23 bytes ending in 05 00 and the marker.
  EXPECT_EQ(test::ReadBytes(dir.File("out.vnk")).size(), 22 + format.Bytes() + 23);
}

}  // namespace
}  // namespace vornak
