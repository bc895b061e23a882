#include "core/document/documentformat.h"

#include <algorithm>
#include <array>

#include "core/document/internal.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/text/format.h"
#include "core/text/strings.h"
#include "core/text/utf8.h"

namespace ruvo::doc {

namespace {

constexpr std::string_view kPageTag = "<page";

// The five kind words, indexed by kind - 1, which is also their order of priority.
constexpr std::array<std::string_view, 5> kKindWords = {" start", " end", "timerOn", "timerOff", " name"};

std::string kindWord(PageKind kind) {
  const int k = KindNumber(kind);
  if (k >= 1 && k <= 5) return std::string(kKindWords[static_cast<std::size_t>(k - 1)]);
  return {};
}

// The kind and last-page reading of the format: kind words by priority, " last" only alone.
PageTag readWords(std::string_view words) {
  PageTag t;
  for (std::size_t k = 0; k < kKindWords.size(); ++k)
    if (words.find(kKindWords[k]) != std::string_view::npos) {
      t.kind = static_cast<PageKind>(k + 1);
      return t;
    }
  t.last = words.find(" last") != std::string_view::npos;
  return t;
}

bool hasOwnWord(std::string_view words) {
  const PageTag t = readWords(words);
  return t.kind != PageKind::Plain || t.last;
}

// The look of the lines the writer makes itself (header and tag lines): the work area's font.
rt::CharFormat writerFormat() {
  rt::CharFormat f;
  f.sizeHalfPoints = 22;
  return f;
}

bool isBlank(std::string_view s) { return text::trimView(s).empty(); }

// Code points of a line's leading blanks: a marker follows them.
std::size_t leadingBlanks(const std::string& line) {
  std::size_t i = 0;
  while (i < line.size() && static_cast<unsigned char>(line[i]) <= 0x20) ++i;
  return i;  // blanks are single-byte characters
}

// A question or choice line without its marker; the blanks before the marker stay, they are
// the line's indent.
rt::RichText lineWithoutMarker(const rt::RichText& work, int line, std::size_t markerLen) {
  rt::RichText one = rt::copyLine(work, line);
  rt::deleteRange(one, rt::Range{leadingBlanks(one.paragraphs().front().text()), markerLen});
  return one;
}

// A choice line that stands in a page's text (before the page's first question): the page
// shows it without its marker.
struct MarkedLine {
  int line;
  std::size_t markerLen;
};

// Lines first..last of the document as page text, the markers of the given lines removed.
rt::RichBuffer pageText(const rt::RichText& work, int first, int last, const std::vector<MarkedLine>& marked) {
  rt::RichBuffer text = rt::copyLinesToBuffer(work, first, last);
  if (!text) return text;
  auto& paras = text->paragraphs();
  std::vector<std::size_t> unwritable;
  for (const MarkedLine& m : marked) {
    if (m.line < first || m.line > last || static_cast<std::size_t>(m.line - first) >= paras.size()) continue;
    const auto index = static_cast<std::size_t>(m.line - first);
    rt::Paragraph& p = paras[index];
    const std::string line = p.text();
    const std::size_t at = leadingBlanks(line);
    // A rest that reads as a page tag or as another question line cannot stand in the page's
    // text: a save would cut the page there or make it a choice again. Its choice keeps it.
    const std::string_view rest =
        text::trimView(std::string_view(line).substr(std::min(line.size(), at + m.markerLen)));
    if (text::startsWith(rest, kPageTag) || text::startsWith(rest, "?")) {
      unwritable.push_back(index);
      continue;
    }
    detail::eraseInParagraph(p, at, m.markerLen);
  }
  std::sort(unwritable.rbegin(), unwritable.rend());
  if (!unwritable.empty() && unwritable.size() == paras.size()) {
    // Nothing of the page's text is left: one empty line, as for a page without text.
    detail::eraseInParagraph(paras[unwritable.front()], 0, paras[unwritable.front()].length());
    unwritable.erase(unwritable.begin());
  }
  for (const std::size_t i : unwritable) paras.erase(paras.begin() + static_cast<std::ptrdiff_t>(i));
  return text;
}

}  // namespace

// ---- header ---------------------------------------------------------------------------------

std::string ReadHeaderString(const rt::RichText& work, std::string_view key, std::string_view def) {
  const std::string prefix = std::string(key) + "=";
  for (const rt::Paragraph& p : work.paragraphs()) {
    const std::string line = p.text();
    const std::string_view t = text::trimView(line);
    if (text::startsWith(t, kPageTag)) break;
    if (text::startsWith(t, prefix)) return std::string(t.substr(prefix.size()));
  }
  return std::string(def);
}

int ReadHeaderInt(const rt::RichText& work, std::string_view key, int def) {
  const std::string none = "\x01";
  const std::string v = ReadHeaderString(work, key, none);
  if (v == none) return def;
  return text::parseIntDef(v, def);
}

PageTag ReadPageTag(std::string_view tag) {
  std::string_view words = text::trimView(tag);
  if (!words.empty() && words.back() == '>') words.remove_suffix(1);
  // The end words an earlier writer appended for the page before this one.
  std::string_view own;
  constexpr std::string_view kEndPass = " end pass", kTimerOff = "timerOff";
  if (words.size() > kEndPass.size() && words.substr(words.size() - kEndPass.size()) == kEndPass) {
    own = words.substr(0, words.size() - kEndPass.size());
  } else if (words.size() > kTimerOff.size() && words.substr(words.size() - kTimerOff.size()) == kTimerOff &&
             static_cast<unsigned char>(words[words.size() - kTimerOff.size() - 1]) > 0x20) {
    own = words.substr(0, words.size() - kTimerOff.size());
  }
  PageTag t = !own.empty() && hasOwnWord(own) ? readWords(own) : readWords(words);
  t.pass = tag.find(" pass") != std::string_view::npos;
  return t;
}

// ---- phrase marks ---------------------------------------------------------------------------

std::vector<std::int32_t> ExtractPhraseMarks(rt::RichText& t) {
  std::vector<std::int32_t> marks;
  auto& paras = t.paragraphs();
  bool active = false;
  for (std::size_t i = 0; i < paras.size() && !active; ++i) {
    const std::string s = paras[i].text();
    active = s.find("/ ", i == 0 ? 1 : 0) != std::string::npos;
  }
  if (!active) return marks;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < paras.size(); ++i) {
    std::size_t s = lineStart;
    std::size_t e = lineStart + paras[i].length();
    std::string line = paras[i].text();
    std::size_t byteFrom = 0;
    while (true) {
      const std::size_t found = line.find("/ ", byteFrom);
      if (found == std::string::npos) break;
      const std::size_t off = text::codePointCount(std::string_view(line).substr(0, found));
      const std::size_t p = lineStart + off;
      detail::eraseInParagraph(paras[i], off, 2);
      line.erase(found, 2);
      e -= 2;
      if (marks.empty()) marks.push_back(static_cast<std::int32_t>(s));
      marks.push_back(static_cast<std::int32_t>(p));
      s = p;
      byteFrom = found;
    }
    const std::size_t tailFrom = text::byteOffsetOf(line, s - lineStart);
    if (!isBlank(std::string_view(line).substr(tailFrom))) {
      if (marks.empty()) marks.push_back(static_cast<std::int32_t>(s));
      marks.push_back(static_cast<std::int32_t>(e));
    }
    lineStart = e + 1;
  }
  return marks;
}

