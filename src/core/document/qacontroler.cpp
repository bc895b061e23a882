#include "core/document/qacontroler.h"

#include <algorithm>

#include "core/document/internal.h"
#include "core/document/wpmmeter.h"
#include "core/text/format.h"
#include "core/text/strings.h"

namespace ruvo::doc {

// ---- TQAItem ------------------------------------------------------------------------------

const TQAControler* TQAItem::controler() const {
  return page_ && page_->Owner() ? page_->Owner()->QAControler() : nullptr;
}

void TQAItem::SetQuestionFromLine(const rt::RichText& src, int line) { question_ = rt::copyLine(src, line); }

void TQAItem::AddChoiceFromLine(const rt::RichText& src, int line) { AddChoice(rt::copyLine(src, line)); }

void TQAItem::DeleteChoice(int index) {
  if (index < 0 || index >= ChoiceCount()) return;
  choices_.erase(choices_.begin() + index);
}

void TQAItem::SetChoice(int index, const rt::RichBuffer& text) {
  if (index < 0 || index >= ChoiceCount()) return;
  choices_[static_cast<std::size_t>(index)] = text;
}

const rt::RichBuffer& TQAItem::Choice(int index) const {
  static const rt::RichBuffer none;
  if (index < 0 || index >= ChoiceCount()) return none;
  return choices_[static_cast<std::size_t>(index)];
}

std::string TQAItem::QuestionPlain() const { return rt::plainText(question_); }
std::string TQAItem::ChoicePlain(int index) const { return rt::plainText(Choice(index)); }

void TQAItem::SetAnswer(int n) {
  answer_ = n;
  const TQAControler* qa = controler();
  const bool hasPanel = qa && qa->HasPanel(this);
  if (hasPanel && n >= 1 && n <= ChoiceCount()) label_ = text::trim(ChoicePlain(n - 1));
}

void TQAItem::SetTypedText(std::string_view t) {
  typed_ = text::trim(t);
  if (!typed_.empty()) answer_ = kTypedAnswer;
}

bool TQAItem::IsAnswered() const {
  if (ChoiceCount() > 0) return answer_ >= 1 && answer_ <= ChoiceCount();
  return !text::trimView(typed_).empty();
}

bool TQAItem::IsCorrect() const { return answer_ >= 1 && answer_ <= ChoiceCount() && answer_ - 1 == correct_; }

std::string TQAItem::MarkText() const {
  if (answer_ < 1 || answer_ > ChoiceCount()) return "－";
  return answer_ - 1 == correct_ ? "○" : "×";
}

std::string TQAItem::AnswerText() const {
  if (answer_ == kTypedAnswer) return typed_;
  if (answer_ < 0) return "-";
  return std::to_string(answer_);
}

std::string TQAItem::ScoreText() const {
  if (answer_ <= 0) return " ";
  return IsCorrect() ? "1" : "0";
}

int TQAItem::PageIndex() const { return page_ ? page_->Index() : -1; }

int TQAItem::Number() const {
  const TQAControler* qa = controler();
  return qa ? qa->IndexOf(this) + 1 : 0;
}

namespace {

rt::CharFormat firstFormat(const rt::RichText& t) {
  for (const rt::Paragraph& p : t.paragraphs())
    for (const rt::Run& r : p.runs)
      if (!r.text.empty()) return r.format;
  const auto& p = t.paragraphs().front();
  return p.runs.empty() ? rt::CharFormat{} : p.runs.front().format;
}

// One laid-out line of a single-line buffer.
rt::Paragraph laidOutLine(const rt::RichBuffer& b, const rt::IndentSettings& in) {
  rt::RichText t = b ? *b : rt::RichText();
  t.normalize();
  rt::layoutParagraphs(t, in);
  // A single-line text; should more lines have crept in, they are shown joined.
  rt::Paragraph p = t.paragraphs().front();
  for (std::size_t i = 1; i < t.paragraphs().size(); ++i)
    for (const rt::Run& r : t.paragraphs()[i].runs) p.runs.push_back(r);
  return p;
}

rt::Paragraph withPrefix(const rt::Paragraph& line, std::string_view prefix, const rt::CharFormat& fmt) {
  rt::Paragraph p{line.format, {rt::Run{std::string(prefix), fmt}}};
  for (const rt::Run& r : line.runs)
    if (!r.text.empty()) p.runs.push_back(r);
  return p;
}

void pushLine(rt::RichText& target, rt::Paragraph p) {
  auto& paras = target.paragraphs();
  if (target.isEmpty()) {
    paras.front() = std::move(p);
  } else {
    paras.push_back(std::move(p));
  }
}

}  // namespace

void TQAItem::Show(rt::RichText& target, const rt::IndentSettings& in) const {
  const int q = Number();
  pushLine(target, laidOutLine(question_, in));
  for (int c = 1; c <= ChoiceCount(); ++c) {
    const rt::Paragraph choice = laidOutLine(Choice(c - 1), in);
    rt::RichText one;
    one.paragraphs().front() = choice;
    const rt::CharFormat base = firstFormat(one);
    // The link line above the choice names question and choice for a click on the choice.
    rt::CharFormat linkFmt = base;
    linkFmt.color = kWindowColor;
    linkFmt.sizeHalfPoints = 8;
    linkFmt.bold = linkFmt.italic = linkFmt.underline = linkFmt.strike = false;
    rt::Paragraph link{choice.format, {rt::Run{text::format("%D %D", {q, c}), linkFmt}}};
    pushLine(target, std::move(link));
    rt::CharFormat starFmt = base;
    starFmt.color = kWindowColor;
    starFmt.sizeHalfPoints = base.sizeHalfPoints * 3 / 2;
    starFmt.underline = starFmt.strike = false;
    pushLine(target, withPrefix(choice, " * ", starFmt));
  }
}

rt::RichText TQAItem::SourceLines() const {
  rt::RichText out;
  auto line = [&](std::string_view marker, const rt::RichBuffer& b) {
    rt::RichText t = b ? *b : rt::RichText();
    const rt::Paragraph& p = t.paragraphs().front();
    rt::RichText one;
    one.paragraphs().front() = p;
    rt::Paragraph withMarker = withPrefix(p, marker, firstFormat(one));
    for (std::size_t i = 1; i < t.paragraphs().size(); ++i)
      for (const rt::Run& r : t.paragraphs()[i].runs) withMarker.runs.push_back(r);
    pushLine(out, std::move(withMarker));
  };
  line(ChoiceCount() > 0 ? "??" : "?!", question_);
  for (int c = 0; c < ChoiceCount(); ++c) line(c == correct_ ? "?*" : "?", Choice(c));
  return out;
}

void TQAItem::WriteSource(rt::RichText& target) const { detail::appendParagraphs(target, SourceLines()); }

// ---- TQAControler --------------------------------------------------------------------------

TQAControler::TQAControler(TPageControler* pages) : pages_(pages) {
  if (pages_) settings_ = pages_->Settings();
}

TQAControler::~TQAControler() {
  // The questions are the pages': they stay as they are.
  if (pages_ && pages_->QAControler() == this) pages_->SetQAControler(nullptr);
}

void TQAControler::Clear() {
  RemovePanels();
  if (pages_)
    for (int i = 0; i < pages_->PageCount(); ++i) pages_->Page(i)->questions_.clear();
}

std::vector<TQAItem*> TQAControler::Items() const {
  std::vector<TQAItem*> out;
  if (!pages_) return out;
  for (int i = 0; i < pages_->PageCount(); ++i)
    for (const auto& q : pages_->Page(i)->questions_) out.push_back(q.get());
  return out;
}

TQAItem* TQAControler::Item(int index) const {
  if (index < 0 || !pages_) return nullptr;
  for (int i = 0; i < pages_->PageCount(); ++i) {
    const TPage& p = *pages_->Page(i);
    if (index < p.QuestionCount()) return p.Question(index);
    index -= p.QuestionCount();
  }
  return nullptr;
}

int TQAControler::Count() const {
  int n = 0;
  for (int i = 0; pages_ && i < pages_->PageCount(); ++i) n += pages_->Page(i)->QuestionCount();
  return n;
}

int TQAControler::IndexOf(const TQAItem* item) const {
  int n = 0;
  for (int i = 0; pages_ && i < pages_->PageCount(); ++i)
    for (const auto& q : pages_->Page(i)->questions_) {
      if (q.get() == item) return n;
      ++n;
    }
  return -1;
}

void TQAControler::forget(const TQAItem* item) { std::erase(panelItems_, item); }

int TQAControler::AnsweredCount() const {
  const std::vector<TQAItem*> items = Items();
  return static_cast<int>(std::count_if(items.begin(), items.end(), [](const TQAItem* i) {
    return i->ChoiceCount() > 0 && i->Answer() >= 1 && i->Answer() <= i->ChoiceCount();
  }));
}

int TQAControler::ScorableCount() const {
  const std::vector<TQAItem*> items = Items();
  return static_cast<int>(std::count_if(items.begin(), items.end(),
                                        [](const TQAItem* i) { return i->ChoiceCount() > 0 && i->Correct() >= 0; }));
}

int TQAControler::CorrectCount() const {
  const std::vector<TQAItem*> items = Items();
  return static_cast<int>(std::count_if(items.begin(), items.end(), [](const TQAItem* i) { return i->IsCorrect(); }));
}

int TQAControler::Rate() const {
  const int answered = AnsweredCount();
  return answered == 0 ? 0 : CorrectCount() * 100 / answered;
}

bool TQAControler::HasPanel(const TQAItem* item) const {
  return std::find(panelItems_.begin(), panelItems_.end(), item) != panelItems_.end();
}

void TQAControler::ShowPagePanels(int pageIndex) {
  hostVisible_ = false;
  RemovePanels();
  const TPage* page = pages_ ? pages_->Page(pageIndex) : nullptr;
  if (page)
    for (const auto& item : page->questions_) {
      item->ClearAnswerLabel();
      panelItems_.push_back(item.get());
    }
  hostVisible_ = true;
}

void TQAControler::RemovePanels() {
  for (auto it = panelItems_.rbegin(); it != panelItems_.rend(); ++it) (*it)->ClearAnswerLabel();
  panelItems_.clear();
}

std::vector<AnswerPanel> TQAControler::Panels() const {
  std::vector<AnswerPanel> out;
  out.reserve(panelItems_.size());
  for (const TQAItem* item : panelItems_) {
    AnswerPanel p;
    p.number = IndexOf(item) + 1;
    p.questionText = text::trim(item->QuestionPlain());
    p.choiceCount = item->ChoiceCount();
    p.answer = item->Answer() >= 1 && item->Answer() <= item->ChoiceCount() ? item->Answer() : -1;
    p.answerLabel = item->AnswerLabel();
    p.fieldText = item->TypedText();
    out.push_back(std::move(p));
  }
  return out;
}

int TQAControler::UnansweredPanelCount() const {
  return static_cast<int>(
      std::count_if(panelItems_.begin(), panelItems_.end(), [](const TQAItem* i) { return !i->IsAnswered(); }));
}

bool TQAControler::RadioClick(int q, int c, rt::RichText* display) {
  TQAItem* item = Item(q - 1);
  if (!item || c < 1 || c > item->ChoiceCount() || !HasPanel(item)) return false;
  item->SetAnswer(c);
  if (display) MarkChosenChoice(*display, q, item->ChoiceCount(), c);
  return true;
}

bool TQAControler::FieldChanged(int q, std::string_view t) {
  TQAItem* item = Item(q - 1);
  if (!item || item->ChoiceCount() > 0 || !HasPanel(item)) return false;
  item->SetTypedText(t);
  return true;
}

bool TQAControler::SelectByLinkText(std::string_view linkText, rt::RichText* display) {
  const std::size_t blank = linkText.find(' ');
  const std::string_view head = linkText.substr(0, blank);
  const std::string_view tail = blank == std::string_view::npos ? std::string_view() : linkText.substr(blank + 1);
  const int q = text::parseIntDef(text::trimView(head), -1);
  const int c = text::parseIntDef(text::trimView(tail), -1);
  if (q < 1 || q > Count()) return false;
  if (c < 1 || c > Item(q - 1)->ChoiceCount()) return false;
  return RadioClick(q, c, display);
}

void TQAControler::WriteAnswerReport(rt::RichText& target, int autoqa, int score) const {
  const std::vector<TQAItem*> items = Items();
  if (autoqa == 0 || items.empty()) return;
  AppendLine(target, "your answers:");
  // Groups of consecutive items on one page, in document order.
  std::vector<std::vector<const TQAItem*>> groups;
  int lastPage = -2;
  for (const TQAItem* item : items) {
    const int page = item->PageIndex();
    if (groups.empty() || page != lastPage) groups.emplace_back();
    groups.back().push_back(item);
    lastPage = page;
  }
  auto groupLines = [&](bool marks) {
    std::vector<std::string> lines;
    for (std::size_t g = 0; g < groups.size(); ++g) {
      const auto& grp = groups[g];
      std::string line = "\t";
      line += text::format("(%D) %S",
                           {static_cast<int>(g + 1), marks ? grp.front()->MarkText() : grp.front()->AnswerText()});
      for (std::size_t i = 1; i < grp.size(); ++i)
        line += marks ? text::format(",%S", {grp[i]->MarkText()}) : text::format(", %S", {grp[i]->AnswerText()});
      lines.push_back(std::move(line));
    }
    return lines;
  };
  if (score == 1)
    for (const std::string& l : groupLines(false)) AppendLine(target, l);
  if (autoqa == 1 && ScorableCount() > 0) {
    const std::string line = text::format("score: %D / %D;  %D%S", {CorrectCount(), AnsweredCount(), Rate(), "%"});
    const std::size_t start = AppendLine(target, line);
    const std::size_t pct = detail::cpLength(line) - 1;  // the "%" ends the line
    const std::size_t from = pct >= 3 ? pct - 3 : 0;
    rt::formatRange(target, rt::Range{start + from, pct - from}, [](rt::CharFormat& f) {
      f.bold = true;
      f.color = 0xFF0000;
    });
  }
  if (autoqa == 1 && score == 1)
    for (const std::string& l : groupLines(true)) AppendLine(target, l);
}

void MarkChosenChoice(rt::RichText& display, int q, int choiceCount, int chosen) {
  const auto& paras = display.paragraphs();
  std::size_t pos = 0;
  std::vector<std::pair<std::size_t, rt::Color>> paint;
  for (std::size_t i = 0; i + 1 < paras.size(); ++i) {
    const std::size_t len = paras[i].length();
    const std::string t = paras[i].text();
    const std::size_t blank = t.find(' ');
    if (blank != std::string::npos && text::parseIntDef(t.substr(0, blank), -1) == q) {
      const int c = text::parseIntDef(t.substr(blank + 1), -1);
      if (c >= 1 && c <= choiceCount && text::startsWith(paras[i + 1].text(), " * "))
        paint.emplace_back(pos + len + 1, c == chosen ? kChosenColor : kWindowColor);
    }
    pos += len + 1;
  }
  for (const auto& [at, col] : paint)
    rt::formatRange(display, rt::Range{at, 3}, [col = col](rt::CharFormat& f) { f.color = col; });
}

}  // namespace ruvo::doc
