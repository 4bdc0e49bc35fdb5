// The run-length codec: the stream's exact bytes, the run rules, the table
// growth, and streams that did not come from the compressor.

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "image/compress3.h"
#include "platform/bytes.h"
#include "tests/support/fixtures.h"
#include "tests/support/reference_codec.h"

namespace vornak {
namespace {

using test::Bytes;
using test::Join;

// Compresses a copy of `data` the way the save does (one spare byte); the
// stream, or nothing for a result of 0 (checking the buffer was left alone).
std::optional<Bytes> Compress(const Bytes& data) {
  Bytes buffer = data;
  buffer.push_back(0xA5);
  const int32_t length = CompressBuffer(buffer.data(), static_cast<int32_t>(data.size()));
  if (length == 0) {
    EXPECT_EQ(Bytes(buffer.begin(), buffer.end() - 1), data) << "a result of 0 changed the buffer";
    return std::nullopt;
  }
  EXPECT_GT(length, 0);
  EXPECT_LE(static_cast<std::size_t>(length), data.size() + 1);
  return Bytes(buffer.begin(), buffer.begin() + length);
}

std::optional<Bytes> Expand(const Bytes& stream) {
  std::optional<ByteBuffer> input = ByteBuffer::Allocate(stream.size());
  std::memcpy(input->data(), stream.data(), stream.size());
  Expansion expanded = ExpandBuffer(*input);
  if (!expanded) return std::nullopt;
  return Bytes(expanded.data->data(), expanded.data->data() + expanded.data->size());
}

Bytes Filled(std::size_t count, uint8_t value) { return Bytes(count, value); }


// Bytes where no two neighbours are equal.
Bytes Varied(std::size_t count, uint8_t seed = 1) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 % 251 + (i & 1));
  for (std::size_t i = 1; i < count; ++i) {
    if (bytes[i] == bytes[i - 1]) bytes[i] ^= 0x55;
  }
  return bytes;
}

struct StreamRun {
  uint32_t position;
  uint32_t length;
  uint8_t value;
};

std::vector<StreamRun> RunsOf(const Bytes& stream) {
  const uint32_t count = ReadLe32(stream, 4);
  std::vector<StreamRun> runs;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t descriptor = ReadLe32(stream, 8 + 4 * i);
    runs.push_back({descriptor >> 10, descriptor & 1023, stream[8 + 4 * count + i]});
  }
  return runs;
}

TEST(Codec, WorkedExampleWithOneRun) {
  const Bytes data = Join({test::BytesOf("ABCDE"), Filled(500, 0), test::BytesOf("FGHIJKL")});
  const Bytes expected = Join({{0x00, 0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xF4, 0x15, 0x00,
                                0x00, 0x00},
                               test::BytesOf("ABCDEFGHIJKL")});
  EXPECT_EQ(Compress(data), expected);
  EXPECT_EQ(Expand(expected), data);
}

TEST(Codec, WorkedExampleOfALongStretch) {
  const Bytes data = Filled(2048, 0xF6);
  const Bytes expected{0x00, 0x08, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0xFF, 0x03,
                       0x00, 0x00, 0xFF, 0xFB, 0x0F, 0x00, 0xF6, 0xF6, 0xF6, 0xF6};
  EXPECT_EQ(Compress(data), expected);
  EXPECT_EQ(Expand(expected), data);
}

// How a stretch of equal bytes is cut into runs and literal bytes.
struct StretchCase {
  std::size_t length;
  std::vector<uint32_t> runLengths;
  std::size_t literalBytes;
};

void PrintTo(const StretchCase& c, std::ostream* out) { *out << c.length << " equal bytes"; }

class Stretches : public ::testing::TestWithParam<StretchCase> {};

