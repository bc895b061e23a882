#include "core/app/standalonerun.h"

namespace ruvo::app {

TStandaloneRun::TStandaloneRun(const rt::RichText& work, TRunView& view, platform::Clock* clock) {
  run_ = std::make_unique<TTestRun>(RunModels{&doc_.Pages(), &doc_.QA(), &doc_.Meter()}, view, clock);
  doc_.Pages().SetClock(&run_->Clock());
  // The parser tidies the text it reads: it reads a copy, dropped once the models stand (the
  // test's text is shared by every run).
  doc_.Open(work);
  doc_.Work() = rt::RichText();
}

TStandaloneRun::~TStandaloneRun() = default;

void TStandaloneRun::Start() {
  run_->ResetTiming();
  run_->ResetRun();
  run_->ForwardStep();
}

std::vector<std::string> TStandaloneRun::ResultLines() {
  run_->AddAnswerColumnsOnce();
  return {run_->Result().HeaderLine(), run_->Result().ValueLine()};
}

}  // namespace ruvo::app
