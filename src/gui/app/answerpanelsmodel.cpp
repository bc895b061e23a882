#include "gui/app/answerpanelsmodel.h"

namespace ruvo::gui {

std::vector<AnswerPanelSpec> answerPanelSpecsOf(app::TForm1Model& model) {
  (void)model;
  return {};
}

}  // namespace ruvo::gui
