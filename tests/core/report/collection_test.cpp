// Result collection over a file system in memory: the start question, the poll under equal
// and out-of-order time stamps, half-written files, rewrites, report copies and drops.
#include "core/report/collection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "core/platform/headlessports.h"
#include "core/storage/compressstringlist.h"

namespace {

using namespace ruvo;
using delivery::MemoryFileSystem;
using report::TResultCollection;

const std::string kHeader = "title\tname\tdate\twpm1\tscr1";

std::string resultBytes(const std::string& values, const std::string& header = kHeader) {
  storage::TCompressStringList l;
  l.Add(header);
  l.Add(values);
  return l.SaveToCompressedStream();
}

std::string oneLine(const std::string& line) {
  storage::TCompressStringList l;
  l.Add(line);
  return l.SaveToCompressedStream();
}

struct Sink final : report::ResultSink {
  std::vector<std::string> records;  // line 1 of every result taken in, in order
  int clears = 0;
  void Clear() override {
    records.clear();
    ++clears;
  }
  void AddResult(const std::vector<std::string>& lines) override { records.push_back(lines.at(1)); }
};

std::vector<std::string> names(const std::vector<report::TakenResult>& taken) {
  std::vector<std::string> n;
  for (const auto& t : taken) n.push_back(t.name);
  return n;
}

struct CollectionTest : ::testing::Test {
  MemoryFileSystem fs;
  Sink sink;
  platform::FakeClock clock;
  platform::ScriptedDialogs dialogs;
  TResultCollection c{fs, sink, &clock, "/prog/report"};
  const std::string dir = "/share/results";

