#include "bench/report.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>
#include <thread>

namespace vornak::bench {
namespace {

const char* DirectionName(Direction direction) {
  return direction == Direction::Compress ? "compress" : "expand";
}

// MB/s (10^6 bytes of the disk per second) of every repetition, sorted.
std::vector<double> Speeds(const Figure& figure) {
  std::vector<double> speeds;
  for (double seconds : figure.secondsPerRun) speeds.push_back(figure.bytes / seconds / 1e6);
  std::sort(speeds.begin(), speeds.end());
  return speeds;
}

double Median(const std::vector<double>& sorted) {
  if (sorted.empty()) return 0;
  const std::size_t middle = sorted.size() / 2;
  return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

std::string Format(const char* format, auto... values) {
  char text[128];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

// "12345 ±3%": the median and half the range of the repetitions around it.
std::string SpeedCell(const Figure* figure) {
  if (figure == nullptr) return "-";
  if (figure->failed) return "failed";
  const std::vector<double> speeds = Speeds(*figure);
  if (speeds.empty()) return "not run";
  const double median = Median(speeds);
  const double spread = (speeds.back() - speeds.front()) / 2 / median * 100;
  return Format("%.0f ±%.0f%%", median, spread);
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) >= 0x20) out += c;
  }
  return out + "\"";
}

}  // namespace

Machine ThisMachine() {
  Machine machine;
  char date[32];
  const std::time_t now = std::time(nullptr);
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M %Z", std::localtime(&now));
  machine.date = date;
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.rfind("model name", 0) == 0 && line.find(':') != std::string::npos) {
      machine.cpu = line.substr(line.find(':') + 2);
      break;
    }
  }
  machine.cores = std::thread::hardware_concurrency();
  return machine;
}

Figure& Figures::Add(const std::string& name, Figure figure) {
  order_.push_back(name);
  return byName_[name] = std::move(figure);
}

Figure* Figures::Find(const std::string& name) {
  auto found = byName_.find(name);
  return found == byName_.end() ? nullptr : &found->second;
}

const Figure* Figures::Lookup(const std::string& corpus, const std::string& codec,
                              Direction direction) const {
  for (const auto& [name, figure] : byName_) {
    if (figure.corpus == corpus && figure.codec == codec && figure.direction == direction) return &figure;
  }
  return nullptr;
}

void Figures::PrintTable(std::ostream& out, const Machine& machine) const {
  std::size_t runs = 0;
  for (const auto& [name, figure] : byName_) runs = std::max(runs, figure.secondsPerRun.size());
  out << "Codec speed, " << machine.date << ", " << machine.cpu << ", " << machine.cores
      << " cores\nMB/s = 10^6 disk bytes per second of the median call; median of " << runs
      << " runs ± half their range\nours/peer = vornak's MB/s over the peer's\n\n";
  out << Format("%-12s %-7s %15s %15s %18s %16s %16s\n", "corpus", "codec", "compress MB/s",
                "expand MB/s", "size", "ours/peer comp", "ours/peer exp");
  std::vector<std::pair<std::string, std::string>> rows;  // corpus, codec in registration order
  for (const std::string& name : order_) {
    const Figure& figure = byName_.at(name);
    std::pair<std::string, std::string> row{figure.corpus, figure.codec};
    if (std::find(rows.begin(), rows.end(), row) == rows.end()) rows.push_back(row);
  }
  for (const auto& [corpus, codec] : rows) {
    const Figure* compress = Lookup(corpus, codec, Direction::Compress);
    const Figure* expand = Lookup(corpus, codec, Direction::Expand);
    const Figure* any = compress != nullptr ? compress : expand;
    auto measured = [](const Figure* f) { return f != nullptr && (f->failed || !f->secondsPerRun.empty()); };
    if (!measured(compress) && !measured(expand)) continue;  // left out by a filter
    std::string size = any->raw ? Format("%zu raw", any->bytes)
                                : Format("%zu %5.1f%%", any->size, 100.0 * any->size / any->bytes);
    std::string ratios[2] = {"", ""};
    if (codec != kOurs) {
      int column = 0;
      for (Direction direction : {Direction::Compress, Direction::Expand}) {
        const Figure* ours = Lookup(corpus, kOurs, direction);
        const Figure* peer = codec == "memcpy" ? compress : Lookup(corpus, codec, direction);
        if (ours != nullptr && peer != nullptr && !ours->secondsPerRun.empty() &&
            !peer->secondsPerRun.empty()) {
          ratios[column] = Format("%.2fx", Median(Speeds(*ours)) / Median(Speeds(*peer)));
        }
        ++column;
      }
    }
    out << Format("%-12s %-7s %15s %15s %18s %16s %16s\n", corpus.c_str(), codec.c_str(),
                  SpeedCell(compress).c_str(), SpeedCell(expand).c_str(), size.c_str(),
                  ratios[0].c_str(), ratios[1].c_str());
  }
}

