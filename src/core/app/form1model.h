#pragma once
// The main window without widgets: every field, action and piece of display state of TForm1
// lives here, so that a test can walk a whole test run without a display and the window only
// renders what this model holds. The model owns the concerns it delegates to: the test run is
// the run object's (testrun.h), which the model shows through its run view; the result record
// is built by resultrecord.h.
//
// How a window binds to it:
//  - Construct with the ports and the program folder; call Create() (the create step), then
//    Show() (the show step) once the window is on screen.
//  - Implement TForm1View and pass it to SetView(); ModelChanged() fires after every action or
//    tick that changed something the window shows: re-read the state accessors and repaint.
//  - Route the window's controls to the action entry points (acForward(), acBigLetter(), ...)
//    and the timers to Timer1Timer() / Timer2Timer() / tmSnaileTimer().
//  - The model never touches a widget; everything it needs of a person goes through the ports
//    (Dialogs for message boxes, the name box and the confirmations; Clock; Clipboard; Shell;
//    Screen for placement).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/app/resultrecord.h"
#include "core/app/settings.h"
#include "core/app/testrun.h"
#include "core/app/totalsport.h"
#include "core/document/document.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/platform/ports.h"
#include "core/richtext/richtext.h"

namespace ruvo::doc {
class TWPMMeter;
struct DocumentPorts;
}  // namespace ruvo::doc

namespace ruvo::authoring {
class TAuthoringModel;
}  // namespace ruvo::authoring

namespace ruvo::app {

// View modes of the main window; set only through SetViewMode.
enum TViewMode : std::uint8_t { vmNone = 0, vmTest = 1, vmTotals = 2, vmEditing = 3 };

// Which sheet of PageControl1 is shown.
enum class Sheet : std::uint8_t { tsMain, tsEdit };

// The action SpeedButton1 (the big button at the bottom right) runs.
enum class ForwardBinding : std::uint8_t { acForward, acCopyRec };

// A label of the bottom bar.
struct LabelState {
  std::string text;
  rt::Color color = 0x000000;  // 0x00RRGGBB
  bool visible = true;
  int left = -1;  // pixel position when the model fixes it (Label2: 22), -1 = layout decides
  bool operator==(const LabelState&) const = default;
};

// An action's enabled/visible flags and hint (the toolbar, the popup menu and buttons follow them).
struct ActionState {
  bool enabled = true;
  bool visible = true;
  std::string hint;
  bool operator==(const ActionState&) const = default;
};

// A one-shot/periodic window timer as state: the window's QTimer follows it and calls the
// matching tick entry point when it fires.
struct TimerState {
  bool enabled = false;
  int intervalMs = 1000;
  // Bumped every time the model (re)starts the timer, so the window can restart its countdown
  // even when enabled and interval did not change.
  std::uint64_t generation = 0;
  bool operator==(const TimerState&) const = default;
};

// A progress bar as state (ProgressBar2, over the Create button while a compile runs).
struct ProgressState {
  bool visible = false;
  int maximum = 0;
  int position = 0;
  bool operator==(const ProgressState&) const = default;
};

// Display state of the test view (tsMain).
struct TestViewState {
  // RichEdit1's whole text as shown: indent settings applied, font level applied. Lines that
  // begin with " * " are answer links of a question page (IsAnswerLinkLine).
  rt::RichText richEdit1;
  std::size_t caret = 0;  // caret position in richEdit1 (no selection is kept)
  ScrollRequest scroll = ScrollRequest::None;
  std::uint64_t scrollGeneration = 0;  // bumped with every new scroll request
  bool richEdit1Visible = true;        // hidden while the name box is up
  bool readOnly = true;                // RichEdit1 is read-only unless the source is edited
  rt::Color background = -1;           // -1 = the window colour (clWindow); else 0x00RRGGBB
  bool wordWrap = true;
  bool horizontalScrollBar = false;  // vertical scroll bar always; horizontal in vmTotals

  LabelState label1;                 // "3 / 12": page number / number of glyphs
  LabelState label2;                 // status line of page glyphs (grey, left 22); may hold line breaks
  LabelState label3;                 // the examinee's name
  LabelState label26;                // running clock "m:ss" (hidden while the test clock is off)
  doc::PhraseProgress progressBar1;  // the phrase progress of a page shown phrase by phrase

