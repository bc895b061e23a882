#pragma once
// A run that needs no window: the models of one examinee's run parsed from a test's text,
// and the run over them. The web room and the benchmarks hold one per examinee; the test's
// text itself is shared, read-only, by all of them.
#include <memory>

#include "core/app/testrun.h"
#include "core/document/document.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/richtext/richtext.h"

namespace ruvo::app {

class TStandaloneRun final {
 public:
  // work: the test document's text (ParseDocument's tidy form is kept as it is).
  TStandaloneRun(const rt::RichText& work, TRunView& view, platform::Clock* clock);
  ~TStandaloneRun();
  TStandaloneRun(const TStandaloneRun&) = delete;
  TStandaloneRun& operator=(const TStandaloneRun&) = delete;

  // Shows the first page.
  void Start();
  TTestRun& Run() { return *run_; }
  doc::TPageControler& Pages() { return doc_.Pages(); }
  doc::TQAControler& QA() { return doc_.QA(); }
  doc::TWPMMeter& Meter() { return doc_.Meter(); }
  // The two lines of the result file, answers included.
  std::vector<std::string> ResultLines();

 private:
  doc::TDocument doc_;
  std::unique_ptr<TTestRun> run_;
};

}  // namespace ruvo::app
