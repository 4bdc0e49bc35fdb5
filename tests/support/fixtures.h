#pragma once

// Test helpers: temporary folders, running programs, and FAT12 disks made by
// mkfs.fat and mtools or built entry by entry.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vornak::test {

using Bytes = std::vector<uint8_t>;

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const Bytes& bytes);
Bytes BytesOf(std::string_view text);
// The parts one after the other.
Bytes Join(std::initializer_list<Bytes> parts);
std::string TextOf(const Bytes& bytes);
// Reproducible pseudo-random bytes.
Bytes RandomBytes(std::size_t size, uint32_t seed);

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a program (found on PATH or in the sbin folders) with `stdinText` on its
// stdin and collects its output.
CommandResult Run(const std::vector<std::string>& argv, const std::string& stdinText = "");
// Runs vnk with the given arguments.
CommandResult Vnk(const std::vector<std::string>& arguments, const std::string& stdinText = "");

// Where a tool lives, or empty when the machine does not have it.
std::string ToolPath(std::string_view name);

// Creates a FAT12 disk image of `kb` KB with mkfs.fat (fixed serial, so the
// bytes are reproducible) and an optional volume label.
void MakeFatDisk(const std::string& path, int kb, const std::string& label = "");
// Runs an mtools command on a disk image: Mtools("mcopy", {"-i", disk, src, "::NAME"}).
void Mtools(const std::string& tool, const std::vector<std::string>& arguments);
// Copies `contents` onto the disk under `dosName` (a name such as "::DOCS/A.TXT").
void PutFile(const std::string& disk, const std::string& dosName, const Bytes& contents);

// A short directory entry: an 11-byte name (8 + 3, blank-filled) and attributes.
Bytes ShortEntry(std::string_view name11, uint8_t attributes = 0x20);
// The long-name entries for `name`, in directory order (the last part first).
std::vector<Bytes> LongNameEntries(std::string_view name);
// A disk image of `sectors` zero sectors whose root directory at `offset`
// holds `entries` one after the other.
Bytes DiskWithRootEntries(std::size_t sectors, std::size_t offset,
                          const std::vector<Bytes>& entries);

}  // namespace vornak::test
