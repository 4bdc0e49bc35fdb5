#include "bench/corpora.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace vornak::bench {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// splitmix64: the same numbers on every machine, for every seed.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number in [0, bound).
  uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(Next() % bound); }

 private:
  uint64_t state_;
};

constexpr std::array kWords = {
    "the",    "disk",    "of",      "and",     "a",        "to",      "in",     "file",
    "sector", "is",      "that",    "for",     "it",       "with",    "as",     "was",
    "on",     "data",    "drive",   "be",      "at",       "by",      "this",   "had",
    "from",   "or",      "have",    "an",      "they",     "which",   "one",    "you",
    "were",   "her",     "all",     "she",     "there",    "would",   "their",  "we",
    "him",    "been",    "has",     "when",    "who",      "will",    "more",   "no",
    "if",     "out",     "so",      "said",    "what",     "up",      "its",    "about",
    "into",   "than",    "them",    "can",     "only",     "other",   "new",    "some",
    "could",  "time",    "these",   "two",     "may",      "then",    "do",     "first",
    "any",    "my",      "now",     "such",    "like",     "our",     "over",   "man",
    "me",     "even",    "most",    "made",    "after",    "also",    "did",    "many",
    "before", "must",    "through", "back",    "years",    "where",   "much",   "your",
    "way",    "well",    "down",    "should",  "because",  "each",    "just",   "those",
    "people", "how",     "too",     "little",  "state",    "good",    "very",   "make",
    "world",  "still",   "own",     "see",     "men",      "work",    "long",   "get",
    "here",   "between", "both",    "life",    "being",    "under",   "never",  "day",
    "archive", "floppy", "format",  "image",   "restore",  "backup",  "copy",   "label"};

