#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/report/chart.h"
#include "core/report/wpmscores.h"
#include "core/text/utf8.h"

namespace ruvo::report {
namespace {

std::vector<TDrawCommand> ofKind(const TChart& c, TDrawKind k) {
  std::vector<TDrawCommand> out;
  std::copy_if(c.begin(), c.end(), std::back_inserter(out), [&](const TDrawCommand& d) { return d.kind == k; });
  return out;
}

const TDrawCommand* textOf(const TChart& c, const std::string& s, TPoint at) {
  for (const auto& d : c)
    if (d.kind == TDrawKind::Text && d.text == s && d.points[0] == at) return &d;
  return nullptr;
}

std::vector<TDrawCommand> fills(const TChart& c, TColor color) {
  std::vector<TDrawCommand> out;
  for (const auto& d : ofKind(c, TDrawKind::FillRect))
    if (d.brush == color) out.push_back(d);
  return out;
}

TEST(WpmScores, DatesAreDaysSinceTheEndOf1899) {
  EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 30, 0, 0, 0}), 0);
  EXPECT_DOUBLE_EQ(EncodeDateTime({1900, 3, 1, 0, 0, 0}), 61);
  EXPECT_DOUBLE_EQ(EncodeDateTime({2004, 5, 6, 12, 0, 0}), 38113.5);
  double d = 0;
  ASSERT_TRUE(DecodeResultDate("2004/05/06 10:11:12", d));
  EXPECT_NEAR(d, 38113 + 36672 / 86400.0, 1e-9);
  EXPECT_FALSE(DecodeResultDate("yesterday", d));
  // Typed dates: a day the month does not have is no date.
  struct Case {
    const char* text;
    bool date;
  } typed[] = {{"2024/02/29 10:00:00", true},  {"2023/02/29 10:00:00", false}, {"2024/02/30 10:00:00", false},
               {"2024/04/31 00:00:00", false}, {"2024/12/31 23:59:59", true},  {"2100/02/29 00:00:00", false},
               {"2000/02/29 00:00:00", true}};
  for (const auto& c : typed) EXPECT_EQ(DecodeCalendarDate(c.text, d), c.date) << c.text;
}

TEST(WpmScores, FiguresRegressionAndMarksOfAFewResults) {
  TWpmScores s;
  s.SetSeed(1);
  s.AddPoint(1, 200, 1);
  s.AddPoint(2, 100, 0.5f);
  s.AddPoint(3, 0, 0);  // no reading pages: counted nowhere, but lowers MinWpm
  s.AddPoint(4, 300, 0.75f);
  const TScoreStats st = s.Stats();
  EXPECT_EQ(st.Count, 4);
  EXPECT_EQ(st.ValidCount, 3);
  EXPECT_FLOAT_EQ(st.MeanWpm, 200);
  EXPECT_FLOAT_EQ(st.MeanScore, 0.75f);
  EXPECT_FLOAT_EQ(st.MeanEfficiency, 475.0f / 3);
  EXPECT_FLOAT_EQ(st.MaxWpm, 300);
  EXPECT_FLOAT_EQ(st.MinWpm, 0);
  EXPECT_EQ(st.AxisSteps, 7);
  const TRegression r = s.Regression();
  EXPECT_NEAR(r.Slope, 0.00125, 1e-9);
  EXPECT_NEAR(r.Intercept, 0.5, 1e-7);

  s.DrawGraph();
  const TChart& g = s.GraphChart();
  for (auto [text, y] : {std::pair{"3", 200}, {"200", 300}, {"75", 400}, {"158", 500}}) {
    const TDrawCommand* t = textOf(g, text, {700, y});
    ASSERT_NE(t, nullptr) << text;
    EXPECT_EQ(t->hAlign, THAlign::Right);
    EXPECT_EQ(t->size, 36);
  }
  ASSERT_NE(textOf(g, "WPM", {710, 312}), nullptr);
  EXPECT_EQ(textOf(g, "WPM", {710, 312})->size, 24);
  ASSERT_NE(textOf(g, "%", {710, 412}), nullptr);

  const auto circles = ofKind(g, TDrawKind::Ellipse);
  ASSERT_EQ(circles.size(), 3u);
  const TPoint centres[] = {{273, 177}, {170, 327}, {376, 252}};
  for (std::size_t i = 0; i < 3; ++i) {
    const TPoint c{(circles[i].points[0].x + circles[i].points[1].x) / 2,
                   (circles[i].points[0].y + circles[i].points[1].y) / 2};
    EXPECT_LE(std::abs(c.x - centres[i].x), 2) << i;
    EXPECT_LE(std::abs(c.y - centres[i].y), 2) << i;
    EXPECT_EQ(circles[i].points[1].x - circles[i].points[0].x, 24);
    EXPECT_EQ(circles[i].pen, kNavy);
    EXPECT_EQ(circles[i].penWidth, 3);
    EXPECT_FALSE(circles[i].brushSolid);
  }
  // The line runs from MinWpm (0: the left edge) to MaxWpm; 262.5 rounds to the even 262.
  std::vector<TDrawCommand> red;
  for (const auto& l : ofKind(g, TDrawKind::Line))
    if (l.pen == kRed) red.push_back(l);
  ASSERT_EQ(red.size(), 1u);
  EXPECT_EQ(red[0].points, (std::vector<TPoint>{{67, 327}, {376, 215}}));
  const auto diamond = ofKind(g, TDrawKind::Polygon);
  ASSERT_EQ(diamond.size(), 1u);
  EXPECT_EQ(diamond[0].points, (std::vector<TPoint>{{261, 252}, {273, 240}, {285, 252}, {273, 264}}));
  EXPECT_TRUE(diamond[0].brushSolid);
  EXPECT_EQ(diamond[0].brush, kWhite);

  // The same seed gives the same picture.
  s.SetSeed(1);
  s.DrawGraph();
  EXPECT_EQ(s.GraphChart(), g);
}

