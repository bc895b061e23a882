// Reading-speed arithmetic and its report lines.
#include <gtest/gtest.h>

#include "helpers.h"

namespace ruvo::doc {
namespace {

using testing::Doc;
using testing::lineTexts;

TEST(WPMMeter, RatesAndAverage) {
  TWPMMeter m;
  m.AddReading(120, 30);
  m.AddReading(100, 7);
  m.AddReading(50, 0);  // 0 s counts as 1 s
  m.AddReading(0, 0);   // a skipped page
  EXPECT_EQ(m.ReadingWPM(0), 240);
  EXPECT_EQ(m.ReadingWPM(1), 857);
  EXPECT_EQ(m.ReadingWPM(2), 3000);
  EXPECT_EQ(m.ReadingWPM(3), 0);
  EXPECT_EQ(m.ReadingWPM(4), 0);
  EXPECT_EQ(m.ReadingAt(4), nullptr);
  EXPECT_EQ(m.ReadingAt(-1), nullptr);
  EXPECT_EQ(m.AverageWPM(), (240 + 857 + 3000) / 3);

  TWPMMeter avg;
  avg.AddReading(240, 60);
  avg.AddReading(0, 12);
  avg.AddReading(200, 60);
  EXPECT_EQ(avg.AverageWPM(), 220);  // the mean of the rates above 0

  TWPMMeter empty;
  EXPECT_EQ(empty.AverageWPM(), 0);
  rt::RichText none;
  empty.WriteReadings(none);
  EXPECT_TRUE(none.isEmpty());
}

TEST(WPMMeter, ElapsedSecondsRoundHalfToEven) {
  EXPECT_EQ(ElapsedSeconds(1000, 3500), 2);
  EXPECT_EQ(ElapsedSeconds(0, 3500), 4);
  EXPECT_EQ(ElapsedSeconds(10, 509), 0);
  EXPECT_EQ(ElapsedSeconds(5000, 4000), 0);  // a clock going back gives no negative time
}

TEST(WPMMeter, WriteReadings) {
  TWPMMeter m;
  m.AddReading(120, 30);
  m.AddReading(100, 7);
  rt::RichText out("above");
  m.WriteReadings(out);
  EXPECT_EQ(lineTexts(out), (std::vector<std::string>{"above", "WPM avg: 548", "\t(1) 120 words / 30 sec = 240 WPM",
                                                      "\t(2) 100 words / 7 sec = 857 WPM"}));
}

TEST(CountWords, Cases) {
  struct Case {
    const char* text;
    int words;
  } cases[] = {
      {"", 1},
      {"one", 1},
      {"well-known", 2},
      {"and/or", 2},
      {"don't", 1},
      {"don’t stop", 2},
      {"a\tb c", 2},  // tabs do not part words
      {"  several   blanks\r\nand lines  ", 4},
      {"全角　スペース", 2},
      {"a - b", 2},  // a lone hyphen is no word
  };
  for (const Case& c : cases) EXPECT_EQ(CountWords(c.text), c.words) << c.text;
}

TEST(EfficiencyLine, RateTimesAverage) {
  Doc d;
  d.parse({"<page>", "??a", "?*1", "?2", "??b", "?*1", "?2", "??c", "?*1", "?2", "??d", "?*1", "?2"});
  for (int i = 0; i < 4; ++i) d.qa.Item(i)->SetAnswer(i == 3 ? 2 : 1);
  TWPMMeter m;
  m.AddReading(250, 60);
  rt::RichText out;
  WriteEfficiencyLine(out, m, d.qa);
  ASSERT_EQ(lineTexts(out), (std::vector<std::string>{"reading efficiency: 250 WPM × 75% ＝ RE 187"}));
  const rt::Run& re = out.paragraphs()[0].runs.back();
  EXPECT_EQ(re.text, "187");
  EXPECT_TRUE(re.format.bold);
  EXPECT_EQ(re.format.color, 0xFF0000);
  EXPECT_FALSE(out.paragraphs()[0].runs.front().format.bold);
  EXPECT_EQ(ReadingEfficiency(250, 80), 200);

  Doc noCorrect;
  noCorrect.parse({"<page>", "??a", "?1", "?2"});
  rt::RichText nothing;
  WriteEfficiencyLine(nothing, m, noCorrect.qa);
  EXPECT_TRUE(nothing.isEmpty());
}

}  // namespace
}  // namespace ruvo::doc
