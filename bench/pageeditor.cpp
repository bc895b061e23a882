// Rebuilding the page editor (tree, correct-answer grid, property and setting grids) for a
// 1,000-page document: 250 blocks of a reading page, a question page with three questions
// of four choices, and two instruction pages.
#include <benchmark/benchmark.h>

#include "core/authoring/pageeditor.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"

using namespace ruvo;

namespace {

rt::RichBuffer line(const std::string& s) { return rt::RichText(s); }

void BM_RebuildEditor1000Pages(benchmark::State& state) {
  doc::TDocument document;
  doc::TPageControler& pages = document.Pages();
  for (int b = 0; pages.PageCount() < 999; ++b) {
    doc::TPage* r = pages.AddPage();
    r->SetKind(doc::PageKind::ReadingStart);
    r->SetMainTextFromStream(line("The children walked slowly along the river, watching the boats drift past."));
    doc::TPage* q = pages.AddPage();
    q->SetKind(doc::PageKind::QuestionTimer);
    q->SetRole(doc::PageRole::Question);
    q->SetMainTextFromStream(line("内容についての質問です。"));
    for (int i = 0; i < 3; ++i) {
      doc::TQAItem* item = q->NewQuestion();
      item->SetQuestion(line("\t(" + std::to_string(3 * b + i + 1) + ") What did the children watch?"));
      for (int c = 0; c < 4; ++c) item->AddChoice(line("\t\t" + std::to_string(c + 1) + ". The boats"));
      item->SetCorrect(1);
    }
    pages.AddPage()->SetMainTextFromStream(line("英文はここまでです。"));
    pages.AddPage()->SetMainTextFromStream(line("次の英文です。"));
  }
  pages.AddPage()->SetRole(doc::PageRole::Last);
  authoring::CompileInputs grids;
  authoring::EditorSession s;
  s.document = &document;
  s.grids = &grids;
  authoring::TPageEditorModel editor(s);
  for (auto _ : state) {
    editor.Rebuild();
    benchmark::DoNotOptimize(editor.Tree());
  }
  state.counters["pages"] = pages.PageCount();
  state.counters["entries"] = static_cast<double>(editor.Tree().children.size());
}
BENCHMARK(BM_RebuildEditor1000Pages)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
