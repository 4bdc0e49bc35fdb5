// The compressor finds stretches 64 bytes at a time and moves the literal
// bytes into place inside the caller's buffer. These tests hold its streams to
// the byte-at-a-time reference where that can go wrong: stretches straddling
// block edges, the last bytes of the data, tiny buffers, and literal bytes
// that must move up before the runs have made room for the stream's head.

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>
#include <string>

#include "image/compress3.h"
#include "tests/support/fixtures.h"
#include "tests/support/reference_codec.h"

namespace vornak {
namespace {

using test::Bytes;
using test::Join;

// The value of the stretches below; as the spare byte it makes a compressor
// that reads past the data lengthen a stretch that ends it.
constexpr uint8_t kValue = 0xC3;

// Compresses a copy of `data` with its spare byte and checks what holds for
// every result: the stream is the reference's, a result of 0 leaves the buffer
// as it was, the bytes after a stream keep their data, and the stream expands
// back to the data. Returns whether there was a stream.
bool CompressMatchesReference(const Bytes& data) {
  Bytes buffer = data;
  buffer.push_back(kValue);
  const int32_t length = CompressBuffer(buffer.data(), static_cast<int32_t>(data.size()));
  const std::optional<Bytes> expected = test::ReferenceCompress(data);
  if (!expected) {
    EXPECT_EQ(length, 0);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.end() - 1), data) << "a result of 0 changed the buffer";
    EXPECT_EQ(buffer.back(), kValue);
    return false;
  }
  EXPECT_EQ(static_cast<std::size_t>(length), expected->size());
  if (static_cast<std::size_t>(length) != expected->size()) return true;
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + length), *expected);
  // A stream may take the spare byte too; what it leaves keeps its data.
  if (static_cast<std::size_t>(length) <= data.size()) {
    EXPECT_TRUE(std::equal(buffer.begin() + length, buffer.end() - 1, data.begin() + length))
        << "bytes after the stream changed";
    EXPECT_EQ(buffer.back(), kValue);
  }

  std::optional<ByteBuffer> input = ByteBuffer::Allocate(static_cast<std::size_t>(length));
  std::memcpy(input->data(), buffer.data(), static_cast<std::size_t>(length));
  Expansion expanded = ExpandBuffer(*input);
  EXPECT_TRUE(expanded);
  if (expanded) {
    EXPECT_EQ(Bytes(expanded.data->data(), expanded.data->data() + expanded.data->size()), data);
  }
  return true;
}

Bytes Filled(std::size_t count, uint8_t value) { return Bytes(count, value); }

// Bytes of which no two neighbours are equal, none of them 0x00 or kValue.
Bytes Varied(std::size_t count, uint8_t seed) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(1 + (seed + i * 37) % 190);
  return bytes;
}


// Stretch lengths on both sides of the run threshold, of a 64-byte block and
// of the longest run.
constexpr std::size_t kLengths[] = {1, 2, 5, 6, 7, 11, 12, 59, 60, 63, 64, 65, 66, 127, 128, 1023, 1024, 1029};

TEST(CodecBlocks, StretchesAtEveryOffsetFromTheStartOfTheScan) {
  // Zeros at the end make sure there is a stream to compare.
  for (std::size_t length : kLengths) {
    for (std::size_t offset = 0; offset <= 130; ++offset) {
      SCOPED_TRACE(std::to_string(length) + " equal bytes at offset " + std::to_string(offset));
      const Bytes data = Join({Varied(offset, 3), Filled(length, kValue), Varied(200, 5), Filled(40, 0)});
      EXPECT_TRUE(CompressMatchesReference(data));
    }
  }
}

TEST(CodecBlocks, StretchesThatEndTheData) {
  for (std::size_t length : kLengths) {
    for (std::size_t before = 0; before <= 140; ++before) {
      SCOPED_TRACE(std::to_string(length) + " equal bytes at the end, after " + std::to_string(before));
      const Bytes data = Join({Filled(40, 0), Varied(before, 7), Filled(length, kValue)});
      EXPECT_TRUE(CompressMatchesReference(data));
    }
  }
}

TEST(CodecBlocks, TinyBuffers) {
  // Every buffer of up to 14 bytes of two values; most give no stream.
  for (std::size_t size = 1; size <= 14; ++size) {
    for (uint32_t pattern = 0; pattern < (1u << size); ++pattern) {
      Bytes data;
      for (std::size_t i = 0; i < size; ++i) data.push_back((pattern >> i) & 1 ? kValue : 0x00);
      SCOPED_TRACE(testing::PrintToString(data));
      CompressMatchesReference(data);
    }
  }
  // Up to three blocks of long stretches of two values.
  std::mt19937 random(11);
  for (std::size_t size = 15; size <= 200; ++size) {
    for (int round = 0; round < 20; ++round) {
      Bytes data;
      while (data.size() < size) data.insert(data.end(), random() % 12 + 1, random() % 2 ? kValue : 0x00);
      data.resize(size);
      SCOPED_TRACE(testing::PrintToString(data));
      CompressMatchesReference(data);
    }
  }
}

// Short runs, each followed by one other byte: every one adds 5 bytes to the
// stream's head but covers only 6.
Bytes ShortRuns(std::size_t count) {
  Bytes data;
  for (std::size_t i = 0; i < count; ++i) {
    data.insert(data.end(), 6, static_cast<uint8_t>(i % 7 + 1));
    data.push_back(0xF0);
  }
  return data;
}

TEST(CodecBlocks, LiteralBytesMoveIntoPlaceWhereverTheRunsLie) {
  struct Case {
    const char* name;
    Bytes data;
  };
  const Case cases[] = {
      // The head outgrows the bytes the runs cover: the leading literal bytes
      // have to move up, behind the head.
      {"literal bytes, then many short runs", Join({Varied(3000, 1), ShortRuns(3000)})},
      {"short runs, literal bytes, short runs", Join({ShortRuns(500), Varied(2000, 2), ShortRuns(2500)})},
      {"only short runs", ShortRuns(6000)},
      // The runs cover the head at once: every literal byte moves down.
      {"a long run, then literal bytes", Join({Filled(60000, 0), Varied(5000, 3)})},
      {"long runs between literal bytes",
       Join({Varied(100, 4), Filled(3000, 0), Varied(900, 5), Filled(7000, kValue), Varied(9, 6)})},
      // The runs catch up with the head half way.
      {"literal bytes, short runs, then a long run",
       Join({Varied(4000, 7), ShortRuns(100), Varied(300, 8), Filled(5000, 0), Varied(4000, 9)})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(CompressMatchesReference(c.data));
  }
}

TEST(CodecBlocks, TheRunsCatchUpWithTheHeadAnywhere) {
  // The point where the runs have covered the head moves with the number of
  // literal bytes in front; some of these give no stream at all.
  for (std::size_t literals = 0; literals < 400; literals += 7) {
    for (std::size_t runs : {1u, 7u, 8u, 60u, 61u}) {
      SCOPED_TRACE(std::to_string(literals) + " literal bytes, " + std::to_string(runs) + " runs");
      CompressMatchesReference(Join({Varied(literals, 10), ShortRuns(runs), Varied(literals, 11)}));
    }
  }
}

}  // namespace
}  // namespace vornak