void Append(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

// DOS text: sentences of common words in lines of at most 72 characters, CR LF,
// a blank line between paragraphs. With `indented`, lines start with 0 to 12
// blanks in steps of 4, as in program sources.
Bytes Text(std::size_t size, uint64_t seed, bool indented) {
  Random random(seed);
  Bytes out;
  std::size_t column = 0;
  bool sentenceStart = true;
  while (out.size() < size) {
    if (column == 0 && indented) {
      const std::size_t blanks = 4 * random.Below(4);
      out.insert(out.end(), blanks, ' ');
      column = blanks;
    }
    std::string word = kWords[random.Below(kWords.size())];
    if (sentenceStart) word[0] = static_cast<char>(word[0] - 'a' + 'A');
    sentenceStart = random.Below(9) == 0;
    if (sentenceStart) word += random.Below(4) == 0 ? "," : ".";
    if (column > 0 && column + 1 + word.size() > 72) {
      Append(out, random.Below(8) == 0 ? "\r\n\r\n" : "\r\n");
      column = 0;
      continue;
    }
    if (column > 0 && out.back() != ' ') {
      out.push_back(' ');
      ++column;
    }
    Append(out, word);
    column += word.size();
  }
  out.resize(size);
  return out;
}

// Something like a program or a data file: a header padded with zeros, code-like
// bytes biased towards small values, tables of rising 16-bit numbers, and blocks
// of zeros or FF bytes of assorted lengths.
Bytes Binary(std::size_t size, uint64_t seed) {
  Random random(seed);
  Bytes out{'M', 'Z'};
  for (int i = 0; i < 30; ++i) out.push_back(static_cast<uint8_t>(random.Below(16)));
  out.resize(512, 0);
  while (out.size() < size) {
    switch (random.Below(4)) {
      case 0:
      case 1:
        for (uint32_t n = 200 + random.Below(2000); n > 0; --n) {
          const uint64_t r = random.Next();
          out.push_back(static_cast<uint8_t>((r & 3) == 0 ? r >> 8 : (r >> 8) & 0x1F));
        }
        break;
      case 2: {
        uint16_t value = static_cast<uint16_t>(random.Below(1000));
        for (uint32_t n = 16 + random.Below(200); n > 0; --n) {
          value = static_cast<uint16_t>(value + random.Below(40));
          out.push_back(static_cast<uint8_t>(value));
          out.push_back(static_cast<uint8_t>(value >> 8));
        }
        break;
      }
      default:
        out.insert(out.end(), 16 + random.Below(600), random.Below(5) == 0 ? 0xFF : 0x00);
    }
  }
  out.resize(size);
  return out;
}

Bytes Noise(std::size_t size, uint64_t seed) {
  Random random(seed);
  Bytes out(size);
  for (uint8_t& byte : out) byte = static_cast<uint8_t>(random.Next() >> 56);
  return out;
}

struct File {
  std::string dosName;  // 8.3, upper case: no long-name entries
  Bytes contents;
};

// The folder the corpora are made in; removed with what is in it.
class Scratch {
 public:
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "vornak-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a scratch folder");
    path_ = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// mkfs.fat lives in sbin, which is not always on PATH.
std::string ToolPath(const std::string& name) {
  for (const char* folder : {"/usr/sbin/", "/sbin/", "/usr/bin/", "/bin/"}) {
    const std::string path = folder + name;
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return name;
}

void RunTool(std::vector<std::string> argv) {
  argv[0] = ToolPath(argv[0]);
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (error != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    throw std::runtime_error("could not run " + argv[0] + " (are dosfstools and mtools installed?)");
  }
}

// A disk of `kb` KB formatted with a fixed serial and the given files, written
// with fixed modification times so that the disk is the same byte for byte.
Bytes MakeDisk(int kb, const std::vector<File>& files) {
  Scratch scratch;
  const std::string disk = (scratch.path() / "disk.img").string();
  RunTool({"mkfs.fat", "-C", "--invariant", "-i", "1234ABCD", disk, std::to_string(kb)});
  const std::chrono::sys_seconds newYear2024{std::chrono::sys_days{std::chrono::year{2024} / 1 / 1}};
  const auto fixedTime = std::chrono::file_clock::from_sys(newYear2024);
  for (const File& file : files) {
    const fs::path source = scratch.path() / file.dosName;
    std::ofstream(source, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.contents.data()),
               static_cast<std::streamsize>(file.contents.size()));
    fs::last_write_time(source, fixedTime);
    RunTool({"mcopy", "-i", disk, "-m", source.string(), "::" + file.dosName});
  }
  std::ifstream in(disk, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::vector<Corpus> BuildCorpora() {
  std::vector<Corpus> corpora;
  corpora.push_back({"blank-1440", "1.44 MB disk, freshly formatted", MakeDisk(1440, {})});
  corpora.push_back({"half-1440", "1.44 MB disk, half full of text and binary files",
                     MakeDisk(1440, {{"README.TXT", Text(30000, 1, false)},
                                     {"NOTES.TXT", Text(60000, 2, false)},
                                     {"LETTERS.TXT", Text(65000, 3, false)},
                                     {"REPORT.TXT", Text(70000, 4, false)},
                                     {"MAIN.C", Text(45000, 5, true)},
                                     {"PROGRAM.EXE", Binary(120000, 6)},
                                     {"DATA.DAT", Binary(150000, 7)},
                                     {"TABLES.BIN", Binary(80000, 8)},
                                     {"SETUP.EXE", Binary(100000, 9)}})});
  std::vector<File> noise;
  for (int i = 0; i < 5; ++i) noise.push_back({"RANDOM" + std::to_string(i) + ".BIN", Noise(260000, 20 + i)});
  corpora.push_back({"random-1440", "1.44 MB disk, 1.3 MB of files of random bytes",
                     MakeDisk(1440, noise)});
  corpora.push_back({"half-720", "720 KB disk, half full of text and binary files",
                     MakeDisk(720, {{"NOTES.TXT", Text(60000, 30, false)},
                                    {"README.TXT", Text(40000, 31, false)},
                                    {"MAIN.C", Text(50000, 32, true)},
                                    {"PROGRAM.EXE", Binary(100000, 33)},
                                    {"DATA.DAT", Binary(100000, 34)}})});
  return corpora;
}

}  // namespace vornak::bench
