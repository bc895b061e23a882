#include "core/report/wpmscores.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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

// Pixel positions: whatever a hostile result file holds, a coordinate stays far inside int.
int nint(double v) {
  if (!(v == v)) return 0;
  return static_cast<int>(text::roundHalfEven(std::clamp(v, -1e6, 1e6)));
}

// Plot area and axis mapping.
constexpr int kLeft = 67, kRight = 428, kTop = 177, kBottom = 477;

double xOf(double wpm, int steps) { return kLeft + wpm * 360.0 / (steps * 50.0); }
double yOf(double score) { return kBottom - 300.0 * score; }

// A figure rounded to a whole number, as text; any size.
std::string wholeText(double v) {
  if (!std::isfinite(v)) return "0";
  if (std::fabs(v) < 1e15) return std::to_string(text::roundHalfEven(v));
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.0f", v);
  return buf;
}

// The x position of axis step k (integer division, as the labels always were placed).
int stepX(std::int64_t k, int steps) { return kLeft + static_cast<int>(k * 360 / steps); }

// The smallest of 1, 2, 5, 10, 20, 50 ... whose multiple of the step spacing is at least
// minPixels (and, with divides, that divides it).
std::int64_t roundStride(int steps, double minPixels, std::int64_t divides = 0) {
  const double spacing = 360.0 / steps;
  for (std::int64_t decade = 1;; decade *= 10)
    for (std::int64_t m : {1, 2, 5}) {
      const std::int64_t k = decade * m;
      if (divides > 0 && divides % k != 0) continue;
      if (k * spacing >= minPixels || k >= steps) return k;
    }
}

// Clips the segment a-b to the plot area (Liang-Barsky); false when nothing of it is inside.
bool clipToPlot(double& x1, double& y1, double& x2, double& y2) {
  double t0 = 0, t1 = 1;
  const double dx = x2 - x1, dy = y2 - y1;
  auto edge = [&](double p, double q) {
    if (p == 0) return q >= 0;
    const double r = q / p;
    if (p < 0) {
      if (r > t1) return false;
      t0 = std::max(t0, r);
    } else {
      if (r < t0) return false;
      t1 = std::min(t1, r);
    }
    return true;
  };
  if (!(edge(-dx, x1 - kLeft) && edge(dx, kRight - x1) && edge(-dy, y1 - kTop) && edge(dy, kBottom - y1))) return false;
  const double ax = x1 + t0 * dx, ay = y1 + t0 * dy;
  x2 = x1 + t1 * dx;
  y2 = y1 + t1 * dy;
  x1 = ax;
  y1 = ay;
  return true;
}

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

bool DecodeCalendarDate(const std::string& text, double& days) {
  platform::DateTime t;
  if (!app::ParseResultDate(text, t)) return false;
  const long long length =
      daysFromCivil(t.month == 12 ? t.year + 1 : t.year, t.month == 12 ? 1u : static_cast<unsigned>(t.month + 1), 1) -
      daysFromCivil(t.year, static_cast<unsigned>(t.month), 1);
  if (t.day > length) return false;
  days = EncodeDateTime(t);
  return true;
}

TScoreStats ComputeStats(const std::vector<TWpmScore>& points) {
  TScoreStats s;
  s.Count = static_cast<int>(points.size());
  float sumW = 0, sumS = 0, sumE = 0;
  for (const auto& p : points) {
    // Values no reading gives (a damaged or forged file) count nowhere.
    if (!std::isfinite(p.Wpm) || !std::isfinite(p.Score)) continue;
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
  // In floating point: a forged speed must not overflow the count of steps.
  const double steps = static_cast<double>(s.MaxWpm) / 50.0 + 1;
  s.AxisSteps = steps >= kMaxAxisSteps ? kMaxAxisSteps : std::max(2, static_cast<int>(text::roundHalfEven(steps)));
  return s;
}

TRegression ComputeRegression(const std::vector<TWpmScore>& points, const TScoreStats& st) {
  TRegression r{0, st.MeanScore};
  const int n = st.ValidCount;
  if (n < 2) return r;
  float sww = 0, sss = 0, sws = 0;
  for (const auto& p : points) {
    if (!(p.Wpm > 0) || !std::isfinite(p.Wpm) || !std::isfinite(p.Score)) continue;
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
  // Sums of forged speeds can overflow single precision: no line can be drawn from them.
  if (!std::isfinite(r.Slope) || !std::isfinite(r.Intercept)) return {0, st.MeanScore};
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
  // Every step keeps its place on the axis, but with many steps (one very fast reader) only
  // every k-th is labelled, so that the labels do not print over each other, and ticks closer
  // than a few pixels are thinned the same way: a chart never costs more than an ordinary one.
  const std::int64_t labelEvery = roundStride(steps, XLabelWidth(static_cast<std::int64_t>(steps) * 50) + 6);
  for (std::int64_t k = 0; k <= steps; k += labelEvery)
    chart.push_back(
        textAt(f, stepX(k, steps), kBottom, std::to_string(k * 50), THAlign::Center, TVAlign::BelowByHeight));
  const std::int64_t tickEvery = roundStride(steps, 4, labelEvery);
  for (std::int64_t k = tickEvery; k < steps; k += tickEvery) {
    const int x = stepX(k, steps);
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

void TWpmScores::AddPoint(double date, float wpm, float score, bool dated) {
  points_.push_back({date, wpm, score, dated});
}

bool TWpmScores::DatedRange(double& first, double& last) const {
  bool any = false;
  for (const auto& p : points_) {
    if (!p.Dated) continue;
    first = any ? std::min(first, p.Date) : p.Date;
    last = any ? std::max(last, p.Date) : p.Date;
    any = true;
  }
  return any;
}

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
               [&](const TWpmScore& p) { return p.Dated && p.Date <= date; });
  drawPoints(shown, Stats().AxisSteps);
}

void TWpmScores::drawPoints(const std::vector<TWpmScore>& points, int steps) {
  const TScoreStats st = ComputeStats(points);
  Font f;
  auto figure = [&](int y, double value, const char* unit) {
    graph_.push_back(textAt(f, 700, y, wholeText(value), THAlign::Right));
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
    if (!(p.Wpm > 0) || !std::isfinite(p.Wpm) || !std::isfinite(p.Score)) continue;
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
    // Heights above the axis; the ends keep the rounding they always had unless clipped.
    const double h1 = 300.0 * (r.Slope * st.MinWpm + r.Intercept), h2 = 300.0 * (r.Slope * st.MaxWpm + r.Intercept);
    double x1 = xOf(st.MinWpm, steps), y1 = kBottom - h1, x2 = xOf(st.MaxWpm, steps), y2 = kBottom - h2;
    const double oy1 = y1, oy2 = y2;
    // The line ends at the plot's frame: a steep one does not run up through the labels.
    if (clipToPlot(x1, y1, x2, y2)) {
      const int py1 = y1 == oy1 ? kBottom - nint(h1) : nint(y1);
      const int py2 = y2 == oy2 ? kBottom - nint(h2) : nint(y2);
      graph_.push_back(line(nint(x1), py1, nint(x2), py2, kRed, 3));
    }
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
