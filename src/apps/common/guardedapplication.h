#pragma once
// The application object of the window programs. An exception must not unwind through Qt's
// event loop, so running out of memory inside an event is caught here: the person is told
// and the program ends with status 1, instead of an abort with no word. Qt's own buttons and
// dialogs speak Japanese from the start, as the rest of the program does.
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <new>

#include "gui/platform/qttranslations.h"

namespace ruvo::apps {

class GuardedApplication final : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) { gui::InstallJapaneseQtTranslations(this); }

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
      reportOutOfMemory();
      QCoreApplication::exit(1);
    }
    return false;
  }

  static void reportOutOfMemory() {
    std::fprintf(stderr, "%s: out of memory\n", qPrintable(QCoreApplication::applicationName()));
    try {
      QMessageBox::critical(nullptr, QCoreApplication::applicationName(),
                            QStringLiteral("メモリが不足しているため、プログラムを終了します。"));
    } catch (...) {
      // Nothing more can be shown; stderr has it.
    }
  }
};

}  // namespace ruvo::apps
