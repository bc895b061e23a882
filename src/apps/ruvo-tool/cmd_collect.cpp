// ruvo-tool collect: automatic collection without a window, for a server beside a shared folder.
#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "core/app/paths.h"
#include "core/delivery/filesystem.h"
#include "core/report/collection.h"
#include "core/report/sumup.h"
#include "core/text/strings.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

class SystemClock final : public platform::Clock {
 public:
  std::int64_t tickMs() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  platform::DateTime now() override {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  }
};

// The totals of the main window.
class Totals final : public report::ResultSink {
 public:
  explicit Totals(platform::Clock* clock) : list_(clock) {}
  void Clear() override { list_.Clear(); }
  void AddResult(const std::vector<std::string>& lines) override { list_.AddResult(lines); }
  std::vector<std::string> Lines() {
    std::vector<std::string> out;
    list_.WriteTables(out);
    return out;
  }

 private:
  report::TSumUpList list_;
};

std::atomic<bool> gStop{false};
extern "C" void onStopSignal(int) { gStop = true; }

bool parseSeconds(const std::string& s, double& out) {
  try {
    std::size_t used = 0;
    out = std::stod(s, &used);
    return used == s.size() && out >= 0 && out < 1e7;
  } catch (...) {
    return false;
  }
}

void print(const std::vector<report::TakenResult>& taken) {
  for (const auto& t : taken)
    std::cout << app::FileNameOf(t.path) << '\t' << t.title << '\t' << t.name << '\t' << t.date << '\n';
  std::cout.flush();
}

int runCollect(const Args& args) {
  std::string folder, reportRoot;
  double forSeconds = 0, interval = 3;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto seconds = [&](double& out) { return i + 1 < args.size() && parseSeconds(args[++i], out); };
    if (a == "--for") {
      if (!seconds(forSeconds)) return usageError("collect", "--for needs a number of seconds");
    } else if (a == "--interval") {
      if (!seconds(interval) || interval <= 0)
        return usageError("collect", "--interval needs a positive number of seconds");
    } else if (a == "--report") {
      if (i + 1 >= args.size()) return usageError("collect", "--report needs a folder");
      reportRoot = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      return usageError("collect", "unknown option " + a);
    } else if (folder.empty()) {
      folder = a;
    } else {
      return usageError("collect", "one collection folder only");
    }
  }
  if (folder.empty()) return usageError("collect", "FOLDER is required");
  delivery::FileSystem& disk = delivery::RealFileSystem();
  if (!disk.isFolder(folder)) return refuse("not a folder: " + folder);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();

  SystemClock clock;
  Totals totals(&clock);
  report::TResultCollection collection(disk, totals, &clock, reportRoot);
  collection.SetRetrieve(!reportRoot.empty());
  print(collection.TakeExisting(report::TResultCollection::Existing::All, collection.BeginCollection(folder)));

  // Ends early, with the totals, on Ctrl+C or a stop from the service manager.
  std::signal(SIGINT, onStopSignal);
  std::signal(SIGTERM, onStopSignal);
  using Clock = std::chrono::steady_clock;
  auto span = [](double s) { return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s)); };
  const Clock::time_point end = Clock::now() + span(forSeconds);
  while (!gStop && Clock::now() < end) {
    const Clock::time_point next = std::min(Clock::now() + span(interval), end);
    for (Clock::time_point now; !gStop && (now = Clock::now()) < next;)
      std::this_thread::sleep_for(std::min<Clock::duration>(next - now, std::chrono::milliseconds(100)));
    print(collection.CollectNewResults());
  }
  // Stopped early: a last look, so what arrived since the last poll is not left out.
  if (gStop) print(collection.CollectNewResults());
  for (const auto& line : totals.Lines()) std::cout << line << '\n';
  std::cout.flush();
  if (collection.PendingCount() > 0)
    std::cerr << "ruvo-tool: " << collection.PendingCount() << " result file(s) still incomplete\n";
  return kOk;
}

const ToolCommand collectCommand{
    "collect",
    "  collect FOLDER [--for SECONDS] [--interval SECONDS] [--report DIR]\n"
    "      takes in every result file of FOLDER, then polls it every interval (default 3 s) for the\n"
    "      given time (default 0), printing \"file<TAB>title<TAB>name<TAB>date\" per result taken in,\n"
    "      and at the end the totals. With --report each result taken in is also copied into\n"
    "      DIR/yyyy/mm/dd. Ctrl+C (or SIGTERM) ends the polling early, after a last poll.\n",
    runCollect};

}  // namespace
}  // namespace ruvo::tool
