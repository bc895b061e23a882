#include "core/app/form1model.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/app/paths.h"
#include "core/app/resultrecord.h"
#include "core/app/runjournal.h"
#include "core/authoring/authoringmodel.h"
#include "core/document/documentfile.h"
#include "core/document/documentformat.h"
#include "core/document/pagecontroler.h"
#include "core/document/propertyreport.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/storage/atomicfile.h"
#include "core/storage/compressstringlist.h"
#include "core/text/format.h"
#include "core/text/strings.h"

namespace ruvo::app {
namespace {

namespace fs = std::filesystem;

constexpr int kFontScale[8] = {59, 69, 83, 100, 120, 144, 173, 207};
constexpr rt::Color kSilver = 0xC0C0C0;
constexpr rt::Color kWhite = 0xFFFFFF;
constexpr rt::Color kWindow = -1;
constexpr const char* kTwoBreaks = "\r\n\r\n";

const char* const kWelcome[11] = {
    "D&D a .ruvo file here.",
    "",
    "Click \"Forward\" Icon below right or push \"Enter Key\" to turn the page.",
    "Attention! You can not turn back the page.",
    "",
    "If you want to or must break off the test,",
    "clik Quit Icon \"Q\" below left.",
    "",
    "Click \"＋\" or \"－\" Icon below right to change the font size.",
    "__________________________",
    "Toviworks presents",
};

rt::CharFormat recordFont() { return RecordFont(); }

std::string lower(const std::string& s) { return text::asciiLower(s); }

// Sizes are whole points, as the control keeps them; each run is scaled and rounded alone.
void scaleBy(rt::RichText& t, double factor) {
  if (factor == 1.0) return;
  for (auto& p : t.paragraphs())
    for (auto& r : p.runs) {
      const double pt = r.format.sizeHalfPoints / 2.0;
      const std::int64_t scaled = text::roundHalfEven(pt * factor);
      r.format.sizeHalfPoints = static_cast<int>(std::max<std::int64_t>(1, scaled) * 2);
    }
}

}  // namespace

// ---- small pure pieces ------------------------------------------------------------------

bool MoreTextIndicator(int contentHeight, int scrollPosition, int clientHeight) {
  return contentHeight - (scrollPosition + clientHeight) > 10;
}

NameBoxKey ClassifyNameBoxKey(const KeyPress& k) {
  // Paste is what must stay out: every Ctrl or Alt chord, Shift+Insert and the context-menu
  // key. Shift alone types capitals and symbols.
  if (k.ctrl || k.alt || k.meta || k.isContextMenu) return NameBoxKey::Swallow;
  if (k.shift && k.isInsert) return NameBoxKey::Swallow;
  return NameBoxKey::Type;
}

// ---- construction -----------------------------------------------------------------------

TForm1Model::TForm1Model(platform::Ports ports, std::string programFolder)
    : ports_(ports.filled()), programFolder_(std::move(programFolder)) {
  settingsPath_ = JoinPath(programFolder_, "tovimeter.ini");
  doc_ = std::make_unique<doc::TDocument>();
  doc_->SetListener([this](doc::TDocument::Change c) { documentChanged(c); });
  runView_ = makeRunView();
  run_ = std::make_unique<TTestRun>(RunModels{&doc_->Pages(), &doc_->QA(), &doc_->Meter()}, *runView_, ports_.clock);
  // The test clock runs on the run's clock, which a resumed run moves on.
  doc_->Pages().SetClock(&run_->Clock());
  authoring::ProjectSession ps;
  ps.programFolder = programFolder_;
  if (ports_.shell) ps.executableFolder = FolderOf(ports_.shell->programPath());
  ps.document = doc_.get();
  ps.dialogs = ports_.dialogs;
  ps.shell = ports_.shell;
  ps.clock = ports_.clock;
  ps.baseFont = recordFont();
  ps.rebuildEditor = [this] {
    updatePageEditingVisible();
    changed();
  };
  ps.showSideTab = [this](authoring::SideTab t) { ShowSideTab(static_cast<int>(t)); };
  ps.selectEditingView = [this] { SetViewMode(vmEditing); };
  ps.canLeaveView = [this] { return CanLeaveView(); };
  ps.resetDocument = [this] { return CloseDocument(); };
  ps.progressMax = [this](int maximum) {
    progressBar2_ = {true, std::max(0, maximum), 0};
    if (view_) view_->ProgressChanged();
  };
  ps.progressStep = [this] {
    if (progressBar2_.position < progressBar2_.maximum) ++progressBar2_.position;
    if (view_) view_->ProgressChanged();
  };
  authoring_ = std::make_unique<authoring::TAuthoringModel>(std::move(ps));
  timer1_.intervalMs = 1000;
  tmSnaile_.intervalMs = 1000;
  acOpenFolder_.hint = {};
}

int TForm1Model::FCurrentPage() const { return run_->CurrentPage(); }
int TForm1Model::PageOnScreen() const { return run_->PageOnScreen(); }
bool TForm1Model::RunAbandoned() const { return run_->Abandoned(); }
const std::vector<std::string>& TForm1Model::FAnswerLog() const { return run_->AnswerLog(); }
bool TForm1Model::ForwardStep() { return run_->ForwardStep(); }

TForm1Model::~TForm1Model() {
  // What goes from here on tells this model nothing.
  doc_->SetListener({});
  authoring_.reset();
  run_.reset();
}

void TForm1Model::changed() {
  if (view_) view_->ModelChanged();
}

std::string TForm1Model::ReportFolder() const {
  return reportFolderOverride_.empty() ? JoinPath(programFolder_, "report") : reportFolderOverride_;
}

// ---- lifecycle --------------------------------------------------------------------------

void TForm1Model::Create(const std::vector<std::string>& args) {
  sideTab_ = 5;
  acGraph_.visible = false;
  timer1_.enabled = false;
  timer2_.enabled = false;
  test_.checkBox3Visible = false;
  test_.fontButtonsVisible = false;

  settings_ = LoadSettings(settingsPath_);
  if (totals_) totals_->Create(settings_);
  placement_ = PlaceWindow(settings_, ports_.screen ? ports_.screen->monitors() : std::vector<platform::Rect>{});
  test_.checkBox3Checked = settings_.fileExisted && settings_.spss;

  MarkSamplesReadOnly();
  SetViewMode(vmNone);
  doc_->QA().Settings() = doc_->Pages().Settings();

  acOpenFolder_.visible = false;
  acOpenFolder_.enabled = false;
  run_->SetExamineeName("");
  test_.label26 = {};
  test_.label26.visible = false;
  test_.label1 = {};
  test_.label2 = {};
  test_.label3 = {};
  test_.progressBar1.visible = false;

  SetMenusVisible(false);
  SetSourceEditing(false);
  test_.fontLevel = 3;

  commandLineDoc_ = CommandLineDocument(args);
  commandLineResults_.clear();
  for (const auto& a : args)
    if (const std::string ext = lower(ExtensionOf(a)); ext == ".ruvot" || ext == ".ruvt")
      commandLineResults_.push_back(a);

  acOpenProject_.enabled = false;
  acOpenProject_.visible = false;
  SetViewMode(vmTest);
  SetDocumentPath("");
  // Timer1 keeps the running clock label; it runs as long as the window lives.
  timer1_.enabled = true;
  ++timer1_.generation;
  changed();
}

void TForm1Model::Show(bool examineeOnly) {
  if (!examineeOnly) {
    SetViewMode(vmEditing);
    authoring_->Project().acCreate();
  }
  sideTab_ = 5;
  if (!commandLineDoc_.empty() && FileExists(commandLineDoc_) && lower(ExtensionOf(commandLineDoc_)) == ".ruvo") {
    SetViewMode(vmTest);
    OpenTestDocument(commandLineDoc_);
  } else if (examineeOnly) {
    SetViewMode(vmTest);
  } else {
    // Result files the file manager opened here are totalled as if dropped on the window; one
    // that has gone meanwhile is ignored, as a missing test is.
    std::vector<std::string> results;
    for (const auto& r : commandLineResults_)
      if (FileExists(r)) results.push_back(r);
    if (!results.empty()) DropFiles(results);
  }
  tmSnaile_.intervalMs = 1000;
  tmSnaile_.enabled = true;
  ++tmSnaile_.generation;
  changed();
}

bool TForm1Model::FormCloseQuery() {
  auto* d = ports_.dialogs;
  auto ok = [&](const std::string& text) { return d == nullptr || d->confirmNoOk(text) == platform::Answer::Ok; };
  if (doc_->Modified())
    return ok(DocumentBaseName() + " は保存されていません。" + kTwoBreaks + "かまわず終了しますか？");
  if (viewMode_ == vmTotals || sheet_ != Sheet::tsMain) return true;
  const int i = run_->CurrentPage();
  const bool hasResults = run_->HasResults();
  if (run_->Finished()) {
    if (hasResults && !acOpenFolder_.visible)
      return ok(std::string("結果が保存されていません。") + kTwoBreaks + "かまわず終了しますか？");
    if (!hasResults && i > 0) return ok(std::string("途中です。") + kTwoBreaks + "かまわず終了しますか？");
    return true;
  }
  if (i > 1 && !run_->ExamineeName().empty()) {
    // Break-off: the questions never reached count as unread, and the result page follows.
    if (ok(std::string("途中です。") + kTwoBreaks + "かまわず終了しますか？")) run_->BreakOff();
    return false;
  }
  return true;
}

bool TForm1Model::CanLeaveView() {
  auto* d = ports_.dialogs;
  auto ok = [&](const std::string& text) { return d == nullptr || d->confirmNoOk(text) == platform::Answer::Ok; };
  const std::string tail = std::string(kTwoBreaks) + "かまわず読書モードを中断しますか？";
  if (viewMode_ == vmEditing && doc_->Modified()) return ok(DocumentBaseName() + " は保存されていません。" + tail);
  if (viewMode_ != vmTest) return true;
  const int i = run_->CurrentPage();
  const bool hasResults = run_->HasResults();
  if (run_->Finished()) {
    if (hasResults && !acOpenFolder_.visible) return ok("結果が保存されていません。" + tail);
    if (!hasResults && i > 0) return ok("途中です。" + tail);
    return true;
  }
  if (i > 1) return ok("途中です。" + tail);
  return true;
}

bool TForm1Model::FormClose() {
  if (examineeProgram_) return true;  // the settings are the teacher's program's
  if (totals_) totals_->WriteSettings(settings_);
  return SaveSettings(settingsPath_, settings_, placement_);
}

// ---- window operations ------------------------------------------------------------------

bool TForm1Model::documentIsProjectOrNone() const {
  return doc_->Path().empty() || storage::IsProjectPath(doc_->Path());
}

void TForm1Model::updatePageEditingVisible() {
  acPageEditing_.visible = documentIsProjectOrNone() && viewMode_ != vmEditing &&
                           (doc_->Pages().PageCount() > 0 || !authoring_->Project().TemplatePath().empty() ||
                            !authoring_->Project().ScriptPath().empty());
}

void TForm1Model::SetViewMode(TViewMode mode) {
  viewMode_ = mode;
  switch (mode) {
    case vmNone:
      break;
    case vmTest:
      sheet_ = Sheet::tsMain;
      acSave_.enabled = true;
      acSrcCopy_.enabled = true;
      test_.speedButton1Action = ForwardBinding::acForward;
      test_.checkBox3Visible = false;
      acOpenFolder_.visible = false;
      acOpenFolder_.enabled = false;
      test_.background = kWindow;
      test_.wordWrap = true;
      test_.horizontalScrollBar = false;
      break;
    case vmTotals:
      sheet_ = Sheet::tsMain;
      acSave_.enabled = false;
      acSrcCopy_.enabled = false;
      acOpenFolder_.enabled = false;
      acOpenFolder_.visible = false;
      test_.background = kSilver;
      test_.wordWrap = false;
      test_.horizontalScrollBar = true;
      test_.label3.text.clear();
      test_.panel5Visible = false;
      test_.panel11Visible = false;
      ResetDocument();
      test_.speedButton1Action = ForwardBinding::acCopyRec;
      test_.speedButton1Visible = true;
      test_.checkBox3Visible = true;
      acPageSave_.enabled = false;
      acPageSaveAs_.enabled = false;
      break;
    case vmEditing:
      sheet_ = Sheet::tsEdit;
      break;
  }
  test_.speedButton27Visible = mode == vmTest;
  acPageReading_.visible = mode != vmTest;
  test_.fontButtonsVisible = mode == vmTest && doc_->Pages().PageCount() > 0;
  updatePageEditingVisible();
  changed();
}

void TForm1Model::SetDocumentPath(const std::string& path) { doc_->SetPath(path); }

void TForm1Model::SetModified(bool flag) { doc_->SetModified(flag); }

void TForm1Model::documentChanged(doc::TDocument::Change change) {
  switch (change) {
    case doc::TDocument::Change::Path:
      pathChanged();
      break;
    case doc::TDocument::Change::Modified:
      modifiedChanged();
      break;
    case doc::TDocument::Change::Parsed:
      documentParsed();
      break;
  }
  changed();
}

void TForm1Model::pathChanged() {
  // A named document is unmodified: the caption and the save actions follow.
  modifiedChanged();
  const bool project = storage::IsProjectDocumentPath(doc_->Path());
  acPageReading_.enabled = project;
  acPageEditing_.enabled = project;
  test_.progressBar1.visible = false;
  doc_->Pages().ProgressBar1().visible = false;
  updatePageEditingVisible();
}

void TForm1Model::modifiedChanged() {
  const bool flag = doc_->Modified();
  UpdateCaption();
  acPageSave_.enabled = flag;
  acPageSaveAs_.enabled = documentIsProjectOrNone() && doc_->Pages().PageCount() > 0;
  if (flag) {
    run_->Rewind();
    clearRichEdit1();
  }
}

std::string TForm1Model::DocumentBaseName() const {
  return doc_->Path().empty() ? std::string() : BaseNameOf(doc_->Path());
}

void TForm1Model::UpdateCaption() {
  std::string name;
  if (doc_->Path().empty())
    name = "tovimeter";
  else if (storage::IsWorkingCopyPath(doc_->Path()))
    name = "(無題)";
  else
    name = DocumentBaseName();
  if (versionText_.empty()) {
    versionText_ = ports_.shell ? ports_.shell->version() : std::string();
    if (versionText_.empty()) versionText_ = "不明";
  }
  caption_ = name + (doc_->Modified() ? "(更新)" : "") + " - ルーヴォ " + "Pro " + versionText_;
}

void TForm1Model::SetSourceEditing(bool flag) {
  sourceEditing_ = flag;
  if (flag) {
    test_.background = kWhite;
    caption_ = " * - ルーヴォ";
  } else {
    test_.background = kWindow;
  }
  test_.readOnly = !flag;
  changed();
}

void TForm1Model::SetMenusVisible(bool flag) {
  menusVisible_ = flag;
  if (!flag) {
    clearRichEdit1();
    rt::RichText& t = test_.richEdit1;
    for (const char* line : kWelcome) doc::AppendLine(t, line, recordFont());
    test_.caret = 0;
    scrollTo(ScrollRequest::Top);
  }
  changed();
}

void TForm1Model::SetExamineeName(const std::string& name) { run_->SetExamineeName(name); }

bool TForm1Model::OpenTestDocument(const std::string& path) {
  rt::RichText loaded;
  const std::string error = doc::LoadDocumentFile(path, loaded);
  if (!error.empty()) {
    if (ports_.dialogs) ports_.dialogs->message(error);
    return false;
  }
  doc_->Work() = std::move(loaded);
  documentFolder_ = FolderOf(path);
  SetDocumentPath(path);
  JournalTest test = JournalTestOf(path);
  const bool resume = journaling_ && offerResume(path, test);
  if (journaling_) {
    pendingJournalFolder_ = journalFolder();
    pendingJournalTest_ = std::move(test);
  }
  doc_->Parse();
  if (resume) {
    run_->FinishResume();
    // The replayed presses were made long ago: Forward is not locked after them.
    timer2_.enabled = false;
    acForward_.enabled = !run_->Abandoned();
  }
  changed();
  return true;
}

void TForm1Model::documentParsed() {
  // The run starts over: counters, readings, answers and the result of the previous run.
  run_->ResetTiming();
  run_->SetJournal(std::exchange(pendingJournalFolder_, {}), std::exchange(pendingJournalTest_, {}));
  run_->ResetRun();
  lastReportFile_.clear();
  test_.fontLevel = 3;
  sideTab_ = 2;
  authoring_->Project().SetTemplateFile("");
  authoring_->SetScriptFile("");
  // The first page on screen.
  doc_->QA().Settings() = doc_->Pages().Settings();
  test_.speedButton1Visible = true;
  test_.speedButton1Action = ForwardBinding::acForward;
  acForward_.enabled = true;
  timer2_.enabled = false;
  if (doc_->Pages().PageCount() == 0) {
    // Nothing to take: an empty page rather than what the previous document left.
    clearRichEdit1();
    test_.label1 = {};
    test_.label2 = {};
  }
  ForwardStep();
  authoring_->Editor().Rebuild();
  SetViewMode(vmTest);
}

void TForm1Model::ResetDocument() { CloseDocument(); }

bool TForm1Model::CloseDocument() {
  if (doc_->Modified() && ports_.dialogs) {
    if (ports_.dialogs->askYesNo("編集中です。保存しますか？") == platform::Answer::Yes) {
      const bool confirmed = saveProjectAs_ ? saveProjectAs_() : authoring_->Project().acPageSaveAs() == 1;
      if (!confirmed) return false;
    }
  }
  // The editor's selection named a page, question or choice of the document that goes.
  authoring_->Editor().Select({});
  doc_->ClearModels();
  run_->Rewind();
  SetDocumentPath("");
  authoring_->Project().SetTemplateFile("");
  authoring_->SetScriptFile("");
  SetMenusVisible(false);
  test_.label1 = {};
  test_.label2 = {};
  test_.label2.color = 0x000000;
  test_.speedButton1Action = ForwardBinding::acForward;
  test_.checkBox3Visible = false;
  changed();
  return true;
}

void TForm1Model::ShowSideTab(int index) {
  if (index < 0 || index > 5) return;
  sideTab_ = index;
  changed();
}

void TForm1Model::MarkSamplesReadOnly() {
  struct Mask {
    const char* folder;
    const char* ext;
  } masks[] = {{"system/ruvof/sample", ".ruvo"},
               {"system/template/fixed form", ".rtf"},
               {"system/script/fixed form", ".rtf"},
               {"system/project/sample", ".ruvp"}};
  for (const auto& m : masks) {
    std::error_code ec;
    fs::path dir = fs::path(programFolder_) / m.folder;
    if (!fs::is_directory(dir, ec)) continue;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
      if (lower(e.path().extension().string()) != m.ext) continue;
      std::error_code ec2;
      auto perms = fs::status(e.path(), ec2).permissions();
      if (ec2) continue;
      fs::permissions(e.path(), perms & ~(fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write),
                      fs::perm_options::replace, ec2);
    }
  }
}

