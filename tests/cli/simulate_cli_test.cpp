// ruvo-tool simulate over the shipped samples: the result file, column by column.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/storage/compressstringlist.h"
#include "core/text/strings.h"

namespace {
namespace fs = std::filesystem;

struct ToolRun {
  int code = -1;
  std::string out;
};

ToolRun tool(const std::string& args) {
  ToolRun r;
  std::string cmd = std::string(RUVO_TOOL) + " simulate " + args + " 2>/dev/null";
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = ::pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

struct Out {
  fs::path dir = fs::temp_directory_path() / ("ruvo-sim-cli-" + std::to_string(::getpid()));
  Out() {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~Out() { fs::remove_all(dir); }
};

std::vector<std::string> fields(const std::string& line) { return ruvo::text::split(line, '\t'); }

const std::string kSamples = std::string(RUVO_DATA_DIR) + "/system/ruvof/sample/";

TEST(SimulateCli, SpeechSampleGivesItsResultFile) {
  Out o;
  ToolRun r = tool(kSamples +
                   "sample1-gettysburg.ruvo --name 'Ito Ken' --answers 2,2,3,2,Liberty "
                   "--seconds 10,10,60,30,10,5 --date '2004/05/06 10:11:12' --out " +
                   o.dir.string());
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_NE(r.out.find("\t(1) 280 words / 60 sec = 280 WPM\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("reading efficiency: 280 WPM × 75% ＝ RE 210"), std::string::npos);
  ruvo::storage::TCompressStringList list;
  ASSERT_TRUE(list.LoadFromFile((o.dir / "20040506101112Ito Ken.ruvot").string()));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(fields(list[0]),
            (std::vector<std::string>{"title", "name", "date", "time", "wrd1", "rt1", "wpm1", "qt1", "ans1", "ans2",
                                      "ans3", "ans4", "ans5", "scr1", "scr2", "scr3", "mj1"}));
  EXPECT_EQ(fields(list[1]),
            (std::vector<std::string>{"Sample 1 The Gettysburg Address", "Ito Ken", "2004/05/06 10:11:12", "1.67",
                                      "280", "60", "280.00", "30", "2", "2", "3", "2", "Liberty", "1", "1", "1", "8"}));
  // The same run again in the same second: a second file, the first one kept.
  r = tool(kSamples + "sample1-gettysburg.ruvo --name 'Ito Ken' --date '2004/05/06 10:11:12' --out " + o.dir.string());
  ASSERT_EQ(r.code, 0);
  EXPECT_TRUE(fs::exists(o.dir / "20040506101112Ito Ken_2.ruvot"));
  ASSERT_TRUE(list.LoadFromFile((o.dir / "20040506101112Ito Ken.ruvot").string()));
  EXPECT_EQ(fields(list[1])[3], "1.67");
}

TEST(SimulateCli, PhraseSampleWithQuotedFieldAnswer) {
  Out o;
  ToolRun r = tool(kSamples +
                   "sample2-fables.ruvo --name Sato --answers '1,2,2,1,\"Work now, sing later\"' "
                   "--seconds 5,5,40,20,30,20 --date '2004/05/06 10:11:12' --out " +
                   o.dir.string());
  ASSERT_EQ(r.code, 0) << r.out;
  ruvo::storage::TCompressStringList list;
  ASSERT_TRUE(list.LoadFromFile((o.dir / "20040506101112Sato.ruvot").string()));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(fields(list[1]), (std::vector<std::string>{"Sample 2 Two Fables",
                                                       "Sato",
                                                       "2004/05/06 10:11:12",
                                                       "1.83",
                                                       "134",
                                                       "155",
                                                       "40",
                                                       "30",
                                                       "201.00",
                                                       "310.00",
                                                       "1",
                                                       "2",
                                                       "2",
                                                       "1",
                                                       "Work now, sing later",
                                                       "1",
                                                       "1",
                                                       "1",
                                                       "6",
                                                       "5"}));
}

TEST(SimulateCli, RefusesBadInput) {
  Out o;
  EXPECT_EQ(tool(kSamples + "sample1-gettysburg.ruvo").code, 2);  // no --name
  EXPECT_EQ(tool(kSamples + "sample1-gettysburg.ruvo --name a --date 2004-05-06").code, 2);
  EXPECT_EQ(tool(kSamples + "sample1-gettysburg.ruvo --name a --seconds 1,x").code, 2);
  EXPECT_EQ(tool(kSamples + "sample1-gettysburg.ruvo --name a --seconds 1e300 --out " + o.dir.string()).code, 2);
  // A name the name box would refuse for ever: a usage error at once, not an endless run.
  for (const char* name : {"''", "'   '", "必須です"})
    EXPECT_EQ(tool(kSamples + "sample1-gettysburg.ruvo --name " + name + " --out " + o.dir.string()).code, 2) << name;
  EXPECT_EQ(tool(kSamples + "sample1-gettysburg.ruvo --name a --answers 9 --out " + o.dir.string()).code, 1);
  EXPECT_EQ(tool(o.dir.string() + "/missing.ruvo --name a --out " + o.dir.string()).code, 1);
}

}  // namespace
