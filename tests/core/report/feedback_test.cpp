#include <gtest/gtest.h>

#include "core/report/feedback.h"
#include "core/report/sumup.h"

namespace ruvo::report {
namespace {

TEST(Feedback, ChartKeepsFourToThreeCentred) {
  struct Case {
    int w, h;
    platform::Rect r;
  } cases[] = {
      {800, 400, {133, 0, 533, 400}},                                // wide: full height, centred across
      {400, 800, {0, 250, 400, 300}},                                // tall: full width, centred vertically
      {800, 600, {0, 0, 800, 600}},   {801, 601, {0, 0, 801, 600}},  // 4 x 601 > 3 x 801: tall by one pixel
      {810, 632, {0, 12, 810, 607}},
  };
  for (const auto& c : cases) EXPECT_EQ(ChartPlace(c.w, c.h), c.r) << c.w << "x" << c.h;
}

TEST(Feedback, MenuChoicesMatchWholeSeconds) {
  EXPECT_EQ(ChoiceFor(kIntervalChoices, 3000), 0);
  EXPECT_EQ(ChoiceFor(kIntervalChoices, 4000), -1);
  EXPECT_EQ(ChoiceFor(kIntervalChoices, 33000), 4);
  EXPECT_EQ(ChoiceFor(kAnimeDureChoices, 7000), 1);
}

int ticksOf(TReplay& r, std::vector<double>* until = nullptr) {
  int n = 0;
  double d = 0;
  while (n < 10000 && r.Tick(d)) {
    ++n;
    if (until) until->push_back(d);
  }
  return n;
}

TEST(Feedback, ReplayWalksFromTheFirstDateToTenSecondsAfterTheLast) {
  TWpmScores s;
  TReplay r;
  EXPECT_FALSE(r.Start(s, 7000));
  double first = 0, last = 0;
  ASSERT_TRUE(DecodeResultDate("2004/05/06 10:00:00", first));
  ASSERT_TRUE(DecodeResultDate("2004/05/06 10:01:00", last));
  s.AddPoint(first, 100, 1);
  s.AddPoint(last, 200, 0);
  s.WidenDates("2004/05/06 10:00:00");
  s.WidenDates("2004/05/06 10:01:00");
  ASSERT_TRUE(r.Start(s, 7000));
  EXPECT_EQ(r.Steps(), 24);  // 7000 / 300, rounded up
  ASSERT_TRUE(r.Start(s, 3000));
  EXPECT_EQ(r.Steps(), 10);
  std::vector<double> until;
  // Steps of 6 s: ticks while cursor - step <= last + 10 s, that is 13 ticks.
  EXPECT_EQ(ticksOf(r, &until), 13);
  EXPECT_DOUBLE_EQ(until.front(), first);
  EXPECT_GT(until.back(), last);
  EXPECT_FALSE(r.Running());
}

TEST(Feedback, ReplayWithoutAForwardStepEndsAfterItsTicks) {
  struct Case {
    const char* first;
    const char* last;
    int animeDure, ticks;
  } cases[] = {
      {"2004/05/06 10:00:00", "2004/05/06 10:00:00", 7000, 24},       // all in one second
      {kScoresFirstDateSentinel, kScoresLastDateSentinel, 7000, 24},  // no dated results
      {"2004/05/06 10:00:00", "2004/05/06 10:00:00", 0, 1},           // no length: shown once
      {"2004/05/06 10:00:00", "2004/05/06 10:00:00", 100, 1},
  };
  for (const auto& c : cases) {
    TWpmScores s;
    s.AddPoint(50000, 150, 0.5f);  // dated long after any of these ranges
    s.FirstDate = c.first;
    s.LastDate = c.last;
    TReplay r;
    ASSERT_TRUE(r.Start(s, c.animeDure)) << c.first;
    std::vector<double> until;
    EXPECT_EQ(ticksOf(r, &until), c.ticks) << c.first << " " << c.animeDure;
    if (std::string(c.first) == kScoresFirstDateSentinel) {
      ASSERT_FALSE(until.empty());
      EXPECT_GE(until.back(), 50000);  // every point shows
    }
  }
}

TEST(Feedback, ReplayRunsOverTheDatedResultsOnly) {
  const std::string h = "title\tname\tdate\twpm1\tscr1";
  // One result whose date is missing or not written year first sorts first or last among the
  // date texts; the replay must still bring in the dated points.
  for (const char* odd : {"", "06/05/2004 10:00:00", "令和6/05/06 10:00:00", "2004-05-06"}) {
    TSumUpList list;
    list.AddResult({h, "T\tAbe\t2004/05/06 10:00:00\t100\t1"});
    list.AddResult({h, std::string("T\tOdd\t") + odd + "\t150\t1"});
    list.AddResult({h, "T\tIto\t2004/05/06 10:05:00\t200\t0"});
    TWpmScores& s = list.Scores();
    TReplay r;
    ASSERT_TRUE(r.Start(s, 3000)) << odd;
    std::vector<double> until;
    ASSERT_GT(ticksOf(r, &until), 1) << odd;
    double first = 0;
    ASSERT_TRUE(DecodeResultDate("2004/05/06 10:00:00", first));
    EXPECT_DOUBLE_EQ(until.front(), first) << odd;
    s.DrawGraphUntil(until.front());
    int shown = 0;
    for (const auto& d : s.GraphChart()) shown += d.kind == TDrawKind::Ellipse;
    EXPECT_EQ(shown, 1) << odd;
    s.DrawGraphUntil(until.back());
    shown = 0;
    for (const auto& d : s.GraphChart()) shown += d.kind == TDrawKind::Ellipse;
    EXPECT_EQ(shown, 2) << odd;  // both dated results; the other stays out of the time line
  }
}

}  // namespace
}  // namespace ruvo::report
