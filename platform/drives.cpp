// The three drives: a floppy block device, an image file used as a virtual
// drive, and the fault-injecting drive of the tests.

#include <fcntl.h>
#include <linux/fd.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/drive.h"
#include "platform/fat12.h"

namespace vornak::platform {
namespace {

constexpr unsigned kFloppyMajor = 2;  // /dev/fd0 and its kin

// A file descriptor that closes itself.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~UniqueFd() { Reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

std::string Reason(const std::string& path, int error) { return path + ": " + std::strerror(error); }

SectorStatus FailedErrno(const std::string& path, int error, bool writing) {
  return SectorStatus::Failed(ErrorForErrno(error, writing), Reason(path, error));
}

SectorStatus BeyondEnd(const std::string& path, uint32_t first, uint32_t count, uint64_t bytes) {
  return SectorStatus::Failed(DiskError::SectorNotFound,
                              path + ": sectors " + std::to_string(first) + " to " +
                                  std::to_string(uint64_t{first} + count - 1) +
                                  " lie beyond the end of the disk (" +
                                  std::to_string(bytes / kDriveSectorSize) + " sectors)");
}

bool Fits(uint32_t first, uint32_t count, uint64_t bytes) {
  return (uint64_t{first} + count) * kDriveSectorSize <= bytes;
}

// The type, permission bits and size of a file (`path` under `dirfd`, as
// statx takes them), without asking for its times. Once a file's times have
// been looked at, the kernel gives its next write a fresh fine-grained
// modification time, which dirties the inode: a stat before every write of a
// restore would cost one inode write per chunk.
int StatModeAndSize(int dirfd, const char* path, int flags, struct stat& status) {
  constexpr unsigned kWanted = STATX_TYPE | STATX_MODE | STATX_SIZE;
  struct statx facts {};
  if (::statx(dirfd, path, flags, kWanted, &facts) != 0) return -1;
  if ((facts.stx_mask & kWanted) != kWanted) {
    return *path == '\0' ? ::fstat(dirfd, &status) : ::stat(path, &status);
  }
  status = {};
  status.st_mode = facts.stx_mode;
  status.st_size = static_cast<off_t>(facts.stx_size);
  return 0;
}

// Reads or writes the whole range, resuming after short transfers. Returns 0
// or the errno of the failure; a transfer that makes no progress is ENOSPC.
int TransferAll(int fd, std::span<uint8_t> bytes, uint64_t offset, bool writing) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t moved =
        writing ? ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done))
                : ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (moved < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (moved == 0) return ENOSPC;
    done += static_cast<std::size_t>(moved);
  }
  return 0;
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// ---------------------------------------------------------------------------

class BlockDeviceDrive final : public Drive {
 public:
  BlockDeviceDrive(std::string path, std::string mountTable)
      : path_(std::move(path)), mountTable_(std::move(mountTable)) {}

  const std::string& Path() const override { return path_; }
  DriveKind Kind() const override { return DriveKind::Device; }

