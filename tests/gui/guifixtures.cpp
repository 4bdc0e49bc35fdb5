#include "tests/gui/guifixtures.h"

#include <QApplication>
#include <QCoreApplication>
#include <algorithm>

#include "app/startup.h"
#include "image/imageformat.h"
#include "inspect/displayimgfiles.h"
#include "tests/support/fixtures.h"

namespace vornak::test {

int64_t FakeDrives::DiskCapacity(int driveNumber) {
  capacityQueries.push_back(driveNumber);
  const int64_t answer = capacities.front();
  if (capacities.size() > 1) capacities.pop_front();
  return answer;
}

std::optional<std::vector<platform::DiskEntry>> FakeDrives::ListRootDirectory(int driveIndex) {
  listed.push_back(driveIndex);
  return entries[driveIndex];
}

Status FakeDrives::Format(const platform::FormatRequest& request,
                          const std::function<bool(int done, int total)>& progress) {
  formats.push_back(request);
  if (!request.quick) {
    for (int step = 1; step <= formatSteps; ++step) {
      if (onFormatStep) onFormatStep(step);
      if (!progress(step, formatSteps)) return Failure{"The format was cancelled."};
    }
  }
  return formatResult;
}

int ScriptedModals::RunModal(forms::TForm& form) {
  shown.push_back(form.objectName());
  if (actions_.empty()) {
    ++unscripted;
    return forms::mrCancel;
  }
  Action action = std::move(actions_.front());
  actions_.pop_front();
  return action(form);
}

void WindowTest::CreateWindows(platform::FileSystem& files) {
  application.reset();
  application = std::make_unique<forms::TApplication>(dialogs);
  vornak::CreateWindows(*application, {dialogs, drives, desktop, files});
}

void WindowTest::TearDown() {
  application.reset();
  EXPECT_EQ(dialogs.unscripted, 0) << "questions nobody expected";
  EXPECT_EQ(modals.unscripted, 0) << "modal windows nobody expected";
}

void WindowTest::ShowMainWindow() {
  Form1->show();
  Form1->activateWindow();
  QApplication::setActiveWindow(Form1);
  ProcessEvents();
}

void WriteImage(const std::string& path, const std::vector<std::vector<uint8_t>>& entries,
                const std::string& description) {
  const DiskFormat& format = kDiskFormats[3];
  const RootDirectoryRegion root = *StandardRootDirectory(format.FormatCode);
  const Bytes disk = DiskWithRootEntries(format.SectorCount, root.offset, entries);
  std::optional<ByteBuffer> sectors = ByteBuffer::Allocate(disk.size());
  ASSERT_TRUE(sectors.has_value());
  std::copy(disk.begin(), disk.end(), sectors->data());
  ImageHeader header = format.Header();
  Status written = WriteImageFile(path, header, *sectors, &description);
  ASSERT_TRUE(written.ok()) << written.message();
}

void ProcessEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

}  // namespace vornak::test