void InsertPhraseSeparators(rt::RichText& t, const std::vector<std::int32_t>& marks) {
  if (marks.empty()) return;
  struct Line {
    std::size_t s0, e;
    std::string text;
  };
  std::vector<Line> lines;
  std::size_t pos = 0;
  for (const rt::Paragraph& p : t.paragraphs()) {
    const std::size_t len = p.length();
    lines.push_back({pos, pos + len, p.text()});
    pos += len + 1;
  }
  auto tailBlank = [&](const Line& l, std::size_t from) {
    const std::size_t b = text::byteOffsetOf(l.text, from - l.s0);
    return isBlank(std::string_view(l.text).substr(b, text::byteOffsetOf(l.text, l.e - l.s0) - b));
  };
  const bool ordered = std::is_sorted(marks.begin(), marks.end()) && marks.front() >= 0 &&
                       static_cast<std::size_t>(marks.back()) <= lines.back().e;
  std::vector<std::size_t> emit;
  if (!ordered) {
    // Marks the parser cannot have made: put a separator at every one that is not a break.
    for (std::int32_t m : marks) {
      const std::size_t at = static_cast<std::size_t>(std::max<std::int32_t>(0, m));
      const bool isBreak = std::any_of(lines.begin(), lines.end() - 1, [&](const Line& l) { return l.e == at; });
      if (!isBreak && at <= lines.back().e) emit.push_back(at);
    }
  } else {
    // The parser adds the start of the first phrase line and the end of every line whose
    // text goes on after its last separator by itself; only the other marks need a "/ ".
    bool hasMarks = false;
    std::size_t k = 0;
    std::ptrdiff_t lastImplicitEnd = -1;  // a line end left to the parser, forced when alone
    for (const Line& l : lines) {
      std::vector<std::size_t> m;
      while (k < marks.size() && static_cast<std::size_t>(marks[k]) <= l.e)
        m.push_back(static_cast<std::size_t>(marks[k++]));
      if (m.empty()) continue;
      std::size_t idx = 0;
      if (!hasMarks && m[0] == l.s0) idx = 1;
      std::vector<std::size_t> p(m.begin() + static_cast<std::ptrdiff_t>(idx), m.end());
      if (!p.empty() && p.back() == l.e) {
        const std::size_t from = p.size() >= 2 ? p[p.size() - 2] : l.s0;
        if (!tailBlank(l, from)) {
          p.pop_back();
          lastImplicitEnd = static_cast<std::ptrdiff_t>(l.e);
        }
      }
      emit.insert(emit.end(), p.begin(), p.end());
      hasMarks = true;
    }
    // Without any separator the text would not be read for phrases at all.
    if (emit.empty() && lastImplicitEnd >= 0) emit.push_back(static_cast<std::size_t>(lastImplicitEnd));
  }
  std::sort(emit.begin(), emit.end());
  // From the last to the first, so that the positions before each insertion hold.
  std::size_t li = lines.size();
  auto& paras = t.paragraphs();
  for (auto it = emit.rbegin(); it != emit.rend(); ++it) {
    const std::size_t at = *it;
    while (li > 0 && lines[li - 1].s0 > at) --li;
    if (li == 0) break;
    detail::insertInParagraph(paras[li - 1], at - lines[li - 1].s0, "/ ");
  }
}

