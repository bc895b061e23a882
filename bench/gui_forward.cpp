// From a press of Forward on a page of 3,000 words to that page painted in the window.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "gui/app/mainwindow.h"
#include "gui/richtext/richview.h"
#include "gui_common.h"

namespace {

constexpr int kPages = 40;

QApplication& app() {
  static int argc = 1;
  static char name[] = "bench_gui_forward";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

class NoShell final : public ruvo::platform::Shell {
 public:
  bool open(const std::string&) override { return true; }
  bool start(const std::string&, const std::vector<std::string>&) override { return true; }
  std::string programPath() override { return {}; }
  std::string version() override { return "0"; }
  std::string systemName() override { return {}; }
};

struct Window {
  NoShell shell;
  std::unique_ptr<ruvo::gui::TForm1> w;
  explicit Window(const std::string& doc) {
    ruvo::gui::TForm1Options opt;
    opt.args = {doc};
    opt.examineeOnly = true;
    opt.overrides.shell = &shell;
    w = std::make_unique<ruvo::gui::TForm1>(opt);
    w->resize(800, 700);
    w->show();
    while (!w->showStepDone()) QTest::qWait(5);
    QTest::qWait(20);
  }
  ~Window() {
    w->hide();
    w.reset();
  }
  // One press and the paint it causes.
  void forward() {
    QTest::mouseClick(w->speedButton1(), Qt::LeftButton);
    w->richEdit1()->viewport()->repaint();
  }
};

void BM_ForwardToPaint3000Words(benchmark::State& state) {
  app();
  const QString home = QDir::tempPath() + QStringLiteral("/ruvo-bench-forward");
  QDir().mkpath(home + QStringLiteral("/system"));
  qputenv("TOVIMETER_HOME", home.toUtf8());
  const std::string doc = (home + QStringLiteral("/long.ruvo")).toStdString();
  ruvo::benchgui::writePacked(doc, ruvo::benchgui::makeLongDocumentRtf(kPages, 3000));
  auto win = std::make_unique<Window>(doc);
  win->forward();  // the first reading page
  int shown = 1;
  for (auto _ : state) {
    if (shown >= kPages - 1) {
      state.PauseTiming();
      win.reset();
      win = std::make_unique<Window>(doc);
      win->forward();
      shown = 1;
      state.ResumeTiming();
    }
    win->forward();
    ++shown;
  }
  // What was painted last: a page of the expected size, not an error page.
  state.counters["chars"] = static_cast<double>(win->w->richEdit1()->document()->characterCount());
  state.counters["page"] = win->w->model().FCurrentPage();
  win.reset();
  QDir(home).removeRecursively();
}
BENCHMARK(BM_ForwardToPaint3000Words)->Unit(benchmark::kMillisecond)->Iterations(60);

// One press on a page of 3,000 words shown phrase by phrase (a phrase of 5 words): the text up to
// the phrase is rebuilt, underlined and faded, and painted.
void BM_PhraseStepToPaint3000Words(benchmark::State& state) {
  app();
  const QString home = QDir::tempPath() + QStringLiteral("/ruvo-bench-phrase");
  QDir().mkpath(home + QStringLiteral("/system"));
  qputenv("TOVIMETER_HOME", home.toUtf8());
  const std::string doc = (home + QStringLiteral("/phrases.ruvo")).toStdString();
  ruvo::benchgui::writePacked(doc, ruvo::benchgui::makeLongDocumentRtf(2, 3000, 5));
  auto win = std::make_unique<Window>(doc);
  int presses = 0;
  for (auto _ : state) {
    if (win->w->model().FCurrentPage() > 0 || ++presses > 550) {
      state.PauseTiming();
      win.reset();
      win = std::make_unique<Window>(doc);
      presses = 1;
      state.ResumeTiming();
    }
    win->forward();
  }
  state.counters["chars"] = static_cast<double>(win->w->richEdit1()->document()->characterCount());
  win.reset();
  QDir(home).removeRecursively();
}
BENCHMARK(BM_PhraseStepToPaint3000Words)->Unit(benchmark::kMillisecond)->Iterations(300);

}  // namespace

BENCHMARK_MAIN();
