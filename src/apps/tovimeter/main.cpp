// The teacher's program: the whole main window; a test document on the command line opens in the
// test view.
#include <QApplication>
#include <cstdio>
#include <new>

#include "apps/common/guardedapplication.h"
#include "core/app/form1model.h"
#include "gui/app/mainwindow.h"
#include "gui/platform/windowfit.h"

int main(int argc, char** argv) try {
  ruvo::apps::GuardedApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tovimeter"));
  ruvo::gui::TForm1Options opt;
  for (int i = 1; i < argc; ++i) opt.args.emplace_back(argv[i]);
  opt.registerFileTypes = true;
  ruvo::gui::TForm1 w(opt);
  w.show();
  ruvo::gui::FitOnScreenOnceFramed(&w);
  return app.exec();
} catch (const std::bad_alloc&) {
  std::fputs("tovimeter: out of memory\n", stderr);
  return 1;
}
