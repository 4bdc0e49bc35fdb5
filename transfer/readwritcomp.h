#pragma once

// The sector layer of the transfer engine: absolute reads and writes of
// 512-byte sectors of drive A: or B: by logical sector number, and the disk
// reset, through the disk device and one register block per call. Every read
// lands in SectorBuffer and every write is taken from it, from its first byte.
//
// The disk device answers three control codes: absolute read (INT 25h),
// absolute write (INT 26h) and BIOS disk services (INT 13h). It serves the
// drives of a drive table: the system's, or one a caller puts in its place.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "image/imageformat.h"
#include "platform/dialogs.h"
#include "platform/drivetable.h"
#include "platform/files.h"

namespace vornak {

inline constexpr int32_t kSectorBufferSectors = 100;
inline constexpr std::size_t kSectorBufferSize = 51200;

// The one transfer buffer of the program: 100 sectors. A read of n sectors
// fills its first n x 512 bytes and leaves the rest as it was.
extern std::array<uint8_t, kSectorBufferSize> SectorBuffer;

// The DOS critical-error code of the last failed read and of the last failed
// write; a successful call leaves them alone. Both start at 0.
extern int32_t ReadErrorCode;
extern int32_t WriteErrorCode;

// The register block exchanged with the disk device: seven 32-bit registers.
// The same block goes in and comes back with the registers as the service
// left them.
struct DIOC_REGISTERS {
  uint32_t reg_EBX = 0;
  uint32_t reg_EDX = 0;
  uint32_t reg_ECX = 0;
  uint32_t reg_EAX = 0;
  uint32_t reg_EDI = 0;
  uint32_t reg_ESI = 0;
  uint32_t reg_Flags = 0;

  bool operator==(const DIOC_REGISTERS&) const = default;
};

inline constexpr uint32_t VWIN32_DIOC_DOS_INT25 = 2;  // absolute disk read
inline constexpr uint32_t VWIN32_DIOC_DOS_INT26 = 3;  // absolute disk write
inline constexpr uint32_t VWIN32_DIOC_DOS_INT13 = 4;  // BIOS disk services
inline constexpr uint32_t kCarryFlag = 1;             // set: the call failed

// reg_EBX names the transfer buffer. A 64-bit address does not fit a 32-bit
// register, so the device knows its buffers by token instead: this one is
// SectorBuffer, the only buffer it transfers to or from.
inline constexpr uint32_t kSectorBufferToken = 0x00005EC0;

// A handle on the disk device.
struct DiskHandle {
  uint32_t id = 0;
  bool operator==(const DiskHandle&) const = default;
};

// Opens the disk device. Every handle is closed with CloseHandle; when the
// last one closes, the drives let go of their devices and image files.
DiskHandle OpenDiskDevice();
void CloseHandle(DiskHandle handle);

// Carries out one service of the disk device on `registers`. False when the
// service did not run at all (a handle that is not open, an unknown code);
// then the block carries no error code. A service that ran and failed
// returns true with the carry flag set and the DOS error code in AL (the
// BIOS status in AH).
bool DeviceIoControl(DiskHandle handle, uint32_t controlCode, DIOC_REGISTERS& registers);

// Reads `count` sectors (1 to 100) from logical sector `first` of drive
// `drive` (0 = A:, 1 = B:) into SectorBuffer. False on failure, with the
// code in ReadErrorCode.
bool ReadSectors(int32_t drive, int32_t count, int32_t first, DiskHandle handle);
// Writes the first count x 512 bytes of SectorBuffer from logical sector
// `first` on. False on failure, with the code in WriteErrorCode.
bool WriteSectors(int32_t drive, int32_t count, int32_t first, DiskHandle handle);
// Resets the disk system (BIOS reset of floppy drive 0, which resets the
// controller of both drives) on a handle of its own. No caller needs the result.
bool ResetDiskSystem();

// The recovery after a failed transfer call, the same for saving and
// restoring: close the transfer's handle, reset the disk system, and open a
// new handle in its place.
void RecoverDiskDevice(DiskHandle& handle);

// The reason for the last failed device call in words ("/dev/fd0: Input/output
// error"), for logs and vnk; the engine acts only on the codes.
const std::string& LastDiskErrorDetail();

// Puts `table` behind the disk device while it lives (tests, and the engine's
// tests with a fault-injecting drive), then puts back the one before.
class ScopedDriveTable {
 public:
  explicit ScopedDriveTable(platform::DriveTable& table);
  ~ScopedDriveTable();
  ScopedDriveTable(const ScopedDriveTable&) = delete;
  ScopedDriveTable& operator=(const ScopedDriveTable&) = delete;