  Medium Inspect() override {
    UniqueFd fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
      const int error = errno;
      const DiskError code = ErrorForErrno(error, false);
      return {code == DiskError::NotReady ? MediaState::NoDisk : MediaState::Unreadable, 0,
              Reason(path_, error)};
    }
    Result<DeviceFacts> facts = FactsOf(fd.get());
    if (!facts) return {MediaState::Unreadable, 0, facts.message()};
    Medium medium{MediaState::Ready, facts->bytes, ""};
    if (facts->bytes == 0) {
      medium.state = MediaState::NoDisk;
      medium.detail = path_ + ": no disk in the drive";
    } else if (!IsFloppySize(facts->bytes)) {
      medium.state = MediaState::UnknownMedia;
      medium.detail = DeviceWritePolicy(path_, facts.value()).detail();
    } else if (facts->readOnly) {
      medium.state = MediaState::WriteProtected;
      medium.detail = path_ + ": the disk is write-protected";
    } else if (!facts->mountPoint.empty()) {
      medium.detail = DeviceWritePolicy(path_, facts.value()).detail();
    }
    return medium;
  }

  // Also drops the kernel's cached blocks of the device, so that the next
  // open reads the disk that is in the drive then, not the one before.
  void Close() override {
    if (fd_.valid()) ::ioctl(fd_.get(), BLKFLSBUF, 0);
    fd_.Reset();
    writable_ = false;
  }

  SectorStatus Reset() override {
    Close();
    if (!IsFloppyController()) return SectorStatus::Success();
    UniqueFd fd(::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) return FailedErrno(path_, errno, false);
    if (::ioctl(fd.get(), FDRESET, FD_RESET_ALWAYS) != 0) return FailedErrno(path_, errno, false);
    return SectorStatus::Success();
  }

  Status PrepareForFormat(uint64_t bytes) override {
    if (SectorStatus open = OpenForWriting(); !open) return Failure{open.detail()};
    if (bytes != size_) {
      return Failure{path_ + ": the disk holds " + std::to_string(size_) + " bytes; it cannot be " +
                     "formatted to " + std::to_string(bytes / 1024) + " KB in this drive"};
    }
    return Ok();
  }

 protected:
  SectorStatus DoRead(uint32_t first, uint32_t count, std::span<uint8_t> into) override {
    if (SectorStatus open = OpenForReading(); !open) return open;
    if (!Fits(first, count, size_)) return BeyondEnd(path_, first, count, size_);
    const int error = TransferAll(fd_.get(), into.first(count * kDriveSectorSize),
                                  uint64_t{first} * kDriveSectorSize, false);
    return error == 0 ? SectorStatus::Success() : FailedErrno(path_, error, false);
  }

  SectorStatus DoWrite(uint32_t first, uint32_t count, std::span<const uint8_t> from) override {
    if (SectorStatus open = OpenForWriting(); !open) return open;
    if (!Fits(first, count, size_)) return BeyondEnd(path_, first, count, size_);
    std::span<uint8_t> bytes(const_cast<uint8_t*>(from.data()), count * kDriveSectorSize);
    int error = TransferAll(fd_.get(), bytes, uint64_t{first} * kDriveSectorSize, true);
    if (error == 0) error = Flush();
    return error == 0 ? SectorStatus::Success() : FailedErrno(path_, error, true);
  }

 private:
  Result<DeviceFacts> FactsOf(int fd) const {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return Failure{Reason(path_, errno)};
    if (!S_ISBLK(status.st_mode)) return Failure{path_ + ": not a block device"};
    DeviceFacts facts;
    if (::ioctl(fd, BLKGETSIZE64, &facts.bytes) != 0) return Failure{Reason(path_, errno)};
    int readOnly = 0;
    if (::ioctl(fd, BLKROGET, &readOnly) != 0) return Failure{Reason(path_, errno)};
    facts.readOnly = readOnly != 0;
    facts.mountPoint = MountPointOf(status.st_rdev, ReadTextFile(mountTable_));
    return facts;
  }

  bool IsFloppyController() const {
    struct stat status {};
    return ::stat(path_.c_str(), &status) == 0 && S_ISBLK(status.st_mode) &&
           major(status.st_rdev) == kFloppyMajor;
  }

  SectorStatus OpenForReading() {
    if (fd_.valid()) return SectorStatus::Success();
    UniqueFd fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return FailedErrno(path_, errno, false);
    Result<DeviceFacts> facts = FactsOf(fd.get());
    if (!facts) return SectorStatus::Failed(DiskError::GeneralFailure, facts.message());
    if (facts->bytes == 0) return SectorStatus::Failed(DiskError::NotReady, path_ + ": no disk in the drive");
    size_ = facts->bytes;
    fd_ = std::move(fd);
    return SectorStatus::Success();
  }

  // Opens the device for writing only after its size, mounts and read-only
  // flag have been checked on a read-only descriptor, then checks the size
  // again on the writable one: a device that is not a floppy is never opened
  // for writing, and one in use is never opened at all (O_EXCL).
  SectorStatus OpenForWriting() {
    if (fd_.valid() && writable_) return SectorStatus::Success();
    Close();
    UniqueFd probe(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!probe.valid()) return FailedErrno(path_, errno, true);
    Result<DeviceFacts> facts = FactsOf(probe.get());
    if (!facts) return SectorStatus::Failed(DiskError::GeneralFailure, facts.message());
    if (SectorStatus allowed = DeviceWritePolicy(path_, facts.value()); !allowed) return allowed;
    struct stat probed {};
    ::fstat(probe.get(), &probed);
    probe.Reset();

    UniqueFd fd(::open(path_.c_str(), O_RDWR | O_EXCL | O_CLOEXEC));
    if (!fd.valid()) {
      const int error = errno;
      if (error == EBUSY) {
        return SectorStatus::Failed(DiskError::GeneralFailure,
                                    "refusing to write to " + path_ +
                                        ": it is in use (mounted or opened by another program)");
      }
      return FailedErrno(path_, error, true);
    }
    struct stat opened {};
    Result<DeviceFacts> again = FactsOf(fd.get());
    if (::fstat(fd.get(), &opened) != 0 || opened.st_rdev != probed.st_rdev || !again ||
        again->bytes != facts->bytes) {
      return SectorStatus::Failed(DiskError::GeneralFailure,
                                  "refusing to write to " + path_ + ": the device changed while it was opened");
    }
    size_ = facts->bytes;
    fd_ = std::move(fd);
    writable_ = true;
    return SectorStatus::Success();
  }

  int Flush() {
    if (::fsync(fd_.get()) != 0) return errno;
    if (IsFloppyController() && ::ioctl(fd_.get(), FDFLUSH) != 0) return errno;
    return 0;
  }

  std::string path_;
  std::string mountTable_;
  UniqueFd fd_;
  bool writable_ = false;
  uint64_t size_ = 0;
};

