// ruvo-tool never writes over its own inputs, writes several outputs together or not at all,
// reads "-" as standard input, takes "--" as the end of the options, and refuses inputs it
// would wait on for ever.
#include <sys/stat.h>
#include <unistd.h>

#include "core/storage/compressstringlist.h"
#include "core/storage/deltacode.h"
#include "support/clitest.h"

namespace {

using namespace ruvo::clitest;

const std::string kSystem = std::string(RUVO_DATA_DIR) + "/system/";
const std::string kGettysburg = kSystem + "ruvof/sample/sample1-gettysburg.ruvo";

class InputsOutputsCli : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    script_ = slurp(kSystem + "script/fixed form/sample3-lighthouse.rtf");
    templ_ = slurp(kSystem + "template/fixed form/standard.rtf");
    spit(p("s.rtf"), script_);
    spit(p("t.rtf"), templ_);
  }
  // Runs a shell command line in the test's folder with the tool's path in $T, cut off after
  // 20 seconds (a hang shows as 124); stderr goes to err_.
  int shell(const std::string& line) {
    const std::string cmd = "T='" + std::string(RUVO_TOOL) + "'; cd '" + dir_->path() + "' && { timeout 20 " + line +
                            "; } 2>'" + p("stderr").string() + "'";
    const int st = std::system(cmd.c_str());
    err_ = slurp(p("stderr"));
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  }
  // Every name in the test's folder, temporaries included.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_->path())) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  std::string script_, templ_;
};

TEST_F(InputsOutputsCli, AnOutputThatIsAnInputOrAnotherOutputIsRefused) {
  spit(p("x.ruvo"), "old test");
  spit(p("a.txt"), "plain bytes");
  fs::create_symlink("s.rtf", p("link.rtf"));
  fs::create_hard_link(p("s.rtf"), p("hard.rtf"));
  const std::string compile = "\"$T\" compile s.rtf t.rtf ";
  for (const std::string& cmd : std::vector<std::string>{
           compile + "-o s.rtf",
           compile + "-o ./s.rtf",
           compile + "-o t.rtf",
           compile + "-o link.rtf",
           compile + "-o hard.rtf",
           compile + "-o out.ruvo --project s.rtf",
           compile + "-o x.ruvo --project x.ruvo",
           compile + "-o new.ruvo --project ./new.ruvo",
           compile + "-o - --project -",
           "\"$T\" doc pack s.rtf s.rtf",
           "\"$T\" doc normalize s.rtf ./s.rtf",
           "\"$T\" doc unpack x.ruvo x.ruvo",
           "\"$T\" bdc encode a.txt a.txt",
           "\"$T\" bdc decode a.txt ./a.txt",
           "\"$T\" rtf roundtrip s.rtf link.rtf",
       }) {
    SCOPED_TRACE(cmd);
    EXPECT_EQ(shell(cmd + " >out"), 2);
    EXPECT_TRUE(err_.find("is the input") != std::string::npos || err_.find("are one file") != std::string::npos ||
                err_.find("standard output") != std::string::npos)
        << err_;
    EXPECT_TRUE(slurp(p("s.rtf")) == script_) << "the script was written over";
    EXPECT_TRUE(slurp(p("t.rtf")) == templ_) << "the template was written over";
    EXPECT_EQ(slurp(p("x.ruvo")), "old test");
    EXPECT_EQ(slurp(p("a.txt")), "plain bytes");
    EXPECT_EQ(slurp(p("out")), "");
    EXPECT_FALSE(fs::exists(p("new.ruvo")));
    EXPECT_FALSE(fs::exists(p("out.ruvo")));
  }
  EXPECT_TRUE(fs::is_symlink(p("link.rtf")));
}

