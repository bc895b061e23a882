// The main window in its aggregation mode: drops totalled into RichEdit1 with Label2's count,
// Copy with and without the wide table, automatic collection started from the delivery window
// and fed by the poll, and the settings of the delivery and feedback windows.
#include "core/report/totalsmodel.h"
#include "core/text/strings.h"

#include <gtest/gtest.h>

#include "core/app/form1model.h"
#include "core/platform/headlessports.h"
#include "core/richtext/richtext.h"
#include "core/storage/compressstringlist.h"
#include "support/tempdir.h"

namespace {

using namespace ruvo;
using delivery::MemoryFileSystem;

const std::string kHeader = "title\tname\tdate\twpm1\tscr1\tscr2";

std::string resultBytes(const std::string& values, const std::string& header = kHeader) {
  storage::TCompressStringList l;
  l.Add(header);
  l.Add(values);
  return l.SaveToCompressedStream();
}

std::vector<std::string> linesOf(const rt::RichText& t) {
  std::vector<std::string> out;
  for (const auto& p : t.paragraphs()) {
    std::string s;
    for (const auto& r : p.runs) s += r.text;
    out.push_back(s);
  }
  return out;
}

struct Totals : ::testing::Test {
  testsupport::ProgramFolder home{"totals"};
  platform::HeadlessPorts hp;
  MemoryFileSystem fs;
  report::TTotalsModel* totals = nullptr;  // owned by the main window's model
  std::unique_ptr<app::TForm1Model> form;