TEST(WpmScores, RegressionFallsBackToTheMeanScore) {
  struct Case {
    std::vector<std::pair<float, float>> points;
    double slope, intercept;
  } cases[] = {
      {{}, 0, 0},
      {{{150, 0.6f}}, 0, 0.6},
      {{{100, 0.5f}, {200, 0.5f}, {300, 0.5f}}, 0, 0.5},  // one score: horizontal at it
      {{{120, 0.2f}, {120, 0.8f}}, 0, 0.5},               // one speed
      {{{100, 0}, {200, 1}}, 0.01, -1},
  };
  for (const auto& c : cases) {
    TWpmScores s;
    for (auto [w, sc] : c.points) s.AddPoint(0, w, sc);
    const TRegression r = s.Regression();
    EXPECT_NEAR(r.Slope, c.slope, 1e-7) << c.points.size();
    EXPECT_NEAR(r.Intercept, c.intercept, 1e-6) << c.points.size();
  }
}

TEST(WpmScores, EmptyChartShowsTheSentinelsAndAHundredWpmAxis) {
  TWpmScores s;
  s.OperatorName = "Ito <&>";
  const TScoreStats st = s.Stats();
  EXPECT_EQ(st.ValidCount, 0);
  EXPECT_FLOAT_EQ(st.MinWpm, 2147483648.0f);
  EXPECT_EQ(st.AxisSteps, 2);
  s.DrawGraph();
  const TChart& g = s.GraphChart();
  ASSERT_FALSE(g.empty());
  EXPECT_EQ(g[0].kind, TDrawKind::FillRect);
  EXPECT_EQ(g[0].points, (std::vector<TPoint>{{0, 0}, {800, 600}}));

  const TDrawCommand* range = textOf(g, "2952/06/03 08:00:53 - 1952/06/03 08:00:53", {500, 520});
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(range->hAlign, THAlign::Right);
  EXPECT_EQ(range->size, 10);
  const TDrawCommand* op = textOf(g, "authorized operator: Ito <&>", {500, 545});
  ASSERT_NE(op, nullptr);
  EXPECT_EQ(op->color, kGray);
  const TDrawCommand* mark = textOf(g, "mesured by ruvo ", {33, 520});
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->font, kChartSerifFont);
  EXPECT_TRUE(mark->italic);
  ASSERT_NE(textOf(g, "読みの速さと正確さ", {85, 36}), nullptr);
  ASSERT_NE(textOf(g, "SCORE", {87, 132}), nullptr);
  EXPECT_EQ(textOf(g, "SCORE", {87, 132})->hAlign, THAlign::Center);
  ASSERT_NE(textOf(g, "WPM", {436, 477}), nullptr);
  EXPECT_EQ(textOf(g, "WPM", {436, 477})->vAlign, TVAlign::Middle);
  for (int y : {200, 300, 400, 500}) EXPECT_NE(textOf(g, "0", {700, y}), nullptr) << y;
  for (auto [label, x] : {std::pair{"0", 67}, {"50", 247}, {"100", 427}}) {
    const TDrawCommand* t = textOf(g, label, {x, 477});
    ASSERT_NE(t, nullptr) << label;
    EXPECT_EQ(t->vAlign, TVAlign::BelowByHeight);
  }
  EXPECT_TRUE(ofKind(g, TDrawKind::Ellipse).empty());
  EXPECT_TRUE(ofKind(g, TDrawKind::Polygon).empty());
  EXPECT_EQ(fills(g, kBandGray).size(), 1u);
  // Frame and graph of an empty list are the same picture but for the figures.
  EXPECT_EQ(s.FrameChart().size() + 6, g.size());
}

