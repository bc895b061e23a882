// What ruvo-tool does when its output or input is not an ordinary file: full disks, closed
// pipes, FIFOs, huge inputs, names at the file system's limit, many runs into one folder.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <thread>

#include "core/storage/compressstringlist.h"
#include "core/storage/deltacode.h"
#include "core/text/strings.h"
#include "support/clitest.h"

extern char** environ;

namespace {
using namespace ruvo::clitest;

const std::string kGettysburg = std::string(RUVO_DATA_DIR) + "/system/ruvof/sample/sample1-gettysburg.ruvo";

class OutputCli : public CliTest {
 protected:
  // Runs a shell command line with the tool's path in $T; the exit status.
  int shell(const std::string& line) {
    const std::string cmd = "T='" + std::string(RUVO_TOOL) + "'; cd '" + dir_->path() + "' && " + line;
    const int st = std::system(cmd.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  }
};

TEST_F(OutputCli, StandardOutputThatCannotBeWrittenIsAFailure) {
  spit(p("in.txt"), "Four score and seven years ago our fathers brought forth a new nation.\n");
  spit(p("in.rtf"), "{\\rtf1 one\\par two\\par}");
  ASSERT_EQ(shell("\"$T\" bdc encode in.txt in.bdc"), 0);
  // Every command that prints, into a full device: it only ever writes there.
  for (const std::string& cmd :
       std::vector<std::string>{"bdc encode in.txt -", "bdc decode in.bdc -", "rtf text in.rtf",
                                "rtf roundtrip in.rtf -", "doc source in.rtf", "doc info in.rtf", "grade in.txt",
                                "syllables nation", "simulate '" + kGettysburg + "' --name Ito --out out"}) {
    SCOPED_TRACE(cmd);
    EXPECT_EQ(shell("\"$T\" " + cmd + " >/dev/full 2>err"), 1);
    EXPECT_NE(slurp(p("err")).find("cannot write standard output: No space left on device"), std::string::npos)
        << slurp(p("err"));
  }
}

TEST_F(OutputCli, AReaderThatWentAwayIsReportedNotIgnored) {
  spit(p("in.txt"), "some text");
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);  // nobody will ever read
  const int err = ::open(p("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&fa, err, STDERR_FILENO);
  const std::string in = p("in.txt").string();
  const char* argv[] = {RUVO_TOOL, "bdc", "encode", in.c_str(), "-", nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, RUVO_TOOL, &fa, nullptr, const_cast<char**>(argv), environ), 0);
  posix_spawn_file_actions_destroy(&fa);
  ::close(fds[1]);
  ::close(err);
  int st = 0;
  ASSERT_EQ(::waitpid(pid, &st, 0), pid);
  ASSERT_TRUE(WIFEXITED(st)) << "ended by signal " << WTERMSIG(st);
  EXPECT_EQ(WEXITSTATUS(st), 1);
  EXPECT_NE(slurp(p("err")).find("cannot write standard output: Broken pipe"), std::string::npos);
}

TEST_F(OutputCli, AFifoTargetIsWrittenThroughAndStaysAFifo) {
  spit(p("in.txt"), "through a pipe");
  ASSERT_EQ(::mkfifo(p("fifo").c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = slurp(p("fifo")); });
  EXPECT_EQ(runTool("bdc encode " + q("in.txt") + " " + q("fifo")).exit, 0) << err_;
  reader.join();
  EXPECT_TRUE(fs::is_fifo(p("fifo")));
  std::string plain;
  ASSERT_TRUE(ruvo::storage::TDeltaCode::decode(got, plain));
  EXPECT_EQ(plain, "through a pipe");
}

TEST_F(OutputCli, InputsOverTheLimitAreRefusedAndTheTargetIsKept) {
  // A sparse file over the limit costs no disk; an endless stream is cut off at the limit.
  { std::ofstream(p("huge.rtf")); }
  fs::resize_file(p("huge.rtf"), (std::uintmax_t{256} << 20) + 1);
  spit(p("doc.ruvo"), "the old document");
  for (const std::string cmd :
       {"doc pack huge.rtf doc.ruvo", "bdc encode huge.rtf doc.ruvo", "rtf roundtrip huge.rtf doc.ruvo"}) {
    SCOPED_TRACE(cmd);
    EXPECT_EQ(shell("\"$T\" " + cmd + " 2>err"), 1);
    EXPECT_NE(slurp(p("err")).find("larger than 256 MiB"), std::string::npos) << slurp(p("err"));
    EXPECT_EQ(slurp(p("doc.ruvo")), "the old document");
  }
  EXPECT_EQ(shell("yes | \"$T\" rtf text - >out 2>err"), 1);
  EXPECT_EQ(slurp(p("err")), "ruvo-tool: cannot read standard input: larger than 256 MiB\n");
  EXPECT_EQ(slurp(p("out")), "");
}

TEST_F(OutputCli, NamesAtTheFileSystemLimit) {
  spit(p("in.txt"), "x");
  const std::string longest(255, 'n');
  EXPECT_EQ(runTool("bdc encode " + q("in.txt") + " " + q(longest)).exit, 0) << err_;
  EXPECT_EQ(runTool("bdc encode " + q("in.txt") + " " + q(longest)).exit, 0) << err_;
  // A name that would make the result file's name too long is shortened, not refused.
  std::string name;
  for (int i = 0; i < 100; ++i) name += "山";
  EXPECT_EQ(
      runTool("simulate '" + kGettysburg + "' --name '" + name + "' --date '2004/05/06 10:11:12' --out " + q("out"))
          .exit,
      0)
      << err_;
  EXPECT_EQ(
      runTool("simulate '" + kGettysburg + "' --name '" + name + "' --date '2004/05/06 10:11:12' --out " + q("out"))
          .exit,
      0)
      << err_;
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(p("out"))) names.push_back(e.path().filename().string());
  ASSERT_EQ(names.size(), 2u);
  for (const auto& n : names) {
    EXPECT_LE(n.size(), 255u);
    EXPECT_TRUE(n.starts_with("20040506101112山山")) << n;
    EXPECT_TRUE(n.ends_with(".ruvot")) << n;
  }
}

TEST_F(OutputCli, ManyRunsIntoOneFolderKeepEveryResult) {
  // A class finishing in the same second, into one report folder: each run its own file.
  const int runs = 120;
  std::string line =
      "mkdir out && for i in $(seq 1 " + std::to_string(runs) + "); do \"$T\" simulate '" + kGettysburg +
      "' --name Ito --date '2004/05/06 10:11:12' --seconds 10,10,$i --out out >/dev/null 2>>err & done; wait";
  ASSERT_EQ(shell(line), 0);
  std::set<std::string> seconds;
  int files = 0;
  for (const auto& e : fs::directory_iterator(p("out"))) {
    ++files;
    ruvo::storage::TCompressStringList list;
    ASSERT_TRUE(list.LoadFromFile(e.path().string())) << e.path();
    ASSERT_EQ(list.Count(), 2);
    const auto header = ruvo::text::split(list[0], '\t');
    const auto values = ruvo::text::split(list[1], '\t');
    const auto rt = std::find(header.begin(), header.end(), "rt1") - header.begin();
    ASSERT_LT(static_cast<std::size_t>(rt), values.size());
    seconds.insert(values[static_cast<std::size_t>(rt)]);
  }
  EXPECT_EQ(files, runs);
  EXPECT_EQ(seconds.size(), static_cast<std::size_t>(runs));
  EXPECT_EQ(slurp(p("err")).find("cannot"), std::string::npos) << slurp(p("err"));
}

}  // namespace
