#include "tests/support/fixtures.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include <gtest/gtest.h>

extern char** environ;

namespace vornak::test {
namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "vornak-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

Bytes BytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
std::string TextOf(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

Bytes RandomBytes(std::size_t size, uint32_t seed) {
  std::mt19937 generator(seed);
  Bytes bytes(size);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(generator());
  return bytes;
}

std::string ToolPath(std::string_view name) {
  std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  path += ":/usr/sbin:/sbin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    std::string candidate = path.substr(start, end - start) + "/" + std::string(name);
    if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

CommandResult Run(const std::vector<std::string>& argv, const std::string& stdinText) {
  TempDir scratch;
  const std::string inPath = scratch.File("in"), outPath = scratch.File("out"),
                    errPath = scratch.File("err");
  WriteBytes(inPath, BytesOf(stdinText));

  std::string program = argv.at(0);
  if (program.find('/') == std::string::npos) program = ToolPath(program);
  if (program.empty()) throw std::runtime_error("no such program: " + argv[0]);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> args;
  for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);

  pid_t pid = 0;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  CommandResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = TextOf(ReadBytes(outPath));
  result.err = TextOf(ReadBytes(errPath));
  return result;
}

CommandResult Vnk(const std::vector<std::string>& arguments, const std::string& stdinText) {
  std::vector<std::string> argv{VNK_PATH};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return Run(argv, stdinText);
}

void MakeFatDisk(const std::string& path, int kb, const std::string& label) {
  std::vector<std::string> argv{"mkfs.fat", "-C", "-i", "1234ABCD"};
  if (!label.empty()) argv.insert(argv.end(), {"-n", label});
  argv.insert(argv.end(), {path, std::to_string(kb)});
  ::unlink(path.c_str());
  CommandResult made = Run(argv);
  ASSERT_EQ(made.exitCode, 0) << made.err;
}

void Mtools(const std::string& tool, const std::vector<std::string>& arguments) {
  ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
  // mtools reads names in the locale's character set: UTF-8 for our tests.
  ::setenv("LC_ALL", "C.UTF-8", 1);
  std::vector<std::string> argv{tool};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  CommandResult done = Run(argv);
  ASSERT_EQ(done.exitCode, 0) << tool << ": " << done.err;
}

void PutFile(const std::string& disk, const std::string& dosName, const Bytes& contents) {
  TempDir scratch;
  WriteBytes(scratch.File("file"), contents);
  Mtools("mcopy", {"-i", disk, scratch.File("file"), dosName});
}

Bytes ShortEntry(std::string_view name11, uint8_t attributes) {
  Bytes entry(32, 0);
  for (std::size_t i = 0; i < 11; ++i) entry[i] = i < name11.size() ? name11[i] : ' ';
  entry[11] = attributes;
  return entry;
}

std::vector<Bytes> LongNameEntries(std::string_view name) {
  static constexpr std::size_t kCharacters[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  const std::size_t count = (name.size() + 12) / 13;
  std::vector<Bytes> entries;
  for (std::size_t part = count; part >= 1; --part) {
    Bytes entry(32, 0);
    entry[0] = static_cast<uint8_t>(part | (part == count ? 0x40 : 0));
    entry[11] = 0x0F;
    for (std::size_t i = 0; i < 13; ++i) {
      std::size_t at = (part - 1) * 13 + i;
      uint16_t character = at < name.size() ? static_cast<uint8_t>(name[at])
                           : at == name.size() ? 0x0000 : 0xFFFF;
      entry[kCharacters[i]] = static_cast<uint8_t>(character);
      entry[kCharacters[i] + 1] = static_cast<uint8_t>(character >> 8);
    }
    entries.push_back(entry);
  }
  return entries;
}

Bytes DiskWithRootEntries(std::size_t sectors, std::size_t offset, const std::vector<Bytes>& entries) {
  Bytes disk(sectors * 512, 0);
  std::size_t at = offset;
  for (const Bytes& entry : entries) {
    std::copy(entry.begin(), entry.end(), disk.begin() + static_cast<std::ptrdiff_t>(at));
    at += entry.size();
  }
  return disk;
}

}  // namespace vornak::test