bool TForm1Model::acPropertyEnabled() const { return !doc_->Path().empty() && FileExists(doc_->Path()); }

std::string TForm1Model::PropertyReport() const { return doc::PropertyReport(*doc_); }

void TForm1Model::acProperty() {
  if (ports_.dialogs) ports_.dialogs->message(PropertyReport());
}

void TForm1Model::acHowToEdit() {
  std::string path = FindRelativeFile("HowToEdit.ruvo", programFolder_, {JoinPath(programFolder_, "system")});
  if (path.empty()) {
    if (ports_.dialogs) ports_.dialogs->message(std::string("HowToEdit.ruvo") + " がありません");
    return;
  }
  OpenTestDocument(path);
}

void TForm1Model::acPageEditing() { SetViewMode(vmEditing); }

void TForm1Model::CheckBox3Click(bool checked) {
  test_.checkBox3Checked = checked;
  settings_.spss = checked;
  changed();
}

void TForm1Model::showTotals(const TotalsDisplay& d) {
  if (viewMode_ != vmTotals) SetViewMode(vmTotals);
  clearRichEdit1();
  // Built paragraph by paragraph: tables of thousands of records stay linear.
  const rt::CharFormat f = recordFont();
  auto& paras = test_.richEdit1.paragraphs();
  const rt::ParaFormat pf = paras.front().format;
  if (!d.lines.empty()) paras.clear();
  for (const auto& line : d.lines) paras.push_back(rt::Paragraph{pf, {rt::Run{line, f}}});
  test_.label2 = {};
  test_.label2.text = d.label2;
  test_.label2.left = 272;
  acGraph_.visible = d.graphAvailable;
  scrollTo(ScrollRequest::Top);
  changed();
}

