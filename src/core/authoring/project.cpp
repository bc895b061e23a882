#include "core/authoring/project.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/document/document.h"
#include "core/document/documentfile.h"
#include "core/document/pagecontroler.h"
#include "core/storage/atomicfile.h"
#include "core/storage/filenames.h"
#include "core/text/format.h"
#include "core/text/strings.h"

namespace ruvo::authoring {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBreak2 = "\r\n\r\n";
constexpr const char* kRtfFilter = "rich text (*.rtf)|*.rtf";
constexpr const char* kProjectFilter = "project files (*.ruvp)|*.ruvp";
constexpr const char* kRuvoFilter = "tovimeter files (*.ruvo)|*.ruvo";
constexpr rt::Color kRed = 0xFF0000;

bool isFile(const std::string& p) {
  std::error_code ec;
  return !p.empty() && fs::is_regular_file(p, ec);
}

std::string folderOf(const std::string& p) { return fs::path(p).parent_path().string(); }

void ensureFolder(const std::string& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
}

bool readRich(const std::string& path, const rt::CharFormat& font, rt::RichText& out, std::string* error = nullptr) {
  std::string bytes;
  if (const auto read = storage::readWholeFile(path, bytes); !read) {
    if (error) *error = path + ": " + (read.error() ? std::strerror(read.error()) : "cannot be read");
    return false;
  }
  out = doc::TextFromBytes(bytes, font);
  return true;
}

}  // namespace

TProjectModel::TProjectModel(ProjectSession s) : s_(std::move(s)) {}

std::string TProjectModel::Folder(const std::string& relative) const {
  return (fs::path(s_.programFolder) / relative).lexically_normal().string();
}

void TProjectModel::message(const std::string& text) const {
  if (s_.dialogs) s_.dialogs->message(text);
}

std::string TProjectModel::dialogFolder(DialogFolder which, const std::string& fallback) const {
  const std::string& f = folders_[static_cast<std::size_t>(which)];
  return f.empty() ? fallback : f;
}

// ---- script and template ----------------------------------------------------------------------

void TProjectModel::SetTemplateFile(const std::string& path) {
  templatePath_ = path;
  templatePreview_ = rt::RichText();
  if (!path.empty()) {
    readRich(path, s_.baseFont, templatePreview_);
    if (s_.document) rt::layoutParagraphs(templatePreview_, s_.document->Pages().Indents());
    const int size = s_.baseFont.sizeHalfPoints * 14 / 10;
    for (rt::Paragraph& p : templatePreview_.paragraphs()) {
      if (!IsTemplateHeaderLine(p.text())) continue;
      for (rt::Run& r : p.runs) {
        r.format.bold = true;
        r.format.underline = true;
        r.format.sizeHalfPoints = size;
      }
    }
    if (s_.showSideTab) s_.showSideTab(SideTab::Template);
    templateButton_ = EditButton::Edit;
  }
}

void TProjectModel::SetScriptFile(const std::string& path) {
  scriptPath_ = path;
  scriptPreview_ = rt::RichText();
  if (!path.empty()) {
    readRich(path, s_.baseFont, scriptPreview_);
    // The grids and the overview come from the file as it is, before any layout.
    const bool numbers = grids_.autoNumbers, indent = grids_.autoIndent;
    grids_ = ReadScriptHeader(scriptPreview_);
    grids_.autoNumbers = numbers;
    grids_.autoIndent = indent;
    correctAnswers_ = CorrectAnswerOverview(scriptPreview_);
    if (s_.document) rt::layoutParagraphs(scriptPreview_, s_.document->Pages().Indents());
    if (s_.showSideTab) s_.showSideTab(SideTab::Script);
    scriptButton_ = EditButton::Edit;
  }
}

std::string TProjectModel::TemplateLabel() const {
  return templatePath_.empty() ? "" : storage::BaseNameOf(templatePath_);
}
std::string TProjectModel::ScriptLabel() const { return scriptPath_.empty() ? "" : storage::BaseNameOf(scriptPath_); }
bool TProjectModel::CheckBoxesEnabled() const { return isFile(templatePath_) && isFile(scriptPath_); }

