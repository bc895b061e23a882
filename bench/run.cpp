// The examinee's run: the cost of one press of Forward with and without the journal (each
// record synced to the disk), and the memory of a thousand runs of one test in one process.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/app/runjournal.h"
#include "core/app/standalonerun.h"
#include "core/document/documentfile.h"
#include "core/platform/headlessports.h"

namespace {

using namespace ruvo;
namespace fs = std::filesystem;

const std::string kMarket = std::string(RUVO_FIXTURES_DIR) + "/../../data/system/ruvof/sample/sample4-market.ruvo";

struct Examinee final : app::TRunView {
  std::optional<std::string> AskName(const std::string&, const std::string&, const std::string&) override {
    return std::string("Bench");
  }
  bool AskYesNo(const std::string&) override { return true; }
};

// A long test of plain pages (3,000): every press ends one page and shows the next.
const rt::RichText& longTest() {
  static const rt::RichText work = [] {
    std::string text = "title=Long\r\nautoqa=1\r\n";
    for (int i = 0; i < 3000; ++i) text += "<page>\r\nPage " + std::to_string(i) + " of a long instruction.\r\n";
    text += "<page last>\r\n";
    return doc::TextFromBytes(text);
  }();
  return work;
}

void forward(benchmark::State& state, bool journal) {
  const fs::path dir = fs::temp_directory_path() / ("ruvo-bench-run-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  platform::FakeClock clock;
  Examinee view;
  app::TStandaloneRun run(longTest(), view, &clock);
  if (journal) run.Run().SetJournal(dir.string(), app::JournalTest{"long.ruvo", 1, "Long"});
  run.Start();
  for (auto _ : state) {
    clock.advance(1000);
    if (!run.Run().ForwardStep()) state.SkipWithError("the test ended");
  }
  state.SetItemsProcessed(state.iterations());
  fs::remove_all(dir);
}

void BM_ForwardWithoutJournal(benchmark::State& state) { forward(state, false); }
void BM_ForwardWithJournal(benchmark::State& state) { forward(state, true); }
BENCHMARK(BM_ForwardWithoutJournal)->Unit(benchmark::kMicrosecond)->Iterations(2000);
BENCHMARK(BM_ForwardWithJournal)->Unit(benchmark::kMicrosecond)->Iterations(2000);

// One record appended, synced or not.
void BM_JournalAppend(benchmark::State& state) {
  const fs::path dir = fs::temp_directory_path() / ("ruvo-bench-journal-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  app::TRunJournalWriter w;
  w.SetSync(state.range(0) != 0);
  if (!w.Create(dir.string(), "bench").ok()) state.SkipWithError("cannot create the journal");
  app::JournalEvent e;
  e.page = 12;
  e.kind = 3;
  e.ms = 12500;
  e.name = "Bench";
  e.date = "2026/12/10 09:08:07";
  e.answers = {{1, 2, "", "1"}, {2, 99, "a typed answer", ""}};
  for (auto _ : state) {
    ++e.tick;
    if (!w.Append(e).ok()) state.SkipWithError("append failed");
  }
  state.SetItemsProcessed(state.iterations());
  fs::remove_all(dir);
}
BENCHMARK(BM_JournalAppend)->Arg(0)->Arg(1)->ArgNames({"sync"})->Unit(benchmark::kMicrosecond);

std::size_t heapInUse() {
  const struct mallinfo2 mi = mallinfo2();
  return mi.uordblks + mi.hblkhd;
}

// A thousand examinees taking one test at once: the heap each run holds beyond the shared
// text of the test, after its first page is shown.
void BM_ThousandRuns(benchmark::State& state) {
  rt::RichText work;
  if (!doc::LoadDocumentFile(kMarket, work).empty()) {
    state.SkipWithError("cannot read the sample test");
    return;
  }
  platform::FakeClock clock;
  constexpr int kRuns = 1000;
  std::size_t perRun = 0;
  for (auto _ : state) {
    std::vector<std::unique_ptr<Examinee>> people;
    std::vector<std::unique_ptr<app::TStandaloneRun>> runs;
    people.reserve(kRuns);
    runs.reserve(kRuns);
    const std::size_t before = heapInUse();
    for (int i = 0; i < kRuns; ++i) {
      people.push_back(std::make_unique<Examinee>());
      runs.push_back(std::make_unique<app::TStandaloneRun>(work, *people.back(), &clock));
      runs.back()->Start();
    }
    perRun = (heapInUse() - before) / kRuns;
  }
  state.counters["bytes_per_run"] = static_cast<double>(perRun);
  state.counters["test_text_bytes"] = static_cast<double>(rt::writeRtf(work).size());
}
BENCHMARK(BM_ThousandRuns)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
