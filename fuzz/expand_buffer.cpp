// The codec's expansion over any bytes: a stream followed by whatever the file
// holds. ExpandBuffer is this decoder plus the allocation of its output; here
// the output goes into a buffer kept between runs. (The image_file target
// goes through ExpandBuffer itself.) The expansion a piece at a time, as the
// restore does it, must agree with it on every stream.

#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzz/check.h"
#include "image/compress3.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vornak;
  static std::vector<uint8_t> output;
  static std::vector<uint8_t> piece;
  std::span<const uint8_t> stream(data, size);
  std::optional<uint32_t> total = StreamTotalLength(stream);
  if (!total || *total > kMaxExpandedLength) return 0;
  output.resize(*total);
  std::optional<std::size_t> consumed = ExpandStream(stream, output);

  const uint64_t tableBytes = StreamExpander::TableBytes(stream.first<8>());
  std::optional<StreamExpander> expander;
  if (tableBytes <= size) expander = StreamExpander::Plan(stream.first(tableBytes), size);
  fuzz::Check(consumed.has_value() == expander.has_value(), "both expansions take the same streams");
  if (!consumed) return 0;
  fuzz::Check(*consumed <= size, "the stream lies inside the input");
  fuzz::Check(expander->StreamLength() == *consumed, "both expansions take the same bytes");

  // Pieces of a size taken from the stream, so that they fall across runs and literals alike.
  std::size_t literalAt = tableBytes;
  const StreamExpander::LiteralSource literals = [&](std::span<uint8_t> out) {
    fuzz::Check(out.size() <= *consumed - literalAt, "literal bytes asked for inside the stream");
    std::memcpy(out.data(), data + literalAt, out.size());
    literalAt += out.size();
    return true;
  };
  const std::size_t pieceSize = 1 + size % 4093;
  for (std::size_t at = 0; at < output.size(); at += pieceSize) {
    piece.resize(std::min(pieceSize, output.size() - at));
    fuzz::Check(expander->Next(piece, literals), "the expansion in pieces goes to the end");
    fuzz::Check(std::memcmp(piece.data(), output.data() + at, piece.size()) == 0,
                "the expansion in pieces gives the same bytes");
  }
  fuzz::Check(literalAt == *consumed, "every literal byte taken");
  fuzz::CheckRoundTrip(output);
  return 0;
}
