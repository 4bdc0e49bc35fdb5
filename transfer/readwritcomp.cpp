#include "transfer/readwritcomp.h"

#include <set>

namespace vornak {

std::array<uint8_t, kSectorBufferSize> SectorBuffer{};
int32_t ReadErrorCode = 0;
int32_t WriteErrorCode = 0;

namespace {

using platform::DiskError;
using platform::Drive;
using platform::SectorStatus;

constexpr uint32_t kLowFourBits = 0x0F;
constexpr uint8_t kBiosReset = 0x00;       // AH of INT 13h: reset disk system
constexpr uint8_t kFirstHardDisk = 0x80;   // DL from here on names hard disks
constexpr uint8_t kBiosBadCommand = 0x01;  // AH after a service it does not offer

// The state of the disk device: its open handles and the table it serves.
struct DiskDevice {
  platform::DriveTable* table = nullptr;  // null: the system's
  std::set<uint32_t> open;
  uint32_t nextId = 1;
  DeviceTrace trace;
  std::string lastError;

  platform::DriveTable& Table() { return table != nullptr ? *table : platform::SystemDriveTable(); }
};

DiskDevice& Device() {
  static DiskDevice device;
  return device;
}

// The BIOS status a service leaves in AH beside the DOS code in AL.
uint8_t BiosStatus(DiskError error) {
  switch (error) {
    case DiskError::WriteProtected: return 0x03;
    case DiskError::NotReady: return 0x80;        // the drive did not answer
    case DiskError::SectorNotFound: return 0x04;
    case DiskError::ReadFault: return 0x10;       // bad CRC
    case DiskError::WriteFault: return 0x20;      // controller failure
    case DiskError::GeneralFailure: return 0x20;
  }
  return 0x20;
}

void SetResult(DIOC_REGISTERS& registers, const SectorStatus& status) {
  if (status) {
    registers.reg_Flags &= ~kCarryFlag;
    return;
  }
  Device().lastError = status.detail();
  registers.reg_EAX = (registers.reg_EAX & 0xFFFF0000u) | uint32_t{BiosStatus(status.error())} << 8 |
                      static_cast<uint32_t>(status.code());
  registers.reg_Flags |= kCarryFlag;
}

// INT 25h and INT 26h: AL the drive, ECX the count, EDX the first sector,
// EBX the buffer.
SectorStatus AbsoluteTransfer(const DIOC_REGISTERS& registers, bool writing) {
  const uint32_t driveIndex = registers.reg_EAX & 0xFF;
  const uint32_t count = registers.reg_ECX;
  const uint32_t first = registers.reg_EDX;
  if (registers.reg_EBX != kSectorBufferToken) {
    return SectorStatus::Failed(DiskError::GeneralFailure, "the register block names no known transfer buffer");
  }
  if (count == 0 || count > static_cast<uint32_t>(kSectorBufferSectors)) {
    return SectorStatus::Failed(DiskError::GeneralFailure,
                                "a call moves 1 to 100 sectors, not " + std::to_string(count));
  }
  Drive* drive = Device().Table().At(static_cast<int>(driveIndex));
  if (drive == nullptr) {
    return SectorStatus::Failed(DiskError::GeneralFailure,
                                "there is no drive " + std::to_string(driveIndex) + " in the drive table");
  }
  return writing ? drive->Write(first, count, SectorBuffer) : drive->Read(first, count, SectorBuffer);
}

// INT 13h: only the reset (AH 0) of a floppy drive (DL below 80h).
void BiosDiskService(DIOC_REGISTERS& registers) {
  const uint8_t function = static_cast<uint8_t>(registers.reg_EAX >> 8);
  const uint8_t unit = static_cast<uint8_t>(registers.reg_EDX);
  if (function != kBiosReset || unit >= kFirstHardDisk) {
    Device().lastError = "the disk device offers only the reset of the floppy drives";
    registers.reg_EAX = (registers.reg_EAX & 0xFFFF00FFu) | uint32_t{kBiosBadCommand} << 8;
    registers.reg_Flags |= kCarryFlag;
    return;
  }
  SectorStatus reset = Device().Table().ResetAll();
  if (reset) {
    registers.reg_EAX &= 0xFFFF00FFu;  // AH 0: done
    registers.reg_Flags &= ~kCarryFlag;
  } else {
    Device().lastError = reset.detail();
    registers.reg_EAX = (registers.reg_EAX & 0xFFFF00FFu) | uint32_t{BiosStatus(reset.error())} << 8;
    registers.reg_Flags |= kCarryFlag;
  }
}

// One absolute read or write through the device; the code of a failure goes
// to `errorCode`.
bool AbsoluteCall(uint32_t controlCode, int32_t drive, int32_t count, int32_t first, DiskHandle handle,
                  int32_t& errorCode) {
  DIOC_REGISTERS registers;
  registers.reg_EBX = kSectorBufferToken;
  registers.reg_EDX = static_cast<uint32_t>(first);
  registers.reg_ECX = static_cast<uint32_t>(count);
  registers.reg_EAX = static_cast<uint32_t>(drive);
  registers.reg_Flags = kCarryFlag;  // a call the device does not carry out reads as failed
  if (!DeviceIoControl(handle, controlCode, registers)) {
    // The service never ran: AL still holds the drive number, which must not
    // pass for an error code (drive A: would read as "write-protected").
    errorCode = static_cast<int32_t>(DiskError::GeneralFailure);
    return false;
  }
  if (registers.reg_Flags & kCarryFlag) {
    errorCode = static_cast<int32_t>(registers.reg_EAX & kLowFourBits);
    return false;
  }
  return true;
}

}  // namespace

DiskHandle OpenDiskDevice() {
  DiskDevice& device = Device();
  const uint32_t id = device.nextId++;
  if (device.nextId == 0) device.nextId = 1;
  device.open.insert(id);
  return DiskHandle{id};
}

void CloseHandle(DiskHandle handle) {
  DiskDevice& device = Device();
  if (device.open.erase(handle.id) != 0 && device.open.empty()) device.Table().CloseAll();
}

bool DeviceIoControl(DiskHandle handle, uint32_t controlCode, DIOC_REGISTERS& registers) {
  DiskDevice& device = Device();
  const DIOC_REGISTERS in = registers;
  bool ran = device.open.count(handle.id) != 0;
  if (!ran) {
    device.lastError = "the disk device handle is not open";
  } else if (controlCode == VWIN32_DIOC_DOS_INT25 || controlCode == VWIN32_DIOC_DOS_INT26) {
    SetResult(registers, AbsoluteTransfer(registers, controlCode == VWIN32_DIOC_DOS_INT26));
  } else if (controlCode == VWIN32_DIOC_DOS_INT13) {
    BiosDiskService(registers);
  } else {
    device.lastError = "the disk device has no control code " + std::to_string(controlCode);
    ran = false;
  }
  if (device.trace) device.trace(controlCode, in, registers);
  return ran;
}

bool ReadSectors(int32_t drive, int32_t count, int32_t first, DiskHandle handle) {
  return AbsoluteCall(VWIN32_DIOC_DOS_INT25, drive, count, first, handle, ReadErrorCode);
}

bool WriteSectors(int32_t drive, int32_t count, int32_t first, DiskHandle handle) {
  return AbsoluteCall(VWIN32_DIOC_DOS_INT26, drive, count, first, handle, WriteErrorCode);
}

bool ResetDiskSystem() {
  const DiskHandle handle = OpenDiskDevice();
  DIOC_REGISTERS registers;
  registers.reg_EDX = 0;  // DL 0: the first floppy drive, whichever drive the transfer uses
  registers.reg_EAX = 0;  // AH 0: reset disk system
  registers.reg_Flags = kCarryFlag;
  const bool ran = DeviceIoControl(handle, VWIN32_DIOC_DOS_INT13, registers);
  CloseHandle(handle);
  return ran && !(registers.reg_Flags & kCarryFlag);
}

void RecoverDiskDevice(DiskHandle& handle) {
  CloseHandle(handle);
  ResetDiskSystem();
  handle = OpenDiskDevice();
}

const std::string& LastDiskErrorDetail() { return Device().lastError; }

ScopedDriveTable::ScopedDriveTable(platform::DriveTable& table) : previous_(Device().table) {
  Device().table = &table;
}

ScopedDriveTable::~ScopedDriveTable() { Device().table = previous_; }

void SetDeviceTrace(DeviceTrace trace) { Device().trace = std::move(trace); }

}  // namespace vornak