  void SetUp() override { make(); }
  void make() {
    fs.makeFolders(home.path());
    form = std::make_unique<app::TForm1Model>(hp.ports(), home.path());
    auto t = std::make_unique<report::TTotalsModel>(hp.ports(), fs, home.path(), home / "ruvo");
    totals = t.get();
    form->SetTotals(std::move(t));
    form->Create({});
  }
  std::vector<std::string> shown() const { return linesOf(form->TestView().richEdit1); }
  std::vector<std::string> tables() const {
    std::vector<std::string> l;
    totals->FSumUpList().WriteTables(l);
    return l;
  }
};

TEST_F(Totals, DropTotalsEveryFolderAndFileAndReportsOtherTypes) {
  fs.put("/class a/one.ruvot", resultBytes("Unit 1\tAoki\t2014/05/09 10:00:00\t200.0\t1\t0"));
  fs.put("/class a/sub/two.ruvot", resultBytes("Unit 1\tBaba\t2014/05/09 10:05:00\t300.0\t1\t1"));
  fs.put("/results.2014/three.ruvot",
         resultBytes("Unit 2\tChiba\t2014/05/01 09:00:00\t250.0\t1", "title\tname\tdate\twpm1\tscr1"));
  fs.put("/loose.ruvot", resultBytes("Unit 1\tAoki\t2014/05/09 10:00:00\t200.0\t1\t0"));  // the same record again
  fs.put("/notes.txt", "x");
  form->DropFiles({"/notes.txt", "/class a", "/results.2014", "/loose.ruvot"});

  EXPECT_EQ(hp.dialogs.messages(), std::vector<std::string>{".txt このタイプのファイルには対応していません"});
  EXPECT_EQ(form->FViewMode(), app::vmTotals);
  // The earlier test's table first; the repeated record once.
  const std::vector<std::string> expected = {"title\tname\tdate\twpm1\tscr1",
                                             "Unit 2\tChiba\t2014/05/01 09:00:00\t250.0\t1",
                                             "",
                                             kHeader,
                                             "Unit 1\tAoki\t2014/05/09 10:00:00\t200.0\t1\t0",
                                             "Unit 1\tBaba\t2014/05/09 10:05:00\t300.0\t1\t1",
                                             ""};
  EXPECT_EQ(shown(), expected);
  EXPECT_EQ(form->TestView().label2.text, "2 種類、のべ 3 人分");
  EXPECT_EQ(form->TestView().label2.left, 272);
  EXPECT_TRUE(form->acGraphState().visible);
  EXPECT_EQ(form->TestView().speedButton1Action, app::ForwardBinding::acCopyRec);

  form->SpeedButton1Click();
  EXPECT_EQ(hp.clipboard.textData, text::joinLinesCrlf(expected));

  form->CheckBox3Click(true);
  form->SpeedButton1Click();
  std::vector<std::string> merged;
  totals->FSumUpList().BuildMergedTable(merged);
  ASSERT_EQ(merged.size(), 4u);  // "name" and three examinees
  EXPECT_EQ(hp.clipboard.textData, text::joinLinesCrlf(merged));
  EXPECT_EQ(hp.clipboard.textData->substr(0, 6), "name\tt");

  // A new drop replaces the totals; one of only unsupported files changes nothing.
  hp.dialogs.log.clear();
  form->DropFiles({"/notes.txt"});
  EXPECT_EQ(form->TestView().label2.text, "2 種類、のべ 3 人分");
  EXPECT_EQ(hp.dialogs.messages().size(), 1u);
  form->DropFiles({"/loose.ruvot"});
  EXPECT_EQ(form->TestView().label2.text, "1 種類、のべ 1 人分");
  EXPECT_EQ(shown(), tables());
}

TEST_F(Totals, DropOnUnsavedWorkAsksFirstAndAnEmptyFolderShowsNone) {
  fs.put("/r/a.ruvot", resultBytes("Unit 1\tAoki\t2014/05/09 10:00:00\t200.0\t1\t0"));
  fs.makeFolders("/empty");
  form->SetViewMode(app::vmEditing);
  form->SetModified(true);
  hp.dialogs.onNoOk = [](const std::string&) { return platform::Answer::No; };
  form->DropFiles({"/r"});
  EXPECT_EQ(form->FViewMode(), app::vmEditing);
  EXPECT_EQ(totals->FSumUpList().Count(), 0);
  ASSERT_EQ(hp.dialogs.log.size(), 1u);
  EXPECT_EQ(hp.dialogs.log[0].kind, "nook");

  hp.dialogs.onNoOk = {};
  form->DropFiles({"/r"});
  EXPECT_EQ(form->FViewMode(), app::vmTotals);
  EXPECT_EQ(form->TestView().label2.text, "1 種類、のべ 1 人分");

  // In the aggregation mode a drop asks nothing; a folder without results clears the tables.
  hp.dialogs.log.clear();
  form->DropFiles({"/empty"});
  EXPECT_TRUE(hp.dialogs.log.empty());
  EXPECT_EQ(form->TestView().label2.text, "0 種類、のべ 0 人分");
  EXPECT_FALSE(form->acGraphState().visible);
}

TEST_F(Totals, CollectionStartsFromTheDeliveryFolderAndThePollAddsArrivals) {
  const std::string dir = "/share/results";
  fs.makeFolders(dir);
  fs.put(dir + "/old.ruvot", resultBytes("Unit 9\tOld\t2014/05/01 09:00:00\t100.0\t0\t0"), 100);
  fs.put(dir + "/a.ruvot", resultBytes("Unit 1\tAoki\t2014/05/09 10:00:00\t200.0\t1\t0"), 200);
  totals->Delivery().SetCollectionFolder(dir);
  ASSERT_EQ(totals->Delivery().FCollectionFolder(), dir);

  // Cancel: nothing starts, the view stays.
  hp.dialogs.onYesNoCancel = [](const std::string&) { return platform::Answer::Cancel; };
  EXPECT_FALSE(form->H1Click());
  EXPECT_NE(form->FViewMode(), app::vmTotals);
  EXPECT_FALSE(totals->Timer().enabled);

  // Yes: the results of the newest one's kind, shown in the totals view the teacher has open.
  hp.dialogs.onYesNoCancel = {};
  form->SetViewMode(app::vmTotals);
  ASSERT_TRUE(form->H1Click());
  EXPECT_EQ(hp.dialogs.log.back().text, report::ExistingResultsQuestion("Unit 1", "2014/05/09 10:00:00"));
  EXPECT_EQ(form->FViewMode(), app::vmTotals);
  EXPECT_EQ(form->TestView().label2.text, "1 種類、のべ 1 人分");
  EXPECT_TRUE(totals->Timer().enabled && totals->Timer().animating);

  EXPECT_FALSE(form->CollectionTick());  // nothing new
  // Two arrivals with the stamp of the newest file already there, one of another test.
  fs.put(dir + "/b.ruvot", resultBytes("Unit 1\tBaba\t2014/05/09 10:01:00\t300.0\t1\t1"), 200);
  fs.put(dir + "/c.ruvot", resultBytes("Unit 9\tChiba\t2014/05/09 10:02:00\t150.0\t1\t0"), 200);
  EXPECT_TRUE(form->CollectionTick());
  EXPECT_EQ(form->TestView().label2.text, "2 種類、のべ 3 人分");
  EXPECT_EQ(shown(), tables());
  EXPECT_EQ(totals->FSumUpList().Scores().Count(), 3);
  EXPECT_TRUE(totals->Timer().enabled && totals->Timer().animating);
}

TEST_F(Totals, SettingsOfTheDeliveryAndFeedbackWindowsComeBackAtClose) {
  fs.makeFolders("/share/in");
  fs.makeFolders("/share/out");
  testsupport::spit(home / "tovimeter.ini",
                    "[setting]\r\ninterval=1000\r\nAnimeDure=15000\r\ndirtoteacher=/share/in\r\n"
                    "dirtolearner=/share/out\r\nspss=1\r\nRetrieve=0\r\n");
  make();
  EXPECT_EQ(totals->Delivery().FCollectionFolder(), "/share/in");
  EXPECT_EQ(totals->Delivery().FDistributionFolder(), "/share/out");
  EXPECT_FALSE(totals->Delivery().cbRetrieve);
  EXPECT_EQ(totals->GraphInterval(), 3000);
  EXPECT_EQ(totals->AnimeDure(), 15000);
  EXPECT_TRUE(form->TestView().checkBox3Checked);

  totals->SetGraphSettings(11000, 1000);
  totals->Delivery().cbRetrieve = true;
  ASSERT_TRUE(form->FormClose());
  const app::TSettings s = app::LoadSettings(home / "tovimeter.ini");
  EXPECT_EQ(s.interval, 11000);
  EXPECT_EQ(s.animeDure, 3000);
  EXPECT_EQ(s.dirToTeacher, "/share/in");
  EXPECT_EQ(s.dirToLearner, "/share/out");
  EXPECT_TRUE(s.retrieve);
  EXPECT_TRUE(s.spss);
}

}  // namespace
