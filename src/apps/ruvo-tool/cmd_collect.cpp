// ruvo-tool collect: automatic collection without a window, for a server beside a shared folder.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "core/app/paths.h"
#include "core/delivery/filesystem.h"
#include "core/platform/systemclock.h"
#include "core/report/collection.h"
#include "core/report/sumup.h"
#include "core/text/strings.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

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

// The first SIGINT or SIGTERM ends the collection with its totals; a second one ends the
// program at once. Without SA_RESTART a signal also ends a system call it interrupts.
void installStopHandlers() {
  struct sigaction sa {};
  sa.sa_handler = onStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESETHAND;
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
}

// Plain decimal seconds ("3", "0.5"); no hexadecimal, exponents, signs, "inf" or "nan".
bool parseSeconds(const std::string& s, double& out) {
  if (s.empty() || s.size() > 16 || s == ".") return false;
  if (std::count(s.begin(), s.end(), '.') > 1) return false;
  if (!std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; })) return false;
  out = std::strtod(s.c_str(), nullptr);
  return out >= 0 && out < 1e7;
}

void printSkipped(const std::vector<report::SkippedFile>& files, const char* what) {
  for (const auto& f : files) std::cerr << "ruvo-tool: " << f.path << ": " << what << ": " << f.why << '\n';
}

// What the collection has to say since the last look, on stderr.
void tellSkipped(report::TResultCollection& c, bool& listFailed) {
  printSkipped(c.TakeRefused(), "skipped");
  printSkipped(c.TakeCopyFailures(), "not copied");
  if (c.ListFailed() != listFailed) {
    listFailed = c.ListFailed();
    std::cerr << "ruvo-tool: " << c.Folder() << (listFailed ? ": cannot read the folder\n" : ": readable again\n");
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
  {
    std::vector<delivery::FileEntry> entries;
    if (const platform::Status listed = disk.list(folder, entries); !listed) return refuse(listed.message());
  }
  if (!reportRoot.empty()) {
    // Every copy would fail: say so now rather than copy nothing in silence.
    delivery::FileEntry there;
    if (disk.stat(reportRoot, there) && !there.folder) return refuse("--report: not a folder: " + reportRoot);
    if (!disk.makeFolders(reportRoot) || ::access(reportRoot.c_str(), W_OK | X_OK) != 0)
      return refuse("--report: cannot write into " + reportRoot);
  }

  // Before the first take-in: a stop while thousands of files are read still ends with totals.
  installStopHandlers();
  platform::SystemClock clock;
  Totals totals(&clock);
  report::TResultCollection collection(disk, totals, &clock, reportRoot);
  collection.SetRetrieve(!reportRoot.empty());
  collection.SetStop(&gStop);
  bool listFailed = false;
  print(collection.TakeExisting(report::TResultCollection::Existing::All, collection.BeginCollection(folder)));
  tellSkipped(collection, listFailed);

  // Deadlines on the monotonic tick: a change of the wall clock neither ends nor stretches the wait.
  auto ms = [](double s) { return static_cast<std::int64_t>(s * 1000.0); };
  const std::int64_t end = clock.tickMs() + ms(forSeconds);
  bool stoppedWaiting = false;
  while (!gStop && clock.tickMs() < end) {
    const std::int64_t next = std::min(clock.tickMs() + ms(interval), end);
    for (std::int64_t now; !gStop && (now = clock.tickMs()) < next;)
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min<std::int64_t>(next - now, 50)));
    if (gStop) {
      stoppedWaiting = true;
      break;
    }
    print(collection.CollectNewResults());
    tellSkipped(collection, listFailed);
  }
  // Stopped while waiting: a last look, so what arrived since the last poll is not left out. A
  // stop in the middle of reading ends with what was read.
  if (stoppedWaiting) {
    collection.SetStop(nullptr);
    print(collection.CollectNewResults());
    tellSkipped(collection, listFailed);
  }
  for (const auto& line : totals.Lines()) std::cout << line << '\n';
  std::cout.flush();
  if (collection.PendingCount() > 0)
    std::cerr << "ruvo-tool: " << collection.PendingCount() << " result file(s) still incomplete\n";
  if (collection.RefusedCount() > 0)
    std::cerr << "ruvo-tool: " << collection.RefusedCount() << " file(s) under result names refused (named above)\n";
  return kOk;
}

const ToolCommand collectCommand{
    "collect",
    "  collect FOLDER [--for SECONDS] [--interval SECONDS] [--report DIR]\n"
    "      takes in every result file of FOLDER, then polls it every interval (default 3 s) for the\n"
    "      given time (default 0), printing \"file<TAB>title<TAB>name<TAB>date\" per result taken in,\n"
    "      and at the end the totals. With --report each result taken in is also copied into\n"
    "      DIR/yyyy/mm/dd. Ctrl+C (or SIGTERM) ends the polling early, after a last poll, with the\n"
    "      totals; a second one ends the program at once. Files under result names that are not\n"
    "      result files (FIFOs, devices, files too large) are named on stderr and left alone.\n",
    runCollect};

}  // namespace
}  // namespace ruvo::tool
