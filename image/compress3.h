#pragma once

// The run-length codec of image payloads. A stream is, little-endian:
//   TotalLength (4 bytes)  length of the expanded data
//   RunCount    (4 bytes)
//   RunCount descriptors of 4 bytes: RunPosition * 1024 + RunLength
//   RunCount run values, one byte each
//   the literal bytes: every byte of the expanded data that no run covers
// A run stands for 6 to 1023 equal bytes. It begins at its RunPosition or
// directly after the run before it, whichever is later; a stretch longer than
// 1023 bytes is cut into runs, each further one giving as its position the
// offset of the last byte of the run before it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "image/bytebuffer.h"

namespace vornak {

// Positions have 22 bits, so expanded data can be at most 4 MiB long.
inline constexpr uint32_t kMaxExpandedLength = 1u << 22;
inline constexpr uint32_t kMaxRunLength = 1023;
inline constexpr uint32_t kMinRunLength = 6;
// The run tables grow by this many entries at a time.
inline constexpr std::size_t kRunTableStep = 5000;

// Compresses the `length` bytes at `buffer` in place; `buffer` has room for
// `length` + 1 bytes. Returns the length of the stream now at the start of
// `buffer` (the bytes after it are left as they were), or 0 when no stream was
// produced: working storage could not be obtained, or the stream would be
// longer than `length` + 1 bytes. After a 0 `buffer` is exactly as it was.
int32_t CompressBuffer(uint8_t* buffer, int32_t length);

// The TotalLength field of a stream; nothing when fewer than 8 bytes are given.
std::optional<uint32_t> StreamTotalLength(std::span<const uint8_t> stream);

// Expands the stream at the start of `stream` into `out`, which must be
// exactly TotalLength bytes long, reading nothing beyond `stream` and writing
// nothing beyond `out`. Returns the stream's own length, or nothing when the
// stream is inconsistent: counts that point past the data, runs that reach
// past TotalLength, too few literal bytes, TotalLength beyond 4 MiB.
std::optional<std::size_t> ExpandStream(std::span<const uint8_t> stream, std::span<uint8_t> out);

// Expands a stream a piece at a time, for a reader that holds the stream's run
// table but not its literal bytes: the restore, which writes a disk as it
// reads the file. The table is the start of the stream: the counts, the
// descriptors and the run values (8 + 5 x RunCount bytes).
class StreamExpander {
 public:
  // Fills its span with the next literal bytes of the stream; false when it cannot.
  using LiteralSource = std::function<bool(std::span<uint8_t>)>;

  // The length of a stream's table, 8 + 5 x RunCount, from its first 8 bytes.
  static uint64_t TableBytes(std::span<const uint8_t, 8> counts);

  // The expander of a stream whose table is `table` (which must outlive it)
  // and which is `streamSize` bytes long in all. Nothing when the stream would
  // not expand: the same streams ExpandStream refuses, found from the table
  // alone, so that a reader knows before it hands out the first byte.
  static std::optional<StreamExpander> Plan(std::span<const uint8_t> table, uint64_t streamSize);

  uint32_t TotalLength() const { return total_; }
  // The stream's own length: the table and the literal bytes that the runs leave.
  uint64_t StreamLength() const { return table_.size() + literalCount_; }

  // Writes the next out.size() bytes of the expanded data, asking `literals`
  // for the literal bytes in the order of the stream. False when `literals`
  // fails or `out` reaches past TotalLength.
  bool Next(std::span<uint8_t> out, const LiteralSource& literals);

 private:
  StreamExpander(std::span<const uint8_t> table, uint32_t total, uint64_t literalCount);

  std::span<const uint8_t> table_;
  uint32_t total_;
  uint64_t literalCount_;
  std::size_t runCount_;
  std::size_t nextRun_ = 0;   // the first run not yet begun
  std::size_t runLeft_ = 0;   // bytes of the current run still to write
  uint8_t runValue_ = 0;
  uint64_t produced_ = 0;     // expanded bytes handed out so far
};

enum class ExpandFailure { OutOfMemory, Corrupt };

struct Expansion {
  std::optional<ByteBuffer> data;  // TotalLength bytes and the spare byte
  std::size_t streamLength = 0;    // bytes of the input that the stream took
  ExpandFailure failure = ExpandFailure::Corrupt;  // why, when there is no data

  explicit operator bool() const { return data.has_value(); }
};

// Expands the stream that starts `stream`; bytes after the stream (a
// description block, the spare byte) are ignored. The buffer's size is all
// that may be read. On success the input buffer is taken and released (left
// empty) and the expanded data is returned in a new buffer; on failure the
// input is untouched and stays with the caller.
Expansion ExpandBuffer(ByteBuffer& stream);

}  // namespace vornak
