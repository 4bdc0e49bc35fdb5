#pragma once

// A plain, byte-at-a-time statement of the stream the compressor must write,
// kept apart from the real codec so that tests can compare the two.

#include <cstdint>
#include <optional>
#include <vector>

namespace vornak::test {

// The stream for `data`, or nothing when it would be longer than data + 1.
inline std::optional<std::vector<uint8_t>> ReferenceCompress(const std::vector<uint8_t>& data) {
  std::vector<uint32_t> descriptors;
  std::vector<uint8_t> values, literals;
  std::size_t s = 0;
  while (s < data.size()) {
    std::size_t length = 1;
    while (s + length < data.size() && data[s + length] == data[s]) ++length;
    if (length <= 5) {
      literals.insert(literals.end(), data.begin() + s, data.begin() + s + length);
    } else {
      std::size_t covered = 0;
      while (covered < length) {
        std::size_t rest = length - covered;
        if (covered > 0 && rest <= 5) {
          literals.insert(literals.end(), rest, data[s]);
          break;
        }
        std::size_t run = rest < 1023 ? rest : 1023;
        std::size_t position = covered == 0 ? s : s + covered - 1;
        descriptors.push_back(static_cast<uint32_t>(position << 10 | run));
        values.push_back(data[s]);
        covered += run;
      }
    }
    s += length;
  }
  const std::size_t size = 8 + 5 * descriptors.size() + literals.size();
  if (size > data.size() + 1) return std::nullopt;
  std::vector<uint8_t> stream;
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) stream.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  put32(static_cast<uint32_t>(data.size()));
  put32(static_cast<uint32_t>(descriptors.size()));
  for (uint32_t d : descriptors) put32(d);
  stream.insert(stream.end(), values.begin(), values.end());
  stream.insert(stream.end(), literals.begin(), literals.end());
  return stream;
}

}  // namespace vornak::test
