// ruvo-tool totals and chart over small sets of result files written here.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include "core/storage/compressstringlist.h"
#include "core/text/strings.h"
#include "core/text/utf8.h"
#include "support/clitest.h"

namespace ruvo::clitest {
namespace {

using Lines = std::vector<std::string>;

class ReportCli : public CliTest {
 protected:
  void result(const std::string& name, const Lines& lines) {
    fs::create_directories(p(name).parent_path());
    storage::TCompressStringList l;
    l.Lines = lines;
    ASSERT_TRUE(l.SaveToFile(p(name).string()));
  }
  Lines outLines() const { return text::splitLines(out_); }
};

const std::string kH = "title\tname\tdate\twpm1\tscr1\tscr2";
// A test that opens with a questionnaire item: its scores start at question 2.
const std::string kQ = "title\tname\tdate\twpm1\tans1\tans2\tscr2";

TEST_F(ReportCli, TotalsTakeFoldersAndFilesAsADropDoes) {
  result("in/a.ruvot", {kH, "Unit 1\tIto\t2004/05/06 10:00:00\t200.00\t1\t0"});
  result("in/sub/b.RUVOT", {kH, "Unit 1\tabe\t2004/05/07 10:00:00\t100.00\t1\t1"});
  result("in/sub/c.ruvot", {kH, "Unit 1\tIto\t2004/05/06 10:00:00\t200.00\t1\t0"});  // the same result again
  result("in/one-line.ruvot", {"Unit 1\tOda"});                                      // fewer than two lines: skipped
  spit(p("in/empty.ruvot"), "");                                                     // a claimed name not yet written
  result("in/skip.dat", {kH, "Unit 1\tKato\t2004/05/06 10:00:00\t1\t1\t1"});
  result("q.ruvot", {kQ, "Survey\tSato\t2004/05/01 09:00:00\t150.00\t3\t2\t1"});
  spit(p("notes.txt"), "x");

  ASSERT_EQ(runTool("totals " + q("in") + " " + q("q.ruvot") + " " + q("notes.txt")).exit, 0) << err_;
  EXPECT_EQ(outLines(), (Lines{kQ, "Survey\tSato\t2004/05/01 09:00:00\t150.00\t3\t2\t1", "", kH,
                               "Unit 1\tabe\t2004/05/07 10:00:00\t100.00\t1\t1",
                               "Unit 1\tIto\t2004/05/06 10:00:00\t200.00\t1\t0", ""}));
  EXPECT_NE(err_.find(".txt このタイプのファイルには対応していません"), std::string::npos) << err_;

  ASSERT_EQ(runTool("totals --spss " + q("in") + " " + q("q.ruvot")).exit, 0) << err_;
  EXPECT_EQ(outLines(), (Lines{"name\t" + kQ + "\t" + kH + "\t",
                               "ABE\t\t\t\t\t\t\t\tUnit 1\tabe\t2004/05/07 10:00:00\t100.00\t1\t1\t",
                               "ITO\t\t\t\t\t\t\t\tUnit 1\tIto\t2004/05/06 10:00:00\t200.00\t1\t0\t",
                               "SATO\tSurvey\tSato\t2004/05/01 09:00:00\t150.00\t3\t2\t1\t\t\t\t\t\t\t"}));

  ASSERT_EQ(runTool("totals --stats " + q("in") + " " + q("q.ruvot")).exit, 0) << err_;
  const auto j = nlohmann::json::parse(out_);
  EXPECT_EQ(j["count"], 4);  // the duplicate is one record but two points
  EXPECT_EQ(j["validCount"], 4);
  EXPECT_DOUBLE_EQ(j["meanWpm"].get<double>(), 162.5);
  EXPECT_DOUBLE_EQ(j["meanScore"].get<double>(), 0.75);  // the survey's score (from question 2) counts: 1
  EXPECT_DOUBLE_EQ(j["meanEfficiency"].get<double>(), 112.5);
  EXPECT_DOUBLE_EQ(j["maxWpm"].get<double>(), 200);
  EXPECT_DOUBLE_EQ(j["minWpm"].get<double>(), 100);
  EXPECT_EQ(j["axisSteps"], 5);
  EXPECT_EQ(j["firstDate"], "2004/05/01 09:00:00");
  EXPECT_EQ(j["lastDate"], "2004/05/07 10:00:00");
  EXPECT_LT(j["slope"].get<double>(), 0);
}

TEST_F(ReportCli, StatsOfNothingAndRefusedInput) {
  fs::create_directories(p("none"));
  ASSERT_EQ(runTool("totals --stats " + q("none")).exit, 0) << err_;
  const auto j = nlohmann::json::parse(out_);
  EXPECT_EQ(j["count"], 0);
  EXPECT_DOUBLE_EQ(j["minWpm"].get<double>(), 2147483648.0);
  EXPECT_EQ(j["axisSteps"], 2);
  EXPECT_EQ(j["slope"], 0);
  EXPECT_EQ(j["firstDate"], "2952/06/03 08:00:53");
  EXPECT_EQ(j["lastDate"], "1952/06/03 08:00:53");

  // A folder with a dot in its name is a folder, and every dropped folder counts.
  result("class.2024/a.ruvot", {kH, "Unit 1\tIto\t2004/05/06 10:00:00\t200.00\t1\t0"});
  result("class.2025/b.ruvot", {kH, "Unit 1\tAbe\t2005/05/06 10:00:00\t100.00\t1\t1"});
  ASSERT_EQ(runTool("totals " + q("class.2024") + " " + q("class.2025")).exit, 0) << err_;
  EXPECT_EQ(outLines().size(), 4u);
  EXPECT_EQ(err_, "");

  EXPECT_EQ(runTool("totals " + q("missing")).exit, 1);
  EXPECT_EQ(runTool("totals --spss --stats " + q("none")).exit, 2);
  EXPECT_EQ(runTool("totals").exit, 2);
}

TEST_F(ReportCli, ChartWritesOneSvgElementPerCommand) {
  result("r/a.ruvot", {kH, "Unit 1\tIto\t2004/05/06 10:00:00\t200.00\t1\t0"});
  result("r/b.ruvot", {kH, "Unit 1\tAbe\t2004/05/07 10:00:00\t100.00\t1\t1"});
  result("r/c.ruvot", {kH, "Unit 1\tOda\t2004/05/08 10:00:00\t275.00\t0\t0"});
  auto count = [](const std::string& s, const std::string& needle) {
    std::size_t n = 0;
    for (auto at = s.find(needle); at != std::string::npos; at = s.find(needle, at + 1)) ++n;
    return n;
  };
  ASSERT_EQ(runTool("chart " + q("r") + " -o " + q("all.svg") + " --seed 5 --operator 'Ken & Co'").exit, 0) << err_;
  const std::string all = slurp(p("all.svg"));
  EXPECT_EQ(count(all, "<ellipse "), 3u);
  EXPECT_EQ(count(all, "<polygon "), 1u);
  EXPECT_NE(all.find(">authorized operator: Ken &amp; Co</text>"), std::string::npos);
  EXPECT_NE(all.find(">2004/05/06 10:00:00 - 2004/05/08 10:00:00</text>"), std::string::npos);
  EXPECT_NE(all.find(">300</text>"), std::string::npos);  // 275 WPM: axis to 300
  ASSERT_EQ(runTool("chart " + q("r") + " -o " + q("again.svg") + " --seed 5 --operator 'Ken & Co'").exit, 0);
  EXPECT_EQ(slurp(p("again.svg")), all);

  // Up to a date: fewer points on the same axis.
  ASSERT_EQ(runTool("chart " + q("r") + " -o - --until '2004/05/07 10:00:00'").exit, 0) << err_;
  EXPECT_EQ(count(out_, "<ellipse "), 2u);
  EXPECT_NE(out_.find(">300</text>"), std::string::npos);

  // PNG where the window library is built in; otherwise refused with the reason.
  const ToolRun png = runTool("chart " + q("r") + " -o " + q("c.png") + " --seed 5");
  if (png.exit == 0) {
    const std::string b = slurp(p("c.png"));
    ASSERT_GE(b.size(), 24u);
    EXPECT_EQ(b.substr(1, 3), "PNG");
    EXPECT_EQ(b.substr(16, 8), std::string("\0\0\x03\x20\0\0\x02\x58", 8));  // 800 x 600
  } else {
    EXPECT_EQ(png.exit, 1);
    EXPECT_NE(png.err.find("PNG"), std::string::npos);
  }

  EXPECT_EQ(runTool("chart " + q("r") + " -o " + q("x.svg") + " --until yesterday").exit, 2);
  EXPECT_EQ(runTool("chart " + q("r") + " -o " + q("x.gif")).exit, 2);
  EXPECT_EQ(runTool("chart " + q("r")).exit, 2);
  EXPECT_FALSE(fs::exists(p("x.svg")));
}

TEST_F(ReportCli, TotalsNameWhatTheySkipAndFailWhenNothingCouldBeRead) {
  const std::string good = "Unit 1\tIto\t2004/05/06 10:00:00\t200.00\t1\t0";
  result("whole.ruvot", {kH, good});
  const std::string whole = slurp(p("whole.ruvot"));
  spit(p("cut.ruvot"), whole.substr(0, whole.size() - 3));
  spit(p("random.ruvot"), "\x8f\x01 no stream \xff");
  spit(p("empty.ruvot"), "");
  result("one.ruvot", {"Unit 1\tOda"});
  ASSERT_EQ(::mkfifo(p("fifo.ruvot").c_str(), 0600), 0);
  fs::create_symlink(p("fifo.ruvot"), p("link.ruvot"));
  fs::create_symlink(p("nowhere"), p("broken.ruvot"));
  { std::ofstream sparse(p("sparse.ruvot")); }
  fs::resize_file(p("sparse.ruvot"), std::uintmax_t{1} << 30);
  // A stream that claims to expand to 64 MiB.
  std::string bomb = whole;
  bomb[8] = bomb[9] = bomb[10] = 0;
  bomb[11] = 4;
  spit(p("bomb.ruvot"), bomb);
  fs::create_directories(p("locked"));
  fs::create_symlink(p("locked/loop"), p("locked/loop"));  // a link to itself: cannot be read

  struct Case {
    const char* name;
    const char* why;
  } cases[] = {
      {"cut.ruvot", "not a complete result file"},
      {"random.ruvot", "not a complete result file"},
      {"empty.ruvot", "empty"},
      {"one.ruvot", "one line only"},
      {"fifo.ruvot", "not a regular file"},
      {"link.ruvot", "not a regular file"},
      {"broken.ruvot", "No such file"},
      {"sparse.ruvot", "larger than 256 MiB"},
      {"bomb.ruvot", "expands to more than 4 MiB"},
  };
  for (const auto& c : cases) {
    // Alone: nothing could be read.
    EXPECT_EQ(runTool("totals " + q(c.name)).exit, 1) << c.name;
    EXPECT_NE(err_.find(p(c.name).string() + ": skipped: " + c.why), std::string::npos) << c.name << ": " << err_;
    EXPECT_EQ(out_, "") << c.name;
    // Beside a result: totalled, and still named.
    ASSERT_EQ(runTool("totals " + q(c.name) + " " + q("whole.ruvot")).exit, 0) << c.name << ": " << err_;
    EXPECT_EQ(outLines(), (Lines{kH, good, ""})) << c.name;
    EXPECT_NE(err_.find(p(c.name).string() + ": skipped: "), std::string::npos) << c.name;
  }
  EXPECT_EQ(runTool("chart " + q("bomb.ruvot") + " -o " + q("x.svg")).exit, 1);
  EXPECT_FALSE(fs::exists(p("x.svg")));
}

TEST_F(ReportCli, TotalsFollowLinksToFoldersOnce) {
  result("share/2024/a.ruvot", {kH, "Unit 1\tIto\t2004/05/06 10:00:00\t200.00\t1\t0"});
  result("elsewhere/b.ruvot", {kH, "Unit 1\tAbe\t2004/05/07 10:00:00\t100.00\t1\t1"});
  fs::create_directory_symlink(p("elsewhere"), p("share/linked"));
  fs::create_directory_symlink(p("share"), p("share/2024/up"));  // a loop
  ASSERT_EQ(runTool("totals " + q("share")).exit, 0) << err_;
  EXPECT_EQ(outLines(), (Lines{kH, "Unit 1\tAbe\t2004/05/07 10:00:00\t100.00\t1\t1",
                               "Unit 1\tIto\t2004/05/06 10:00:00\t200.00\t1\t0", ""}));
  // Counted once each, though the loop leads to them again.
  ASSERT_EQ(runTool("totals --stats " + q("share")).exit, 0) << err_;
  EXPECT_EQ(nlohmann::json::parse(out_)["count"], 2);
}

TEST_F(ReportCli, AbsurdSpeedsCostNoMoreThanAnOrdinaryChart) {
  result("r/a.ruvot", {kH, "Unit 1\tIto\t2004/05/06 10:00:00\t200.00\t1\t0"});
  result("r/fast.ruvot", {kH, "Unit 1\tAbe\t2004/05/07 10:00:00\t1e9\t1\t1"});
  ASSERT_EQ(runTool("chart " + q("r") + " -o " + q("fast.svg")).exit, 0) << err_;
  EXPECT_LT(fs::file_size(p("fast.svg")), 20000u);
  ASSERT_EQ(runTool("totals --stats " + q("r")).exit, 0) << err_;
  EXPECT_EQ(nlohmann::json::parse(out_)["axisSteps"], 20000001);

  // Speeds no reading gives count nowhere; the figures stay numbers.
  for (const char* wpm : {"nan", "inf", "3.4e39", "-inf"}) {
    result("odd/x.ruvot", {kH, std::string("Unit 1\tOda\t2004/05/08 10:00:00\t") + wpm + "\t1\t1"});
    ASSERT_EQ(runTool("totals --stats " + q("odd")).exit, 0) << err_;
    const auto j = nlohmann::json::parse(out_);
    EXPECT_EQ(j["count"], 1) << wpm;
    EXPECT_EQ(j["validCount"], 0) << wpm;
    for (const char* k : {"meanWpm", "maxWpm", "slope", "intercept"}) EXPECT_TRUE(j[k].is_number()) << wpm << " " << k;
  }
}

TEST_F(ReportCli, ChartRefusesDaysNoMonthHasAndKeepsSvgUtf8) {
  result("r/a.ruvot", {kH, "Unit 1\tIto\t2004/05/06 10:00:00\t200.00\t1\t0"});
  for (const char* until : {"2024/02/30 10:00:00", "2023/02/29 10:00:00", "2024/04/31 10:00:00"})
    EXPECT_EQ(runTool("chart " + q("r") + " -o - --until '" + std::string(until) + "'").exit, 2) << until;
  EXPECT_EQ(runTool("chart " + q("r") + " -o - --until '2024/02/29 10:00:00'").exit, 0) << err_;
  ASSERT_EQ(runTool("chart " + q("r") + " -o - --operator \"$(printf 'M\\374ller \\210\\311')\"").exit, 0) << err_;
  EXPECT_TRUE(text::isValidUtf8(out_));
  EXPECT_NE(out_.find("authorized operator: M\xEF\xBF\xBDller"), std::string::npos);
}

}  // namespace
}  // namespace ruvo::clitest
