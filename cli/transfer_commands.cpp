// vnk commands that move a whole disk: save, restore, verify. They run the
// window's engine with the same checks and texts, on a terminal.

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <variant>
#include <cstdio>
#include <iostream>

#include "cli/command.h"
#include "cli/terminal.h"
#include "image/imageformat.h"
#include "platform/driveservices.h"
#include "transfer/questions.h"
#include "transfer/readwritcomp.h"
#include "transfer/transferflags.h"

namespace vornak::cli {
namespace {

using platform::Button;
using platform::DialogKind;

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

// Ctrl-C raises the cancel request while the object lives. System calls go
// on (SA_RESTART), so an interrupted read is not taken for a bad sector.
class InterruptAsCancel {
 public:
  InterruptAsCancel() {
    interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &previous_);
  }
  ~InterruptAsCancel() { ::sigaction(SIGINT, &previous_, nullptr); }

 private:
  struct sigaction previous_ {};
};

// The engine on a terminal: progress as a bar on stderr when stderr is a
// terminal, bad sectors and messages on stderr, questions on the terminal.
// After Ctrl-C the question whether to stop is answered Yes.
class TerminalHost final : public TransferHost, private platform::Dialogs {
 public:
  explicit TerminalHost(bool includeDescription)
      : includeDescription_(includeDescription), drawBar_(::isatty(STDERR_FILENO) == 1) {}
  ~TerminalHost() override { EndBar(); }

  void SetProgressRange(int maximum) override { range_ = maximum; }
  void SetProgressPosition(int position) override {
    position_ = position;
    Draw();
  }
  void SetPercentCaption(const std::string& caption) override {
    caption_ = caption;
    Draw();
  }
  void ShowProgress() override {
    shown_ = true;
    Draw();
  }
  void ClearOutput() override {}
  void AppendOutput(const std::string& line) override {
    EndBar();
    std::cerr << line << '\n';
    ++badSectors;
  }
  bool IncludeDescription() override { return includeDescription_; }
  platform::Dialogs& Dialogs() override { return *this; }
  void ProcessMessages() override {
    if (interrupted) CancelRequested = true;
  }

  // Messages other than the bad-sector summary: the operation failed.
  bool failed = false;
  int badSectors = 0;

 private:
  Button Ask(const platform::Question& question) override {
    EndBar();
    if (question.kind == DialogKind::Confirmation && interrupted) {
      std::cerr << question.text << " Yes\n";
      return Button::Yes;
    }
    if (question.buttons.size() <= 1 && question.text.rfind(kBadSectorSummaryStart, 0) != 0) failed = true;
    return terminal_.Ask(question);
  }
  std::optional<std::string> ChooseFile(const platform::FileDialogRequest&) override { return std::nullopt; }

  void Draw() {
    if (!drawBar_ || !shown_) return;
    constexpr int kWidth = 40;
    const int filled = range_ > 0 ? std::min(kWidth, position_ * kWidth / range_) : kWidth;
    std::cerr << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] " << caption_
              << "   " << std::flush;
    barOnScreen_ = true;
  }
  void EndBar() {
    if (barOnScreen_) std::cerr << '\n';
    barOnScreen_ = false;
  }

  TerminalDialogs terminal_;
  bool includeDescription_;
  bool drawBar_;
  bool shown_ = false;
  bool barOnScreen_ = false;
  int range_ = 0;
  int position_ = 0;
  std::string caption_;
};

struct Target {
  int drive = 0;
  std::string image;
};

// [DRIVE] IMAGE, or the exit status of a usage error or a missing drive.
std::variant<Target, int> TargetOf(const Command& command, const Arguments& arguments) {
  std::optional<std::string_view> word;
  if (arguments.positional.size() == 2) word = arguments.positional[0];
  std::variant<DriveChoice, int> drive = ChooseDrive(command, word);
  if (const int* status = std::get_if<int>(&drive)) return *status;
  return Target{std::get<DriveChoice>(drive).index, arguments.positional.back()};
}

// The disk check of the window: the disk's format into `header`, asking for a
// formatted disk on the terminal while there is none.
bool CheckDisk(const Target& target, ImageHeader& header) {
  TerminalDialogs dialogs;
  const bool beep = ::isatty(STDERR_FILENO) == 1;
  return CheckDiskInDrive(platform::SystemDrives(), dialogs, [beep] { if (beep) std::cerr << '\a'; },
                          target.drive + 1, header);
}

int Save(const Command& command, const Arguments& arguments) {
  auto target = TargetOf(command, arguments);
  if (const int* status = std::get_if<int>(&target)) return *status;
  const Target& t = std::get<Target>(target);

  std::string description;
  if (auto typed = arguments.Value("--description")) {
    Result<std::string> text = DescriptionText(*typed);
    if (!text) return UsageError(command, text.message());
    description = *text;
  }
  if (platform::FileExists(t.image) && !arguments.Has("--force")) {
    return Fail(std::string(kFileExists) + ": " + t.image + " (--force replaces it)");
  }
  ImageHeader header;
  if (!CheckDisk(t, header)) return kExitFailure;

  InterruptAsCancel interrupt;
  TerminalHost host(arguments.Has("--description"));
  if (!SaveDiskImage(host, t.drive, header, t.image, description) || host.failed) return kExitFailure;
  if (CancelRequested) return Fail("Cancelled: no file was written.");
  std::cerr << "Saved " << DriveText(t.drive) << " (" << header.FormatNameText() << ") to " << t.image << "\n";
  return host.badSectors > 0 ? kExitBadSectors : kExitSuccess;
}

