// Our run-length codec against the libraries a user would compress a disk image
// with instead, and against memcpy, on four disks made by mkfs.fat and mcopy.
// Prints the figures as one table on stdout; --json FILE also writes them.
// Google Benchmark flags (--benchmark_repetitions, --benchmark_filter, ...)
// are passed through.
//
// Two more uses for scripts/bench, which times vnk's transfers against dd:
// --write-disk NAME FILE writes one of the disks to FILE and stops (the drive
// the transfers use), and --transfers FILE adds the timings read from FILE to
// the output and to the JSON.

#include <benchmark/benchmark.h>
#include <lz4.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "bench/corpora.h"
#include "bench/report.h"
#include "image/compress3.h"

namespace vornak::bench {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr const char* kMedianCounter = "median_ns";

// A peer codec: both directions into a buffer of the given capacity; 0 for failure.
struct Peer {
  std::string name;
  std::function<std::size_t(const Bytes& in, uint8_t* out, std::size_t capacity)> compress;
  std::function<std::size_t(const uint8_t* in, std::size_t length, uint8_t* out, std::size_t capacity)>
      expand;  // empty for memcpy
};

std::vector<Peer> Peers() {
  static ZSTD_CCtx* zstdCompress = ZSTD_createCCtx();
  static ZSTD_DCtx* zstdExpand = ZSTD_createDCtx();
  return {
      {"memcpy",
       [](const Bytes& in, uint8_t* out, std::size_t) {
         std::memcpy(out, in.data(), in.size());
         return in.size();
       },
       nullptr},
      {"lz4",
       [](const Bytes& in, uint8_t* out, std::size_t capacity) -> std::size_t {
         return LZ4_compress_default(reinterpret_cast<const char*>(in.data()), reinterpret_cast<char*>(out),
                                     static_cast<int>(in.size()), static_cast<int>(capacity));
       },
       [](const uint8_t* in, std::size_t length, uint8_t* out, std::size_t capacity) -> std::size_t {
         const int n = LZ4_decompress_safe(reinterpret_cast<const char*>(in), reinterpret_cast<char*>(out),
                                           static_cast<int>(length), static_cast<int>(capacity));
         return n < 0 ? 0 : static_cast<std::size_t>(n);
       }},
      {"zstd-1",
       [](const Bytes& in, uint8_t* out, std::size_t capacity) -> std::size_t {
         const std::size_t n = ZSTD_compressCCtx(zstdCompress, out, capacity, in.data(), in.size(), 1);
         return ZSTD_isError(n) ? 0 : n;
       },
       [](const uint8_t* in, std::size_t length, uint8_t* out, std::size_t capacity) -> std::size_t {
         const std::size_t n = ZSTD_decompressDCtx(zstdExpand, out, capacity, in, length);
         return ZSTD_isError(n) ? 0 : n;
       }},
      {"zlib-1",
       [](const Bytes& in, uint8_t* out, std::size_t capacity) -> std::size_t {
         uLongf n = capacity;
         return compress2(out, &n, in.data(), in.size(), 1) == Z_OK ? n : 0;
       },
       [](const uint8_t* in, std::size_t length, uint8_t* out, std::size_t capacity) -> std::size_t {
         uLongf n = capacity;
         return uncompress(out, &n, in, length) == Z_OK ? n : 0;
       }},
  };
}

// Room for any peer's worst case on a disk of `size` bytes.
std::size_t Capacity(std::size_t size) {
  return std::max({static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(size))),
                   ZSTD_compressBound(size), static_cast<std::size_t>(compressBound(size))});
}

// Times `call` alone on every iteration, after an untimed `prepare`, with the
// steady clock (no system call, so nothing flushes caches or TLB in between).
// Google Benchmark gets each time; the median is kept as a counter, so that
// the odd iteration a busy machine preempts does not move the figure.
template <class Prepare, class Call>
void TimeEach(benchmark::State& state, Prepare prepare, Call call) {
  std::vector<double> nanoseconds;
  for (auto _ : state) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    call();
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count() / 1e9);
    nanoseconds.push_back(took.count());
  }
  std::nth_element(nanoseconds.begin(), nanoseconds.begin() + nanoseconds.size() / 2, nanoseconds.end());
  state.counters[kMedianCounter] = nanoseconds[nanoseconds.size() / 2];
}