// ---- readiness -----------------------------------------------------------------------------------

bool TProjectModel::TemplateReady(bool tell) {
  if (isFile(templatePath_)) return true;
  if (tell) message(text::format(text::replaceAll(kMsgSetFile, "%0:S", "%S"), {"Template", "Template"}));
  return false;
}

bool TProjectModel::ScriptReady(bool tell) {
  if (isFile(scriptPath_)) return true;
  if (tell) message(text::format(text::replaceAll(kMsgSetFile, "%0:S", "%S"), {"Script", "Script"}));
  return false;
}

bool TProjectModel::BothReady(bool tell) { return TemplateReady(tell) && ScriptReady(tell); }

bool TProjectModel::ProjectReady(bool tell) {
  if (!BothReady(tell)) return false;
  if (s_.document && s_.document->Pages().PageCount() > 0) return true;
  if (tell) message(kMsgNoProject);
  return false;
}

bool TProjectModel::IsProject() const {
  const std::string path = s_.document ? s_.document->Path() : std::string();
  return path.empty() || storage::IsProjectPath(path);
}

// ---- outside editor ------------------------------------------------------------------------------

void TProjectModel::acEditTemplate() {
  if (!isFile(templatePath_)) return;
  if (s_.shell) s_.shell->open(templatePath_);
  templatePreview_ = rt::colouredLines({{kMsgReviewNote, rt::kAutoColor}});
  templateButton_ = EditButton::Review;
}

void TProjectModel::acReviewTemplate() {
  if (isFile(templatePath_)) SetTemplateFile(templatePath_);
}

void TProjectModel::acEditScript() {
  if (!isFile(scriptPath_)) return;
  if (s_.shell) s_.shell->open(scriptPath_);
  scriptPreview_ = rt::colouredLines({{"", rt::kAutoColor},
                                      {kMsgReviewNote, rt::kAutoColor},
                                      {"", rt::kAutoColor},
                                      {"注意！", kRed},
                                      {kMsgRenamedNote, rt::kAutoColor}});
  scriptButton_ = EditButton::Review;
}

void TProjectModel::acReviewScript() {
  if (isFile(scriptPath_)) SetScriptFile(scriptPath_);
}

// ---- Create --------------------------------------------------------------------------------------

bool TProjectModel::reviewFirst(EditButton button, const char* what, void (TProjectModel::*review)()) {
  if (button != EditButton::Review || !s_.dialogs) return true;
  switch (s_.dialogs->askYesNoCancel(text::format(kMsgBeingEdited, {what}))) {
    case platform::Answer::Yes:
      (this->*review)();
      return true;
    case platform::Answer::No:
      return true;
    default:
      return false;
  }
}

bool TProjectModel::acCreateFromTemplate() {
  if (!BothReady(true)) return false;
  if (!reviewFirst(scriptButton_, "Script", &TProjectModel::acReviewScript)) return false;
  if (!reviewFirst(templateButton_, "Template", &TProjectModel::acReviewTemplate)) return false;
  rt::RichText script, templ;
  std::string error;
  if (!readRich(scriptPath_, s_.baseFont, script, &error) || !readRich(templatePath_, s_.baseFont, templ, &error)) {
    message(error);
    return false;
  }
  CompileHooks hooks;
  if (s_.clock) hooks.year = s_.clock->now().year;
  if (s_.dialogs)
    hooks.askTitle = [this](const std::string& caption, const std::string& prompt, const std::string& def) {
      return s_.dialogs->input(caption, prompt, def);
    };
  hooks.progressMax = s_.progressMax;
  hooks.progressStep = s_.progressStep;
  CompileResult r = CompileScript(std::move(script), std::move(templ), grids_, hooks);
  if (!r.ok()) {
    // The open document, the editor and the modified state stay as they were.
    message(r.message);
    return false;
  }
  if (r.answeredTitle) grids_.properties[doc::prTitle] = *r.answeredTitle;
  if (s_.document) CopyDocument(r.document->pages, *s_.document);
  if (s_.rebuildEditor) s_.rebuildEditor();
  if (s_.document)
    s_.document->SetPath((fs::path(Folder(kProjectFolder)) /
                          storage::ChangeExtension(fs::path(scriptPath_).filename().string(), ".ruvp"))
                             .string());
  if (s_.document) s_.document->SetModified(true);
  if (s_.showSideTab) s_.showSideTab(SideTab::Property);
  message(kMsgCreated);
  return true;
}