int Restore(const Command& command, const Arguments& arguments) {
  auto target = TargetOf(command, arguments);
  if (const int* status = std::get_if<int>(&target)) return *status;
  const Target& t = std::get<Target>(target);

  const bool ask = !arguments.Has("--yes");
  if (ask && !CanAskQuestions()) {
    return UsageError(command, "stdin is not a terminal to confirm on: --yes confirms the restore");
  }
  ImageHeader disk;
  if (!CheckDisk(t, disk)) return kExitFailure;
  std::optional<ImageHeader> file = ReadImageHeader(t.image);
  if (!file) return Fail(std::string(kErrorOpeningFile) + t.image);
  if (ask) {
    TerminalDialogs dialogs;
    const std::string text = RestoreConfirmationText(t.image, DriveText(t.drive), file->FormatNameText());
    if (dialogs.Ask({DialogKind::Application, "Vornak", text, {Button::Ok, Button::Cancel}}) != Button::Ok) {
      return kExitFailure;
    }
  }

  InterruptAsCancel interrupt;
  TerminalHost host(false);
  if (!RestoreDiskImage(host, t.drive, disk, t.image)) return kExitFailure;
  // A failed write raises the request too, after its message.
  if (CancelRequested) return host.failed ? kExitFailure : Fail("Cancelled.");
  std::cerr << "Restored " << t.image << " to " << DriveText(t.drive) << "\n";
  return kExitSuccess;
}

int Verify(const Command& command, const Arguments& arguments) {
  auto target = TargetOf(command, arguments);
  if (const int* status = std::get_if<int>(&target)) return *status;
  const Target& t = std::get<Target>(target);

  ImageHeader disk;
  if (!CheckDisk(t, disk)) return kExitFailure;
  Result<Image> image = ReadImageFile(t.image, disk.FormatCode);
  if (!image) return Fail(image.message());

  InterruptAsCancel interrupt;
  TerminalHost host(false);
  const std::vector<SectorMismatch> mismatches = VerifyDiskImage(host, t.drive, image->sectors.bytes());
  if (CancelRequested) return Fail("Cancelled.");
  for (const SectorMismatch& mismatch : mismatches) {
    std::cout << "sector " << mismatch.sector << (mismatch.unreadable ? " cannot be read\n" : " differs\n");
  }
  const int sectorCount = image->header.SectorCount;
  if (mismatches.empty()) {
    std::cerr << "All " << sectorCount << " sectors of " << DriveText(t.drive) << " match " << t.image << "\n";
    return kExitSuccess;
  }
  std::cerr << mismatches.size() << " of " << sectorCount << " sectors of " << DriveText(t.drive)
            << " do not match " << t.image << "\n";
  return kExitFailure;
}

const Command kTransferCommands[] = {
    {"save", "save [DRIVE] IMAGE [--description TEXT] [--force]",
     "Save the disk in a drive (A: by default) to an image file",
     "Reads every sector, going on past sectors that cannot be read (each is named on\n"
     "stderr), and writes IMAGE once the whole disk is in. The file is written beside\n"
     "its final name and renamed into place: a failed or cancelled save (Ctrl-C)\n"
     "leaves no file and any older file of that name as it was.\n"
     "--description TEXT  store TEXT with the image (at most 256 characters)\n"
     "--force             replace an existing IMAGE\n"
     "Exit status: 0 saved, 1 failed or cancelled, 2 usage, 3 saved with bad sectors.",
     {{"--description", true}, {"--force", false}}, 1, 2, Save},
    {"restore", "restore [DRIVE] IMAGE [--yes]",
     "Write an image file onto the disk in a drive (A: by default)",
     "The disk must have the image's format. Asks before writing when stdin is a\n"
     "terminal; otherwise --yes is needed. A write-protected disk is asked about on\n"
     "the terminal (without one, the restore stops). Ctrl-C stops after the current\n"
     "100 sectors.\n"
     "Exit status: 0 restored, 1 failed or cancelled, 2 usage.",
     {{"--yes", false}}, 1, 2, Restore},
    {"verify", "verify [DRIVE] IMAGE", "Compare the disk in a drive (A: by default) with an image file",
     "Reads the whole disk back and prints one line per sector that differs from the\n"
     "image or cannot be read. Exit status: 0 identical, 1 different or failed.",
     {}, 1, 2, Verify},
};

}  // namespace

std::span<const Command> TransferCommands() { return kTransferCommands; }

}  // namespace vornak::cli
