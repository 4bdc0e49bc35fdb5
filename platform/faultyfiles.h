#pragma once

// A file system for tests that passes every operation on to another one,
// numbering them, and fails the one numbered `failAt` (counting from 1): with
// an error, or by ending the process on the spot as a crash or power cut would.

#include <string>

#include "platform/files.h"

namespace vornak::platform {

class FaultyFileSystem final : public FileSystem {
 public:
  enum class Fault { Error, EndProcess };

  explicit FaultyFileSystem(FileSystem& inner) : inner_(inner) {}

  // Fails operation `failAt`; 0 fails none.
  void FailAt(int failAt, Fault fault = Fault::Error) {
    failAt_ = failAt;
    fault_ = fault;
    count_ = 0;
  }
  // Operations carried out (or failed) since the last FailAt.
  int count() const { return count_; }
  // What operation number `failAt` was, once it has happened: "write", "rename"...
  const std::string& failedOperation() const { return failed_; }

  // The exit status of a process ended by Fault::EndProcess.
  static constexpr int kEndedStatus = 86;

  // Counts one operation; the failure to report when it is the chosen one.
  Status Step(const char* operation, const std::string& path);

  Result<std::unique_ptr<ReadableFile>> OpenForReading(const std::string& path) override;
  Result<std::unique_ptr<WritableFile>> Create(const std::string& path, unsigned permissions) override;
  Status CheckWritable(const std::string& path) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Status Remove(const std::string& path) override;
  Status SyncFolder(const std::string& folder) override;
  EntryKind Kind(const std::string& path) override { return inner_.Kind(path); }
  unsigned Permissions(const std::string& path) override { return inner_.Permissions(path); }

 private:
  FileSystem& inner_;
  int failAt_ = 0;
  int count_ = 0;
  Fault fault_ = Fault::Error;
  std::string failed_;
};

}  // namespace vornak::platform
