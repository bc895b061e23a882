// The main-window model's side of the examinee's run: the run view that puts what the run
// shows into the test view's state, and the offer to go on with an unfinished run.
#include <memory>
#include <string>
#include <vector>

#include "core/app/form1model.h"
#include "core/app/runjournal.h"
#include "core/document/pagecontroler.h"

namespace ruvo::app {
namespace {
constexpr rt::Color kGrey = 0x808080;
constexpr const char* kTwoBreaks = "\r\n\r\n";
}  // namespace

// What the run shows goes to the test view's state.
struct TForm1Model::RunView final : TRunView {
  explicit RunView(TForm1Model& m) : m(m) {}
  void BeginPress() override {
    m.forwardWasEnabled_ = m.acForward_.enabled;
    m.acForward_.enabled = false;
    if (m.view_) m.view_->SetRepaintSuspended(true);
    m.SetViewMode(vmTest);
    m.test_.caret = 0;
  }
  void EndPress(int lockMs, bool stopped) override {
    m.test_.progressBar1 = m.doc_->Pages().ProgressBar1();
    if (lockMs > 0)
      m.startTimer2(lockMs);
    else
      m.acForward_.enabled = m.forwardWasEnabled_ && !stopped;
    if (m.view_) m.view_->SetRepaintSuspended(false);
    m.changed();
  }
  void ShowText(const rt::RichText& text, std::size_t caret, ScrollRequest scroll) override {
    m.test_.richEdit1 = text;
    m.scaleToFontLevel(m.test_.richEdit1);
    m.test_.caret = caret;
    m.scrollTo(scroll);
  }
  void ShowStatus(const std::string& counter, const std::string& glyphs) override {
    TestViewState& t = m.test_;
    t.label2.text = glyphs;
    t.label2.color = kGrey;
    t.label2.left = 22;
    t.label1.color = 0x000000;
    t.label1.text = counter;
  }
  void ShowAnswerPanels(bool visible) override {
    m.test_.panel5Visible = visible;
    m.test_.panel11Visible = visible;
  }
  void ShowNameBox(bool up) override {
    m.test_.nameBoxUp = up;
    m.test_.richEdit1Visible = !up;
    if (up && m.view_) m.view_->SetRepaintSuspended(false);
    m.changed();
  }
  std::optional<std::string> AskName(const std::string& caption, const std::string& prompt,
                                     const std::string& def) override {
    return m.ports_.dialogs->input(caption, prompt, def);
  }
  bool AskYesNo(const std::string& question) override {
    return m.ports_.dialogs->askYesNo(question) == platform::Answer::Yes;
  }
  void NameChanged(const std::string& name) override {
    m.test_.label3.text = name;
    m.changed();
  }
  void Stopped() override { m.test_.speedButton1Visible = false; }
  void Ended(const rt::RichText& record, bool copyOffered) override {
    // The record goes under the page at the display's font level.
    rt::RichText r = record;
    m.scaleToFontLevel(r);
    m.appendToRichEdit1(r);
    if (!copyOffered) {
      m.test_.speedButton1Visible = false;
    } else {
      m.test_.speedButton1Action = ForwardBinding::acCopyRec;
      m.test_.checkBox3Visible = true;
    }
    m.test_.caret = 0;
    m.scrollTo(ScrollRequest::Top);
  }
  TForm1Model& m;
};

std::unique_ptr<TRunView> TForm1Model::makeRunView() { return std::make_unique<RunView>(*this); }

std::string TForm1Model::journalFolder() const { return journalFolder_.empty() ? ReportFolder() : journalFolder_; }

bool TForm1Model::offerResume(const std::string& path, const JournalTest& test) {
  (void)path;
  if (!resumeOffered_) return false;
  const std::vector<std::string> found = FindUnfinishedJournals(journalFolder(), test);
  if (found.empty()) return false;
  // The latest unfinished run is the one the examinee was taking.
  const std::string& latest = found.back();
  JournalContents contents;
  if (!ReadJournalFile(latest, contents).ok()) return false;
  const bool yes = ports_.dialogs->askYesNo(std::string("前回の受験が 途中で終わっています。") + kTwoBreaks +
                                            "続きから 再開しますか？") == platform::Answer::Yes;
  if (!yes) {
    // Starting afresh keeps the old journal, marked so that it is not offered again.
    TRunJournalWriter w;
    JournalEvent e;
    e.type = JournalEvent::Type::SetAside;
    e.date = FormatResultDate(endDate());
    if (w.Reopen(latest, contents.validBytes).ok()) (void)w.Append(e);
    return false;
  }
  run_->PrepareResume(latest, contents);
  return true;
}

}  // namespace ruvo::app
