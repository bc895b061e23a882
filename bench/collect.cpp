// The collection poll over a folder of 10,000 result files on disk: a poll with nothing new
// (what runs every few seconds all lesson long), and the first take-in of the whole folder.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/delivery/filesystem.h"
#include "core/report/collection.h"
#include "core/storage/compressstringlist.h"

namespace {

namespace fs = std::filesystem;
using namespace ruvo;

struct CountingSink final : report::ResultSink {
  std::size_t n = 0;
  void Clear() override { n = 0; }
  void AddResult(const std::vector<std::string>&) override { ++n; }
};

// A folder of result files made once per process.
const std::string& folderOf(int files) {
  static std::string dir;
  static int made = 0;
  if (made == files) return dir;
  if (!dir.empty()) fs::remove_all(dir);
  dir = (fs::temp_directory_path() / ("ruvo-bench-collect-" + std::to_string(::getpid()))).string();
  fs::create_directories(dir);
  for (int i = 0; i < files; ++i) {
    storage::TCompressStringList l;
    l.Add("title\tname\tdate\ttime\twrd1\trt1\twpm1\tans1\tans2\tscr1\tscr2");
    l.Add("Unit 3\tExaminee " + std::to_string(i) + "\t2014/05/09 10:00:00\t3.20\t250\t60\t250.00\t2\t1\t1\t0");
    std::ofstream(dir + "/20140509100000Examinee " + std::to_string(i) + ".ruvot", std::ios::binary)
        << l.SaveToCompressedStream();
  }
  made = files;
  return dir;
}

void BM_PollNothingNew(benchmark::State& state) {
  const std::string& dir = folderOf(static_cast<int>(state.range(0)));
  CountingSink sink;
  report::TResultCollection c(delivery::RealFileSystem(), sink, nullptr, {});
  c.TakeExisting(report::TResultCollection::Existing::All, c.BeginCollection(dir));
  for (auto _ : state) benchmark::DoNotOptimize(c.CollectNewResults());
  state.counters["files"] = static_cast<double>(sink.n);
}
BENCHMARK(BM_PollNothingNew)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_TakeInWholeFolder(benchmark::State& state) {
  const std::string& dir = folderOf(static_cast<int>(state.range(0)));
  CountingSink sink;
  report::TResultCollection c(delivery::RealFileSystem(), sink, nullptr, {});
  for (auto _ : state) {
    c.TakeExisting(report::TResultCollection::Existing::All, c.BeginCollection(dir));
    benchmark::DoNotOptimize(sink.n);
  }
}
BENCHMARK(BM_TakeInWholeFolder)->Arg(10000)->Unit(benchmark::kMillisecond);

struct Cleanup {
  ~Cleanup() {
    std::error_code ec;
    fs::remove_all(fs::temp_directory_path() / ("ruvo-bench-collect-" + std::to_string(::getpid())), ec);
  }
} cleanup;

}  // namespace

BENCHMARK_MAIN();
