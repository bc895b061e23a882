#include "core/app/resultrecord.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "core/app/paths.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/storage/atomicfile.h"
#include "core/text/format.h"
#include "core/text/strings.h"

namespace ruvo::app {

std::string FormatResultDate(const platform::DateTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return buf;
}

bool ParseResultDate(const std::string& text, platform::DateTime& out) {
  platform::DateTime t;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d%c", &t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second,
                  &tail) != 6)
    return false;
  if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour < 0 ||
      t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59)
    return false;
  out = t;
  return true;
}

std::string FormatFileStamp(const platform::DateTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return buf;
}

std::string SanitizeFileName(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    switch (c) {
      case '"':
      case '*':
      case '?':
      case '\\':
      case '/':
      case ':':
      case '<':
      case '>':
      case '|':
      case '.':
        break;
      default:
        out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
    }
  }
  return out;
}

namespace {

// The longest prefix of s of at most n bytes that does not end inside a UTF-8 character.
std::string cutAtCharacter(const std::string& s, std::size_t n) {
  if (s.size() <= n) return s;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}

std::string fitted(const std::string& stem, const std::string& tail) {
  const std::size_t room = kMaxFileNameBytes > tail.size() ? kMaxFileNameBytes - tail.size() : 0;
  return cutAtCharacter(stem, room) + tail;
}

}  // namespace

std::string ResultFileName(const platform::DateTime& t, const std::string& examineeName) {
  return fitted(FormatFileStamp(t) + SanitizeFileName(examineeName), ".ruvot");
}

std::string NumberedFileName(const std::string& fileName, int n) {
  if (n <= 1)
    return fileName.size() <= kMaxFileNameBytes ? fileName : fitted(BaseNameOf(fileName), ExtensionOf(fileName));
  return fitted(BaseNameOf(fileName), "_" + std::to_string(n) + ExtensionOf(fileName));
}

int FreeResultFileNumber(const std::string& fileName, const std::vector<std::string>& folders) {
  auto taken = [&](const std::string& n) {
    for (const auto& f : folders)
      if (!f.empty() && storage::fileExists(JoinPath(f, n))) return true;
    return false;
  };
  int i = 1;
  while (taken(NumberedFileName(fileName, i))) ++i;
  return i;
}

std::string UniqueResultFileName(const std::string& fileName, const std::vector<std::string>& folders) {
  return NumberedFileName(fileName, FreeResultFileNumber(fileName, folders));
}

platform::Status ClaimResultFileName(const std::string& fileName, int& number, const CreateNewFile& create) {
  // The name proposed may be taken by another examinee's run a moment later (a shared
  // collection folder, a distribution folder run by a whole class): claiming the name and
  // placing the content are one step, and a taken name moves on to the next counter.
  for (int i = std::max(number, 1); i < kMaxResultFileNumber; ++i) {
    platform::Status s = create(NumberedFileName(fileName, i));
    if (s.ok()) number = i;
    if (s.ok() || s.error() != EEXIST) return s;
  }
  return platform::Status::fromErrno(EEXIST, "cannot write " + fileName);
}

platform::Status WriteNewResultFile(const std::string& folder, const std::string& fileName, std::string_view bytes,
                                    int& number) {
  return ClaimResultFileName(fileName, number, [&](const std::string& name) {
    return storage::createFileExclusive(JoinPath(folder, name), bytes);
  });
}

namespace {

// A tab or line break inside a value (a title with a tab, a pasted answer) would shift every
// later column or split the value line: such characters become blanks.
std::string field(const std::string& value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) out += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
  return out;
}

template <class Get>
std::string joined(const std::vector<TResultColumns::Column>& columns, Get get) {
  std::string out;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) out += '\t';
    out += get(columns[i]);
  }
  return out;
}

constexpr rt::Color kRed = 0xFF0000;
constexpr rt::Color kBlue = 0x0000FF;

// Colours and bolds the characters [from, from + len) of a text.
void emphasise(rt::RichText& t, std::size_t from, std::size_t len, rt::Color color) {
  if (len == 0) return;
  rt::formatRange(t, {from, len}, [&](rt::CharFormat& f) {
    f.color = color;
    f.bold = true;
  });
}

std::size_t codePoints(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

void writeQuestionSeconds(rt::RichText& w, const std::vector<std::string>& seconds) {
  const rt::CharFormat f = RecordFont();
  doc::AppendLine(w, "questions section:", f);
  for (std::size_t i = 0; i < seconds.size(); ++i)
    doc::AppendLine(w, text::format("\t(%D) %S sec", {static_cast<int>(i + 1), seconds[i]}), f);
}

}  // namespace

void TResultColumns::Add(const std::string& name, const std::string& value) {
  columns_.push_back({field(name), field(value)});
}

std::string TResultColumns::HeaderLine() const {
  return joined(columns_, [](const Column& c) -> const std::string& { return c.name; });
}

