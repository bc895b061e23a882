// ruvo-tool grade / syllables, run as a user would run them.
#include <nlohmann/json.hpp>

#include "core/storage/compressstringlist.h"
#include "support/clitest.h"

namespace {

using namespace ruvo::clitest;

class ReadabilityCli : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    spit(p("empty.txt"), "");
  }
  ToolRun tool(const std::string& args, const std::string& stdinText = {}) { return runTool(args, stdinText); }
};

TEST_F(ReadabilityCli, GradeReportsEveryCountAsJson) {
  spit(p("passage.txt"), "He came, and she left; then it rained.\r\nThe cat sat / on the mat.\n");
  const ToolRun r = tool("grade --word-data " + q("empty.txt") + " " + q("passage.txt"));
  ASSERT_EQ(r.exit, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["sentences"], 2);
  EXPECT_EQ(j["clauses"], 3);
  EXPECT_EQ(j["phrases"], 4);
  EXPECT_EQ(j["words"], 14);
  EXPECT_EQ(j["longWords"], 0);
  EXPECT_EQ(j["sentenceOpen"], false);
  for (const char* k : {"letters", "syllables", "consonants", "oneSyllableWords", "clauseOpen", "phraseOpen"})
    EXPECT_TRUE(j.contains(k)) << k;
  const double tvjp = j["tvjp"];
  EXPECT_GT(tvjp, 0.0);
  EXPECT_EQ(j["grade"], static_cast<int>(std::nearbyint(tvjp * 10)));

  // The same passage on standard input.
  const ToolRun s = tool("grade --word-data " + q("empty.txt"), slurp(p("passage.txt")));
  ASSERT_EQ(s.exit, 0) << s.err;
  EXPECT_EQ(s.out, r.out);
}

TEST_F(ReadabilityCli, GradeOfAnUnfinishedPassageIsZero) {
  const ToolRun r = tool("grade --word-data " + q("empty.txt"), "no stop here");
  ASSERT_EQ(r.exit, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["clauses"], 0);
  EXPECT_EQ(j["sentenceOpen"], true);
  EXPECT_EQ(j["grade"], 0);
  EXPECT_EQ(j["tvjp"], 0.0);
}

TEST_F(ReadabilityCli, SyllablesFromArgumentsAndStandardInput) {
  ToolRun r = tool("syllables --word-data " + q("empty.txt") + " \"don't\" church 1990");
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, "don't\t1\t3\nchurch\t1\t3\n1990\t4\t4\n");
  r = tool("syllables --word-data " + q("empty.txt"), "player\r\nsaw\n");
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, "player\t2\t3\nsaw\t1\t1\n");
}

TEST_F(ReadabilityCli, WordDataInPlainAndCompressedFormAgree) {
  const std::string plain = "[word_3]\nzzz\n[abbreviation]\nmr\n";
  spit(p("plain.txt"), plain);
  ruvo::storage::TCompressStringList list;
  list.Lines = {"[word_3]", "zzz", "[abbreviation]", "mr"};
  spit(p("packed.dat"), list.SaveToCompressedStream());
  for (const char* f : {"plain.txt", "packed.dat"}) {
    SCOPED_TRACE(f);
    ToolRun r = tool(std::string("syllables --word-data ") + q(f) + " zzz");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "zzz\t3\t2\n");
    r = tool(std::string("grade --word-data ") + q(f), "Mr. Smith came.");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["sentences"], 1);
  }
  // Without the entry the abbreviation's period ends a sentence.
  const ToolRun r = tool("grade --word-data " + q("empty.txt"), "Mr. Smith came.");
  EXPECT_EQ(nlohmann::json::parse(r.out)["sentences"], 2);
}

TEST_F(ReadabilityCli, EmbeddedWordDataIsUsedByDefault) {
  const ToolRun r = tool("syllables tables");
  if (r.exit == 1 && r.err.find("SQLTOVGLE") != std::string::npos) GTEST_SKIP() << "no embedded word data";
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, "tables\t2\t4\n");
  EXPECT_EQ(tool("grade", "The cat sat.").exit, 0);
}

TEST_F(ReadabilityCli, BadInputIsRefusedAndMisuseIsAUsageError) {
  spit(p("broken.dat"), "BDC1 not really a stream");
  EXPECT_EQ(tool("syllables --word-data " + q("broken.dat") + " cat").exit, 1);
  EXPECT_EQ(tool("syllables --word-data " + q("missing.dat") + " cat").exit, 1);
  EXPECT_EQ(tool("grade --word-data " + q("empty.txt") + " " + q("missing.txt")).exit, 1);
  EXPECT_EQ(tool("grade --word-data").exit, 2);
  EXPECT_EQ(tool("grade --word-data " + q("empty.txt") + " a.txt b.txt").exit, 2);
  EXPECT_EQ(tool("grade --bogus").exit, 2);
}

}  // namespace
