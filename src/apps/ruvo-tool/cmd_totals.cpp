// ruvo-tool totals: result files totalled per test, as a drop of files and folders on the
// main window totals them; the wide table for statistics software; the chart's figures.
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "core/report/resultfile.h"
#include "core/report/sumup.h"
#include "core/text/strings.h"
#include "tool.h"

namespace ruvo::tool {

namespace fs = std::filesystem;

namespace {

bool isResultFile(const fs::path& p) { return text::asciiLower(p.extension().string()) == ".ruvot"; }

void skipped(const std::string& path, const std::string& why) {
  std::cerr << "ruvo-tool: " << path << ": skipped: " << why << '\n';
}

// Every .ruvot below a folder, links to folders followed as a drop follows them; a folder met
// again through a link (a loop) is walked once. Folders that cannot be read are named.
void walk(const fs::path& folder, std::vector<std::string>& files, std::set<std::pair<dev_t, ino_t>>& visited,
          int& problems) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !visited.insert({st.st_dev, st.st_ino}).second) return;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) {
    skipped(folder.string(), "cannot read the folder: " + ec.message());
    ++problems;
    return;
  }
  std::vector<fs::path> entries;
  for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) entries.push_back(it->path());
  if (ec) {
    skipped(folder.string(), "cannot read the folder: " + ec.message());
    ++problems;
  }
  std::sort(entries.begin(), entries.end());
  for (const auto& e : entries) {
    std::error_code sec;
    if (fs::is_directory(e, sec))  // through links too
      walk(e, files, visited, problems);
    else if (isResultFile(e))
      files.push_back(e.string());
  }
}

// Reading and decoding run on several threads; the results are taken in afterwards in the
// order of the paths, so the tables do not depend on the threads. The paths go in batches, so
// only the lines of one batch wait in memory besides the totals.
void addFiles(const std::vector<std::string>& paths, report::TSumUpList& list, int& taken, int& problems) {
  constexpr std::size_t kBatch = 256;
  const unsigned threads = paths.size() < 512 ? 1 : std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  std::vector<report::ResultFileRead> read;
  for (std::size_t from = 0; from < paths.size(); from += kBatch) {
    const std::size_t n = std::min(kBatch, paths.size() - from);
    read.assign(n, {});
    std::atomic<std::size_t> next{0};
    auto work = [&] {
      for (std::size_t i; (i = next.fetch_add(16)) < n;)
        for (std::size_t k = i; k < std::min(i + 16, n); ++k) read[k] = report::ReadResultFile(paths[from + k]);
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (auto& t : pool) t.join();
    for (std::size_t k = 0; k < n; ++k) {
      if (read[k].ok()) {
        list.AddResult(read[k].lines);
        ++taken;
      } else {
        skipped(paths[from + k], read[k].why);
        ++problems;
      }
    }
  }
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
  auto append = [&](std::string&& l) {
    out += l;
    out += '\n';
  };
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
    if (mode == Mode::Spss)
      list.WriteMergedTable(append);
    else
      for (auto& l : lines) append(std::move(l));
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
  std::set<std::pair<dev_t, ino_t>> visited;
  int problems = 0, taken = 0;
  for (const auto& p : paths) {
    std::error_code ec;
    const fs::path path(p);
    if (fs::is_directory(path, ec)) {
      std::vector<std::string> files;
      walk(path, files, visited, problems);
      std::sort(files.begin(), files.end());
      all.insert(all.end(), files.begin(), files.end());
    } else if (!fs::exists(fs::symlink_status(path, ec))) {
      error = "cannot read " + p;
      return false;
    } else if (isResultFile(path)) {
      all.push_back(p);  // whatever it is: the reader says why it is not taken
    } else {
      std::cerr << "ruvo-tool: " << p << ": " << text::asciiLower(path.extension().string())
                << " このタイプのファイルには対応していません\n";
    }
  }
  addFiles(all, list, taken, problems);
  if (taken == 0 && problems > 0) {
    error = "no result could be read";
    return false;
  }
  return true;
}

}  // namespace ruvo::tool
