// Totalling result files (read, decode, take in, write the tables) for 1,000 and 10,000
// files, the wide table, and the chart of 10,000 points.
//   bench_report                       run the benchmarks
//   bench_report --make-results DIR N  write N result files into DIR (for whole-process
//                                      comparisons, see tools/bench/compare_totals.sh)
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/report/sumup.h"
#include "core/storage/compressstringlist.h"

namespace {

namespace fs = std::filesystem;

// A class of examinees taking three tests, some of them twice, names typed in varying ways.
std::vector<std::string> resultLines(int i) {
  static const char* titles[] = {"Unit 1 The Gettysburg Address", "Unit 2 Two Fables", "Unit 3 Survey"};
  std::mt19937 rng(static_cast<unsigned>(i) * 2654435761u);
  const int person = static_cast<int>(rng() % 400);
  std::string name = "Student " + std::to_string(person);
  if (rng() % 4 == 0) name = "STUDENT" + std::to_string(person);
  char date[32];
  std::snprintf(date, sizeof date, "2024/%02d/%02d %02d:%02d:%02d", 1 + i % 12, 1 + i % 28, 8 + i % 10, i % 60,
                (i * 7) % 60);
  std::string header = "title\tname\tdate\ttime",
              values = std::string(titles[i % 3]) + "\t" + name + "\t" + date + "\t3.50";
  for (int k = 1; k <= 3; ++k) header += "\twrd" + std::to_string(k), values += "\t" + std::to_string(200 + k * 40);
  for (int k = 1; k <= 3; ++k) header += "\trt" + std::to_string(k), values += "\t" + std::to_string(40 + rng() % 80);
  for (int k = 1; k <= 3; ++k) {
    char w[16];
    std::snprintf(w, sizeof w, "%.2f", 80 + (rng() % 24000) / 100.0);
    header += "\twpm" + std::to_string(k), values += std::string("\t") + w;
  }
  header += "\tqt1", values += "\t" + std::to_string(20 + rng() % 60);
  for (int k = 1; k <= 5; ++k) header += "\tans" + std::to_string(k), values += "\t" + std::to_string(1 + rng() % 4);
  for (int k = 2; k <= 5; ++k) {
    const unsigned r = rng() % 5;
    header += "\tscr" + std::to_string(k), values += r == 0 ? "\t " : r < 3 ? "\t1" : "\t0";
  }
  header += "\tmj1", values += "\t8";
  return {header, values};
}

bool makeResults(const fs::path& dir, int n) {
  fs::create_directories(dir);
  for (int i = 0; i < n; ++i) {
    ruvo::storage::TCompressStringList l;
    l.Lines = resultLines(i);
    const std::string coded = l.SaveToCompressedStream();
    char name[32];
    std::snprintf(name, sizeof name, "r%05d.ruvot", i);
    std::ofstream out(dir / name, std::ios::binary);
    if (!out.write(coded.data(), static_cast<std::streamsize>(coded.size()))) return false;
  }
  return true;
}

std::map<int, fs::path>& madeFolders() {
  static std::map<int, fs::path> made;
  return made;
}

const fs::path& folderOf(int n) {
  auto& made = madeFolders();
  auto it = made.find(n);
  if (it != made.end()) return it->second;
  char tmpl[] = "/tmp/ruvo-bench-report-XXXXXX";
  const char* d = ::mkdtemp(tmpl);
  fs::path dir = d ? fs::path(d) : fs::temp_directory_path() / ("ruvo-bench-report-" + std::to_string(n));
  makeResults(dir, n);
  return made.emplace(n, dir).first->second;
}

void BM_TotalsOfResultFiles(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const fs::path& dir = folderOf(n);
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path().string());
  for (auto _ : state) {
    ruvo::report::TSumUpList list;
    for (const auto& f : files) {
      ruvo::storage::TCompressStringList l;
      if (l.LoadFromFile(f) && l.Count() >= 2) list.AddResult(l.Lines);
    }
    std::vector<std::string> lines;
    list.WriteTables(lines);
    benchmark::DoNotOptimize(lines.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_TotalsOfResultFiles)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_MergedTable(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  ruvo::report::TSumUpList list;
  for (int i = 0; i < n; ++i) list.AddResult(resultLines(i));
  std::vector<std::string> lines;
  list.WriteTables(lines);
  for (auto _ : state) {
    list.BuildMergedTable(lines);
    benchmark::DoNotOptimize(lines.data());
  }
}
BENCHMARK(BM_MergedTable)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ChartOfPoints(benchmark::State& state) {
  ruvo::report::TWpmScores scores;
  std::mt19937 rng(3);
  for (int i = 0; i < state.range(0); ++i)
    scores.AddPoint(40000 + i / 100.0, 50 + static_cast<float>(rng() % 300), static_cast<float>(rng() % 11) / 10);
  scores.SetSeed(1);
  for (auto _ : state) {
    scores.DrawGraph();
    benchmark::DoNotOptimize(scores.GraphChart().data());
  }
}
BENCHMARK(BM_ChartOfPoints)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--make-results") == 0) {
    const int n = std::atoi(argv[3]);
    if (n <= 0 || !makeResults(argv[2], n)) {
      std::fprintf(stderr, "cannot write %d result files into %s\n", n, argv[2]);
      return 1;
    }
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  for (const auto& [n, dir] : madeFolders()) fs::remove_all(dir, ec);
  return 0;
}