// ---------------------------------------------------------------------------

class ImageFileDrive final : public Drive {
 public:
  ImageFileDrive(std::string path, bool createFormatted)
      : path_(std::move(path)), createFormatted_(createFormatted) {}

  const std::string& Path() const override { return path_; }
  DriveKind Kind() const override { return DriveKind::Virtual; }

  Medium Inspect() override {
    struct stat status {};
    if (SectorStatus present = Present(status); !present) {
      const bool empty = present.error() == DiskError::NotReady;
      return {empty ? MediaState::NoDisk : MediaState::Unreadable, 0, present.detail()};
    }
    const uint64_t bytes = static_cast<uint64_t>(status.st_size);
    if (!IsFloppySize(bytes)) return {MediaState::UnknownMedia, bytes, UnknownMedia(bytes)};
    if (WriteProtected(status)) return {MediaState::WriteProtected, bytes, path_ + ": the disk is write-protected"};
    return {MediaState::Ready, bytes, ""};
  }

  void Close() override {
    readFd_.Reset();
    writeFd_.Reset();
  }

  SectorStatus Reset() override {
    Close();
    return SectorStatus::Success();
  }

  Status PrepareForFormat(uint64_t bytes) override {
    Close();
    struct stat status {};
    UniqueFd fd;
    if (::stat(path_.c_str(), &status) != 0) {
      if (errno != ENOENT) return Failure{Reason(path_, errno)};
      if (createFormatted_) {
        std::error_code error;  // the default floppy's folder is ours to make
        std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
      }
      fd = UniqueFd(::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
    } else {
      if (!S_ISREG(status.st_mode)) return Failure{path_ + ": not a disk image file"};
      if (WriteProtected(status)) return Failure{path_ + ": the disk is write-protected"};
      const auto size = static_cast<uint64_t>(status.st_size);
      if (size != 0 && !IsFloppySize(size)) return Failure{UnknownMedia(size) + "; it is not formatted over"};
      fd = UniqueFd(::open(path_.c_str(), O_RDWR | O_CLOEXEC));
    }
    if (!fd.valid()) return Failure{Reason(path_, errno)};
    if (::ftruncate(fd.get(), static_cast<off_t>(bytes)) != 0 || ::fsync(fd.get()) != 0) {
      return Failure{Reason(path_, errno)};
    }
    return Ok();
  }

 protected:
  // The file is looked at when it is opened, as a device is: a save reads
  // one sector per call, and a stat per call would double its system calls.
  SectorStatus DoRead(uint32_t first, uint32_t count, std::span<uint8_t> into) override {
    if (SectorStatus open = OpenForReading(); !open) return open;
    if (!Fits(first, count, readBytes_)) return BeyondEnd(path_, first, count, readBytes_);
    const int error = TransferAll(readFd_.get(), into.first(count * kDriveSectorSize),
                                  uint64_t{first} * kDriveSectorSize, false);
    return error == 0 ? SectorStatus::Success() : FailedErrno(path_, error, false);
  }

  SectorStatus DoWrite(uint32_t first, uint32_t count, std::span<const uint8_t> from) override {
    struct stat status {};
    if (SectorStatus present = Present(status); !present) return present;
    // Checked at every write: the permission bits are the disk's write-protect
    // tab, and root would otherwise write through them.
    if (WriteProtected(status)) {
      return SectorStatus::Failed(DiskError::WriteProtected, path_ + ": the disk is write-protected");
    }
    const auto bytes = static_cast<uint64_t>(status.st_size);
    if (!IsFloppySize(bytes)) return SectorStatus::Failed(DiskError::GeneralFailure, UnknownMedia(bytes));
    if (!Fits(first, count, bytes)) return BeyondEnd(path_, first, count, bytes);
    if (!writeFd_.valid()) {
      writeFd_ = UniqueFd(::open(path_.c_str(), O_RDWR | O_CLOEXEC));
      if (!writeFd_.valid()) return FailedErrno(path_, errno, true);
    }
    std::span<uint8_t> data(const_cast<uint8_t*>(from.data()), count * kDriveSectorSize);
    int error = TransferAll(writeFd_.get(), data, uint64_t{first} * kDriveSectorSize, true);
    // The sectors are on the medium before the write returns, as on a floppy.
    // The file never changes size, so its data is all there is to sync.
    if (error == 0 && ::fdatasync(writeFd_.get()) != 0) error = errno;
    return error == 0 ? SectorStatus::Success() : FailedErrno(path_, error, true);
  }

 private:
  static bool WriteProtected(const struct stat& status) { return (status.st_mode & 0222) == 0; }

  // Opens the file for reading unless it is open, and takes its size then.
  SectorStatus OpenForReading() {
    if (readFd_.valid()) return SectorStatus::Success();
    struct stat status {};
    if (SectorStatus present = Present(status); !present) return present;
    UniqueFd fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return FailedErrno(path_, errno, false);
    if (StatModeAndSize(fd.get(), "", AT_EMPTY_PATH, status) != 0) return FailedErrno(path_, errno, false);
    readBytes_ = static_cast<uint64_t>(status.st_size);
    readFd_ = std::move(fd);
    return SectorStatus::Success();
  }

  std::string UnknownMedia(uint64_t bytes) const {
    return path_ + ": the file is " + std::to_string(bytes) +
           " bytes long, which is not the size of a floppy disk (1474560, 1228800, 737280 or 368640)";
  }

  // Fills `status` for the image file, creating the default disk first where
  // this drive does; a missing file is an empty drive.
  SectorStatus Present(struct stat& status) {
    if (StatModeAndSize(AT_FDCWD, path_.c_str(), 0, status) != 0) {
      const int error = errno;
      if (error != ENOENT || !createFormatted_) {
        if (error == ENOENT) return SectorStatus::Failed(DiskError::NotReady, path_ + ": no disk in the drive (no such file)");
        return FailedErrno(path_, error, false);
      }
      if (Status created = CreateFormatted(); !created) {
        return SectorStatus::Failed(DiskError::GeneralFailure, created.message());
      }
      if (StatModeAndSize(AT_FDCWD, path_.c_str(), 0, status) != 0) return FailedErrno(path_, errno, false);
    }
    if (!S_ISREG(status.st_mode)) {
      return SectorStatus::Failed(DiskError::GeneralFailure, path_ + ": not a disk image file");
    }
    return SectorStatus::Success();
  }

  Status CreateFormatted() {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
    if (error) return Failure{path_ + ": cannot create its folder: " + error.message()};
    VolumeDetails volume;
    volume.serial = static_cast<uint32_t>(std::time(nullptr));
    Result<std::vector<uint8_t>> areas = BuildSystemAreas(*FindFloppyLayout(1440), volume);
    if (!areas) return areas.failure();
    // Written under a scratch name and renamed, so the drive never holds half a disk.
    const std::string scratch = path_ + ".new";
    UniqueFd fd(::open(scratch.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (!fd.valid()) return Failure{Reason(scratch, errno)};
    if (::ftruncate(fd.get(), static_cast<off_t>(kFloppySizes[0])) != 0 ||
        TransferAll(fd.get(), areas.value(), 0, true) != 0 || ::fsync(fd.get()) != 0 ||
        ::rename(scratch.c_str(), path_.c_str()) != 0) {
      const int failed = errno;
      ::unlink(scratch.c_str());
      return Failure{Reason(path_, failed)};
    }
    return Ok();
  }

  std::string path_;
  bool createFormatted_;
  UniqueFd readFd_;
  uint64_t readBytes_ = 0;  // the file's size when readFd_ was opened
  UniqueFd writeFd_;
};

// ---------------------------------------------------------------------------

class FaultInjectingDriveImpl final : public FaultInjectingDrive {
 public:
  explicit FaultInjectingDriveImpl(std::unique_ptr<Drive> inner) : inner_(std::move(inner)) {}

  const std::string& Path() const override { return inner_->Path(); }
  DriveKind Kind() const override { return DriveKind::FaultInjecting; }

  Medium Inspect() override {
    if (empty_) return {MediaState::NoDisk, 0, Path() + ": no disk in the drive"};
    Medium medium = inner_->Inspect();
    if (writeProtected_ && medium.state == MediaState::Ready) {
      medium.state = MediaState::WriteProtected;
      medium.detail = Path() + ": the disk is write-protected";
    }
    return medium;
  }

  void Close() override {
    ++closes_;
    inner_->Close();
  }
  SectorStatus Reset() override {
    ++resets_;
    return inner_->Reset();
  }
  Status PrepareForFormat(uint64_t bytes) override {
    if (empty_) return Failure{Path() + ": no disk in the drive"};
    if (writeProtected_) return Failure{Path() + ": the disk is write-protected"};
    return inner_->PrepareForFormat(bytes);
  }

  void AddFault(const Fault& fault) override { faults_.push_back({fault, false}); }
  void ClearFaults() override { faults_.clear(); }
  void SetWriteProtected(bool on) override { writeProtected_ = on; }
  void SetEmpty(bool on) override { empty_ = on; }
  const std::vector<DriveCall>& Calls() const override { return calls_; }
  int Reads() const override { return Count(Operation::Read); }
  int Writes() const override { return Count(Operation::Write); }
  int Resets() const override { return resets_; }
  int Closes() const override { return closes_; }

 protected:
  SectorStatus DoRead(uint32_t first, uint32_t count, std::span<uint8_t> into) override {
    return Record(Operation::Read, first, count, [&](uint32_t n) { return inner_->Read(first, n, into); });
  }

  SectorStatus DoWrite(uint32_t first, uint32_t count, std::span<const uint8_t> from) override {
    if (writeProtected_ && !empty_) {
      calls_.push_back({Operation::Write, first, count, false});
      return SectorStatus::Failed(DiskError::WriteProtected, Path() + ": the disk is write-protected");
    }
    return Record(Operation::Write, first, count, [&](uint32_t n) { return inner_->Write(first, n, from); });
  }

 private:
  struct Planted {
    Fault fault;
    bool spent;
  };

  // Runs a call through the planted faults: the sectors before the first
  // faulty one go to the inner drive, then the fault answers.
  template <typename Transfer>
  SectorStatus Record(Operation operation, uint32_t first, uint32_t count, Transfer transfer) {
    SectorStatus status = Run(operation, first, count, transfer);
    calls_.push_back({operation, first, count, status.ok()});
    return status;
  }

  template <typename Transfer>
  SectorStatus Run(Operation operation, uint32_t first, uint32_t count, Transfer transfer) {
    if (empty_) return SectorStatus::Failed(DiskError::NotReady, Path() + ": no disk in the drive");
    Planted* hit = nullptr;
    for (Planted& planted : faults_) {
      const Fault& fault = planted.fault;
      if (planted.spent || fault.operation != operation || fault.sector < first ||
          fault.sector >= uint64_t{first} + count) {
        continue;
      }
      if (hit == nullptr || fault.sector < hit->fault.sector) hit = &planted;
    }
    if (hit == nullptr) return transfer(count);
    const uint32_t before = hit->fault.sector - first;
    if (before > 0) {
      if (SectorStatus partial = transfer(before); !partial) return partial;
    }
    if (hit->fault.firstAttemptOnly) hit->spent = true;
    return SectorStatus::Failed(hit->fault.error, Path() + ": planted fault at sector " +
                                                      std::to_string(hit->fault.sector));
  }

  int Count(Operation operation) const {
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                          [&](const DriveCall& call) { return call.operation == operation; }));
  }

  std::unique_ptr<Drive> inner_;
  std::vector<Planted> faults_;
  std::vector<DriveCall> calls_;
  bool writeProtected_ = false;
  bool empty_ = false;
  int resets_ = 0;
  int closes_ = 0;
};

}  // namespace

