#include "core/app/form1model.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "core/app/paths.h"
#include "core/app/resultrecord.h"
#include "core/document/documentfile.h"
#include "core/document/documentformat.h"
#include "core/document/pagecontroler.h"
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
constexpr rt::Color kRed = 0xFF0000;
constexpr rt::Color kBlue = 0x0000FF;
constexpr rt::Color kGrey = 0x808080;
constexpr rt::Color kSilver = 0xC0C0C0;
constexpr rt::Color kWhite = 0xFFFFFF;
constexpr rt::Color kWindow = -1;
constexpr const char* kWorkingCopyName = "ruvo$$$";
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

rt::CharFormat recordFont() {
  rt::CharFormat f;
  f.fontName = "ＭＳ Ｐゴシック";
  f.charset = 128;
  f.sizeHalfPoints = 22;  // the base font of the test view: 11 pt
  return f;
}

// Colours / bolds the characters [from, from + len) of a text.
void style(rt::RichText& t, std::size_t from, std::size_t len, rt::Color color, bool bold) {
  if (len == 0) return;
  rt::formatRange(t, {from, len}, [&](rt::CharFormat& f) {
    f.color = color;
    f.bold = bold;
  });
}

std::size_t codePoints(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string lower(const std::string& s) { return text::asciiLower(s); }

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
    : ports_(ports), programFolder_(std::move(programFolder)) {
  settingsPath_ = JoinPath(programFolder_, "tovimeter.ini");
  pages_ = std::make_unique<doc::TPageControler>();
  qa_ = std::make_unique<doc::TQAControler>(pages_.get());
  meter_ = std::make_unique<doc::TWPMMeter>();
  pages_->SetQAControler(qa_.get());
  pages_->SetClock(ports_.clock);
  pages_->SetModifiedListener([this](bool f) { SetModified(f); });
  host_ = std::make_unique<Host>(*this);
  timer1_.intervalMs = 1000;
  tmSnaile_.intervalMs = 1000;
  acOpenFolder_.hint = {};
}

TForm1Model::~TForm1Model() {
  // Pages free their question items through the question controller: pages go first.
  pages_.reset();
  qa_.reset();
}

void TForm1Model::changed() {
  if (view_) view_->ModelChanged();
}

void TForm1Model::flush(bool discardInput) {
  if (view_) view_->ProcessPendingEvents(discardInput);
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
  placement_ = PlaceWindow(settings_, ports_.screen ? ports_.screen->monitors() : std::vector<platform::Rect>{});
  test_.checkBox3Checked = settings_.fileExisted && settings_.spss;

  MarkSamplesReadOnly();
  SetViewMode(vmNone);
  qa_->Settings() = pages_->Settings();

  acOpenFolder_.visible = false;
  acOpenFolder_.enabled = false;
  examineeName_.clear();
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
  if (!examineeOnly) SetViewMode(vmEditing);
  sideTab_ = 5;
  if (!commandLineDoc_.empty() && FileExists(commandLineDoc_) &&
      lower(ExtensionOf(commandLineDoc_)) == ".ruvo") {
    SetViewMode(vmTest);
    OpenTestDocument(commandLineDoc_);
  } else if (examineeOnly) {
    SetViewMode(vmTest);
  }
  tmSnaile_.intervalMs = 1000;
  tmSnaile_.enabled = true;
  ++tmSnaile_.generation;
  changed();
}

bool TForm1Model::runFinished() const {
  const int n = pages_->PageCount();
  const int i = currentPage_;
  if (i >= n) return true;
  const doc::TPage* p = pages_->Page(i);
  return p && p->Role() == 2;
}

bool TForm1Model::FormCloseQuery() {
  auto* d = ports_.dialogs;
  auto ok = [&](const std::string& text) {
    return d == nullptr || d->confirmNoOk(text) == platform::Answer::Ok;
  };
  if (modified_) return ok(DocumentBaseName() + " は保存されていません。" + kTwoBreaks + "かまわず終了しますか？");
  if (viewMode_ == vmTotals || sheet_ != Sheet::tsMain) return true;
  const int n = pages_->PageCount();
  const int i = currentPage_;
  const bool hasResults = meter_->ReadingCount() > 0 || !answerLog_.empty();
  if (runFinished()) {
    if (hasResults && !acOpenFolder_.visible)
      return ok(std::string("結果が保存されていません。") + kTwoBreaks + "かまわず終了しますか？");
    if (!hasResults && i > 0) return ok(std::string("途中です。") + kTwoBreaks + "かまわず終了しますか？");
    return true;
  }
  if (i > 1 && !examineeName_.empty()) {
    if (ok(std::string("途中です。") + kTwoBreaks + "かまわず終了しますか？")) {
      // Break-off: the questions never reached count as unread, and the result page follows.
      for (int k = i + 1; k < n; ++k) {
        const doc::TPage* p = pages_->Page(k);
        if (p && p->Role() == 1) meter_->AddReading(0, 0);
      }
      currentPage_ = n - 1;
      ForwardStep();
    }
    return false;
  }
  return true;
}

bool TForm1Model::CanLeaveView() {
  auto* d = ports_.dialogs;
  auto ok = [&](const std::string& text) {
    return d == nullptr || d->confirmNoOk(text) == platform::Answer::Ok;
  };
  const std::string tail = std::string(kTwoBreaks) + "かまわず読書モードを中断しますか？";
  if (viewMode_ == vmEditing && modified_) return ok(DocumentBaseName() + " は保存されていません。" + tail);
  if (viewMode_ != vmTest) return true;
  const int i = currentPage_;
  const bool hasResults = meter_->ReadingCount() > 0 || !answerLog_.empty();
  if (runFinished()) {
    if (hasResults && !acOpenFolder_.visible) return ok("結果が保存されていません。" + tail);
    if (!hasResults && i > 0) return ok("途中です。" + tail);
    return true;
  }
  if (i > 1) return ok("途中です。" + tail);
  return true;
}

bool TForm1Model::FormClose() { return SaveSettings(settingsPath_, settings_, placement_); }

// ---- window operations ------------------------------------------------------------------

bool TForm1Model::documentIsProjectOrNone() const {
  return documentPath_.empty() || lower(ExtensionOf(documentPath_)) == ".ruvp";
}

void TForm1Model::updatePageEditingVisible() {
  acPageEditing_.visible = documentIsProjectOrNone() && viewMode_ != vmEditing &&
                           (pages_->PageCount() > 0 || !templatePath_.empty() || !scriptPath_.empty());
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
  test_.fontButtonsVisible = mode == vmTest && pages_->PageCount() > 0;
  updatePageEditingVisible();
  changed();
}

void TForm1Model::SetDocumentPath(const std::string& path) {
  if (!path.empty() && lower(BaseNameOf(path)) == kWorkingCopyName) return;
  documentPath_ = path;
  // Cleared even when already clear, so that the caption and the save actions are refreshed.
  modified_ = true;
  SetModified(false);
  const bool project = ExtensionOf(path) == ".ruvp";
  acPageReading_.enabled = project;
  acPageEditing_.enabled = project;
  test_.progressBar1.visible = false;
  pages_->ProgressBar1().visible = false;
  updatePageEditingVisible();
  changed();
}

void TForm1Model::SetModified(bool flag) {
  if (flag == modified_) return;
  modified_ = flag;
  UpdateCaption();
  acPageSave_.enabled = flag;
  acPageSaveAs_.enabled = documentIsProjectOrNone() && pages_->PageCount() > 0;
  if (flag) {
    currentPage_ = 0;
    pageOnScreen_ = -1;
    clearRichEdit1();
  }
  changed();
}

std::string TForm1Model::DocumentBaseName() const {
  return documentPath_.empty() ? std::string() : BaseNameOf(documentPath_);
}

void TForm1Model::UpdateCaption() {
  std::string name;
  if (documentPath_.empty()) name = "tovimeter";
  else if (lower(DocumentBaseName()) == kWorkingCopyName) name = "(無題)";
  else name = DocumentBaseName();
  if (versionText_.empty()) {
    versionText_ = ports_.shell ? ports_.shell->version() : std::string();
    if (versionText_.empty()) versionText_ = "不明";
  }
  caption_ = name + (modified_ ? "(更新)" : "") + " - ルーヴォ " + "Pro " + versionText_;
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

void TForm1Model::SetExamineeName(const std::string& name) {
  examineeName_ = name;
  test_.label3.text = name;
  changed();
}

bool TForm1Model::OpenTestDocument(const std::string& path) {
  rt::RichText loaded;
  const std::string error = doc::LoadDocumentFile(path, loaded);
  if (!error.empty()) {
    if (ports_.dialogs) ports_.dialogs->message(error);
    return false;
  }
  workRichEdit_ = std::move(loaded);
  documentFolder_ = FolderOf(path);
  SetDocumentPath(path);
  parseDocument();
  return true;
}

// The parser's calls into the window.
struct TForm1Model::Host final : doc::DocumentHost {
  explicit Host(TForm1Model& m) : m(m) {}
  void ResetRunState() override {
    // The run starts over: counters, readings, answers and the result of the previous run.
    m.readingStartTick_.reset();
    m.readingWords_ = 0;
    m.questionStartTick_.reset();
    m.resultHeader_.clear();
    m.resultValues_.clear();
    m.resultColumnsAdded_ = false;
    m.lastReportFile_.clear();
    m.lastRecordText_.clear();
    m.test_.fontLevel = 3;
    m.sideTab_ = 2;
  }
  void ClearDocumentState() override {
    m.answerLog_.clear();
    m.scriptPath_.clear();
    m.templatePath_.clear();
    m.currentPage_ = 0;
    m.pageOnScreen_ = -1;
  }
  void ShowFirstPage() override {
    m.qa_->Settings() = m.pages_->Settings();
    m.test_.speedButton1Visible = true;
    m.test_.speedButton1Action = ForwardBinding::acForward;
    m.acForward_.enabled = true;
    m.timer2_.enabled = false;
    if (m.pages_->PageCount() == 0) {
      // Nothing to take: an empty page rather than what the previous document left.
      m.clearRichEdit1();
      m.test_.label1 = {};
      m.test_.label2 = {};
    }
    m.ForwardStep();
  }
  void RebuildPageEditor() override {}
  void SelectTestView() override { m.SetViewMode(vmTest); }
  TForm1Model& m;
};

void TForm1Model::parseDocument() { doc::ParseDocument(workRichEdit_, *pages_, *qa_, *meter_, host_.get()); }

void TForm1Model::ResetDocument() {
  if (modified_ && ports_.dialogs) {
    if (ports_.dialogs->askYesNo("編集中です。保存しますか？") == platform::Answer::Yes) {
      // Saving a project belongs to the authoring side; without it there is nothing to save to.
      if (!saveProjectAs_ || !saveProjectAs_()) return;
    }
  }
  qa_->Clear();
  pages_->Clear();
  currentPage_ = 0;
  pageOnScreen_ = -1;
  SetDocumentPath("");
  templatePath_.clear();
  scriptPath_.clear();
  SetMenusVisible(false);
  test_.label1 = {};
  test_.label2 = {};
  test_.label2.color = 0x000000;
  test_.speedButton1Action = ForwardBinding::acForward;
  test_.checkBox3Visible = false;
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
      fs::permissions(e.path(),
                      perms & ~(fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write),
                      fs::perm_options::replace, ec2);
    }
  }
}