// CompressBuffer works in place, so every iteration starts from a fresh copy
// of the disk.
void CompressOurs(benchmark::State& state, const Corpus& corpus, Figure& figure) {
  const int32_t length = static_cast<int32_t>(corpus.bytes.size());
  Bytes work(corpus.bytes.size() + 1);
  int32_t streamLength = 0;
  TimeEach(
      state, [&] { std::memcpy(work.data(), corpus.bytes.data(), corpus.bytes.size()); },
      [&] {
        streamLength = CompressBuffer(work.data(), length);
        benchmark::DoNotOptimize(streamLength);
        benchmark::ClobberMemory();
      });
  figure.raw = streamLength == 0;
  figure.size = figure.raw ? corpus.bytes.size() : static_cast<std::size_t>(streamLength);
  Bytes expanded(corpus.bytes.size());
  if (!figure.raw && (!ExpandStream({work.data(), figure.size}, expanded) || expanded != corpus.bytes)) {
    state.SkipWithError("CompressBuffer wrote a stream that does not give back the disk");
  }
}

// ExpandBuffer as the restore calls it: it takes a heap buffer holding the
// stream and returns a new one with the disk, so the output's allocation is
// part of what is timed.
void ExpandOurs(benchmark::State& state, const Corpus& corpus, const Bytes& stream) {
  std::optional<ByteBuffer> input;
  Expansion last;
  TimeEach(
      state,
      [&] {
        last = Expansion();
        input = ByteBuffer::Allocate(stream.size());
        std::memcpy(input->data(), stream.data(), stream.size());
      },
      [&] {
        last = ExpandBuffer(*input);
        benchmark::DoNotOptimize(last.data);
      });
  if (!last || last.data->size() != corpus.bytes.size() ||
      std::memcmp(last.data->data(), corpus.bytes.data(), corpus.bytes.size()) != 0) {
    state.SkipWithError("ExpandBuffer did not give back the disk");
  }
}

// The peers get what ExpandBuffer and CompressBuffer get: their input freshly
// copied into place before each timed call, so every codec starts with the
// same bytes in the same cache state.
void ComparePeer(benchmark::State& state, const Peer& peer, const Corpus& corpus, Direction direction,
                 Figure& figure) {
  Bytes compressed(Capacity(corpus.bytes.size()));
  const std::size_t size = peer.compress(corpus.bytes, compressed.data(), compressed.size());
  if (size == 0) return state.SkipWithError("compression failed");
  compressed.resize(size);
  figure.size = size;
  const Bytes& source = direction == Direction::Compress ? corpus.bytes : compressed;
  Bytes input(source.size());
  Bytes out(std::max(Capacity(corpus.bytes.size()), corpus.bytes.size()));
  std::size_t produced = 0;
  TimeEach(
      state, [&] { std::memcpy(input.data(), source.data(), source.size()); },
      [&] {
        produced = direction == Direction::Compress
                       ? peer.compress(input, out.data(), out.size())
                       : peer.expand(input.data(), input.size(), out.data(), corpus.bytes.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
      });
  if (direction == Direction::Expand &&
      (produced != corpus.bytes.size() || std::memcmp(out.data(), corpus.bytes.data(), produced) != 0)) {
    state.SkipWithError("expansion did not give back the disk");
  }
}

// Keeps the console report (on stderr) and collects each repetition's time.
class Collector : public benchmark::ConsoleReporter {
 public:
  explicit Collector(Figures& figures) : figures_(figures) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      Figure* figure = figures_.Find(run.run_name.function_name);
      if (figure == nullptr || run.run_type != Run::RT_Iteration) continue;
      figure->failed |= run.error_occurred;
      if (!run.error_occurred) {
        auto median = run.counters.find(kMedianCounter);
        if (median != run.counters.end()) figure->secondsPerRun.push_back(median->second.value / 1e9);
      }
    }
  }

 private:
  Figures& figures_;
};