  int fontLevel = 3;                // FFontLevel 0..7, shown on the gauge FFontGauge (range 0..7)
  bool fontButtonsVisible = false;  // SpeedButton2/3 (＋/－) and the gauge

  bool panel5Visible = false;   // host of the answer panels (FQAControler's panels model)
  bool panel11Visible = false;  // hint above the answer panels
  std::string panel11Caption = "回答し終えたら右下の Forward アイコンをクリックして次に進む";

  bool speedButton1Visible = true;  // Forward / Copy
  ForwardBinding speedButton1Action = ForwardBinding::acForward;
  bool speedButton27Visible = false;  // Quit ("Q"), only in vmTest
  bool checkBox3Visible = false;      // "SPSS対応"
  bool checkBox3Checked = false;

  // The name box (the input dialog asking "受験者の名前") is up; RichEdit1 is hidden meanwhile.
  bool nameBoxUp = false;
};

// The "▽" more-text indicator under RichEdit1 (Panel6): shown when the content needs more than
// 10 pixels below the visible part. The window measures; this decides.
bool MoreTextIndicator(int contentHeight, int scrollPosition, int clientHeight);

// What the name box does with a key press: paste must stay out (a typed name is the examinee's
// own), but Shift must type, or capitals cannot be entered.
enum class NameBoxKey : std::uint8_t { Type, Swallow };
struct KeyPress {
  int key = 0;  // the character or key code (Qt key codes are fine: compared below)
  bool ctrl = false, shift = false, alt = false, meta = false;
  bool isInsert = false;       // the Insert key
  bool isContextMenu = false;  // the context-menu key (Windows code 93)
};
NameBoxKey ClassifyNameBoxKey(const KeyPress& k);

// The window's side of the model: repaint and event-loop services.
class TForm1View {
 public:
  virtual ~TForm1View() = default;
  // Something shown changed: re-read the model.
  virtual void ModelChanged() {}
  // There is no call to run pending events: the model never runs the event loop, as an action
  // may have been started by a widget that the event loop would delete under it. A window drops
  // input that queued up behind a press of Forward itself (a double click moves one page only).
  // RichEdit1 repainting suspended / resumed around a forward step.
  virtual void SetRepaintSuspended(bool /*suspended*/) {}
  // ProgressBar2 moved during a compile, which runs on the window's thread: paint it now, without
  // running the event loop.
  virtual void ProgressChanged() {}
};

// The main window's state and logic.
class TForm1Model final {
 public:
  // programFolder: where system/, report/ and tovimeter.ini live (ProgramFolder() in paths.h).
  TForm1Model(platform::Ports ports, std::string programFolder);
  ~TForm1Model();
  TForm1Model(const TForm1Model&) = delete;
  TForm1Model& operator=(const TForm1Model&) = delete;

  void SetView(TForm1View* view) { view_ = view; }

  // ---- lifecycle -------------------------------------------------------------------------
  // Create step: settings and placement, sample files read-only, models, welcome text, command
  // line (args without the program name; the first ".ruvo" one becomes FCommandLineDoc).
  void Create(const std::vector<std::string>& args);
  // Show step: editing view with a new project; the command-line test opens in the test view.
  // examineeOnly: the examinee program, which never enters the editing view.
  void Show(bool examineeOnly = false);
  // The close question; true when the window may close.
  bool FormCloseQuery();
  // Writes every settings key (FormClose). Returns false when the file could not be written.
  bool FormClose();
  // The examinee program: its window placement, folders and options are the teacher's, so its
  // close writes no settings.
  void SetExamineeProgram(bool on) {
    examineeProgram_ = on;
    resumeOffered_ = on;
  }
  // The question before a new document replaces the current one.
  bool CanLeaveView();

  // ---- window placement and settings -----------------------------------------------------
  const platform::Rect& Placement() const { return placement_; }
  // The window moved or was resized: remembered for FormClose.
  void SetPlacement(const platform::Rect& r) { placement_ = r; }
  static constexpr int kMinWidth = 570, kMinHeight = 500;
  TSettings& Settings() { return settings_; }
  const std::string& SettingsPath() const { return settingsPath_; }