void TForm1Model::DropFiles(const std::vector<std::string>& items) {
  if (!totals_ || items.empty()) return;
  // Totalling replaces the document on screen: unsaved work or a test under way is asked about
  // first, as opening another document asks.
  if (viewMode_ != vmTotals && totals_->WouldTake(items) && !CanLeaveView()) return;
  TotalsDisplay d;
  if (totals_->Drop(items, d)) showTotals(d);
}

bool TForm1Model::H1Click() {
  if (!totals_) return false;
  // Collection fills the sum-up list and the graph; it closes nothing, so an edited project or a
  // test under way stays as it is.
  timer2_.enabled = false;
  TotalsDisplay d;
  if (!totals_->StartCollection(d)) {
    changed();
    return false;
  }
  if (viewMode_ == vmTotals)
    showTotals(d);
  else
    changed();
  return true;
}

void TForm1Model::CreateFinished() {
  if (progressBar2_ == ProgressState{}) return;
  progressBar2_ = {};
  changed();
}

bool TForm1Model::CollectionTick() {
  TotalsDisplay d;
  if (!totals_ || !totals_->CollectNewResults(d)) return false;
  if (viewMode_ == vmTotals) showTotals(d);
  return true;
}

doc::DocumentPorts TForm1Model::documentPorts() const {
  doc::DocumentPorts p;
  p.dialogs = ports_.dialogs;
  p.clipboard = ports_.clipboard;
  p.programFolder = programFolder_;
  p.baseFont = recordFont();
  return p;
}

