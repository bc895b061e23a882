#include "core/app/testrun.h"

#include <algorithm>

#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/storage/filenames.h"
#include "core/text/format.h"
#include "core/text/strings.h"

namespace ruvo::app {

using doc::PageKind;
using doc::PageRole;

namespace {
constexpr const char* kNameCaption = "受験者の名前";
constexpr const char* kNameRequired = "必須です";
constexpr const char* kUnanswered = "未解答項目があります。 もどって解答しますか？";
constexpr const char* kReadingStart = "読解計測を始めます。\r\n\r\nいいですか？";
// The longest a page may have stood on screen in a replayed journal (a week).
constexpr std::int64_t kMaxReplayGapMs = 7LL * 24 * 3600 * 1000;
// A name box that gives back the same refused answer this often in a row is answered by
// nobody: a person types something else long before.
constexpr int kMaxSameRefusals = 50;
}  // namespace

// ---- the clock ----------------------------------------------------------------------------

std::int64_t TRunClock::tickMs() {
  if (virtual_) return *virtual_;
  return (real_ ? real_->tickMs() : 0) + offset_;
}

void TRunClock::EndVirtual() {
  if (!virtual_) return;
  offset_ = *virtual_ - (real_ ? real_->tickMs() : 0);
  virtual_.reset();
}

// ---- the replay of a journal ------------------------------------------------------------

struct TTestRun::Replay {
  JournalContents journal;
  std::string path;
  std::size_t next = 1;  // the next event to replay (0 is the Start record)
  const JournalEvent* current = nullptr;
  // The name of the press being replayed: the first name the journal knows of for the
  // press that showed the first page.
  std::string Name() const {
    if (current) return current->name;
    for (const auto& e : journal.events)
      if (!e.name.empty()) return e.name;
    return {};
  }
};

TTestRun::TTestRun(RunModels models, TRunView& view, platform::Clock* clock) : m_(models), view_(view), clock_(clock) {}

TTestRun::~TTestRun() = default;

// ---- lifecycle ----------------------------------------------------------------------------

void TTestRun::ResetTiming() {
  readingStartTick_.reset();
  readingWords_ = 0;
  questionStartTick_.reset();
  endPending_ = false;
  abandoned_ = false;
  phrase_ = -1;
  phrasedPage_ = -1;
  result_.Clear();
  answerColumnsAdded_ = false;
  recordText_.clear();
  // A new document is a new run: its journal is its own.
  journal_.reset();
  journalPath_.clear();
  journalFinished_ = false;
  if (!replay_) clock_.Reset();
}

void TTestRun::ResetRun() {
  answerLog_.clear();
  Rewind();
}

void TTestRun::Rewind() {
  currentPage_ = 0;
  pageOnScreen_ = -1;
  endPending_ = false;
  panelsVisible_ = false;
}

void TTestRun::SetExamineeName(const std::string& name) {
  name_ = name;
  view_.NameChanged(name);
}

bool TTestRun::Finished() const {
  const int n = m_.pages->PageCount();
  if (currentPage_ >= n) return true;
  const doc::TPage* p = m_.pages->Page(currentPage_);
  return p && p->Role() == PageRole::Last;
}

bool TTestRun::HasResults() const { return m_.meter->ReadingCount() > 0 || !answerLog_.empty(); }

RunFacts TTestRun::Facts() { return RunFacts{m_.pages, m_.qa, m_.meter, &answerLog_, name_, clock_.now()}; }

void TTestRun::AddAnswerColumnsOnce() {
  // Added once: a second Copy must write the same two lines again, not grow them.
  if (result_.Empty() || answerColumnsAdded_) return;
  answerColumnsAdded_ = true;
  AddAnswerColumns(result_, *m_.pages, *m_.qa);
}

void TTestRun::BreakOff() {
  const int n = m_.pages->PageCount();
  for (int k = currentPage_ + 1; k < n; ++k) {
    const doc::TPage* p = m_.pages->Page(k);
    if (p && p->Role() == PageRole::Question) m_.meter->AddReading(0, 0);
  }
  currentPage_ = n - 1;
  endPending_ = false;
  press(JournalEvent::Type::BreakOff);
}

// ---- one press ----------------------------------------------------------------------------

bool TTestRun::ForwardStep() { return press(JournalEvent::Type::Page); }

bool TTestRun::press(JournalEvent::Type type) {
  const Before b = before();
  Press p;
  endedNow_ = false;
  view_.BeginPress();
  const bool moved = step(p);
  view_.EndPress(p.readingConfirmed ? (p.phrased ? 300 : 3000) : 0, abandoned_);
  if (moved) journalPress(b, type);
  return moved;
}

bool TTestRun::step(Press& p) {
  if (abandoned_ || !mayLeavePage()) return false;
  if (endPending_) {
    endPending_ = false;
    leavePage();
    if (HasResults()) {
      endOfTest();
      return true;
    }
  }
  doc::TPage* page = m_.pages->Page(currentPage_);
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
  if (atEndOfTest()) {
    // The answers of a question page are given on it: the test ends when it is left.
    if (page->Role() == PageRole::Question && m_.pages->Setting(doc::stAutoQA) != 0)
      endPending_ = true;
    else if (HasResults())
      endOfTest();
  }
  return true;
}

// ---- the steps ----------------------------------------------------------------------------

void TTestRun::showDisplay(std::size_t caret, ScrollRequest s) { view_.ShowText(display_, caret, s); }

bool TTestRun::mayLeavePage() {
  // Unanswered questions on the panels may send the examinee back. A replayed press went on.
  if (m_.pages->Setting(doc::stAutoQA) == 0 || !panelsVisible_ || replay_) return true;
  if (m_.qa->UnansweredPanelCount() == 0) return true;
  return !view_.AskYesNo(kUnanswered);
}

void TTestRun::countWords(const doc::TPage& page) {
  // Only a timed reading counts its words; an instruction shown phrase by phrase does not.
  if (page.Kind() == PageKind::ReadingStart) readingWords_ += doc::CountWords(rt::plainText(display_));
}

void TTestRun::showNextPhrase(doc::TPage& page) {
  std::size_t caret = 0;
  ++phrase_;
  if (page.ShowNextChunk(display_, caret)) {
    ++currentPage_;
    countWords(page);
    m_.pages->ProgressBar1().visible = false;
  } else {
    m_.pages->ProgressBar1().position = page.ChunkIndex() + 1;
  }
  showDisplay(display_.length(), ScrollRequest::End);
}

void TTestRun::leavePage() {
  if (currentPage_ <= 0) return;
  doc::TPage* prev = m_.pages->Page(currentPage_ - 1);
  if (!prev) return;
  if (prev->Kind() == PageKind::ReadingStart) {
    if (readingStartTick_) finishReading(*prev);
    m_.pages->SetTimerRunning(true);
  } else if (prev->Kind() == PageKind::QuestionTimer) {
    if (questionStartTick_) finishQuestionSection();
  }
}

void TTestRun::finishReading(doc::TPage& page) {
  m_.meter->AddReading(readingWords_, doc::ElapsedSeconds(*readingStartTick_, now()));
  readingStartTick_.reset();
  readingWords_ = 0;
  page.StopChunks();
  m_.pages->ProgressBar1().visible = false;
}

void TTestRun::finishQuestionSection() {
  answerLog_.push_back(std::to_string(doc::ElapsedSeconds(*questionStartTick_, now())));
  questionStartTick_.reset();
}

bool TTestRun::confirmReadingStart(const doc::TPage& page, Press& p) {
  if (page.Kind() != PageKind::ReadingStart || page.PassFlag()) return true;
  if (!replay_ && !view_.AskYesNo(kReadingStart)) return false;
  p.readingConfirmed = true;
  m_.pages->SetTimerRunning(true);
  return true;
}

void TTestRun::showPage(doc::TPage& page, Press& p) {
  if (m_.pages->Setting(doc::stChunks) != 0 && page.PhraseMarkCount() > 0) {
    page.StartChunks();
    p.phrased = true;
  }
  // A new reading counts its own words only.
  if (page.Kind() == PageKind::ReadingStart) readingWords_ = 0;
  updateStatusLine();
  display_ = rt::RichText();
  pageOnScreen_ = currentPage_;
  phrase_ = -1;
  phrasedPage_ = -1;
  showAnswerPanels(page);
  if (page.ChunkIndex() >= 0) {
    phrase_ = 0;
    phrasedPage_ = currentPage_;
    std::size_t caret = 0;
    if (page.ShowNextChunk(display_, caret)) {
      ++currentPage_;
      countWords(page);
    }
  } else {
    rt::Range sel{0, 0};
    page.Show(display_, sel);
  }
  showDisplay(0, ScrollRequest::Top);
  startTiming(page);
  if (page.Kind() == PageKind::Name && !askName()) {
    // Nobody answers the name box: the run stops on the name page.
    abandoned_ = true;
    view_.Stopped();
    return;
  }
  if (readingStartTick_ && !p.phrased) countWords(page);
  if (!p.phrased) ++currentPage_;
}

void TTestRun::updateStatusLine() {
  std::string s;
  int glyphs = 0;
  for (int i = 0; i < m_.pages->PageCount(); ++i) {
    const doc::TPage* p = m_.pages->Page(i);
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
  // The last page has no glyph: a break-off shows it as the last of the glyphs, not one beyond.
  view_.ShowStatus(text::format("%D / %D", {std::min(currentPage_ + 1, glyphs), glyphs}), s);
}

void TTestRun::showAnswerPanels(const doc::TPage& page) {
  if (m_.pages->Setting(doc::stAutoQA) == 0) return;
  m_.qa->RemovePanels();
  const bool question = page.Role() == PageRole::Question;
  if (question) m_.qa->ShowPagePanels(currentPage_);
  m_.qa->SetHostVisible(question);
  panelsVisible_ = question;
  view_.ShowAnswerPanels(question);
}

void TTestRun::startTiming(const doc::TPage& page) {
  if (page.Kind() == PageKind::ReadingStart)
    readingStartTick_ = now();
  else if (page.Kind() == PageKind::QuestionTimer)
    questionStartTick_ = now();
}

bool TTestRun::askName() {
  view_.ShowNameBox(true);
  std::string prompt = m_.pages->Property(doc::prNaming);
  if (prompt.empty()) prompt = "番号か名前を入力";
  const bool first = name_.empty();
  const std::string def = first ? kNameRequired : name_;
  bool named = false;
  std::optional<std::string> previous;
  int same = 0;
  for (;;) {
    const std::optional<std::string> typed =
        replay_ ? std::optional<std::string>(replay_->Name()) : view_.AskName(kNameCaption, prompt, def);
    const std::string name = text::trim(typed ? *typed : def);
    if (!name.empty() && !(first && name == kNameRequired)) {
      SetExamineeName(name);
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
  view_.ShowNameBox(false);
  return named;
}

bool TTestRun::atEndOfTest() const {
  const int n = m_.pages->PageCount();
  return currentPage_ == n || (currentPage_ < n && m_.pages->Page(currentPage_)->Role() == PageRole::Last);
}

void TTestRun::endOfTest() {
  m_.pages->SetTimerRunning(false);
  rt::RichText record;
  WriteResultSection(Facts(), record, result_);
  answerColumnsAdded_ = false;
  recordText_ = rt::plainText(record);
  endedNow_ = true;
  ++currentPage_;
  view_.Ended(record, m_.pages->Setting(doc::stAutoQA) != 0);
}

// ---- the journal --------------------------------------------------------------------------

TTestRun::Before TTestRun::before() const {
  Before b;
  b.page = pageOnScreen_;
  b.phrase = phrasedPage_ == pageOnScreen_ ? phrase_ : -1;
  if (const doc::TPage* p = m_.pages->Page(pageOnScreen_)) b.kind = doc::KindNumber(p->Kind());
  b.readings = m_.meter->ReadingCount();
  return b;
}

void TTestRun::SetJournal(std::string folder, JournalTest test) {
  journalFolder_ = std::move(folder);
  journalTest_ = std::move(test);
}

bool TTestRun::appendToJournal(const JournalEvent& e) {
  if (replay_ || journalFolder_.empty() || journalFinished_) return false;
  if (!journal_) {
    auto w = std::make_unique<TRunJournalWriter>();
    const std::string stem = text::trim(storage::BaseNameOf(journalTest_.file)) + "_" + FormatFileStamp(clock_.now());
    if (auto s = w->Create(journalFolder_, stem); !s.ok()) {
      journalError_ = s.message();
      return false;
    }
    JournalEvent start;
    start.type = JournalEvent::Type::Start;
    start.test = journalTest_;
    start.test.title = m_.pages->Property(doc::prTitle);
    start.tick = startTick_;
    start.date = FormatResultDate(clock_.now());
    if (auto s = w->Append(start); !s.ok()) {
      journalError_ = s.message();
      return false;
    }
    journalPath_ = w->Path();
    journal_ = std::move(w);
  }
  if (auto s = journal_->Append(e); !s.ok()) {
    journalError_ = s.message();
    return false;
  }
  if (journalListener_) journalListener_(e);
  return true;
}

void TTestRun::journalPress(const Before& b, JournalEvent::Type type) {
  const std::int64_t t = now();
  // The first press shows the first page: nothing ended yet, the run's time starts here.
  if (b.page < 0) {
    startTick_ = shownTick_ = pageShownTick_ = t;
    return;
  }
  JournalEvent e;
  e.type = type;
  e.page = b.page;
  e.kind = b.kind;
  e.tick = t;
  e.name = name_;
  e.date = FormatResultDate(clock_.now());
  if (type != JournalEvent::Type::BreakOff && b.phrase >= 0 && pageOnScreen_ == b.page && !endedNow_) {
    // A phrase gave way to the next phrase (or to the whole text) of the same page.
    e.type = JournalEvent::Type::Phrase;
    e.phrase = b.phrase;
    e.ms = t - shownTick_;
    appendToJournal(e);
    shownTick_ = t;
    return;
  }
  if (b.phrase >= 0) {
    // The last part of a page shown phrase by phrase ends with the page: it shares its press.
    JournalEvent last = e;
    last.type = JournalEvent::Type::Phrase;
    last.phrase = b.phrase;
    last.ms = t - shownTick_;
    last.press = false;
    appendToJournal(last);
  }
  e.ms = t - pageShownTick_;
  if (m_.meter->ReadingCount() > b.readings) {
    const doc::TWPM* r = m_.meter->ReadingAt(m_.meter->ReadingCount() - 1);
    e.words = r->Words;
    e.seconds = r->Seconds;
  }
  for (int k = 0; k < m_.qa->Count(); ++k) {
    const doc::TQAItem* item = m_.qa->Item(k);
    if (item->PageIndex() != b.page) continue;
    JournalAnswer a;
    a.q = k + 1;
    a.answer = item->Answer();
    a.typed = item->TypedText();
    a.score = item->Correct() >= 0 && item->IsAnswered() ? item->ScoreText() : "";
    e.answers.push_back(std::move(a));
  }
  appendToJournal(e);
  shownTick_ = pageShownTick_ = t;
}

void TTestRun::MarkFinished(const std::string& resultFile) {
  if (!journal_ || journalFinished_) return;
  JournalEvent e;
  e.type = JournalEvent::Type::Finished;
  e.resultFile = resultFile;
  e.date = FormatResultDate(clock_.now());
  if (auto s = journal_->Append(e); !s.ok()) journalError_ = s.message();
  journalFinished_ = true;
}

// ---- resume -------------------------------------------------------------------------------

void TTestRun::PrepareResume(const std::string& path, const JournalContents& journal) {
  // Ticks far from any clock's would overflow the offset of the resumed clock.
  constexpr std::int64_t kFar = std::int64_t{1} << 60;
  if (journal.events.empty() || journal.events.front().tick > kFar || journal.events.front().tick < -kFar) return;
  replay_ = std::make_unique<Replay>();
  replay_->journal = journal;
  replay_->path = path;
  clock_.Reset();
  clock_.SetVirtual(journal.events.front().tick);
}

void TTestRun::applyAnswers(const JournalEvent& e) {
  // A journal is a file like any other: only answers the question could have been given.
  for (const auto& a : e.answers) {
    doc::TQAItem* item = a.q >= 1 ? m_.qa->Item(a.q - 1) : nullptr;
    if (!item || item->PageIndex() != e.page || e.page != pageOnScreen_) continue;
    if (item->ChoiceCount() == 0 && a.answer == doc::kTypedAnswer)
      item->SetTypedText(a.typed);
    else if (a.answer == -1 || (a.answer >= 1 && a.answer <= item->ChoiceCount()))
      item->SetAnswer(a.answer);
  }
}

void TTestRun::FinishResume() {
  if (!replay_) return;
  // The parse's first press ran in the journal's time; the pages and phrases ended since
  // are pressed again at their own ticks.
  const JournalContents& j = replay_->journal;
  std::int64_t last = j.events.front().tick;
  for (std::size_t i = 1; i < j.events.size(); ++i) {
    const JournalEvent& e = j.events[i];
    if (!e.press || (e.type != JournalEvent::Type::Page && e.type != JournalEvent::Type::Phrase &&
                     e.type != JournalEvent::Type::BreakOff))
      continue;
    // Time runs forward, and no run takes years: a journal saying otherwise is replayed no
    // further.
    if (e.tick < last || e.tick - last > kMaxReplayGapMs) break;
    replay_->current = &e;
    // Answers come with the page event; a phrase press on a question page gives none.
    if (e.type == JournalEvent::Type::Page) applyAnswers(e);
    clock_.SetVirtual(e.tick);
    if (e.type == JournalEvent::Type::BreakOff)
      BreakOff();
    else
      ForwardStep();
    last = e.tick;
  }
  // What follows is timed from the last press, in the platform's ticks moved on to it.
  clock_.SetVirtual(last);
  clock_.EndVirtual();
  // Later events follow in the same file, after its last whole record.
  auto w = std::make_unique<TRunJournalWriter>();
  if (auto s = w->Reopen(replay_->path, j.validBytes); s.ok()) {
    journalPath_ = w->Path();
    journal_ = std::move(w);
  } else {
    journalError_ = s.message();
  }
  replay_.reset();
}

}  // namespace ruvo::app