TEST_P(Stretches, CutIntoRunsAndExpandBackInTheMiddleAndAtTheEnd) {
  const StretchCase& c = GetParam();
  const Bytes before = Varied(300, 3);
  // 300 varied bytes give no stream on their own; a long stretch pays for them.
  const Bytes filler = Filled(400, 0x77);
  for (bool atEnd : {false, true}) {
    SCOPED_TRACE(atEnd ? "stretch at the end" : "stretch in the middle");
    const Bytes data = atEnd ? Join({filler, before, Filled(c.length, 0x42)})
                             : Join({filler, before, Filled(c.length, 0x42), Varied(50, 9)});
    std::optional<Bytes> stream = Compress(data);
    ASSERT_TRUE(stream);
    std::vector<StreamRun> runs = RunsOf(*stream);
    ASSERT_EQ(runs.size(), 1 + c.runLengths.size());  // the filler's run first
    const uint32_t start = 700;
    uint32_t covered = 0;
    for (std::size_t i = 0; i < c.runLengths.size(); ++i) {
      const StreamRun& run = runs[i + 1];
      EXPECT_EQ(run.length, c.runLengths[i]);
      EXPECT_EQ(run.value, 0x42);
      // Later runs of a stretch name the last byte the run before covered.
      EXPECT_EQ(run.position, i == 0 ? start : start + covered - 1);
      covered += run.length;
    }
    EXPECT_EQ(c.length - covered, c.literalBytes);
    EXPECT_EQ(Expand(*stream), data);
  }
}

INSTANTIATE_TEST_SUITE_P(Codec, Stretches,
                         ::testing::Values(StretchCase{5, {}, 5}, StretchCase{6, {6}, 0},
                                           StretchCase{1023, {1023}, 0},
                                           StretchCase{1024, {1023}, 1},
                                           StretchCase{1028, {1023}, 5},
                                           StretchCase{1029, {1023, 6}, 0},
                                           StretchCase{2046, {1023, 1023}, 0},
                                           StretchCase{2048, {1023, 1023}, 2},
                                           StretchCase{3074, {1023, 1023, 1023}, 5}));