  // ---- state -------------------------------------------------------------------------------
  TViewMode FViewMode() const { return viewMode_; }
  Sheet ActiveSheet() const { return sheet_; }
  const std::string& FDocumentPath() const { return doc_->Path(); }
  bool FModified() const { return doc_->Modified(); }
  bool FSourceEditing() const { return sourceEditing_; }
  bool FMenusVisible() const { return menusVisible_; }
  const std::string& FExamineeName() const { return run_->ExamineeName(); }
  int FCurrentPage() const;
  // Index of the page now shown in RichEdit1 (-1 before the first).
  int PageOnScreen() const;
  // The name box got no name (nobody answers it): the run stopped on the name page.
  bool RunAbandoned() const;
  int FFontLevel() const { return test_.fontLevel; }
  int FSideTab() const { return sideTab_; }
  const std::string& FCommandLineDoc() const { return commandLineDoc_; }
  const std::vector<std::string>& FAnswerLog() const;
  // The two lines of the result file being built (column names, values).
  std::string FResultHeader() const { return run_->Result().HeaderLine(); }
  std::string FResultValues() const { return run_->Result().ValueLine(); }
  const TResultColumns& ResultColumns() const { return run_->Result(); }
  const std::string& ProgramFolder() const { return programFolder_; }
  // Folder "report" beside the program.
  std::string ReportFolder() const;
  // Path of the last result file written to the report folder (empty before Copy).
  const std::string& LastResultFile() const { return lastReportFile_; }
  // The readable record last copied to the clipboard (plain text).
  const std::string& LastClipboardRecord() const { return lastClipboardRecord_; }
  // The readable record appended under the last page at the end of the run (plain text).
  const std::string& LastRecordText() const { return run_->RecordText(); }
  // The examinee's run over the open test.
  TTestRun& Run() { return *run_; }

  // Runs are journaled into this folder ("" = the report folder); off, nothing is journaled.
  void SetJournalFolder(std::string folder) { journalFolder_ = std::move(folder); }
  void SetJournaling(bool on) { journaling_ = on; }
  // Opening a test with an unfinished run in the journal folder asks whether to go on with
  // it (the examinee program does).
  void SetResumeOffered(bool on) { resumeOffered_ = on; }

  // Headless runs (ruvo-tool simulate): result files go to this folder instead of the report
  // folder, and no collection folder is written.
  void SetReportFolderOverride(std::string folder) { reportFolderOverride_ = std::move(folder); }
  void SetCollectionEnabled(bool on) { collectionEnabled_ = on; }
  void SetOpenFolderSuppressed(bool on) { suppressOpenFolder_ = on; }
  // Hooks for the views that land later: the project save-as of the editor (true when the
  // dialog was confirmed) and Copy in the totals view.
  void SetSaveProjectAsHandler(std::function<bool()> f) { saveProjectAs_ = std::move(f); }
  void SetCopyTotalsHandler(std::function<void()> f) { copyTotals_ = std::move(f); }
  // The aggregation concern (the sum-up list, drops, collection), set before Create().
  void SetTotals(std::unique_ptr<TTotals> totals) { totals_ = std::move(totals); }
  TTotals* Totals() { return totals_.get(); }

  // The editing view: the project actions and the page editor over the open document.
  authoring::TAuthoringModel& Authoring() { return *authoring_; }
  // Side tab `index` (0..5) becomes the shown one.
  void ShowSideTab(int index);

  // The open document: its text, pages, questions, meter, path and modified flag.
  doc::TDocument& Document() { return *doc_; }
  const doc::TDocument& Document() const { return *doc_; }
  doc::TPageControler& FPageControler() { return doc_->Pages(); }
  doc::TQAControler& FQAControler() { return doc_->QA(); }  // its answer panels model feeds Panel5
  doc::TWPMMeter& FMeter() { return doc_->Meter(); }