// ---- parser ---------------------------------------------------------------------------------

void ParseDocument(rt::RichText& work, TPageControler& pages, TQAControler& qa, TWPMMeter& meter) {
  // Trailing blank lines and empty page tags carry nothing.
  auto& paras = work.paragraphs();
  while (!paras.empty()) {
    const std::string t = text::trim(paras.back().text());
    if (!t.empty() && t != "<page>") break;
    paras.pop_back();
  }
  if (paras.empty()) paras.push_back(rt::Paragraph{{}, {rt::Run{}}});

  meter.Clear();
  pages.SetQAControler(&qa);
  qa.SetPages(&pages);
  qa.Clear();
  pages.Clear();

  for (int i = 0; i < kPropertyCount; ++i)
    pages.SetProperty(i, ReadHeaderString(work, kPropertyKeys[static_cast<std::size_t>(i)], ""));
  for (int i = 0; i < kSettingCount; ++i)
    pages.SetSetting(i, ReadHeaderInt(work, kSettingKeys[static_cast<std::size_t>(i)],
                                      kSettingDefaults[static_cast<std::size_t>(i)]));

  const int n = work.lineCount();
  std::vector<int> tagLine;  // per page
  std::vector<MarkedLine> strayChoices;
  TPage* page = nullptr;
  TQAItem* question = nullptr;
  int lastQuestionLine = 0;
  for (int i = 0; i < n; ++i) {
    const std::string line = paras[static_cast<std::size_t>(i)].text();
    const std::string_view t = text::trimView(line);
    if (text::startsWith(t, kPageTag)) {
      if (page && page->Role() == PageRole::Question && i - lastQuestionLine > 1)
        page->SetLowerTextFromLines(work, lastQuestionLine + 1, i - 1);
      page = pages.AddPage();
      tagLine.push_back(i);
      const PageTag tag = ReadPageTag(t);
      if (tag.last) {
        page->SetRole(PageRole::Last);
        break;
      }
      page->SetKind(tag.kind);
      if (tag.pass) page->SetPassFlag(true);
      continue;
    }
    if (!page) continue;  // header lines
    if (text::startsWith(t, "?!") || text::startsWith(t, "??")) {
      if (page->QuestionCount() == 0)
        page->SetMainTextFromStream(pageText(work, tagLine.back() + 1, i - 1, strayChoices));
      question = page->NewQuestion();
      question->SetQuestion(lineWithoutMarker(work, i, 2));
      page->SetRole(PageRole::Question);
      lastQuestionLine = i;
    } else if (text::startsWith(t, "?")) {
      const std::size_t markerLen = text::startsWith(t, "?*") ? 2 : 1;
      // Before the page's first question the line is page text as well, shown without its marker.
      if (page->QuestionCount() == 0) strayChoices.push_back({i, markerLen});
      if (question) {
        question->AddChoice(lineWithoutMarker(work, i, markerLen));
        if (markerLen == 2) question->SetCorrect(question->ChoiceCount() - 1);
      }
      lastQuestionLine = i;
    }
  }

  if (tagLine.empty()) {
    rt::Paragraph tag{paras.front().format, {rt::Run{"<page>", work.formatAt(0)}}};
    paras.insert(paras.begin(), std::move(tag));
  }

  const int count = pages.PageCount();
  for (int k = 0; k < count; ++k) {
    TPage* p = pages.Page(k);
    const int from = tagLine[static_cast<std::size_t>(k)] + 1;
    const int to = k + 1 < count ? tagLine[static_cast<std::size_t>(k) + 1] - 1 : n - 1;
    if (p->Role() == PageRole::Ordinary) {
      rt::RichBuffer text = pageText(work, from, to, strayChoices);
      if (text) p->SetPhraseMarks(ExtractPhraseMarks(*text));
      p->SetMainTextFromStream(text);
    } else if (p->Role() == PageRole::Last) {
      p->SetMainTextFromLines(work, from, n - 1);
    }
  }

  const std::string grades = ReadHeaderString(work, "gradelist", "");
  if (!grades.empty()) {
    const std::vector<std::string> values = text::split(grades, ',');
    std::size_t v = 0;
    for (int k = 0; k < count && v < values.size(); ++k) {
      TPage* p = pages.Page(k);
      if (p->Kind() == PageKind::ReadingStart && p->Role() == PageRole::Ordinary)
        p->SetGrade(text::parseIntDef(text::trimView(values[v++]), 0));
    }
  }
  qa.Settings() = pages.Settings();
}