TEST(Codec, GivesNoStreamWhenTheRunsSaveTooLittle) {
  // The stream is 8 + 5 x runs + literals; it must not exceed the data + 1.
  struct Case {
    const char* name;
    Bytes data;
    bool stream;
  };
  const Case cases[] = {
      {"no stretch at all", Varied(4096), false},
      {"one byte", {7}, false},
      {"runs saving 6 bytes", Join({Varied(100), Filled(11, 0)}), false},
      {"runs saving 7 bytes", Join({Varied(100), Filled(12, 0)}), true},
      {"two runs saving 6 bytes", Join({Filled(8, 0xEE), Varied(40), Filled(8, 0xDD)}), false},
      {"a whole disk of zeros", Filled(1474560, 0), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<Bytes> stream = Compress(c.data);
    EXPECT_EQ(stream.has_value(), c.stream);
    if (stream) {
      EXPECT_EQ(Expand(*stream), c.data);
    }
  }
  EXPECT_EQ(Compress(Join({Varied(100), Filled(12, 0)}))->size(), 113u);
}

// Data made of `runs` separate stretches of six equal bytes.
Bytes DataWithRuns(std::size_t runs) {
  Bytes data;
  for (std::size_t i = 0; i < runs; ++i) {
    data.insert(data.end(), 6, static_cast<uint8_t>(i % 200));
    data.push_back(0xFF);
  }
  return data;
}

TEST(Codec, RunTablesGrowPastEveryStepOf5000) {
  for (std::size_t runs : {4999u, 5000u, 5001u, 9999u, 10000u, 10001u, 15001u}) {
    SCOPED_TRACE(runs);
    const Bytes data = DataWithRuns(runs);
    std::optional<Bytes> stream = Compress(data);
    ASSERT_TRUE(stream);
    EXPECT_EQ(ReadLe32(*stream, 4), runs);
    EXPECT_EQ(Expand(*stream), data);
  }
}

TEST(Codec, ExpandsStreamsTheCompressorNeverWrites) {
  // No runs at all: the literal bytes are the data.
  const Bytes literalsOnly = Join({{5, 0, 0, 0, 0, 0, 0, 0}, test::BytesOf("hello")});
  EXPECT_EQ(Expand(literalsOnly), test::BytesOf("hello"));
  // Bytes after the stream (a description block, the spare byte) are ignored.
  const Bytes data = Join({Varied(20), Filled(900, 0), Varied(20)});
  Bytes followed = *Compress(data);
  const Bytes trailer = test::BytesOf("some textDesCriptIonTexT ");
  followed.insert(followed.end(), trailer.begin(), trailer.end());
  EXPECT_EQ(Expand(followed), data);
}

// A stream of the given counts and descriptors, the run values and then
// `tailBytes` more bytes of 0x11.
Bytes StreamOf(uint32_t total, uint32_t count, std::vector<uint32_t> descriptors, std::size_t tailBytes) {
  Bytes bytes(8 + 5 * descriptors.size() + tailBytes, 0x11);
  WriteLe32(bytes, 0, total);
  WriteLe32(bytes, 4, count);
  for (std::size_t i = 0; i < descriptors.size(); ++i) WriteLe32(bytes, 8 + 4 * i, descriptors[i]);
  return bytes;
}

struct NamedStream {
  const char* name;
  Bytes stream;
};

// Streams no expansion may accept.
std::vector<NamedStream> CorruptStreams() {
  return {
      {"shorter than its two counts", {1, 0, 0, 0, 0, 0, 0}},
      {"run count past the end", StreamOf(10, 0x40000000, {}, 10)},
      {"run count one past the end", StreamOf(10, 2, {6}, 4)},
      {"too few literal bytes", StreamOf(100, 0, {}, 99)},
      {"a run reaching past TotalLength", StreamOf(100, 1, {90 << 10 | 20}, 90)},
      {"a run starting past TotalLength", StreamOf(100, 1, {200 << 10 | 6}, 100)},
      {"TotalLength beyond 4 MiB", StreamOf((1u << 22) + 1, 0, {}, 16)},
  };
}

TEST(Codec, RejectsStreamsThatPointOutsideTheirData) {
  for (const NamedStream& c : CorruptStreams()) {
    SCOPED_TRACE(c.name);
    std::optional<ByteBuffer> input = ByteBuffer::Allocate(c.stream.size());
    std::memcpy(input->data(), c.stream.data(), c.stream.size());
    Expansion expanded = ExpandBuffer(*input);
    EXPECT_FALSE(expanded);
    EXPECT_EQ(expanded.failure, ExpandFailure::Corrupt);
    // A failure leaves the input with the caller, unchanged.
    ASSERT_FALSE(input->empty());
    EXPECT_EQ(Bytes(input->data(), input->data() + input->size()), c.stream);
  }
}

// The expansion a piece at a time, from the run table and literal bytes handed
// over on request, against the expansion of the whole stream at once.
TEST(Codec, ExpandsPieceByPieceAsItExpandsWhole) {
  const Bytes diskLike = Join({Varied(700), Filled(5000, 0), Varied(3), Filled(6, 0xF6), Varied(1500),
                               Filled(2100, 0xE5), Varied(10)});
  Bytes described = *Compress(diskLike);
  const Bytes trailer = test::BytesOf("some textDesCriptIonTexT ");
  described.insert(described.end(), trailer.begin(), trailer.end());
  std::vector<NamedStream> streams = {
      {"a disk-like stream", *Compress(diskLike)},
      {"a stream followed by a description", described},
      {"literal bytes only", Join({{5, 0, 0, 0, 0, 0, 0, 0}, test::BytesOf("hello")})},
      // Positions behind the bytes already produced, and a run of length 0.
      {"runs placed by the run before", StreamOf(40, 3, {0 << 10 | 10, 0 << 10 | 0, 3 << 10 | 12}, 18)},
      {"nothing at all", StreamOf(0, 0, {}, 0)},
  };
  for (NamedStream& corrupt : CorruptStreams()) streams.push_back(std::move(corrupt));

  for (const NamedStream& c : streams) {
    SCOPED_TRACE(c.name);
    const Bytes& stream = c.stream;
    std::optional<Bytes> whole;
    if (std::optional<uint32_t> total = StreamTotalLength(stream); total && *total <= kMaxExpandedLength) {
      Bytes out(*total);
      if (ExpandStream(stream, out)) whole = out;
    }
    const std::size_t tableBytes =
        stream.size() >= 8 ? StreamExpander::TableBytes(std::span(stream).first<8>()) : 8;
    if (stream.size() < tableBytes) {
      EXPECT_FALSE(whole);  // a reader cannot even take the table in
      continue;
    }
    std::optional<StreamExpander> plan = StreamExpander::Plan({stream.data(), tableBytes}, stream.size());
    ASSERT_EQ(plan.has_value(), whole.has_value());
    if (!whole) continue;

    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{512}, std::size_t{51200}}) {
      SCOPED_TRACE(piece);
      StreamExpander expander = *plan;
      std::size_t literalAt = tableBytes;
      auto literals = [&](std::span<uint8_t> out) {
        if (out.size() > stream.size() - literalAt) return false;
        std::memcpy(out.data(), stream.data() + literalAt, out.size());
        literalAt += out.size();
        return true;
      };
      Bytes pieces;
      while (pieces.size() < whole->size()) {
        Bytes out(std::min(piece, whole->size() - pieces.size()));
        ASSERT_TRUE(expander.Next(out, literals));
        pieces.insert(pieces.end(), out.begin(), out.end());
      }
      EXPECT_EQ(pieces, *whole);
      EXPECT_EQ(literalAt, expander.StreamLength()) << "every literal byte taken, none beyond";
      Bytes beyond(1);
      EXPECT_FALSE(expander.Next(beyond, literals)) << "nothing past TotalLength";
    }
  }
}