void TForm1Model::acSave() {
  if (!acSave_.enabled) return;
  doc::SaveDocumentAs(*doc_, documentPorts());
  changed();
}

void TForm1Model::acPaste() {
  doc::acPaste(*doc_, documentPorts());
  changed();
}

void TForm1Model::acSrcCopy() {
  if (!acSrcCopy_.enabled) return;
  doc::acSrcCopy(*doc_, documentPorts());
}

// ---- timers -----------------------------------------------------------------------------

void TForm1Model::Timer1Timer() {
  LabelState before = test_.label26;
  if (doc_->Pages().PageCount() > 0 && doc_->Pages().TimerRunning() && ports_.clock) {
    const std::int64_t s =
        text::secondsFromMs(run_->Clock().tickMs() - static_cast<std::int64_t>(doc_->Pages().StartTick()));
    test_.label26.text = text::format("%D:%.2D", {s / 60, s % 60});
    test_.label26.visible = true;
  } else {
    test_.label26.text.clear();
    test_.label26.visible = false;
  }
  if (!(before == test_.label26)) changed();
}

void TForm1Model::startTimer2(int ms) {
  timer2_.intervalMs = ms;
  timer2_.enabled = true;
  ++timer2_.generation;
}

void TForm1Model::Timer2Timer() {
  acForward_.enabled = true;
  timer2_.enabled = false;
  changed();
}

