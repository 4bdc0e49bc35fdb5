// A library preloaded into vnk by tests: reads of chosen sectors of one file
// fail with EIO at the system call, as a floppy with a bad sector answers.
//   VORNAK_TEST_EIO_FILE     the file (or device) whose reads fail
//   VORNAK_TEST_EIO_SECTORS  the sectors, separated by commas
//   VORNAK_TEST_SLOW_READS   microseconds every read of that file takes, as a
//                            real drive's would (for interrupting a transfer)

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using PreadFunction = ssize_t (*)(int, void*, size_t, off_t);

bool IsTheFile(int fd) {
  const char* file = std::getenv("VORNAK_TEST_EIO_FILE");
  if (file == nullptr) return false;
  char path[4096];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = ::readlink(link.c_str(), path, sizeof path - 1);
  if (length < 0) return false;
  path[length] = '\0';
  return std::strcmp(path, file) == 0;
}

bool HitsBadSector(size_t count, off_t offset) {
  const char* sectors = std::getenv("VORNAK_TEST_EIO_SECTORS");
  if (sectors == nullptr) return false;
  for (const char* at = sectors; *at != '\0';) {
    char* end = nullptr;
    const long long sector = std::strtoll(at, &end, 10);
    if (end == at) break;
    const off_t begin = static_cast<off_t>(sector) * 512;
    if (begin < offset + static_cast<off_t>(count) && offset < begin + 512) return true;
    at = *end == ',' ? end + 1 : end;
  }
  return false;
}

ssize_t Forward(const char* name, int fd, void* buffer, size_t count, off_t offset) {
  if (IsTheFile(fd)) {
    if (const char* slow = std::getenv("VORNAK_TEST_SLOW_READS")) ::usleep(static_cast<useconds_t>(std::atoi(slow)));
    if (HitsBadSector(count, offset)) {
      errno = EIO;
      return -1;
    }
  }
  auto next = reinterpret_cast<PreadFunction>(::dlsym(RTLD_NEXT, name));
  return next(fd, buffer, count, offset);
}

}  // namespace

extern "C" ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
  return Forward("pread", fd, buffer, count, offset);
}

extern "C" ssize_t pread64(int fd, void* buffer, size_t count, off_t offset) {
  return Forward("pread64", fd, buffer, count, offset);
}
