#include <gtest/gtest.h>

#include <algorithm>

#include "core/platform/headlessports.h"
#include "core/report/collation.h"
#include "core/report/nayose.h"
#include "core/report/sumup.h"
#include "core/text/strings.h"

namespace ruvo::report {
namespace {

using Lines = std::vector<std::string>;

std::string tabs(std::initializer_list<const char*> fields) {
  std::string s;
  bool first = true;
  for (const char* f : fields) {
    if (!first) s += '\t';
    s += f;
    first = false;
  }
  return s;
}

const std::string kHeader = tabs({"title", "name", "date", "wrd1", "rt1", "wpm1", "ans1", "ans2", "scr1", "scr2"});

Lines result(const char* title, const char* name, const char* date, const char* wpm, const char* scr1 = "1",
             const char* scr2 = "0") {
  return {kHeader, tabs({title, name, date, "250", "60", wpm, "2", "1", scr1, scr2})};
}

TEST(Collation, FoldsAsciiCaseOnlyAndBreaksTiesByBytes) {
  struct Case {
    const char *a, *b;
    bool before;
  } cases[] = {
      {"apple", "Banana", true},
      {"Banana", "apple", false},
      {"_x", "a", true},  // '_' sorts before letters
      {"ABC", "abc", true},
      {"abc", "ABC", false},
      {"ab", "abc", true},
      {"Zeta", "\xC3\xA9", true},              // é (U+00E9) after every ASCII letter
      {"Ｙａｍａｄａ", "ｙａｍａｄａ", true},  // full-width letters are not folded: compared as code points
  };
  for (const auto& c : cases) EXPECT_EQ(CollatesBefore(c.a, c.b), c.before) << c.a << " / " << c.b;
  EXPECT_EQ(CompareFolded("Taro", "tARO"), 0);
  EXPECT_NE(CompareFolded("Ｔａｒｏ", "ｔａｒｏ"), 0);
}

TEST(Nayose, SpacingAndAsciiCaseVariantsAreOnePerson) {
  TNayose n;
  const char* names[] = {"Yamada Taro", "yamada taro", "YAMADA　TARO", "Ｙａｍａｄａ", "Yamada", "", "ya\tmada"};
  for (int i = 0; i < 7; ++i) n.AddName(names[i], i);
  ASSERT_EQ(n.Count(), 5);
  EXPECT_EQ(n.Member(0)->Name(), "YAMADATARO");
  EXPECT_EQ(n.Member(0)->Count(), 3);
  EXPECT_EQ(n.Member(0)->RecordIndex(2), 2);
  EXPECT_EQ(n.Member(0)->RecordIndex(3), -1);
  EXPECT_EQ(n.Member(1)->Name(), "Ｙａｍａｄａ");  // full-width letters stay as typed
  EXPECT_EQ(n.Member(2)->Name(), "YAMADA");
  EXPECT_EQ(n.Member(3)->Name(), "");          // the empty name is a member of its own
  EXPECT_EQ(n.Member(4)->Name(), "YA\tMADA");  // tabs are not spaces
  EXPECT_EQ(n.IndexOfName(" y a m a d a "), 2);
  EXPECT_EQ(n.IndexOfName("nobody"), -1);
  EXPECT_EQ(n.Member(5), nullptr);
  EXPECT_EQ(n.Member(-1), nullptr);
}

TEST(ColumnAverages, FamiliesOfColumns) {
  struct Case {
    std::string header, values;
    float wpm, score;
  } cases[] = {
      {kHeader, tabs({"T", "n", "d", "250", "60", "250.00", "2", "1", "1", "0"}), 250, 0.5f},
      // An unanswered question (one blank) does not enter the score average.
      {tabs({"title", "wpm1", "wpm2", "scr1", "scr2", "scr3"}), tabs({"T", "200", "100.5", "1", " ", "0"}), 150.25f,
       0.5f},
      // Scores numbered from the first scored question, here question 2: not 0 for everyone.
      {tabs({"title", "wpm1", "ans1", "ans2", "ans3", "scr2", "scr3"}), tabs({"T", "90", "x", "1", "2", "1", "1"}), 90,
       1},
      // No "wpm1": the reading-speed average is 0 even with other wpm columns.
      {tabs({"title", "wpm2", "scr1"}), tabs({"T", "300", "1"}), 0, 1},
      // Values that do not parse are left out; the run stops at the first other column.
      {tabs({"title", "WPM1", "wpm2", "wpm3", "x", "wpm4"}), tabs({"T", "abc", "120", "nan", "1", "999"}), 120, 0},
      {tabs({"title", "scr1", "scr2"}), tabs({"T", "1.0", "1"}), 0, 1},
      // Fewer values than columns.
      {tabs({"title", "wpm1", "wpm2", "scr1"}), tabs({"T", "100"}), 100, 0},
      {"", "lonely record", 0, 0},
      // Speeds no reading gives: not a number, infinite, beyond single precision.
      {tabs({"title", "wpm1", "wpm2", "wpm3", "wpm4"}), tabs({"T", "inf", "-inf", "3.4e39", "200"}), 200, 0},
      {tabs({"title", "wpm1", "scr1"}), tabs({"T", "-3.4e39", "1"}), 0, 1},
  };
  for (const auto& c : cases) {
    const auto h = text::split(c.header, '\t'), v = text::split(c.values, '\t');
    EXPECT_FLOAT_EQ(WpmAverage(h, v), c.wpm) << c.header << " | " << c.values;
    EXPECT_FLOAT_EQ(ScoreAverage(h, v), c.score) << c.header << " | " << c.values;
  }
}

TEST(SumUpList, TablesPerKindRecordsSortedDuplicatesOnce) {
  platform::FakeClock clock;
  clock.date = {2020, 1, 2, 3, 4, 5};
  TSumUpList list(&clock);
  // Arrival order is not the order of the tables: those follow their earliest record.
  list.AddResult(result("Unit 2", "ito", "2004/05/07 10:00:00", "200.00"));
  list.AddResult(result("Unit 1", "Sato", "2004/05/06 11:00:00", "180.00"));
  list.AddResult(result("Unit 2", "Abe", "2004/05/08 09:00:00", "150.00"));
  list.AddResult(result("Unit 2", "ito", "2004/05/07 10:00:00", "200.00"));   // the same file again
  list.AddResult(result("unit 1", "Kato", "2004/05/09 09:00:00", "100.00"));  // another title
  Lines edited = result("Unit 1", "Mori", "2004/05/10 09:00:00", "120.00");
  edited[0] += "\tmj1";  // the test was edited in between: another header, another table
  edited[1] += "\t5";
  list.AddResult(edited);
  list.AddResult({"Unit 9\tOda"});  // a single-line file: no header, no date
  list.AddResult({});

  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.TotalRecords(), 6);
  EXPECT_EQ(list.Scores().Count(), 7);  // the duplicate still adds a point
  EXPECT_EQ(list.Item(0)->FirstDate, "2004/05/07 10:00:00");
  EXPECT_EQ(list.Item(0)->Key, "Unit 2\t");
  EXPECT_EQ(list.Item(4)->FirstDate, "");  // a record without a date empties it
  EXPECT_EQ(list.Item(5), nullptr);

