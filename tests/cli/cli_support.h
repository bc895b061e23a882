#pragma once
// Shared harness of the command-line tests: a fresh folder per test and ruvo-tool run
// through the shell as a user would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace ruvo::clitest {

namespace fs = std::filesystem;

struct ToolRun {
  int exit = -1;
  std::string out, err;
};

inline std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
inline void spit(const fs::path& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("ruvo-cli-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path p(const std::string& n) const { return dir_ / n; }
  // The path quoted for the shell.
  std::string q(const std::string& n) const { return "'" + p(n).string() + "'"; }

  // Runs ruvo-tool with the arguments (already quoted as needed) and the given standard input;
  // out_ and err_ keep what it printed.
  ToolRun runTool(const std::string& args, const std::string& stdinText = {}) {
    spit(p("stdin"), stdinText);
    const std::string cmd = std::string("'") + RUVO_TOOL + "' " + args + " <'" + p("stdin").string() + "' >'" +
                            p("stdout").string() + "' 2>'" + p("stderr").string() + "'";
    const int st = std::system(cmd.c_str());
    ToolRun r;
    r.exit = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = out_ = slurp(p("stdout"));
    r.err = err_ = slurp(p("stderr"));
    return r;
  }

  fs::path dir_;
  std::string out_, err_;
};

}  // namespace ruvo::clitest
