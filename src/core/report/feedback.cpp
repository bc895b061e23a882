#include "core/report/feedback.h"

#include <algorithm>

namespace ruvo::report {

platform::Rect ChartPlace(int clientWidth, int clientHeight) {
  platform::Rect r;
  if (4 * clientHeight <= 3 * clientWidth) {
    r.height = clientHeight;
    r.width = 4 * r.height / 3;
    r.left = (clientWidth - r.width) / 2;
  } else {
    r.width = clientWidth;
    r.height = 3 * r.width / 4;
    r.top = (clientHeight - r.height) / 2;
  }
  return r;
}

int ChoiceFor(const std::vector<int>& choices, int ms) {
  for (std::size_t i = 0; i < choices.size(); ++i)
    if (choices[i] * 1000 == ms) return static_cast<int>(i);
  return -1;
}

bool TReplay::Start(const TWpmScores& scores, int animeDureMs, int tickMs) {
  running_ = false;
  if (scores.Count() == 0) return false;
  double first = 0, last = 0;
  // The time line of the points whose results are dated: one result without a date (or with
  // one written otherwise) must not stretch it to day 0 and hide every other point.
  if (!scores.DatedRange(first, last)) first = last = 0;
  // A replay length shorter than a tick (or none) still shows the chart once.
  steps_ = tickMs > 0 && animeDureMs > 0 ? (animeDureMs + tickMs - 1) / tickMs : 1;
  step_ = (last - first) / steps_;
  cursor_ = first;
  end_ = last + 1.0 / 8640;
  position_ = 0;
  running_ = true;
  return true;
}

bool TReplay::Tick(double& drawUntil) {
  if (!running_) return false;
  // All results in one second, or none dated: the cursor would never pass the end, so the
  // replay ends after its planned ticks instead.
  running_ = step_ > 0 ? cursor_ - step_ <= end_ : position_ < steps_;
  if (!running_) return false;
  // Without a forward step every point is shown.
  drawUntil = step_ > 0 ? cursor_ : std::max(cursor_, end_);
  ++position_;
  if (step_ > 0) cursor_ += step_;
  return true;
}

}  // namespace ruvo::report
