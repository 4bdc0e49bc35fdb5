#pragma once

// The oracles the fuzz targets share. A broken oracle aborts, which both
// libFuzzer and the corpus replay report as a finding.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "image/compress3.h"

namespace vornak::fuzz {

inline void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "oracle failed: %s\n", what);
  std::abort();
}

// Compressing `data` and expanding the stream again gives `data` back; a
// result of 0 leaves the buffer untouched. Works in buffers kept between runs.
inline void CheckRoundTrip(std::span<const uint8_t> data) {
  static std::vector<uint8_t> buffer;
  static std::vector<uint8_t> expanded;
  buffer.assign(data.begin(), data.end());
  buffer.push_back(0);
  const int32_t length = CompressBuffer(buffer.data(), static_cast<int32_t>(data.size()));
  if (length == 0) {
    Check(std::memcmp(buffer.data(), data.data(), data.size()) == 0, "a result of 0 kept the data");
    return;
  }
  Check(length > 0 && static_cast<std::size_t>(length) <= data.size() + 1, "stream length");
  expanded.resize(data.size());
  const auto consumed = ExpandStream({buffer.data(), static_cast<std::size_t>(length)}, expanded);
  Check(consumed && *consumed == static_cast<std::size_t>(length), "the stream expands");
  Check(std::memcmp(expanded.data(), data.data(), data.size()) == 0, "expansion gives the data back");
}

}  // namespace vornak::fuzz