  Lines out;
  list.WriteTables(out);
  const Lines expected = {
      "unknown",
      "Unit 9\tOda",
      "",
      kHeader,
      result("Unit 1", "Sato", "2004/05/06 11:00:00", "180.00")[1],
      "",
      kHeader,
      result("Unit 2", "Abe", "2004/05/08 09:00:00", "150.00")[1],
      result("Unit 2", "ito", "2004/05/07 10:00:00", "200.00")[1],
      "",
      kHeader,
      result("unit 1", "Kato", "2004/05/09 09:00:00", "100.00")[1],
      "",
      edited[0],
      edited[1],
      "",
  };
  EXPECT_EQ(out, expected);

  // Scores: the undated single-line result is dated by the clock.
  EXPECT_DOUBLE_EQ(list.Scores().Point(6)->Date, EncodeDateTime(clock.date));
  EXPECT_FLOAT_EQ(list.Scores().Point(0)->Wpm, 200);
  EXPECT_FLOAT_EQ(list.Scores().Point(0)->Score, 0.5f);
  EXPECT_EQ(list.Scores().FirstDate, "2004/05/06 11:00:00");  // an undated result does not widen it
  EXPECT_EQ(list.Scores().LastDate, "2004/05/10 09:00:00");

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Scores().Count(), 0);
  EXPECT_EQ(list.Scores().FirstDate, kScoresFirstDateSentinel);
}

