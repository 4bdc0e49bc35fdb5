// vnk commands that work on image files alone: list, info, describe, import, export.

#include <cstdio>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "cli/command.h"
#include "cli/terminal.h"
#include "description/description.h"
#include "image/imageformat.h"
#include "inspect/displayimgfiles.h"

namespace vornak::cli {
namespace {

// Listing lines on stdout, bytes unchanged, one per line.
class StdoutListing final : public ListingOutput {
 public:
  void AppendLine(const std::string& line) override {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
  }
  void ShowHeading(const std::string&) override {}
};

int List(const Command&, const Arguments& arguments) {
  StdoutListing listing;
  TerminalDialogs dialogs;
  return ListImageFiles(arguments.positional[0], listing, dialogs) ? kExitSuccess : kExitFailure;
}

int Info(const Command&, const Arguments& arguments) {
  const std::string& fileName = arguments.positional[0];
  Result<Image> image = ReadImageFile(fileName);
  if (!image) return Fail(image.message());
  const ImageHeader& header = image->header;
  const uint64_t sectorBytes = uint64_t{header.SectorCount} * kSectorSize;

  std::ostringstream out;
  out << "File:         " << fileName << "\n"
      << "Format:       " << header.FormatNameText() << "\n"
      << "FormatCode:   " << int{header.FormatCode} << "\n"
      << "FormatClass:  " << int{header.FormatClass} << "\n"
      << "SectorCount:  " << header.SectorCount << " (" << sectorBytes << " bytes)\n"
      << "Compressed:   " << int{header.Compressed} << "\n";
  if (header.Compressed != 0) {
    out << "Payload:      run-length stream, " << image->payloadLength << " bytes\n"
        << "Ratio:        " << std::fixed << std::setprecision(2)
        << 100.0 * static_cast<double>(image->payloadLength) / static_cast<double>(sectorBytes)
        << " % of the sectors\n";
  } else {
    out << "Payload:      raw sectors, " << image->payloadLength << " bytes\n"
        << "Ratio:        100.00 % of the sectors\n";
  }
  const std::string description = ReadDescription(fileName);
  out << "Description:  " << (description.empty() ? "(none)" : description) << "\n";
  std::cout << out.str();
  return kExitSuccess;
}

int Describe(const Command&, const Arguments& arguments) {
  const std::string& fileName = arguments.positional[0];
  const bool set = arguments.Has("--set");
  const bool remove = arguments.Has("--remove");
  if (set && remove) {
    std::cerr << "vnk describe: --set and --remove cannot be used together\n";
    return kExitUsage;
  }
  if (!platform::FileExists(fileName)) return Fail(std::string(kErrorOpeningFile) + fileName);

  if (!set && !remove) {
    const std::string text = ReadDescription(fileName);
    if (!text.empty()) {
      std::fwrite(text.data(), 1, text.size(), stdout);
      std::fputc('\n', stdout);
    }
    return kExitSuccess;
  }
  std::string text;
  if (set) {
    Result<std::string> typed = DescriptionText(*arguments.Value("--set"));
    if (!typed) {
      std::cerr << "vnk describe: " << typed.message() << "\n";
      return kExitUsage;
    }
    text = typed.value();
  }
  Status replaced = ReplaceDescription(fileName, text);
  return replaced ? kExitSuccess : Fail(replaced.message());
}

int Import(const Command&, const Arguments& arguments) {
  const std::string& rawName = arguments.positional[0];
  const std::string& imageName = arguments.positional[1];
  std::string description;
  if (auto typed = arguments.Value("--description")) {
    Result<std::string> text = DescriptionText(*typed);
    if (!text) {
      std::cerr << "vnk import: " << text.message() << "\n";
      return kExitUsage;
    }
    description = text.value();
  }

  auto raw = platform::RealFileSystem().OpenForReading(rawName);
  if (!raw) return Fail(raw.message());
  const uint64_t size = raw.value()->Size();
  const DiskFormat* format = FindDiskFormatByBytes(size);
  if (format == nullptr) {
    return Fail("\"" + rawName + "\" is " + std::to_string(size) +
                " bytes long, which is not a whole floppy disk: a raw image has 1474560, "
                "1228800, 737280 or 368640 bytes");
  }
  std::optional<ByteBuffer> sectors = ByteBuffer::Allocate(static_cast<std::size_t>(size));
  if (!sectors) return Fail(std::string(kMemoryAllocationError));
  if (Status read = raw.value()->ReadAt(0, sectors->bytes()); !read) return Fail(read.message());

  ImageHeader header = format->Header();
  Status written = WriteImageFile(imageName, header, *sectors, &description);
  return written ? kExitSuccess : Fail(written.message());
}

int Export(const Command&, const Arguments& arguments) {
  Result<Image> image = ReadImageFile(arguments.positional[0]);
  if (!image) return Fail(image.message());
  Status written = platform::WriteWholeFile(arguments.positional[1], image->sectors.bytes());
  return written ? kExitSuccess : Fail(written.message());
}

const Command kImageCommands[] = {
    {"list", "list IMAGE", "List the files in the root directory stored in an image",
     "Prints one line per file or folder of the disk's root directory (folders end in\n"
     "\"   <DIR>\"), then the image's description, exactly as the window lists them.",
     {}, 1, 1, List},
    {"info", "info IMAGE", "Show an image's header, payload and description", "", {}, 1, 1, Info},
    {"describe", "describe IMAGE [--set TEXT | --remove]",
     "Print, replace or remove an image's description",
     "Without options prints the description (nothing when there is none).\n"
     "--set TEXT   gives the image TEXT as its description (line breaks are dropped,\n"
     "             at most 256 characters; an empty TEXT removes the description)\n"
     "--remove     removes the description\n"
     "The image is rewritten in one step: on any failure it keeps its old bytes.",
     {{"--set", true}, {"--remove", false}}, 1, 1, Describe},
    {"import", "import RAW IMAGE [--description TEXT]",
     "Make an image file from a raw floppy image (dd, mtools, emulators)",
     "RAW must hold a whole disk: 1474560, 1228800, 737280 or 368640 bytes.\n"
     "IMAGE is written as a save writes it, replacing any file of that name.",
     {{"--description", true}}, 2, 2, Import},
    {"export", "export IMAGE RAW", "Write an image's sectors as a raw floppy image",
     "RAW receives the image's SectorCount x 512 bytes, replacing any file of that name.", {}, 2,
     2, Export},
};

}  // namespace

std::span<const Command> ImageCommands() { return kImageCommands; }

}  // namespace vornak::cli
