#pragma once
// One examinee's run over a parsed test: the examinee walks it forward, one press of Forward
// at a time. Each press ends the page on screen (its reading or question section is timed),
// shows the next page (or the next phrase of a page shown phrase by phrase), asks for the
// name on the name page, and at the end of the test produces the result record.
//
// The run holds all of its own state (the page reached, the timings, the answer log, the
// name, the result columns) and talks to whoever shows it through TRunView alone; the main
// window, `ruvo-tool simulate` and the web room each implement the view. It reads and
// answers the document models it is given and never touches a window.
//
// Every press that ends a page or a phrase is journaled when a journal folder is set (see
// runjournal.h); Resume() replays a journal into a fresh run.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/app/resultrecord.h"
#include "core/app/runjournal.h"
#include "core/platform/ports.h"
#include "core/richtext/richtext.h"

namespace ruvo::doc {
class TPage;
class TPageControler;
class TQAControler;
class TWPMMeter;
}  // namespace ruvo::doc

namespace ruvo::app {

// Where the view should scroll after a change of the text.
enum class ScrollRequest : std::uint8_t { None, Top, End };

// What a run needs of the one who shows it.
class TRunView {
 public:
  virtual ~TRunView() = default;
  // A press begins (Forward is locked meanwhile) and ends. lockMs > 0: Forward stays locked
  // that long (a reading just started); otherwise it is given back unless the run stopped.
  virtual void BeginPress() {}
  virtual void EndPress(int /*lockMs*/, bool /*stopped*/) {}
  // The page or phrase on screen: the whole text at the base font size.
  virtual void ShowText(const rt::RichText& /*text*/, std::size_t /*caret*/, ScrollRequest /*scroll*/) {}
  // The status line: "3 / 12" and the row of page glyphs.
  virtual void ShowStatus(const std::string& /*counter*/, const std::string& /*glyphs*/) {}
  // The answer panels of the page on screen shown or hidden.
  virtual void ShowAnswerPanels(bool /*visible*/) {}
  // The name box is up (the page text is hidden meanwhile) or down.
  virtual void ShowNameBox(bool /*up*/) {}
  // The name box itself; nullopt when it was cancelled.
  virtual std::optional<std::string> AskName(const std::string& caption, const std::string& prompt,
                                             const std::string& def) = 0;
  // A Yes/No question; true for Yes.
  virtual bool AskYesNo(const std::string& question) = 0;
  virtual void NameChanged(const std::string& /*name*/) {}
  // The run stopped on the name page: nobody answers the name box.
  virtual void Stopped() {}
  // The end of the test: the record under the page, and whether Copy is offered.
  virtual void Ended(const rt::RichText& /*record*/, bool /*copyOffered*/) {}
};

// The models a run reads and answers: the parsed test's pages and questions and the meter
// that takes the readings.
struct RunModels {
  doc::TPageControler* pages = nullptr;
  doc::TQAControler* qa = nullptr;
  doc::TWPMMeter* meter = nullptr;
};

// The monotonic clock of a run: the platform's ticks moved by an offset, so that a resumed
// run goes on from the tick its journal ended at; during a replay, the journal's own ticks.
class TRunClock final : public platform::Clock {
 public:
  explicit TRunClock(platform::Clock* real) : real_(real) {}
  std::int64_t tickMs() override;
  platform::DateTime now() override { return real_ ? real_->now() : platform::DateTime{}; }
  void SetVirtual(std::int64_t tick) { virtual_ = tick; }
  // Back to the platform's ticks, continuing from the last virtual one.
  void EndVirtual();
  void Reset() {
    virtual_.reset();
    offset_ = 0;
  }

 private:
  platform::Clock* real_;
  std::optional<std::int64_t> virtual_;
  std::int64_t offset_ = 0;
};

class TTestRun final {
 public:
  TTestRun(RunModels models, TRunView& view, platform::Clock* clock);
  ~TTestRun();
  TTestRun(const TTestRun&) = delete;
  TTestRun& operator=(const TTestRun&) = delete;

  // The run's clock (the page controller's test clock must tick by it too).
  platform::Clock& Clock() { return clock_; }

  // ---- journal ---------------------------------------------------------------------------
  // Journal the run into this folder as TestIdentity names the test ("" folder: no journal).
  void SetJournal(std::string folder, JournalTest test);
  const std::string& JournalPath() const { return journalPath_; }
  // A journal could not be written (the run goes on without it).
  const std::string& JournalError() const { return journalError_; }
  // Told of every event once it is on the disk.
  void SetJournalListener(std::function<void(const JournalEvent&)> f) { journalListener_ = std::move(f); }
  // The result file of the run was written: the journal is closed as finished.
  void MarkFinished(const std::string& resultFile);

