#pragma once
// The teacher's files around a test: the chosen script and template with their previews,
// Create (the compile adopted by the open document), saving as a project plus a test
// document, opening a project, New, the reading preview and the folder menus. The main
// window model owns one over its document and answers its ProjectSession.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/authoring/compiler.h"
#include "core/authoring/foldermenu.h"
#include "core/authoring/scriptfile.h"
#include "core/platform/ports.h"
#include "core/richtext/richtext.h"

namespace ruvo::doc {
class TDocument;
}

namespace ruvo::authoring {

// Folders below the program folder.
inline constexpr const char* kProjectFolder = "system/project";
inline constexpr const char* kRuvofFolder = "system/ruvof";
inline constexpr const char* kTemplateFolder = "system/template";
inline constexpr const char* kScriptFolder = "system/script";
inline constexpr const char* kTmpFolder = "tmp";
// The shipped samples below the test-document and project folders.
inline constexpr const char* kSampleFolder = "sample";
// The examinee program beside this one.
inline constexpr const char* kExamineeProgram = "ruvo";
inline constexpr const char* kPreviewBaseName = "ruvo$$$";

inline constexpr const char* kMsgSetFile = "%S ファイルを\r\n\r\n [ %0:S ] アイコンから設定してください。";
inline constexpr const char* kMsgNoProject =
    "プロジェクトが作成されていません。\r\n\r\n [ Create ] アイコンから作成してください。";
inline constexpr const char* kMsgFileNotFound = " ファイルが見つかりません";
inline constexpr const char* kMsgNoNamePage =
    "名前入力要求のページがありません。\r\n\r\nプロジェクトを修正してください。\r\n\r\n"
    "ページツリーのページ項目クリックから名前入力(&N) 設定を操作";
inline constexpr const char* kMsgProjectNotSaved = "プロジェクトファイルの保存ができませんでした";
inline constexpr const char* kMsgRuvoNotSaved = "ルーヴォファイルの保存ができませんでした";
inline constexpr const char* kMsgNoExaminee = "受験者用ルーヴォが 見つかりません";
inline constexpr const char* kMsgPlaceExaminee = "%S ファイルを %S フォルダに置いてからやり直してください";
inline constexpr const char* kMsgNoPreviewFile =
    "ルーヴォファイルが 見つかりません\r\n\r\n一時ファイルの作成に失敗しました";
inline constexpr const char* kMsgCannotOpen = "ファイル %S が開けません";
inline constexpr const char* kMsgBeingEdited =
    "%S が更新中です。\r\n\r\n編集結果を反映させますか？\r\n\r\n----------------------------------\r\n"
    "編集ソフトは閉じてください\r\n保存していない場合には反映しません\r\n";
inline constexpr const char* kMsgReviewNote = "編集結果を確認するには Review アイコンをクリック";
inline constexpr const char* kMsgRenamedNote = "名前を付け替えて保存したときには Script アイコンから開きなおす";

enum class SideTab { CorrectAnswer, Setting, Property, Template, Script, Help };
// SpeedButton10 / SpeedButton17: Edit, or Review while the file is open in an outside editor.
enum class EditButton { Edit, Review };

// What the project actions need of the main window besides the open document.
struct ProjectSession {
  std::string programFolder;
  // The folder of the running program: an installed examinee program lies beside it.
  std::string executableFolder;
  // The open document: a project opened or a compile adopted replaces its contents.
  doc::TDocument* document = nullptr;
  platform::Dialogs* dialogs = nullptr;
  platform::Shell* shell = nullptr;
  platform::Clock* clock = nullptr;
  rt::CharFormat baseFont;  // FBaseFont
  std::function<void()> rebuildEditor;
  std::function<void(SideTab)> showSideTab;
  std::function<void()> selectEditingView;
  std::function<bool()> canLeaveView;
  // Closes the document (asking to save); false when the user kept it open.
  std::function<bool()> resetDocument;
  // ProgressBar2 during a compile.
  std::function<void(int)> progressMax;
  std::function<void()> progressStep;
};

class TProjectModel final {
 public:
  explicit TProjectModel(ProjectSession s);

