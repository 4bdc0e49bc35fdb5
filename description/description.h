#pragma once

// The description block that may end an image file:
//   the text (TextLength bytes, no terminator, no line breaks)
//   TextLength (2 bytes, little-endian, at least 1)
//   the 16 bytes of the marker "DesCriptIonTexT "
// It is always found from the end of the file, so nothing here needs to know
// the header or the payload.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/status.h"

namespace vornak {

inline constexpr std::string_view kDescriptionMarker = "DesCriptIonTexT ";
// The editor lets a description grow to 256 characters; readers take up to 259.
inline constexpr std::size_t kMaxDescriptionLength = 256;
inline constexpr std::size_t kMaxDescriptionRead = 259;
// The bytes of a block apart from its text.
inline constexpr std::size_t kDescriptionOverhead = 18;
// How much of a file's end the reader needs to see.
inline constexpr std::size_t kDescriptionTailSize = kMaxDescriptionRead + kDescriptionOverhead;
// The scratch file of a description rewrite, made in the image's own folder.
inline constexpr std::string_view kDescriptionScratchName = "JXZTOVEL.ZYX";

struct DescriptionBlock {
  std::size_t textLength = 0;  // TextLength as stored
  std::string text;            // the stored bytes up to the first zero byte
  uint64_t blockStart = 0;     // offset of the first text byte in the file
};

// Finds the block of a file of `fileSize` bytes whose last bytes are `tail`
// (at most kDescriptionTailSize of them). A file has a block when it ends with
// the marker and its TextLength is at most 259 and fits in front of the block.
std::optional<DescriptionBlock> FindDescription(std::span<const uint8_t> tail, uint64_t fileSize);

// Appends the block for `text` at the file's current position; an empty text
// writes nothing.
Status AppendDescription(platform::WritableFile& file, std::string_view text);

bool HasDescription(const std::string& fileName,
                    platform::FileSystem& fs = platform::RealFileSystem());

// The description of a file, empty when it has none or cannot be read. Also
// shows the text in the description editor's box (see SetDescriptionBoxHook).
std::string ReadDescription(const std::string& fileName,
                            platform::FileSystem& fs = platform::RealFileSystem());

// Cuts the block off the file, leaving its other bytes unchanged. A file
// without a block is left as it is.
Status RemoveDescription(const std::string& fileName,
                         platform::FileSystem& fs = platform::RealFileSystem());

// Gives the file `text` as its only description: its bytes before any old
// block, then the new block (none for an empty text). The file is rewritten
// through the scratch file in its folder and renamed over in one step, so on
// any failure it keeps its old bytes, old description included.
Status ReplaceDescription(const std::string& fileName, std::string_view text,
                          platform::FileSystem& fs = platform::RealFileSystem());

// The description editor registers here to have its box show every text that
// ReadDescription reads (an empty text clears the box).
void SetDescriptionBoxHook(std::function<void(const std::string& text)> hook);

}  // namespace vornak
