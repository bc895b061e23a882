// ruvo-tool collect beside a class of simulated examinees sending their results at once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "core/text/strings.h"
#include "support/clitest.h"

namespace {

using namespace ruvo::clitest;

const std::string kSample = std::string(RUVO_DATA_DIR) + "/system/ruvof/sample/sample1-gettysburg.ruvo";
const std::string kTitle = "Sample 1 The Gettysburg Address";

class CollectCli : public CliTest {
 protected:
  // Starts ruvo-tool collect in the background; its output goes to collect.out / collect.err.
  pid_t startCollector(const std::string& args) {
    const std::string cmd =
        std::string("exec '") + RUVO_TOOL + "' collect " + args + " >" + q("collect.out") + " 2>" + q("collect.err");
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return pid;
  }
  int stop(pid_t pid) {
    ::kill(pid, SIGTERM);
    int st = 0;
    ::waitpid(pid, &st, 0);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  }
  std::string simulate(const std::string& name, int seconds) const {
    return "'" + std::string(RUVO_TOOL) + "' simulate '" + kSample + "' --name '" + name +
           "' --answers 2,2,3,2,Liberty --seconds 10,10," + std::to_string(seconds) +
           " --date '2014/05/09 10:00:00' --out " + q("report") + " --collection " + q("class") + " >/dev/null 2>>" +
           q("simulate.err");
  }
};

TEST_F(CollectCli, TakesEveryResultOfAClassFinishingAtOnceExactlyOnce) {
  fs::create_directories(p("class"));
  // Some results already there, and a name claimed by a machine still writing.
  for (int i = 0; i < 3; ++i) ASSERT_EQ(std::system(simulate("Early " + std::to_string(i), 40 + i).c_str()), 0);
  spit(p("class") / "20140509100000Late.ruvot", "");
  const pid_t collector = startCollector(q("class") + " --for 300 --interval 0.2");
  ASSERT_GT(collector, 0);

  // 200 examinees at once, all finishing in the same second; twenty of them share a name, so
  // their result names collide and are claimed one after another.
  const int kClass = 200;
  std::string script;
  for (int i = 0; i < kClass; ++i)
    script += simulate(i < 20 ? "Same" : "Examinee " + std::to_string(i), 100 + i) + " &\n";
  script += "wait\n";
  spit(p("class.sh"), script);
  ASSERT_EQ(std::system(("sh " + q("class.sh")).c_str()), 0) << slurp(p("simulate.err"));
  // The late machine finishes its file.
  fs::copy_file(p("class") / "20140509100000Early 0.ruvot", p("late.tmp"));
  fs::rename(p("late.tmp"), p("class") / "20140509100000Late.ruvot");
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  ASSERT_EQ(stop(collector), 0) << slurp(p("collect.err"));

  std::set<std::string> files;
  for (const auto& e : fs::directory_iterator(p("class"))) files.insert(e.path().filename().string());
  ASSERT_EQ(files.size(), static_cast<std::size_t>(kClass + 4));

  // One line per file taken in, then the totals.
  std::map<std::string, int> takenTimes;
  int records = 0;
  bool inTotals = false;
  for (const auto& line : ruvo::text::splitLines(slurp(p("collect.out")))) {
    const auto f = ruvo::text::split(line, '\t');
    if (!inTotals && f.size() == 4 && ruvo::text::endsWith(f[0], ".ruvot")) {
      EXPECT_EQ(f[1], kTitle);
      ++takenTimes[f[0]];
    } else {
      inTotals = true;
      if (f.size() > 3 && f[0] == kTitle) ++records;
    }
  }
  EXPECT_EQ(takenTimes.size(), files.size());
  for (const auto& name : files) EXPECT_EQ(takenTimes[name], 1) << name;
  // The late file holds the same result as Early 0: the tables count it once.
  EXPECT_EQ(records, kClass + 3);
}

TEST_F(CollectCli, TakesWhatIsThereAndCopiesIntoDatedReportFolders) {
  fs::create_directories(p("class"));
  ASSERT_EQ(std::system(simulate("Aoki", 50).c_str()), 0);
  spit(p("class") / "notes.txt", "not a result");
  const ToolRun r = runTool("collect " + q("class") + " --report " + q("kept"));
  ASSERT_EQ(r.exit, 0) << r.err;
  const auto lines = ruvo::text::splitLines(r.out);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "20140509100000Aoki.ruvot\t" + kTitle + "\tAoki\t2014/05/09 10:00:00");
  EXPECT_TRUE(ruvo::text::startsWith(lines[1], "title\tname\tdate\t"));
  EXPECT_TRUE(ruvo::text::startsWith(lines[2], kTitle + "\tAoki\t"));
  EXPECT_EQ(slurp(p("kept/2014/05/09/20140509100000Aoki.ruvot")), slurp(p("class/20140509100000Aoki.ruvot")));
}

