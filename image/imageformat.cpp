#include "image/imageformat.h"

#include <algorithm>
#include <cstring>

#include "description/description.h"
#include "image/compress3.h"
#include "platform/bytes.h"

namespace vornak {
namespace {

Failure NotAnImage() { return Failure{std::string(kNotAnImageFile)}; }
Failure OutOfMemory() { return Failure{std::string(kMemoryAllocationError)}; }

// The reading sequence over an open file.
Result<Image> ReadImage(platform::ReadableFile& file, std::optional<int> diskFormatCode) {
  Result<ImageHeader> header = ReadCheckedHeader(file, diskFormatCode);
  if (!header) return header.failure();
  std::optional<uint64_t> toRead = PayloadBytesToRead(*header, file.Size() - kImageHeaderSize);
  if (!toRead) return NotAnImage();
  std::optional<ByteBuffer> payload = ByteBuffer::Allocate(static_cast<std::size_t>(*toRead));
  if (!payload) return OutOfMemory();
  if (!file.ReadAt(kImageHeaderSize, payload->bytes())) return NotAnImage();

  Result<Image> image = DecodePayload(*header, std::move(*payload));
  if (image) image->fileSize = file.Size();
  return image;
}

}  // namespace

ImageHeader ImageHeader::FromBytes(std::span<const uint8_t, kImageHeaderSize> bytes) {
  ImageHeader header;
  header.SectorCount = ReadLe16(bytes, 0);
  header.FormatClass = bytes[2];
  header.FormatCode = bytes[3];
  std::copy_n(bytes.begin() + 4, kFormatNameSize, header.FormatName.begin());
  header.Compressed = bytes[21];
  return header;
}

std::array<uint8_t, kImageHeaderSize> ImageHeader::ToBytes() const {
  std::array<uint8_t, kImageHeaderSize> bytes{};
  WriteLe16(bytes, 0, SectorCount);
  bytes[2] = FormatClass;
  bytes[3] = FormatCode;
  std::copy(FormatName.begin(), FormatName.end(), bytes.begin() + 4);
  bytes[21] = Compressed;
  return bytes;
}

std::string ImageHeader::FormatNameText() const {
  auto end = std::find(FormatName.begin(), FormatName.end(), uint8_t{0});
  return std::string(FormatName.begin(), end);
}

void ImageHeader::SetFormatName(std::string_view name) {
  FormatName.fill(0);
  std::copy_n(name.begin(), std::min(name.size(), kFormatNameSize - 1), FormatName.begin());
}

ImageHeader DiskFormat::Header() const {
  ImageHeader header;
  header.SectorCount = SectorCount;
  header.FormatClass = FormatClass;
  header.FormatCode = FormatCode;
  header.SetFormatName(FormatName);
  return header;
}

bool IsKnownFormatName(std::string_view name) {
  return std::any_of(kDiskFormats.begin(), kDiskFormats.end(),
                     [&](const DiskFormat& format) { return format.FormatName == name; });
}

const DiskFormat* FindDiskFormatByCode(int formatCode) {
  for (const DiskFormat& format : kDiskFormats) {
    if (format.FormatCode == formatCode) return &format;
  }
  return nullptr;
}

const DiskFormat* FindDiskFormatByBytes(uint64_t bytes) {
  for (const DiskFormat& format : kDiskFormats) {
    if (format.Bytes() == bytes) return &format;
  }
  return nullptr;
}

const DiskFormat& DiskFormatForCapacity(int64_t capacity) {
  if (capacity >= 1400000) return kDiskFormats[0];
  if (capacity >= 1000000) return kDiskFormats[1];
  if (capacity >= 700000) return kDiskFormats[2];
  return kDiskFormats[3];
}

std::optional<uint64_t> PayloadBytesToRead(const ImageHeader& header, uint64_t available) {
  if (header.Compressed == 0) {
    const uint64_t raw = uint64_t{header.SectorCount} * kSectorSize;
    if (available < raw) return std::nullopt;
    return raw;
  }
  return std::min(available, kMaxPayloadRead);
}

Result<ImageHeader> ReadCheckedHeader(platform::ReadableFile& file, std::optional<int> diskFormatCode) {
  std::array<uint8_t, kImageHeaderSize> headerBytes{};
  if (file.Size() < kImageHeaderSize || !file.ReadAt(0, headerBytes)) return NotAnImage();
  const ImageHeader header = ImageHeader::FromBytes(headerBytes);
  if (diskFormatCode && header.FormatCode != *diskFormatCode) {
    return Failure{std::string(kNotSameFormat)};
  }
  if (Status valid = CheckHeader(header); !valid) return valid.failure();
  return header;
}

Status CheckHeader(const ImageHeader& header) {
  const std::string name = header.FormatNameText();
  if (!IsKnownFormatName(name)) return NotAnImage();
  const DiskFormat* format = FindDiskFormatByCode(header.FormatCode);
  if (format == nullptr || format->FormatName != name) return NotAnImage();
  return Ok();
}

Result<Image> DecodePayload(const ImageHeader& header, ByteBuffer payload) {
  const std::size_t sectorBytes = std::size_t{header.SectorCount} * kSectorSize;
  Image image;
  image.header = header;
  if (header.Compressed == 0) {
    if (payload.size() < sectorBytes) return NotAnImage();
    image.payloadLength = sectorBytes;
  } else {
    Expansion expanded = ExpandBuffer(payload);
    if (!expanded) {
      return expanded.failure == ExpandFailure::OutOfMemory ? OutOfMemory() : NotAnImage();
    }
    payload = std::move(*expanded.data);
    if (payload.size() < sectorBytes) return NotAnImage();
    image.payloadLength = expanded.streamLength;
  }
  payload.Truncate(sectorBytes);
  image.sectors = std::move(payload);
  return image;
}

Result<Image> ParseImage(std::span<const uint8_t> file) {
  platform::MemoryFile memory(file);
  return ReadImage(memory, std::nullopt);
}

Result<Image> ReadImageFile(const std::string& fileName, std::optional<int> diskFormatCode,
                            platform::FileSystem& fs) {
  auto opened = fs.OpenForReading(fileName);
  if (!opened) return Failure{std::string(kErrorOpeningFile) + fileName};
  return ReadImage(*opened.value(), diskFormatCode);
}

std::optional<ImageHeader> ReadImageHeader(const std::string& fileName, platform::FileSystem& fs) {
  if (!platform::FileExists(fileName, fs)) return std::nullopt;
  auto opened = fs.OpenForReading(fileName);
  if (!opened) return std::nullopt;
  std::array<uint8_t, kImageHeaderSize> headerBytes{};
  if (opened.value()->Size() < kImageHeaderSize || !opened.value()->ReadAt(0, headerBytes)) {
    return ImageHeader{};
  }
  return ImageHeader::FromBytes(headerBytes);
}

Status WriteImageFile(const std::string& fileName, ImageHeader& header, ByteBuffer& sectors,
                      const std::string* description, platform::FileSystem& fs) {
  const std::size_t sectorBytes = sectors.size();
  const int32_t streamLength = CompressBuffer(sectors.data(), static_cast<int32_t>(sectorBytes));
  header.SectorCount = static_cast<uint16_t>(sectorBytes / kSectorSize);
  header.Compressed = streamLength != 0 ? 1 : 0;

  const std::array<uint8_t, kImageHeaderSize> headerBytes = header.ToBytes();
  const std::size_t payloadLength =
      streamLength != 0 ? static_cast<std::size_t>(streamLength) : sectorBytes;
  auto write = [&](platform::WritableFile& file) -> Status {
    if (Status written = file.Write(headerBytes); !written) return written;
    if (Status written = file.Write({sectors.data(), payloadLength}); !written) return written;
    if (description != nullptr) return AppendDescription(file, *description);
    return Ok();
  };
  return platform::ReplaceFile(fileName, platform::PartialPathFor(fileName), write, fs);
}

}  // namespace vornak