 private:
  platform::DriveTable* previous_;
};

// Sees every device call: the control code, the block as it went in and as
// it came back. Empty: no one watches.
using DeviceTrace = std::function<void(uint32_t controlCode, const DIOC_REGISTERS& in,
                                       const DIOC_REGISTERS& out)>;
void SetDeviceTrace(DeviceTrace trace);

// What a running save or restore reaches of the program around it: the
// progress dialog, the output area, the "Include Description" check mark, the
// message boxes, and the application's processing of pending window
// messages. The window, vnk and the tests each give their own.
class TransferHost {
 public:
  virtual ~TransferHost() = default;

  // The progress dialog: its bar's range (from 0) and position, the caption
  // of its percentage label, and showing it (modeless, Cancel focused).
  virtual void SetProgressRange(int maximum) = 0;
  virtual void SetProgressPosition(int position) = 0;
  virtual void SetPercentCaption(const std::string& caption) = 0;
  virtual void ShowProgress() = 0;

  // The output area, where bad sectors are reported.
  virtual void ClearOutput() = 0;
  virtual void AppendOutput(const std::string& line) = 0;

  // Whether the save appends the description.
  virtual bool IncludeDescription() = 0;

  virtual platform::Dialogs& Dialogs() = 0;
  virtual void ProcessMessages() = 0;
};

// The messages of the save and the restore.
inline constexpr std::string_view kTerminateImageCopy = "Terminate Image Copy ?";
inline constexpr std::string_view kTerminateImageRestore = "Terminate Image Restore ?";
inline constexpr std::string_view kTerminateVerify = "Terminate the comparison ?";
inline constexpr std::string_view kBadSectorLine = "Bad sector Num.  ";
inline constexpr std::string_view kBadSectorSummaryStart = "Source contained ";
inline constexpr std::string_view kBadSectorSummaryEnd = " bad sectors.";
inline constexpr std::string_view kDiskWriteProtected = "Disk is write protected.";
inline constexpr std::string_view kErrorWritingToDisk = "ERROR writing to disk.";

// Reads every sector of drive `drive` (0 = A:, 1 = B:) one at a time, going
// on past sectors that cannot be read, and writes the image file `fileName`
// from `diskHeader` (whose SectorCount and Compressed it rewrites). The file
// is replaced only once it is complete: a cancelled save or one that cannot
// write leaves any file of that name as it was. Returns false only when the
// disk's buffer cannot be allocated.
bool SaveDiskImage(TransferHost& host, int32_t drive, ImageHeader& diskHeader,
                   const std::string& fileName, const std::string& description,
                   platform::FileSystem& fs = platform::RealFileSystem());

// Writes the image file `fileName` onto drive `drive` in chunks of 100
// sectors, after checking that it holds a sound image of the format of the
// disk in the drive (`diskHeader`'s FormatCode). Returns false when it stops
// before writing anything; true once the transfer ran, even when cancelled or
// failed.
bool RestoreDiskImage(TransferHost& host, int32_t drive, const ImageHeader& diskHeader,
                      const std::string& fileName);

// A sector whose bytes on the disk are not the image's.
struct SectorMismatch {
  int32_t sector = 0;
  bool unreadable = false;  // the sector could not be read at all

  bool operator==(const SectorMismatch&) const = default;
};

// Reads drive `drive` back, 100 sectors at a time (a chunk that cannot be
// read is read again one sector at a time), and compares every sector with
// `sectors`. Shows progress through `host` and stops when CancelRequested is
// raised and the user confirms.
std::vector<SectorMismatch> VerifyDiskImage(TransferHost& host, int32_t drive,
                                            std::span<const uint8_t> sectors);

}  // namespace vornak