TEST(WpmScores, AxisFollowsTheFastestReading) {
  struct Case {
    float maxWpm;
    int steps, leftBandEnd, rightBandStart;  // -1: no band beyond 250 WPM
  } cases[] = {
      {275, 6, 127, 367},  // 6.5 rounds to the even 6: axis 0..300
      {180, 5, 139, -1},   // axis 0..250, no right band
      {325, 8, 112, 292},  // 7.5 rounds to 8
      {0, 2, 247, -1},
  };
  for (const auto& c : cases) {
    TWpmScores s;
    s.AddPoint(0, 10, 0.5f);
    s.AddPoint(0, c.maxWpm, 1);
    ASSERT_EQ(s.Stats().AxisSteps, c.steps) << c.maxWpm;
    s.DrawFrame();
    const TChart& f = s.FrameChart();
    const auto bands = fills(f, kBandGray);
    ASSERT_EQ(bands.size(), c.rightBandStart < 0 ? 1u : 2u) << c.maxWpm;
    EXPECT_EQ(bands[0].points, (std::vector<TPoint>{{67, 177}, {c.leftBandEnd, 477}}));
    if (c.rightBandStart >= 0) {
      EXPECT_EQ(bands[1].points, (std::vector<TPoint>{{c.rightBandStart, 177}, {428, 477}}));
    }
    for (int k = 0; k <= c.steps; ++k)
      EXPECT_NE(textOf(f, std::to_string(k * 50), {67 + k * 360 / c.steps, 477}), nullptr) << c.maxWpm << " " << k;
    EXPECT_EQ(textOf(f, std::to_string((c.steps + 1) * 50), {67 + 360 + 360 / c.steps, 477}), nullptr);
    int ticks = 0;
    for (const auto& l : ofKind(f, TDrawKind::Line))
      if (l.points[0].x == l.points[1].x) {
        ++ticks;
        EXPECT_EQ(l.points[0].y, 477);
        EXPECT_EQ(l.points[1].y, 467);
      }
    EXPECT_EQ(ticks, c.steps - 1) << c.maxWpm;
  }
}

TEST(WpmScores, GraphUntilADateKeepsTheAxisOfAllPoints) {
  TWpmScores s;
  s.AddPoint(1, 100, 1);
  s.AddPoint(2, 120, 0.5f);
  s.AddPoint(3, 325, 0);
  s.DrawGraphUntil(2);
  const TChart& g = s.GraphChart();
  EXPECT_EQ(ofKind(g, TDrawKind::Ellipse).size(), 2u);
  EXPECT_NE(textOf(g, "2", {700, 200}), nullptr);
  EXPECT_NE(textOf(g, "400", {67 + 8 * 360 / 8, 477}), nullptr);  // 8 steps, from the 325 WPM point
  s.DrawGraphUntil(0.5);
  EXPECT_TRUE(ofKind(s.GraphChart(), TDrawKind::Ellipse).empty());
  EXPECT_TRUE(ofKind(s.GraphChart(), TDrawKind::Polygon).empty());
}