TEST_F(InputsOutputsCli, AFailedWriteOfOneOutputLeavesEveryFileAsItWas) {
  spit(p("keep.ruvo"), "the teacher's test");
  EXPECT_EQ(shell("\"$T\" compile s.rtf t.rtf -o keep.ruvo --project nodir/p.ruvp"), 1);
  EXPECT_NE(err_.find("nodir/p.ruvp"), std::string::npos) << err_;
  EXPECT_EQ(slurp(p("keep.ruvo")), "the teacher's test");
  EXPECT_EQ(shell("\"$T\" compile s.rtf t.rtf -o new.ruvo --project nodir/p.ruvp"), 1);
  EXPECT_EQ(shell("\"$T\" compile s.rtf t.rtf -o nodir/new.ruvo --project p.ruvp"), 1);
  EXPECT_EQ(names(), (std::vector<std::string>{"keep.ruvo", "s.rtf", "stderr", "t.rtf"}));
  // Both written when both can be.
  EXPECT_EQ(shell("\"$T\" compile s.rtf t.rtf -o keep.ruvo --project p.ruvp"), 0) << err_;
  EXPECT_TRUE(slurp(p("keep.ruvo")).starts_with("BDC"));
  EXPECT_TRUE(slurp(p("p.ruvp")).starts_with("{\\rtf"));
}

