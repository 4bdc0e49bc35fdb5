// Writes a small image file for the seed corpus: the first SECTORS sectors of
// a raw disk under the header of format CODE, compressed as the save would.
// Usage: fuzz_make_seed RAW SECTORS CODE OUT [DESCRIPTION]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/imageformat.h"

int main(int argc, char** argv) {
  using namespace vornak;
  if (argc < 5) {
    std::fprintf(stderr, "usage: fuzz_make_seed RAW SECTORS CODE OUT [DESCRIPTION]\n");
    return 2;
  }
  const std::size_t sectors = std::strtoul(argv[2], nullptr, 10);
  const DiskFormat* format = FindDiskFormatByCode(std::atoi(argv[3]));
  auto raw = platform::ReadWholeFile(argv[1], 4u << 20);
  if (!raw || format == nullptr || raw->size() < sectors * kSectorSize) {
    std::fprintf(stderr, "fuzz_make_seed: cannot use %s\n", argv[1]);
    return 1;
  }
  std::optional<ByteBuffer> buffer = ByteBuffer::Allocate(sectors * kSectorSize);
  std::memcpy(buffer->data(), raw->data(), buffer->size());
  ImageHeader header = format->Header();
  const std::string description = argc > 5 ? argv[5] : "";
  Status written = WriteImageFile(argv[4], header, *buffer, &description);
  if (!written) std::fprintf(stderr, "%s\n", written.message().c_str());
  return written ? 0 : 1;
}
