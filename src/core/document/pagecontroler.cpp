#include "core/document/pagecontroler.h"

#include <algorithm>

#include "core/document/internal.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/platform/ports.h"
#include "core/text/strings.h"

namespace ruvo::doc {

// ---- TPage ----------------------------------------------------------------------------

TPage::TPage(TPageControler* owner) : owner_(owner) {}

TPage::~TPage() {
  if (TQAControler* qa = owner_ ? owner_->QAControler() : nullptr)
    for (const auto& q : questions_) qa->forget(q.get());
}

int TPage::Index() const { return owner_ ? owner_->IndexOf(this) : -1; }

TPage* TPage::PreviousPage() const {
  const int i = Index();
  return i > 0 ? owner_->Page(i - 1) : nullptr;
}

void TPage::SetMainTextFromLines(const rt::RichText& src, int first, int last) {
  main_ = rt::copyLinesToBuffer(src, first, last);
}

void TPage::SetLowerTextFromLines(const rt::RichText& src, int first, int last) {
  lower_ = rt::copyLinesToBuffer(src, first, last);
}

std::string TPage::MainTextPlain() const { return rt::plainText(main_); }
std::string TPage::LowerTextPlain() const { return rt::plainText(lower_); }
std::string TPage::MainTextCaption() const { return rt::caption(main_); }
std::string TPage::LowerTextCaption() const { return rt::caption(lower_); }

TQAItem* TPage::NewQuestion() { return AddQuestion(std::make_unique<TQAItem>()); }

TQAItem* TPage::AddQuestion(std::unique_ptr<TQAItem> item) { return InsertQuestion(-1, std::move(item)); }

TQAItem* TPage::InsertQuestion(int index, std::unique_ptr<TQAItem> item) {
  if (!item) return nullptr;
  item->SetPage(this);
  TQAItem* added = item.get();
  if (index < 0 || questions_.empty()) {
    questions_.push_back(std::move(item));
  } else {
    // Clamped to the last question's place: an index past the end lands before the last.
    const int at = std::min(QuestionCount() - 1, index);
    questions_.insert(questions_.begin() + at, std::move(item));
  }
  return added;
}

void TPage::DeleteQuestion(int index) {
  if (index < 0 || index >= QuestionCount()) return;
  const auto it = questions_.begin() + index;
  if (TQAControler* qa = owner_ ? owner_->QAControler() : nullptr) qa->forget(it->get());
  questions_.erase(it);
}

TQAItem* TPage::Question(int index) const {
  if (index < 0 || index >= QuestionCount()) return nullptr;
  return questions_[static_cast<std::size_t>(index)].get();
}

std::vector<TQAItem*> TPage::Questions() const {
  std::vector<TQAItem*> out;
  out.reserve(questions_.size());
  for (const auto& q : questions_) out.push_back(q.get());
  return out;
}

namespace {
rt::IndentSettings indentsOf(const TPageControler* owner) { return owner ? owner->Indents() : rt::IndentSettings{}; }

void showInto(const rt::RichBuffer& b, rt::RichText& target, rt::Range& selection, const rt::IndentSettings& in) {
  const rt::Range put = rt::showPageText(b, target, selection, in);
  selection = rt::Range{put.start + put.length, 0};
}
}  // namespace

void TPage::ShowMainText(rt::RichText& target, rt::Range& selection) const {
  showInto(main_, target, selection, indentsOf(owner_));
}

void TPage::AppendLowerText(rt::RichText& target, rt::Range& selection) const {
  showInto(lower_, target, selection, indentsOf(owner_));
}

void TPage::Show(rt::RichText& target, rt::Range& selection) const {
  ShowMainText(target, selection);
  if (role_ != PageRole::Question) return;
  const rt::IndentSettings in = indentsOf(owner_);
  for (std::size_t i = 0; i < questions_.size(); ++i) {
    if (i > 0) AppendLine(target, "");
    questions_[i]->Show(target, in);
  }
  if (!questions_.empty()) AppendLine(target, "");
  // The lower text follows on lines of its own.
  if (lower_ && !(lower_->isEmpty())) {
    rt::RichText scratch;
    rt::Range at{0, 0};
    showInto(lower_, scratch, at, in);
    detail::appendParagraphs(target, scratch);
  }
  selection = rt::Range{target.length(), 0};
}

void TPage::StartChunks() {
  chunk_ = 0;
  if (owner_) {
    PhraseProgress& p = owner_->ProgressBar1();
    p.maximum = PhraseMarkCount();
    p.position = 1;
    p.visible = true;
  }
}

void TPage::StopChunks() {
  chunk_ = -1;
  if (owner_) owner_->ProgressBar1().visible = false;
}

bool TPage::ShowNextChunk(rt::RichText& target, std::size_t& caret) {
  const int c = std::max(chunk_, 0);
  const int count = PhraseMarkCount();
  if (c >= count - 1) {
    rt::formatRange(target, rt::Range{0, target.length()}, [](rt::CharFormat& f) { f.underline = false; });
    caret = target.length();
    chunk_ = -1;
    return true;
  }
  const bool fade = owner_ && owner_->Setting(stChunks) != 0 && owner_->Setting(stFadeNext) != 0;
  auto mark = [&](int i) {
    return static_cast<std::size_t>(std::max<std::int32_t>(0, marks_[static_cast<std::size_t>(i)]));
  };
  const std::size_t from = mark(c);
  const std::size_t to = std::max(mark(c + 1), from);
  std::size_t f = 0;
  if (fade && c + 2 < count) {
    const std::size_t next = mark(c + 2);
    f = next > to ? next - to : 0;
  }
  rt::RichText scratch;
  rt::Range at{0, 0};
  showInto(main_, scratch, at, indentsOf(owner_));
  const std::size_t len = scratch.length();
  if (to + f < len) rt::deleteRange(scratch, rt::Range{to + f, len - (to + f)});
  rt::formatRange(scratch, rt::Range{from, to - from}, [](rt::CharFormat& fm) { fm.underline = true; });
  if (fade && f >= 1) {
    // Lighter towards the end, so the shadow darkens towards the phrase being read.
    auto paint = [&](std::size_t n, rt::Color col) {
      if (n > 0) rt::formatRange(scratch, rt::Range{to, n}, [col](rt::CharFormat& fm) { fm.color = col; });
    };
    paint(f, kWindowColor);
    paint(3 * f / 4, kShadowLight);
    paint(f / 2, kShadowMiddle);
    paint(f / 4, kShadowDark);
  }
  target = std::move(scratch);
  caret = std::min(to, target.length());
  chunk_ = c + 1;
  return false;
}

// ---- TPageControler -----------------------------------------------------------------------

TPageControler::TPageControler() = default;

TPageControler::~TPageControler() {
  Clear();
  if (qa_ && qa_->Pages() == this) qa_->SetPages(nullptr);
}

void TPageControler::Clear() {
  timerRunning_ = false;
  // A new document starts without a test clock: a run that never starts its clock must not
  // report the previous document's test time.
  startTick_ = 0;
  stopTick_ = 0;
  while (!pages_.empty()) pages_.pop_back();
  ++generation_;
}

TPage* TPageControler::AddPage() {
  pages_.push_back(std::make_unique<TPage>(this));
  return pages_.back().get();
}

TPage* TPageControler::InsertPage(int index) {
  if (index < 0 || index >= PageCount()) return nullptr;
  auto it = pages_.insert(pages_.begin() + index, std::make_unique<TPage>(this));
  return it->get();
}

void TPageControler::DeletePage(int index) {
  if (index < 0 || index >= PageCount()) return;
  pages_.erase(pages_.begin() + index);
}

void TPageControler::MovePageDown(int index) {
  if (index < 0 || index >= PageCount() - 1) return;
  std::swap(pages_[static_cast<std::size_t>(index)], pages_[static_cast<std::size_t>(index) + 1]);
}

void TPageControler::MovePageUp(int index) {
  if (index <= 0 || index > PageCount() - 1) return;
  std::swap(pages_[static_cast<std::size_t>(index)], pages_[static_cast<std::size_t>(index) - 1]);
}

TPage* TPageControler::Page(int index) const {
  if (index < 0 || index >= PageCount()) return nullptr;
  return pages_[static_cast<std::size_t>(index)].get();
}

int TPageControler::IndexOf(const TPage* page) const {
  for (std::size_t i = 0; i < pages_.size(); ++i)
    if (pages_[i].get() == page) return static_cast<int>(i);
  return -1;
}

bool TPageControler::HasNamePage() const {
  return std::any_of(pages_.begin(), pages_.end(), [](const auto& p) { return p->Kind() == PageKind::Name; });
}

int TPageControler::Setting(int index) const {
  if (index < 0 || index >= kSettingCount) return 0;
  return settings_[static_cast<std::size_t>(index)];
}

void TPageControler::SetSetting(int index, int value) {
  if (index < 0 || index >= kSettingCount) return;
  settings_[static_cast<std::size_t>(index)] = value;
}

std::string TPageControler::Property(int index) const {
  if (index < 0 || index >= kPropertyCount) return {};
  return properties_[static_cast<std::size_t>(index)];
}

void TPageControler::SetProperty(int index, const std::string& text) {
  if (index < 0 || index >= kPropertyCount) return;
  properties_[static_cast<std::size_t>(index)] = text;
}

rt::IndentSettings TPageControler::Indents() const {
  return rt::IndentSettings{settings_[stLeftIndent], settings_[stRightIndent], settings_[stTextIndent],
                            settings_[stTabIndent], settings_[stTabSink]};
}

std::string TPageControler::GradeList() const {
  std::string out;
  for (const auto& p : pages_) {
    if (p->Grade() <= 0) continue;
    if (!out.empty()) out += ',';
    out += std::to_string(p->Grade());
  }
  return out;
}

void TPageControler::SetTimerRunning(bool flag) {
  if (flag == timerRunning_) return;
  timerRunning_ = flag;
  const double tick = clock_ ? static_cast<double>(clock_->tickMs()) : 0.0;
  if (flag) {
    startTick_ = tick;
  } else {
    stopTick_ = tick;
  }
}

}  // namespace ruvo::doc