  // Display state of the test view.
  const TestViewState& TestView() const { return test_; }
  // The answer panels of the page on screen (empty when Panel5 is hidden).
  std::vector<doc::AnswerPanel> AnswerPanels() const;
  std::string Caption() const { return caption_; }
  // Window title of the application.
  static constexpr const char* kApplicationTitle = "tovimeter （Ruvo ルーヴォ）";

  // Actions (enabled / visible / hint).
  const ActionState& acForwardState() const { return acForward_; }
  const ActionState& acOpenFolderState() const { return acOpenFolder_; }  // "結果フォルダ"; hint = result file name
  const ActionState& acSaveState() const { return acSave_; }
  const ActionState& acSrcCopyState() const { return acSrcCopy_; }
  const ActionState& acPageEditingState() const { return acPageEditing_; }
  const ActionState& acPageReadingState() const { return acPageReading_; }
  const ActionState& acPageSaveState() const { return acPageSave_; }
  const ActionState& acPageSaveAsState() const { return acPageSaveAs_; }
  const ActionState& acOpenProjectState() const { return acOpenProject_; }
  const ActionState& acGraphState() const { return acGraph_; }
  // acProperty is enabled when a document path is set and that file exists (asked on popup).
  bool acPropertyEnabled() const;

  // ProgressBar2: shown by the compile of Create and hidden when Create is over
  // (CreateFinished).
  const ProgressState& ProgressBar2() const { return progressBar2_; }
  void CreateFinished();

  // Timers: Timer1 the running clock (1000 ms), Timer2 the lock of Forward after a reading
  // starts (one shot), tmSnaile the one-second timer of the help tab / working-copy removal.
  const TimerState& Timer1() const { return timer1_; }
  const TimerState& Timer2() const { return timer2_; }
  const TimerState& tmSnaile() const { return tmSnaile_; }

  // ---- actions ----------------------------------------------------------------------------
  // The next page (SpeedButton1 while it carries acForward, or Enter). Returns ForwardStep's result.
  bool acForward();
  // Runs whatever SpeedButton1 carries now (acForward or acCopyRec).
  void SpeedButton1Click();
  // Enter pressed in the window: runs acForward and returns true (swallow the key) when the
  // source is not being edited, tsMain is shown and SpeedButton1 carries acForward.
  bool HandleEnterKey();
  // Font size level up / down (also Ctrl + wheel on tsMain: down = +1, up = -1).
  void acBigLetter();
  void acSmallLetter();
  void CtrlWheel(int delta);  // delta > 0 = wheel down
  // "Copy": in the test view the result record to the clipboard and the result file.
  void acCopyRec();
  // Opens the report folder in the file browser.
  void acOpenFolder();
  // Quit button: asks the close query; the window closes only when this returns true.
  bool SpeedButton27Click() { return FormCloseQuery(); }
  // "SPSS対応" (CheckBox3) toggled: the merged table of the totals, and the "spss" key at close.
  void CheckBox3Click(bool checked);
  // The document property report.
  void acProperty();
  // Opens "HowToEdit.ruvo" (current folder, then the program folder).
  void acHowToEdit();
  // The editing view.
  void acPageEditing();
  // Test documents through the clipboard and the save dialog: "Save as(&A)" of the open test
  // document, paste a document's text as a new test, copy the source of the document file.
  void acSave();
  void acPaste();
  void acSrcCopy();

  // Answer panels: a radio button of panel q (1-based) checked with choice c (1-based).
  void SelectChoice(int q, int c);
  // The text field of panel q changed.
  void SetFieldText(int q, const std::string& text);
  // RichEdit1: a left click on line `line`; when it is an answer link (" * "), the line above
  // it names the question and choice.
  void ClickLine(int line);
  bool IsAnswerLinkLine(int line) const;

  // Timer entry points, called by the window's timers.
  void Timer1Timer();
  void Timer2Timer();
  void tmSnaileTimer();

  // ---- aggregation mode --------------------------------------------------------------------
  // Files and folders dropped on the window: totalled into the tables of the aggregation mode.
  void DropFiles(const std::vector<std::string>& items);
  // "配布回収(&D)" once the delivery window closed with OK: automatic collection starts beside
  // whatever the window shows (the view and the open document stay; the totals view, when it is
  // up, shows the new tables). True when the window is to show the graph.
  bool H1Click();
  // The collection timer's tick: true when results arrived (the graph is to be redrawn).
  bool CollectionTick();

