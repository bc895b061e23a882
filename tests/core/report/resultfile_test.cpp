// Result files read from folders anyone can write to: what sits under a result file's name may
// be a FIFO, a folder, a sparse giant or a stream that claims to expand a thousandfold.
#include "core/report/resultfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/delivery/filesystem.h"
#include "core/report/collection.h"
#include "core/storage/compressstringlist.h"
#include "support/tempdir.h"

namespace ruvo::report {
namespace {

namespace fs = std::filesystem;

std::string stored(const std::vector<std::string>& lines) {
  storage::TCompressStringList l;
  l.Lines = lines;
  return l.SaveToCompressedStream();
}

void spit(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A stream header that claims plainSize bytes, with a few code words after it.
std::string claiming(std::uint32_t plainSize) {
  std::string s = stored({"h", "v"});
  for (int i = 0; i < 4; ++i) s[8 + i] = static_cast<char>(plainSize >> (8 * i));
  return s;
}

const std::string kHeader = "title\tname\tdate\twpm1\tscr1";
const std::string kValues = "Unit 1\tIto\t2004/05/06 10:00:00\t200\t1";

TEST(ResultFile, WhatSitsUnderAResultNameIsReadOnlyWhenItCanBeAResult) {
  testsupport::TempDir dir("resultfile");
  ASSERT_EQ(::mkfifo((dir / "fifo.ruvot").c_str(), 0600), 0);
  fs::create_directories(dir / "folder.ruvot");
  fs::create_symlink(dir / "fifo.ruvot", dir / "link.ruvot");
  {
    std::ofstream sparse(dir / "sparse.ruvot", std::ios::binary);
    sparse << "BDC1";
  }
  fs::resize_file(dir / "sparse.ruvot", std::uintmax_t{1} << 30);
  spit(dir / "claims.ruvot", claiming(64u << 20));
  spit(dir / "big.ruvot", stored({kHeader, kValues + std::string(kMaxResultTextBytes, 'x')}));
  spit(dir / "random.ruvot", "\x8f\x01 not compressed at all \xff");
  spit(dir / "empty.ruvot", "");
  spit(dir / "one.ruvot", stored({kValues}));
  const std::string good = stored({kHeader, kValues, "a third line", "and more"});
  spit(dir / "good.ruvot", good);
  spit(dir / "cut.ruvot", good.substr(0, good.size() - 2));

  struct Case {
    const char* name;
    ResultRefusal refusal;
  } cases[] = {
      {"fifo.ruvot", ResultRefusal::NotAFile},   {"link.ruvot", ResultRefusal::NotAFile},
      {"folder.ruvot", ResultRefusal::NotAFile}, {"sparse.ruvot", ResultRefusal::TooLarge},
      {"claims.ruvot", ResultRefusal::TooLarge}, {"big.ruvot", ResultRefusal::TooLarge},
      {"random.ruvot", ResultRefusal::Damaged},  {"empty.ruvot", ResultRefusal::Damaged},
      {"cut.ruvot", ResultRefusal::Damaged},     {"one.ruvot", ResultRefusal::TooFewLines},
      {"gone.ruvot", ResultRefusal::Vanished},   {"good.ruvot", ResultRefusal::None},
  };
  for (const auto& c : cases) {
    const ResultFileRead r = ReadResultFile(dir / c.name);
    EXPECT_EQ(r.refusal, c.refusal) << c.name << ": " << r.why;
    EXPECT_EQ(r.ok(), r.why.empty()) << c.name;
  }
  // Only the two lines the totals use are kept.
  EXPECT_EQ(ReadResultFile(dir / "good.ruvot").lines, (std::vector<std::string>{kHeader, kValues}));
  EXPECT_EQ(ReadResultFile(dir / "good.ruvot", true).bytes, good);
}

TEST(ResultFile, CollectionNamesRefusedFilesOnceAndWaitsForIncompleteOnes) {
  testsupport::TempDir dir("collectguard");
  ASSERT_EQ(::mkfifo((dir / "a-fifo.ruvot").c_str(), 0600), 0);
  { std::ofstream sparse(dir / "b-sparse.ruvot", std::ios::binary); }
  fs::resize_file(dir / "b-sparse.ruvot", std::uintmax_t{1} << 30);
  spit(dir / "c-claims.ruvot", claiming(1u << 30));
  spit(dir / "d-empty.ruvot", "");
  spit(dir / "e-good.ruvot", stored({kHeader, kValues}));

  struct Sink final : ResultSink {
    int added = 0;
    void Clear() override { added = 0; }
    void AddResult(const std::vector<std::string>&) override { ++added; }
  } sink;
  TResultCollection c(delivery::RealFileSystem(), sink, nullptr, dir / "report");
  const auto newest = c.BeginCollection(dir.path());
  EXPECT_EQ(c.TakeExisting(TResultCollection::Existing::All, newest).size(), 1u);
  EXPECT_EQ(sink.added, 1);
  EXPECT_EQ(c.PendingCount(), 1);  // the empty file: still being written
  EXPECT_EQ(c.RefusedCount(), 3);
  const auto refused = c.TakeRefused();
  ASSERT_EQ(refused.size(), 3u);
  EXPECT_EQ(refused[0].path, dir / "a-fifo.ruvot");
  EXPECT_EQ(refused[0].why, "not a regular file");
  EXPECT_NE(refused[1].why.find("256 MiB"), std::string::npos) << refused[1].why;
  EXPECT_NE(refused[2].why.find("4 MiB"), std::string::npos) << refused[2].why;

  // Unchanged, they are not looked at again; the empty file is.
  EXPECT_TRUE(c.CollectNewResults().empty());
  EXPECT_TRUE(c.TakeRefused().empty());
  EXPECT_EQ(c.RefusedCount(), 3);
  EXPECT_EQ(c.PendingCount(), 1);

  // A refused name that becomes a result is taken in.
  fs::remove(dir / "a-fifo.ruvot");
  spit(dir / "a-fifo.ruvot", stored({kHeader, "Unit 1\tAbe\t2004/05/06 10:00:00\t100\t1"}));
  EXPECT_EQ(c.CollectNewResults().size(), 1u);
  EXPECT_EQ(c.RefusedCount(), 2);
}

}  // namespace
}  // namespace ruvo::report
