// The reading of an image file from its bytes: header, payload, expansion;
// and the restore's reader, which must agree with it on every file.

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/check.h"
#include "image/imageformat.h"
#include "image/sectorreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vornak;
  Result<Image> image = ParseImage({data, size});
  Result<ImageSectorReader> reader =
      ImageSectorReader::Open(std::make_unique<platform::MemoryFile>(std::span<const uint8_t>(data, size)));
  fuzz::Check(image.ok() == reader.ok(), "the restore's reader takes the files the reading takes");
  if (!image) {
    fuzz::Check(image.message() == reader.message(), "the restore's reader refuses with the same message");
    return 0;
  }
  fuzz::Check(image->sectors.size() == std::size_t{image->header.SectorCount} * kSectorSize,
              "the image holds SectorCount sectors");

  // The restore's chunks of 100 sectors, then the rest.
  static std::vector<uint8_t> chunk(100 * kSectorSize);
  for (std::size_t at = 0; at < image->sectors.size(); at += chunk.size()) {
    std::span<uint8_t> piece(chunk.data(), std::min(chunk.size(), image->sectors.size() - at));
    fuzz::Check(reader->Read(piece).ok(), "the restore's reader hands out every sector");
    fuzz::Check(std::memcmp(piece.data(), image->sectors.data() + at, piece.size()) == 0,
                "the restore's reader hands out the same sectors");
  }
  fuzz::CheckRoundTrip(image->sectors.bytes());
  return 0;
}
