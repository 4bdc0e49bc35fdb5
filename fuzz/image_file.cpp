// The reading of an image file from its bytes: header, payload, expansion.

#include "fuzz/check.h"
#include "image/imageformat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vornak;
  Result<Image> image = ParseImage({data, size});
  if (!image) return 0;
  fuzz::Check(image->sectors.size() == std::size_t{image->header.SectorCount} * kSectorSize,
              "the image holds SectorCount sectors");
  fuzz::CheckRoundTrip(image->sectors.bytes());
  return 0;
}
