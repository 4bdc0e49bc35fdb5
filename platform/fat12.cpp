#include "platform/fat12.h"

#include <algorithm>
#include <array>

#include "platform/bytes.h"

namespace vornak::platform {
namespace {

constexpr std::size_t kSector = 512;

// Offsets in the boot sector.
constexpr std::size_t kJump = 0;
constexpr std::size_t kOemName = 3;
constexpr std::size_t kBytesPerSector = 11;
constexpr std::size_t kSectorsPerCluster = 13;
constexpr std::size_t kReservedSectors = 14;
constexpr std::size_t kFatCount = 16;
constexpr std::size_t kRootEntries = 17;
constexpr std::size_t kTotalSectors16 = 19;
constexpr std::size_t kMedia = 21;
constexpr std::size_t kSectorsPerFat = 22;
constexpr std::size_t kSectorsPerTrack = 24;
constexpr std::size_t kHeads = 26;
constexpr std::size_t kTotalSectors32 = 32;
constexpr std::size_t kDriveNumber = 36;
constexpr std::size_t kExtendedSignature = 38;  // 0x29: serial, label and type follow
constexpr std::size_t kSerial = 39;
constexpr std::size_t kLabel = 43;
constexpr std::size_t kFileSystemType = 54;
constexpr std::size_t kBootCode = 62;
constexpr std::size_t kBootSignature = 510;  // 55 AA

constexpr uint16_t kMaxFat12Clusters = 4084;  // one more and the FAT has 16-bit entries

// Directory entries.
constexpr std::size_t kEntrySize = 32;
constexpr uint8_t kEndOfDirectory = 0x00;  // first byte: no entries follow
constexpr uint8_t kDeletedFlag = 0xE5;     // first byte: a deleted entry
constexpr uint8_t kEscapedE5 = 0x05;       // first byte: a name that begins with E5
constexpr std::size_t kAttributeByte = 11;
constexpr uint8_t kAttrVolume = 0x08;      // the volume label
constexpr uint8_t kAttrLongName = 0x0F;    // read-only, hidden, system and volume: a long-name piece
constexpr uint8_t kLongNameMask = 0x3F;    // the attribute bits a long-name test looks at
constexpr uint8_t kLastLongPiece = 0x40;   // sequence byte: the piece that ends the name
constexpr uint8_t kLongPieceNumber = 0x1F; // sequence byte: the piece's number, 1 nearest the short entry
constexpr std::size_t kLongNameChecksum = 13;
constexpr std::size_t kDateOffset = 24;
constexpr std::size_t kTimeOffset = 22;
// Where the thirteen UTF-16 characters of a long-name piece lie.
constexpr std::size_t kLongNameCharacters[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};

// Code page 437, the DOS character set of short names, from 0x80 on.
constexpr char16_t kCodePage437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendDosCharacter(std::string& out, uint8_t byte) {
  AppendUtf8(out, byte < 0x80 ? char32_t{byte} : char32_t{kCodePage437[byte - 0x80]});
}

using Entry = std::span<const uint8_t>;

std::string ShortName(Entry entry) {
  auto trimmedEnd = [&](std::size_t from, std::size_t to) {
    while (to > from && entry[to - 1] == ' ') --to;
    return to;
  };
  std::string name;
  const std::size_t baseEnd = trimmedEnd(0, 8);
  for (std::size_t i = 0; i < baseEnd; ++i) {
    AppendDosCharacter(name, i == 0 && entry[0] == kEscapedE5 ? kDeletedFlag : entry[i]);
  }
  const std::size_t extensionEnd = trimmedEnd(8, 11);
  if (extensionEnd > 8) {
    name += '.';
    for (std::size_t i = 8; i < extensionEnd; ++i) AppendDosCharacter(name, entry[i]);
  }
  return name;
}

// The checksum of a short name that its long-name pieces carry.
uint8_t ShortNameChecksum(Entry entry) {
  uint8_t sum = 0;
  for (std::size_t i = 0; i < 11; ++i) {
    sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + entry[i]);
  }
  return sum;
}

// Gathers the pieces of a long name as they come, the last piece first, and
// gives the name only when every piece arrived in order for the short entry
// that follows them.
class LongName {
 public:
  void Forget() { pieces_.clear(); expected_ = 0; }

