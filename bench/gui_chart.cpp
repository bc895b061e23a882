// The chart of 10,000 results: drawing commands built from the score list, then painted on
// the 800 x 600 image as the feedback window shows it.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <random>

#include "core/report/wpmscores.h"
#include "gui/report/chartpainter.h"

namespace {

QGuiApplication& app() {
  static int argc = 1;
  static char name[] = "bench_gui_chart";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication* a = new QGuiApplication(argc, argv);
  return *a;
}

void BM_DrawAndPaintChart(benchmark::State& state) {
  app();
  ruvo::report::TWpmScores scores;
  std::mt19937 rng(3);
  for (int i = 0; i < state.range(0); ++i)
    scores.AddPoint(40000 + i / 100.0, 50 + static_cast<float>(rng() % 300), static_cast<float>(rng() % 11) / 10);
  scores.SetSeed(1);
  for (auto _ : state) {
    scores.DrawGraph();
    QImage img = ruvo::gui::RenderChart(scores.GraphChart());
    benchmark::DoNotOptimize(img.constBits());
  }
}
BENCHMARK(BM_DrawAndPaintChart)->Arg(40)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
