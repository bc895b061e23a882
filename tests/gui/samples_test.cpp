// Every shipped sample test can be taken to its end in the examinee's window and hands in a
// result file; the first page of each is saved as a screenshot.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include "core/app/form1model.h"
#include "gui/app/mainwindow.h"
#include "gui/richtext/richview.h"
#include "guitest.h"

using namespace ruvo;
using guitest::BoxAction;

TEST(Samples, EverySampleRunsToItsResultFile) {
  guitest::app();
  const QDir samples(QStringLiteral(RUVO_DATA_DIR "/system/ruvof/sample"));
  QStringList tests = samples.entryList({QStringLiteral("*.ruvo")}, QDir::Files, QDir::Name);
  tests.removeIf(
      [](const QString& f) { return f.compare(QStringLiteral("HowToEdit.ruvo"), Qt::CaseInsensitive) == 0; });
  if (tests.isEmpty()) GTEST_SKIP() << "no sample tests in " << samples.path().toStdString();
  for (const QString& name : tests) {
    SCOPED_TRACE(name.toStdString());
    const QString home = guitest::freshProgramFolder(QStringLiteral("sample"));
    const QString doc = home + QLatin1Char('/') + name;
    ASSERT_TRUE(QFile::copy(samples.filePath(name), doc));
    guitest::RecordingShell shell;
    guitest::DialogRobot robot;
    // The examinee types a name, starts every reading, and goes on past unanswered questions.
    robot.setFallback([](const QString& text) {
      if (text.contains(QStringLiteral("未解答"))) return BoxAction{BoxAction::PressNo, {}};
      if (text.contains(QLatin1Char('|'))) return BoxAction{BoxAction::TypeAndOk, QStringLiteral("Sample Taker")};
      return BoxAction{BoxAction::PressYes, {}};
    });
    {
      gui::TForm1Options opt;
      opt.args = {doc.toStdString()};
      opt.examineeOnly = true;
      opt.overrides.shell = &shell;
      gui::TForm1 w(opt);
      w.resize(640, 720);
      w.show();
      ASSERT_TRUE(guitest::waitUntil([&] { return w.showStepDone() && !QApplication::activeModalWidget(); }));
      QTest::qWait(30);
      guitest::saveScreenshot(&w, QStringLiteral("sample-") + QFileInfo(name).baseName() + QStringLiteral("-first"));
      QPushButton* forward = w.speedButton1();
      int presses = 0;
      while (forward->text() != QStringLiteral("Copy") && presses < 400) {
        ASSERT_TRUE(guitest::waitUntil([&] { return forward->isEnabled() || !forward->isVisible(); }, 6000));
        ASSERT_TRUE(forward->isVisible()) << "the run ended without the Copy button";
        QTest::mouseClick(forward, Qt::LeftButton);
        ASSERT_TRUE(guitest::waitUntil([&] { return !QApplication::activeModalWidget(); }, 6000));
        // A person's next click comes through the event loop; one made before it ran again
        // would be the second click of a double click, which is dropped.
        QTest::qWait(1);
        ++presses;
      }
      ASSERT_EQ(forward->text(), QStringLiteral("Copy"));
      w.richEdit1()->scrollToTop();
      QTest::qWait(30);
      guitest::saveScreenshot(&w, QStringLiteral("sample-") + QFileInfo(name).baseName() + QStringLiteral("-result"));
      QTest::mouseClick(forward, Qt::LeftButton);
      ASSERT_TRUE(guitest::waitUntil([&] { return !QApplication::activeModalWidget(); }));
      w.model().SetModified(false);
      w.hide();
    }
    EXPECT_EQ(QDir(home + QStringLiteral("/report")).entryList({QStringLiteral("*.ruvot")}).size(), 1);
    EXPECT_EQ(robot.unexpected(), 0);
    QDir(home).removeRecursively();
  }
}