  void Take(Entry entry) {
    const uint8_t sequence = entry[0];
    const uint8_t number = sequence & kLongPieceNumber;
    if (sequence & kLastLongPiece) {
      Forget();
      if (number == 0) return;
      pieces_.assign(number, {});
      checksum_ = entry[kLongNameChecksum];
    } else if (expected_ == 0 || number != expected_ || entry[kLongNameChecksum] != checksum_) {
      Forget();
      return;
    }
    auto& piece = pieces_[number - 1];
    for (std::size_t i = 0; i < 13; ++i) piece[i] = ReadLe16(entry, kLongNameCharacters[i]);
    expected_ = number - 1;
  }

  // The name for `shortEntry`, or empty when the pieces do not belong to it.
  std::string NameFor(Entry shortEntry) const {
    if (pieces_.empty() || expected_ != 0 || ShortNameChecksum(shortEntry) != checksum_) return "";
    std::u16string units;
    for (const auto& piece : pieces_) {
      for (char16_t unit : piece) {
        if (unit == 0) return Utf8(units);
        units += unit;
      }
    }
    return Utf8(units);
  }

 private:
  static std::string Utf8(const std::u16string& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
      char32_t c = units[i];
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
          units[i + 1] < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
      } else if (c >= 0xD800 && c < 0xE000) {
        c = 0xFFFD;  // half of a pair
      }
      AppendUtf8(out, c);
    }
    return out;
  }

  std::vector<std::array<char16_t, 13>> pieces_;
  uint8_t checksum_ = 0;
  uint8_t expected_ = 0;  // the number of the next piece; 0 once the name is whole
};

bool IsPowerOfTwo(unsigned value) { return value != 0 && (value & (value - 1)) == 0; }

// The characters DOS refuses in a volume label.
constexpr std::string_view kLabelForbidden = "\"*+,./:;<=>?[\\]|";

// A boot program for a disk that is not a system disk: prints the message
// through the BIOS, waits for a key and asks the BIOS to boot again.
constexpr std::string_view kNotBootableMessage =
    "This disk is not a system disk.\r\nReplace it and press any key to try again.\r\n";

void WriteBootProgram(std::span<uint8_t> boot) {
  constexpr std::size_t kProgramSize = 32;
  const std::size_t messageAt = kBootCode + kProgramSize;
  const uint16_t message = static_cast<uint16_t>(0x7C00 + messageAt);
  const uint8_t program[kProgramSize] = {
      0xFA,              // cli
      0x31, 0xC0,        // xor ax, ax
      0x8E, 0xD8,        // mov ds, ax
      0xFB,              // sti
      0xFC,              // cld
      0xBE, static_cast<uint8_t>(message), static_cast<uint8_t>(message >> 8),  // mov si, message
      0xBB, 0x07, 0x00,  // mov bx, 7 (page 0, grey)
      0xAC,              // next: lodsb
      0x84, 0xC0,        // test al, al
      0x74, 0x06,        // jz wait
      0xB4, 0x0E,        // mov ah, 0Eh (teletype output)
      0xCD, 0x10,        // int 10h
      0xEB, 0xF5,        // jmp next
      0x31, 0xC0,        // wait: xor ax, ax
      0xCD, 0x16,        // int 16h (read a key)
      0xCD, 0x19,        // int 19h (boot again)
      0xEB, 0xFE,        // jmp $
  };
  std::copy(std::begin(program), std::end(program), boot.begin() + kBootCode);
  std::copy(kNotBootableMessage.begin(), kNotBootableMessage.end(), boot.begin() + messageAt);
  boot[messageAt + kNotBootableMessage.size()] = 0;
}

}  // namespace

