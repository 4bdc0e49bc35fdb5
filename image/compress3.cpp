#include "image/compress3.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

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

// Finding stretches compares the data 64 bytes at a time. A "lanes" type
// gives two masks of a 64-byte block, bit j standing for byte j:
//   EqualNeighbours(data): data[j] == data[j + 1] (reads data[0] to data[64])
//   EqualTo(data, value):  data[j] == value       (reads data[0] to data[63])
// x86-64 CPUs all have SSE2, and AVX2 is used when the CPU has it; other CPUs
// build the masks from 64-bit words. VORNAK_CODEC_NO_AVX2 and
// VORNAK_CODEC_NO_SIMD leave the wider paths out, to test the others.
#if defined(__SSE2__) && !defined(VORNAK_CODEC_NO_SIMD)
#define VORNAK_CODEC_SSE2 1
#if defined(__GNUC__) && !defined(VORNAK_CODEC_NO_AVX2)
#define VORNAK_CODEC_AVX2 1
#endif
#endif

#if VORNAK_CODEC_SSE2

struct Sse2Lanes {
  static uint64_t EqualNeighbours(const uint8_t* data) {
    uint64_t mask = 0;
    for (int part = 0; part < 4; ++part) {
      const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * part));
      const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * part + 1));
      mask |= Bits(_mm_cmpeq_epi8(here, next)) << (16 * part);
    }
    return mask;
  }

  static uint64_t EqualTo(const uint8_t* data, uint8_t value) {
    const __m128i wanted = _mm_set1_epi8(static_cast<char>(value));
    uint64_t mask = 0;
    for (int part = 0; part < 4; ++part) {
      const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * part));
      mask |= Bits(_mm_cmpeq_epi8(here, wanted)) << (16 * part);
    }
    return mask;
  }

  static uint64_t Bits(__m128i bytes) { return static_cast<uint32_t>(_mm_movemask_epi8(bytes)); }
};

#endif
#if VORNAK_CODEC_AVX2

struct Avx2Lanes {
  [[gnu::target("avx2")]] static uint64_t EqualNeighbours(const uint8_t* data) {
    const __m256i low = _mm256_cmpeq_epi8(Load(data), Load(data + 1));
    const __m256i high = _mm256_cmpeq_epi8(Load(data + 32), Load(data + 33));
    return Bits(high) << 32 | Bits(low);
  }

  [[gnu::target("avx2")]] static uint64_t EqualTo(const uint8_t* data, uint8_t value) {
    const __m256i wanted = _mm256_set1_epi8(static_cast<char>(value));
    return Bits(_mm256_cmpeq_epi8(Load(data + 32), wanted)) << 32 |
           Bits(_mm256_cmpeq_epi8(Load(data), wanted));
  }

  [[gnu::target("avx2")]] static __m256i Load(const uint8_t* data) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data));
  }
  [[gnu::target("avx2")]] static uint64_t Bits(__m256i bytes) {
    return static_cast<uint32_t>(_mm256_movemask_epi8(bytes));
  }
};

#endif
#if !VORNAK_CODEC_SSE2

struct WordLanes {
  static uint64_t EqualNeighbours(const uint8_t* data) {
    uint64_t mask = 0;
    for (int part = 0; part < 8; ++part) {
      const uint8_t* at = data + 8 * part;
      mask |= ZeroBytes(Load(at) ^ Load(at + 1)) << (8 * part);
    }
    return mask;
  }

  static uint64_t EqualTo(const uint8_t* data, uint8_t value) {
    const uint64_t wanted = 0x0101010101010101ull * value;
    uint64_t mask = 0;
    for (int part = 0; part < 8; ++part) mask |= ZeroBytes(Load(data + 8 * part) ^ wanted) << (8 * part);
    return mask;
  }

