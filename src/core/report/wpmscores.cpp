#include "core/report/wpmscores.h"

#include <algorithm>
#include <cmath>

#include "core/app/resultrecord.h"
#include "core/text/format.h"

namespace ruvo::report {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

int nint(double v) { return static_cast<int>(text::roundHalfEven(v)); }

// Plot area and axis mapping.
constexpr int kLeft = 67, kRight = 428, kTop = 177, kBottom = 477;

double xOf(double wpm, int steps) { return kLeft + wpm * 360.0 / (steps * 50.0); }
double yOf(double score) { return kBottom - 300.0 * score; }

TDrawCommand fillRect(int l, int t, int r, int b, TColor c) {
  TDrawCommand d;
  d.kind = TDrawKind::FillRect;
  d.points = {{l, t}, {r, b}};
  d.brush = c;
  d.brushSolid = true;
  return d;
}

TDrawCommand line(int x1, int y1, int x2, int y2, TColor pen, int width) {
  TDrawCommand d;
  d.kind = TDrawKind::Line;
  d.points = {{x1, y1}, {x2, y2}};
  d.pen = pen;
  d.penWidth = width;
  return d;
}

struct Font {
  std::string face = kChartFont;
  int size = 36;
  bool italic = false;
  TColor color = kBlack;
};

TDrawCommand textAt(const Font& f, int x, int y, std::string s, THAlign h = THAlign::Left, TVAlign v = TVAlign::Top) {
  TDrawCommand d;
  d.kind = TDrawKind::Text;
  d.points = {{x, y}};
  d.text = std::move(s);
  d.font = f.face;
  d.size = f.size;
  d.italic = f.italic;
  d.color = f.color;
  d.hAlign = h;
  d.vAlign = v;
  return d;
}

}  // namespace

double EncodeDateTime(const platform::DateTime& t) {
  const long long days =
      daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) - daysFromCivil(1899, 12, 30);
  return static_cast<double>(days) + (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
}

bool DecodeResultDate(const std::string& text, double& days) {
  platform::DateTime t;
  if (!app::ParseResultDate(text, t)) return false;
  days = EncodeDateTime(t);
  return true;
}

TScoreStats ComputeStats(const std::vector<TWpmScore>& points) {
  TScoreStats s;
  s.Count = static_cast<int>(points.size());
  float sumW = 0, sumS = 0, sumE = 0;
  for (const auto& p : points) {
    s.MaxWpm = std::max(s.MaxWpm, p.Wpm);
    s.MinWpm = std::min(s.MinWpm, p.Wpm);
    if (!(p.Wpm > 0)) continue;
    ++s.ValidCount;
    sumW = static_cast<float>(static_cast<double>(sumW) + p.Wpm);
    sumS = static_cast<float>(static_cast<double>(sumS) + p.Score);
    sumE = static_cast<float>(static_cast<double>(sumE) + static_cast<double>(p.Score) * p.Wpm);
  }
  if (s.ValidCount > 0) {
    s.MeanWpm = static_cast<float>(static_cast<double>(sumW) / s.ValidCount);
    s.MeanScore = static_cast<float>(static_cast<double>(sumS) / s.ValidCount);
    s.MeanEfficiency = static_cast<float>(static_cast<double>(sumE) / s.ValidCount);
  }
  s.AxisSteps = std::max(2, nint(s.MaxWpm / 50.0 + 1));
  return s;
}

TRegression ComputeRegression(const std::vector<TWpmScore>& points, const TScoreStats& st) {
  TRegression r{0, st.MeanScore};
  const int n = st.ValidCount;
  if (n < 2) return r;
  float sww = 0, sss = 0, sws = 0;
  for (const auto& p : points) {
    if (!(p.Wpm > 0)) continue;
    const double dw = static_cast<double>(p.Wpm) - st.MeanWpm;
    const double ds = static_cast<double>(p.Score) - st.MeanScore;
    sww = static_cast<float>(sww + dw * dw);
    sss = static_cast<float>(sss + ds * ds);
    sws = static_cast<float>(sws + dw * ds);
  }
  const double varW = static_cast<double>(sww) / (n - 1);
  const double varS = static_cast<double>(sss) / (n - 1);
  if (varW == 0 || varS == 0) return r;
  const double c = static_cast<double>(sws) / (n - 1);
  const double sdW = std::sqrt(varW), sdS = std::sqrt(varS);
  const double corr = c / (sdW * sdS);
  r.Slope = (sdS / sdW) * corr;
  r.Intercept = st.MeanScore - r.Slope * st.MeanWpm;
  return r;
}

