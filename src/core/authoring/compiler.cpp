#include "core/authoring/compiler.h"

#include <algorithm>
#include <utility>

#include "core/authoring/grade.h"
#include "core/document/documentformat.h"
#include "core/text/strings.h"
#include "core/text/utf8.h"

namespace ruvo::authoring {
namespace {

using rt::Paragraph;
using rt::RichText;
using rt::Run;

// Replaces `len` code points of a line from `start` by `with`, which takes the format of the
// first replaced character (of the character at `start` for an insertion, of the line's
// last run at its end). Other runs keep their formats.
void splice(Paragraph& p, std::size_t start, std::size_t len, std::string_view with) {
  std::vector<Run> out;
  std::size_t pos = 0;
  bool placed = false;
  rt::CharFormat fmt = p.runs.empty() ? rt::CharFormat{} : p.runs.back().format;
  for (const Run& r : p.runs) {
    const std::size_t n = text::codePointCount(r.text);
    const std::size_t a = pos, b = pos + n;
    pos = b;
    if (b <= start && !(n == 0 && a == start)) {
      out.push_back(r);
      continue;
    }
    if (a >= start + len && placed) {
      out.push_back(r);
      continue;
    }
    // The run meets the replaced span (or holds its insertion point).
    const std::size_t cutA = start > a ? start - a : 0;
    const std::size_t cutB = std::min(n, start + len > a ? start + len - a : 0);
    if (cutA > 0) out.push_back(Run{text::substrCodePoints(r.text, 0, cutA), r.format});
    if (!placed) {
      out.push_back(Run{std::string(with), r.format});
      placed = true;
    }
    if (cutB < n) out.push_back(Run{text::substrCodePoints(r.text, cutB), r.format});
  }
  if (!placed) out.push_back(Run{std::string(with), fmt});
  p.runs = std::move(out);
  // Keep one (possibly empty) run that carries the line's format.
  std::vector<Run> merged;
  for (Run& r : p.runs) {
    if (!merged.empty() && merged.back().format == r.format)
      merged.back().text += r.text;
    else if (!r.text.empty() || p.runs.size() == 1)
      merged.push_back(std::move(r));
  }
  if (merged.empty()) merged.push_back(Run{std::string(), fmt});
  p.runs = std::move(merged);
}

bool isEmptyLine(const RichText& t, int i) { return t.paragraphs()[static_cast<std::size_t>(i)].length() == 0; }

char firstChar(const RichText& t, int i) {
  const std::string s = t.lineText(i);
  return s.empty() ? '\0' : s[0];
}

bool isAnyHeader(const std::string& line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

std::string numberedMessage(int line) {
  return std::string(kMsgConsecutivePassages) + "\r\n\r\n" + std::to_string(line) + " 行目の !\r\n";
}

// Deletes a leading "*" and puts the number and tabs in front of a question or choice line.
bool markLine(RichText& script, int line, bool question, int number, const CompileInputs& in) {
  Paragraph& p = script.paragraphs()[static_cast<std::size_t>(line)];
  bool marked = false;
  if (text::startsWith(p.text(), "*")) {
    splice(p, 0, 1, "");
    marked = true;
  }
  if (in.autoNumbers) splice(p, 0, 0, question ? "(" + std::to_string(number) + ") " : std::to_string(number) + ". ");
  if (in.autoIndent) splice(p, 0, 0, question ? "\t" : "\t\t");
  return marked;
}

void removeTrailingBlankLines(RichText& t) {
  auto& paras = t.paragraphs();
  while (paras.size() > 1 && text::trim(paras.back().text()).empty()) paras.pop_back();
  if (paras.size() == 1 && text::trim(paras.back().text()).empty()) {
    const rt::CharFormat f = t.formatAt(0);
    paras.back().runs = {Run{std::string(), f}};
  }
}

// A rich-edit control holds no NUL, and a stored document loses it: "<p" NUL "age" would
// come back as a page tag. Plain-text files can carry one, so it goes before anything else.
void dropNuls(RichText& t) {
  for (Paragraph& p : t.paragraphs())
    for (Run& r : p.runs) std::erase(r.text, '\0');
}

void step(const CompileHooks& h) {
  if (h.progressStep) h.progressStep();
}
void maximum(const CompileHooks& h, int m) {
  if (h.progressMax) h.progressMax(m);
}

}  // namespace

// ---- helpers --------------------------------------------------------------------------------

void NeutralisePageTags(RichText& t) {
  for (Paragraph& p : t.paragraphs()) {
    const std::string s = p.text();
    std::size_t lead = 0;
    while (lead < s.size() && static_cast<unsigned char>(s[lead]) <= 0x20) ++lead;
    // Leading blanks too: the document reader trims them before it looks for a page tag.
    if (s.compare(lead, 5, kPageTagWord) == 0) splice(p, lead, 5, kNeutralPageTagWord);
  }
}

void NeutraliseQuestionMarkers(RichText& t, int first, int last) {
  auto& paras = t.paragraphs();
  for (int i = std::max(first, 0); i <= last && i < static_cast<int>(paras.size()); ++i) {
    Paragraph& p = paras[static_cast<std::size_t>(i)];
    const std::string s = p.text();
    std::size_t lead = 0;
    while (lead < s.size() && static_cast<unsigned char>(s[lead]) <= 0x20) ++lead;
    if (lead < s.size() && s[lead] == '?') splice(p, lead, 1, "？");
  }
}

void ReplacePlaceholder(RichText& t, std::string_view placeholder, std::string_view value) {
  if (placeholder.empty()) return;
  const std::string needle = text::asciiLower(placeholder);
  const std::size_t needleCps = text::codePointCount(placeholder);
  for (Paragraph& p : t.paragraphs()) {
    const std::string lower = text::asciiLower(p.text());
    std::vector<std::size_t> hits;  // code point positions in the original line
    for (std::size_t at = lower.find(needle); at != std::string::npos; at = lower.find(needle, at + needle.size()))
      hits.push_back(text::codePointCount(std::string_view(lower).substr(0, at)));
    for (auto it = hits.rbegin(); it != hits.rend(); ++it) splice(p, *it, needleCps, value);
  }
}

// ---- the fixed form ------------------------------------------------------------------------

void TFixedForm::Load(RichText templ, int totalText, int totalQue) {
  area_ = std::move(templ);
  NeutralisePageTags(area_);
  NeutraliseQuestionMarkers(area_, 0, area_.lineCount() - 1);
  ReplacePlaceholder(area_, "%TotalText%", std::to_string(totalText));
  ReplacePlaceholder(area_, "%TotalQue%", std::to_string(totalQue));
  const int n = area_.lineCount();
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) lines.push_back(area_.lineText(i));
  for (int b = 0; b < kTemplateBlockCount; ++b) {
    const std::string header = std::string("[") + kTemplateBlockNames[static_cast<std::size_t>(b)] + "]";
    present_[static_cast<std::size_t>(b)] = false;
    blocks_[static_cast<std::size_t>(b)].reset();
    for (int i = 0; i < n; ++i) {
      if (!text::equalsIgnoreCase(lines[static_cast<std::size_t>(i)], header)) continue;
      int end = i + 1;
      while (end < n && !isAnyHeader(lines[static_cast<std::size_t>(end)])) ++end;
      present_[static_cast<std::size_t>(b)] = true;
      blocks_[static_cast<std::size_t>(b)] = rt::copyLinesToBuffer(area_, i + 1, end - 1);
      break;
    }
  }
}

bool TFixedForm::Present(int block) const {
  return block >= 0 && block < kTemplateBlockCount && present_[static_cast<std::size_t>(block)];
}

const rt::RichBuffer& TFixedForm::Block(int block) const {
  static const rt::RichBuffer none;
  if (block < 0 || block >= kTemplateBlockCount) return none;
  return blocks_[static_cast<std::size_t>(block)];
}

TDocumentModel::TDocumentModel() : qa(&pages) { pages.SetQAControler(&qa); }

// ---- the scan -------------------------------------------------------------------------------

ScanResult ScanScript(const RichText& script, const CompileHooks& hooks) {
  ScanResult r;
  const int n = script.lineCount();
  int bang = -1;
  for (int i = 0; i < n && bang < 0; ++i)
    if (!isEmptyLine(script, i) && firstChar(script, i) == '!') bang = i;
  if (bang < 0 || bang == n - 1) {
    r.message = kMsgNoPassageBlock;
    return r;
  }
  maximum(hooks, n - 1 - bang);
  int start = bang + 1;
  int open = 0;
  char last = '!';
  auto close = [&](int to, bool atPassage) {
    TTempPage& cur = r.blocks.back();
    if (last == '\\') {
      if (atPassage) {
        if (!cur.HasLower()) cur.lowerFirst = start, cur.lowerLast = to;
      } else if (!cur.HasUpper()) {
        cur.upperFirst = start, cur.upperLast = to;
      }
    } else {
      cur.questionFirst.push_back(start);
      cur.questionLast.push_back(to);
      ++r.totalQue;
    }
  };
  for (int i = start; i < n; ++i) {
    step(hooks);
    if (isEmptyLine(script, i)) continue;
    const char c = firstChar(script, i);
    if (c == '?' || c == '\\') {
      if (++open == 1) {
        TTempPage b;
        b.passageFirst = start;
        b.passageLast = i - 1;
        r.blocks.push_back(std::move(b));
      } else {
        close(i - 1, false);
      }
      start = i + 1;
      last = c;
    } else if (c == '!') {
      if (open == 0) {
        r.blocks.clear();
        r.message = numberedMessage(i + 1);
        return r;
      }
      open = 0;
      close(i - 1, true);
      start = i + 1;
      last = '!';
    }
  }
  if (r.blocks.empty()) {
    r.message = kMsgNoQuestionBlock;
    return r;
  }
  // The rest of the script closes the last range: free text after "\", otherwise a question,
  // even after a final "!", so that a block holding only free text is told as a passage
  // without its questions rather than as a test without any.
  close(n - 1, true);
  if (r.blocks.back().QuestionCount() == 0)
    r.message = kMsgNoQuestion;
  else if (last == '!')
    r.message = kMsgLastPassage;
  if (!r.message.empty()) r.blocks.clear();
  return r;
}

// ---- the compile ----------------------------------------------------------------------------

CompileResult CompileScript(RichText script, RichText templ, const CompileInputs& in, const CompileHooks& hooks) {
  CompileResult result;
  dropNuls(script);
  dropNuls(templ);
  NeutralisePageTags(script);
  removeTrailingBlankLines(script);
  ScanResult scan = ScanScript(script, hooks);
  if (!scan.message.empty()) {
    result.message = std::move(scan.message);
    return result;
  }
  result.totalText = static_cast<int>(scan.blocks.size());
  result.totalQue = scan.totalQue;

  // Page texts of the script; question and choice lines become items and are safe.
  for (const TTempPage& b : scan.blocks) {
    NeutraliseQuestionMarkers(script, b.passageFirst, b.passageLast);
    if (b.HasUpper()) NeutraliseQuestionMarkers(script, b.upperFirst, b.upperLast);
    if (b.HasLower()) NeutraliseQuestionMarkers(script, b.lowerFirst, b.lowerLast);
  }

  auto model = std::make_unique<TDocumentModel>();
  doc::TPageControler& pages = model->pages;

  std::array<std::string, doc::kPropertyCount> props = in.properties;
  if (props[doc::prTitle].empty()) {
    std::optional<std::string> answer;
    if (hooks.askTitle)
      answer = hooks.askTitle(kTitleCaption, "【例】　" + std::to_string(hooks.year) + " 第１回目", kTitleDefault);
    if (answer) *answer = text::trim(*answer);
    // An empty answer leaves the test without the title its results are totalled by.
    if (!answer || *answer == kTitleDefault || answer->empty()) {
      result.message = kMsgNoTitle;
      return result;
    }
    props[doc::prTitle] = *answer;
    result.answeredTitle = *answer;
  }
  for (int i = 0; i < doc::kPropertyCount; ++i) pages.SetProperty(i, props[static_cast<std::size_t>(i)]);
  for (int i = 0; i < doc::kSettingCount; ++i) {
    const std::string& v = in.settings[static_cast<std::size_t>(i)];
    if (i < 5) {
      const std::optional<int> number = text::parseInt(v);
      if (!number) {
        result.message = "'" + v + "' is not a valid integer value";
        return result;
      }
      pages.SetSetting(i, *number);
    } else {
      pages.SetSetting(i, v == "Off" ? 0 : 1);
    }
  }

  TFixedForm form;
  form.Load(std::move(templ), result.totalText, result.totalQue);
  auto blockPage = [&](int b) -> doc::TPage* {
    if (!form.Present(b)) return nullptr;
    doc::TPage* p = pages.AddPage();
    p->SetMainTextFromStream(form.Block(b));
    return p;
  };
  blockPage(tbHead);
  blockPage(tbNote);
  doc::TPage* open = blockPage(tbOpen);
  if (!open) {
    result.message = kMsgNoOpenBlock;
    return result;
  }
  open->SetKind(doc::PageKind::Name);

  maximum(hooks, result.totalText);
  int questionNumber = 1;
  for (std::size_t k = 0; k < scan.blocks.size(); ++k) {
    step(hooks);
    const TTempPage& b = scan.blocks[k];
    if (k == 0) blockPage(tbStart);
    if (b.passageFirst <= b.passageLast) {
      doc::TPage* p = pages.AddPage();
      p->SetKind(doc::PageKind::ReadingStart);
      p->SetMainTextFromLines(script, b.passageFirst, b.passageLast);
    }
    blockPage(tbToQue);
    doc::TPage* q = pages.AddPage();
    q->SetKind(doc::PageKind::QuestionTimer);
    q->SetRole(doc::PageRole::Question);
    if (b.HasUpper())
      q->SetMainTextFromLines(script, b.upperFirst, b.upperLast);
    else
      q->SetMainTextFromStream(form.Block(tbQueTop));
    if (b.HasLower())
      q->SetLowerTextFromLines(script, b.lowerFirst, b.lowerLast);
    else
      q->SetLowerTextFromStream(form.Block(tbQueBottom));
    for (int j = 0; j < b.QuestionCount(); ++j) {
      doc::TQAItem* item = q->NewQuestion();
      const int first = b.questionFirst[static_cast<std::size_t>(j)];
      const int lastLine = b.questionLast[static_cast<std::size_t>(j)];
      if (first <= lastLine) {
        markLine(script, first, true, questionNumber, in);
        item->SetQuestionFromLine(script, first);
        int choice = 1;
        for (int line = first + 1; line <= lastLine; ++line, ++choice) {
          if (markLine(script, line, false, choice, in)) item->SetCorrect(choice - 1);
          item->AddChoiceFromLine(script, line);
        }
      }
      ++questionNumber;
    }
    if (k + 1 < scan.blocks.size()) {
      if (form.Present(tbContinue)) {
        rt::RichBuffer copy = form.Block(tbContinue);
        if (copy) {
          ReplacePlaceholder(*copy, "%TextNow%", std::to_string(k + 1));
          ReplacePlaceholder(*copy, "%TextNext%", std::to_string(k + 2));
        }
        pages.AddPage()->SetMainTextFromStream(copy);
      }
    } else {
      blockPage(tbFinish);
    }
  }
  blockPage(tbFoot);
  pages.AddPage()->SetRole(doc::PageRole::Last);

  {
    std::unique_ptr<TReadingGrader> own;
    TReadingGrader* grader = hooks.grader;
    if (!grader) {
      own = std::make_unique<TReadingGrader>();
      grader = own.get();
    }
    maximum(hooks, pages.PageCount());
    for (int i = 0; i < pages.PageCount(); ++i) {
      step(hooks);
      doc::TPage* p = pages.Page(i);
      if (p->Kind() == doc::PageKind::ReadingStart && p->Role() == doc::PageRole::Ordinary)
        p->SetGrade(grader->Grade(p->MainTextPlain()));
    }
  }

  // The model the editor shows is the one a save writes and an open reads back: phrase
  // separators become marks, the tag words of neighbouring pages take effect.
  RichText written;
  pages.WriteDocument(written);
  auto normal = std::make_unique<TDocumentModel>();
  doc::TWPMMeter meter;
  doc::ParseDocument(written, normal->pages, normal->qa, meter);
  result.document = std::move(normal);
  return result;
}

void CopyDocument(const doc::TPageControler& from, doc::TDocument& document) {
  document.ClearModels();
  doc::TPageControler& to = document.Pages();
  for (int i = 0; i < doc::kPropertyCount; ++i) to.SetProperty(i, from.Property(i));
  for (int i = 0; i < doc::kSettingCount; ++i) to.SetSetting(i, from.Setting(i));
  for (int i = 0; i < from.PageCount(); ++i) {
    const doc::TPage* src = from.Page(i);
    doc::TPage* p = to.AddPage();
    p->SetKind(src->Kind());
    p->SetRole(src->Role());
    p->SetPassFlag(src->PassFlag());
    p->SetGrade(src->Grade());
    p->SetMainTextFromStream(src->MainText());
    p->SetLowerTextFromStream(src->LowerText());
    p->SetPhraseMarks(src->PhraseMarks());
    for (const doc::TQAItem* q : src->Questions()) {
      doc::TQAItem* item = p->NewQuestion();
      item->SetQuestion(q->Question());
      for (int c = 0; c < q->ChoiceCount(); ++c) item->AddChoice(q->Choice(c));
      item->SetCorrect(q->Correct());
    }
  }
  document.QA().Settings() = to.Settings();
}

}  // namespace ruvo::authoring