void Figures::WriteJson(std::ostream& out, const Machine& machine, const Transfers* transfers) const {
  out << "{\n  \"date\": " << JsonString(machine.date) << ",\n  \"cpu\": " << JsonString(machine.cpu)
      << ",\n  \"cores\": " << machine.cores
      << ",\n  \"unit\": \"MB/s, 10^6 disk bytes per second of the median call\",\n  \"results\": [";
  const char* separator = "\n";
  for (const std::string& name : order_) {
    const Figure& figure = byName_.at(name);
    const std::vector<double> speeds = Speeds(figure);
    out << separator << "    {\"corpus\": " << JsonString(figure.corpus)
        << ", \"codec\": " << JsonString(figure.codec) << ", \"direction\": \""
        << DirectionName(figure.direction) << "\", \"bytes\": " << figure.bytes
        << ", \"size\": " << figure.size << ", \"raw\": " << (figure.raw ? "true" : "false")
        << ", \"runs\": " << speeds.size();
    if (!speeds.empty()) {
      out << Format(", \"mb_per_s\": %.1f, \"mb_per_s_min\": %.1f, \"mb_per_s_max\": %.1f", Median(speeds),
                    speeds.front(), speeds.back());
    }
    const Figure* ours = Lookup(figure.corpus, kOurs, figure.direction);
    if (figure.codec != kOurs && ours != nullptr && !ours->secondsPerRun.empty() && !speeds.empty()) {
      out << Format(", \"ours_over_this\": %.3f", Median(Speeds(*ours)) / Median(speeds));
    }
    out << "}";
    separator = ",\n";
  }
  out << "\n  ]";
  if (transfers != nullptr) {
    out << ",\n  \"transfers\": ";
    transfers->WriteJson(out);
  }
  out << "\n}\n";
}

std::optional<Transfers> Transfers::Parse(std::istream& in, std::string& error) {
  Transfers transfers;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.empty()) continue;
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; fields.size() < 3 && std::getline(split, field, '\t');) fields.push_back(field);
    std::string value;
    std::getline(split, value);
    if (fields.size() != 3 || value.empty()) {
      error = "line " + std::to_string(number) + ": not operation, tool, field and value";
      return std::nullopt;
    }
    const std::string& operation = fields[0];
    const std::string& tool = fields[1];
    const std::string& field = fields[2];
    if (operation == "*") {
      if (field == "disk") transfers.disk_ = value;
      continue;
    }
    auto figure = std::find_if(transfers.figures_.begin(), transfers.figures_.end(), [&](const TransferFigure& f) {
      return f.operation == operation && f.tool == tool;
    });
    if (figure == transfers.figures_.end()) {
      figure = transfers.figures_.insert(transfers.figures_.end(), TransferFigure{operation, tool, "", {}, {}});
    }
    if (field == "command") {
      figure->command = value;
      continue;
    }
    long long parsed = 0;
    const auto [end, failed] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    if (failed != std::errc() || end != value.data() + value.size() || parsed < 0) {
      error = "line " + std::to_string(number) + ": " + field + " is not a count: " + value;
      return std::nullopt;
    }
    if (field == "wall_us") {
      figure->seconds.push_back(static_cast<double>(parsed) / 1e6);
    } else if (field == "peak_kb") {
      figure->peakKb.push_back(static_cast<double>(parsed));
    } else {
      error = "line " + std::to_string(number) + ": unknown field " + field;
      return std::nullopt;
    }
  }
  return transfers;
}

const TransferFigure* Transfers::Find(const std::string& operation, const std::string& tool) const {
  for (const TransferFigure& figure : figures_) {
    if (figure.operation == operation && figure.tool == tool) return &figure;
  }
  return nullptr;
}

