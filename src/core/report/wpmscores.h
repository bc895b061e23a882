#pragma once
// One score point per result taken in (average reading speed, average score, date of the
// run), the figures over them, and the speed/accuracy chart drawn from them.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/platform/ports.h"
#include "core/report/chart.h"

namespace ruvo::report {

// Later and earlier than any real date: the date range of an empty list.
inline constexpr const char* kScoresFirstDateSentinel = "2952/06/03 08:00:53";
inline constexpr const char* kScoresLastDateSentinel = "1952/06/03 08:00:53";

// Days since 1899-12-30, the fraction being the time of day.
double EncodeDateTime(const platform::DateTime& t);
// A result date text ("yyyy/mm/dd hh:nn:ss") as days; false when it is not a date.
bool DecodeResultDate(const std::string& text, double& days);
// The same, refusing days a month does not have ("2024/02/30"): for dates a person types.
bool DecodeCalendarDate(const std::string& text, double& days);

// The most axis steps a chart has: a forged speed does not overflow the count.
inline constexpr int kMaxAxisSteps = 1 << 30;
// A generous width in pixels of an axis label (the number, 12 points) in the chart's face.
inline double XLabelWidth(std::int64_t value) { return 9.0 * static_cast<double>(std::to_string(value).size()); }

struct TWpmScore {
  double Date = 0;  // days since 1899-12-30
  float Wpm = 0;    // average of the result's "wpm" columns; the point counts only when > 0
  float Score = 0;  // average of its "scr" columns, 0 to 1
  // The result carried a date of its own; a point dated by the clock has no place in a replay.
  bool Dated = true;
};

struct TScoreStats {
  int Count = 0;
  int ValidCount = 0;
  float MeanWpm = 0;
  float MeanScore = 0;
  float MeanEfficiency = 0;      // mean of Score x Wpm
  float MaxWpm = 0;              // over all points, from 0
  float MinWpm = 2147483648.0f;  // over all points; 2^31 when there are none
  int AxisSteps = 2;             // max(2, nint(MaxWpm / 50 + 1)), 50 WPM each
};

struct TRegression {
  double Slope = 0;
  double Intercept = 0;
};

// The figures over the given points (sums in single precision, as the stored averages are).
TScoreStats ComputeStats(const std::vector<TWpmScore>& points);
// Least squares of score on WPM over the valid points; a horizontal line at the mean score
// when there are fewer than two or either variance is 0.
TRegression ComputeRegression(const std::vector<TWpmScore>& points, const TScoreStats& stats);

// The empty chart: frame, axis of axisSteps x 50 WPM, date range and operator lines.
void DrawFrame(TChart& chart, int axisSteps, const std::string& firstDate, const std::string& lastDate,
               const std::string& operatorName);

class TWpmScores final {
 public:
  TWpmScores();

  // Smallest and largest date texts seen (byte order); reset to the sentinels by Clear.
  std::string FirstDate;
  std::string LastDate;
  // The "authorized operator:" shown under the chart.
  std::string OperatorName;

  void Clear();
  void AddPoint(double date, float wpm, float score, bool dated = true);
  // Widens the date range by one date text.
  void WidenDates(const std::string& dateText);
  int Count() const { return static_cast<int>(points_.size()); }
  // nullptr for an index out of range.
  const TWpmScore* Point(int index) const;
  const std::vector<TWpmScore>& Points() const { return points_; }

  TScoreStats Stats() const { return ComputeStats(points_); }
  TRegression Regression() const { return ComputeRegression(points_, Stats()); }
  // The earliest and latest dates of the points whose results carry one; false when none does.
  bool DatedRange(double& first, double& last) const;

  // The ±2 pixel jitter of the drawn points comes from this generator.
  void SetSeed(std::uint32_t seed) { random_.seed(seed); }

  // FrameChart: the empty chart. GraphChart: the frame with the points.
  void DrawFrame();
  void DrawGraph();
  // Only the points whose results are dated up to date, on the axis of all points.
  void DrawGraphUntil(double date);
  const TChart& FrameChart() const { return frame_; }
  const TChart& GraphChart() const { return graph_; }

 private:
  void drawPoints(const std::vector<TWpmScore>& points, int axisSteps);

  std::vector<TWpmScore> points_;  // in order of arrival
  TChart frame_, graph_;
  std::mt19937 random_;
};

}  // namespace ruvo::report
