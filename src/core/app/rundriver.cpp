#include "core/app/rundriver.h"

#include <algorithm>

#include "core/app/form1model.h"
#include "core/app/resultrecord.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/text/format.h"
#include "core/text/strings.h"

namespace ruvo::app {

using doc::PageKind;
using doc::PageRole;

namespace {
constexpr rt::Color kGrey = 0x808080;
constexpr const char* kNameCaption = "受験者の名前";
constexpr const char* kNameRequired = "必須です";
// A name box that gives back the same refused answer this often in a row is answered by
// nobody: a person types something else long before.
constexpr int kMaxSameRefusals = 50;
}  // namespace

void TRunDriver::ResetTiming() {
  readingStartTick_.reset();
  readingWords_ = 0;
  questionStartTick_.reset();
  endPending_ = false;
  abandoned_ = false;
}

void TRunDriver::ResetRun() {
  answerLog_.clear();
  Rewind();
}

void TRunDriver::Rewind() {
  currentPage_ = 0;
  pageOnScreen_ = -1;
  endPending_ = false;
}

bool TRunDriver::Finished() const {
  const int n = m_.pages_->PageCount();
  if (currentPage_ >= n) return true;
  const doc::TPage* p = m_.pages_->Page(currentPage_);
  return p && p->Role() == PageRole::Last;
}

bool TRunDriver::HasResults() const { return m_.meter_->ReadingCount() > 0 || !answerLog_.empty(); }

std::int64_t TRunDriver::now() const { return m_.ports_.clock ? m_.ports_.clock->tickMs() : 0; }

void TRunDriver::BreakOff() {
  const int n = m_.pages_->PageCount();
  for (int k = currentPage_ + 1; k < n; ++k) {
    const doc::TPage* p = m_.pages_->Page(k);
    if (p && p->Role() == PageRole::Question) m_.meter_->AddReading(0, 0);
  }
  currentPage_ = n - 1;
  endPending_ = false;
  ForwardStep();
}

// ---- one press ---------------------------------------------------------------------------

bool TRunDriver::ForwardStep() {
  Press p;
  begin(p);
  const bool moved = step(p);
  finish(p);
  return moved;
}

void TRunDriver::begin(Press& p) {
  p.wasEnabled = m_.acForward_.enabled;
  m_.acForward_.enabled = false;
  if (m_.view_) m_.view_->SetRepaintSuspended(true);
  m_.SetViewMode(vmTest);
  m_.test_.caret = 0;
}

bool TRunDriver::step(Press& p) {
  if (abandoned_ || !mayLeavePage()) return false;
  if (endPending_) {
    endPending_ = false;
    leavePage();
    if (HasResults()) {
      endOfTest();
      return true;
    }
  }
  doc::TPage* page = m_.pages_->Page(currentPage_);
  if (!page) return false;
  if (page->ChunkIndex() >= 0) {
    p.phrased = true;
    showNextPhrase(*page);
    return true;
  }
  leavePage();
  if (!confirmReadingStart(*page, p)) return false;
  showPage(*page, p);
  if (abandoned_) return true;
  m_.ChangeFontLevel(0);
  if (atEndOfTest()) {
    // The answers of a question page are given on it: the test ends when it is left.
    if (page->Role() == PageRole::Question && m_.pages_->Setting(doc::stAutoQA) != 0)
      endPending_ = true;
    else if (HasResults())
      endOfTest();
  }
  m_.test_.caret = 0;
  m_.scrollTo(ScrollRequest::Top);
  return true;
}

void TRunDriver::finish(const Press& p) {
  m_.test_.progressBar1 = m_.pages_->ProgressBar1();
  if (p.readingConfirmed)
    m_.startTimer2(p.phrased ? 300 : 3000);
  else
    m_.acForward_.enabled = p.wasEnabled && !abandoned_;
  if (m_.view_) m_.view_->SetRepaintSuspended(false);
  m_.changed();
}

// ---- the steps ---------------------------------------------------------------------------

bool TRunDriver::mayLeavePage() {
  // Unanswered questions on the panels may send the examinee back.
  if (m_.pages_->Setting(doc::stAutoQA) == 0 || !m_.test_.panel5Visible) return true;
  if (m_.qa_->UnansweredPanelCount() == 0 || !m_.ports_.dialogs) return true;
  return m_.ports_.dialogs->askYesNo("未解答項目があります。 もどって解答しますか？") != platform::Answer::Yes;
}

void TRunDriver::countWords(const doc::TPage& page) {
  // Only a timed reading counts its words; an instruction shown phrase by phrase does not.
  if (page.Kind() == PageKind::ReadingStart) readingWords_ += doc::CountWords(rt::plainText(m_.test_.richEdit1));
}

void TRunDriver::showNextPhrase(doc::TPage& page) {
  std::size_t caret = 0;
  if (page.ShowNextChunk(m_.test_.richEdit1, caret)) {
    ++currentPage_;
    countWords(page);
    m_.pages_->ProgressBar1().visible = false;
  } else {
    m_.ChangeFontLevel(0);
    m_.pages_->ProgressBar1().position = page.ChunkIndex() + 1;
  }
  m_.test_.caret = m_.test_.richEdit1.length();
  m_.scrollTo(ScrollRequest::End);
}

void TRunDriver::leavePage() {
  if (currentPage_ <= 0) return;
  doc::TPage* prev = m_.pages_->Page(currentPage_ - 1);
  if (!prev) return;
  if (prev->Kind() == PageKind::ReadingStart) {
    if (readingStartTick_) finishReading(*prev);
    m_.pages_->SetTimerRunning(true);
  } else if (prev->Kind() == PageKind::QuestionTimer) {
    if (questionStartTick_) finishQuestionSection();
  }
}

void TRunDriver::finishReading(doc::TPage& page) {
  m_.meter_->AddReading(readingWords_, doc::ElapsedSeconds(*readingStartTick_, now()));
  readingStartTick_.reset();
  readingWords_ = 0;
  page.StopChunks();
  m_.pages_->ProgressBar1().visible = false;
}

void TRunDriver::finishQuestionSection() {
  answerLog_.push_back(std::to_string(doc::ElapsedSeconds(*questionStartTick_, now())));
  questionStartTick_.reset();
}

bool TRunDriver::confirmReadingStart(const doc::TPage& page, Press& p) {
  if (page.Kind() != PageKind::ReadingStart || page.PassFlag()) return true;
  if (!m_.ports_.dialogs ||
      m_.ports_.dialogs->askYesNo("読解計測を始めます。\r\n\r\nいいですか？") != platform::Answer::Yes)
    return false;
  p.readingConfirmed = true;
  m_.pages_->SetTimerRunning(true);
  return true;
}

void TRunDriver::showPage(doc::TPage& page, Press& p) {
  if (m_.pages_->Setting(doc::stChunks) != 0 && page.PhraseMarkCount() > 0) {
    page.StartChunks();
    p.phrased = true;
  }
  // A new reading counts its own words only.
  if (page.Kind() == PageKind::ReadingStart) readingWords_ = 0;
  updateStatusLine();
  m_.clearRichEdit1();
  pageOnScreen_ = currentPage_;
  showAnswerPanels(page);
  if (page.ChunkIndex() >= 0) {
    std::size_t caret = 0;
    if (page.ShowNextChunk(m_.test_.richEdit1, caret)) {
      ++currentPage_;
      countWords(page);
    }
  } else {
    rt::Range sel{0, 0};
    page.Show(m_.test_.richEdit1, sel);
  }
  startTiming(page);
  if (page.Kind() == PageKind::Name && !askName()) {
    // Nobody answers the name box: the run stops on the name page.
    abandoned_ = true;
    m_.test_.speedButton1Visible = false;
    return;
  }
  if (readingStartTick_ && !p.phrased) countWords(page);
  if (!p.phrased) ++currentPage_;
}

void TRunDriver::updateStatusLine() {
  std::string s;
  int glyphs = 0;
  for (int i = 0; i < m_.pages_->PageCount(); ++i) {
    const doc::TPage* p = m_.pages_->Page(i);
    if (p->Role() == PageRole::Last) break;
    const bool reached = i <= currentPage_;
    if (p->Kind() == PageKind::ReadingStart)
      s += reached ? "★" : "☆";
    else if (p->Role() == PageRole::Question)
      s += reached ? "▼" : "▽";
    else
      s += reached ? "■" : "□";
    if (++glyphs % 30 == 0) s += "　\n";
  }
  TestViewState& t = m_.test_;
  t.label2.text = s;
  t.label2.color = kGrey;
  t.label2.left = 22;
  t.label1.color = 0x000000;
  // The last page has no glyph: a break-off shows it as the last of the glyphs, not one beyond.
  t.label1.text = text::format("%D / %D", {std::min(currentPage_ + 1, glyphs), glyphs});
}

void TRunDriver::showAnswerPanels(const doc::TPage& page) {
  if (m_.pages_->Setting(doc::stAutoQA) == 0) return;
  m_.qa_->RemovePanels();
  const bool question = page.Role() == PageRole::Question;
  if (question) m_.qa_->ShowPagePanels(currentPage_);
  m_.qa_->SetHostVisible(question);
  m_.test_.panel5Visible = question;
  m_.test_.panel11Visible = question;
}

void TRunDriver::startTiming(const doc::TPage& page) {
  if (page.Kind() == PageKind::ReadingStart)
    readingStartTick_ = now();
  else if (page.Kind() == PageKind::QuestionTimer)
    questionStartTick_ = now();
}

bool TRunDriver::askName() {
  TestViewState& t = m_.test_;
  t.nameBoxUp = true;
  t.richEdit1Visible = false;
  if (m_.view_) m_.view_->SetRepaintSuspended(false);
  m_.changed();
  std::string prompt = m_.pages_->Property(doc::prNaming);
  if (prompt.empty()) prompt = "番号か名前を入力";
  const bool first = m_.examineeName_.empty();
  const std::string def = first ? kNameRequired : m_.examineeName_;
  platform::Dialogs* d = m_.ports_.dialogs;
  bool named = false;
  std::optional<std::string> previous;
  int same = 0;
  while (d) {
    const std::optional<std::string> typed = d->input(kNameCaption, prompt, def);
    const std::string name = text::trim(typed ? *typed : def);
    if (!name.empty() && !(first && name == kNameRequired)) {
      m_.SetExamineeName(name);
      named = true;
      break;
    }
    if (same > 0 && typed == previous) {
      if (++same >= kMaxSameRefusals) break;
    } else {
      same = 1;
      previous = typed;
    }
  }
  t.nameBoxUp = false;
  t.richEdit1Visible = true;
  m_.changed();
  return named;
}

bool TRunDriver::atEndOfTest() const {
  const int n = m_.pages_->PageCount();
  return currentPage_ == n || (currentPage_ < n && m_.pages_->Page(currentPage_)->Role() == PageRole::Last);
}

void TRunDriver::endOfTest() {
  m_.pages_->SetTimerRunning(false);
  rt::RichText record;
  WriteResultSection(m_.runFacts(), record, m_.result_);
  m_.resultColumnsAdded_ = false;
  m_.lastRecordText_ = rt::plainText(record);
  // The record goes under the page at the display's font level.
  m_.scaleToFontLevel(record);
  m_.appendToRichEdit1(record);
  if (m_.pages_->Setting(doc::stAutoQA) == 0) {
    m_.test_.speedButton1Visible = false;
  } else {
    m_.test_.speedButton1Action = ForwardBinding::acCopyRec;
    m_.test_.checkBox3Visible = true;
  }
  ++currentPage_;
  m_.test_.caret = 0;
  m_.scrollTo(ScrollRequest::Top);
}

}  // namespace ruvo::app
