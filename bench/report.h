#pragma once

// Turns the benchmark's runs into the table scripts/bench prints and the JSON
// it writes: MB/s per corpus, codec and direction, with the spread over the
// repetitions, the size each codec produces, and our speed over each peer's;
// and the wall time and peak memory of vnk's transfers against dd's.

#include <cstddef>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vornak::bench {

// The codec whose speed the others are compared with.
inline constexpr const char* kOurs = "vornak";

enum class Direction { Compress, Expand };

// One benchmark: `bytes` of a disk compressed or expanded (or copied, for
// memcpy) per iteration; `size` is what compression produced.
struct Figure {
  std::string corpus;
  std::string codec;
  Direction direction = Direction::Compress;
  std::size_t bytes = 0;
  std::size_t size = 0;
  bool raw = false;     // our codec gave no stream; the disk is stored raw
  bool failed = false;  // the benchmark stopped with an error
  std::vector<double> secondsPerRun;  // median seconds of an iteration, one per repetition
};

struct Machine {
  std::string date;
  std::string cpu;
  unsigned cores = 0;
};

Machine ThisMachine();

class Transfers;

// Figures by benchmark name, in the order they were registered.
class Figures {
 public:
  Figure& Add(const std::string& name, Figure figure);
  Figure* Find(const std::string& name);
  void PrintTable(std::ostream& out, const Machine& machine) const;
  // The whole JSON document; the transfers go in it when there are any.
  void WriteJson(std::ostream& out, const Machine& machine, const Transfers* transfers = nullptr) const;

 private:
  const Figure* Lookup(const std::string& corpus, const std::string& codec, Direction direction) const;

  std::vector<std::string> order_;
  std::map<std::string, Figure> byName_;
};

// The tool whose transfers the others are compared with.
inline constexpr const char* kOurTool = "vnk";

// One command that moves a whole disk, run several times by scripts/bench.
struct TransferFigure {
  std::string operation;  // "save" or "restore"
  std::string tool;       // "vnk" or "dd"
  std::string command;    // as it was run, with placeholders for the paths
  std::vector<double> seconds;  // wall time of every timed run
  std::vector<double> peakKb;   // maximum resident set size of every measured run
};

// The timings of `vnk save` and `vnk restore` against dd that scripts/bench
// takes. It writes them one to a line, tab-separated: operation, tool, field
// (command, wall_us or peak_kb) and value; the operation "*" with the field
// "disk" names the disk the drive held.
class Transfers {
 public:
  // Nothing, and the reason in `error`, for a line that is not of that form.
  static std::optional<Transfers> Parse(std::istream& in, std::string& error);

  void PrintTable(std::ostream& out, const Machine& machine) const;
  // The JSON array of the transfers.
  void WriteJson(std::ostream& out) const;

 private:
  const TransferFigure* Find(const std::string& operation, const std::string& tool) const;

  std::string disk_;
  std::vector<TransferFigure> figures_;  // in the order they first appear
};

}  // namespace vornak::bench