  // Eight bytes with the first one in the lowest bits, whatever the CPU's order.
  static uint64_t Load(const uint8_t* data) {
    uint64_t word;
    std::memcpy(&word, data, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
  }

  // One bit per byte of `word`, bit i set where byte i is zero.
  static uint64_t ZeroBytes(uint64_t word) {
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    // The top bit of each byte, set exactly where the byte is zero: adding 7F
    // to the low seven bits never carries out of the byte.
    const uint64_t high = ~(((word & kLow7) + kLow7) | word | kLow7);
    // Gathers the top bits into the lowest byte, byte i's into bit i.
    return ((high >> 7) * 0x0102040810204080ull) >> 56;
  }
};

#endif

constexpr std::size_t kBlock = 64;

// The first offset at or after `from` where kMinRunLength equal bytes begin,
// or `size` when there is none. `from` must start a stretch, or follow only
// stretches shorter than kMinRunLength; the offset found then starts one too.
template <class Lanes>
[[gnu::always_inline]] inline std::size_t NextRunStart(const uint8_t* data, std::size_t from,
                                                       std::size_t size) {
  // Bit j of `starts` needs bits j to j + 4 of the neighbour mask (bytes j to
  // j + 5), so a block decides its first 60 offsets; the next one begins there.
  constexpr std::size_t kDecided = kBlock - (kMinRunLength - 2);
  constexpr uint64_t kDecidedBits = (uint64_t{1} << kDecided) - 1;
  while (size - from > kBlock) {
    const uint64_t equal = Lanes::EqualNeighbours(data + from);
    const uint64_t two = equal & equal >> 1;             // bit j: bytes j to j + 2 equal
    const uint64_t four = two & two >> 2;                // bytes j to j + 4
    const uint64_t starts = four & equal >> 4 & kDecidedBits;  // bytes j to j + 5
    if (starts != 0) return from + static_cast<std::size_t>(std::countr_zero(starts));
    from += kDecided;
  }
  std::size_t stretch = 1;
  for (std::size_t i = from + 1; i < size; ++i) {
    stretch = data[i] == data[i - 1] ? stretch + 1 : 1;
    if (stretch == kMinRunLength) return i + 1 - kMinRunLength;
  }
  return size;
}

// The end of the stretch of data[start] that begins at `start` and is known to
// be at least kMinRunLength bytes long.
template <class Lanes>
[[gnu::always_inline]] inline std::size_t StretchEnd(const uint8_t* data, std::size_t start,
                                                     std::size_t size) {
  const uint8_t value = data[start];
  std::size_t end = start + kMinRunLength;
  while (size - end >= kBlock) {
    const uint64_t equal = Lanes::EqualTo(data + end, value);
    if (equal != ~uint64_t{0}) return end + static_cast<std::size_t>(std::countr_one(equal));
    end += kBlock;
  }
  while (end < size && data[end] == value) ++end;
  return end;
}

// Records the runs of the stretch [start, end) of `value`: one of up to 1023
// bytes, then further ones while at least kMinRunLength bytes are left, each
// naming the last byte covered before it. A shorter rest stays literal.
bool RecordStretch(RunTable& runs, std::size_t start, std::size_t end, uint8_t value) {
  std::size_t covered = std::min<std::size_t>(end - start, kMaxRunLength);
  if (!runs.Record(static_cast<uint32_t>(start), static_cast<uint32_t>(covered), value)) return false;
  while (end - start - covered >= kMinRunLength) {
    const std::size_t length = std::min<std::size_t>(end - start - covered, kMaxRunLength);
    if (!runs.Record(static_cast<uint32_t>(start + covered - 1), static_cast<uint32_t>(length), value)) {
      return false;
    }
    covered += length;
  }
  return true;
}

// Finds every run of the data; false when the run tables cannot grow.
template <class Lanes>
[[gnu::always_inline]] inline bool FindRuns(const uint8_t* data, std::size_t size, RunTable& runs) {
  std::size_t from = 0;
  while (true) {
    const std::size_t start = NextRunStart<Lanes>(data, from, size);
    if (start == size) return true;
    from = StretchEnd<Lanes>(data, start, size);
    if (!RecordStretch(runs, start, from, data[start])) return false;
  }
}

using FindRunsFunction = bool (*)(const uint8_t* data, std::size_t size, RunTable& runs);

#if VORNAK_CODEC_SSE2
bool FindRunsSse2(const uint8_t* data, std::size_t size, RunTable& runs) {
  return FindRuns<Sse2Lanes>(data, size, runs);
}
#else
bool FindRunsWords(const uint8_t* data, std::size_t size, RunTable& runs) {
  return FindRuns<WordLanes>(data, size, runs);
}
#endif
#if VORNAK_CODEC_AVX2
[[gnu::target("avx2")]] bool FindRunsAvx2(const uint8_t* data, std::size_t size, RunTable& runs) {
  return FindRuns<Avx2Lanes>(data, size, runs);
}
#endif

// The widest comparison this CPU has, chosen once.
FindRunsFunction FindRunsHere() {
#if VORNAK_CODEC_AVX2
  static const FindRunsFunction chosen = __builtin_cpu_supports("avx2") ? FindRunsAvx2 : FindRunsSse2;
  return chosen;
#elif VORNAK_CODEC_SSE2
  return FindRunsSse2;
#else
  return FindRunsWords;
#endif
}

// Calls visit(offset, length) for each stretch of bytes no run covers, in
// order. A run starts at its position or where the run before it ended,
// whichever is later.
template <class Visit>
void ForEachLiteralStretch(const RunTable& runs, std::size_t size, Visit visit) {
  std::size_t covered = 0;
  for (std::size_t i = 0; i < runs.count(); ++i) {
    const uint32_t descriptor = runs.descriptors()[i];
    const std::size_t start = std::max<std::size_t>(descriptor >> 10, covered);
    if (start > covered) visit(covered, start - covered);
    covered = start + (descriptor & kMaxRunLength);
  }
  if (size > covered) visit(covered, size - covered);
}

// Moves the literal bytes to their place in the stream, right after the
// `head` bytes of counts and run records: a literal byte's place is `head` plus
// the number of literal bytes before it. Once the runs before a byte cover
// more than `head` bytes its place lies below it, and it moves straight there
// (front to back, so it overwrites only bytes already moved or covered by
// runs). Before that, near the start of the data, places lie above the bytes;
// those are first packed to the front (moving down is always safe) and moved
// up in one go just before the first byte whose place lies below it, when
// everything they land on has moved.
void PlaceLiterals(uint8_t* buffer, const RunTable& runs, std::size_t size, std::size_t head) {
  std::size_t placed = 0;
  bool packed = true;  // the literals placed so far sit at the front, not after `head`
  ForEachLiteralStretch(runs, size, [&](std::size_t from, std::size_t length) {
    if (packed && head + placed > from) {
      std::memmove(buffer + placed, buffer + from, length);
    } else {
      if (packed) std::memmove(buffer + head, buffer, placed);
      packed = false;
      std::memmove(buffer + head + placed, buffer + from, length);
    }
    placed += length;
  });
  if (packed) std::memmove(buffer + head, buffer, placed);
}

}  // namespace