void TForm1Model::tmSnaileTimer() {
  if (!commandLineDoc_.empty() && FileExists(commandLineDoc_) && storage::IsWorkingCopyPath(commandLineDoc_)) {
    // The teacher's preview hands the examinee program a working copy; it is not needed once open.
    std::error_code ec;
    fs::remove(commandLineDoc_, ec);
    std::string docFolder = FolderOf(commandLineDoc_);
    std::string project = JoinPath(JoinPath(FolderOf(docFolder.empty() ? "." : docFolder), "project"),
                                   ChangeExtension(FileNameOf(commandLineDoc_), ".ruvp"));
    fs::remove(project, ec);
    tmSnaile_.enabled = sideTab_ == 5;
    changed();
  }
}

// ---- input ------------------------------------------------------------------------------

bool TForm1Model::acForward() {
  if (!acForward_.enabled) return false;
  return ForwardStep();
}

void TForm1Model::SpeedButton1Click() {
  if (test_.speedButton1Action == ForwardBinding::acCopyRec)
    acCopyRec();
  else
    acForward();
}

bool TForm1Model::HandleEnterKey() {
  if (sourceEditing_ || sheet_ != Sheet::tsMain || test_.speedButton1Action != ForwardBinding::acForward) return false;
  acForward();
  return true;
}

