// ruvo-tool doc, run as a user would run it.
#include <nlohmann/json.hpp>

#include "support/clitest.h"

using nlohmann::json;

namespace {

using namespace ruvo::clitest;

class DocCli : public CliTest {
 protected:
  std::string p(const std::string& n) const { return CliTest::p(n).string(); }
  static std::string fixture(const std::string& n) { return std::string(RUVO_FIXTURES_DIR) + "/documents/" + n; }
  int tool(const std::string& args) { return runTool(args).exit; }
  json info(const std::string& file) {
    EXPECT_EQ(tool("doc info '" + file + "'"), 0) << err_;
    return json::parse(out_);
  }
};

// kind, role, pass, grade, marks, caption, lowerCaption, number of questions
struct PageRow {
  int kind, role;
  bool pass;
  int grade;
  std::vector<int> marks;
  std::string caption, lower;
  std::size_t questions;
};

void expectPages(const json& j, const std::vector<PageRow>& rows) {
  ASSERT_EQ(j["pages"].size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const json& pg = j["pages"][i];
    const PageRow& r = rows[i];
    EXPECT_EQ(pg["kind"], r.kind) << i;
    EXPECT_EQ(pg["role"], r.role) << i;
    EXPECT_EQ(pg["pass"], r.pass) << i;
    EXPECT_EQ(pg["grade"], r.grade) << i;
    EXPECT_EQ(pg["phraseMarks"].get<std::vector<int>>(), r.marks) << i;
    EXPECT_EQ(pg["caption"], r.caption) << i;
    EXPECT_EQ(pg["lowerCaption"], r.lower) << i;
    EXPECT_EQ(pg["questions"].size(), r.questions) << i;
  }
}

TEST_F(DocCli, InfoOfTheExampleDocument) {
  const json j = info(fixture("richedit-sample.rtf"));
  EXPECT_EQ(j["properties"]["title"], "2014年 2回目");
  EXPECT_EQ(j["properties"].size(), 6u);
  EXPECT_EQ(j["settings"].size(), 9u);
  EXPECT_EQ(j["settings"]["tabindent"], 32);
  expectPages(j, {{5, 0, false, 0, {}, "受験者の名前", "", 0},
                  {0, 0, false, 0, {}, "読解計測を始めます。", "", 0},
                  {1, 0, false, 0, {0, 14, 41}, "Faster Readingmakes better comprehension.", "", 0},
                  {2, 1, true, 0, {}, "", "", 2},
                  {0, 2, false, 0, {}, "", "", 0}});
  const json& q = j["pages"][3]["questions"];
  EXPECT_EQ(q[0]["text"], " followed by a question");
  EXPECT_EQ(q[0]["choices"], json::array({" followed by a choice", " followed by the correct choice"}));
  EXPECT_EQ(q[0]["correct"], 1);
  EXPECT_EQ(q[1]["choices"], json::array());
  EXPECT_EQ(q[1]["correct"], -1);
}

TEST_F(DocCli, InfoOfAFileAnEarlierInstallationSaved) {
  const json j = info(fixture("old-writer.rtf"));
  EXPECT_EQ(j["properties"]["naming"], "出席番号を入力");
  EXPECT_EQ(j["settings"]["overflow"], 1);
  expectPages(j, {{5, 0, true, 0, {}, "名前を入力してください。", "", 0},
                  {1, 0, false, 52, {0, 15, 19, 30}, "A first passagereadin phrases.", "", 0},
                  {3, 1, true, 0, {}, "", "下の文", 2},
                  {4, 0, false, 0, {}, "次へ進みます。", "", 0},
                  {1, 0, true, 88, {0, 0, 14, 33, 50}, "Second passagewith a leading markfrom an old save.", "", 0},
                  {0, 2, false, 0, {}, "Results follow.", "", 0}});
  const json& q = j["pages"][2]["questions"];
  EXPECT_EQ(q[0]["text"], " \tWhich one?");
  EXPECT_EQ(q[0]["choices"], json::array({"\t\tred", "\t\tblue"}));
  EXPECT_EQ(q[0]["correct"], 1);

  // Normalising writes it in today's shape, which reads back the same.
  ASSERT_EQ(tool("doc normalize '" + fixture("old-writer.rtf") + "' '" + p("n.ruvo") + "'"), 0) << err_;
  EXPECT_EQ(info(p("n.ruvo")), j);
  ASSERT_EQ(tool("doc normalize '" + p("n.ruvo") + "' '" + p("n.rtf") + "'"), 0) << err_;
  EXPECT_EQ(slurp(p("n.rtf")).rfind("{\\rtf1", 0), 0u);
  EXPECT_EQ(info(p("n.rtf")), j);
}

TEST_F(DocCli, InfoOfWalkEdgeCases) {
  const json j = info(fixture("edge-cases.rtf"));
  EXPECT_EQ(j["settings"]["score"], 0);                          // not a number: the default
  expectPages(j, {{0, 0, false, 0, {}, "orphan choice", "", 0},  // shown without its marker
                  {1, 0, false, 7, {0, 15, 19, 26}, "indented line", "", 0},
                  {3, 1, false, 0, {}, "", "", 1},
                  {0, 1, false, 0, {}, "", "", 1},
                  {0, 0, false, 0, {}, "text only", "", 0}});
  EXPECT_EQ(j["pages"][2]["questions"][0]["choices"], json::array({"a", "b", "c"}));
  EXPECT_EQ(j["pages"][2]["questions"][0]["correct"], 1);
  EXPECT_EQ(j["pages"][3]["questions"][0]["text"], "");
}

TEST_F(DocCli, PackUnpackAndSource) {
  const std::string rtf = slurp(fixture("richedit-sample.rtf"));
  ASSERT_EQ(tool("doc pack '" + fixture("richedit-sample.rtf") + "' '" + p("s.ruvo") + "'"), 0) << err_;
  ASSERT_EQ(tool("doc unpack '" + p("s.ruvo") + "' '" + p("s.rtf") + "'"), 0) << err_;
  EXPECT_EQ(slurp(p("s.rtf")), rtf);
  EXPECT_EQ(info(p("s.ruvo")), info(fixture("richedit-sample.rtf")));
  ASSERT_EQ(tool("doc source '" + p("s.ruvo") + "'"), 0) << err_;
  std::istringstream lines(out_);
  std::vector<std::string> got;
  for (std::string l; std::getline(lines, l);) got.push_back(l);
  ASSERT_GE(got.size(), 28u);
  EXPECT_EQ(got[2], "title=2014年 2回目");
  EXPECT_EQ(got[21], "Faster Reading/ makes better comprehension./ ");
}

TEST_F(DocCli, RefusalsAndUsage) {
  std::ofstream(p("bad.ruvo"), std::ios::binary) << "not a stream, not at all, but long enough to be read";
  EXPECT_EQ(tool("doc info '" + p("bad.ruvo") + "'"), 1);
  EXPECT_NE(err_.find("読み込み失敗"), std::string::npos) << err_;
  EXPECT_EQ(tool("doc unpack '" + p("bad.ruvo") + "' '" + p("x.rtf") + "'"), 1);
  // A document that cannot be read: which file, and the system's reason.
  std::filesystem::create_directories(p("folder.ruvo"));
  EXPECT_EQ(tool("doc info '" + p("folder.ruvo") + "'"), 1);
  EXPECT_NE(err_.find("読み込み失敗"), std::string::npos) << err_;
  EXPECT_NE(err_.find(p("folder.ruvo") + ": Is a directory"), std::string::npos) << err_;
  EXPECT_EQ(tool("doc info '" + p("missing.ruvo") + "'"), 1);
  EXPECT_NE(err_.find("ファイルがありません"), std::string::npos) << err_;
  EXPECT_EQ(tool("doc"), 2);
  EXPECT_EQ(tool("doc info"), 2);
  EXPECT_EQ(tool("doc frobnicate a b"), 2);
  std::ofstream(p("empty.ruvo"), std::ios::binary);
  const json j = info(p("empty.ruvo"));
  EXPECT_EQ(j["pages"].size(), 0u);
}

}  // namespace