// The x labels and ticks of a chart, in drawing order.
struct Axis {
  std::vector<TDrawCommand> labels, ticks;
};
Axis axisOf(const TChart& c) {
  Axis a;
  for (const auto& d : c) {
    if (d.kind == TDrawKind::Text && d.vAlign == TVAlign::BelowByHeight) a.labels.push_back(d);
    if (d.kind == TDrawKind::Line && d.points[0].x == d.points[1].x) a.ticks.push_back(d);
  }
  return a;
}

TEST(WpmScores, OneFastReaderKeepsTheAxisReadable) {
  // A page clicked through gives thousands of WPM; forged files give any number at all.
  struct Case {
    float wpm;
    int steps;
  } cases[] = {
      {1680, 35}, {2000, 41}, {2130, 44}, {1e8f, 2000001}, {1e9f, 20000001}, {3e38f, kMaxAxisSteps},
  };
  for (const auto& c : cases) {
    TWpmScores s;
    s.SetSeed(7);
    s.AddPoint(0, 150, 0.9f);
    s.AddPoint(0, 220, 0.7f);
    s.AddPoint(0, c.wpm, 0.1f);
    ASSERT_EQ(s.Stats().AxisSteps, c.steps) << c.wpm;
    s.DrawGraph();
    const Axis a = axisOf(s.GraphChart());
    // Labels stand on steps, left to right, inside the axis, never over each other.
    ASSERT_GE(a.labels.size(), 2u) << c.wpm;
    EXPECT_LE(a.labels.size(), 12u) << c.wpm;
    EXPECT_EQ(a.labels[0].text, "0");
    EXPECT_EQ(a.labels[0].points[0].x, 67);
    for (std::size_t i = 1; i < a.labels.size(); ++i) {
      const long long value = std::stoll(a.labels[i].text);
      EXPECT_EQ(value % 50, 0) << a.labels[i].text;
      EXPECT_EQ(a.labels[i].points[0].x, 67 + static_cast<int>(value / 50 * 360 / c.steps)) << a.labels[i].text;
      const double room = a.labels[i].points[0].x - a.labels[i - 1].points[0].x;
      EXPECT_GE(room, (XLabelWidth(value) + XLabelWidth(std::stoll(a.labels[i - 1].text))) / 2) << c.wpm;
      EXPECT_LE(a.labels[i].points[0].x, 428);
    }
    // Ticks thinned to a few pixels apart at least, a tick under every label but the ends.
    EXPECT_LE(a.ticks.size(), 100u) << c.wpm;
    for (const auto& l : a.labels) {
      if (l.points[0].x == 67 || l.text == std::to_string(static_cast<long long>(c.steps) * 50)) continue;
      EXPECT_TRUE(std::any_of(a.ticks.begin(), a.ticks.end(),
                              [&](const TDrawCommand& t) { return t.points[0].x == l.points[0].x; }))
          << c.wpm << " " << l.text;
    }
    // The regression line stays in the plot area.
    bool red = false;
    for (const auto& l : ofKind(s.GraphChart(), TDrawKind::Line)) {
      if (l.pen != kRed) continue;
      red = true;
      for (const auto& p : l.points) {
        EXPECT_GE(p.x, 67) << c.wpm;
        EXPECT_LE(p.x, 428) << c.wpm;
        EXPECT_GE(p.y, 177) << c.wpm;
        EXPECT_LE(p.y, 477) << c.wpm;
      }
    }
    EXPECT_TRUE(red) << c.wpm;
  }
}