TEST_F(InputsOutputsCli, DashIsStandardInputAndDoubleDashEndsTheOptions) {
  spit(p("-lines.dat"), [] {
    ruvo::storage::TCompressStringList l;
    l.Add("first");
    l.Add("second");
    return l.SaveToCompressedStream();
  }());
  spit(p("-in.txt"), "Four score and seven years ago.\n");
  spit(p("-s.rtf"), script_);
  struct Case {
    std::string args;
    std::string expectIn;  // a piece of standard output ("" to skip)
  } cases[] = {
      {"lines - < ./-lines.dat", "first\nsecond\n"},
      {"lines -- -lines.dat", "first\nsecond\n"},
      {"bdc encode -- -in.txt -out.bdc && \"$T\" bdc decode -- -out.bdc -", "Four score"},
      {"grade -- -in.txt", "\"words\""},
      {"grade - < ./-in.txt", "\"words\""},
      {"rtf text -- -s.rtf", "Lighthouse"},
      {"doc source - < s.rtf", "Lighthouse"},
      {"compile - t.rtf -o - < s.rtf | \"$T\" doc info -", "\"title\""},
      {"compile -o c.ruvo -- -s.rtf t.rtf && \"$T\" doc info c.ruvo", "\"title\""},
      {"compile s.rtf - -o c2.ruvo < t.rtf && \"$T\" doc info c2.ruvo", "\"title\""},
      {"lines --write - < ./-in.txt | \"$T\" lines -", "Four score"},
      {"syllables -- -ing reading", "reading\t"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    ASSERT_EQ(shell("\"$T\" " + c.args + " >out"), 0) << err_;
    EXPECT_NE(slurp(p("out")).find(c.expectIn), std::string::npos) << slurp(p("out"));
  }
  EXPECT_EQ(shell("\"$T\" bdc encode --bad in out"), 2);
  EXPECT_NE(err_.find("unknown option --bad"), std::string::npos) << err_;
  EXPECT_EQ(shell("\"$T\" compile - - -o x.ruvo < s.rtf"), 2);
  EXPECT_NE(err_.find("standard input"), std::string::npos) << err_;
}

TEST_F(InputsOutputsCli, InputsThatWouldNeverEndAreRefused) {
  ASSERT_EQ(::mkfifo(p("fifo").c_str(), 0600), 0);  // nobody ever writes into it
  spit(p("in.txt"), "text");
  for (const std::string cmd : {
           "compile fifo t.rtf -o x.ruvo",
           "compile s.rtf fifo -o x.ruvo",
           "bdc encode fifo out",
           "doc info fifo",
           "doc pack fifo out.ruvo",
           "rtf text fifo",
           "lines fifo",
           "grade fifo",
           "grade --word-data fifo in.txt",
           "simulate fifo --name Ito --out out",
       }) {
    SCOPED_TRACE(cmd);
    EXPECT_EQ(shell("\"$T\" " + cmd + " </dev/null >/dev/null"), 1);
    EXPECT_NE(err_.find("not a regular file"), std::string::npos) << err_;
    EXPECT_FALSE(fs::exists(p("x.ruvo")));
  }
}

TEST_F(InputsOutputsCli, ControlCharactersNeverReachAResultFileName) {
  for (const std::string name : {"Ito\\tKen", "Ito\\nKen", "Ito\\rKen", "Ito\\001"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(shell("\"$T\" simulate '" + kGettysburg + "' --name \"$(printf '" + name + "')\" --out out >/dev/null"),
              2);
    EXPECT_NE(err_.find("control character"), std::string::npos) << err_;
  }
  EXPECT_FALSE(fs::exists(p("out")));
}

TEST_F(InputsOutputsCli, ALongNameIsSentAgainUnderANumberedName) {
  std::string name;
  for (int i = 0; i < 100; ++i) name += "山";
  fs::create_directories(p("coll"));
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    ASSERT_EQ(shell("\"$T\" simulate '" + kGettysburg + "' --name '" + name +
                    "' --date '2004/05/06 10:11:12' --out out --collection coll >/dev/null"),
              0)
        << err_;
  }
  std::vector<std::string> sent;
  for (const auto& e : fs::directory_iterator(p("coll"))) sent.push_back(e.path().filename().string());
  std::sort(sent.begin(), sent.end());
  ASSERT_EQ(sent.size(), 2u);
  for (const auto& n : sent) {
    EXPECT_LE(n.size(), 255u) << n;
    EXPECT_TRUE(n.starts_with("20040506101112山山")) << n;
  }
  EXPECT_TRUE(sent[0].ends_with("山_2.ruvot")) << sent[0];
  EXPECT_TRUE(sent[1].ends_with("山.ruvot")) << sent[1];
}

TEST_F(InputsOutputsCli, ACollectionThatCannotTakeTheResultSaysWhy) {
  EXPECT_EQ(shell("\"$T\" simulate '" + kGettysburg + "' --name Ito --out out --collection missing >/dev/null"), 1);
  EXPECT_NE(err_.find("cannot send the result file into missing: missing: no such folder"), std::string::npos) << err_;
  // A folder that exists but whose files' paths would be too long for the system: even root
  // cannot write there.
  std::string deep = p("").string();
  while (deep.size() < 4060) deep += "/" + std::string(std::min<std::size_t>(200, 4080 - deep.size()), 'd');
  fs::create_directories(deep);
  EXPECT_EQ(shell("\"$T\" simulate '" + kGettysburg + "' --name Ito --out out --collection '" + deep + "' >/dev/null"),
            1);
  EXPECT_NE(err_.find("File name too long"), std::string::npos) << err_;
}

TEST_F(InputsOutputsCli, AFolderWithoutWritePermissionSaysWhy) {
  fs::create_directories(p("locked"));
  ::chmod(p("locked").c_str(), 0555);
  if (::access(p("locked").c_str(), W_OK) == 0) GTEST_SKIP() << "this user writes into any folder";
  EXPECT_EQ(shell("\"$T\" simulate '" + kGettysburg + "' --name Ito --out out --collection locked >/dev/null"), 1);
  EXPECT_NE(err_.find("Permission denied"), std::string::npos) << err_;
}

#ifdef RUVO_PACK
TEST_F(InputsOutputsCli, TheBuildsPackerRefusesWhatWouldBreakTheGeneratedSource) {
  spit(p("a.txt"), "[words]\nalpha\n");
  const std::string pack = std::string("'") + RUVO_PACK + "' ";
  struct Case {
    std::string args;
    const char* message;
  } cases[] = {
      {"'' a.txt out.cpp", "needs a name"},
      {"NAME a.txt a.txt", "is the input"},
      {"NAME a.txt ./a.txt", "is the input"},
      {"NAME \"$(printf 'a.txt\\nint x;')\" out.cpp", "control character"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_EQ(shell(pack + c.args), 2);
    EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
    EXPECT_EQ(slurp(p("a.txt")), "[words]\nalpha\n");
    EXPECT_FALSE(fs::exists(p("out.cpp")));
  }
  ASSERT_EQ(::mkfifo(p("fifo").c_str(), 0600), 0);
  EXPECT_EQ(shell(pack + "NAME fifo out.cpp"), 1);
  EXPECT_NE(err_.find("not a regular file"), std::string::npos) << err_;
  ASSERT_EQ(shell(pack + "NAME a.txt out.cpp"), 0) << err_;
  EXPECT_NE(slurp(p("out.cpp")).find("kRegistrar(\"NAME\""), std::string::npos);
}
#endif

}  // namespace