// ---- new script and template ---------------------------------------------------------------------

bool TProjectModel::acCreateScript() {
  if (!s_.dialogs) return false;
  const std::string start = dialogFolder(dfNewScript, Folder(kScriptFolder));
  ensureFolder(start);
  const std::optional<std::string> path = s_.dialogs->saveFile("New Script", kRtfFilter, start, "", "rtf");
  if (!path) return false;
  folders_[dfNewScript] = folderOf(*path);
  const platform::DateTime now = s_.clock ? s_.clock->now() : platform::DateTime{};
  ensureFolder(folderOf(*path));
  if (!storage::writeFileAtomic(*path, rt::writeRtf(NewScriptSkeleton(now)))) {
    message(*path + kBreak2 + doc::kMsgSaveFailed);
    return false;
  }
  SetScriptFile(*path);
  if (s_.showSideTab) s_.showSideTab(SideTab::Script);
  scriptButton_ = EditButton::Edit;
  acEditScript();
  return true;
}

bool TProjectModel::acCreateTemplate() {
  if (!s_.dialogs) return false;
  const std::string start = dialogFolder(dfNewTemplate, Folder(kTemplateFolder));
  ensureFolder(start);
  const std::optional<std::string> path = s_.dialogs->saveFile("New Template", kRtfFilter, start, "", "rtf");
  if (!path) return false;
  folders_[dfNewTemplate] = folderOf(*path);
  ensureFolder(folderOf(*path));
  if (!storage::writeFileAtomic(*path, rt::writeRtf(NewTemplateSkeleton()))) {
    message(*path + kBreak2 + doc::kMsgSaveFailed);
    return false;
  }
  SetTemplateFile(*path);
  if (s_.showSideTab) s_.showSideTab(SideTab::Template);
  templateButton_ = EditButton::Edit;
  acEditTemplate();
  return true;
}

// ---- save and open -------------------------------------------------------------------------------

std::string TProjectModel::ProjectFileFor(const std::string& path) const {
  return (fs::path(Folder(kProjectFolder)) / storage::ChangeExtension(fs::path(path).filename().string(), ".ruvp"))
      .string();
}

std::string TProjectModel::TestDocumentFor(const std::string& path) const {
  const std::string projects = Folder(kProjectFolder) + "/";
  const std::string p = fs::path(path).lexically_normal().string();
  std::string target = path;
  if (p.starts_with(projects)) target = (fs::path(Folder(kRuvofFolder)) / p.substr(projects.size())).string();
  return storage::ChangeExtension(target, ".ruvo");
}

bool TProjectModel::SaveReplacesProtected(const std::string& path) const {
  const auto shipped = [this](const std::string& file) {
    const std::string f = fs::path(file).lexically_normal().string();
    for (const char* folder : {kRuvofFolder, kProjectFolder})
      if (f.starts_with((fs::path(Folder(folder)) / kSampleFolder).lexically_normal().string() + "/")) return true;
    return false;
  };
  for (const std::string& target : {ProjectFileFor(path), TestDocumentFor(path)})
    if (storage::fileExists(target) && (shipped(target) || doc::IsProtectedFile(target))) return true;
  return false;
}

