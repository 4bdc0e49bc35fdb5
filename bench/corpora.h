#pragma once

// The disks the benchmark measures on, made with mkfs.fat and mcopy from
// deterministic content, so that every run sees the same bytes.

#include <cstdint>
#include <string>
#include <vector>

namespace vornak::bench {

struct Corpus {
  std::string name;        // short, for the table: "blank-1440"
  std::string what;        // one line for the reader
  std::vector<uint8_t> bytes;  // the whole disk, sector 0 first
};

// The four disks: a freshly formatted 1.44 MB disk, one half full of text and
// binary files, one whose files are random bytes, and a 720 KB disk. Throws
// std::runtime_error when mkfs.fat or mcopy is missing or fails.
std::vector<Corpus> BuildCorpora();

}  // namespace vornak::bench