bool TForm1Model::acPropertyEnabled() const { return !documentPath_.empty() && FileExists(documentPath_); }

std::string TForm1Model::PropertyReport() const {
  if (documentPath_.empty() && pages_->PageCount() == 0) return "ファイルは 読み込まれていません";
  const std::string br = kTwoBreaks;
  std::string s = br;
  // Property indexes: 0 date, 1 category, 2 title, 3 writer, 4 comment, 5 naming.
  const std::pair<const char*, int> props[] = {{"title", 2}, {"writer", 3}, {"date", 0},
                                               {"category", 1}, {"comment", 4}, {"naming", 5}};
  for (const auto& [key, index] : props) s += std::string(key) + ": " + pages_->Property(index) + br;
  s += "--------------------" + br;
  if (pages_->Setting(5) != 0) {
    s += "オンライン解答: 有効" + br;
    if (pages_->Setting(6) != 0) s += "採点詳細: 表示" + br;
  }
  if (pages_->Setting(7) != 0) s += "チャンク提示: 有効" + br;
  if (pages_->Setting(8) != 0) s += "フェードイン: 有効" + br;
  s += "--------------------" + br;
  const struct {
    const char* label;
    int index, def;
  } indents[] = {{"書き出しの字下げ: ", 2, 16}, {"左インデント: ", 0, 16}, {"右インデント: ", 1, 16},
                 {"タブのぶら下げインデント: ", 4, 8}, {"段下げ: ", 3, 32}};
  for (const auto& in : indents)
    if (pages_->Setting(in.index) != in.def) s += in.label + std::to_string(pages_->Setting(in.index)) + br;
  return s;
}

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

