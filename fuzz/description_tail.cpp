// The description reader over a file's tail. The first four bytes say how many
// more bytes the file holds in front of the rest of the input.

#include <algorithm>

#include "description/description.h"
#include "fuzz/check.h"
#include "platform/bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vornak;
  if (size < 4) return 0;
  const uint64_t before = ReadLe32({data, size}, 0);
  std::span<const uint8_t> rest(data + 4, size - 4);
  const uint64_t fileSize = before + rest.size();
  std::span<const uint8_t> tail = rest.last(std::min(rest.size(), kDescriptionTailSize));

  std::optional<DescriptionBlock> block = FindDescription(tail, fileSize);
  if (!block) return 0;
  fuzz::Check(block->textLength <= kMaxDescriptionRead, "TextLength within the reader's buffer");
  fuzz::Check(block->blockStart + kDescriptionOverhead + block->textLength == fileSize,
              "the block ends the file");
  fuzz::Check(block->text.size() <= block->textLength, "the text lies inside the block");
  return 0;
}
