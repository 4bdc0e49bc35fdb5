// The root-directory scan. The first byte chooses the format code (0 to 5, so
// unknown codes come too); the rest is the data found at that format's root
// directory, and the image ends where the input ends.

#include <vector>

#include "fuzz/check.h"
#include "inspect/displayimgfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vornak;
  if (size == 0) return 0;
  const int formatCode = data[0] % 6;
  static std::vector<uint8_t> image;
  std::optional<RootDirectoryRegion> region = StandardRootDirectory(formatCode);
  image.assign(region ? region->offset : 0, 0);
  image.insert(image.end(), data + 1, data + size);

  const std::vector<std::string> lines = ScanRootDirectory(image, formatCode);
  fuzz::Check(region || lines.empty(), "no listing without a root directory");
  if (region) fuzz::Check(lines.size() <= region->entries, "at most one line per entry");
  for (const std::string& line : lines) {
    fuzz::Check(line.size() <= 255 + kFolderSuffix.size(), "names of at most 255 characters");
  }
  return 0;
}
