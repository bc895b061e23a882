#include "core/authoring/authoringmodel.h"

namespace ruvo::authoring {

TAuthoringModel::TAuthoringModel(ProjectSession project) {
  const std::function<void()> hostRebuild = project.rebuildEditor;
  project.rebuildEditor = [this, hostRebuild] {
    editor_->Rebuild();
    if (hostRebuild) hostRebuild();
  };
  EditorSession e;
  e.document = project.document;
  e.dialogs = project.dialogs;
  e.clock = project.clock;
  e.showSideTab = project.showSideTab;
  project_ = std::make_unique<TProjectModel>(std::move(project));
  e.grids = &project_->Grids();
  e.scriptChosen = [this] { return !project_->ScriptPath().empty(); };
  editor_ = std::make_unique<TPageEditorModel>(std::move(e));
}

void TAuthoringModel::SetScriptFile(const std::string& path) {
  project_->SetScriptFile(path);
  if (!path.empty()) editor_->FillCorrectAnswersFromScript(project_->CorrectAnswers());
}

bool TAuthoringModel::ChooseScriptEntry(const std::string& path) {
  if (!project_->ChooseScriptEntry(path)) return false;
  editor_->FillCorrectAnswersFromScript(project_->CorrectAnswers());
  return true;
}

void TAuthoringModel::acReviewScript() {
  project_->acReviewScript();
  editor_->FillCorrectAnswersFromScript(project_->CorrectAnswers());
}

bool TAuthoringModel::acDialogScript() {
  if (!project_->acDialogScript()) return false;
  editor_->FillCorrectAnswersFromScript(project_->CorrectAnswers());
  return true;
}

bool TAuthoringModel::acCreateScript() {
  if (!project_->acCreateScript()) return false;
  editor_->FillCorrectAnswersFromScript(project_->CorrectAnswers());
  return true;
}

}  // namespace ruvo::authoring