// ---- writer ---------------------------------------------------------------------------------

namespace {

// The lines a writer has put down so far; the target gets them back with an empty last
// line after them, where the next line would go.
struct LineSink {
  std::vector<rt::Paragraph> lines;

  void line(std::string_view s) { lines.push_back(rt::Paragraph{{}, {rt::Run{std::string(s), writerFormat()}}}); }
  // A text's lines; its empty last line (the end after a final break) is not a line.
  void text(const rt::RichText& t) {
    const auto& p = t.paragraphs();
    std::size_t n = p.size();
    if (n > 0 && p.back().length() == 0) --n;
    lines.insert(lines.end(), p.begin(), p.begin() + static_cast<std::ptrdiff_t>(n));
  }
  void text(const rt::RichBuffer& b) {
    if (b) text(*b);
  }
};

void startSink(LineSink& sink, rt::RichText& target) {
  if (target.isEmpty()) return;
  sink.text(target);
}

void finishSink(LineSink& sink, rt::RichText& target) {
  rt::CharFormat f = sink.lines.empty()               ? writerFormat()
                     : sink.lines.back().runs.empty() ? writerFormat()
                                                      : sink.lines.back().runs.back().format;
  sink.lines.push_back(rt::Paragraph{{}, {rt::Run{{}, f}}});
  target.paragraphs() = std::move(sink.lines);
}

void writeTag(const TPage& page, LineSink& sink) { sink.line(WritePageTag(page)); }

void writeBody(const TPage& page, LineSink& sink) {
  switch (page.Role()) {
    case PageRole::Ordinary:
      if (page.PhraseMarkCount() > 0 && page.MainText()) {
        rt::RichText t = *page.MainText();
        InsertPhraseSeparators(t, page.PhraseMarks());
        sink.text(t);
      } else {
        sink.text(page.MainText());
      }
      break;
    case PageRole::Question:
      sink.text(page.MainText());
      for (int q = 0; q < page.QuestionCount(); ++q) {
        if (q > 0) sink.line("");
        sink.text(page.Question(q)->SourceLines());
      }
      sink.text(page.LowerText());
      break;
    default:
      sink.text(page.MainText());
      break;
  }
}

// Grades are read back in order onto the reading pages, so a reading page without a grade
// before a graded one must hold its place with a 0, or the grade moves to it.
std::string WrittenGradeList(const TPageControler& pages) {
  std::vector<int> grades;
  std::size_t used = 0;
  for (int i = 0; i < pages.PageCount(); ++i) {
    const TPage* p = pages.Page(i);
    if (p->Kind() != PageKind::ReadingStart || p->Role() != PageRole::Ordinary) continue;
    grades.push_back(std::max(0, p->Grade()));
    if (p->Grade() > 0) used = grades.size();
  }
  std::string out;
  for (std::size_t i = 0; i < used; ++i) {
    if (i > 0) out += ',';
    out += std::to_string(grades[i]);
  }
  return out;
}

}  // namespace