void TForm1Model::acBigLetter() {
  ChangeFontLevel(+1);
  changed();
}

void TForm1Model::acSmallLetter() {
  ChangeFontLevel(-1);
  changed();
}

void TForm1Model::CtrlWheel(int delta) {
  if (sheet_ != Sheet::tsMain || delta == 0) return;
  ChangeFontLevel(delta > 0 ? +1 : -1);
  changed();
}

std::vector<doc::AnswerPanel> TForm1Model::AnswerPanels() const {
  if (!test_.panel5Visible) return {};
  return doc_->QA().Panels();
}

void TForm1Model::SelectChoice(int q, int c) {
  if (doc_->QA().RadioClick(q, c, &test_.richEdit1)) changed();
}

void TForm1Model::SetFieldText(int q, const std::string& textTyped) {
  if (doc_->QA().FieldChanged(q, textTyped)) changed();
}

bool TForm1Model::IsAnswerLinkLine(int line) const {
  return line > 0 && line < test_.richEdit1.lineCount() && text::startsWith(test_.richEdit1.lineText(line), " * ");
}

void TForm1Model::ClickLine(int line) {
  if (!IsAnswerLinkLine(line)) return;
  if (doc_->QA().SelectByLinkText(test_.richEdit1.lineText(line - 1), &test_.richEdit1)) changed();
}

