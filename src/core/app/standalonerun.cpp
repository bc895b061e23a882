#include "core/app/standalonerun.h"

#include "core/document/documentformat.h"

namespace ruvo::app {

TStandaloneRun::TStandaloneRun(const rt::RichText& work, TRunView& view, platform::Clock* clock)
    : pages_(std::make_unique<doc::TPageControler>()),
      qa_(std::make_unique<doc::TQAControler>(pages_.get())),
      meter_(std::make_unique<doc::TWPMMeter>()) {
  pages_->SetQAControler(qa_.get());
  run_ = std::make_unique<TTestRun>(RunModels{pages_.get(), qa_.get(), meter_.get()}, view, clock);
  pages_->SetClock(&run_->Clock());
  // The parser tidies the text it reads: it reads a copy, dropped once the models stand.
  rt::RichText copy = work;
  doc::ParseDocument(copy, *pages_, *qa_, *meter_, nullptr);
  qa_->Settings() = pages_->Settings();
}

TStandaloneRun::~TStandaloneRun() {
  run_.reset();
  // Pages free their question items through the question controller: pages go first.
  pages_.reset();
  qa_.reset();
}

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
