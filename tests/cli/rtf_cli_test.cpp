// ruvo-tool rtf, run as a user would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class RtfCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("ruvo-rtf-cli-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path p(const std::string& n) const { return dir_ / n; }
  static std::string fixture(const std::string& n) { return std::string(RUVO_FIXTURES_DIR) + "/rtf/" + n; }

  int tool(const std::string& args) {
    const std::string cmd = std::string("'") + RUVO_TOOL + "' " + args + " </dev/null >'" + p("stdout").string() +
                            "' 2>'" + p("stderr").string() + "'";
    const int st = std::system(cmd.c_str());
    out_ = slurp(p("stdout"));
    err_ = slurp(p("stderr"));
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  }
  fs::path dir_;
  std::string out_, err_;
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
