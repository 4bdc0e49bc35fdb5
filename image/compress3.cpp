#include "image/compress3.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/bytes.h"

namespace vornak {
namespace {

constexpr std::size_t kStreamHeader = 8;

// The descriptors and values of the runs found so far. Starts with room for
// 5001 runs and grows by 5000 as soon as 5000 runs have been recorded since the
// start or the last growth (capacities 5001, 10000, 15000, ...).
class RunTable {
 public:
  bool Init() { return Resize(kRunTableStep + 1); }

  bool Record(uint32_t position, uint32_t length, uint8_t value) {
    descriptors_[count_] = position << 10 | length;
    values_[count_] = value;
    ++count_;
    if (++sinceGrowth_ < kRunTableStep) return true;
    sinceGrowth_ = 0;
    return Resize(count_ + kRunTableStep);
  }

  std::size_t count() const { return count_; }
  const uint32_t* descriptors() const { return descriptors_.get(); }
  const uint8_t* values() const { return values_.get(); }

 private:
  bool Resize(std::size_t capacity) {
    std::unique_ptr<uint32_t[]> descriptors(new (std::nothrow) uint32_t[capacity]);
    std::unique_ptr<uint8_t[]> values(new (std::nothrow) uint8_t[capacity]);
    if (!descriptors || !values) return false;
    if (count_ > 0) {
      std::memcpy(descriptors.get(), descriptors_.get(), count_ * sizeof(uint32_t));
      std::memcpy(values.get(), values_.get(), count_);
    }
    descriptors_ = std::move(descriptors);
    values_ = std::move(values);
    return true;
  }

  std::unique_ptr<uint32_t[]> descriptors_;
  std::unique_ptr<uint8_t[]> values_;
  std::size_t count_ = 0;
  std::size_t sinceGrowth_ = 0;
};

// Length of the stretch of bytes equal to data[start] that begins at start.
std::size_t StretchLength(const uint8_t* data, std::size_t start, std::size_t end) {
  const uint8_t value = data[start];
  std::size_t i = start + 1;
  while (i < end && data[i] == value) ++i;
  return i - start;
}

}  // namespace

int32_t CompressBuffer(uint8_t* buffer, int32_t length) {
  if (buffer == nullptr || length <= 0) return 0;
  const std::size_t size = static_cast<std::size_t>(length);

  std::unique_ptr<uint8_t[]> literals(new (std::nothrow) uint8_t[size + 1]);
  if (!literals) return 0;
  RunTable runs;
  if (!runs.Init()) return 0;
  std::size_t literalCount = 0;

  std::size_t start = 0;
  while (start < size) {
    const std::size_t stretch = StretchLength(buffer, start, size);
    if (stretch < kMinRunLength) {
      std::memcpy(literals.get() + literalCount, buffer + start, stretch);
      literalCount += stretch;
      start += stretch;
      continue;
    }
    const uint8_t value = buffer[start];
    std::size_t covered = std::min<std::size_t>(stretch, kMaxRunLength);
    if (!runs.Record(static_cast<uint32_t>(start), static_cast<uint32_t>(covered), value)) return 0;
    while (covered < stretch) {
      const std::size_t rest = stretch - covered;
      if (rest < kMinRunLength) {
        std::memset(literals.get() + literalCount, value, rest);
        literalCount += rest;
        break;
      }
      // A further run of the same stretch names the last byte already covered.
      const std::size_t length = std::min<std::size_t>(rest, kMaxRunLength);
      if (!runs.Record(static_cast<uint32_t>(start + covered - 1), static_cast<uint32_t>(length),
                       value)) {
        return 0;
      }
      covered += length;
    }
    start += stretch;
  }

  const std::size_t streamLength = kStreamHeader + 5 * runs.count() + literalCount;
  if (streamLength > size + 1) return 0;

  std::span<uint8_t> out(buffer, size + 1);
  WriteLe32(out, 0, static_cast<uint32_t>(size));
  WriteLe32(out, 4, static_cast<uint32_t>(runs.count()));
  std::size_t at = kStreamHeader;
  for (std::size_t i = 0; i < runs.count(); ++i, at += 4) WriteLe32(out, at, runs.descriptors()[i]);
  std::memcpy(buffer + at, runs.values(), runs.count());
  at += runs.count();
  std::memcpy(buffer + at, literals.get(), literalCount);
  return static_cast<int32_t>(streamLength);
}

std::optional<uint32_t> StreamTotalLength(std::span<const uint8_t> stream) {
  if (stream.size() < kStreamHeader) return std::nullopt;
  return ReadLe32(stream, 0);
}

std::optional<std::size_t> ExpandStream(std::span<const uint8_t> stream, std::span<uint8_t> out) {
  if (stream.size() < kStreamHeader) return std::nullopt;
  const uint64_t total = ReadLe32(stream, 0);
  const uint64_t runCount = ReadLe32(stream, 4);
  if (total > kMaxExpandedLength || total != out.size()) return std::nullopt;
  if (kStreamHeader + 5 * runCount > stream.size()) return std::nullopt;

  const std::size_t valuesAt = kStreamHeader + 4 * static_cast<std::size_t>(runCount);
  std::size_t literal = kStreamHeader + 5 * static_cast<std::size_t>(runCount);
  std::size_t produced = 0;

  // Copies the next `count` literal bytes, if the stream and the output hold them.
  auto copyLiterals = [&](std::size_t count) {
    if (count > out.size() - produced || count > stream.size() - literal) return false;
    std::memcpy(out.data() + produced, stream.data() + literal, count);
    produced += count;
    literal += count;
    return true;
  };

  for (std::size_t run = 0; run < runCount; ++run) {
    const uint32_t descriptor = ReadLe32(stream, kStreamHeader + 4 * run);
    const std::size_t length = descriptor & kMaxRunLength;
    const std::size_t position = descriptor >> 10;
    if (position > produced && !copyLiterals(position - produced)) return std::nullopt;
    if (length > out.size() - produced) return std::nullopt;
    std::memset(out.data() + produced, stream[valuesAt + run], length);
    produced += length;
  }
  if (!copyLiterals(out.size() - produced)) return std::nullopt;
  return literal;
}

Expansion ExpandBuffer(ByteBuffer& stream) {
  Expansion result;
  std::optional<uint32_t> total = StreamTotalLength(stream.bytes());
  if (!total || *total > kMaxExpandedLength) return result;
  // No output buffer for a stream whose runs and literals could not fill it.
  const uint64_t runCount = ReadLe32(stream.bytes(), 4);
  if (kStreamHeader + 5 * runCount > stream.size() ||
      *total > stream.size() - kStreamHeader - 5 * runCount + kMaxRunLength * runCount) {
    return result;
  }

  std::optional<ByteBuffer> out = ByteBuffer::Allocate(*total);
  if (!out) {
    result.failure = ExpandFailure::OutOfMemory;
    return result;
  }
  std::optional<std::size_t> streamLength = ExpandStream(stream.bytes(), out->bytes());
  if (!streamLength) return result;

  stream = ByteBuffer();
  result.data = std::move(out);
  result.streamLength = *streamLength;
  return result;
}

}  // namespace vornak
