#pragma once
// The feedback graph window without widgets: where the chart sits in the window, the replay
// that brings the points in by date, and the interval and replay-length choices.
#include <vector>

#include "core/platform/ports.h"
#include "core/report/wpmscores.h"

namespace ruvo::report {

inline constexpr int kFeedbackWidth = 810;
inline constexpr int kFeedbackHeight = 632;
inline constexpr int kReplayTickMs = 300;
inline constexpr int kDefaultAnimeDure = 7000;
inline constexpr int kMinCollectionInterval = 3000;
// The menu's choices, in seconds.
inline const std::vector<int> kIntervalChoices = {3, 5, 7, 11, 33};
inline const std::vector<int> kAnimeDureChoices = {3, 7, 15};

// The chart keeps its 4:3 shape, centred, as large as the client area allows.
platform::Rect ChartPlace(int clientWidth, int clientHeight);

// Index of the first choice whose seconds x 1000 equal ms, or -1.
int ChoiceFor(const std::vector<int>& choices, int ms);

// The replay: the chart is redrawn every tick with the points dated up to a cursor that moves
// from the first date to 10 seconds past the last one.
class TReplay final {
 public:
  // False (and nothing starts) when there are no points. Plans ceil(animeDureMs / tickMs)
  // ticks, at least one.
  bool Start(const TWpmScores& scores, int animeDureMs, int tickMs = kReplayTickMs);
  // One tick: false once the replay is over. Otherwise the date up to which the chart is to
  // be drawn now.
  bool Tick(double& drawUntil);
  bool Running() const { return running_; }
  int Steps() const { return steps_; }
  int Position() const { return position_; }
  double Step() const { return step_; }
  double Cursor() const { return cursor_; }
  double End() const { return end_; }

 private:
  bool running_ = false;
  int steps_ = 0, position_ = 0;
  double step_ = 0, cursor_ = 0, end_ = 0;
};

}  // namespace ruvo::report