// An empty output has no storage at all: nothing may be copied or filled into
// it, not even zero bytes (the sanitizer build holds this).
TEST(Codec, ExpandsEmptyStreamsIntoAnEmptyOutput) {
  EXPECT_EQ(ExpandStream(StreamOf(0, 0, {}, 0), std::span<uint8_t>()), 8u);
  EXPECT_EQ(ExpandStream(StreamOf(0, 1, {0}, 0), std::span<uint8_t>()), 13u) << "a run of length 0";
}

TEST(Codec, PieceByPieceExpansionStopsWhenTheLiteralsDoNotCome) {
  const Bytes stream = *Compress(Join({Varied(3000), Filled(900, 0), Varied(3000)}));
  std::optional<StreamExpander> expander = StreamExpander::Plan(
      std::span(stream).first(StreamExpander::TableBytes(std::span(stream).first<8>())), stream.size());
  ASSERT_TRUE(expander);
  Bytes out(expander->TotalLength());
  EXPECT_FALSE(expander->Next(out, [](std::span<uint8_t>) { return false; }));
}

TEST(Codec, SuccessTakesTheInputBuffer) {
  const Bytes stream = *Compress(Filled(1000, 3));
  std::optional<ByteBuffer> input = ByteBuffer::Allocate(stream.size());
  std::memcpy(input->data(), stream.data(), stream.size());
  Expansion expanded = ExpandBuffer(*input);
  ASSERT_TRUE(expanded);
  EXPECT_TRUE(input->empty());
  EXPECT_EQ(expanded.data->size(), 1000u);
  EXPECT_EQ(expanded.streamLength, stream.size());
}

TEST(Codec, RoundTripsRandomAndDiskLikeData) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    // Stretches of random lengths and values, as disks hold them.
    Bytes data;
    Bytes noise = test::RandomBytes(1 << 16, seed);
    std::size_t n = 0;
    while (data.size() < 200000) {
      const std::size_t length = noise[n++ % noise.size()] % (seed % 2 ? 40 : 3000) + 1;
      const uint8_t value = noise[n++ % noise.size()] % 4;
      data.insert(data.end(), length, value);
    }
    std::optional<Bytes> stream = Compress(data);
    ASSERT_TRUE(stream);
    EXPECT_EQ(Expand(*stream), data);
  }
  EXPECT_FALSE(Compress(test::RandomBytes(100000, 7)));
}

TEST(Codec, WritesExactlyTheReferenceStream) {
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE(seed);
    const Bytes noise = test::RandomBytes(4096, seed);
    Bytes data;
    for (std::size_t n = 0; data.size() < 20000 + seed * 50; n += 2) {
      const std::size_t length = seed % 3 == 0 ? noise[n % 4096] % 9 + 1 : noise[n % 4096] * (seed % 11) + 1;
      data.insert(data.end(), length, static_cast<uint8_t>(noise[(n + 1) % 4096] % (seed % 5 + 2)));
    }
    EXPECT_EQ(Compress(data), test::ReferenceCompress(data));
  }
}

}  // namespace
}  // namespace vornak