void TForm1Model::withSession(const std::function<void(doc::DocumentSession&)>& f) {
  doc::DocumentSession session;
  session.work = &workRichEdit_;
  session.pages = pages_.get();
  session.qa = qa_.get();
  session.meter = meter_.get();
  session.host = host_.get();
  session.dialogs = ports_.dialogs;
  session.clipboard = ports_.clipboard;
  session.programFolder = programFolder_;
  session.baseFont = recordFont();
  session.documentPath = [this] { return documentPath_; };
  session.modified = [this] { return modified_; };
  session.setDocumentPath = [this](const std::string& p) { SetDocumentPath(p); };
  f(session);
}

void TForm1Model::acSave() {
  if (!acSave_.enabled) return;
  withSession([](doc::DocumentSession& s) { doc::SaveDocumentAs(s); });
  changed();
}

void TForm1Model::acPaste() {
  withSession([](doc::DocumentSession& s) { doc::acPaste(s); });
  changed();
}

void TForm1Model::acSrcCopy() {
  if (!acSrcCopy_.enabled) return;
  withSession([](doc::DocumentSession& s) { doc::acSrcCopy(s); });
}

// ---- timers -----------------------------------------------------------------------------

void TForm1Model::Timer1Timer() {
  LabelState before = test_.label26;
  if (pages_->PageCount() > 0 && pages_->TimerRunning() && ports_.clock) {
    const std::int64_t s = text::secondsFromMs(ports_.clock->tickMs() - static_cast<std::int64_t>(pages_->StartTick()));
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
  if (!commandLineDoc_.empty() && FileExists(commandLineDoc_) && lower(BaseNameOf(commandLineDoc_)) == kWorkingCopyName) {
    // The teacher's preview hands the examinee program a working copy; it is not needed once open.
    std::error_code ec;
    fs::remove(commandLineDoc_, ec);
    std::string docFolder = FolderOf(commandLineDoc_);
    std::string project = JoinPath(JoinPath(FolderOf(docFolder.empty() ? "." : docFolder), "project"),
                                   BaseNameOf(commandLineDoc_) + ".ruvp");
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
  if (test_.speedButton1Action == ForwardBinding::acCopyRec) acCopyRec();
  else acForward();
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

std::vector<AnswerPanelView> TForm1Model::AnswerPanels() const {
  std::vector<AnswerPanelView> out;
  if (!test_.panel5Visible) return out;
  for (const doc::AnswerPanel& p : qa_->Panels()) {
    AnswerPanelView v;
    v.q = p.number;
    v.question = p.questionText;
    v.choiceCount = p.isField ? 0 : static_cast<int>(p.captions.size());
    v.answer = p.checked > 0 ? p.checked : -1;
    v.answerLabel = p.answerLabel;
    v.fieldText = p.fieldText;
    out.push_back(std::move(v));
  }
  return out;
}

void TForm1Model::SelectChoice(int q, int c) {
  if (qa_->RadioClick(q, c, &test_.richEdit1)) changed();
}

void TForm1Model::SetFieldText(int q, const std::string& textTyped) {
  if (qa_->FieldChanged(q, textTyped)) changed();
}

bool TForm1Model::IsAnswerLinkLine(int line) const {
  return line > 0 && line < test_.richEdit1.lineCount() && text::startsWith(test_.richEdit1.lineText(line), " * ");
}

void TForm1Model::ClickLine(int line) {
  if (!IsAnswerLinkLine(line)) return;
  if (qa_->SelectByLinkText(test_.richEdit1.lineText(line - 1), &test_.richEdit1)) changed();
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
  if (factor == 1.0) return;
  // Sizes are whole points, as the control keeps them; each run is scaled and rounded alone.
  for (auto& p : test_.richEdit1.paragraphs())
    for (auto& r : p.runs) {
      const double pt = r.format.sizeHalfPoints / 2.0;
      const std::int64_t scaled = text::roundHalfEven(pt * factor);
      r.format.sizeHalfPoints = static_cast<int>(std::max<std::int64_t>(1, scaled) * 2);
    }
}

std::string TForm1Model::statusLine(int& glyphs) const {
  std::string s;
  glyphs = 0;
  for (int i = 0; i < pages_->PageCount(); ++i) {
    const doc::TPage* p = pages_->Page(i);
    if (p->Role() == 2) break;
    const bool reached = i <= currentPage_;
    if (p->Kind() == 1) s += reached ? "★" : "☆";
    else if (p->Role() == 1) s += reached ? "▼" : "▽";
    else s += reached ? "■" : "□";
    if (++glyphs % 30 == 0) s += "　\n";
  }
  return s;
}

void TForm1Model::nameEntry() {
  test_.nameBoxUp = true;
  test_.richEdit1Visible = false;
  if (view_) view_->SetRepaintSuspended(false);
  changed();
  flush(false);
  std::string prompt = pages_->Property(5);
  if (prompt.empty()) prompt = "番号か名前を入力";
  const bool first = examineeName_.empty();
  const std::string def = first ? "必須です" : examineeName_;
  std::string name;
  while (true) {
    std::optional<std::string> typed =
        ports_.dialogs ? ports_.dialogs->input("受験者の名前", prompt, def) : std::optional<std::string>(def);
    name = text::trim(typed ? *typed : def);
    if (name.empty()) continue;
    if (first && name == "必須です") continue;
    break;
  }
  SetExamineeName(name);
  test_.nameBoxUp = false;
  test_.richEdit1Visible = true;
  changed();
}

// ---- the forward step -------------------------------------------------------------------

bool TForm1Model::ForwardStep() {
  const bool wasEnabled = acForward_.enabled;
  acForward_.enabled = false;
  if (view_) view_->SetRepaintSuspended(true);
  SetViewMode(vmTest);
  test_.caret = 0;
  bool result = false;
  bool readingConfirmed = false;
  bool chunked = false;
  auto* clock = ports_.clock;
  auto now = [&]() -> std::int64_t { return clock ? clock->tickMs() : 0; };

  [&] {
    const int s5 = pages_->Setting(5);
    // 2: unanswered questions on the panels may send the examinee back.
    if (s5 != 0 && test_.panel5Visible) {
      if (qa_->UnansweredPanelCount() > 0 && ports_.dialogs &&
          ports_.dialogs->askYesNo("未解答項目があります。 もどって解答しますか？") == platform::Answer::Yes)
        return;
    }
    // 3
    if (currentPage_ >= pages_->PageCount()) return;
    doc::TPage* page = pages_->Page(currentPage_);
    // 4: the next phrase of a page presented phrase by phrase.
    if (page->ChunkIndex() >= 0) {
      chunked = true;
      std::size_t caret = 0;
      if (page->ShowNextChunk(test_.richEdit1, caret)) {
        ++currentPage_;
        readingWords_ += doc::CountWords(rt::plainText(test_.richEdit1));
        pages_->ProgressBar1().visible = false;
      } else {
        ChangeFontLevel(0);
        pages_->ProgressBar1().position = page->ChunkIndex() + 1;
      }
      test_.caret = test_.richEdit1.length();
      scrollTo(ScrollRequest::End);
      result = true;
      return;
    }
    // 5: leaving the page on screen.
    if (currentPage_ > 0) {
      doc::TPage* prev = pages_->Page(currentPage_ - 1);
      if (prev->Kind() == 1) {
        if (readingStartTick_) {
          meter_->AddReading(readingWords_, doc::ElapsedSeconds(*readingStartTick_, now()));
          readingStartTick_.reset();
          readingWords_ = 0;
          prev->StopChunks();
          pages_->ProgressBar1().visible = false;
        }
        pages_->SetTimerRunning(true);
      } else if (prev->Kind() == 3) {
        if (questionStartTick_) {
          answerLog_.push_back(std::to_string(doc::ElapsedSeconds(*questionStartTick_, now())));
          questionStartTick_.reset();
        }
      }
    }
    // 6: entering a reading page.
    if (page->Kind() == 1 && !page->PassFlag()) {
      if (!ports_.dialogs ||
          ports_.dialogs->askYesNo("読解計測を始めます。\r\n\r\nいいですか？") != platform::Answer::Yes)
        return;
      readingConfirmed = true;
      pages_->SetTimerRunning(true);
    }
    // 7
    if (pages_->Setting(7) != 0 && page->PhraseMarkCount() > 0) {
      page->StartChunks();
      chunked = true;
    }
    // 8: the status line.
    int glyphs = 0;
    test_.label2.text = statusLine(glyphs);
    test_.label2.color = kGrey;
    test_.label2.left = 22;
    test_.label1.color = 0x000000;
    test_.label1.text = text::format("%D / %D", {currentPage_ + 1, glyphs});
    // 9
    clearRichEdit1();
    pageOnScreen_ = currentPage_;
    // 10: answer panels.
    if (s5 != 0) {
      qa_->RemovePanels();
      if (page->Role() == 1) {
        qa_->ShowPagePanels(currentPage_);
        qa_->SetHostVisible(true);
        test_.panel5Visible = true;
        test_.panel11Visible = true;
      } else {
        qa_->SetHostVisible(false);
        test_.panel5Visible = false;
        test_.panel11Visible = false;
      }
    }
    // 11: the page.
    if (page->ChunkIndex() >= 0) {
      std::size_t caret = 0;
      if (page->ShowNextChunk(test_.richEdit1, caret)) {
        ++currentPage_;
        readingWords_ += doc::CountWords(rt::plainText(test_.richEdit1));
      }
    } else {
      rt::Range sel{0, 0};
      page->Show(test_.richEdit1, sel);
    }
    // 12
    if (page->Kind() == 1) readingStartTick_ = now();
    else if (page->Kind() == 3) questionStartTick_ = now();
    else if (page->Kind() == 5) nameEntry();
    // 13
    if (readingStartTick_ && page->ChunkIndex() < 0 && !chunked)
      readingWords_ += doc::CountWords(rt::plainText(test_.richEdit1));
    if (!chunked) ++currentPage_;
    // 14: the end of the test.
    const int n = pages_->PageCount();
    const bool atEnd = currentPage_ == n || (currentPage_ < n && pages_->Page(currentPage_)->Role() == 2);
    if (atEnd && (meter_->ReadingCount() > 0 || !answerLog_.empty())) {
      resultSection();
      if (s5 == 0) {
        test_.speedButton1Visible = false;
      } else {
        test_.speedButton1Action = ForwardBinding::acCopyRec;
        test_.checkBox3Visible = true;
      }
      ++currentPage_;
    } else {
      ChangeFontLevel(0);
    }
    test_.caret = 0;
    scrollTo(ScrollRequest::Top);
    result = true;
  }();

  test_.progressBar1 = {pages_->ProgressBar1().maximum, pages_->ProgressBar1().position,
                        pages_->ProgressBar1().visible};
  // 15: input made while the step ran is dropped, so a double click moves one page only.
  flush(true);
  if (readingConfirmed) startTimer2(chunked ? 300 : 3000);
  else acForward_.enabled = wasEnabled;
  if (view_) view_->SetRepaintSuspended(false);
  changed();
  return result;
}

// ---- the result record ------------------------------------------------------------------

void TForm1Model::writeRecordHeader(rt::RichText& target) const {
  const rt::CharFormat f = recordFont();
  doc::AppendLine(target, "title: " + pages_->Property(2), f);
  doc::AppendLine(target, "name: " + examineeName_, f);
  doc::AppendLine(target, "date: " + FormatResultDate(endDate()), f);
}

platform::DateTime TForm1Model::endDate() const {
  return ports_.clock ? ports_.clock->now() : platform::DateTime{};
}

void TForm1Model::resultSection() {
  const int s5 = pages_->Setting(5), s6 = pages_->Setting(6);
  const rt::CharFormat f = recordFont();
  pages_->SetTimerRunning(false);
  resultHeader_ = "title";
  resultValues_ = ResultField(pages_->Property(2));
  resultColumnsAdded_ = false;
  rt::RichText w;
  doc::AppendLine(w, "", f);
  doc::AppendLine(w, "---------------", f);
  writeRecordHeader(w);
  AddColumn(resultHeader_, resultValues_, "name", examineeName_);
  AddColumn(resultHeader_, resultValues_, "date", FormatResultDate(endDate()));
  const double minutes = (pages_->StopTick() - pages_->StartTick()) / 1000.0 / 60.0;
  if (minutes > 0) {
    AddColumn(resultHeader_, resultValues_, "time", text::format("%F", {minutes}));
    doc::AppendLine(w, text::format("time: %.0F minutes", {minutes}), f);
  }
  if (s5 != 0) {
    const int n = meter_->ReadingCount();
    if (s5 == 1 && n > 0) {
      const std::string avg = std::to_string(meter_->AverageWPM());
      std::size_t at = doc::AppendLine(w, "average: " + avg + " WPM", f);
      style(w, at + codePoints("average: "), codePoints(avg), kRed, true);
      for (int i = 0; i < n; ++i) {
        const doc::TWPM* r = meter_->ReadingAt(i);
        const std::string wpm = std::to_string(meter_->ReadingWPM(i));
        std::string line = text::format("\t(%D) %D words / %D sec = ", {i + 1, r->Words, r->Seconds});
        at = doc::AppendLine(w, line + wpm + " WPM", f);
        style(w, at + codePoints(line), codePoints(wpm), kBlue, true);
      }
      for (int i = 0; i < n; ++i)
        AddColumn(resultHeader_, resultValues_, text::format("wrd%D", {i + 1}), std::to_string(meter_->ReadingAt(i)->Words));
      for (int i = 0; i < n; ++i)
        AddColumn(resultHeader_, resultValues_, text::format("rt%D", {i + 1}), std::to_string(meter_->ReadingAt(i)->Seconds));
      for (int i = 0; i < n; ++i) {
        const doc::TWPM* r = meter_->ReadingAt(i);
        AddColumn(resultHeader_, resultValues_, text::format("wpm%D", {i + 1}),
                  text::format("%F", {r->Words * 60.0 / std::max(1, r->Seconds)}));
      }
    }
    if (!answerLog_.empty()) {
      if (s6 != 0) {
        doc::AppendLine(w, "questions section:", f);
        for (std::size_t i = 0; i < answerLog_.size(); ++i)
          doc::AppendLine(w, text::format("\t(%D) %S sec", {static_cast<int>(i + 1), answerLog_[i]}), f);
      }
      for (std::size_t i = 0; i < answerLog_.size(); ++i)
        AddColumn(resultHeader_, resultValues_, text::format("qt%D", {static_cast<int>(i + 1)}), answerLog_[i]);
    }
    qa_->WriteAnswerReport(w, s5, s6);
    if (s5 == 1) doc::WriteEfficiencyLine(w, *meter_, *qa_);
  }
  lastRecordText_ = rt::plainText(w);
  appendToRichEdit1(w);
  ChangeFontLevel(0);
}

void TForm1Model::appendToRichEdit1(const rt::RichText& t) {
  rt::RichText& d = test_.richEdit1;
  bool first = true;
  for (const auto& p : t.paragraphs()) {
    if (first && d.isEmpty()) d.paragraphs().front() = p;
    else d.paragraphs().push_back(p);
    first = false;
  }
}

void TForm1Model::acCopyRec() {
  if (viewMode_ == vmTotals) {
    // The totals are copied by the totals view's own handler.
    if (copyTotals_) copyTotals_();
    return;
  }
  const int s5 = pages_->Setting(5), s6 = pages_->Setting(6);
  const rt::CharFormat f = recordFont();
  rt::RichText w;
  writeRecordHeader(w);
  if (s5 == 1) meter_->WriteReadings(w);
  doc::AppendLine(w, "questions section:", f);
  for (std::size_t i = 0; i < answerLog_.size(); ++i)
    doc::AppendLine(w, text::format("\t(%D) %S sec", {static_cast<int>(i + 1), answerLog_[i]}), f);
  qa_->WriteAnswerReport(w, s5, s6);
  if (s5 == 1) doc::WriteEfficiencyLine(w, *meter_, *qa_);
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
  const int s5 = pages_->Setting(5);
  if (!resultValues_.empty() && !resultColumnsAdded_) {
    // Added once: a second Copy must write the same two lines again, not grow them.
    resultColumnsAdded_ = true;
    for (int k = 0; k < qa_->Count(); ++k)
      AddColumn(resultHeader_, resultValues_, text::format("ans%D", {k + 1}), qa_->Item(k)->AnswerText());
    if (s5 == 1)
      for (int k = 0; k < qa_->Count(); ++k)
        if (qa_->Item(k)->Correct() >= 0)
          AddColumn(resultHeader_, resultValues_, text::format("scr%D", {k + 1}), qa_->Item(k)->ScoreText());
    int g = 0;
    for (const auto& grade : text::split(pages_->GradeList(), ','))
      if (!grade.empty()) AddColumn(resultHeader_, resultValues_, text::format("mj%D", {++g}), grade);
  }

  std::string collection;
  if (collectionEnabled_) {
    std::string env = FindRelativeFile("ruvo_envi.dat", programFolder_,
                                       documentFolder_.empty() ? std::vector<std::string>{}
                                                               : std::vector<std::string>{documentFolder_});
    if (!env.empty()) {
      storage::TCompressStringList envList;
      if (envList.LoadFromFile(env)) collection = text::trim(envList.Values("ToTeacher"));
    }
  }
  const bool collectionUsable = !collection.empty() && FolderExists(collection);
  const std::string report = ReportFolder();
  std::vector<std::string> folders{report};
  if (collectionUsable) folders.push_back(collection);
  const std::string baseName = ResultFileName(endDate(), examineeName_);
  // The first counter free in both folders, so that both copies normally share one name; each
  // copy then claims its name atomically, and a name another run took meanwhile moves that
  // copy on to the next counter. A result file is never replaced.
  int number = FreeResultFileNumber(baseName, folders);

  storage::TCompressStringList list(ports_.dialogs);
  list.Add(resultHeader_);
  list.Add(resultValues_);
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
      msg = std::string("結果ファイルの 送信に失敗しました。") + kTwoBreaks + "手動で 回収フォルダーにコピーしてください。";
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
  acOpenFolder_.visible = true;
  acOpenFolder_.enabled = true;
  acOpenFolder_.hint = fileName;
  test_.speedButton1Visible = false;
  if (!sent) acOpenFolder();
  changed();
  return true;
}

void TForm1Model::acOpenFolder() {
  if (ports_.shell && !suppressOpenFolder_) ports_.shell->open(ReportFolder());
}

}  // namespace ruvo::app
