#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace vornak::platform {
namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

Failure SystemFailure(const std::string& verb, const std::string& path, int error) {
  return Failure{"Cannot " + verb + " " + Quoted(path) + ": " + std::strerror(error)};
}

class PosixReadableFile final : public ReadableFile {
 public:
  PosixReadableFile(int fd, uint64_t size, std::string path)
      : fd_(fd), size_(size), path_(std::move(path)) {}
  ~PosixReadableFile() override { ::close(fd_); }

  uint64_t Size() const override { return size_; }

  Status ReadAt(uint64_t offset, std::span<uint8_t> bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::pread(fd_, bytes.data() + done, bytes.size() - done,
                          static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return SystemFailure("read", path_, errno);
      if (n == 0) return Failure{"Cannot read " + Quoted(path_) + ": the file ends early"};
      done += static_cast<std::size_t>(n);
    }
    return Ok();
  }

 private:
  int fd_;
  uint64_t size_;
  std::string path_;
};

class PosixWritableFile final : public WritableFile {
 public:
  PosixWritableFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {
    buffer_.reserve(kBufferSize);
  }
  ~PosixWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  Status Write(std::span<const uint8_t> bytes) override {
    if (buffer_.size() + bytes.size() <= kBufferSize) {
      buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
      return Ok();
    }
    if (Status flushed = Flush(); !flushed) return flushed;
    if (bytes.size() >= kBufferSize) return WriteOut(bytes);
    buffer_.assign(bytes.begin(), bytes.end());
    return Ok();
  }

  Status Flush() override {
    Status written = WriteOut(buffer_);
    buffer_.clear();
    return written;
  }

  Status Sync() override {
    if (Status flushed = Flush(); !flushed) return flushed;
    if (::fsync(fd_) != 0) return SystemFailure("write", path_, errno);
    return Ok();
  }

  Status Close() override {
    Status flushed = Flush();
    int result = ::close(fd_);
    int error = errno;
    fd_ = -1;
    if (!flushed) return flushed;
    if (result != 0) return SystemFailure("write", path_, error);
    return Ok();
  }

 private:
  static constexpr std::size_t kBufferSize = 64 * 1024;

  Status WriteOut(std::span<const uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return SystemFailure("write", path_, errno);
      done += static_cast<std::size_t>(n);
    }
    return Ok();
  }

  int fd_;
  std::string path_;
  std::vector<uint8_t> buffer_;
};

class PosixFileSystem final : public FileSystem {
 public:
  Result<std::unique_ptr<ReadableFile>> OpenForReading(const std::string& path) override {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return SystemFailure("open", path, errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
      ::close(fd);
      return SystemFailure("open", path, error);
    }
    return std::unique_ptr<ReadableFile>(
        new PosixReadableFile(fd, static_cast<uint64_t>(info.st_size), path));
  }

  Result<std::unique_ptr<WritableFile>> Create(const std::string& path,
                                               unsigned permissions) override {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW,
                    static_cast<mode_t>(permissions));
    if (fd < 0) return SystemFailure("create", path, errno);
    return std::unique_ptr<WritableFile>(new PosixWritableFile(fd, path));
  }

  Status CheckWritable(const std::string& path) override {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return SystemFailure("write", path, errno);
    ::close(fd);
    return Ok();
  }

  Status Rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return SystemFailure("replace", to, errno);
    return Ok();
  }

  Status Remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0) return SystemFailure("remove", path, errno);
    return Ok();
  }

  Status SyncFolder(const std::string& folder) override {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return SystemFailure("write", folder, errno);
    int result = ::fsync(fd);
    int error = errno;
    ::close(fd);
    // Some file systems cannot sync a folder; the rename itself has happened.
    if (result != 0 && error != EINVAL && error != EROFS) return SystemFailure("write", folder, error);
    return Ok();
  }

  EntryKind Kind(const std::string& path) override {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return EntryKind::Missing;
    if (S_ISREG(info.st_mode)) return EntryKind::File;
    if (S_ISDIR(info.st_mode)) return EntryKind::Folder;
    return EntryKind::Other;
  }

  unsigned Permissions(const std::string& path) override {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return 0666;
    return static_cast<unsigned>(info.st_mode) & 07777;
  }
};

}  // namespace

Status MemoryFile::ReadAt(uint64_t offset, std::span<uint8_t> bytes) {
  if (offset > bytes_.size() || bytes.size() > bytes_.size() - offset) {
    return Failure{"Cannot read past the end of the data"};
  }
  std::memcpy(bytes.data(), bytes_.data() + offset, bytes.size());
  return Ok();
}

FileSystem& RealFileSystem() {
  static PosixFileSystem files;
  return files;
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string SiblingPath(const std::string& path, const std::string& name) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return name;
  return path.substr(0, slash + 1) + name;
}

std::string PartialPathFor(const std::string& target) {
  std::size_t slash = target.find_last_of('/');
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  return SiblingPath(target, "." + base + ".partial");
}

bool FileExists(const std::string& path, FileSystem& fs) {
  return fs.Kind(path) == EntryKind::File;
}

Result<std::vector<uint8_t>> ReadWholeFile(const std::string& path, uint64_t limit,
                                           FileSystem& fs) {
  auto file = fs.OpenForReading(path);
  if (!file) return file.failure();
  uint64_t size = file.value()->Size();
  if (size > limit) {
    return Failure{"Cannot read " + Quoted(path) + ": the file is larger than " +
                   std::to_string(limit) + " bytes"};
  }
  std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
  if (Status read = file.value()->ReadAt(0, bytes); !read) return read.failure();
  return bytes;
}

Status ReplaceFile(const std::string& target, const std::string& scratch,
                   const std::function<Status(WritableFile&)>& write, FileSystem& fs) {
  unsigned permissions = 0666;
  switch (fs.Kind(target)) {
    case EntryKind::Missing:
      break;
    case EntryKind::File:
      if (Status writable = fs.CheckWritable(target); !writable) return writable;
      permissions = fs.Permissions(target);
      break;
    default:
      return Failure{"Cannot write " + Quoted(target) + ": it is not a regular file"};
  }

  // Every failure below names the user's file, not our scratch file.
  auto failed = [&](const Status& status) -> Status {
    std::string reason = status.message();
    std::size_t colon = reason.rfind(": ");
    if (colon != std::string::npos) reason = reason.substr(colon + 2);
    return Failure{"Cannot write " + Quoted(target) + ": " + reason};
  };

  auto created = fs.Create(scratch, permissions);
  if (!created) return failed(created.failure());
  std::unique_ptr<WritableFile> file = std::move(created).value();

  Status status = write(*file);
  if (status) status = file->Sync();
  Status closed = file->Close();
  if (status) status = closed;
  if (status) status = fs.Rename(scratch, target);
  if (!status) {
    (void)fs.Remove(scratch);
    return failed(status);
  }
  // The new bytes are in place; a folder that cannot be synced does not undo that.
  (void)fs.SyncFolder(FolderOf(target));
  return Ok();
}

Status WriteWholeFile(const std::string& target, std::span<const uint8_t> bytes,
                      FileSystem& fs) {
  return ReplaceFile(
      target, PartialPathFor(target), [&](WritableFile& file) { return file.Write(bytes); }, fs);
}

}  // namespace vornak::platform