  void SetUp() override {
    fs.makeFolders(dir);
    clock.date = {2014, 5, 9, 10, 0, 0};
  }
  std::string at(const std::string& name) const { return dir + "/" + name; }
  void put(const std::string& name, const std::string& examinee, std::int64_t t, const std::string& title = "Unit 3") {
    fs.put(at(name), resultBytes(title + "\t" + examinee + "\t2014/05/08 09:00:00\t250.00\t1"), t);
  }
};

TEST_F(CollectionTest, PollTakesEveryNewFileWhateverItsTimeStamp) {
  ASSERT_TRUE(c.StartCollection(dir, dialogs));
  EXPECT_TRUE(dialogs.log.empty());  // an empty folder asks nothing
  put("a.ruvot", "Aoki", 100);
  EXPECT_EQ(names(c.CollectNewResults()), (std::vector<std::string>{"Aoki"}));
  // Two examinees in the same second as the one already taken, and one whose stamp is older
  // (copied by hand with its original time).
  put("b.ruvot", "Baba", 100);
  put("c.ruvot", "Chiba", 100);
  put("d.ruvot", "Doi", 5);
  EXPECT_EQ(names(c.CollectNewResults()), (std::vector<std::string>{"Baba", "Chiba", "Doi"}));
  EXPECT_TRUE(c.CollectNewResults().empty());
  EXPECT_EQ(sink.records.size(), 4u);
}

TEST_F(CollectionTest, HalfWrittenFilesAreTakenOnceComplete) {
  ASSERT_TRUE(c.StartCollection(dir, dialogs));
  fs.put(at("claim.ruvot"), "", 200);                                 // the empty file that claims a name
  fs.put(at("cut.ruvot"), resultBytes("x\ty\tz").substr(0, 5), 200);  // a stream not yet whole
  fs.put(at("one.ruvot"), oneLine(kHeader), 200);                     // a single line so far
  fs.put(at("other.txt"), resultBytes("Unit 3\tX\t2014/05/08 09:00:00"), 200);
  fs.put(at("._claim.ruvot"), "side file of a share", 200);
  EXPECT_TRUE(c.CollectNewResults().empty());
  EXPECT_EQ(c.PendingCount(), 3);
  // A newer result arrives and is taken; the incomplete ones are still waited for.
  put("newer.ruvot", "Eto", 900);
  EXPECT_EQ(names(c.CollectNewResults()), (std::vector<std::string>{"Eto"}));
  // Completed, even with the stamp they had when claimed.
  put("claim.ruvot", "Fujii", 200);
  put("cut.ruvot", "Goto", 200);
  put("one.ruvot", "Hara", 200);
  EXPECT_EQ(names(c.CollectNewResults()), (std::vector<std::string>{"Fujii", "Goto", "Hara"}));
  EXPECT_EQ(c.PendingCount(), 0);
  EXPECT_TRUE(c.CollectNewResults().empty());
}

TEST_F(CollectionTest, RewritesAreTakenOnlyWhenTheResultChanged) {
  ASSERT_TRUE(c.StartCollection(dir, dialogs));
  put("a.ruvot", "Aoki", 100);
  ASSERT_EQ(c.CollectNewResults().size(), 1u);
  fs.setTime(at("a.ruvot"), 300);  // touched
  EXPECT_TRUE(c.CollectNewResults().empty());
  put("a.ruvot", "Aoki", 400);  // the same result written again
  EXPECT_TRUE(c.CollectNewResults().empty());
  fs.put(at("a.ruvot"), resultBytes("Unit 3\tAoki\t2014/05/08 09:00:00\t300.00\t1"), 400);  // same stamp, new result
  EXPECT_EQ(c.CollectNewResults().size(), 1u);
  EXPECT_EQ(sink.records.size(), 2u);
  // Removed and written again under the same name with the same result: nothing new either.
  fs.removeFile(at("a.ruvot"));
  EXPECT_TRUE(c.CollectNewResults().empty());
  fs.put(at("a.ruvot"), resultBytes("Unit 3\tAoki\t2014/05/08 09:00:00\t300.00\t1"), 999);
  EXPECT_TRUE(c.CollectNewResults().empty());
}

TEST_F(CollectionTest, AFileReplacedBetweenListingAndReadingIsCountedOnce) {
  ASSERT_TRUE(c.StartCollection(dir, dialogs));
  fs.put(at("a.ruvot"), "", 100);
  fs.beforeRead = [&](const std::string& p) {
    if (p == at("a.ruvot") && fs.bytes(p).empty()) fs.put(p, resultBytes("Unit 3\tAoki\td\t1\t1"), 101);
  };
  EXPECT_EQ(c.CollectNewResults().size(), 1u);  // read after the claim was replaced
  EXPECT_TRUE(c.CollectNewResults().empty());   // the new stamp shows the same content
  EXPECT_EQ(sink.records.size(), 1u);
}

// Many examinees finishing at once: claims, completions and polls interleaved in random order,
// stamps of one coarse second. Every result is taken exactly once.
TEST_F(CollectionTest, ManyExamineesFinishingAtOnceAreEachTakenOnce) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    MemoryFileSystem mfs;
    Sink s;
    TResultCollection col{mfs, s, &clock, "/prog/report"};
    mfs.makeFolders(dir);
    std::mt19937 rng(seed);
    // Some results are there before the start and are answered Yes to (same title).
    const int before = static_cast<int>(rng() % 5), total = 80;
    for (int i = 0; i < before; ++i)
      mfs.put(at("pre" + std::to_string(i) + ".ruvot"), resultBytes("Unit 3\tpre" + std::to_string(i) + "\td\t1\t1"),
              rng() % 3);
    ASSERT_TRUE(col.StartCollection(dir, dialogs));
    // Each examinee: claim (empty file), then the complete file; steps shuffled across examinees.
    std::vector<std::pair<int, int>> steps;
    for (int i = 0; i < total; ++i) steps.push_back({i, 0}), steps.push_back({i, 1});
    std::shuffle(steps.begin(), steps.end(), rng);
    std::map<int, int> stage;
    std::vector<std::pair<int, int>> ordered;
    // Keep each examinee's claim before its completion.
    for (auto [i, k] : steps) {
      (void)k;
      ordered.push_back({i, stage[i]++});
    }
    int taken = 0;
    for (auto [i, k] : ordered) {
      const std::string name = "r" + std::to_string(i) + ".ruvot";
      const std::int64_t second = 7;  // all in the same second
      if (k == 0)
        mfs.put(at(name), "", second);
      else
        mfs.put(at(name), resultBytes("Unit 3\tr" + std::to_string(i) + "\td\t1\t1"), second);
      if (rng() % 4 == 0) taken += static_cast<int>(col.CollectNewResults().size());
    }
    taken += static_cast<int>(col.CollectNewResults().size());
    ASSERT_EQ(taken, total) << "seed " << seed;
    std::vector<std::string> recs = s.records;
    std::sort(recs.begin(), recs.end());
    ASSERT_EQ(std::adjacent_find(recs.begin(), recs.end()), recs.end()) << "seed " << seed;
    ASSERT_EQ(static_cast<int>(recs.size()), before + total) << "seed " << seed;
  }
}

