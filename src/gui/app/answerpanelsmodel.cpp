#include "gui/app/answerpanelsmodel.h"

namespace ruvo::gui {

std::vector<AnswerPanelSpec> answerPanelSpecsOf(app::TForm1Model& model) {
  std::vector<AnswerPanelSpec> out;
  for (const app::AnswerPanelView& v : model.AnswerPanels())
    out.push_back(AnswerPanelSpec{v.q, v.question, v.choiceCount, v.answer, v.answerLabel, v.fieldText});
  return out;
}

}  // namespace ruvo::gui
