// ruvo-tool rtf, run as a user would run it.
#include "support/clitest.h"

namespace {

using namespace ruvo::clitest;

class RtfCli : public CliTest {
 protected:
  static std::string fixture(const std::string& n) { return std::string(RUVO_FIXTURES_DIR) + "/rtf/" + n; }
  int tool(const std::string& args) { return runTool(args).exit; }
};

TEST_F(RtfCli, TextGivesTheLinesOfTheDocument) {
  ASSERT_EQ(tool("rtf text '" + fixture("richedit-sample.rtf") + "'"), 0) << err_;
  EXPECT_EQ(out_, slurp(fixture("richedit-sample.txt")));
}

TEST_F(RtfCli, RoundTripWritesWhatReadsBackTheSame) {
  for (const char* name : {"richedit-sample.rtf", "word.rtf", "libreoffice.rtf"}) {
    const std::string out = p("out.rtf").string();
    ASSERT_EQ(tool("rtf roundtrip '" + fixture(name) + "' '" + out + "'"), 0) << err_;
    EXPECT_EQ(slurp(out).rfind("{\\rtf1\\ansi\\ansicpg932\\deff0", 0), 0u);
    ASSERT_EQ(tool("rtf text '" + out + "'"), 0);
    const std::string again = out_;
    ASSERT_EQ(tool("rtf text '" + fixture(name) + "'"), 0);
    EXPECT_EQ(again, out_) << name;
  }
}

TEST_F(RtfCli, RefusalsAndUsage) {
  EXPECT_EQ(tool("rtf text '" + p("missing.rtf").string() + "'"), 1);
  EXPECT_NE(err_.find("missing.rtf"), std::string::npos);
  EXPECT_EQ(tool("rtf roundtrip '" + fixture("word.rtf") + "' '" + p("no/such/dir/out.rtf").string() + "'"), 1);
  EXPECT_EQ(tool("rtf"), 2);
  EXPECT_EQ(tool("rtf text"), 2);
  EXPECT_EQ(tool("rtf bogus a b"), 2);
}

}  // namespace
