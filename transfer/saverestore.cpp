// Saving a disk to an image file and restoring an image file to a disk.

#include <algorithm>
#include <cstring>

#include "image/sectorreader.h"
#include "transfer/readwritcomp.h"
#include "transfer/transferflags.h"

namespace vornak {
namespace {

using platform::Button;
using platform::DialogKind;

constexpr int32_t kChunkSectors = kSectorBufferSectors;
constexpr std::size_t kChunkBytes = kSectorBufferSize;

std::string Percent(int64_t part, int64_t whole) { return std::to_string(part * 100 / whole) + "%"; }

// The confirmation before a transfer stops; true when the user says Yes.
// Any other answer takes the request back.
bool ConfirmTermination(TransferHost& host, std::string_view question) {
  if (host.Dialogs().Ask({DialogKind::Confirmation, "", std::string(question),
                          {Button::Yes, Button::No}}) == Button::Yes) {
    return true;
  }
  CancelRequested = false;
  return false;
}

// Reads sector `sector` into SectorBuffer with one recovery and one retry;
// true when a read succeeded.
bool ReadWithRetry(int32_t drive, int32_t sector, DiskHandle& handle) {
  if (ReadSectors(drive, 1, sector, handle)) return true;
  RecoverDiskDevice(handle);
  return ReadSectors(drive, 1, sector, handle);
}

}  // namespace

bool SaveDiskImage(TransferHost& host, int32_t drive, ImageHeader& diskHeader,
                   const std::string& fileName, const std::string& description,
                   platform::FileSystem& fs) {
  const int32_t sectorCount = diskHeader.SectorCount;
  std::optional<ByteBuffer> image = ByteBuffer::Allocate(std::size_t(sectorCount) * kSectorSize);
  if (!image) {
    host.Dialogs().ShowMessage(std::string(kMemoryAllocationError));
    return false;
  }
  host.SetProgressRange(sectorCount);
  host.SetProgressPosition(0);
  host.ClearOutput();
  host.SetPercentCaption("0%");
  TransferFinished = false;
  CancelRequested = false;
  host.ShowProgress();
  DiskHandle handle = OpenDiskDevice();

  int badSectors = 0;
  std::size_t offset = 0;
  for (int32_t sector = 0; sector < sectorCount; ++sector) {
    if (CancelRequested && ConfirmTermination(host, kTerminateImageCopy)) break;
    if (!ReadWithRetry(drive, sector, handle)) {
      if (ReadErrorCode == static_cast<int32_t>(platform::DiskError::ReadFault)) {
        ++badSectors;
        host.AppendOutput(std::string(kBadSectorLine) + std::to_string(sector));
      }
      RecoverDiskDevice(handle);
      host.ProcessMessages();
    }
    // A sector that could not be read gets what the failed read left behind.
    std::memcpy(image->data() + offset, SectorBuffer.data(), kSectorSize);
    offset += kSectorSize;
    if (sector % 100 == 0) {
      host.SetProgressPosition(sector + 1);
      host.SetPercentCaption(Percent(sector + 1, sectorCount));
      host.ProcessMessages();
    }
  }

  if (!CancelRequested) {
    const bool include = host.IncludeDescription();
    Status written = WriteImageFile(fileName, diskHeader, *image, include ? &description : nullptr, fs);
    if (!written) host.Dialogs().ShowMessage(written.message());
  }

  image.reset();
  CloseHandle(handle);
  host.SetProgressPosition(sectorCount);
  if (badSectors > 0) {
    host.Dialogs().ShowMessage(std::string(kBadSectorSummaryStart) + std::to_string(badSectors) +
                               std::string(kBadSectorSummaryEnd));
  }
  TransferFinished = true;
  return true;
}

bool RestoreDiskImage(TransferHost& host, int32_t drive, const ImageHeader& diskHeader,
                      const std::string& fileName) {
  // Everything that can be wrong with the file is found before a sector is
  // written; the sectors are then read a chunk at a time, as they are written.
  Result<ImageSectorReader> image = ImageSectorReader::Open(fileName, diskHeader.FormatCode);
  if (!image) {
    host.Dialogs().ShowMessage(image.message());
    return false;
  }
  const int32_t sectorCount = image->header().SectorCount;
  const int32_t rest = sectorCount % kChunkSectors;
  const int32_t whole = sectorCount - rest;

  host.SetProgressRange(whole);
  host.SetProgressPosition(0);
  host.SetPercentCaption("0%");
  host.ClearOutput();
  CancelRequested = false;
  TransferFinished = false;
  host.ShowProgress();
  host.ProcessMessages();
  DiskHandle handle = OpenDiskDevice();

  // Only a file changed by something else while it is read fails here.
  std::optional<std::string> readFailure;
  auto readChunk = [&](std::size_t bytes) {
    Status read = image->Read({SectorBuffer.data(), bytes});
    if (!read) {
      readFailure = read.message();
      CancelRequested = true;
    }
    return read.ok();
  };
  bool writeFailed = false;
  for (int32_t first = 0; first < whole; first += kChunkSectors) {
    if (CancelRequested && ConfirmTermination(host, kTerminateImageRestore)) break;
    if (!readChunk(kChunkBytes)) break;
    if (!WriteSectors(drive, kChunkSectors, first, handle)) {
      if (WriteErrorCode == static_cast<int32_t>(platform::DiskError::WriteProtected) &&
          host.Dialogs().Ask({DialogKind::Warning, "", std::string(kDiskWriteProtected),
                              {Button::Retry, Button::Cancel}}) != Button::Retry) {
        CancelRequested = true;
        break;
      }
      RecoverDiskDevice(handle);
      if (!WriteSectors(drive, kChunkSectors, first, handle)) {
        writeFailed = true;
        CancelRequested = true;
        break;
      }
    }
    host.SetProgressPosition(first + kChunkSectors);
    host.SetPercentCaption(Percent(first + kChunkSectors, whole));
    host.ProcessMessages();
  }

  if (rest > 0 && !CancelRequested && readChunk(std::size_t(rest) * kSectorSize)) {
    if (!WriteSectors(drive, rest, whole, handle)) writeFailed = true;
  }

  CloseHandle(handle);
  ResetDiskSystem();
  host.SetProgressPosition(whole);
  host.SetPercentCaption("0%");
  if (writeFailed) host.Dialogs().ShowMessage(std::string(kErrorWritingToDisk));
  if (readFailure) host.Dialogs().ShowMessage(*readFailure);
  TransferFinished = true;
  return true;
}

std::vector<SectorMismatch> VerifyDiskImage(TransferHost& host, int32_t drive,
                                            std::span<const uint8_t> sectors) {
  const int32_t sectorCount = static_cast<int32_t>(sectors.size() / kSectorSize);
  host.SetProgressRange(sectorCount);
  host.SetProgressPosition(0);
  host.SetPercentCaption("0%");
  CancelRequested = false;
  TransferFinished = false;
  host.ShowProgress();
  DiskHandle handle = OpenDiskDevice();

  std::vector<SectorMismatch> mismatches;
  auto compare = [&](int32_t sector, const uint8_t* read) {
    if (std::memcmp(read, sectors.data() + std::size_t(sector) * kSectorSize, kSectorSize) != 0) {
      mismatches.push_back({sector, false});
    }
  };
  for (int32_t first = 0; first < sectorCount; first += kChunkSectors) {
    if (CancelRequested && ConfirmTermination(host, kTerminateVerify)) break;
    const int32_t count = std::min(kChunkSectors, sectorCount - first);
    bool read = ReadSectors(drive, count, first, handle);
    if (!read) {
      RecoverDiskDevice(handle);
      read = ReadSectors(drive, count, first, handle);
    }
    for (int32_t sector = first; sector < first + count; ++sector) {
      if (read) {
        compare(sector, SectorBuffer.data() + std::size_t(sector - first) * kSectorSize);
      } else if (ReadWithRetry(drive, sector, handle)) {
        compare(sector, SectorBuffer.data());
      } else {
        mismatches.push_back({sector, true});
        RecoverDiskDevice(handle);
      }
    }
    host.SetProgressPosition(first + count);
    host.SetPercentCaption(Percent(first + count, sectorCount));
    host.ProcessMessages();
  }
  CloseHandle(handle);
  TransferFinished = true;
  return mismatches;
}

}  // namespace vornak