TEST_F(CollectionTest, StartAsksAboutTheNewestCompleteResult) {
  put("old.ruvot", "Aoki", 100, "Unit 3");
  fs.put(at("newest-other.ruvot"), resultBytes("Unit 4\tBaba\t2014/05/09 08:00:00\t1\t1"), 300);
  put("older-same.ruvot", "Chiba", 50, "Unit 4");
  fs.put(at("claim.ruvot"), "", 999);  // newer but still empty: not what the question names
  dialogs.onYesNoCancel = [](const std::string&) { return platform::Answer::Yes; };
  ASSERT_TRUE(c.StartCollection(dir, dialogs));
  ASSERT_EQ(dialogs.log.size(), 1u);
  EXPECT_EQ(dialogs.log[0].kind, "yesnocancel");
  EXPECT_EQ(dialogs.log[0].text,
            "回収フォルダに すでに結果ファイルがあります。\r\n-- Unit 4 - 2014/05/09 08:00:00 --\r\n"
            "これと同類の結果ファイルの集計を始めますか？\r\n\r\nよければ [ はい ] を選ぶ。\r\n\r\n"
            "これ以降に回収される結果ファイルの集計をするときは [ いいえ ] を\r\n中止するときは [ キャンセル ] "
            "を選ぶ。\r\n\r\n");
  // Yes: the results of that title only.
  ASSERT_EQ(sink.records.size(), 2u);
  EXPECT_EQ(sink.records[0].substr(0, 12), "Unit 4\tBaba\t");
  EXPECT_EQ(sink.records[1].substr(0, 13), "Unit 4\tChiba\t");
  // Later: any title, and the claimed file once written; the other title's old file is not
  // taken even when touched.
  fs.setTime(at("old.ruvot"), 5000);
  put("claim.ruvot", "Doi", 999, "Unit 9");
  put("new.ruvot", "Eto", 1, "Unit 3");
  EXPECT_EQ(names(c.CollectNewResults()), (std::vector<std::string>{"Doi", "Eto"}));
}

TEST_F(CollectionTest, StartAnswers) {
  put("a.ruvot", "Aoki", 100);
  struct Case {
    platform::Answer answer;
    bool started;
    std::size_t records;
  };
  for (const Case& k : {Case{platform::Answer::Yes, true, 1}, Case{platform::Answer::No, true, 0},
                        Case{platform::Answer::Cancel, false, 0}}) {
    sink.records = {"left from before"};
    dialogs.onYesNoCancel = [&](const std::string&) { return k.answer; };
    EXPECT_EQ(c.StartCollection(dir, dialogs), k.started);
    EXPECT_EQ(sink.records.size(), k.records);
  }
  // After No, only what arrives later is taken.
  dialogs.onYesNoCancel = [](const std::string&) { return platform::Answer::No; };
  ASSERT_TRUE(c.StartCollection(dir, dialogs));
  put("b.ruvot", "Baba", 100);
  EXPECT_EQ(names(c.CollectNewResults()), (std::vector<std::string>{"Baba"}));
}

TEST_F(CollectionTest, TakeAllIgnoresTitles) {
  put("a.ruvot", "Aoki", 1, "Unit 3");
  put("b.ruvot", "Baba", 2, "Unit 4");
  fs.put(at("short.ruvot"), resultBytes("Unit 5\tCho", "title\tname"), 3);  // fewer than four fields
  const auto newest = c.BeginCollection(dir);
  EXPECT_EQ(names(c.TakeExisting(TResultCollection::Existing::All, newest)),
            (std::vector<std::string>{"Aoki", "Baba", "Cho"}));
}

TEST_F(CollectionTest, ReportCopiesGoToDatedFoldersAndNeverReplace) {
  c.SetRetrieve(true);
  put("a.ruvot", "Aoki", 1);  // dated 2014/05/08
  fs.put(at("b.ruvot"), resultBytes("Unit 3\tBaba\tnot a date\t1\t1"), 2);
  fs.put("/prog/report/2014/05/08/a.ruvot", "kept", 0);
  ASSERT_TRUE(c.StartCollection(dir, dialogs));
  EXPECT_EQ(fs.bytes("/prog/report/2014/05/08/a.ruvot"), "kept");
  EXPECT_EQ(fs.bytes("/prog/report/2014/05/09/b.ruvot"), fs.bytes(at("b.ruvot")));  // no date: today
  // The poll copies into the folder of the day of collection.
  clock.date = {2014, 6, 1, 8, 0, 0};
  put("c.ruvot", "Chiba", 3);
  c.CollectNewResults();
  EXPECT_EQ(fs.bytes("/prog/report/2014/06/01/c.ruvot"), fs.bytes(at("c.ruvot")));
  // Off: nothing copied.
  c.SetRetrieve(false);
  put("d.ruvot", "Doi", 4);
  c.CollectNewResults();
  EXPECT_FALSE(fs.has("/prog/report/2014/06/01/d.ruvot"));
}

