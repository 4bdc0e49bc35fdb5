#include "inspect/displayimgfiles.h"

#include <algorithm>

#include "description/description.h"
#include "image/imageformat.h"

namespace vornak {
namespace {

constexpr std::size_t kEntrySize = 32;
constexpr uint8_t kEndOfDirectory = 0x00;  // first byte: no entries follow
constexpr uint8_t kDeletedFlag = 0xE5;     // first byte: a deleted entry
constexpr uint8_t kEscapedE5 = 0x05;       // first byte: a name that begins with E5
constexpr uint8_t kDotEntry = 0x2E;        // first byte: "." or ".."
constexpr std::size_t kAttributeByte = 11;
constexpr uint8_t kAttrLongName = 0x0F;    // the whole attribute byte of a long-name entry
constexpr uint8_t kAttrVolume = 0x08;      // the volume label
constexpr uint8_t kAttrDirectory = 0x10;   // a folder
constexpr uint8_t kLongNameNumber = 0x1F;  // low bits of a long-name entry's sequence byte
constexpr std::size_t kMaxLongName = 255;
// The low bytes of the thirteen 16-bit characters of a long-name entry.
constexpr std::size_t kLongNameCharacters[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};

using Entry = std::span<const uint8_t>;

std::string ShortName(Entry entry) {
  std::string name;
  name += static_cast<char>(entry[0] == kEscapedE5 ? kDeletedFlag : entry[0]);
  auto appendWithoutBlanks = [&](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
      if (entry[i] != ' ') name += static_cast<char>(entry[i]);
    }
  };
  appendWithoutBlanks(1, 8);
  if (entry[8] != ' ') {
    name += '.';
    appendWithoutBlanks(8, 11);
  }
  if (entry[kAttributeByte] & kAttrDirectory) name += kFolderSuffix;
  return name;
}

class RootDirectoryScan {
 public:
  RootDirectoryScan(std::span<const uint8_t> image, RootDirectoryRegion region)
      : image_(image),
        begin_(region.offset),
        end_(std::min(image.size(), region.offset + region.entries * kEntrySize)) {}

  std::vector<std::string> Run() {
    std::size_t at = begin_;
    while (Holds(at)) {
      Entry entry = EntryAt(at);
      if (entry[0] == kEndOfDirectory) break;
      if (entry[0] == kDeletedFlag) {
        at += kEntrySize;
      } else if (entry[kAttributeByte] == kAttrLongName) {
        at = LongNameGroup(at);
      } else if ((entry[kAttributeByte] & kAttrVolume) || entry[0] == kDotEntry) {
        at += kEntrySize;
      } else {
        lines_.push_back(ShortName(entry));
        at += kEntrySize;
      }
    }
    return std::move(lines_);
  }

 private:
  bool Holds(std::size_t at) const { return at >= begin_ && at + kEntrySize <= end_; }
  Entry EntryAt(std::size_t at) const { return image_.subspan(at, kEntrySize); }

  // Handles the long-name group whose first entry is at `at`; returns where
  // the scan goes on.
  std::size_t LongNameGroup(std::size_t at) {
    const std::size_t count = EntryAt(at)[0] & kLongNameNumber;
    const std::size_t shortAt = at + count * kEntrySize;
    // A group numbered 0 would name itself; one whose short entry lies past
    // the directory has none to list.
    if (count == 0 || !Holds(shortAt)) return at + kEntrySize;
    Entry shortEntry = EntryAt(shortAt);
    const uint8_t attributes = shortEntry[kAttributeByte];
    if (shortEntry[0] == kDeletedFlag) return at + kEntrySize;
    if (attributes == kAttrLongName) return shortAt;
    if (attributes & kAttrDirectory) {
      lines_.push_back(LongName(shortAt, count) + std::string(kFolderSuffix));
    } else if (!(attributes & kAttrVolume)) {
      lines_.push_back(LongName(shortAt, count));
    }
    return shortAt + kEntrySize;
  }

  // The name held by the `count` entries in front of the short entry at `shortAt`,
  // nearest first, up to the first zero character and at most 255 characters.
  std::string LongName(std::size_t shortAt, std::size_t count) const {
    std::string name;
    for (std::size_t k = 1; k <= count; ++k) {
      Entry entry = EntryAt(shortAt - k * kEntrySize);
      for (std::size_t offset : kLongNameCharacters) {
        if (entry[offset] == 0 || name.size() == kMaxLongName) return name;
        name += static_cast<char>(entry[offset]);
      }
    }
    return name;
  }

  std::span<const uint8_t> image_;
  std::size_t begin_;
  std::size_t end_;
  std::vector<std::string> lines_;
};

}  // namespace

std::optional<RootDirectoryRegion> StandardRootDirectory(int formatCode) {
  switch (formatCode) {
    case 1: return RootDirectoryRegion{0x2600, 224};
    case 2: return RootDirectoryRegion{0x1E00, 224};
    case 3: return RootDirectoryRegion{0xE00, 112};
    case 4: return RootDirectoryRegion{0xA00, 112};
    default: return std::nullopt;
  }
}

std::vector<std::string> ScanRootDirectory(std::span<const uint8_t> image, int formatCode) {
  std::optional<RootDirectoryRegion> region = StandardRootDirectory(formatCode);
  if (!region) return {};
  return RootDirectoryScan(image, *region).Run();
}

bool ListImageFiles(const std::string& fileName, ListingOutput& output, platform::Dialogs& dialogs,
                    platform::FileSystem& fs) {
  Result<Image> image = ReadImageFile(fileName, std::nullopt, fs);
  if (!image) {
    dialogs.ShowMessage(image.message());
    return false;
  }
  for (const std::string& line : ScanRootDirectory(image->sectors.bytes(), image->header.FormatCode)) {
    output.AppendLine(line);
  }
  output.ShowHeading(std::string(kImageFilesHeading));

  const std::string description = ReadDescription(fileName, fs);
  if (!description.empty()) {
    for (std::string_view line : kDescriptionLines) output.AppendLine(std::string(line));
    output.AppendLine(description);
  }
  return true;
}

}  // namespace vornak
