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
        Case{"collect " + q("") + " --interval 0", 2}, Case{"collect . --for soon", 2}, Case{"collect . --bogus", 2}}) {
    EXPECT_EQ(runTool(c.args).exit, c.exit) << c.args;
  }
  // An examinee whose collection folder is not there is told so.
  const ToolRun r = runTool("simulate '" + kSample + "' --name X --out " + q("out") + " --collection " + q("nowhere"));
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.err.find("cannot send"), std::string::npos) << r.err;
}

}  // namespace