// ---- display helpers --------------------------------------------------------------------

void TForm1Model::clearRichEdit1() {
  test_.richEdit1 = rt::RichText();
  test_.caret = 0;
}

void TForm1Model::scrollTo(ScrollRequest r) {
  test_.scroll = r;
  ++test_.scrollGeneration;
}

void TForm1Model::ChangeFontLevel(int delta) {
  const int newLevel = std::clamp(test_.fontLevel + delta, 0, 7);
  double factor;
  if (delta == 0) {
    factor = kFontScale[newLevel] / 100.0;
  } else {
    if (newLevel == test_.fontLevel) return;
    factor = kFontScale[delta + 3] / 100.0;
  }
  test_.fontLevel = newLevel;
  scaleBy(test_.richEdit1, factor);
}

void TForm1Model::scaleToFontLevel(rt::RichText& t) const { scaleBy(t, kFontScale[test_.fontLevel] / 100.0); }

// ---- the result record ------------------------------------------------------------------

platform::DateTime TForm1Model::endDate() const { return ports_.clock ? ports_.clock->now() : platform::DateTime{}; }

RunFacts TForm1Model::runFacts() const {
  return RunFacts{&doc_->Pages(), &doc_->QA(), &doc_->Meter(), &run_->AnswerLog(), run_->ExamineeName(), endDate()};
}

void TForm1Model::appendToRichEdit1(const rt::RichText& t) {
  rt::RichText& d = test_.richEdit1;
  bool first = true;
  for (const auto& p : t.paragraphs()) {
    if (first && d.isEmpty())
      d.paragraphs().front() = p;
    else
      d.paragraphs().push_back(p);
    first = false;
  }
}

