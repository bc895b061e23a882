#pragma once
// Reading-speed arithmetic: the readings of one run (words shown, whole seconds on screen),
// words per minute, the run's average and the reading efficiency line of the result record.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/richtext/richtext.h"

namespace ruvo::doc {

class TQAControler;

struct TWPM {
  std::int32_t Words = 0;
  std::int32_t Seconds = 0;
  bool operator==(const TWPM&) const = default;
};

class TWPMMeter final {
 public:
  void AddReading(std::int32_t words, std::int32_t seconds);
  void Clear();
  int ReadingCount() const { return static_cast<int>(readings_.size()); }
  // nullptr outside 0..ReadingCount() - 1.
  const TWPM* ReadingAt(int index) const;
  // Words * 60 / max(1, Seconds), truncated; 0 outside the range.
  int ReadingWPM(int index) const;
  // Mean of the per-reading rates above 0 (integer division); 0 when there is none.
  int AverageWPM() const;
  // "WPM avg: %D" and one tab-led line per reading; nothing for an empty meter.
  void WriteReadings(rt::RichText& target) const;

 private:
  std::vector<TWPM> readings_;
};

// Words of a text as shown on a timed page (hyphen and slash split words, apostrophes
// join them, runs of blanks count once; an empty text counts 1).
int CountWords(std::string_view text);

// Correct answers * 100 / answered choice questions, 0 when none was answered.
int CorrectRate(const TQAControler& qa);
// Average WPM * rate / 100.
int ReadingEfficiency(int averageWpm, int rate);

// "reading efficiency: %D WPM × %D%S ＝ RE %D" with the RE number in bold red; only when some
// question has a correct answer.
void WriteEfficiencyLine(rt::RichText& target, const TWPMMeter& meter, const TQAControler& qa);

// Seconds of an elapsed tick span, rounded half to even (a negative span counts 0).
std::int32_t ElapsedSeconds(std::int64_t startTick, std::int64_t nowTick);

// Appends one line to a control's text the way its line list does: an empty control takes
// the text as its first line, otherwise a new paragraph follows the last. Returns the
// position where the line starts. Without a format the line continues the look of the
// text's end, as typing there would.
std::size_t AppendLine(rt::RichText& target, std::string_view text,
                       const std::optional<rt::CharFormat>& fmt = std::nullopt);

}  // namespace ruvo::doc