void Register(Figures& figures, const std::vector<Corpus>& corpora, const std::vector<Peer>& peers) {
  for (const Corpus& corpus : corpora) {
    const std::size_t bytes = corpus.bytes.size();
    auto add = [&](const std::string& codec, Direction direction, auto body) {
      const std::string name = corpus.name + "/" + codec + (direction == Direction::Compress ? "/compress" : "/expand");
      Figure figureOf;
      figureOf.corpus = corpus.name;
      figureOf.codec = codec;
      figureOf.direction = direction;
      figureOf.bytes = figureOf.size = bytes;
      Figure& figure = figures.Add(name, figureOf);
      benchmark::RegisterBenchmark(name.c_str(), [body, &figure, bytes](benchmark::State& state) {
        body(state, figure);
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
      })->Unit(benchmark::kMicrosecond)->UseManualTime();
    };

    Bytes stream = corpus.bytes;
    stream.push_back(0);
    const int32_t length = CompressBuffer(stream.data(), static_cast<int32_t>(bytes));
    add(kOurs, Direction::Compress,
        [&corpus](benchmark::State& state, Figure& figure) { CompressOurs(state, corpus, figure); });
    if (length > 0) {
      stream.resize(static_cast<std::size_t>(length));
      add(kOurs, Direction::Expand, [&corpus, stream](benchmark::State& state, Figure& figure) {
        figure.size = stream.size();
        ExpandOurs(state, corpus, stream);
      });
    }
    for (const Peer& peer : peers) {
      for (Direction direction : {Direction::Compress, Direction::Expand}) {
        if (direction == Direction::Expand && !peer.expand) continue;
        add(peer.name, direction, [&peer, &corpus, direction](benchmark::State& state, Figure& figure) {
          ComparePeer(state, peer, corpus, direction, figure);
        });
      }
    }
  }
}

// Writes the disk called `name` to `path`, as the drive of the transfer timings.
int WriteDisk(const std::vector<Corpus>& corpora, const std::string& name, const std::string& path) {
  for (const Corpus& corpus : corpora) {
    if (corpus.name != name) continue;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(corpus.bytes.data()), static_cast<std::streamsize>(corpus.bytes.size()));
    out.close();
    if (out) {
      std::cout << corpus.name << ": " << corpus.what << "\n";
      return 0;
    }
    std::cerr << "vornak_bench: cannot write " << path << "\n";
    return 1;
  }
  std::cerr << "vornak_bench: there is no disk called " << name << "\n";
  return 2;
}

}  // namespace
}  // namespace vornak::bench

int main(int argc, char** argv) {
  using namespace vornak::bench;
  // Our defaults go first so that the caller's flags win. Interleaving the
  // repetitions spreads the noise of a busy machine over all codecs alike.
  std::vector<char*> args{argv[0]};
  std::string defaults[] = {"--benchmark_repetitions=5", "--benchmark_min_time=0.1",
                            "--benchmark_enable_random_interleaving=true"};
  for (std::string& flag : defaults) args.push_back(flag.data());
  std::optional<std::string> jsonPath, transfersPath, diskName, diskPath;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0 && i + 1 < argc) {
      jsonPath = argv[++i];
    } else if (std::strcmp(argv[i], "--transfers") == 0 && i + 1 < argc) {
      transfersPath = argv[++i];
    } else if (std::strcmp(argv[i], "--write-disk") == 0 && i + 2 < argc) {
      diskName = argv[++i];
      diskPath = argv[++i];
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;

  std::vector<Corpus> corpora;
  try {
    corpora = BuildCorpora();
  } catch (const std::exception& error) {
    std::cerr << "vornak_bench: " << error.what() << "\n";
    return 1;
  }
  if (diskName) return WriteDisk(corpora, *diskName, *diskPath);

  std::optional<Transfers> transfers;
  if (transfersPath) {
    std::ifstream in(*transfersPath);
    std::string error = "cannot be read";
    if (in) transfers = Transfers::Parse(in, error);
    if (!transfers) {
      std::cerr << "vornak_bench: " << *transfersPath << ": " << error << "\n";
      return 1;
    }
  }
  const std::vector<Peer> peers = Peers();
  Figures figures;
  Register(figures, corpora, peers);

  Collector collector(figures);
  collector.SetOutputStream(&std::cerr);
  collector.SetErrorStream(&std::cerr);
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();

  const Machine machine = ThisMachine();
  for (const Corpus& corpus : corpora) std::cout << corpus.name << ": " << corpus.what << "\n";
  std::cout << "\n";
  figures.PrintTable(std::cout, machine);
  if (transfers) {
    std::cout << "\n";
    transfers->PrintTable(std::cout, machine);
  }
  if (jsonPath) {
    std::ofstream json(*jsonPath);
    figures.WriteJson(json, machine, transfers ? &*transfers : nullptr);
    if (!json) {
      std::cerr << "vornak_bench: cannot write " << *jsonPath << "\n";
      return 1;
    }
  }
  return 0;
}
