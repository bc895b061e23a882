// ruvo-tool bdc / lines, run as a user would run them.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/storage/deltacode.h"

namespace fs = std::filesystem;

namespace {

struct ToolRun {
  int exit = -1;
  std::string out, err;
};

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
void spit(const fs::path& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }

class StorageCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("ruvo-storage-cli-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path p(const std::string& n) const { return dir_ / n; }

  ToolRun tool(const std::string& args, const std::string& stdinText = {}) {
    spit(p("stdin"), stdinText);
    const std::string cmd = std::string("'") + RUVO_TOOL + "' " + args + " <'" + p("stdin").string() + "' >'" +
                            p("stdout").string() + "' 2>'" + p("stderr").string() + "'";
    const int st = std::system(cmd.c_str());
    ToolRun r;
    r.exit = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = slurp(p("stdout"));
    r.err = slurp(p("stderr"));
    return r;
  }
  std::string q(const std::string& n) const { return "'" + p(n).string() + "'"; }
  fs::path dir_;
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