// Two passes over the buffer: the first finds the runs and touches nothing, so
// that a stream too long to keep leaves the data as it was; the second moves
// the literal bytes into place and writes the counts and the runs in front.
int32_t CompressBuffer(uint8_t* buffer, int32_t length) {
  if (buffer == nullptr || length <= 0) return 0;
  const std::size_t size = static_cast<std::size_t>(length);

  RunTable runs;
  if (!runs.Init() || !FindRunsHere()(buffer, size, runs)) return 0;
  std::size_t coveredByRuns = 0;
  for (std::size_t i = 0; i < runs.count(); ++i) coveredByRuns += runs.descriptors()[i] & kMaxRunLength;

  const std::size_t head = kStreamHeader + 5 * runs.count();
  const std::size_t streamLength = head + size - coveredByRuns;
  if (streamLength > size + 1) return 0;

  PlaceLiterals(buffer, runs, size, head);
  std::span<uint8_t> out(buffer, size + 1);
  WriteLe32(out, 0, static_cast<uint32_t>(size));
  WriteLe32(out, 4, static_cast<uint32_t>(runs.count()));
  for (std::size_t i = 0; i < runs.count(); ++i) WriteLe32(out, kStreamHeader + 4 * i, runs.descriptors()[i]);
  std::memcpy(buffer + kStreamHeader + 4 * runs.count(), runs.values(), runs.count());
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
    if (count == 0) return true;  // `out` may be empty, without storage
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
    if (length > 0) std::memset(out.data() + produced, stream[valuesAt + run], length);
    produced += length;
  }
  if (!copyLiterals(out.size() - produced)) return std::nullopt;
  return literal;
}

