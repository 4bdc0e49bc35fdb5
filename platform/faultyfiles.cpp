#include "platform/faultyfiles.h"

#include <cstdlib>

namespace vornak::platform {
namespace {

class FaultyReadableFile final : public ReadableFile {
 public:
  FaultyReadableFile(FaultyFileSystem& fs, std::unique_ptr<ReadableFile> inner, std::string path)
      : fs_(fs), inner_(std::move(inner)), path_(std::move(path)) {}
  uint64_t Size() const override { return inner_->Size(); }
  Status ReadAt(uint64_t offset, std::span<uint8_t> bytes) override {
    if (Status step = fs_.Step("read", path_); !step) return step;
    return inner_->ReadAt(offset, bytes);
  }

 private:
  FaultyFileSystem& fs_;
  std::unique_ptr<ReadableFile> inner_;
  std::string path_;
};

class FaultyWritableFile final : public WritableFile {
 public:
  FaultyWritableFile(FaultyFileSystem& fs, std::unique_ptr<WritableFile> inner, std::string path)
      : fs_(fs), inner_(std::move(inner)), path_(std::move(path)) {}
  Status Write(std::span<const uint8_t> bytes) override {
    if (Status step = fs_.Step("write", path_); !step) return step;
    return inner_->Write(bytes);
  }
  Status Flush() override {
    if (Status step = fs_.Step("flush", path_); !step) return step;
    return inner_->Flush();
  }
  Status Sync() override {
    if (Status step = fs_.Step("sync", path_); !step) return step;
    return inner_->Sync();
  }
  Status Close() override {
    Status step = fs_.Step("close", path_);
    Status closed = inner_->Close();
    return step ? closed : step;
  }

 private:
  FaultyFileSystem& fs_;
  std::unique_ptr<WritableFile> inner_;
  std::string path_;
};

}  // namespace

Status FaultyFileSystem::Step(const char* operation, const std::string& path) {
  if (++count_ != failAt_) return Ok();
  failed_ = operation;
  if (fault_ == Fault::EndProcess) std::_Exit(kEndedStatus);
  return Failure{std::string("Cannot ") + operation + " \"" + path + "\": injected failure"};
}

Result<std::unique_ptr<ReadableFile>> FaultyFileSystem::OpenForReading(const std::string& path) {
  if (Status step = Step("open", path); !step) return step.failure();
  auto file = inner_.OpenForReading(path);
  if (!file) return file;
  return std::unique_ptr<ReadableFile>(
      new FaultyReadableFile(*this, std::move(file).value(), path));
}

Result<std::unique_ptr<WritableFile>> FaultyFileSystem::Create(const std::string& path,
                                                               unsigned permissions) {
  if (Status step = Step("create", path); !step) return step.failure();
  auto file = inner_.Create(path, permissions);
  if (!file) return file;
  return std::unique_ptr<WritableFile>(
      new FaultyWritableFile(*this, std::move(file).value(), path));
}

Status FaultyFileSystem::CheckWritable(const std::string& path) {
  if (Status step = Step("open", path); !step) return step;
  return inner_.CheckWritable(path);
}

Status FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  if (Status step = Step("rename", to); !step) return step;
  return inner_.Rename(from, to);
}

Status FaultyFileSystem::Remove(const std::string& path) {
  if (Status step = Step("remove", path); !step) return step;
  return inner_.Remove(path);
}

Status FaultyFileSystem::SyncFolder(const std::string& folder) {
  if (Status step = Step("sync", folder); !step) return step;
  return inner_.SyncFolder(folder);
}

}  // namespace vornak::platform
