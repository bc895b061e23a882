#pragma once
// The test run driver: the examinee walks a test forward, one press of Forward at a time.
// Each press ends the page on screen (its reading or question section is timed), shows the
// next page (or the next phrase of a page shown phrase by phrase), asks for the name on the
// name page, and at the end of the test produces the result record under the page.
//
// The driver keeps the run's own state; what the window shows (the test view, the actions,
// the timers) stays in the main-window model, which owns the driver.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ruvo::doc {
class TPage;
}

namespace ruvo::app {

class TForm1Model;

class TRunDriver final {
 public:
  explicit TRunDriver(TForm1Model& model) : m_(model) {}
  TRunDriver(const TRunDriver&) = delete;
  TRunDriver& operator=(const TRunDriver&) = delete;

  // A document is parsed: nothing is timed, no words are counted, no end is pending.
  void ResetTiming();
  // Back to the first page with an empty answer log (FCurrentPage 0).
  void ResetRun();
  // Back to the first page; the answer log stays (an edit of the document).
  void Rewind();

  // One press of Forward; true when the run moved on (a page or a phrase was shown, or the
  // test ended).
  bool ForwardStep();
  // Break-off: the question pages not reached count as unread readings and the run goes to
  // its end.
  void BreakOff();

  // FCurrentPage: the next page to show.
  int CurrentPage() const { return currentPage_; }
  // The page now in RichEdit1 (-1 before the first).
  int PageOnScreen() const { return pageOnScreen_; }
  // FAnswerLog: the seconds of each timed question section.
  const std::vector<std::string>& AnswerLog() const { return answerLog_; }
  // Past the pages or at the last page.
  bool Finished() const;
  // Readings or question sections were recorded.
  bool HasResults() const;
  // The name box never got a name (nobody answers it): the run cannot go on.
  bool Abandoned() const { return abandoned_; }

 private:
  struct Press {
    bool wasEnabled = false;        // acForward before the press
    bool readingConfirmed = false;  // Forward stays locked for a while
    bool phrased = false;           // the page is shown phrase by phrase
  };
  void begin(Press& p);
  bool step(Press& p);
  void finish(const Press& p);

  // The named steps of a press, in the order they run.
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
  std::int64_t now() const;

  TForm1Model& m_;
  int currentPage_ = 0;
  int pageOnScreen_ = -1;
  // Empty while nothing is timed (a tick of 0 is a real time on a monotonic clock).
  std::optional<std::int64_t> readingStartTick_;
  int readingWords_ = 0;
  std::optional<std::int64_t> questionStartTick_;
  std::vector<std::string> answerLog_;
  // A question page stands last: the test ends when the examinee leaves it, once the
  // answers are in.
  bool endPending_ = false;
  bool abandoned_ = false;
};

}  // namespace ruvo::app