bool IsFloppySize(uint64_t bytes) {
  return std::find(std::begin(kFloppySizes), std::end(kFloppySizes), bytes) != std::end(kFloppySizes);
}

DiskError ErrorForErrno(int error, bool writing) {
  switch (error) {
    case EROFS:
    case EPERM:
    case EACCES:
      return writing ? DiskError::WriteProtected : DiskError::GeneralFailure;
    case ENOMEDIUM:
    case ENXIO:
    case ENOENT:
      return DiskError::NotReady;
    case EIO:
      return writing ? DiskError::WriteFault : DiskError::ReadFault;
    case ENOSPC:
      return DiskError::SectorNotFound;
    default:
      return DiskError::GeneralFailure;
  }
}

std::string_view DriveKindName(DriveKind kind) {
  switch (kind) {
    case DriveKind::Device: return "device";
    case DriveKind::Virtual: return "virtual";
    case DriveKind::FaultInjecting: return "fault-injecting";
  }
  return "";
}

std::string_view MediaStateName(MediaState state) {
  switch (state) {
    case MediaState::Ready: return "ready";
    case MediaState::WriteProtected: return "write-protected";
    case MediaState::NoDisk: return "no disk";
    case MediaState::UnknownMedia: return "unknown media";
    case MediaState::Unreadable: return "unreadable";
  }
  return "";
}

