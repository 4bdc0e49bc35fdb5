#pragma once

// The image file: a 22-byte ImageHeader, the payload (the disk's sectors, raw
// or as a codec stream) and, optionally, a description block at the end.
//
//   offset 0   2 bytes  SectorCount
//          2   1 byte   FormatClass  (written, never consulted)
//          3   1 byte   FormatCode   (the DiskFormat row, 1 to 4)
//          4  17 bytes  FormatName   (text ended by a zero byte)
//         21   1 byte   Compressed   (0 raw; anything else a codec stream)

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "image/bytebuffer.h"
#include "image/compress3.h"
#include "platform/files.h"
#include "platform/status.h"

namespace vornak {

inline constexpr std::size_t kSectorSize = 512;
inline constexpr std::size_t kImageHeaderSize = 22;
inline constexpr std::size_t kFormatNameSize = 17;

// The messages a reader of image files shows.
inline constexpr std::string_view kErrorOpeningFile = "ERROR opening file  ";
inline constexpr std::string_view kNotAnImageFile =
    "This file does not appear to be a correct .VNK file.";
inline constexpr std::string_view kMemoryAllocationError = "Memory allocation error.";
inline constexpr std::string_view kNotSameFormat =
    "Target disk is not the same format as image file.";

struct ImageHeader {
  uint16_t SectorCount = 0;
  uint8_t FormatClass = 0;
  uint8_t FormatCode = 0;
  std::array<uint8_t, kFormatNameSize> FormatName{};
  uint8_t Compressed = 0;

  static ImageHeader FromBytes(std::span<const uint8_t, kImageHeaderSize> bytes);
  std::array<uint8_t, kImageHeaderSize> ToBytes() const;
  // The name up to its first zero byte (all 17 bytes when there is none).
  std::string FormatNameText() const;
  void SetFormatName(std::string_view name);  // zero-fills the rest of the field

  bool operator==(const ImageHeader&) const = default;
};

struct DiskFormat {
  uint8_t FormatCode;
  std::string_view FormatName;
  uint16_t SectorCount;
  uint8_t FormatClass;

  uint64_t Bytes() const { return uint64_t{SectorCount} * kSectorSize; }
  // The header of an image of this format, Compressed clear.
  ImageHeader Header() const;
};

// The four supported formats, rows 1 to 4.
inline constexpr std::array<DiskFormat, 4> kDiskFormats{{
    {1, "1.44MB 3.5 Disk", 2880, 1},
    {2, "1.2MB 5.25 Disk", 2400, 1},
    {3, "720KB 3.5 Disk", 1440, 2},
    {4, "360KB 5.25 Disk", 720, 2},
}};

// True when `name` equals one of the four format names exactly, byte for byte.
bool IsKnownFormatName(std::string_view name);
const DiskFormat* FindDiskFormatByCode(int formatCode);
const DiskFormat* FindDiskFormatByBytes(uint64_t bytes);

// The format of a disk whose file system reports `capacity` bytes: from
// 1,400,000 the 1.44 MB row, from 1,000,000 the 1.2 MB row, from 700,000 the
// 720 KB row, below it the 360 KB row. A capacity exactly on a boundary
// belongs to the larger format: no floppy reports one, and every capacity
// gets a row.
const DiskFormat& DiskFormatForCapacity(int64_t capacity);

// An image as the readers use it.
struct Image {
  ImageHeader header;
  ByteBuffer sectors;          // exactly SectorCount x 512 bytes, and the spare byte
  uint64_t fileSize = 0;       // the whole file, header and description included
  uint64_t payloadLength = 0;  // the raw sectors, or the codec stream's own length
};

// The most payload bytes a reader takes in: the longest stream expanding to
// 4 MiB. Counts in a file never size an allocation beyond this.
inline constexpr uint64_t kMaxPayloadRead = 2 * uint64_t{kMaxExpandedLength} + 8;

// Turns the bytes that follow the header into the image data: SectorCount x 512
// bytes, expanded when the header says the payload is compressed. Fails with
// kNotAnImageFile when the payload gives fewer bytes or is not a sound stream,
// and with kMemoryAllocationError when memory runs out. Takes `payload`.
Result<Image> DecodePayload(const ImageHeader& header, ByteBuffer payload);

// Checks a header the way every reader does: a known name, and the code that
// belongs to it.
Status CheckHeader(const ImageHeader& header);

// The header of an open image file, checked: kNotAnImageFile for a file too
// short to hold one or a header CheckHeader refuses; with `diskFormatCode`
// (the restore), kNotSameFormat first when the FormatCode differs from it.
Result<ImageHeader> ReadCheckedHeader(platform::ReadableFile& file, std::optional<int> diskFormatCode);

// How many payload bytes a reader takes from the `available` ones that follow
// the header: a raw payload's sectors (nothing when fewer are there), or up to
// kMaxPayloadRead bytes of a stream and what follows it.
std::optional<uint64_t> PayloadBytesToRead(const ImageHeader& header, uint64_t available);

// The reading sequence over the bytes of a whole file.
Result<Image> ParseImage(std::span<const uint8_t> file);

// The reading sequence over a named file. With `diskFormatCode` (the restore),
// the header's FormatCode is compared with it first and a difference is
// reported with kNotSameFormat.
Result<Image> ReadImageFile(const std::string& fileName,
                            std::optional<int> diskFormatCode = std::nullopt,
                            platform::FileSystem& fs = platform::RealFileSystem());

// Only the header of a named file; nothing when it is no regular file or
// cannot be opened, and a zero header for a file shorter than 22 bytes.
std::optional<ImageHeader> ReadImageHeader(const std::string& fileName,
                                           platform::FileSystem& fs = platform::RealFileSystem());

// The writing sequence of the save: compresses `sectors` in place (they are
// lost afterwards), sets the header's SectorCount and Compressed, and replaces
// `fileName` by the header, the payload and, when `description` is given and
// not empty, its description block.
Status WriteImageFile(const std::string& fileName, ImageHeader& header, ByteBuffer& sectors,
                      const std::string* description,
                      platform::FileSystem& fs = platform::RealFileSystem());

}  // namespace vornak
