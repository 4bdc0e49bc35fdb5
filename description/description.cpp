#include "description/description.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "platform/bytes.h"

namespace vornak {
namespace {

std::function<void(const std::string&)>& BoxHook() {
  static std::function<void(const std::string&)> hook;
  return hook;
}

Failure TooLong() {
  return Failure{"A description holds at most " + std::to_string(kMaxDescriptionLength) +
                 " characters."};
}

struct FileTail {
  uint64_t fileSize = 0;
  std::vector<uint8_t> bytes;
};

std::optional<FileTail> ReadTail(platform::ReadableFile& file) {
  FileTail tail;
  tail.fileSize = file.Size();
  tail.bytes.resize(static_cast<std::size_t>(std::min<uint64_t>(tail.fileSize, kDescriptionTailSize)));
  if (!file.ReadAt(tail.fileSize - tail.bytes.size(), tail.bytes)) return std::nullopt;
  return tail;
}

std::optional<DescriptionBlock> FindDescriptionOf(const std::string& fileName,
                                                  platform::FileSystem& fs) {
  auto file = fs.OpenForReading(fileName);
  if (!file) return std::nullopt;
  std::optional<FileTail> tail = ReadTail(*file.value());
  if (!tail) return std::nullopt;
  return FindDescription(tail->bytes, tail->fileSize);
}

}  // namespace

std::optional<DescriptionBlock> FindDescription(std::span<const uint8_t> tail, uint64_t fileSize) {
  const std::size_t markerSize = kDescriptionMarker.size();
  if (fileSize < kDescriptionOverhead || tail.size() < kDescriptionOverhead ||
      tail.size() > fileSize) {
    return std::nullopt;
  }
  if (std::memcmp(tail.data() + tail.size() - markerSize, kDescriptionMarker.data(), markerSize) != 0) {
    return std::nullopt;
  }
  const std::size_t textLength = ReadLe16(tail, tail.size() - kDescriptionOverhead);
  // Longer than a reader's text buffer, or reaching in front of the file: no block.
  if (textLength > kMaxDescriptionRead || textLength > fileSize - kDescriptionOverhead ||
      textLength > tail.size() - kDescriptionOverhead) {
    return std::nullopt;
  }
  DescriptionBlock block;
  block.textLength = textLength;
  block.blockStart = fileSize - kDescriptionOverhead - textLength;
  auto text = tail.subspan(tail.size() - kDescriptionOverhead - textLength, textLength);
  auto end = std::find(text.begin(), text.end(), uint8_t{0});
  block.text.assign(text.begin(), end);
  return block;
}

Status AppendDescription(platform::WritableFile& file, std::string_view text) {
  if (text.empty()) return Ok();
  if (text.size() > kMaxDescriptionRead) {
    return TooLong();
  }
  std::array<uint8_t, 2> length{};
  WriteLe16(length, 0, static_cast<uint16_t>(text.size()));
  auto bytes = [](std::string_view s) {
    return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  };
  if (Status written = file.Write(bytes(text)); !written) return written;
  if (Status written = file.Write(length); !written) return written;
  return file.Write(bytes(kDescriptionMarker));
}

bool HasDescription(const std::string& fileName, platform::FileSystem& fs) {
  return FindDescriptionOf(fileName, fs).has_value();
}

std::string ReadDescription(const std::string& fileName, platform::FileSystem& fs) {
  std::optional<DescriptionBlock> block = FindDescriptionOf(fileName, fs);
  std::string text = block ? block->text : std::string();
  if (BoxHook()) BoxHook()(text);
  return text;
}

Status RemoveDescription(const std::string& fileName, platform::FileSystem& fs) {
  return ReplaceDescription(fileName, "", fs);
}

Status ReplaceDescription(const std::string& fileName, std::string_view text,
                          platform::FileSystem& fs) {
  if (text.size() > kMaxDescriptionRead) {
    return TooLong();
  }
  auto opened = fs.OpenForReading(fileName);
  if (!opened) return opened.failure();
  platform::ReadableFile& image = *opened.value();
  std::optional<FileTail> tail = ReadTail(image);
  if (!tail) return Failure{"Cannot read \"" + fileName + "\""};
  std::optional<DescriptionBlock> block = FindDescription(tail->bytes, tail->fileSize);
  if (!block && text.empty()) return Ok();

  // The bytes in front of the old block: header, payload and anything else.
  const uint64_t keep = block ? block->blockStart : tail->fileSize;
  auto rewrite = [&](platform::WritableFile& scratch) -> Status {
    std::vector<uint8_t> chunk(static_cast<std::size_t>(std::min<uint64_t>(keep, 1 << 20)));
    for (uint64_t done = 0; done < keep;) {
      std::span<uint8_t> part(chunk.data(),
                              static_cast<std::size_t>(std::min<uint64_t>(chunk.size(), keep - done)));
      if (Status read = image.ReadAt(done, part); !read) return read;
      if (Status written = scratch.Write(part); !written) return written;
      done += part.size();
    }
    return AppendDescription(scratch, text);
  };
  return platform::ReplaceFile(
      fileName, platform::SiblingPath(fileName, std::string(kDescriptionScratchName)), rewrite, fs);
}

void SetDescriptionBoxHook(std::function<void(const std::string& text)> hook) {
  BoxHook() = std::move(hook);
}

}  // namespace vornak