TEST(SumUpList, RecordsSortByTitleNameDateIgnoringCase) {
  TSumUp t;
  for (const char* r : {"T\tyamada\t2004/05/06 10:00:00", "T\tAbe\t2004/05/06 10:00:00",
                        "T\tYAMADA\t2004/05/05 10:00:00", "T\tabe\t2004/05/06 09:00:00", "T\t_x\t2004/05/06 09:00:00"})
    t.AddRecord(r);
  EXPECT_EQ(t.Records(),
            (Lines{"T\t_x\t2004/05/06 09:00:00", "T\tabe\t2004/05/06 09:00:00", "T\tAbe\t2004/05/06 10:00:00",
                   "T\tYAMADA\t2004/05/05 10:00:00", "T\tyamada\t2004/05/06 10:00:00"}));
  EXPECT_FALSE(t.AddRecord("T\tAbe\t2004/05/06 10:00:00"));
  EXPECT_TRUE(t.AddRecord("T\tABE\t2004/05/06 10:00:00"));  // not identical: a record of its own
  EXPECT_EQ(t.RecordCount(), 6);
}

TEST(SumUpList, MergedTablePutsEveryRunOfOnePersonOnOneRow) {
  TSumUpList list;
  const std::string h1 = "title\tname\tdate\tscr1", h2 = "title\tname\tdate\twpm1";
  list.AddResult({h1, "A\tTaro Yamada\t2004/05/06 10:00:00\t1"});
  list.AddResult({h1, "A\tsato\t2004/05/06 10:05:00\t0"});
  list.AddResult({h1, "A\tSATO\t2004/05/07 10:05:00\t1"});
  list.AddResult({h1, "A\tSato\t2004/05/08 10:05:00\t1"});
  list.AddResult({h2, "B\tTARO　YAMADA\t2004/05/09 10:00:00\t250.00"});
  list.AddResult({h2, "B\tIto\t2004/05/09 11:00:00\t150.00"});
  Lines tables, merged;
  list.WriteTables(tables);
  list.BuildMergedTable(merged);
  const Lines expected = {
      "name\ttitle\tname\tdate\tscr1\ttitle\tname\tdate\tscr1\ttitle\tname\tdate\tscr1\ttitle\tname\tdate\twpm1\t",
      "ITO\t\t\t\t\t\t\t\t\t\t\t\t\tB\tIto\t2004/05/09 11:00:00\t150.00\t",
      "SATO\tA\tsato\t2004/05/06 10:05:00\t0\tA\tSATO\t2004/05/07 10:05:00\t1\tA\tSato\t2004/05/08 "
      "10:05:00\t1\t\t\t\t\t",
      "TAROYAMADA\tA\tTaro Yamada\t2004/05/06 10:00:00\t1\t\t\t\t\t\t\t\t\tB\tTARO　YAMADA\t2004/05/09 "
      "10:00:00\t250.00\t",
  };
  EXPECT_EQ(merged, expected);
  // Collating again rebuilds the members rather than extending them.
  list.BuildMergedTable(merged);
  EXPECT_EQ(merged, expected);
  EXPECT_EQ(list.Item(0)->Collation().Count(), 2);
}

TEST(SumUpList, MergedBlocksNeverOverlapWhenRecordsOutgrowTheHeader) {
  TSumUpList list;
  list.AddResult({"A\tOda\t2004/05/06 10:00:00\t7"});  // single-line file: no header
  list.AddResult({"A\tOda\t2004/05/07 10:00:00"});
  list.AddResult({"title\tname", "B\tOda\tx\ty"});  // more values than column names
  Lines tables, merged;
  list.WriteTables(tables);
  list.BuildMergedTable(merged);
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_EQ(merged[0], "name\t\t\t\t\t\t\t\t\ttitle\tname\t\t\t");
  EXPECT_EQ(merged[1], "ODA\tA\tOda\t2004/05/06 10:00:00\t7\tA\tOda\t2004/05/07 10:00:00\t\tB\tOda\tx\ty\t");
}

}  // namespace
}  // namespace ruvo::report