namespace {

std::vector<double> Sorted(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values;
}

// "41.2 ±12%": the median in milliseconds and half the range around it.
std::string WallCell(const TransferFigure& figure) {
  const std::vector<double> seconds = Sorted(figure.seconds);
  if (seconds.empty()) return "not run";
  const double median = Median(seconds);
  return Format("%.1f ±%.0f%%", median * 1e3, (seconds.back() - seconds.front()) / 2 / median * 100);
}

double Fastest(const TransferFigure& figure) {
  return figure.seconds.empty() ? 0 : *std::min_element(figure.seconds.begin(), figure.seconds.end());
}

// The largest of the peaks, in MB (10^6 bytes).
double PeakMb(const TransferFigure& figure) {
  return figure.peakKb.empty() ? 0 : *std::max_element(figure.peakKb.begin(), figure.peakKb.end()) * 1024 / 1e6;
}

}  // namespace

void Transfers::PrintTable(std::ostream& out, const Machine& machine) const {
  std::size_t runs = 0, peaks = 0;
  for (const TransferFigure& figure : figures_) {
    runs = std::max(runs, figure.seconds.size());
    peaks = std::max(peaks, figure.peakKb.size());
  }
  out << "Transfers, " << machine.date << ", " << machine.cpu << ", " << machine.cores << " cores\n";
  if (!disk_.empty()) out << "The drive holds " << disk_ << "\n";
  out << "wall = median wall time of " << runs << " runs ± half their range; fastest = the fastest of them\n"
      << "peak = the largest maximum resident set size of " << peaks << " runs (/usr/bin/time -v)\n"
      << "vnk/dd = vnk's median over dd's, and vnk's fastest over dd's fastest\n\n";
  out << Format("%-9s %-5s %14s %8s %8s %8s %8s  %s\n", "operation", "tool", "wall ms", "fastest", "peak MB",
                "vnk/dd", "fastest", "command");
  for (const TransferFigure& figure : figures_) {
    std::string ratios[2];
    const TransferFigure* ours = Find(figure.operation, kOurTool);
    if (figure.tool != kOurTool && ours != nullptr && !ours->seconds.empty() && !figure.seconds.empty()) {
      ratios[0] = Format("%.2fx", Median(Sorted(ours->seconds)) / Median(Sorted(figure.seconds)));
      ratios[1] = Format("%.2fx", Fastest(*ours) / Fastest(figure));
    }
    out << Format("%-9s %-5s %14s %8.1f %8.1f %8s %8s  %s\n", figure.operation.c_str(), figure.tool.c_str(),
                  WallCell(figure).c_str(), Fastest(figure) * 1e3, PeakMb(figure), ratios[0].c_str(),
                  ratios[1].c_str(), figure.command.c_str());
  }
}

void Transfers::WriteJson(std::ostream& out) const {
  out << "[";
  const char* separator = "\n";
  for (const TransferFigure& figure : figures_) {
    const std::vector<double> seconds = Sorted(figure.seconds);
    out << separator << "    {\"operation\": " << JsonString(figure.operation)
        << ", \"tool\": " << JsonString(figure.tool) << ", \"command\": " << JsonString(figure.command)
        << ", \"disk\": " << JsonString(disk_) << ", \"runs\": " << seconds.size();
    if (!seconds.empty()) {
      out << Format(", \"wall_s\": %.6f, \"wall_s_min\": %.6f, \"wall_s_max\": %.6f", Median(seconds),
                    seconds.front(), seconds.back());
      out << ", \"wall_s_each\": [";
      for (std::size_t i = 0; i < figure.seconds.size(); ++i) {
        out << (i ? ", " : "") << Format("%.6f", figure.seconds[i]);
      }
      out << "]";
    }
    if (!figure.peakKb.empty()) {
      out << Format(", \"peak_kb\": %.0f", *std::max_element(figure.peakKb.begin(), figure.peakKb.end()));
    }
    const TransferFigure* ours = Find(figure.operation, kOurTool);
    if (figure.tool != kOurTool && ours != nullptr && !ours->seconds.empty() && !seconds.empty()) {
      out << Format(", \"ours_over_this\": %.3f, \"ours_over_this_fastest\": %.3f",
                    Median(Sorted(ours->seconds)) / Median(seconds), Fastest(*ours) / Fastest(figure));
    }
    out << "}";
    separator = ",\n";
  }
  out << "\n  ]";
}

}  // namespace vornak::bench
