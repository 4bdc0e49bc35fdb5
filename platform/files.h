#pragma once

// Byte-stream file access, behind one interface so that tests can put a
// counting, failing file system in place of the real one. Every file the
// program rewrites is replaced through ReplaceFile: the new bytes go to a
// scratch file in the same folder, are made durable, and are renamed over the
// target in one step, so the target holds its old bytes or its new ones.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/status.h"

namespace vornak::platform {

// A file open for reading, with random access.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly bytes.size() bytes at offset; a short read is a failure.
  virtual Status ReadAt(uint64_t offset, std::span<uint8_t> bytes) = 0;
};

// A file held in memory: the bytes must outlive it.
class MemoryFile final : public ReadableFile {
 public:
  explicit MemoryFile(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint64_t Size() const override { return bytes_.size(); }
  Status ReadAt(uint64_t offset, std::span<uint8_t> bytes) override;

 private:
  std::span<const uint8_t> bytes_;
};

// A file open for writing. Writes are buffered: Flush hands them to the
// kernel, Sync also makes them durable on the medium.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  virtual Status Write(std::span<const uint8_t> bytes) = 0;
  virtual Status Flush() = 0;
  virtual Status Sync() = 0;
  virtual Status Close() = 0;
};

enum class EntryKind { Missing, File, Folder, Other };

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual Result<std::unique_ptr<ReadableFile>> OpenForReading(const std::string& path) = 0;
  // Creates `path`, or truncates an existing file, with the given permission
  // bits (the process's umask applies). Never follows a symbolic link at `path`.
  virtual Result<std::unique_ptr<WritableFile>> Create(const std::string& path,
                                                       unsigned permissions) = 0;
  // Succeeds when an existing file could be opened for writing as it stands.
  virtual Status CheckWritable(const std::string& path) = 0;
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  virtual Status Remove(const std::string& path) = 0;
  // Makes a completed rename in `folder` durable.
  virtual Status SyncFolder(const std::string& folder) = 0;

  virtual EntryKind Kind(const std::string& path) = 0;
  // Permission bits of an existing file, 0666 when they cannot be read.
  virtual unsigned Permissions(const std::string& path) = 0;
};

// The operating system's own files.
FileSystem& RealFileSystem();

// The folder that holds `path` ("." for a bare name).
std::string FolderOf(const std::string& path);
// A file named `name` in the folder that holds `path`.
std::string SiblingPath(const std::string& path, const std::string& name);
// The scratch name used when `target` is replaced: a hidden sibling.
std::string PartialPathFor(const std::string& target);

// True when `path` names an existing regular file (a folder does not count).
bool FileExists(const std::string& path, FileSystem& fs = RealFileSystem());

// Reads a whole file, refusing files longer than `limit` bytes.
Result<std::vector<uint8_t>> ReadWholeFile(const std::string& path, uint64_t limit,
                                           FileSystem& fs = RealFileSystem());

// Writes a new version of `target` through the scratch file `scratch` (which
// must lie in the target's folder): `write` fills it, then it is synced,
// closed and renamed over the target. An existing target must be writable, and
// its permission bits carry over. On any failure the target is left exactly as
// it was, the scratch file is removed, and the failure names the file.
Status ReplaceFile(const std::string& target, const std::string& scratch,
                   const std::function<Status(WritableFile&)>& write,
                   FileSystem& fs = RealFileSystem());

// Replaces `target` by the given bytes, through PartialPathFor(target).
Status WriteWholeFile(const std::string& target, std::span<const uint8_t> bytes,
                      FileSystem& fs = RealFileSystem());

}  // namespace vornak::platform
