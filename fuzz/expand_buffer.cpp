// The codec's expansion over any bytes: a stream followed by whatever the file
// holds. ExpandBuffer is this decoder plus the allocation of its output; here
// the output goes into a buffer kept between runs. (The image_file target
// goes through ExpandBuffer itself.)

#include <vector>

#include "fuzz/check.h"
#include "image/compress3.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vornak;
  static std::vector<uint8_t> output;
  std::span<const uint8_t> stream(data, size);
  std::optional<uint32_t> total = StreamTotalLength(stream);
  if (!total || *total > kMaxExpandedLength) return 0;
  output.resize(*total);
  std::optional<std::size_t> consumed = ExpandStream(stream, output);
  if (!consumed) return 0;
  fuzz::Check(*consumed <= size, "the stream lies inside the input");
  fuzz::CheckRoundTrip(output);
  return 0;
}