uint64_t StreamExpander::TableBytes(std::span<const uint8_t, 8> counts) {
  return kStreamHeader + 5 * uint64_t{ReadLe32(counts, 4)};
}

StreamExpander::StreamExpander(std::span<const uint8_t> table, uint32_t total, uint64_t literalCount)
    : table_(table), total_(total), literalCount_(literalCount), runCount_((table.size() - kStreamHeader) / 5) {}

std::optional<StreamExpander> StreamExpander::Plan(std::span<const uint8_t> table, uint64_t streamSize) {
  if (table.size() < kStreamHeader || table.size() > streamSize) return std::nullopt;
  const uint64_t total = ReadLe32(table, 0);
  const uint64_t runCount = ReadLe32(table, 4);
  if (total > kMaxExpandedLength || table.size() != kStreamHeader + 5 * runCount) return std::nullopt;
  // Where every run lands, as ExpandStream would place it: none may reach past
  // TotalLength, and the bytes between them come from the literals.
  uint64_t produced = 0;
  uint64_t coveredByRuns = 0;
  for (std::size_t run = 0; run < runCount; ++run) {
    const uint32_t descriptor = ReadLe32(table, kStreamHeader + 4 * run);
    const uint64_t length = descriptor & kMaxRunLength;
    produced = std::max<uint64_t>(produced, descriptor >> 10);
    if (produced > total || length > total - produced) return std::nullopt;
    produced += length;
    coveredByRuns += length;
  }
  const uint64_t literalCount = total - coveredByRuns;
  if (literalCount > streamSize - table.size()) return std::nullopt;
  return StreamExpander(table, static_cast<uint32_t>(total), literalCount);
}

bool StreamExpander::Next(std::span<uint8_t> out, const LiteralSource& literals) {
  if (out.size() > total_ - produced_) return false;
  std::size_t at = 0;
  while (at < out.size()) {
    const std::size_t room = out.size() - at;
    if (runLeft_ > 0) {
      const std::size_t length = std::min(runLeft_, room);
      std::memset(out.data() + at, runValue_, length);
      runLeft_ -= length;
      at += length;
      produced_ += length;
      continue;
    }
    // Literal bytes up to the next run's start, or to the end after the last run.
    uint64_t literalEnd = total_;
    uint32_t descriptor = 0;
    if (nextRun_ < runCount_) {
      descriptor = ReadLe32(table_, kStreamHeader + 4 * nextRun_);
      literalEnd = std::max<uint64_t>(descriptor >> 10, produced_);
    }
    if (literalEnd > produced_) {
      const std::size_t length = static_cast<std::size_t>(std::min<uint64_t>(literalEnd - produced_, room));
      if (!literals(out.subspan(at, length))) return false;
      at += length;
      produced_ += length;
      continue;
    }
    runLeft_ = descriptor & kMaxRunLength;
    runValue_ = table_[kStreamHeader + 4 * runCount_ + nextRun_];
    ++nextRun_;
  }
  return true;
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
