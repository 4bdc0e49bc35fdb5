#pragma once

// Turns the benchmark's runs into the table scripts/bench prints and the JSON
// it writes: MB/s per corpus, codec and direction, with the spread over the
// repetitions, the size each codec produces, and our speed over each peer's.

#include <cstddef>
#include <iosfwd>
#include <map>
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

// Figures by benchmark name, in the order they were registered.
class Figures {
 public:
  Figure& Add(const std::string& name, Figure figure);
  Figure* Find(const std::string& name);
  void PrintTable(std::ostream& out, const Machine& machine) const;
  void WriteJson(std::ostream& out, const Machine& machine) const;

 private:
  const Figure* Lookup(const std::string& corpus, const std::string& codec, Direction direction) const;

  std::vector<std::string> order_;
  std::map<std::string, Figure> byName_;
};

}  // namespace vornak::bench
