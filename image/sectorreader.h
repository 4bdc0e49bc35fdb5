#pragma once

// The sectors of an image file a stretch at a time, for the restore: it
// writes a disk as it reads the file and never holds the whole disk in
// memory. Opening checks everything ReadImageFile checks, with the same
// messages, so that a file that is wrong anywhere is refused before the
// first sector is handed out. A compressed payload is checked on its run
// table, which tells where every run lands and how many literal bytes the
// stream needs; the literal bytes are read as the sectors are asked for.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "image/bytebuffer.h"
#include "image/compress3.h"
#include "image/imageformat.h"
#include "platform/files.h"
#include "platform/status.h"

namespace vornak {

class ImageSectorReader {
 public:
  // Opens and checks a named file; kErrorOpeningFile and the name when it
  // cannot be opened. With `diskFormatCode`, as ReadImageFile.
  static Result<ImageSectorReader> Open(const std::string& fileName,
                                        std::optional<int> diskFormatCode = std::nullopt,
                                        platform::FileSystem& fs = platform::RealFileSystem());
  static Result<ImageSectorReader> Open(std::unique_ptr<platform::ReadableFile> file,
                                        std::optional<int> diskFormatCode = std::nullopt);

  const ImageHeader& header() const { return header_; }
  // SectorCount x 512.
  uint64_t SectorBytes() const { return sectorBytes_; }

  // Fills `out` with the next out.size() bytes of the sectors. Fails, with
  // kNotAnImageFile, when asked for more than the sectors or when the file no
  // longer holds the bytes it held when it was opened (something changed it).
  Status Read(std::span<uint8_t> out);

 private:
  ImageSectorReader(std::unique_ptr<platform::ReadableFile> file, const ImageHeader& header);
  // Fills `out` with the next literal bytes of the stream.
  bool ReadLiterals(std::span<uint8_t> out);

  std::unique_ptr<platform::ReadableFile> file_;
  ImageHeader header_;
  uint64_t sectorBytes_ = 0;
  uint64_t delivered_ = 0;  // sector bytes handed out so far

  // A compressed payload: its run table, the expander over it, and the
  // literal bytes still to come, read a block at a time.
  ByteBuffer table_;
  std::optional<StreamExpander> expander_;
  uint64_t literalsAt_ = 0;    // file offset of the next literal byte not yet in `block_`
  uint64_t literalsLeft_ = 0;  // literal bytes of the stream not yet read from the file
  ByteBuffer block_;
  std::size_t blockAt_ = 0;
  std::size_t blockEnd_ = 0;
};

}  // namespace vornak
