#pragma once
// The editing side of the main window in one piece: the project actions and the page editor
// over the same document and grids, wired to each other. The main window model owns one and
// answers its session; it keeps none of this logic itself.
#include <memory>

#include "core/authoring/pageeditor.h"
#include "core/authoring/project.h"

namespace ruvo::authoring {

class TAuthoringModel final {
 public:
  // Both work on `project.document`. `project.rebuildEditor` is the editor's own rebuild (any
  // given one runs after it).
  explicit TAuthoringModel(ProjectSession project);
  TAuthoringModel(const TAuthoringModel&) = delete;
  TAuthoringModel& operator=(const TAuthoringModel&) = delete;

  TProjectModel& Project() { return *project_; }
  TPageEditorModel& Editor() { return *editor_; }

  // Choosing a script also refills the editor's correct-answer grid from it.
  void SetScriptFile(const std::string& path);
  bool ChooseScriptEntry(const std::string& path);
  void acReviewScript();
  bool acDialogScript();
  bool acCreateScript();

 private:
  std::unique_ptr<TProjectModel> project_;
  std::unique_ptr<TPageEditorModel> editor_;
};

}  // namespace ruvo::authoring