  std::string Folder(const std::string& relative) const;  // program folder + relative

  // ---- the chosen script and template ----
  const std::string& TemplatePath() const { return templatePath_; }
  const std::string& ScriptPath() const { return scriptPath_; }
  void SetTemplateFile(const std::string& path);
  void SetScriptFile(const std::string& path);
  const rt::RichText& TemplatePreview() const { return templatePreview_; }  // RichEdit8
  const rt::RichText& ScriptPreview() const { return scriptPreview_; }      // RichEdit9
  std::string TemplateLabel() const;                                        // Label9
  std::string ScriptLabel() const;                                          // Label10
  bool CheckBoxesEnabled() const;                                           // CheckBox1 and CheckBox2
  EditButton TemplateButton() const { return templateButton_; }
  EditButton ScriptButton() const { return scriptButton_; }
  // The property grid, the setting grid and the two check boxes the compile reads.
  CompileInputs& Grids() { return grids_; }
  const CompileInputs& Grids() const { return grids_; }
  const std::vector<CorrectAnswerRow>& CorrectAnswers() const { return correctAnswers_; }

  // ---- readiness (with tell, a failure is shown) ----
  bool TemplateReady(bool tell);
  bool ScriptReady(bool tell);
  bool BothReady(bool tell);
  bool ProjectReady(bool tell);
  bool IsProject() const;

  // ---- actions ----
  void acEditTemplate();
  void acReviewTemplate();
  void acEditScript();
  void acReviewScript();
  // Create: the compile, adopted by the open document only when it succeeds.
  bool acCreateFromTemplate();
  bool acCreateScript();
  bool acCreateTemplate();
  // Save under a path: the project file and the test document. True when both were written.
  bool Save(const std::string& path);
  bool acPageSave();
  // 1: the dialog was confirmed (Save told its own failures); 2: cancelled or no name page.
  int acPageSaveAs();
  bool OpenProject(const std::string& path);
  bool acCreate();
  // Saves under the scratch name and, only when that worked, starts the examinee program.
  bool acPageReading();
  bool StartExaminee(const std::string& testDocument);

  // ---- folder menus and their dialogs ----
  std::vector<FolderMenuEntry> ProjectMenu() const;
  std::vector<FolderMenuEntry> TemplateMenu() const;
  std::vector<FolderMenuEntry> ScriptMenu() const;
  std::vector<FolderMenuEntry> ReadingMenu(const std::string& copyCaption) const;
  bool acOpenProject();  // CanLeaveView before the menu shows
  bool OpenProjectEntry(const std::string& path);
  bool ChooseTemplateEntry(const std::string& path);
  bool ChooseScriptEntry(const std::string& path);
  bool acDialogProject();
  bool acDialogTemplate();
  bool acDialogScript();

  // Where a save under `path` puts the project file and the test document.
  std::string ProjectFileFor(const std::string& path) const;
  std::string TestDocumentFor(const std::string& path) const;
  // True when a save under `path` would replace a file it must leave alone: a shipped sample
  // (system/ruvof/sample, system/project/sample) or any file the user cannot write. Save then
  // goes to Save as.
  bool SaveReplacesProtected(const std::string& path) const;

 private:
  enum DialogFolder { dfSaveAs, dfTemplate, dfReading, dfProject, dfScript, dfNewScript, dfNewTemplate, dfCount };
  void message(const std::string& text) const;
  std::string dialogFolder(DialogFolder which, const std::string& fallback) const;
  bool reviewFirst(EditButton button, const char* what, void (TProjectModel::*review)());
  bool examineeReady() const;
  std::string examineeProgram() const;

  ProjectSession s_;
  std::string templatePath_, scriptPath_;
  rt::RichText templatePreview_, scriptPreview_;
  EditButton templateButton_ = EditButton::Edit;
  EditButton scriptButton_ = EditButton::Edit;
  CompileInputs grids_;
  std::vector<CorrectAnswerRow> correctAnswers_;
  std::array<std::string, dfCount> folders_;
};

}  // namespace ruvo::authoring
