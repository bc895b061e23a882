// The editing view over a 1,000-page document: a page added in front of the first page and
// deleted again, each followed by the editor's rebuild and the window's new tree (two whole
// rebuilds per iteration).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>

#include "core/app/form1model.h"
#include "core/authoring/authoringmodel.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/platform/headlessports.h"
#include "gui/app/mainwindow.h"
#include "gui/authoring/editview.h"

using namespace ruvo;

namespace {

QApplication& app() {
  static int argc = 1;
  static char name[] = "bench_gui_editor";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

rt::RichBuffer line(const std::string& s) { return rt::RichText(s); }

void fill(doc::TPageControler& pages) {
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
}

void BM_EditingViewRebuild1000Pages(benchmark::State& state) {
  app();
  char tmpl[] = "/tmp/ruvo-bench-editor-XXXXXX";
  const char* home = mkdtemp(tmpl);
  if (!home) {
    state.SkipWithError("no temporary folder");
    return;
  }
  setenv("TOVIMETER_HOME", home, 1);
  platform::HeadlessPorts hp;
  gui::TForm1Options opt;
  opt.overrides.dialogs = &hp.dialogs;
  opt.overrides.shell = &hp.shell;
  opt.overrides.clipboard = &hp.clipboard;
  struct Cleanup {
    std::string dir;
    ~Cleanup() { std::filesystem::remove_all(dir); }
  } cleanup{home};
  {
    gui::TForm1 w(opt);
    w.resize(1100, 700);
    w.model().SetViewMode(app::vmEditing);
    fill(w.model().FPageControler());
    authoring::TPageEditorModel& editor = w.model().Authoring().Editor();
    editor.Rebuild();
    w.editView()->render();
    if (state.range(0) == 0) {
      // Nothing changed: what every tick of the running clock costs the editing view.
      for (auto _ : state) w.editView()->render();
      return;
    }
    for (auto _ : state) {
      editor.Select({authoring::EntryKind::Page, 0});
      editor.acPageAdd();
      w.editView()->render();
      editor.Select({authoring::EntryKind::Page, 0});
      editor.acPageDelete();
      w.editView()->render();
    }
    state.counters["items"] = w.editView()->tree()->topLevelItem(0)->childCount();
  }
}
// Arg 1: add and delete a page; arg 0: a render with nothing changed.
BENCHMARK(BM_EditingViewRebuild1000Pages)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
