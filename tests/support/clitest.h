#pragma once
// Harness of the command-line tests: a fresh folder per test and ruvo-tool run through the
// shell as a user would run it. The including test program defines RUVO_TOOL, the tool's path.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "support/tempdir.h"

namespace ruvo::clitest {

namespace fs = std::filesystem;
using testsupport::slurp;
using testsupport::spit;

struct ToolRun {
  int exit = -1;
  std::string out, err;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::make_unique<testsupport::TempDir>(std::string("cli-") +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override { dir_.reset(); }

  fs::path p(const std::string& n) const { return fs::path(dir_->path()) / n; }
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

  std::unique_ptr<testsupport::TempDir> dir_;
  std::string out_, err_;
};

}  // namespace ruvo::clitest
