// The sector layer: SectorBuffer, the register block of each call, the error
// codes, the reset and the recovery sequence, over a drive table of
// fault-injecting drives in front of image files.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/drive.h"
#include "platform/drivetable.h"
#include "tests/support/fixtures.h"
#include "transfer/readwritcomp.h"

namespace vornak {
namespace {

using platform::DiskError;
using platform::Fault;
using platform::Operation;
using test::Bytes;

constexpr std::size_t kSector = 512;

struct DeviceCall {
  uint32_t code;
  DIOC_REGISTERS in;
  DIOC_REGISTERS out;
};

class SectorLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 2; ++i) {
      paths_[i] = dir_.File(i == 0 ? "a.img" : "b.img");
      disks_[i] = test::RandomBytes(i == 0 ? 1474560 : 737280, 40 + i);
      test::WriteBytes(paths_[i], disks_[i]);
      auto drive = platform::MakeFaultInjectingDrive(platform::MakeImageFileDrive(paths_[i]));
      drives_[i] = drive.get();
      table_.Install(i, std::move(drive));
    }
    scoped_ = std::make_unique<ScopedDriveTable>(table_);
    SetDeviceTrace([this](uint32_t code, const DIOC_REGISTERS& in, const DIOC_REGISTERS& out) {
      calls_.push_back({code, in, out});
    });
    SectorBuffer.fill(0xCC);
    ReadErrorCode = -1;
    WriteErrorCode = -1;
    handle_ = OpenDiskDevice();
  }
  void TearDown() override {
    CloseHandle(handle_);
    SetDeviceTrace(nullptr);
  }

  Bytes Buffer(std::size_t from, std::size_t to) const {
    return Bytes(SectorBuffer.begin() + static_cast<std::ptrdiff_t>(from), SectorBuffer.begin() + static_cast<std::ptrdiff_t>(to));
  }
  Bytes DiskSectors(int drive, std::size_t first, std::size_t count) const {
    return Bytes(disks_[drive].begin() + static_cast<std::ptrdiff_t>(first * kSector),
                 disks_[drive].begin() + static_cast<std::ptrdiff_t>((first + count) * kSector));
  }

  test::TempDir dir_;
  std::string paths_[2];
  Bytes disks_[2];
  platform::FaultInjectingDrive* drives_[2] = {};
  platform::DriveTable table_;
  std::unique_ptr<ScopedDriveTable> scoped_;
  std::vector<DeviceCall> calls_;
  DiskHandle handle_;
};

TEST_F(SectorLayer, AReadFillsOnlyTheStartOfSectorBuffer) {
  ASSERT_TRUE(ReadSectors(0, 1, 5, handle_));
  EXPECT_EQ(Buffer(0, 512), DiskSectors(0, 5, 1));
  EXPECT_EQ(Buffer(512, kSectorBufferSize), Bytes(kSectorBufferSize - 512, 0xCC));

  ASSERT_TRUE(ReadSectors(1, 100, 1340, handle_));
  EXPECT_EQ(Buffer(0, kSectorBufferSize), DiskSectors(1, 1340, 100));
  EXPECT_EQ(ReadErrorCode, -1) << "success touches no error code";
}

TEST_F(SectorLayer, AFailedReadLeavesSectorBufferAsTheDriveLeftIt) {
  drives_[0]->AddFault({Operation::Read, 3, DiskError::ReadFault, false});
  EXPECT_FALSE(ReadSectors(0, 1, 3, handle_));
  EXPECT_EQ(Buffer(0, kSectorBufferSize), Bytes(kSectorBufferSize, 0xCC)) << "nothing clears it";
  EXPECT_FALSE(ReadSectors(0, 10, 0, handle_));
  EXPECT_EQ(Buffer(0, 3 * 512), DiskSectors(0, 0, 3)) << "the sectors before the bad one arrived";
  EXPECT_EQ(Buffer(3 * 512, kSectorBufferSize), Bytes(kSectorBufferSize - 3 * 512, 0xCC));
  EXPECT_EQ(ReadErrorCode, 11);
}