TEST_F(CollectionTest, DropTakesEveryFolderAndResultFileAndNamesOtherTypes) {
  put("top.ruvot", "Aoki", 1);
  fs.put("/a/class 3.b/deep/x.ruvot", resultBytes("Unit 3\tBaba\td\t1\t1"));
  fs.put("/a/class 3.b/note.txt", "text");
  fs.put("/b/y.RUVOT", resultBytes("Unit 3\tChiba\td\t1\t1"));
  fs.put("/b/empty.ruvot", "");
  fs.put("/loose/z.ruvot", resultBytes("Unit 4\tDoi\td\t1\t1"));
  fs.put("/old/1.ruvt", oneLine("b old line"));
  fs.put("/old/2.ruvt", oneLine("A old line"));
  fs.put("/old/3.ruvt", "B OLD LINE\r\nsecond line\r\n");  // plain text, equal but for case
  fs.put("/old/4.ruvt", "c plain line\r\n");
  fs.put("/misc/readme.txt", "t");
  fs.put("/misc/photo.jpg", "j");
  fs.put("/misc/other.TXT", "t");
  fs.makeLink("/a/class 3.b/deep/loop", "/a");  // a link back up the tree
  fs.makeLink("/links/b", "/b");
  sink.records = {"before"};
  const auto out = c.DropResults({"/misc/readme.txt", "/a/class 3.b", "/links/b", "/loose/z.ruvot", dir, "/old/1.ruvt",
                                  "/old/2.ruvt", "/old/3.ruvt", "/old/4.ruvt", "/misc/photo.jpg", "/misc/other.TXT",
                                  "/a/class 3.b/deep/x.ruvot"});
  EXPECT_TRUE(out.cleared);
  EXPECT_EQ(names(out.taken), (std::vector<std::string>{"Doi", "Baba", "Chiba", "Aoki"}));
  EXPECT_EQ(sink.records.size(), 4u);
  EXPECT_EQ(out.oldLines, (std::vector<std::string>{"A old line", "b old line", "c plain line"}));
  EXPECT_EQ(out.message,
            ".txt このタイプのファイルには対応していません\r\n.jpg このタイプのファイルには対応していません");
  EXPECT_EQ(out.refused.size(), 3u);
}

TEST_F(CollectionTest, ADropOfNothingUsableKeepsTheTables) {
  fs.put("/misc/readme.txt", "t");
  sink.records = {"before"};
  const auto out = c.DropResults({"/misc/readme.txt", "/nowhere/gone.ruvo"});
  EXPECT_FALSE(out.cleared);
  EXPECT_EQ(sink.records, (std::vector<std::string>{"before"}));
  EXPECT_EQ(out.message,
            ".txt このタイプのファイルには対応していません\r\n.ruvo このタイプのファイルには対応していません");
}

}  // namespace

namespace {

TEST(AutomaticCollection, StartsFromTheDeliveryWindowAndTicks) {
  using namespace ruvo;
  MemoryFileSystem fs;
  Sink sink;
  platform::FakeClock clock;
  clock.date = {2014, 5, 9, 12, 0, 0};
  platform::ScriptedDialogs dialogs;
  fs.makeFolders("/prog");
  fs.makeFolders("/results");
  delivery::TForm3Model delivery(fs, &dialogs, "/prog", "/prog/ruvo");
  delivery.SetCollectionFolder("/results");
  fs.put("/results/a.ruvot", resultBytes("Unit 3\tAoki\t2014/05/08 09:00:00\t1\t1"), 1);
  TResultCollection c{fs, sink, &clock, "/prog/report"};
  report::CollectionTimer timer;

  dialogs.onYesNoCancel = [](const std::string&) { return platform::Answer::Cancel; };
  EXPECT_FALSE(report::H1Click(c, delivery, dialogs, timer));
  EXPECT_FALSE(timer.enabled);

  dialogs.onYesNoCancel = [](const std::string&) { return platform::Answer::Yes; };
  delivery.cbRetrieve = false;
  ASSERT_TRUE(report::H1Click(c, delivery, dialogs, timer));
  EXPECT_TRUE(timer.enabled && timer.animating);
  EXPECT_EQ(sink.records.size(), 1u);
  EXPECT_FALSE(fs.has("/prog/report/2014/05/08/a.ruvot"));

  EXPECT_FALSE(report::CollectionTick(c, delivery, timer));
  delivery.cbRetrieve = true;  // ticked meanwhile: applies from the next tick on
  fs.put("/results/b.ruvot", resultBytes("Unit 3\tBaba\t2014/05/08 09:00:00\t1\t1"), 1);
  // Off while the poll reads.
  fs.beforeRead = [&](const std::string&) { EXPECT_FALSE(timer.enabled || timer.animating); };
  EXPECT_TRUE(report::CollectionTick(c, delivery, timer));
  EXPECT_TRUE(timer.enabled && timer.animating);
  EXPECT_TRUE(fs.has("/prog/report/2014/05/09/b.ruvot"));
}

}  // namespace
