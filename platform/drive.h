#pragma once

// A floppy drive as the sector services see it: 512-byte sectors addressed by
// logical sector number, read and written up to 100 at a time, with the
// answers a DOS critical-error handler would get. Three kinds stand behind the
// one interface: a floppy block device, a raw image file used as a virtual
// drive, and a fault-injecting drive that tests put in front of either.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace vornak::platform {

inline constexpr std::size_t kDriveSectorSize = 512;
inline constexpr uint32_t kMaxSectorsPerCall = 100;

// The byte sizes of the four floppy formats: 1.44 MB, 1.2 MB, 720 KB, 360 KB.
inline constexpr uint64_t kFloppySizes[] = {1474560, 1228800, 737280, 368640};
bool IsFloppySize(uint64_t bytes);

// DOS critical-error codes, as the absolute disk read and write report them.
enum class DiskError : uint8_t {
  WriteProtected = 0,
  NotReady = 2,
  SectorNotFound = 8,  // beyond the end of the medium
  WriteFault = 10,
  ReadFault = 11,
  GeneralFailure = 12,
};

// The outcome of one sector call: success, or a critical error with the
// reason in words (for vnk and the logs; the engine looks only at the code).
class [[nodiscard]] SectorStatus {
 public:
  static SectorStatus Success() { return SectorStatus(); }
  static SectorStatus Failed(DiskError error, std::string detail) {
    return SectorStatus(error, std::move(detail));
  }

  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  DiskError error() const { return error_; }
  int code() const { return static_cast<int>(error_); }
  const std::string& detail() const { return detail_; }

 private:
  SectorStatus() = default;
  SectorStatus(DiskError error, std::string detail)
      : ok_(false), error_(error), detail_(std::move(detail)) {}

  bool ok_ = true;
  DiskError error_ = DiskError::GeneralFailure;
  std::string detail_;
};

// The critical error a failed system call stands for, reading or writing.
DiskError ErrorForErrno(int error, bool writing);

enum class DriveKind { Device, Virtual, FaultInjecting };
std::string_view DriveKindName(DriveKind kind);  // "device", "virtual", "fault-injecting"

enum class MediaState {
  Ready,           // a disk of one of the four sizes, writable
  WriteProtected,  // a disk of one of the four sizes that refuses writes
  NoDisk,          // the drive is empty (not ready)
  UnknownMedia,    // something of another size: read only, never written or formatted
  Unreadable,      // the drive answers with an error
};
std::string_view MediaStateName(MediaState state);

// The state of the medium with the reason where it is not Ready.
struct Medium {
  MediaState state = MediaState::NoDisk;
  uint64_t bytes = 0;  // the size of what is in the drive; 0 when nothing is
  std::string detail;
};

class Drive {
 public:
  virtual ~Drive() = default;

  // The device or image file behind the drive.
  virtual const std::string& Path() const = 0;
  virtual DriveKind Kind() const = 0;
  virtual Medium Inspect() = 0;

  // Reads sectors first .. first + count - 1 into the first count x 512 bytes
  // of `into`; 1 <= count <= 100. A failed read may have filled part of `into`.
  SectorStatus Read(uint32_t first, uint32_t count, std::span<uint8_t> into);
  // Writes the first count x 512 bytes of `from`; the data is on the medium
  // when the call returns, so a failure belongs to this call.
  SectorStatus Write(uint32_t first, uint32_t count, std::span<const uint8_t> from);

  // Lets go of what backs the drive; the next call opens it again.
  virtual void Close() = 0;
  // Closes, and on a floppy controller resets it.
  virtual SectorStatus Reset() = 0;

  // Makes the medium hold a disk of exactly `bytes` bytes, ready to be
  // written from sector 0 (formatting): a virtual drive creates or resizes
  // its file; a device must already hold a disk of that size. Refuses what
  // must not be written, naming the device and the reason.
  virtual Status PrepareForFormat(uint64_t bytes) = 0;

 protected:
  virtual SectorStatus DoRead(uint32_t first, uint32_t count, std::span<uint8_t> into) = 0;
  virtual SectorStatus DoWrite(uint32_t first, uint32_t count, std::span<const uint8_t> from) = 0;
};

// What decides whether a block device may be opened for writing.
struct DeviceFacts {
  uint64_t bytes = 0;      // the size of the medium; 0 when there is none
  bool readOnly = false;   // the kernel's read-only flag (a write-protected disk)
  std::string mountPoint;  // where it is mounted; empty when it is not
};

// Success when the device at `path` may be written; otherwise the code and
// the refusal, which names the device and the reason. Only an empty drive, a
// floppy-sized medium, and an unmounted device get past this.
SectorStatus DeviceWritePolicy(const std::string& path, const DeviceFacts& facts);

// Where the device numbered `device` (major:minor) is mounted according to
// the mountinfo text `mountInfo`; empty when it is not.
std::string MountPointOf(uint64_t device, std::string_view mountInfo);

// A floppy block device (/dev/fd0, a USB floppy, a loop device in tests).
// Never opened for writing unless it holds a floppy-sized medium and is not
// mounted; `mountTable` is the mountinfo file consulted.
std::unique_ptr<Drive> MakeBlockDeviceDrive(std::string path,
                                            std::string mountTable = "/proc/self/mountinfo");

// A raw image file used as a virtual drive. A missing file is an empty
// drive; with `createFormatted`, a missing file is created as a freshly
// formatted 1.44 MB disk (with its folders) the first time it is needed.
std::unique_ptr<Drive> MakeImageFileDrive(std::string path, bool createFormatted = false);

// A failure planted in a fault-injecting drive.
enum class Operation { Read, Write };
struct Fault {
  Operation operation = Operation::Read;
  uint32_t sector = 0;
  DiskError error = DiskError::ReadFault;
  bool firstAttemptOnly = false;  // fail once, then behave
};

// One call that reached a fault-injecting drive.
struct DriveCall {
  Operation operation;
  uint32_t first;
  uint32_t count;
  bool ok;

  bool operator==(const DriveCall&) const = default;
};

// A drive in front of another that fails chosen sectors with chosen codes and
// counts what it is asked. A call that meets a faulty sector transfers the
// sectors before it, as a drive that stops at the bad sector does.
class FaultInjectingDrive : public Drive {
 public:
  virtual void AddFault(const Fault& fault) = 0;
  virtual void ClearFaults() = 0;
  // While on, writes fail with code 0 and change nothing.
  virtual void SetWriteProtected(bool on) = 0;
  // While on, the drive is empty: every call fails with code 2.
  virtual void SetEmpty(bool on) = 0;

  virtual const std::vector<DriveCall>& Calls() const = 0;
  virtual int Reads() const = 0;
  virtual int Writes() const = 0;
  virtual int Resets() const = 0;
  virtual int Closes() const = 0;
};

std::unique_ptr<FaultInjectingDrive> MakeFaultInjectingDrive(std::unique_ptr<Drive> inner);

}  // namespace vornak::platform