TEST_F(SectorLayer, AWriteSendsExactlyItsSectorsOfSectorBuffer) {
  struct Case {
    int drive;
    int32_t count;
    int32_t first;
  };
  const Case cases[] = {{0, 100, 0}, {0, 80, 2800}, {1, 40, 1400}, {1, 1, 719}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.count) + " sectors at " + std::to_string(c.first));
    const Bytes data = test::RandomBytes(kSectorBufferSize, static_cast<uint32_t>(c.first + c.count));
    std::copy(data.begin(), data.end(), SectorBuffer.begin());
    ASSERT_TRUE(WriteSectors(c.drive, c.count, c.first, handle_));
    Bytes& expected = disks_[c.drive];
    std::copy(data.begin(), data.begin() + c.count * static_cast<std::ptrdiff_t>(kSector),
              expected.begin() + c.first * static_cast<std::ptrdiff_t>(kSector));
    EXPECT_EQ(test::ReadBytes(paths_[c.drive]), expected);
  }
  EXPECT_EQ(WriteErrorCode, -1);
}

TEST_F(SectorLayer, TheRegisterBlockCarriesEachCallAsTheDeviceExpectsIt) {
  ASSERT_TRUE(ReadSectors(1, 7, 42, handle_));
  ASSERT_TRUE(WriteSectors(1, 7, 42, handle_));
  ASSERT_TRUE(ResetDiskSystem());
  ASSERT_EQ(calls_.size(), 3u);
  const DIOC_REGISTERS transfer{kSectorBufferToken, 42, 7, 1, 0, 0, kCarryFlag};
  EXPECT_EQ(calls_[0].code, VWIN32_DIOC_DOS_INT25);
  EXPECT_EQ(calls_[0].in, transfer);
  EXPECT_EQ(calls_[1].code, VWIN32_DIOC_DOS_INT26);
  EXPECT_EQ(calls_[1].in, transfer);
  // The reset addresses floppy drive 0 (DL = 0) although the transfer uses B:.
  EXPECT_EQ(calls_[2].code, VWIN32_DIOC_DOS_INT13);
  EXPECT_EQ(calls_[2].in, (DIOC_REGISTERS{0, 0, 0, 0, 0, 0, kCarryFlag}));
  for (const DeviceCall& call : calls_) EXPECT_EQ(call.out.reg_Flags & kCarryFlag, 0u);
  EXPECT_EQ(drives_[0]->Resets(), 1) << "the reset resets the controller of both drives";
  EXPECT_EQ(drives_[1]->Resets(), 1);
}

TEST_F(SectorLayer, TheCodeIsTheLowFourBitsOfAlWhateverAhHolds) {
  struct Case {
    DiskError error;
    Operation operation;
    int32_t code;
  };
  const Case cases[] = {
      {DiskError::WriteProtected, Operation::Write, 0}, {DiskError::NotReady, Operation::Read, 2},
      {DiskError::SectorNotFound, Operation::Read, 8},  {DiskError::WriteFault, Operation::Write, 10},
      {DiskError::ReadFault, Operation::Read, 11},      {DiskError::GeneralFailure, Operation::Write, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    drives_[0]->ClearFaults();
    drives_[0]->AddFault({c.operation, 9, c.error, false});
    calls_.clear();
    const bool ok = c.operation == Operation::Read ? ReadSectors(0, 1, 9, handle_) : WriteSectors(0, 1, 9, handle_);
    EXPECT_FALSE(ok);
    EXPECT_EQ(c.operation == Operation::Read ? ReadErrorCode : WriteErrorCode, c.code);
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].out.reg_Flags & kCarryFlag, kCarryFlag);
    EXPECT_EQ(calls_[0].out.reg_EAX & 0xFF, static_cast<uint32_t>(c.code));
    EXPECT_NE(calls_[0].out.reg_EAX & 0xFF00, 0u) << "AH holds the BIOS status and stays out of the code";
  }
  EXPECT_FALSE(LastDiskErrorDetail().empty());
}

TEST_F(SectorLayer, EachCodeHoldsItsLastFailureUntilTheNext) {
  drives_[0]->AddFault({Operation::Read, 17, DiskError::ReadFault, true});
  drives_[0]->SetWriteProtected(true);
  EXPECT_FALSE(ReadSectors(0, 1, 17, handle_));
  EXPECT_EQ(ReadErrorCode, 11);
  EXPECT_TRUE(ReadSectors(0, 1, 17, handle_));
  EXPECT_EQ(ReadErrorCode, 11) << "a successful read keeps the code of the previous failure";
  EXPECT_FALSE(WriteSectors(0, 1, 0, handle_));
  EXPECT_EQ(WriteErrorCode, 0) << "write-protected";
  EXPECT_EQ(ReadErrorCode, 11) << "a failed write leaves the read code alone";
  EXPECT_EQ(test::ReadBytes(paths_[0]), disks_[0]) << "a write-protected disk is not changed";
}