TEST_F(CollectCli, RefusesWhatItCannotUse) {
  spit(p("file"), "x");
  struct Case {
    std::string args;
    int exit;
  };
  for (const Case& c :
       {Case{"collect", 2}, Case{"collect " + q("missing"), 1}, Case{"collect " + q("file"), 1},
        Case{"collect " + q("") + " --interval 0", 2}, Case{"collect . --for soon", 2}, Case{"collect . --bogus", 2},
        // Seconds are plain decimals: not hexadecimal (0x10 read as 16), exponents or infinity.
        Case{"collect . --for 0x10", 2}, Case{"collect . --for 1e3", 2}, Case{"collect . --interval inf", 2},
        Case{"collect . --for -1", 2}, Case{"collect . --for 1.2.3", 2},
        // Copies that could never be made are refused before anything is taken in.
        Case{"collect . --report " + q("file"), 1}, Case{"collect . --report " + q("file") + "/sub", 1}}) {
    EXPECT_EQ(runTool(c.args).exit, c.exit) << c.args;
  }
  // An examinee whose collection folder is not there is told so.
  const ToolRun r = runTool("simulate '" + kSample + "' --name X --out " + q("out") + " --collection " + q("nowhere"));
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.err.find("cannot send"), std::string::npos) << r.err;
}

// Whether a process has a handler installed for sig.
bool catches(pid_t pid, int sig) {
  for (const auto& line : ruvo::text::splitLines(slurp("/proc/" + std::to_string(pid) + "/status")))
    if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (sig - 1)) & 1;
  return false;
}

// Waits up to a limit for a child; kills it when the limit passes. The exit code, or -1.
int waitAtMost(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  int st = 0;
  while (std::chrono::steady_clock::now() < end) {
    if (::waitpid(pid, &st, WNOHANG) == pid) return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &st, 0);
  return -1;
}

TEST_F(CollectCli, AFifoUnderAResultNameNeitherFreezesNorHidesTheTotals) {
  fs::create_directories(p("class"));
  ASSERT_EQ(std::system(simulate("Aoki", 50).c_str()), 0);
  ASSERT_EQ(::mkfifo((p("class") / "20140509100001Fifo.ruvot").c_str(), 0600), 0);
  { std::ofstream big(p("class") / "20140509100002Huge.ruvot"); }
  fs::resize_file(p("class") / "20140509100002Huge.ruvot", std::uintmax_t{1} << 30);

  for (int sig : {SIGTERM, SIGINT}) {
    const pid_t collector = startCollector(q("class") + " --for 300 --interval 0.1");
    ASSERT_GT(collector, 0);
    // Taken in the result beside the FIFO and polled a few times.
    for (int i = 0; i < 200 && slurp(p("collect.out")).empty(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ::kill(collector, sig);
    ASSERT_EQ(waitAtMost(collector, std::chrono::seconds(5)), 0) << sig;
    const std::string out = slurp(p("collect.out")), err = slurp(p("collect.err"));
    EXPECT_NE(out.find(kTitle + "\tAoki\t"), std::string::npos) << out;  // the totals
    EXPECT_NE(err.find("20140509100001Fifo.ruvot: skipped: not a regular file"), std::string::npos) << err;
    EXPECT_NE(err.find("20140509100002Huge.ruvot: skipped: larger than 256 MiB"), std::string::npos) << err;
    // Named once, not at every poll, and not called incomplete.
    EXPECT_EQ(err.find("Fifo.ruvot"), err.rfind("Fifo.ruvot")) << err;
    EXPECT_EQ(err.find("incomplete"), std::string::npos) << err;
  }

  // A stop during the take-in itself still ends with what was taken in: the stop is caught
  // from before the first file is read.
  const std::string one = slurp(p("class") / "20140509100000Aoki.ruvot");
  for (int i = 0; i < 3000; ++i) spit(p("class") / ("copy" + std::to_string(i) + ".ruvot"), one);
  const pid_t collector = startCollector(q("class") + " --for 300");
  for (int i = 0; i < 500 && !catches(collector, SIGTERM); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ::kill(collector, SIGTERM);
  EXPECT_EQ(waitAtMost(collector, std::chrono::seconds(5)), 0);
  // What was taken in before the stop is in the totals (one record: the copies are one result).
  const std::string out = slurp(p("collect.out"));
  if (!out.empty()) {
    EXPECT_NE(out.find("title\tname\tdate\t"), std::string::npos) << out;
  }
}

}  // namespace