std::string WritePageTag(const TPage& page) {
  std::string words;
  if (page.Role() == PageRole::Last) {
    words = " last";
  } else {
    words = kindWord(page.Kind());
    if (page.PassFlag()) words = text::trim(words) + " " + " pass";
  }
  if (page.PhraseMarkCount() > 0) words = text::trim(words) + " phrasing";
  // The page after a reading page or a timed question page ends its timing. Only a page of
  // no kind of its own takes these words: any other page would come back as another kind,
  // and a last page would stop being the last.
  if (const TPage* prev = page.PreviousPage();
      prev && page.Kind() == PageKind::Plain && page.Role() != PageRole::Last) {
    if (prev->Kind() == PageKind::ReadingStart) {
      words = text::trim(words) + " end" + " pass";
    } else if (prev->Kind() == PageKind::QuestionTimer) {
      words = text::trim(words) + "timerOff";
    }
  }
  if (!words.empty()) words = std::string(" ").append(text::trim(words));
  return text::format("%S%S%S", {"<page", words, ">"});
}

void AppendPageTag(const TPage& page, rt::RichText& target) {
  LineSink sink;
  startSink(sink, target);
  writeTag(page, sink);
  finishSink(sink, target);
}

void WritePageBody(const TPage& page, rt::RichText& target) {
  LineSink sink;
  startSink(sink, target);
  writeBody(page, sink);
  finishSink(sink, target);
}

void TPageControler::WriteDocument(rt::RichText& target) const {
  LineSink sink;
  startSink(sink, target);
  for (int i = 0; i < kPropertyCount; ++i)
    sink.line(text::format("%S=%S", {kPropertyKeys[static_cast<std::size_t>(i)], Property(i)}));
  for (int i = 0; i < kSettingCount; ++i)
    sink.line(text::format("%S=%D", {kSettingKeys[static_cast<std::size_t>(i)], Setting(i)}));
  sink.line("gradelist=" + WrittenGradeList(*this));
  for (const auto& p : pages_) {
    writeTag(*p, sink);
    writeBody(*p, sink);
  }
  finishSink(sink, target);
}

}  // namespace ruvo::doc