  // ---- operations of the main window -------------------------------------------------------
  void SetViewMode(TViewMode mode);
  void SetDocumentPath(const std::string& path);
  void SetModified(bool flag);
  void UpdateCaption();
  void SetSourceEditing(bool flag);
  void SetMenusVisible(bool flag);
  void SetExamineeName(const std::string& name);
  bool OpenTestDocument(const std::string& path);
  void ResetDocument();
  // The same; false when the teacher kept the document open (the save was cancelled).
  bool CloseDocument();
  std::string DocumentBaseName() const;
  // The examinee's run (the run driver's press of Forward).
  bool ForwardStep();
  void ChangeFontLevel(int delta);
  bool SaveResultFile();
  // Marks the shipped samples read-only (their permission bits).
  void MarkSamplesReadOnly();

  // The text of the document property report (what acProperty shows).
  std::string PropertyReport() const;

 private:
  struct RunView;
  // The run view over this model (form1run.cpp).
  std::unique_ptr<TRunView> makeRunView();
  void changed();
  // Sizes of a text multiplied by the scale of the present font level.
  void scaleToFontLevel(rt::RichText& t) const;
  void clearRichEdit1();
  void appendToRichEdit1(const rt::RichText& t);
  void scrollTo(ScrollRequest r);
  void updatePageEditingVisible();
  void showTotals(const TotalsDisplay& d);
  bool documentIsProjectOrNone() const;
  void startTimer2(int ms);
  doc::DocumentPorts documentPorts() const;
  // The document's listener: a new name, the modified flag, a newly parsed document.
  void documentChanged(doc::TDocument::Change change);
  void modifiedChanged();
  void pathChanged();
  // A document was parsed into the models: the run starts over on its first page, the editor
  // is rebuilt and the test view selected.
  void documentParsed();
  platform::DateTime endDate() const;
  RunFacts runFacts() const;
  std::string journalFolder() const;
  // Asks about an unfinished run of the test at path; true when it is to be resumed.
  bool offerResume(const std::string& path, const JournalTest& test);

  platform::Ports ports_;
  // Declared first: the run and the editing side below work on it until they go.
  std::unique_ptr<doc::TDocument> doc_;
  TForm1View* view_ = nullptr;
  std::string programFolder_;
  std::string settingsPath_;
  TSettings settings_;
  platform::Rect placement_;

  TViewMode viewMode_ = vmNone;
  Sheet sheet_ = Sheet::tsMain;
  bool menusVisible_ = false;
  bool sourceEditing_ = false;
  int sideTab_ = 5;
  std::string commandLineDoc_;
  // Result files on the command line (the file manager opens them here): totalled as a drop.
  std::vector<std::string> commandLineResults_;
  ProgressState progressBar2_;
  mutable std::string versionText_;
  std::string caption_;
  bool examineeProgram_ = false;

  std::unique_ptr<TRunView> runView_;
  std::unique_ptr<TTestRun> run_;
  bool forwardWasEnabled_ = false;  // acForward before the press under way
  std::string journalFolder_;
  bool journaling_ = true;
  bool resumeOffered_ = false;
  // The journal the next parse gives the run (only a test opened from a file has one).
  std::string pendingJournalFolder_;
  JournalTest pendingJournalTest_;
  std::unique_ptr<authoring::TAuthoringModel> authoring_;
  std::string lastReportFile_;
  std::string lastClipboardRecord_;
  std::string documentFolder_;
  std::string reportFolderOverride_;
  bool collectionEnabled_ = true;
  bool suppressOpenFolder_ = false;
  std::function<bool()> saveProjectAs_;
  std::function<void()> copyTotals_;
  std::unique_ptr<TTotals> totals_;

  TestViewState test_;
  ActionState acForward_, acOpenFolder_, acSave_, acSrcCopy_, acPageEditing_, acPageReading_, acPageSave_,
      acPageSaveAs_, acOpenProject_, acGraph_;
  TimerState timer1_, timer2_, tmSnaile_;
};

}  // namespace ruvo::app
