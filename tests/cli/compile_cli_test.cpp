// ruvo-tool compile: the shipped samples come out of it byte for byte, stops print the
// system's message and write nothing.
#include <nlohmann/json.hpp>

#include "support/clitest.h"

namespace {

using namespace ruvo::clitest;
using json = nlohmann::json;

const std::string kSystem = std::string(RUVO_DATA_DIR) + "/system/";
const std::string kTemplate = "'" + kSystem + "template/fixed form/standard.rtf'";
const std::string kFixtures = std::string(RUVO_FIXTURES_DIR) + "/authoring/";

class CompileCli : public CliTest {
 protected:
  json info(const std::string& file) {
    ToolRun r = runTool("doc info " + q(file));
    EXPECT_EQ(r.exit, 0) << r.err;
    return json::parse(r.out);
  }
};

TEST_F(CompileCli, ShippedSamplesAreWhatTheCompilerMakes) {
  for (const std::string name : {"sample3-lighthouse", "sample4-market"}) {
    const std::string script = "'" + kSystem + "script/fixed form/" + name + ".rtf'";
    ToolRun r = runTool("compile " + script + " " + kTemplate + " -o " + q("out.ruvo") + " --project " + q("out.ruvp"));
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(slurp(p("out.ruvo")), slurp(kSystem + "ruvof/sample/" + name + ".ruvo")) << name;
    EXPECT_EQ(slurp(p("out.ruvp")), slurp(kSystem + "project/sample/" + name + ".ruvp")) << name;
    EXPECT_EQ(info("out.ruvo"), info("out.ruvp"));
  }
  const json market = info("out.ruvo");
  EXPECT_EQ(market["properties"]["title"], "Sample 4 Market Day");
  EXPECT_EQ(market["settings"]["fadein"], 1);
  EXPECT_EQ(market["settings"]["leftindent"], 16);
  const json& pages = market["pages"];
  ASSERT_EQ(pages.size(), 14u);
  EXPECT_EQ(pages[2]["kind"], 5);
  EXPECT_EQ(pages[4]["kind"], 1);
  EXPECT_GT(pages[4]["grade"].get<int>(), 0);
  EXPECT_FALSE(pages[4]["phraseMarks"].empty());
  EXPECT_EQ(pages[7]["caption"], "1 つ目の英文が終わりました。");
  const json& last = pages[10]["questions"];
  ASSERT_EQ(last.size(), 3u);
  EXPECT_EQ(last[1]["correct"], -1);
  EXPECT_EQ(last[2]["text"], "\t(5) Write one thing you would buy at the market.");
  EXPECT_TRUE(last[2]["choices"].empty());
  EXPECT_EQ(pages[13]["role"], 2);
}

TEST_F(CompileCli, TitleSwitchesAndHeader) {
  const std::string script = "'" + kFixtures + "untitled-script.rtf'";
  ToolRun r = runTool("compile " + script + " " + kTemplate + " -o " + q("a.ruvo"));
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.err, "Create を中止しました\n\nタイトルは Property タブの title へ書き込む\n");
  EXPECT_FALSE(fs::exists(p("a.ruvo")));

  r = runTool("compile " + script + " " + kTemplate + " -o " + q("a.ruvo") +
              " --title '  第１回 ' --no-numbers --no-indent");
  ASSERT_EQ(r.exit, 0) << r.err;
  const json d = info("a.ruvo");
  EXPECT_EQ(d["properties"]["title"], "第１回");
  EXPECT_EQ(d["properties"]["category"], "fixture");
  EXPECT_EQ(d["settings"]["leftindent"], 20);
  EXPECT_EQ(d["settings"]["autoqa"], 0);
  const json& q = d["pages"][6]["questions"][0];
  EXPECT_EQ(q["text"], "Where did the cat sit?");
  EXPECT_EQ(q["choices"], json::array({"On the chair", "On the mat"}));
  EXPECT_EQ(q["correct"], 1);
}

TEST_F(CompileCli, StopsWriteNothing) {
  struct Case {
    std::string script, templ, message;
  };
  const std::vector<Case> cases = {
      {"'" + kFixtures + "twice-passage.rtf'", kTemplate, "エラー： 課題文が連続しています\n\n4 行目の !\n"},
      {"'" + kSystem + "script/fixed form/sample3-lighthouse.rtf'", "'" + kFixtures + "name-less-template.rtf'",
       "雛形に [OPEN] ページがありません。\n\n[OPEN] ページは受験者の名前を要求するために必須です。\n\n"
       "Template ファイルを修正してください。\n"},
  };
  for (const Case& c : cases) {
    ToolRun r = runTool("compile " + c.script + " " + c.templ + " -o " + q("x.ruvo") + " --project " + q("x.ruvp"));
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, c.message);
    EXPECT_FALSE(fs::exists(p("x.ruvo")));
    EXPECT_FALSE(fs::exists(p("x.ruvp")));
  }
  // An input that cannot be read: which one, and the system's reason.
  fs::create_directories(p("DIR"));
  const std::pair<std::string, std::string> unreadable[] = {
      {"compile " + q("missing.rtf") + " " + kTemplate, p("missing.rtf").string() + ": No such file or directory"},
      {"compile " + q("DIR") + " " + kTemplate, p("DIR").string() + ": Is a directory"},
      {"compile " + kTemplate + " " + q("DIR"), p("DIR").string() + ": Is a directory"},
  };
  for (const auto& [command, why] : unreadable) {
    ToolRun r = runTool(command + " -o " + q("x.ruvo"));
    EXPECT_EQ(r.exit, 1) << command;
    EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
  }
  EXPECT_EQ(runTool("compile " + kTemplate + " -o " + q("x.ruvo")).exit, 2);
  EXPECT_EQ(runTool("compile " + kTemplate + " " + kTemplate).exit, 2);
  EXPECT_EQ(runTool("compile " + kTemplate + " " + kTemplate + " -o " + q("x.ruvo") + " --numbers").exit, 2);
  EXPECT_FALSE(fs::exists(p("x.ruvo")));
}

}  // namespace
