// From starting `ruvo FILE.ruvo` to the first page painted: the examinee program is started as a
// process and quits on its first paint after opening the test.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include "gui_common.h"

namespace {

void BM_RuvoStartToFirstPaint(benchmark::State& state) {
  const QString home = QDir::tempPath() + QStringLiteral("/ruvo-bench-startup");
  QDir().mkpath(home + QStringLiteral("/system"));
  const QString doc = home + QStringLiteral("/test.ruvo");
  // A test of a few pages as examinees get them: the first page is the one painted.
  ruvo::benchgui::writePacked(doc.toStdString(), ruvo::benchgui::makeLongDocumentRtf(3, 600));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TOVIMETER_HOME"), home);
  env.insert(QStringLiteral("RUVO_QUIT_AFTER_FIRST_PAINT"), QStringLiteral("1"));
  if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  for (auto _ : state) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(RUVO_BIN), {doc});
    if (!p.waitForFinished(20000) || p.exitCode() != 0) {
      state.SkipWithError("ruvo did not start and paint");
      break;
    }
  }
  QDir(home).removeRecursively();
}
BENCHMARK(BM_RuvoStartToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
