// Saves of several files at once, inputs that are not files, and names that lead to one file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>

#include "core/storage/atomicfile.h"
#include "core/storage/fileidentity.h"
#include "support/tempdir.h"

namespace ruvo::storage {
namespace {

namespace fs = std::filesystem;
using testsupport::slurp;
using testsupport::spit;

class FileBatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::make_unique<testsupport::TempDir>(std::string("batch-") +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  std::string p(const std::string& n) const { return *dir_ / n; }
  // Every name in the folder, temporaries included.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_->path())) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  std::unique_ptr<testsupport::TempDir> dir_;
};

TEST_F(FileBatchTest, NothingChangesUntilCommitAndThenEverything) {
  spit(p("a.ruvo"), "old a");
  FileBatch batch;
  ASSERT_TRUE(batch.Add(p("a.ruvo"), "new a").ok());
  ASSERT_TRUE(batch.Add(p("b.ruvp"), "new b").ok());
  EXPECT_EQ(slurp(p("a.ruvo")), "old a");
  EXPECT_FALSE(fs::exists(p("b.ruvp")));
  ASSERT_TRUE(batch.Commit().ok());
  EXPECT_EQ(slurp(p("a.ruvo")), "new a");
  EXPECT_EQ(slurp(p("b.ruvp")), "new b");
  EXPECT_EQ(names(), (std::vector<std::string>{"a.ruvo", "b.ruvp"}));
}

TEST_F(FileBatchTest, AFileThatCannotBeStagedLeavesTheOthersAsTheyWere) {
  spit(p("keep.ruvo"), "the teacher's test");
  {
    FileBatch batch;
    ASSERT_TRUE(batch.Add(p("keep.ruvo"), "replacement").ok());
    const Status s = batch.Add(p("nodir/p.ruvp"), "project");
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find("No such file or directory"), std::string::npos) << s.message();
  }  // dropped uncommitted
  EXPECT_EQ(slurp(p("keep.ruvo")), "the teacher's test");
  EXPECT_EQ(names(), (std::vector<std::string>{"keep.ruvo"}));
}

TEST_F(FileBatchTest, ARenameFailingPartWayPutsTheEarlierFilesBack) {
  spit(p("keep.ruvo"), "the teacher's test");
  spit(p("x.ruvp"), "old project");
  FileBatch batch;
  ASSERT_TRUE(batch.Add(p("keep.ruvo"), "replacement").ok());
  ASSERT_TRUE(batch.Add(p("fresh.txt"), "fresh").ok());
  ASSERT_TRUE(batch.Add(p("x.ruvp"), "new project").ok());
  // Between staging and committing the last target turns into a folder that is not empty.
  fs::remove(p("x.ruvp"));
  fs::create_directories(p("x.ruvp/inside"));
  const Status s = batch.Commit();
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.message().find("x.ruvp"), std::string::npos) << s.message();
  EXPECT_EQ(slurp(p("keep.ruvo")), "the teacher's test");
  EXPECT_EQ(names(), (std::vector<std::string>{"keep.ruvo", "x.ruvp"}));  // no temporaries, no backups
}

TEST_F(FileBatchTest, ASingleWriteKeepsTheModeAndWritesThroughALink) {
  spit(p("target"), "old");
  ::chmod(p("target").c_str(), 0444);
  fs::create_symlink("target", p("link"));
  ASSERT_TRUE(writeFileAtomic(p("link"), "new").ok());
  EXPECT_TRUE(fs::is_symlink(p("link")));
  EXPECT_EQ(slurp(p("target")), "new");
  struct stat st {};
  ASSERT_EQ(::stat(p("target").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(FileBatchTest, InputsThatAreNotRegularFilesAreRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo(p("fifo").c_str(), 0600), 0);  // no writer will ever come
  spit(p("plain"), "bytes");
  auto read = std::async(std::launch::async, [&] {
    std::string out;
    return readRegularFile(p("fifo"), out);
  });
  ASSERT_EQ(read.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "reading a FIFO hangs";
  const Status s = read.get();
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(s.error(), EINVAL);
  EXPECT_NE(s.message().find("not a regular file"), std::string::npos) << s.message();
  EXPECT_FALSE(checkRegularFile(p("fifo")).ok());
  EXPECT_EQ(checkRegularFile(dir_->path()).error(), EISDIR);
  EXPECT_EQ(checkRegularFile(p("missing")).error(), ENOENT);
  std::string out;
  ASSERT_TRUE(readRegularFile(p("plain"), out).ok());
  EXPECT_EQ(out, "bytes");
  EXPECT_TRUE(checkRegularFile(p("plain")).ok());
}

TEST_F(FileBatchTest, NamesThatLeadToOneFile) {
  spit(p("s.rtf"), "script");
  spit(p("t.rtf"), "template");
  fs::create_directories(p("sub"));
  fs::create_symlink("s.rtf", p("soft.rtf"));
  fs::create_hard_link(p("s.rtf"), p("hard.rtf"));
  fs::create_symlink("gone.ruvo", p("dangling"));
  struct Case {
    std::string a, b;
    bool same;
  } cases[] = {
      {p("s.rtf"), p("s.rtf"), true},
      {p("s.rtf"), *dir_ / "./s.rtf", true},
      {p("s.rtf"), p("sub/../s.rtf"), true},
      {p("s.rtf"), p("soft.rtf"), true},
      {p("s.rtf"), p("hard.rtf"), true},
      {p("s.rtf"), p("t.rtf"), false},
      {p("new.ruvo"), p("./new.ruvo"), true},  // neither exists yet
      {p("new.ruvo"), p("sub/../new.ruvo"), true},
      {p("new.ruvo"), p("new.ruvp"), false},
      {p("dangling"), p("gone.ruvo"), true},  // what the link would create
      {p("s.rtf"), "-", false},
      {"-", "-", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a + " | " + c.b);
    EXPECT_EQ(SameFile(c.a, c.b), c.same);
  }
}

TEST_F(FileBatchTest, OutputsApartFromInputsAndFromEachOther) {
  spit(p("s.rtf"), "script");
  struct Case {
    std::vector<std::string> inputs, outputs;
    const char* refusal;  // part of the message, or nullptr when accepted
  } cases[] = {
      {{p("s.rtf"), p("t.rtf")}, {p("out.ruvo"), p("out.ruvp")}, nullptr},
      {{p("s.rtf"), p("t.rtf")}, {p("./s.rtf")}, "is the input"},
      {{p("s.rtf"), p("t.rtf")}, {p("out.ruvo"), p("t.rtf")}, "is the input"},
      {{p("s.rtf"), p("t.rtf")}, {p("x.ruvo"), p("./x.ruvo")}, "are one file"},
      {{"-"}, {"-"}, nullptr},
      {{"-", p("t.rtf")}, {p("out.ruvo")}, nullptr},
      {{"-", "-"}, {p("out.ruvo")}, "standard input"},
      {{p("s.rtf"), p("t.rtf")}, {"-", "-"}, "standard output"},
  };
  for (const Case& c : cases) {
    const Status s = CheckOutputsApart(c.inputs, c.outputs);
    SCOPED_TRACE(s.message());
    if (!c.refusal) {
      EXPECT_TRUE(s.ok());
    } else {
      EXPECT_FALSE(s.ok());
      EXPECT_NE(s.message().find(c.refusal), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace ruvo::storage