void TForm1Model::acCopyRec() {
  if (viewMode_ == vmTotals) {
    if (totals_)
      totals_->Copy(test_.checkBox3Checked);
    else if (copyTotals_)
      copyTotals_();
    return;
  }
  const rt::CharFormat f = recordFont();
  const rt::RichText w = ClipboardRecord(runFacts());
  lastClipboardRecord_ = rt::plainText(w);
  if (ports_.clipboard) ports_.clipboard->setRichText(rt::writeRtf(w), lastClipboardRecord_);

  const bool saved = SaveResultFile();
  rt::RichText& d = test_.richEdit1;
  doc::AppendLine(d, "-------------", f);
  doc::AppendLine(d, "", f);
  doc::AppendLine(d, "", f);
  if (saved) {
    rt::CharFormat big = f;
    big.sizeHalfPoints = f.sizeHalfPoints * 2;
    rt::RichText msg(text::format("結果ファイルは %S です", {FileNameOf(lastReportFile_)}), big);
    d.paragraphs().back() = msg.paragraphs().front();
  }
  scrollTo(ScrollRequest::End);
  changed();
}

bool TForm1Model::SaveResultFile() {
  run_->AddAnswerColumnsOnce();
  const TResultColumns& result = run_->Result();

  std::string collection;
  if (collectionEnabled_) {
    std::string env = FindRelativeFile(
        "ruvo_envi.dat", programFolder_,
        documentFolder_.empty() ? std::vector<std::string>{} : std::vector<std::string>{documentFolder_});
    if (!env.empty()) {
      storage::TCompressStringList envList;
      if (envList.LoadFromFile(env)) collection = text::trim(envList.Values("ToTeacher"));
    }
  }
  const bool collectionUsable = !collection.empty() && FolderExists(collection);
  const std::string report = ReportFolder();
  std::vector<std::string> folders{report};
  if (collectionUsable) folders.push_back(collection);
  const std::string baseName = ResultFileName(endDate(), run_->ExamineeName());
  // The first counter free in both folders, so that both copies normally share one name; each
  // copy then claims its name atomically, and a name another run took meanwhile moves that
  // copy on to the next counter. A result file is never replaced.
  int number = FreeResultFileNumber(baseName, folders);

  storage::TCompressStringList list;
  list.Add(result.HeaderLine());
  list.Add(result.ValueLine());
  const std::string bytes = list.SaveToCompressedStream();

  bool sent = false;
  std::string sentName;
  if (collectionUsable && !bytes.empty()) {
    int sentNumber = number;
    sent = WriteNewResultFile(collection, baseName, bytes, sentNumber).ok();
    std::string msg;
    if (sent) {
      number = sentNumber;
      sentName = NumberedFileName(baseName, sentNumber);
      msg = "結果ファイルを 送信しました。";
    } else {
      msg = std::string("結果ファイルの 送信に失敗しました。") + kTwoBreaks +
            "手動で 回収フォルダーにコピーしてください。";
    }
    if (ports_.dialogs) ports_.dialogs->message(msg);
  }
  storage::ensureFolder(report);
  const bool reportWritten = !bytes.empty() && WriteNewResultFile(report, baseName, bytes, number).ok();
  const std::string fileName = reportWritten ? NumberedFileName(baseName, number) : sentName;
  const std::string reportPath = JoinPath(report, fileName);
  if (!reportWritten && !sent) {
    // Nowhere holds the result: say so, and keep Copy and the record on screen.
    if (ports_.dialogs)
      ports_.dialogs->message(std::string("結果ファイルを 保存できませんでした。") + kTwoBreaks +
                              "画面の結果を 先生に見せるか、書き写してください。");
    return false;
  }
  lastReportFile_ = reportWritten ? reportPath : JoinPath(collection, fileName);
  // The run is over: its journal stays beside the result file, closed as finished.
  run_->MarkFinished(fileName);
  acOpenFolder_.visible = true;
  acOpenFolder_.enabled = true;
  acOpenFolder_.hint = fileName;
  test_.speedButton1Visible = false;
  if (!sent) acOpenFolder();
  changed();
  return true;
}

void TForm1Model::acOpenFolder() {
  if (suppressOpenFolder_) return;
  // The examinee is pointed at this folder to copy the result by hand: a folder that does not
  // open must say so, with the path to look for.
  if (!ports_.shell || !ports_.shell->open(ReportFolder()))
    if (ports_.dialogs)
      ports_.dialogs->message(ReportFolder() + kTwoBreaks + "このフォルダを開けるアプリケーションがありません");
}

}  // namespace ruvo::app
