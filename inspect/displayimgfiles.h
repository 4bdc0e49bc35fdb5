#pragma once

// Listing the root directory of the FAT12 file system stored in an image,
// without a disk: one line per file or folder, then the image's description.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs.h"
#include "platform/files.h"

namespace vornak {

inline constexpr std::string_view kImageFilesHeading = "Image Files...";
inline constexpr std::string_view kFolderSuffix = "   <DIR>";
// The lines that introduce an image's description, the text following them.
inline constexpr std::string_view kDescriptionLines[] = {
    "   ", "  * * * * * * * * * * *", "  Image Description..."};

// Where the listing writes: the main window's output area and its heading.
class ListingOutput {
 public:
  virtual ~ListingOutput() = default;
  virtual void AppendLine(const std::string& line) = 0;
  // Sets the heading's caption and makes it visible.
  virtual void ShowHeading(const std::string& caption) = 0;
};

// The root directory of the standard layout of each format: the sector after
// the boot sector and the two FATs.
struct RootDirectoryRegion {
  std::size_t offset;
  std::size_t entries;
};
std::optional<RootDirectoryRegion> StandardRootDirectory(int formatCode);

// The lines for the root directory found in `image` (the disk's sectors),
// by the scan rules. Never reads outside `image` or past the directory region.
std::vector<std::string> ScanRootDirectory(std::span<const uint8_t> image, int formatCode);

// Lists the image file `fileName` into `output`, showing its messages through
// `dialogs`. Returns whether the image could be listed.
bool ListImageFiles(const std::string& fileName, ListingOutput& output, platform::Dialogs& dialogs,
                    platform::FileSystem& fs = platform::RealFileSystem());

}  // namespace vornak
