// ruvo-tool bdc / lines, run as a user would run them.
#include "support/clitest.h"

#include "core/storage/deltacode.h"

namespace {

using namespace ruvo::clitest;

class StorageCli : public CliTest {
 protected:
  ToolRun tool(const std::string& args, const std::string& stdinText = {}) { return runTool(args, stdinText); }
};

TEST_F(StorageCli, BdcEncodeDecodeRoundTrip) {
  std::string data;
  for (int i = 0; i < 3000; ++i) data += static_cast<char>((i * 37) % 256);
  spit(p("in.bin"), data);
  ToolRun r = tool("bdc encode " + q("in.bin") + " " + q("in.bdc"));
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(slurp(p("in.bdc")), ruvo::storage::TDeltaCode::encode(data));
  r = tool("bdc decode " + q("in.bdc") + " -");
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, data);
}

TEST_F(StorageCli, BdcDecodeRefusesWithTheCheckText) {
  std::string s = ruvo::storage::TDeltaCode::encode("some text to cut");
  spit(p("cut.bdc"), s.substr(0, s.size() - 2));
  ToolRun r = tool("bdc decode " + q("cut.bdc") + " " + q("out"));
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.err.find("記録データのサイズが違います"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(p("out")));
  spit(p("junk.bdc"), "junk");
  r = tool("bdc decode " + q("junk.bdc") + " " + q("out"));
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.err.find("データの形式が違います"), std::string::npos) << r.err;
}

TEST_F(StorageCli, UsageErrors) {
  EXPECT_EQ(tool("bdc").exit, 2);
  EXPECT_EQ(tool("bdc squeeze a b").exit, 2);
  EXPECT_EQ(tool("lines").exit, 2);
  EXPECT_EQ(tool("lines --write").exit, 2);
  EXPECT_EQ(tool("bdc encode " + q("missing") + " " + q("x")).exit, 1);
  EXPECT_EQ(tool("lines " + q("missing")).exit, 1);
}

TEST_F(StorageCli, LinesWriteAndRead) {
  const std::string text = "ToTeacher=/srv/集計\n\n[section]\nkey=値\n";
  ToolRun r = tool("lines --write " + q("sub/ruvo_envi.dat"), text);
  ASSERT_EQ(r.exit, 0) << r.err;
  std::string plain;
  ASSERT_TRUE(ruvo::storage::TDeltaCode::decode(slurp(p("sub/ruvo_envi.dat")), plain));
  EXPECT_EQ(plain.substr(0, 17), "ToTeacher=/srv/\x8f\x57");
  EXPECT_NE(plain.find("\r\n\r\n[section]\r\n"), std::string::npos);
  r = tool("lines " + q("sub/ruvo_envi.dat"));
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, text);
}

}  // namespace