std::optional<BiosParameterBlock> ParseBiosParameterBlock(std::span<const uint8_t> bootSector) {
  if (bootSector.size() < kSector) return std::nullopt;
  BiosParameterBlock bpb;
  bpb.bytesPerSector = ReadLe16(bootSector, kBytesPerSector);
  bpb.sectorsPerCluster = bootSector[kSectorsPerCluster];
  bpb.reservedSectors = ReadLe16(bootSector, kReservedSectors);
  bpb.fatCount = bootSector[kFatCount];
  bpb.rootEntries = ReadLe16(bootSector, kRootEntries);
  bpb.totalSectors = ReadLe16(bootSector, kTotalSectors16);
  if (bpb.totalSectors == 0) bpb.totalSectors = ReadLe32(bootSector, kTotalSectors32);
  bpb.media = bootSector[kMedia];
  bpb.sectorsPerFat = ReadLe16(bootSector, kSectorsPerFat);
  bpb.sectorsPerTrack = ReadLe16(bootSector, kSectorsPerTrack);
  bpb.heads = ReadLe16(bootSector, kHeads);

  if (bpb.bytesPerSector != kSector || !IsPowerOfTwo(bpb.sectorsPerCluster)) return std::nullopt;
  if (bpb.reservedSectors == 0 || bpb.fatCount == 0 || bpb.rootEntries == 0) return std::nullopt;
  if (bpb.sectorsPerFat == 0 || (bpb.media != 0xF0 && bpb.media < 0xF8)) return std::nullopt;
  if (bpb.totalSectors <= bpb.FirstDataSector()) return std::nullopt;
  const uint32_t clusters = bpb.DataClusters();
  if (clusters == 0 || clusters > kMaxFat12Clusters) return std::nullopt;
  // Every cluster, and the two reserved entries, must have its 12 bits in one FAT.
  if ((uint32_t{clusters} + 2) * 3 > uint32_t{bpb.sectorsPerFat} * kSector * 2) return std::nullopt;
  return bpb;
}

int64_t FatCapacity(std::span<const uint8_t> bootSector) {
  std::optional<BiosParameterBlock> bpb = ParseBiosParameterBlock(bootSector);
  if (!bpb) return -1;
  return int64_t{bpb->DataClusters()} * bpb->sectorsPerCluster * bpb->bytesPerSector;
}

uint64_t RootDirectoryEnd(const BiosParameterBlock& bpb) {
  return uint64_t{bpb.RootDirectorySector()} * bpb.bytesPerSector + uint64_t{bpb.rootEntries} * kEntrySize;
}

std::optional<std::vector<DiskEntry>> RootDirectoryEntries(std::span<const uint8_t> diskStart) {
  std::optional<BiosParameterBlock> bpb = ParseBiosParameterBlock(diskStart);
  if (!bpb) return std::nullopt;
  const uint64_t begin = uint64_t{bpb->RootDirectorySector()} * bpb->bytesPerSector;
  const uint64_t end = std::min<uint64_t>(RootDirectoryEnd(*bpb), diskStart.size());

  std::vector<DiskEntry> entries;
  LongName longName;
  for (uint64_t at = begin; at + kEntrySize <= end; at += kEntrySize) {
    Entry entry = diskStart.subspan(static_cast<std::size_t>(at), kEntrySize);
    const uint8_t attributes = entry[kAttributeByte];
    if (entry[0] == kEndOfDirectory) break;
    if (entry[0] == kDeletedFlag) {
      longName.Forget();
    } else if ((attributes & kLongNameMask) == kAttrLongName) {
      longName.Take(entry);
    } else if (attributes & kAttrVolume) {
      longName.Forget();
    } else {
      std::string name = longName.NameFor(entry);
      if (name.empty()) name = ShortName(entry);
      // An entry whose name is nothing but blanks names nothing to list.
      if (!name.empty()) entries.push_back({std::move(name), attributes});
      longName.Forget();
    }
  }
  return entries;
}

const FloppyLayout* FindFloppyLayout(int capacityKb) {
  for (const FloppyLayout& layout : kFloppyLayouts) {
    if (layout.capacityKb == capacityKb) return &layout;
  }
  return nullptr;
}