  // ---- lifecycle -------------------------------------------------------------------------
  // A document is parsed: nothing is timed, no words are counted, no end is pending, and
  // the result of the previous run is gone.
  void ResetTiming();
  // Back to the first page with an empty answer log.
  void ResetRun();
  // Back to the first page; the answer log stays (an edit of the document).
  void Rewind();
  // Before the document is parsed again: the first press and the presses of this journal
  // are replayed in its own time, then the run goes on where it stopped (FinishResume).
  void PrepareResume(const std::string& path, const JournalContents& journal);
  bool Resuming() const { return replay_ != nullptr; }
  // After the parse showed the first page: the remaining presses; the journal is appended.
  void FinishResume();

  // One press of Forward; true when the run moved on.
  bool ForwardStep();
  // Break-off: the question pages not reached count as unread readings and the run goes
  // to its end.
  void BreakOff();

  // ---- state -----------------------------------------------------------------------------
  int CurrentPage() const { return currentPage_; }
  int PageOnScreen() const { return pageOnScreen_; }
  const std::vector<std::string>& AnswerLog() const { return answerLog_; }
  bool Finished() const;
  bool HasResults() const;
  bool Abandoned() const { return abandoned_; }
  const std::string& ExamineeName() const { return name_; }
  void SetExamineeName(const std::string& name);
  bool PanelsVisible() const { return panelsVisible_; }

  // The result record: the columns (ans, scr and mj join once, when the file is written).
  TResultColumns& Result() { return result_; }
  const TResultColumns& Result() const { return result_; }
  void AddAnswerColumnsOnce();
  const std::string& RecordText() const { return recordText_; }
  RunFacts Facts();

 private:
  struct Press {
    bool readingConfirmed = false;  // Forward stays locked for a while
    bool phrased = false;           // the page is shown phrase by phrase
  };
  bool press(JournalEvent::Type type);
  bool step(Press& p);

  bool mayLeavePage();
  void showNextPhrase(doc::TPage& page);
  void leavePage();
  void finishReading(doc::TPage& page);
  void finishQuestionSection();
  bool confirmReadingStart(const doc::TPage& page, Press& p);
  void showPage(doc::TPage& page, Press& p);
  void updateStatusLine();
  void showAnswerPanels(const doc::TPage& page);
  void startTiming(const doc::TPage& page);
  bool askName();
  bool atEndOfTest() const;
  void endOfTest();
  void countWords(const doc::TPage& page);
  void showDisplay(std::size_t caret, ScrollRequest s);
  std::int64_t now() { return clock_.tickMs(); }

  // The journal of what a press ended.
  struct Before {
    int page = -1;
    int phrase = -1;
    int kind = 0;
    int readings = 0;
  };
  Before before() const;
  void journalPress(const Before& b, JournalEvent::Type type);
  bool appendToJournal(const JournalEvent& e);
  void applyAnswers(const JournalEvent& e);

  RunModels m_;
  TRunView& view_;
  TRunClock clock_;

  int currentPage_ = 0;
  int pageOnScreen_ = -1;
  // Empty while nothing is timed (a tick of 0 is a real time on a monotonic clock).
  std::optional<std::int64_t> readingStartTick_;
  int readingWords_ = 0;
  std::optional<std::int64_t> questionStartTick_;
  std::vector<std::string> answerLog_;
  // A question page stands last: the test ends when the examinee leaves it.
  bool endPending_ = false;
  bool abandoned_ = false;
  bool panelsVisible_ = false;
  std::string name_;
  rt::RichText display_;  // the page or phrase on screen, base font size
  // The phrase on screen of a page shown phrase by phrase (-1: the page shows whole).
  int phrase_ = -1;
  int phrasedPage_ = -1;            // the page whose phrases are on screen
  std::int64_t startTick_ = 0;      // the first page appeared
  std::int64_t shownTick_ = 0;      // the page or phrase on screen appeared
  std::int64_t pageShownTick_ = 0;  // the page on screen appeared
  bool endedNow_ = false;           // this press ended the test

  TResultColumns result_;
  bool answerColumnsAdded_ = false;
  std::string recordText_;

  std::string journalFolder_;
  JournalTest journalTest_;
  std::unique_ptr<TRunJournalWriter> journal_;
  std::string journalPath_;
  std::string journalError_;
  bool journalFinished_ = false;
  std::function<void(const JournalEvent&)> journalListener_;

  struct Replay;
  std::unique_ptr<Replay> replay_;
};

}  // namespace ruvo::app