void DrawFrame(TChart& chart, int steps, const std::string& firstDate, const std::string& lastDate,
               const std::string& operatorName) {
  chart.clear();
  chart.push_back(fillRect(0, 0, kChartWidth, kChartHeight, kWhite));
  Font f;
  chart.push_back(textAt(f, 85, 36, "読みの速さと正確さ"));
  chart.push_back(textAt(f, 542, 150, "人数"));
  chart.push_back(textAt(f, 542, 250, "読み速度"));
  chart.push_back(textAt(f, 542, 350, "正答率"));
  chart.push_back(textAt(f, 542, 450, "読解効率"));

  TDrawCommand box;
  box.kind = TDrawKind::Rectangle;
  box.points = {{21, 122}, {540, 511}};
  box.brushSolid = true;
  chart.push_back(box);

  chart.push_back(fillRect(kLeft, kTop, kRight, kBottom, kSilver));
  chart.push_back(fillRect(kLeft, kTop, nint(kLeft + 360.0 / steps), kBottom, kBandGray));
  if (steps > 5) chart.push_back(fillRect(nint(kLeft + 1800.0 / steps), kTop, kRight, kBottom, kBandGray));
  TDrawCommand frame;
  frame.kind = TDrawKind::Rectangle;
  frame.points = {{kLeft, kTop}, {kRight, kBottom}};
  chart.push_back(frame);

  f.size = 12;
  chart.push_back(textAt(f, 57, kTop, "100%", THAlign::Right, TVAlign::Middle));
  chart.push_back(textAt(f, 57, kBottom, "0%", THAlign::Right, TVAlign::Middle));
  f.size = 24;
  chart.push_back(textAt(f, 87, 132, "SCORE", THAlign::Center, TVAlign::Top));
  chart.push_back(textAt(f, 436, kBottom, "WPM", THAlign::Left, TVAlign::Middle));

  f.size = 12;
  static const char* const kPercent[] = {"80%", "60%", "40%", "20%"};
  for (int i = 0; i < 4; ++i) {
    const int y = 237 + 60 * i;
    chart.push_back(line(kLeft, y, kRight, y, kBlack, 1));
    chart.push_back(textAt(f, 57, y, kPercent[i], THAlign::Right, TVAlign::Middle));
  }
  for (int k = 0; k <= steps; ++k)
    chart.push_back(
        textAt(f, kLeft + (k * 360) / steps, kBottom, std::to_string(k * 50), THAlign::Center, TVAlign::BelowByHeight));
  for (int k = 1; k < steps; ++k) {
    const int x = (k * 360) / steps + kLeft;
    chart.push_back(line(x, kBottom, x, kBottom - 10, kBlack, 1));
  }

  f.size = 10;
  chart.push_back(textAt(f, 500, 520, firstDate + " - " + lastDate, THAlign::Right));
  f.color = kGray;
  chart.push_back(textAt(f, 500, 545, "authorized operator: " + operatorName, THAlign::Right));
  f.face = kChartSerifFont;
  f.italic = true;
  chart.push_back(textAt(f, 33, 520, "mesured by ruvo "));
}

TWpmScores::TWpmScores() : random_(std::random_device{}()) { Clear(); }

void TWpmScores::Clear() {
  points_.clear();
  FirstDate = kScoresFirstDateSentinel;
  LastDate = kScoresLastDateSentinel;
}

void TWpmScores::AddPoint(double date, float wpm, float score) { points_.push_back({date, wpm, score}); }

void TWpmScores::WidenDates(const std::string& dateText) {
  if (dateText > LastDate) LastDate = dateText;
  if (dateText < FirstDate) FirstDate = dateText;
}

const TWpmScore* TWpmScores::Point(int index) const {
  return index < 0 || index >= Count() ? nullptr : &points_[static_cast<std::size_t>(index)];
}

void TWpmScores::DrawFrame() { report::DrawFrame(frame_, Stats().AxisSteps, FirstDate, LastDate, OperatorName); }

void TWpmScores::DrawGraph() {
  DrawFrame();
  graph_ = frame_;
  drawPoints(points_, Stats().AxisSteps);
}

void TWpmScores::DrawGraphUntil(double date) {
  DrawFrame();
  graph_ = frame_;
  std::vector<TWpmScore> shown;
  std::copy_if(points_.begin(), points_.end(), std::back_inserter(shown),
               [&](const TWpmScore& p) { return p.Date <= date; });
  drawPoints(shown, Stats().AxisSteps);
}

void TWpmScores::drawPoints(const std::vector<TWpmScore>& points, int steps) {
  const TScoreStats st = ComputeStats(points);
  Font f;
  auto figure = [&](int y, double value, const char* unit) {
    graph_.push_back(textAt(f, 700, y, std::to_string(nint(value)), THAlign::Right));
    if (unit) {
      Font u = f;
      u.size = 24;
      graph_.push_back(textAt(u, 710, y + 12, unit));
    }
  };
  figure(200, st.ValidCount, nullptr);
  figure(300, st.MeanWpm, "WPM");
  figure(400, static_cast<double>(st.MeanScore) * 100, "%");
  figure(500, st.MeanEfficiency, nullptr);

  auto jitter = [&] { return static_cast<int>(random_() % 5) - 2; };
  for (const auto& p : points) {
    if (!(p.Wpm > 0)) continue;
    const int x = nint(xOf(p.Wpm, steps)) + jitter();
    const int y = nint(yOf(p.Score)) + jitter();
    TDrawCommand c;
    c.kind = TDrawKind::Ellipse;
    c.points = {{x - 12, y - 12}, {x + 12, y + 12}};
    c.pen = kNavy;
    c.penWidth = 3;
    graph_.push_back(c);
  }
  if (st.MeanWpm > 0) {
    const TRegression r = ComputeRegression(points, st);
    auto yLine = [&](double w) { return kBottom - nint(300.0 * (r.Slope * w + r.Intercept)); };
    graph_.push_back(
        line(nint(xOf(st.MinWpm, steps)), yLine(st.MinWpm), nint(xOf(st.MaxWpm, steps)), yLine(st.MaxWpm), kRed, 3));
    const int mx = nint(xOf(st.MeanWpm, steps)), my = nint(yOf(st.MeanScore));
    TDrawCommand d;
    d.kind = TDrawKind::Polygon;
    d.points = {{mx - 12, my}, {mx, my - 12}, {mx + 12, my}, {mx, my + 12}};
    d.pen = kRed;
    d.penWidth = 3;
    d.brush = kWhite;
    d.brushSolid = true;
    graph_.push_back(d);
  }
}

}  // namespace ruvo::report
