// ruvo-tool totals: result files totalled per test, as a drop of files and folders on the
// main window totals them; the wide table for statistics software; the chart's figures.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "core/report/sumup.h"
#include "core/storage/compressstringlist.h"
#include "core/text/strings.h"
#include "tool.h"

namespace ruvo::tool {

namespace fs = std::filesystem;

namespace {

bool isResultFile(const fs::path& p) { return text::asciiLower(p.extension().string()) == ".ruvot"; }

// Result files are a few hundred bytes: one read usually takes all of it, and a short read of
// a regular file is its end, so no size query and no second read are spent per file.
bool readSmallFile(const std::string& path, std::string& out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[16384];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      break;
    }
    out.append(buf, static_cast<std::size_t>(n));
    if (static_cast<std::size_t>(n) < sizeof buf) break;
  }
  ::close(fd);
  return ok;
}

// The lines of a result file; none when it cannot be read or decoded. Straight to the read:
// a file that vanished meanwhile is simply not there to take in.
std::vector<std::string> readResult(const std::string& path) {
  std::string coded;
  if (!readSmallFile(path, coded)) return {};
  storage::TCompressStringList lines;
  if (!lines.LoadFromCompressedStream(coded)) return {};
  return std::move(lines.Lines);
}

// Reading and decoding run on several threads; the results are taken in afterwards in the
// order of the paths, so the tables do not depend on the threads.
void addFiles(const std::vector<std::string>& paths, report::TSumUpList& list) {
  std::vector<std::vector<std::string>> read(paths.size());
  const unsigned threads = paths.size() < 512 ? 1 : std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(64)) < paths.size();)
      for (std::size_t k = i; k < std::min(i + 64, paths.size()); ++k) read[k] = readResult(paths[k]);
  };
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (auto& t : pool) t.join();
  for (const auto& lines : read)
    if (lines.size() >= 2) list.AddResult(lines);
}

// Shortest decimal form of a single-precision figure, so 0.6666667 does not print as
// 0.6666666865348816.
double figure(float v) {
  if (v == std::floor(v)) return v;  // whole numbers (2^31 for no points) exactly
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  double d = v;
  std::from_chars(buf, r.ptr, d);
  return d;
}

int runTotals(const Args& args) {
  enum class Mode { Tables, Spss, Stats } mode = Mode::Tables;
  Args paths;
  for (const auto& a : args) {
    if (a == "--spss" || a == "--stats") {
      if (mode != Mode::Tables) return usageError("totals", "--spss and --stats exclude each other");
      mode = a == "--spss" ? Mode::Spss : Mode::Stats;
    } else if (!a.empty() && a[0] == '-') {
      return usageError("totals", "unknown option " + a);
    } else {
      paths.push_back(a);
    }
  }
  if (paths.empty()) return usageError("totals", "PATH... is required");

  report::TSumUpList list;
  std::string error;
  if (!LoadResults(paths, list, error)) return refuse(error);

  std::vector<std::string> lines;
  list.WriteTables(lines);
  std::string out;
  if (mode == Mode::Stats) {
    const report::TWpmScores& s = list.Scores();
    const report::TScoreStats st = s.Stats();
    const report::TRegression r = s.Regression();
    nlohmann::ordered_json j;
    j["count"] = st.Count;
    j["validCount"] = st.ValidCount;
    j["meanWpm"] = figure(st.MeanWpm);
    j["meanScore"] = figure(st.MeanScore);
    j["meanEfficiency"] = figure(st.MeanEfficiency);
    j["maxWpm"] = figure(st.MaxWpm);
    j["minWpm"] = figure(st.MinWpm);
    j["axisSteps"] = st.AxisSteps;
    j["slope"] = r.Slope;
    j["intercept"] = r.Intercept;
    j["firstDate"] = s.FirstDate;
    j["lastDate"] = s.LastDate;
    out = j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  } else {
    // The merged table follows the order the tables were last written in.
    if (mode == Mode::Spss) list.BuildMergedTable(lines);
    for (const auto& l : lines) {
      out += l;
      out += '\n';
    }
  }
  return emit("-", out);
}

const ToolCommand kTotals(
    "totals",
    "  totals [--spss | --stats] PATH...\n"
    "      totals result files (.ruvot; a folder: every one below it) into one table per test and\n"
    "      prints the tables; --spss the wide table with one row per examinee name; --stats the\n"
    "      chart's figures as JSON. Items of other types are named on stderr and left out.\n",
    runTotals);

}  // namespace

bool LoadResults(const Args& paths, report::TSumUpList& list, std::string& error) {
  std::vector<std::string> all;
  for (const auto& p : paths) {
    std::error_code ec;
    const fs::path path(p);
    if (fs::is_directory(path, ec)) {
      std::vector<std::string> files;
      for (fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end;
           !ec && it != end; it.increment(ec))
        if (isResultFile(it->path()) && it->is_regular_file(ec)) files.push_back(it->path().string());
      if (ec) {
        error = "cannot read the folder " + p + ": " + ec.message();
        return false;
      }
      std::sort(files.begin(), files.end());
      all.insert(all.end(), files.begin(), files.end());
    } else if (!fs::exists(path, ec)) {
      error = "cannot read " + p;
      return false;
    } else if (isResultFile(path)) {
      all.push_back(p);
    } else {
      std::cerr << "ruvo-tool: " << p << ": " << text::asciiLower(path.extension().string())
                << " このタイプのファイルには対応していません\n";
    }
  }
  addFiles(all, list);
  return true;
}

}  // namespace ruvo::tool
