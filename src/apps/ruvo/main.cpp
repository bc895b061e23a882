// The examinee program: the test view alone, on the test document named on the command line.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "apps/common/guardedapplication.h"
#include "core/app/form1model.h"
#include "gui/app/mainwindow.h"
#include "gui/platform/windowfit.h"

int main(int argc, char** argv) try {
  ruvo::apps::GuardedApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ruvo"));
  ruvo::gui::TForm1Options opt;
  for (int i = 1; i < argc; ++i) opt.args.emplace_back(argv[i]);
  opt.registerFileTypes = true;
  opt.examineeOnly = true;
  ruvo::gui::TForm1 w(opt);
  // Start-up timing: quit as soon as the first page is on screen.
  if (std::getenv("RUVO_QUIT_AFTER_FIRST_PAINT"))
    QObject::connect(
        &w, &ruvo::gui::TForm1::firstPagePainted, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  w.show();
  ruvo::gui::FitOnScreenOnceFramed(&w);
  return app.exec();
} catch (const std::bad_alloc&) {
  std::fputs("ruvo: out of memory\n", stderr);
  return 1;
}