std::string TResultColumns::ValueLine() const {
  return joined(columns_, [](const Column& c) -> const std::string& { return c.value; });
}

rt::CharFormat RecordFont() {
  rt::CharFormat f;
  f.fontName = "ＭＳ Ｐゴシック";
  f.charset = 128;
  f.sizeHalfPoints = 22;  // the base font of the test view: 11 pt
  return f;
}

void WriteRecordHeader(rt::RichText& target, const RunFacts& f) {
  const rt::CharFormat font = RecordFont();
  doc::AppendLine(target, "title: " + f.pages->Property(doc::prTitle), font);
  doc::AppendLine(target, "name: " + f.examineeName, font);
  doc::AppendLine(target, "date: " + FormatResultDate(f.date), font);
}

void WriteResultSection(const RunFacts& f, rt::RichText& w, TResultColumns& columns) {
  const doc::TPageControler& pages = *f.pages;
  const doc::TWPMMeter& meter = *f.meter;
  const std::vector<std::string>& qt = *f.questionSeconds;
  const int autoqa = pages.Setting(doc::stAutoQA), score = pages.Setting(doc::stScore);
  const rt::CharFormat font = RecordFont();
  columns.Clear();
  columns.Add("title", pages.Property(doc::prTitle));
  doc::AppendLine(w, "", font);
  doc::AppendLine(w, "---------------", font);
  WriteRecordHeader(w, f);
  columns.Add("name", f.examineeName);
  columns.Add("date", FormatResultDate(f.date));
  const double minutes = (pages.StopTick() - pages.StartTick()) / 1000.0 / 60.0;
  if (minutes > 0) {
    columns.Add("time", text::format("%F", {minutes}));
    doc::AppendLine(w, text::format("time: %.0F minutes", {minutes}), font);
  }
  if (autoqa == 0) return;
  const int n = meter.ReadingCount();
  if (autoqa == 1 && n > 0) {
    const std::string avg = std::to_string(meter.AverageWPM());
    std::size_t at = doc::AppendLine(w, "average: " + avg + " WPM", font);
    emphasise(w, at + codePoints("average: "), codePoints(avg), kRed);
    for (int i = 0; i < n; ++i) {
      const doc::TWPM* r = meter.ReadingAt(i);
      const std::string wpm = std::to_string(meter.ReadingWPM(i));
      const std::string line = text::format("\t(%D) %D words / %D sec = ", {i + 1, r->Words, r->Seconds});
      at = doc::AppendLine(w, line + wpm + " WPM", font);
      emphasise(w, at + codePoints(line), codePoints(wpm), kBlue);
    }
    for (int i = 0; i < n; ++i) columns.Add(text::format("wrd%D", {i + 1}), std::to_string(meter.ReadingAt(i)->Words));
    for (int i = 0; i < n; ++i) columns.Add(text::format("rt%D", {i + 1}), std::to_string(meter.ReadingAt(i)->Seconds));
    for (int i = 0; i < n; ++i) {
      const doc::TWPM* r = meter.ReadingAt(i);
      columns.Add(text::format("wpm%D", {i + 1}), text::format("%F", {r->Words * 60.0 / std::max(1, r->Seconds)}));
    }
  }
  if (!qt.empty()) {
    if (score != 0) writeQuestionSeconds(w, qt);
    for (std::size_t i = 0; i < qt.size(); ++i) columns.Add(text::format("qt%D", {static_cast<int>(i + 1)}), qt[i]);
  }
  f.qa->WriteAnswerReport(w, autoqa, score);
  if (autoqa == 1) doc::WriteEfficiencyLine(w, meter, *f.qa);
}

rt::RichText ClipboardRecord(const RunFacts& f) {
  const int autoqa = f.pages->Setting(doc::stAutoQA), score = f.pages->Setting(doc::stScore);
  rt::RichText w;
  WriteRecordHeader(w, f);
  if (autoqa == 1) f.meter->WriteReadings(w);
  writeQuestionSeconds(w, *f.questionSeconds);
  f.qa->WriteAnswerReport(w, autoqa, score);
  if (autoqa == 1) doc::WriteEfficiencyLine(w, *f.meter, *f.qa);
  return w;
}

void AddAnswerColumns(TResultColumns& columns, const doc::TPageControler& pages, const doc::TQAControler& qa) {
  for (int k = 0; k < qa.Count(); ++k) columns.Add(text::format("ans%D", {k + 1}), qa.Item(k)->AnswerText());
  if (pages.Setting(doc::stAutoQA) == 1)
    for (int k = 0; k < qa.Count(); ++k)
      if (qa.Item(k)->Correct() >= 0) columns.Add(text::format("scr%D", {k + 1}), qa.Item(k)->ScoreText());
  int g = 0;
  for (const auto& grade : text::split(pages.GradeList(), ','))
    if (!grade.empty()) columns.Add(text::format("mj%D", {++g}), grade);
}

}  // namespace ruvo::app
