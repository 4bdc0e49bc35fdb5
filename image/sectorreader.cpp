#include "image/sectorreader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/bytes.h"

namespace vornak {
namespace {

// Literal bytes are read from the file this many at a time.
constexpr std::size_t kLiteralBlock = 64 * 1024;

Failure NotAnImage() { return Failure{std::string(kNotAnImageFile)}; }
Failure OutOfMemory() { return Failure{std::string(kMemoryAllocationError)}; }

}  // namespace

ImageSectorReader::ImageSectorReader(std::unique_ptr<platform::ReadableFile> file,
                                     const ImageHeader& header)
    : file_(std::move(file)),
      header_(header),
      sectorBytes_(uint64_t{header.SectorCount} * kSectorSize) {}

Result<ImageSectorReader> ImageSectorReader::Open(const std::string& fileName,
                                                  std::optional<int> diskFormatCode,
                                                  platform::FileSystem& fs) {
  auto opened = fs.OpenForReading(fileName);
  if (!opened) return Failure{std::string(kErrorOpeningFile) + fileName};
  return Open(std::move(opened.value()), diskFormatCode);
}

Result<ImageSectorReader> ImageSectorReader::Open(std::unique_ptr<platform::ReadableFile> file,
                                                  std::optional<int> diskFormatCode) {
  Result<ImageHeader> header = ReadCheckedHeader(*file, diskFormatCode);
  if (!header) return header.failure();
  std::optional<uint64_t> payloadBytes = PayloadBytesToRead(*header, file->Size() - kImageHeaderSize);
  if (!payloadBytes) return NotAnImage();
  ImageSectorReader reader(std::move(file), *header);
  if (header->Compressed == 0) return reader;

  // The stream's counts, then its whole run table, then the plan of the runs.
  std::array<uint8_t, 8> counts{};
  if (*payloadBytes < counts.size() || !reader.file_->ReadAt(kImageHeaderSize, counts)) return NotAnImage();
  const uint64_t tableBytes = StreamExpander::TableBytes(counts);
  if (tableBytes > *payloadBytes) return NotAnImage();
  std::optional<ByteBuffer> table = ByteBuffer::Allocate(static_cast<std::size_t>(tableBytes));
  std::optional<ByteBuffer> block = ByteBuffer::Allocate(kLiteralBlock);
  if (!table || !block) return OutOfMemory();
  if (!reader.file_->ReadAt(kImageHeaderSize, table->bytes())) return NotAnImage();
  reader.table_ = std::move(*table);
  reader.block_ = std::move(*block);
  reader.expander_ = StreamExpander::Plan(reader.table_.bytes(), *payloadBytes);
  if (!reader.expander_ || reader.expander_->TotalLength() < reader.sectorBytes_) return NotAnImage();
  reader.literalsAt_ = kImageHeaderSize + tableBytes;
  reader.literalsLeft_ = reader.expander_->StreamLength() - tableBytes;
  return reader;
}

Status ImageSectorReader::Read(std::span<uint8_t> out) {
  if (out.size() > sectorBytes_ - delivered_) return NotAnImage();
  if (!expander_) {
    if (!file_->ReadAt(kImageHeaderSize + delivered_, out)) return NotAnImage();
  } else if (!expander_->Next(out, [this](std::span<uint8_t> bytes) { return ReadLiterals(bytes); })) {
    return NotAnImage();
  }
  delivered_ += out.size();
  return Ok();
}

bool ImageSectorReader::ReadLiterals(std::span<uint8_t> out) {
  while (!out.empty()) {
    if (blockAt_ == blockEnd_) {
      const std::size_t length = static_cast<std::size_t>(std::min<uint64_t>(kLiteralBlock, literalsLeft_));
      if (length == 0 || !file_->ReadAt(literalsAt_, {block_.data(), length})) return false;
      literalsAt_ += length;
      literalsLeft_ -= length;
      blockAt_ = 0;
      blockEnd_ = length;
    }
    const std::size_t length = std::min(out.size(), blockEnd_ - blockAt_);
    std::memcpy(out.data(), block_.data() + blockAt_, length);
    blockAt_ += length;
    out = out.subspan(length);
  }
  return true;
}

}  // namespace vornak