bool TProjectModel::Save(const std::string& path) {
  if (!s_.document) return false;
  doc::TDocument& d = *s_.document;
  if (!d.Pages().HasNamePage()) {
    message(kMsgNoNamePage);
    return false;
  }
  // Nothing is written when one of the two files may not be replaced: a project file saved
  // without its test document would rename the document for nothing.
  if (SaveReplacesProtected(path)) {
    const bool project = doc::IsProtectedFile(ProjectFileFor(path));
    message(path + kBreak2 + (project ? kMsgProjectNotSaved : kMsgRuvoNotSaved));
    return false;
  }
  // The model as it is now, never an older text of the work area.
  d.Work() = rt::RichText();
  d.Pages().WriteDocument(d.Work());

  const std::string project = ProjectFileFor(path);
  ensureFolder(folderOf(project));
  // The write's own result: a file left from an earlier save is no proof of this one.
  if (!storage::writeFileAtomic(project, rt::writeRtf(d.Work()))) {
    message(path + kBreak2 + kMsgProjectNotSaved);
    return false;
  }
  d.SetPath(project);  // a working copy never names the document

  if (!doc::SaveDocumentFile(TestDocumentFor(path), d.Work(), nullptr)) {
    message(path + kBreak2 + kMsgRuvoNotSaved);
    return false;
  }
  if (!storage::IsWorkingCopyPath(path)) d.SetModified(false);
  return true;
}

bool TProjectModel::acPageSave() {
  const std::string path = s_.document ? s_.document->Path() : std::string();
  if (path.empty() || SaveReplacesProtected(path)) return acPageSaveAs() == 1;
  return Save(path);
}

int TProjectModel::acPageSaveAs() {
  if (!s_.document || !s_.dialogs) return 2;
  if (!s_.document->Pages().HasNamePage()) {
    message(kMsgNoNamePage);
    return 2;
  }
  const std::string current = s_.document ? s_.document->Path() : std::string();
  std::string folder, name, filter = kRuvoFilter;
  if (!current.empty() && SaveReplacesProtected(current)) {
    // A shipped sample or a read-only file: its name in a folder a save can write.
    const bool project = storage::IsProjectPath(current);
    folder = project ? Folder(kProjectFolder) : dialogFolder(dfSaveAs, Folder(kRuvofFolder));
    name = fs::path(current).filename().string();
    if (project) filter = kProjectFilter;
  } else if (!current.empty() && storage::IsProjectPath(current)) {
    folder = folderOf(current);
    name = current;
    filter = kProjectFilter;
  } else if (!current.empty()) {
    folder = folderOf(current);
    name = fs::path(current).filename().string();
  } else {
    folder = dialogFolder(dfSaveAs, Folder(kRuvofFolder));
  }
  ensureFolder(folder);
  const std::optional<std::string> path = s_.dialogs->saveFile("Save As", filter, folder, name, "ruvo");
  if (!path) return 2;
  folders_[dfSaveAs] = folderOf(*path);
  Save(*path);
  return 1;
}

bool TProjectModel::OpenProject(const std::string& path) {
  if (!s_.document) return false;
  rt::RichText text;
  if (!readRich(path, s_.baseFont, text)) {
    message(text::format(kMsgCannotOpen, {path}));
    return false;
  }
  doc::TDocument& d = *s_.document;
  d.Work() = std::move(text);
  const std::string copy = (fs::path(Folder(kTmpFolder)) / fs::path(path).filename()).string();
  ensureFolder(Folder(kTmpFolder));
  doc::SaveDocumentFile(copy, d.Work(), nullptr);
  d.SetPath(path);
  d.Parse();
  return true;
}

bool TProjectModel::acCreate() {
  if (s_.canLeaveView && !s_.canLeaveView()) return false;
  if (s_.showSideTab) s_.showSideTab(SideTab::Help);
  if (s_.resetDocument && !s_.resetDocument()) return false;
  if (s_.selectEditingView) s_.selectEditingView();
  if (s_.rebuildEditor) s_.rebuildEditor();
  if (s_.showSideTab) s_.showSideTab(SideTab::Help);
  return true;
}

// ---- the examinee program ------------------------------------------------------------------------

std::string TProjectModel::examineeProgram() const {
  // In an installation the program folder is the user's data folder and the examinee program
  // lies beside the running one; a portable folder holds both.
  const std::string programs = !s_.executableFolder.empty() ? s_.executableFolder
                               : s_.shell                   ? folderOf(s_.shell->programPath())
                                                            : std::string();
  if (!programs.empty()) {
    const std::string beside = (fs::path(programs) / kExamineeProgram).string();
    if (isFile(beside)) return beside;
  }
  return Folder(kExamineeProgram);
}

