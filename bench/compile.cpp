// Create on a long script: a 100-block script (one passage, three questions of four choices
// each per block) compiled into the shipped standard template, grading every passage.
#include <benchmark/benchmark.h>

#include <string>

#include "core/authoring/compiler.h"
#include "core/authoring/grade.h"
#include "core/richtext/richtext.h"

using namespace ruvo;

namespace {

rt::RichText textOf(const std::vector<std::string>& lines) {
  rt::RichText t;
  t.paragraphs().clear();
  for (const std::string& l : lines) t.paragraphs().push_back(rt::Paragraph{{}, {rt::Run{l, {}}}});
  return t;
}

rt::RichText script(int blocks) {
  std::vector<std::string> l = {"title=Benchmark"};
  for (int b = 0; b < blocks; ++b) {
    l.push_back("!");
    for (int p = 0; p < 3; ++p)
      l.push_back(
          "The children walked slowly along the river, / watching the boats drift past / the old stone bridge. "
          "Mr. Smith, who had taught mathematics for thirty years, / explained the problem again; "
          "nobody understood it, / and the bell rang.");
    for (int q = 0; q < 3; ++q) {
      l.push_back("?");
      l.push_back("What did the children watch from the bank of the river?");
      for (int c = 0; c < 4; ++c) l.push_back(c == 1 ? "*The boats" : "Something else entirely");
    }
  }
  return textOf(l);
}

rt::RichText standardTemplate() {
  std::vector<std::string> l;
  for (const char* name : authoring::kTemplateBlockNames) {
    l.push_back(std::string("[") + name + "]");
    l.push_back("英文は全部で %TotalText% つ、設問は %TotalQue% 問あります。");
    l.push_back("%TextNow% つ目が終わりました。次は %TextNext% つ目です。");
  }
  return textOf(l);
}

void BM_Compile100Blocks(benchmark::State& state) {
  const rt::RichText s = script(static_cast<int>(state.range(0)));
  const rt::RichText t = standardTemplate();
  authoring::CompileInputs in;
  in.properties[2] = "Benchmark";
  int pages = 0;
  for (auto _ : state) {
    // A compile reads the word data itself, as Create does.
    authoring::CompileResult r = authoring::CompileScript(s, t, in);
    pages = r.document ? r.document->pages.PageCount() : -1;
    benchmark::DoNotOptimize(r);
  }
  state.counters["pages"] = pages;
  state.counters["lines"] = s.lineCount();
}
BENCHMARK(BM_Compile100Blocks)->Arg(100)->Unit(benchmark::kMillisecond);

// The same without reading the word data, to show what the compile itself costs.
void BM_Compile100BlocksSharedGrader(benchmark::State& state) {
  const rt::RichText s = script(static_cast<int>(state.range(0)));
  const rt::RichText t = standardTemplate();
  authoring::CompileInputs in;
  in.properties[2] = "Benchmark";
  authoring::TReadingGrader grader;
  authoring::CompileHooks hooks;
  hooks.grader = &grader;
  for (auto _ : state) benchmark::DoNotOptimize(authoring::CompileScript(s, t, in, hooks));
}
BENCHMARK(BM_Compile100BlocksSharedGrader)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