TEST_F(SectorLayer, CallsTheDeviceCannotCarryOutFailWithTheirOwnCodes) {
  struct Case {
    const char* name;
    int32_t drive;
    int32_t count;
    int32_t first;
    int32_t code;
  };
  const Case cases[] = {
      {"no sectors", 0, 0, 0, 12},
      {"more than SectorBuffer holds", 0, 101, 0, 12},
      {"a negative count", 0, -1, 0, 12},
      {"past the end of the disk", 1, 1, 1440, 8},
      {"a negative first sector", 0, 1, -1, 8},
      {"a drive the table does not have", 2, 1, 0, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadSectors(c.drive, c.count, c.first, handle_));
    EXPECT_EQ(ReadErrorCode, c.code);
    EXPECT_FALSE(WriteSectors(c.drive, c.count, c.first, handle_));
    EXPECT_EQ(WriteErrorCode, c.code);
  }
  DIOC_REGISTERS foreignBuffer{0x12345678, 0, 1, 0, 0, 0, kCarryFlag};
  EXPECT_TRUE(DeviceIoControl(handle_, VWIN32_DIOC_DOS_INT25, foreignBuffer));
  EXPECT_EQ(foreignBuffer.reg_Flags & kCarryFlag, kCarryFlag) << "only SectorBuffer is transferred to";
  DIOC_REGISTERS hardDisk{0, 0x80, 0, 0, 0, 0, kCarryFlag};
  EXPECT_TRUE(DeviceIoControl(handle_, VWIN32_DIOC_DOS_INT13, hardDisk));
  EXPECT_EQ(hardDisk.reg_Flags & kCarryFlag, kCarryFlag) << "the reset is for floppy drives only";
  DIOC_REGISTERS unknown{};
  EXPECT_FALSE(DeviceIoControl(handle_, 7, unknown));
}

TEST_F(SectorLayer, AServiceThatNeverRanIsAGeneralFailureNotTheDriveNumber) {
  // With a handle that is not open the service does not run, and AL still
  // holds the drive number: 0 for A:, which would read as write-protected.
  const DiskHandle stale = OpenDiskDevice();
  CloseHandle(stale);
  EXPECT_FALSE(WriteSectors(0, 1, 0, stale));
  EXPECT_EQ(WriteErrorCode, 12);
  EXPECT_FALSE(ReadSectors(0, 1, 0, stale));
  EXPECT_EQ(ReadErrorCode, 12);
  EXPECT_EQ(drives_[0]->Writes() + drives_[0]->Reads(), 0);
  EXPECT_EQ(test::ReadBytes(paths_[0]), disks_[0]);
}

TEST_F(SectorLayer, TheRecoverySequenceClosesResetsAndReopens) {
  drives_[0]->AddFault({Operation::Read, 17, DiskError::ReadFault, true});
  ASSERT_FALSE(ReadSectors(0, 1, 17, handle_));
  const DiskHandle before = handle_;
  RecoverDiskDevice(handle_);
  EXPECT_NE(handle_, before);
  EXPECT_EQ(drives_[0]->Resets(), 1);
  EXPECT_EQ(drives_[1]->Resets(), 1);
  ASSERT_EQ(calls_.size(), 2u);
  EXPECT_EQ(calls_[1].code, VWIN32_DIOC_DOS_INT13);
  EXPECT_TRUE(ReadSectors(0, 1, 17, handle_)) << "the retry on the new handle";
  EXPECT_EQ(Buffer(0, 512), DiskSectors(0, 17, 1));
  EXPECT_FALSE(ReadSectors(0, 1, 17, before)) << "the old handle is closed";
}

TEST_F(SectorLayer, ClosingTheLastHandleLetsGoOfTheDrives) {
  const DiskHandle second = OpenDiskDevice();
  const int closes = drives_[0]->Closes();
  CloseHandle(second);
  EXPECT_EQ(drives_[0]->Closes(), closes) << "the transfer's handle is still open";
  CloseHandle(handle_);
  EXPECT_EQ(drives_[0]->Closes(), closes + 1);
  EXPECT_EQ(drives_[1]->Closes(), closes + 1);
  handle_ = OpenDiskDevice();
}

}  // namespace
}  // namespace vornak