bool TProjectModel::examineeReady() const {
  if (isFile(examineeProgram())) return true;
  std::string folder = s_.programFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  message(std::string(kMsgNoExaminee) + kBreak2 + text::format(kMsgPlaceExaminee, {kExamineeProgram, folder}));
  return false;
}

bool TProjectModel::acPageReading() {
  if (!examineeReady()) return false;
  const std::string base = std::string(kPreviewBaseName);
  // A failed save leaves an older preview file behind: the examinee must never see it.
  if (!Save((fs::path(Folder(kProjectFolder)) / (base + ".ruvp")).string())) return false;
  return StartExaminee((fs::path(Folder(kRuvofFolder)) / (base + ".ruvo")).string());
}

bool TProjectModel::StartExaminee(const std::string& testDocument) {
  if (!examineeReady()) return false;
  if (!isFile(testDocument)) {
    message(kMsgNoPreviewFile);
    return false;
  }
  return s_.shell && s_.shell->start(examineeProgram(), {testDocument});
}

// ---- folder menus --------------------------------------------------------------------------------

std::vector<FolderMenuEntry> TProjectModel::ProjectMenu() const {
  return BuildFolderMenu(Folder(kProjectFolder), ".ruvp", true);
}
std::vector<FolderMenuEntry> TProjectModel::TemplateMenu() const {
  return BuildFolderMenu(Folder(kTemplateFolder), ".rtf", true, "新規作成");
}
std::vector<FolderMenuEntry> TProjectModel::ScriptMenu() const {
  return BuildFolderMenu(Folder(kScriptFolder), ".rtf", true, "新規作成");
}
std::vector<FolderMenuEntry> TProjectModel::ReadingMenu(const std::string& copyCaption) const {
  return BuildFolderMenu(Folder(kRuvofFolder), ".ruvo", true, copyCaption);
}

bool TProjectModel::acOpenProject() { return !s_.canLeaveView || s_.canLeaveView(); }

bool TProjectModel::OpenProjectEntry(const std::string& path) {
  if (!isFile(path)) {
    message(path + kMsgFileNotFound);
    return false;
  }
  if (!OpenProject(path)) return false;
  if (s_.selectEditingView) s_.selectEditingView();
  return true;
}

bool TProjectModel::ChooseTemplateEntry(const std::string& path) {
  if (!isFile(path)) {
    message(path + kMsgFileNotFound);
    return false;
  }
  SetTemplateFile(path);
  return true;
}

bool TProjectModel::ChooseScriptEntry(const std::string& path) {
  if (!isFile(path)) {
    message(path + kMsgFileNotFound);
    return false;
  }
  SetScriptFile(path);
  return true;
}

bool TProjectModel::acDialogProject() {
  if (!s_.dialogs) return false;
  const std::string start = dialogFolder(dfProject, Folder(kProjectFolder));
  const std::optional<std::string> path = s_.dialogs->openFile("Open Project", kProjectFilter, start);
  if (!path) return false;
  folders_[dfProject] = folderOf(*path);
  return OpenProject(*path);
}

bool TProjectModel::acDialogTemplate() {
  if (!s_.dialogs) return false;
  const std::optional<std::string> path =
      s_.dialogs->openFile("Template", kRtfFilter, dialogFolder(dfTemplate, Folder(kTemplateFolder)));
  if (!path) return false;
  folders_[dfTemplate] = folderOf(*path);
  SetTemplateFile(*path);
  return true;
}

bool TProjectModel::acDialogScript() {
  if (!s_.dialogs) return false;
  const std::optional<std::string> path =
      s_.dialogs->openFile("Script", kRtfFilter, dialogFolder(dfScript, Folder(kScriptFolder)));
  if (!path) return false;
  folders_[dfScript] = folderOf(*path);
  SetScriptFile(*path);
  return true;
}

}  // namespace ruvo::authoring
