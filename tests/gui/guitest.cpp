#include "guitest.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <memory>
#include <vector>

#include "support/tempdir.h"

namespace ruvo::guitest {

namespace {

// The offscreen platform warns on every change of a window's size limits; that says nothing here.
QtMessageHandler previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
  if (msg.contains(QStringLiteral("propagateSizeHints"))) return;
  if (previousHandler) previousHandler(type, ctx, msg);
}

}  // namespace

QApplication& app() {
  static const bool quiet = [] {
    previousHandler = qInstallMessageHandler(quietHandler);
    return true;
  }();
  (void)quiet;
  static int argc = 1;
  static char name[] = "test_gui";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

bool waitUntil(const std::function<bool()>& cond, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!cond()) {
    if (t.elapsed() > timeoutMs) return cond();
    QTest::qWait(10);
  }
  return true;
}

QString saveScreenshot(QWidget* w, const QString& name) {
  const QString dir = QStringLiteral(RUVO_SCREENSHOT_DIR);
  QDir().mkpath(dir);
  const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
  w->grab().save(path);
  return path;
}

DialogRobot::DialogRobot() {
  app();  // the timer needs the application's event loop
  timer_.setInterval(20);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
  timer_.start();
}

void DialogRobot::poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || !modal->isVisible()) return;
  if (modal->property("robotSeen").toBool()) return;
  modal->setProperty("robotSeen", true);
  auto* box = qobject_cast<QMessageBox*>(modal);
  QString text = box ? box->text() : modal->windowTitle();
  if (auto* label = modal->findChild<QLabel*>(); !box && label) text += QLatin1Char('|') + label->text();
  seen_.push_back(text);
  if (!shotPrefix_.isEmpty()) saveScreenshot(modal, shotPrefix_ + QLatin1Char('-') + QString::number(seen_.size()));
  if (actions_.empty() && fallback_) actions_.push_back(fallback_(text));
  if (actions_.empty()) {
    ++unexpected_;
    QMetaObject::invokeMethod(
        modal, [modal] { QTest::keyClick(modal, Qt::Key_Escape); }, Qt::QueuedConnection);
    return;
  }
  BoxAction a = actions_.front();
  actions_.pop_front();
  QMetaObject::invokeMethod(
      modal,
      [modal, box, a] {
        if (box) {
          QMessageBox::StandardButton which = QMessageBox::Ok;
          if (a.kind == BoxAction::PressYes) which = QMessageBox::Yes;
          if (a.kind == BoxAction::PressNo) which = QMessageBox::No;
          if (QAbstractButton* b = box->button(which))
            QTest::mouseClick(b, Qt::LeftButton);
          else
            QTest::keyClick(box, Qt::Key_Escape);  // a box without that button: its escape answer
          return;
        }
        auto* edit = modal->findChild<QLineEdit*>(QStringLiteral("InputEdit"));
        if (a.kind == BoxAction::TypeAndOk && edit) {
          edit->selectAll();
          QTest::keyClick(edit, Qt::Key_Delete);
          QTest::keyClicks(edit, a.typed);
        }
        if (auto* dlg = qobject_cast<QDialog*>(modal)) {
          if (a.kind == BoxAction::PressNo)
            dlg->reject();
          else if (edit)
            QTest::keyClick(edit, Qt::Key_Return);
          else
            dlg->accept();
        }
      },
      Qt::QueuedConnection);
}

std::string RecordingShell::programPath() { return QCoreApplication::applicationFilePath().toStdString(); }

QString freshProgramFolder(const QString& name) {
  // Kept to the end of the test program: windows of a test may still write there late.
  static std::vector<std::unique_ptr<testsupport::ProgramFolder>> folders;
  folders.push_back(std::make_unique<testsupport::ProgramFolder>("gui-" + name.toStdString()));
  return QString::fromStdString(folders.back()->path());
}

bool dropFiles(QWidget* target, const QStringList& paths) {
  QMimeData mime;
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  mime.setUrls(urls);
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) {
    ADD_FAILURE() << "the drag was refused";
    return false;
  }
  QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

}  // namespace ruvo::guitest
