#pragma once
// Reads the answer panels of the page on screen out of the main-window model.
#include <vector>

#include "core/app/form1model.h"
#include "gui/app/answerpanels.h"

namespace ruvo::gui {

std::vector<AnswerPanelSpec> answerPanelSpecsOf(app::TForm1Model& model);

}  // namespace ruvo::gui
