#include "core/document/wpmmeter.h"

#include <algorithm>
#include <climits>

#include "core/document/qacontroler.h"
#include "core/text/format.h"
#include "core/text/strings.h"
#include "core/text/utf8.h"

namespace ruvo::doc {

void TWPMMeter::AddReading(std::int32_t words, std::int32_t seconds) { readings_.push_back({words, seconds}); }

void TWPMMeter::Clear() { readings_.clear(); }

const TWPM* TWPMMeter::ReadingAt(int index) const {
  if (index < 0 || index >= ReadingCount()) return nullptr;
  return &readings_[static_cast<std::size_t>(index)];
}

int TWPMMeter::ReadingWPM(int index) const {
  const TWPM* r = ReadingAt(index);
  if (!r) return 0;
  // 64-bit so that a huge word count cannot overflow before the division.
  const std::int64_t wpm = static_cast<std::int64_t>(r->Words) * 60 / std::max<std::int64_t>(1, r->Seconds);
  return static_cast<int>(std::clamp<std::int64_t>(wpm, INT_MIN, INT_MAX));
}

int TWPMMeter::AverageWPM() const {
  std::int64_t sum = 0;
  std::int64_t n = 0;
  for (int i = 0; i < ReadingCount(); ++i) {
    const int w = ReadingWPM(i);
    if (w > 0) {
      sum += w;
      ++n;
    }
  }
  return n == 0 ? 0 : static_cast<int>(sum / n);
}

void TWPMMeter::WriteReadings(rt::RichText& target) const {
  if (readings_.empty()) return;
  AppendLine(target, text::format("WPM avg: %D", {AverageWPM()}));
  for (int i = 0; i < ReadingCount(); ++i) {
    const TWPM& r = readings_[static_cast<std::size_t>(i)];
    std::string line = "\t";
    line += text::format("(%D) %D words / %D sec = %D WPM", {i + 1, r.Words, r.Seconds, ReadingWPM(i)});
    AppendLine(target, line);
  }
}

int CountWords(std::string_view in) {
  std::string s;
  s.reserve(in.size());
  for (std::size_t i = 0; i < in.size();) {
    const unsigned char c = static_cast<unsigned char>(in[i]);
    if (c == '\r' || c == '\n' || c == '-' || c == '/') {
      s += ' ';
      ++i;
    } else if (c == '\'') {
      ++i;
    } else if (in.substr(i, 3) == "\xE2\x80\x99") {  // right single quotation mark
      i += 3;
    } else if (in.substr(i, 3) == "\xE3\x80\x80") {  // full-width space
      s += ' ';
      i += 3;
    } else {
      s += static_cast<char>(c);
      ++i;
    }
  }
  // Runs of blanks count as one.
  std::string collapsed;
  collapsed.reserve(s.size());
  for (char c : s) {
    if (c == ' ' && !collapsed.empty() && collapsed.back() == ' ') continue;
    collapsed += c;
  }
  const std::string_view t = text::trimView(collapsed);
  return static_cast<int>(std::count(t.begin(), t.end(), ' ')) + 1;
}

int CorrectRate(const TQAControler& qa) { return qa.Rate(); }

int ReadingEfficiency(int averageWpm, int rate) {
  return static_cast<int>(static_cast<std::int64_t>(averageWpm) * rate / 100);
}

void WriteEfficiencyLine(rt::RichText& target, const TWPMMeter& meter, const TQAControler& qa) {
  if (qa.ScorableCount() <= 0) return;
  const int avg = meter.AverageWPM();
  const int rate = qa.Rate();
  const int re = ReadingEfficiency(avg, rate);
  const std::string prefix = text::format("reading efficiency: %D WPM × %D%S ＝ RE ", {avg, rate, "%"});
  const std::string number = text::format("%D", {re});
  const std::size_t start = AppendLine(target, prefix + number);
  const std::size_t at = start + text::codePointCount(prefix);
  rt::formatRange(target, rt::Range{at, text::codePointCount(number)}, [](rt::CharFormat& f) {
    f.bold = true;
    f.color = 0xFF0000;
  });
}

std::int32_t ElapsedSeconds(std::int64_t startTick, std::int64_t nowTick) {
  const std::int64_t ms = nowTick - startTick;
  if (ms <= 0) return 0;
  return static_cast<std::int32_t>(std::min<std::int64_t>(text::secondsFromMs(ms), INT32_MAX));
}

std::size_t AppendLine(rt::RichText& target, std::string_view line, const std::optional<rt::CharFormat>& fmt) {
  rt::CharFormat f;
  if (fmt) {
    f = *fmt;
  } else {
    // The font of the text's end, without the emphasis of a marked word there.
    f = target.formatAt(target.length());
    f.bold = f.italic = f.underline = f.strike = false;
    f.color = rt::kAutoColor;
  }
  auto& paras = target.paragraphs();
  if (target.isEmpty()) {
    const rt::ParaFormat pf = paras.front().format;
    paras.front() = rt::Paragraph{pf, {rt::Run{std::string(line), f}}};
    return 0;
  }
  const std::size_t start = target.length() + 1;
  rt::Paragraph p{paras.back().format, {rt::Run{std::string(line), f}}};
  paras.push_back(std::move(p));
  return start;
}

}  // namespace ruvo::doc
