// A drop of a folder of result files on the main window: read, totalled, the tables written into
// RichEdit1 and their columns aligned, as the teacher waits for them.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/storage/compressstringlist.h"
#include "gui/app/mainwindow.h"
#include "gui/richtext/richview.h"

namespace {

QApplication& app() {
  static int argc = 1;
  static char name[] = "bench_gui_totals";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

struct Folder {
  std::string path;
  explicit Folder(int results) {
    char tmpl[] = "/tmp/ruvo-bench-totals-XXXXXX";
    path = mkdtemp(tmpl);
    setenv("TOVIMETER_HOME", path.c_str(), 1);
    std::filesystem::create_directories(path + "/results");
    for (int i = 0; i < results; ++i) {
      ruvo::storage::TCompressStringList l;
      l.Add("title\tname\tdate\twpm1\twpm2\tscr1\tscr2\tscr3\tscr4");
      l.Add("Unit " + std::to_string(i % 3) + "\tStudent " + std::to_string(i) +
            "\t2024/06/01 10:" + std::to_string(10 + i % 50) + ":00\t" + std::to_string(100 + i % 300) +
            ".00\t212.50\t1\t0\t1\t" + std::to_string(i % 2));
      std::ofstream(path + "/results/r" + std::to_string(i) + ".ruvot", std::ios::binary) << l.SaveToCompressedStream();
    }
  }
  ~Folder() { std::filesystem::remove_all(path); }
};

void BM_DropFolderOnMainWindow(benchmark::State& state) {
  app();
  Folder f(static_cast<int>(state.range(0)));
  ruvo::gui::TForm1 w;
  w.show();
  QApplication::processEvents();
  for (auto _ : state) {
    w.model().DropFiles({f.path + "/results"});
    QApplication::processEvents();
    benchmark::DoNotOptimize(w.richEdit1()->document()->blockCount());
  }
}
BENCHMARK(BM_DropFolderOnMainWindow)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
