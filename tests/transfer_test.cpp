// Saving and restoring over fault-injecting drives: the progress figures, bad
// sectors, cancelling, write protection, and what reaches the file and the disk.

#include <gtest/gtest.h>

#include "description/description.h"
#include "image/imageformat.h"
#include "platform/faultyfiles.h"
#include "tests/support/transfer.h"
#include "transfer/transferflags.h"

namespace vornak {
namespace {

using platform::Button;
using platform::DialogKind;
using platform::DiskError;
using platform::Fault;
using platform::Operation;
using test::Bytes;
using Lines = std::vector<std::string>;

Bytes SectorsOf(const Image& image) {
  return Bytes(image.sectors.data(), image.sectors.data() + image.sectors.size());
}

Lines Captions(std::initializer_list<int> percents) {
  Lines captions{"0%"};
  for (int percent : percents) captions.push_back(std::to_string(percent) + "%");
  return captions;
}

// --- Saving -----------------------------------------------------------------

struct SaveFigures {
  const DiskFormat* format;
  Lines captions;  // the label from "0%" on
};

class SaveProgress : public ::testing::TestWithParam<SaveFigures> {};

TEST_P(SaveProgress, ShowsEveryHundredthSectorAndWritesTheImage) {
  const DiskFormat& format = *GetParam().format;
  test::FaultyDrives drives(format.Bytes());
  test::RecordingHost host;
  ImageHeader header = format.Header();
  const std::string file = drives.dir.File("disk.vnk");

  ASSERT_TRUE(SaveDiskImage(host, 0, header, file, "ignored"));
  const int n = format.SectorCount;
  EXPECT_EQ(host.range, n);
  std::vector<int> positions{0};
  for (int i = 0; i < n; i += 100) positions.push_back(i + 1);
  positions.push_back(n);  // the bar jumps to the end; the label keeps its last figure
  EXPECT_EQ(host.positions, positions);
  EXPECT_EQ(host.captions, GetParam().captions);
  EXPECT_EQ(host.shown, 1);
  EXPECT_TRUE(host.output.empty());
  EXPECT_TRUE(host.dialogs.asked.empty());
  EXPECT_TRUE(TransferFinished);

  Result<Image> image = ReadImageFile(file);
  ASSERT_TRUE(image) << image.message();
  EXPECT_EQ(SectorsOf(*image), drives.Disk(0));
  EXPECT_EQ(header.Compressed, 0);  // random bytes give no stream
  EXPECT_EQ(image->fileSize, kImageHeaderSize + format.Bytes()) << "no description unless asked";
  EXPECT_EQ(drives.drives[0]->Reads(), n);
}

INSTANTIATE_TEST_SUITE_P(
    EachFormat, SaveProgress,
    ::testing::Values(
        SaveFigures{&kDiskFormats[0], Captions({0, 3, 6, 10, 13, 17, 20, 24, 27, 31, 34, 38, 41, 45, 48,
                                                52, 55, 59, 62, 66, 69, 72, 76, 79, 83, 86, 90, 93, 97})},
        SaveFigures{&kDiskFormats[3], Captions({0, 14, 27, 41, 55, 69, 83, 97})}),
    [](const auto& info) { return "Code" + std::to_string(info.param.format->FormatCode); });

TEST(Save, BadSectorsAreLoggedOnlyForReadFaultsThatOutliveTheRetry) {
  struct Case {
    const char* name;
    std::vector<Fault> faults;
    Lines output;
    Lines messages;
    int resets;
  };
  const Case cases[] = {
      {"read fault twice", {{Operation::Read, 17, DiskError::ReadFault, false}},
       {"Bad sector Num.  17"}, {"Source contained 1 bad sectors."}, 2},
      {"read fault on the first attempt only", {{Operation::Read, 17, DiskError::ReadFault, true}}, {}, {}, 1},
      {"another code twice", {{Operation::Read, 17, DiskError::SectorNotFound, false}}, {}, {}, 2},
      {"two bad sectors",
       {{Operation::Read, 3, DiskError::ReadFault, false}, {Operation::Read, 700, DiskError::ReadFault, false}},
       {"Bad sector Num.  3", "Bad sector Num.  700"}, {"Source contained 2 bad sectors."}, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FaultyDrives drives(368640);
    for (const Fault& fault : c.faults) drives.drives[0]->AddFault(fault);
    test::RecordingHost host;
    ImageHeader header = kDiskFormats[3].Header();
    const std::string file = drives.dir.File("d.vnk");
    ASSERT_TRUE(SaveDiskImage(host, 0, header, file, ""));
    EXPECT_EQ(host.output, c.output);
    EXPECT_EQ(host.dialogs.Texts(), c.messages);
    EXPECT_EQ(drives.drives[0]->Resets(), c.resets);

    // Every slot is stored; a failed sector keeps what the failed read left.
    Result<Image> image = ReadImageFile(file);
    ASSERT_TRUE(image);
    const Bytes disk = drives.Disk(0);
    for (const Fault& fault : c.faults) {
      const std::size_t at = fault.sector * kSectorSize;
      Bytes slot(image->sectors.data() + at, image->sectors.data() + at + kSectorSize);
      Bytes before(disk.begin() + static_cast<std::ptrdiff_t>(at - kSectorSize),
                   disk.begin() + static_cast<std::ptrdiff_t>(at));
      EXPECT_EQ(slot == before, !fault.firstAttemptOnly) << "sector " << fault.sector;
    }
  }
}

TEST(Save, CancelAskedOnceAndYesWritesNoFile) {
  for (Button answer : {Button::Yes, Button::No}) {
    SCOPED_TRACE(answer == Button::Yes ? "Yes" : "No");
    test::FaultyDrives drives(368640);
    drives.drives[0]->AddFault({Operation::Read, 5, DiskError::ReadFault, false});
    const std::string file = drives.dir.File("old.vnk");
    test::WriteBytes(file, test::BytesOf("an older image"));
    test::RecordingHost host;
    // Cancel is clicked twice at the progress point of sector 200.
    host.onProcessMessages = [&](int) {
      if (host.positions.back() == 201) CancelRequested = true;
    };
    host.dialogs.Answer(answer);
    ImageHeader header = kDiskFormats[3].Header();
    ASSERT_TRUE(SaveDiskImage(host, 0, header, file, ""));

    ASSERT_GE(host.dialogs.asked.size(), 1u);
    EXPECT_EQ(host.dialogs.asked[0], (platform::Question{DialogKind::Confirmation, "",
                                                         "Terminate Image Copy ?", {Button::Yes, Button::No}}));
    // The bad-sector summary comes in both cases.
    EXPECT_EQ(host.dialogs.Texts().back(), "Source contained 1 bad sectors.");
    if (answer == Button::Yes) {
      EXPECT_EQ(drives.drives[0]->Reads(), 201 + 1);  // sector 5 read twice, nothing after 200
      EXPECT_EQ(test::ReadBytes(file), test::BytesOf("an older image"));
      EXPECT_TRUE(CancelRequested);
    } else {
      EXPECT_EQ(drives.drives[0]->Reads(), 720 + 1);
      EXPECT_TRUE(ReadImageFile(file));
      EXPECT_FALSE(CancelRequested);
    }
    EXPECT_TRUE(TransferFinished);
    EXPECT_EQ(host.dialogs.unscripted, 0);
  }
}

TEST(Save, TheDescriptionIsAppendedOnlyWhenIncluded) {
  for (bool include : {false, true}) {
    test::FaultyDrives drives(368640);
    test::RecordingHost host;
    host.includeDescription = include;
    ImageHeader header = kDiskFormats[3].Header();
    const std::string file = drives.dir.File("d.vnk");
    ASSERT_TRUE(SaveDiskImage(host, 0, header, file, "Lab notes"));
    EXPECT_EQ(ReadDescription(file), include ? "Lab notes" : "");
  }
}

TEST(Save, AFileThatCannotBeWrittenIsReportedAndTheOldOneKept) {
  test::FaultyDrives drives(368640);
  const std::string file = drives.dir.File("old.vnk");
  test::WriteBytes(file, test::BytesOf("an older image"));
  platform::FaultyFileSystem full(platform::RealFileSystem());
  full.FailAt(3);  // the first write of the new file
  test::RecordingHost host;
  ImageHeader header = kDiskFormats[3].Header();
  ASSERT_TRUE(SaveDiskImage(host, 0, header, file, "", full));
  ASSERT_EQ(host.dialogs.asked.size(), 1u);
  EXPECT_EQ(host.dialogs.asked[0].kind, DialogKind::Information);
  EXPECT_NE(host.dialogs.asked[0].text.find("\"" + file + "\""), std::string::npos)
      << host.dialogs.asked[0].text;
  EXPECT_EQ(test::ReadBytes(file), test::BytesOf("an older image"));
  EXPECT_TRUE(TransferFinished);
}

// --- Restoring --------------------------------------------------------------

// An image file of `sectors` (compressed when they compress) with a description.
std::string WriteImage(const test::TempDir& dir, const DiskFormat& format, const Bytes& sectors,
                       const std::string& description = "kept off the disk") {
  const std::string file = dir.File("image.vnk");
  std::optional<ByteBuffer> buffer = ByteBuffer::Allocate(sectors.size());
  std::copy(sectors.begin(), sectors.end(), buffer->data());
  ImageHeader header = format.Header();
  header.SectorCount = static_cast<uint16_t>(sectors.size() / kSectorSize);
  EXPECT_TRUE(WriteImageFile(file, header, *buffer, &description));
  return file;
}

Bytes DiskLikeSectors(std::size_t bytes) {
  Bytes sectors(bytes, 0xF6);
  Bytes noise = test::RandomBytes(bytes / 3, 9);
  std::copy(noise.begin(), noise.end(), sectors.begin() + 512);
  return sectors;
}

struct RestoreFigures {
  const DiskFormat* format;
  Lines captions;
  uint32_t lastWriteCount;  // 0: no last write
};

class RestoreProgress : public ::testing::TestWithParam<RestoreFigures> {};

TEST_P(RestoreProgress, WritesChunksOfAHundredThenTheRest) {
  const DiskFormat& format = *GetParam().format;
  test::FaultyDrives drives(format.Bytes());
  const Bytes sectors = DiskLikeSectors(format.Bytes());
  const std::string file = WriteImage(drives.dir, format, sectors);
  test::RecordingHost host;

  ASSERT_TRUE(RestoreDiskImage(host, 0, format.Header(), file));
  const uint32_t n = format.SectorCount, whole = n - n % 100;
  EXPECT_EQ(host.range, static_cast<int>(whole));
  Lines captions = GetParam().captions;
  captions.push_back("0%");  // the label goes back at the end
  EXPECT_EQ(host.captions, captions);
  EXPECT_EQ(host.positions.back(), static_cast<int>(whole));
  EXPECT_TRUE(host.dialogs.asked.empty());

  std::vector<platform::DriveCall> expected;
  for (uint32_t s = 0; s < whole; s += 100) expected.push_back({Operation::Write, s, 100, true});
  if (GetParam().lastWriteCount) expected.push_back({Operation::Write, whole, GetParam().lastWriteCount, true});
  EXPECT_EQ(drives.drives[0]->Calls(), expected);
  EXPECT_EQ(drives.Disk(0), sectors) << "the description block never reaches the disk";
  EXPECT_EQ(drives.drives[0]->Resets(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    EachFormat, RestoreProgress,
    ::testing::Values(
        RestoreFigures{&kDiskFormats[0],
                       Captions({3,  7,  10, 14, 17, 21, 25, 28, 32, 35, 39, 42, 46, 50,
                                 53, 57, 60, 64, 67, 71, 75, 78, 82, 85, 89, 92, 96, 100}),
                       80},
        RestoreFigures{&kDiskFormats[1],
                       Captions({4,  8,  12, 16, 20, 25, 29, 33, 37, 41, 45, 50,
                                 54, 58, 62, 66, 70, 75, 79, 83, 87, 91, 95, 100}),
                       0},
        RestoreFigures{&kDiskFormats[2],
                       Captions({7, 14, 21, 28, 35, 42, 50, 57, 64, 71, 78, 85, 92, 100}), 40},
        RestoreFigures{&kDiskFormats[3], Captions({14, 28, 42, 57, 71, 85, 100}), 20}),
    [](const auto& info) { return "Code" + std::to_string(info.param.format->FormatCode); });

TEST(Restore, AnImageOfFewerThanAHundredSectorsGoesOutInTheLastWrite) {
  test::FaultyDrives drives(368640);
  const Bytes sectors = DiskLikeSectors(60 * kSectorSize);
  const std::string file = WriteImage(drives.dir, kDiskFormats[3], sectors);
  test::RecordingHost host;
  ASSERT_TRUE(RestoreDiskImage(host, 0, kDiskFormats[3].Header(), file));
  EXPECT_EQ(host.range, 0);
  EXPECT_EQ(drives.drives[0]->Calls(), (std::vector<platform::DriveCall>{{Operation::Write, 0, 60, true}}));
  Bytes disk = drives.Disk(0);
  disk.resize(sectors.size());
  EXPECT_EQ(disk, sectors);
}

TEST(Restore, AWriteProtectedDiskGetsItsQuestion) {
  struct Case {
    const char* name;
    Button answer;
    bool removeProtection;
    Lines messages;
    bool written;
  };
  const Case cases[] = {
      {"Cancel", Button::Cancel, false, {"Disk is write protected."}, false},
      {"Retry after removing the protection", Button::Retry, true, {"Disk is write protected."}, true},
      {"Retry while still protected", Button::Retry, false,
       {"Disk is write protected.", "ERROR writing to disk."}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FaultyDrives drives(368640);
    const Bytes before = drives.Disk(0);
    const Bytes sectors = DiskLikeSectors(368640);
    const std::string file = WriteImage(drives.dir, kDiskFormats[3], sectors);
    drives.drives[0]->SetWriteProtected(true);
    test::RecordingHost host;
    host.dialogs.Answer(c.answer);
    // The user slides the tab back while the question is on screen.
    if (c.removeProtection) {
      host.dialogs.onAsk = [&](const platform::Question&) { drives.drives[0]->SetWriteProtected(false); };
    }
    ASSERT_TRUE(RestoreDiskImage(host, 0, kDiskFormats[3].Header(), file));
    EXPECT_EQ(host.dialogs.Texts(), c.messages);
    EXPECT_EQ(host.dialogs.asked[0].kind, DialogKind::Warning);
    EXPECT_EQ(host.dialogs.asked[0].buttons, (std::vector<Button>{Button::Retry, Button::Cancel}));
    EXPECT_EQ(drives.Disk(0), c.written ? sectors : before);
    EXPECT_TRUE(TransferFinished);
  }
}

TEST(Restore, CancelConfirmedBeforeTheFirstChunkWritesNothing) {
  test::FaultyDrives drives(368640);
  const Bytes before = drives.Disk(0);
  const std::string file = WriteImage(drives.dir, kDiskFormats[3], DiskLikeSectors(368640));
  test::RecordingHost host;
  host.onProcessMessages = [](int count) {
    if (count == 1) CancelRequested = true;  // clicked as soon as the dialog shows
  };
  host.dialogs.Answer(Button::Yes);
  ASSERT_TRUE(RestoreDiskImage(host, 0, kDiskFormats[3].Header(), file));
  EXPECT_EQ(host.dialogs.Texts(), Lines{"Terminate Image Restore ?"});
  EXPECT_EQ(drives.drives[0]->Writes(), 0);
  EXPECT_EQ(drives.Disk(0), before);
  EXPECT_EQ(drives.drives[0]->Resets(), 1) << "the ending still resets the disk system";
  EXPECT_TRUE(CancelRequested);
}

// The file is read as the disk is written: one that something else cuts short
// meanwhile stops the restore with its message, after the chunks it gave.
TEST(Restore, AFileCutShortDuringTheRestoreStopsIt) {
  const std::pair<const char*, Bytes> cases[] = {
      {"compressed", DiskLikeSectors(368640)},
      {"raw", test::RandomBytes(368640, 4)},
  };
  for (const auto& [name, sectors] : cases) {
    SCOPED_TRACE(name);
    test::FaultyDrives drives(368640);
    const Bytes before = drives.Disk(0);
    const std::string file = WriteImage(drives.dir, kDiskFormats[3], sectors);
    test::RecordingHost host;
    host.onProcessMessages = [&](int count) {
      if (count == 2) test::WriteBytes(file, test::BytesOf("cut short after the first chunk"));
    };
    ASSERT_TRUE(RestoreDiskImage(host, 0, kDiskFormats[3].Header(), file));
    EXPECT_EQ(host.dialogs.Texts(), Lines{"This file does not appear to be a correct .VNK file."});
    EXPECT_EQ(drives.drives[0]->Writes(), 1);
    Bytes expected = before;
    std::copy_n(sectors.begin(), 51200, expected.begin());
    EXPECT_EQ(drives.Disk(0), expected);
    EXPECT_TRUE(CancelRequested);
    EXPECT_TRUE(TransferFinished);
    EXPECT_EQ(drives.drives[0]->Resets(), 1);
  }
}

TEST(Restore, RefusesBeforeWritingAnything) {
  test::FaultyDrives drives(368640);
  const Bytes before = drives.Disk(0);
  const std::string good = WriteImage(drives.dir, kDiskFormats[3], DiskLikeSectors(368640));
  Bytes shortPayload = test::ReadBytes(good);
  shortPayload.resize(shortPayload.size() / 2);
  test::WriteBytes(drives.dir.File("short.vnk"), shortPayload);
  test::WriteBytes(drives.dir.File("text.vnk"), test::BytesOf("\x01\x02\x03\x04 not an image at all......."));

  const std::pair<std::string, std::string> cases[] = {
      {drives.dir.File("missing.vnk"), "ERROR opening file  " + drives.dir.File("missing.vnk")},
      {drives.dir.File("short.vnk"), "This file does not appear to be a correct .VNK file."},
      {drives.dir.File("text.vnk"), "This file does not appear to be a correct .VNK file."},
  };
  for (const auto& [file, message] : cases) {
    test::RecordingHost host;
    EXPECT_FALSE(RestoreDiskImage(host, 0, kDiskFormats[3].Header(), file));
    EXPECT_EQ(host.dialogs.Texts(), Lines{message});
    EXPECT_EQ(host.shown, 0);
  }
  test::RecordingHost host;
  EXPECT_FALSE(RestoreDiskImage(host, 0, kDiskFormats[0].Header(), good));
  EXPECT_EQ(host.dialogs.Texts(), Lines{"Target disk is not the same format as image file."});
  EXPECT_EQ(drives.drives[0]->Writes(), 0);
  EXPECT_EQ(drives.Disk(0), before);
}

}  // namespace
}  // namespace vornak
