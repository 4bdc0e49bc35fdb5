#pragma once

// The bytes of an image file written out from the format's rules alone, kept
// apart from the program's own writer so that tests can compare the two.

#include <cstdint>
#include <string_view>
#include <vector>

#include "tests/support/reference_codec.h"

namespace vornak::test {

// A description block: the text, its length (2 bytes, little-endian), the marker.
inline std::vector<uint8_t> DescriptionBlockBytes(std::string_view text) {
  std::vector<uint8_t> block(text.begin(), text.end());
  block.push_back(static_cast<uint8_t>(text.size()));
  block.push_back(static_cast<uint8_t>(text.size() >> 8));
  constexpr std::string_view kMarker = "DesCriptIonTexT ";
  block.insert(block.end(), kMarker.begin(), kMarker.end());
  return block;
}

// The image file a save (or an import) of `disk` writes: the header of the
// format row (code, name, class), the payload compressed whenever the codec
// gives a stream, and the description block for a non-empty text.
inline std::vector<uint8_t> ExpectedImageFile(const std::vector<uint8_t>& disk, uint8_t code,
                                              std::string_view name, uint8_t formatClass,
                                              std::string_view description) {
  std::optional<std::vector<uint8_t>> stream = ReferenceCompress(disk);
  std::vector<uint8_t> file(22, 0);
  const std::size_t sectors = disk.size() / 512;
  file[0] = static_cast<uint8_t>(sectors);
  file[1] = static_cast<uint8_t>(sectors >> 8);
  file[2] = formatClass;
  file[3] = code;
  std::copy(name.begin(), name.end(), file.begin() + 4);
  file[21] = stream ? 1 : 0;
  const std::vector<uint8_t>& payload = stream ? *stream : disk;
  file.insert(file.end(), payload.begin(), payload.end());
  if (!description.empty()) {
    const std::vector<uint8_t> block = DescriptionBlockBytes(description);
    file.insert(file.end(), block.begin(), block.end());
  }
  return file;
}

}  // namespace vornak::test