SectorStatus Drive::Read(uint32_t first, uint32_t count, std::span<uint8_t> into) {
  if (count == 0 || count > kMaxSectorsPerCall || into.size() < count * kDriveSectorSize) {
    return SectorStatus::Failed(DiskError::GeneralFailure,
                                Path() + ": a call reads 1 to 100 sectors into room for them, not " +
                                    std::to_string(count));
  }
  return DoRead(first, count, into);
}

SectorStatus Drive::Write(uint32_t first, uint32_t count, std::span<const uint8_t> from) {
  if (count == 0 || count > kMaxSectorsPerCall || from.size() < count * kDriveSectorSize) {
    return SectorStatus::Failed(DiskError::GeneralFailure,
                                Path() + ": a call writes 1 to 100 sectors from room for them, not " +
                                    std::to_string(count));
  }
  return DoWrite(first, count, from);
}

SectorStatus DeviceWritePolicy(const std::string& path, const DeviceFacts& facts) {
  if (facts.bytes == 0) return SectorStatus::Failed(DiskError::NotReady, path + ": no disk in the drive");
  if (!IsFloppySize(facts.bytes)) {
    return SectorStatus::Failed(DiskError::GeneralFailure,
                                "refusing to write to " + path + ": it holds " + std::to_string(facts.bytes) +
                                    " bytes, which is not the size of a floppy disk (1474560, 1228800, "
                                    "737280 or 368640)");
  }
  if (!facts.mountPoint.empty()) {
    return SectorStatus::Failed(DiskError::GeneralFailure,
                                "refusing to write to " + path + ": it is mounted on " + facts.mountPoint);
  }
  if (facts.readOnly) return SectorStatus::Failed(DiskError::WriteProtected, path + ": the disk is write-protected");
  return SectorStatus::Success();
}

std::string MountPointOf(uint64_t device, std::string_view mountInfo) {
  // A mountinfo line: id, parent id, major:minor, root, mount point, ...
  const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::istringstream lines{std::string(mountInfo)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string id, parent, numbers, root, mountPoint;
    if (fields >> id >> parent >> numbers >> root >> mountPoint && numbers == wanted) return mountPoint;
  }
  return "";
}

std::unique_ptr<Drive> MakeBlockDeviceDrive(std::string path, std::string mountTable) {
  return std::make_unique<BlockDeviceDrive>(std::move(path), std::move(mountTable));
}

std::unique_ptr<Drive> MakeImageFileDrive(std::string path, bool createFormatted) {
  return std::make_unique<ImageFileDrive>(std::move(path), createFormatted);
}

std::unique_ptr<FaultInjectingDrive> MakeFaultInjectingDrive(std::unique_ptr<Drive> inner) {
  return std::make_unique<FaultInjectingDriveImpl>(std::move(inner));
}

}  // namespace vornak::platform
