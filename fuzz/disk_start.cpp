// The capacity query and the root-directory enumeration over a disk's first
// sectors, as a drive hands them over.

#include "fuzz/check.h"
#include "platform/fat12.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vornak::platform;
  std::span<const uint8_t> disk(data, size);
  const int64_t capacity = FatCapacity(disk);
  std::optional<BiosParameterBlock> bpb = ParseBiosParameterBlock(disk);
  vornak::fuzz::Check(capacity == -1 || bpb.has_value(), "a capacity needs a parameter block");
  if (bpb) {
    vornak::fuzz::Check(capacity >= 0 && static_cast<uint64_t>(capacity) <=
                                             uint64_t{bpb->totalSectors} * bpb->bytesPerSector,
                        "the capacity lies within the disk");
  }
  std::optional<std::vector<DiskEntry>> entries = RootDirectoryEntries(disk);
  if (!entries) return 0;
  vornak::fuzz::Check(bpb.has_value(), "no listing without a parameter block");
  vornak::fuzz::Check(entries->size() <= bpb->rootEntries, "at most one name per entry");
  for (const DiskEntry& entry : *entries) {
    vornak::fuzz::Check(!entry.name.empty() && entry.name.size() <= 255 * 3, "sound names");
  }
  return 0;
}