TEST(WpmScores, PointsNoReadingGivesCountNowhere) {
  TWpmScores s;
  s.AddPoint(0, 100, 0.5f);
  s.AddPoint(0, std::numeric_limits<float>::quiet_NaN(), 1);
  s.AddPoint(0, std::numeric_limits<float>::infinity(), 1);
  s.AddPoint(0, 200, std::numeric_limits<float>::infinity());
  const TScoreStats st = s.Stats();
  EXPECT_EQ(st.Count, 4);
  EXPECT_EQ(st.ValidCount, 1);
  EXPECT_FLOAT_EQ(st.MaxWpm, 100);
  EXPECT_EQ(st.AxisSteps, 3);
  EXPECT_TRUE(std::isfinite(s.Regression().Slope));
  s.DrawGraph();
  EXPECT_EQ(ofKind(s.GraphChart(), TDrawKind::Ellipse).size(), 1u);

  // Speeds that fit single precision but whose sums do not: still a line that can be drawn.
  TWpmScores big;
  big.AddPoint(0, 3e38f, 0.2f);
  big.AddPoint(0, 1e38f, 0.9f);
  EXPECT_TRUE(std::isfinite(big.Regression().Slope));
  EXPECT_TRUE(std::isfinite(big.Regression().Intercept));
  big.DrawGraph();
  for (const auto& d : big.GraphChart())
    if (d.kind == TDrawKind::Text) {
      EXPECT_LT(d.text.size(), 80u) << d.text;
    }
}

TEST(WpmScores, RegressionLineIsClippedToThePlot) {
  TWpmScores s;
  // Steep: from a score of 0 at 100 WPM to 1 at 110 WPM, the line would leave the plot.
  s.AddPoint(0, 100, 0);
  s.AddPoint(0, 110, 1);
  s.AddPoint(0, 300, 1);
  s.DrawGraph();
  std::vector<TDrawCommand> red;
  for (const auto& l : ofKind(s.GraphChart(), TDrawKind::Line))
    if (l.pen == kRed) red.push_back(l);
  ASSERT_EQ(red.size(), 1u);
  for (const auto& p : red[0].points) {
    EXPECT_GE(p.y, 177);
    EXPECT_LE(p.y, 477);
  }
  // A line wholly inside keeps its ends (see FiguresRegressionAndMarksOfAFewResults).
}

TEST(Chart, SvgHasOneElementPerCommand) {
  TWpmScores s;
  s.OperatorName = "<&\">";
  s.AddPoint(0, 150, 0.5f);
  s.AddPoint(0, 250, 1);
  s.DrawGraph();
  const std::string svg = ChartToSvg(s.GraphChart());
  auto count = [&](const std::string& needle) {
    std::size_t n = 0;
    for (std::size_t at = svg.find(needle); at != std::string::npos; at = svg.find(needle, at + 1)) ++n;
    return n;
  };
  const TChart& g = s.GraphChart();
  EXPECT_EQ(count("<rect "), ofKind(g, TDrawKind::FillRect).size() + ofKind(g, TDrawKind::Rectangle).size());
  EXPECT_EQ(count("<line "), ofKind(g, TDrawKind::Line).size());
  EXPECT_EQ(count("<ellipse "), 2u);
  EXPECT_EQ(count("<polygon "), 1u);
  EXPECT_EQ(count("<text "), ofKind(g, TDrawKind::Text).size());
  EXPECT_NE(svg.find("<line x1=\"67\" y1=\"237\" x2=\"428\" y2=\"237\" stroke=\"#000000\" stroke-width=\"1\"/>"),
            std::string::npos);
  EXPECT_NE(svg.find("<rect x=\"67\" y=\"177\" width=\"361\" height=\"300\" fill=\"#c0c0c0\"/>"), std::string::npos);
  EXPECT_NE(svg.find(">authorized operator: &lt;&amp;&quot;&gt;</text>"), std::string::npos);
  EXPECT_NE(svg.find("text-anchor=\"end\""), std::string::npos);
  EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);
}

TEST(Chart, SvgStaysUtf8WhateverTheOperatorName) {
  // Latin-1 and CP932 bytes, a cut sequence, an encoded surrogate, a control character.
  for (const std::string name : {"M\xfcller", "\x88\xc9\x93\xa1", "\xe3\x81", "\xed\xa0\x80", "a\x01b"}) {
    TWpmScores s;
    s.OperatorName = name;
    s.DrawFrame();
    const std::string svg = ChartToSvg(s.FrameChart());
    EXPECT_TRUE(text::isValidUtf8(svg)) << name;
    EXPECT_EQ(svg.find('\x01'), std::string::npos);
    EXPECT_NE(svg.find("authorized operator: "), std::string::npos);
  }
}

}  // namespace
}  // namespace ruvo::report