Result<std::string> VolumeLabelField(std::string_view label) {
  if (label.size() > 11) return Failure{"a volume label has at most 11 characters"};
  if (!label.empty() && label[0] == ' ') return Failure{"a volume label cannot begin with a blank"};
  std::string field;
  for (char c : label) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E || kLabelForbidden.find(c) != std::string_view::npos) {
      return Failure{std::string("a volume label cannot hold the character '") + c + "'"};
    }
    field += static_cast<char>(byte >= 'a' && byte <= 'z' ? byte - 'a' + 'A' : byte);
  }
  field.resize(11, ' ');
  return field;
}

Result<std::vector<uint8_t>> BuildSystemAreas(const FloppyLayout& layout, const VolumeDetails& volume) {
  Result<std::string> label = VolumeLabelField(volume.label);
  if (!label) return label.failure();

  BiosParameterBlock bpb;
  bpb.bytesPerSector = kSector;
  bpb.sectorsPerCluster = layout.sectorsPerCluster;
  bpb.reservedSectors = 1;
  bpb.fatCount = 2;
  bpb.rootEntries = layout.rootEntries;
  bpb.totalSectors = layout.totalSectors;
  bpb.sectorsPerFat = layout.sectorsPerFat;

  std::vector<uint8_t> areas(std::size_t{bpb.FirstDataSector()} * kSector, 0);
  std::span<uint8_t> boot(areas.data(), kSector);
  boot[kJump] = 0xEB;  // jmp short over the parameter block to the boot program
  boot[kJump + 1] = static_cast<uint8_t>(kBootCode - 2);
  boot[kJump + 2] = 0x90;
  const std::string_view oem = "MSDOS5.0";
  std::copy(oem.begin(), oem.end(), boot.begin() + kOemName);
  WriteLe16(boot, kBytesPerSector, bpb.bytesPerSector);
  boot[kSectorsPerCluster] = bpb.sectorsPerCluster;
  WriteLe16(boot, kReservedSectors, bpb.reservedSectors);
  boot[kFatCount] = bpb.fatCount;
  WriteLe16(boot, kRootEntries, bpb.rootEntries);
  WriteLe16(boot, kTotalSectors16, layout.totalSectors);
  boot[kMedia] = layout.media;
  WriteLe16(boot, kSectorsPerFat, layout.sectorsPerFat);
  WriteLe16(boot, kSectorsPerTrack, layout.sectorsPerTrack);
  WriteLe16(boot, kHeads, 2);
  boot[kDriveNumber] = 0x00;  // the first floppy drive
  boot[kExtendedSignature] = 0x29;
  WriteLe32(boot, kSerial, volume.serial);
  const std::string labelField = volume.label.empty() ? std::string("NO NAME    ") : label.value();
  std::copy(labelField.begin(), labelField.end(), boot.begin() + kLabel);
  const std::string_view type = "FAT12   ";
  std::copy(type.begin(), type.end(), boot.begin() + kFileSystemType);
  WriteBootProgram(boot);
  boot[kBootSignature] = 0x55;
  boot[kBootSignature + 1] = 0xAA;

  // Each FAT starts with the media byte and two all-ones bytes: the entries of
  // clusters 0 and 1, which hold no data. Every other cluster is free.
  for (uint8_t fat = 0; fat < bpb.fatCount; ++fat) {
    const std::size_t at = (bpb.reservedSectors + std::size_t{fat} * bpb.sectorsPerFat) * kSector;
    areas[at] = layout.media;
    areas[at + 1] = 0xFF;
    areas[at + 2] = 0xFF;
  }

  if (!volume.label.empty()) {
    std::span<uint8_t> entry(areas.data() + std::size_t{bpb.RootDirectorySector()} * kSector, kEntrySize);
    std::copy(label->begin(), label->end(), entry.begin());
    entry[kAttributeByte] = kAttrVolume;
    WriteLe16(entry, kTimeOffset, volume.dosTime);
    WriteLe16(entry, kDateOffset, volume.dosDate);
  }
  return areas;
}

}  // namespace vornak::platform
