// An examinee window killed in the middle of a test (SIGKILL, as a power cut leaves it) and
// started again on the same test: it asks whether to go on, goes on at the page where it
// stopped, and writes the result file an uninterrupted run writes.
//
// The killed window runs in a child process: this test program started again with the child
// part below, which takes the test through the real window until it is killed.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>

#include "core/app/form1model.h"
#include "core/platform/headlessports.h"
#include "core/storage/compressstringlist.h"
#include "core/storage/deltacode.h"
#include "gui/app/mainwindow.h"
#include "guitest.h"

using namespace ruvo;
using guitest::BoxAction;

namespace {

constexpr const char* kChildHome = "RUVO_RESUME_CHILD_HOME";

// Name, a timed reading, a timed question page, its end and a last word.
QString writeTest(const QString& folder) {
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}}\\pard\\f0\\fs24 ";
  for (const char* line :
       {"title=Resume", "autoqa=1", "score=1", "<page name>", "Your name", "<page start>",
        "one two three four five six seven eight nine ten eleven twelve", "<page timerOn>", "??First", "?a", "?*b",
        "??Second", "?*c", "?d", "<page timerOff>", "Almost done.", "<page>", "Thank you.", "<page last>"})
    rtf += std::string(line) + "\\par ";
  rtf += "}";
  const std::string coded = storage::TDeltaCode::encode(rtf);
  const QString path = folder + QStringLiteral("/resume.ruvo");
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly)) return {};
  out.write(coded.data(), static_cast<qint64>(coded.size()));
  return path;
}

// The examinee's window on a clock that moves only when the examinee "waits".
struct Examinee {
  platform::FakeClock clock;
  guitest::RecordingShell shell;
  guitest::DialogRobot robot;
  std::unique_ptr<gui::TForm1> w;

  Examinee(const QString& doc) {
    guitest::app();
    clock.date = {2026, 12, 10, 9, 8, 7};
    gui::TForm1Options opt;
    opt.args = {doc.toStdString()};
    opt.examineeOnly = true;
    opt.overrides.shell = &shell;
    opt.overrides.clock = &clock;
    w = std::make_unique<gui::TForm1>(opt);
    w->resize(640, 720);
  }
  ~Examinee() {
    w->model().SetModified(false);
    w->hide();
    w.reset();
  }
  bool settled() const { return robot.idle() && !QApplication::activeModalWidget(); }
  bool show() {
    w->show();
    return guitest::waitUntil([&] { return w->showStepDone() && settled(); });
  }
  // The page on screen takes this long, then Forward.
  bool press(int seconds) {
    QPushButton* b = w->speedButton1();
    if (!guitest::waitUntil([&] { return b->isEnabled() && b->isVisible(); }, 6000)) return false;
    clock.advance(seconds * 1000);
    QTest::mouseClick(b, Qt::LeftButton);
    if (!guitest::waitUntil([&] { return settled(); }, 6000)) return false;
    QTest::qWait(30);  // the new page and its panels laid out, as a person would see them
    return true;
  }
  bool choose(int q, int c) {
    auto* rb = w->findChild<QRadioButton*>(QStringLiteral("SelBox%1_%2").arg(q).arg(c));
    if (!rb) return false;
    QTest::mouseClick(rb, Qt::LeftButton);
    return rb->isChecked();
  }
  // The rest of the run from the page `from` on (0 name, 1 reading, 2 questions, 3 their
  // end), then Copy; the result file's bytes.
  QByteArray finish(int from, const QString& home) {
    if (from <= 0) {
      robot.expect({BoxAction::PressYes, {}});  // the reading starts
      if (!press(4)) return {};
    }
    if (from <= 1 && !press(9)) return {};
    if (from <= 2) {
      if (!choose(1, 2) || !choose(2, 1) || !press(17)) return {};
    }
    if (!press(3)) return {};
    if (w->speedButton1()->text() != QStringLiteral("Copy")) return {};
    QTest::mouseClick(w->speedButton1(), Qt::LeftButton);
    if (!guitest::waitUntil([&] { return settled(); })) return {};
    const QStringList files = QDir(home + QStringLiteral("/report")).entryList({QStringLiteral("*.ruvot")});
    if (files.size() != 1) return {};
    QFile f(home + QStringLiteral("/report/") + files.first());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

// The two lines of a result file.
std::vector<std::string> lines(const QByteArray& bytes) {
  storage::TCompressStringList list;
  if (!list.LoadFromCompressedStream(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))))
    return {};
  return list.Lines;
}

}  // namespace

// The child's part: the test taken up to the end of the reading, then it waits to be killed.
TEST(ResumeWindow, DISABLED_ChildTakesTheTestUntilKilled) {
  const char* home = std::getenv(kChildHome);
  if (!home) GTEST_SKIP() << "only as the child of AKilledWindowGoesOnWhereItStopped";
  ::setenv("TOVIMETER_HOME", home, 1);
  Examinee e(QString::fromUtf8(home) + QStringLiteral("/resume.ruvo"));
  e.robot.expect({BoxAction::TypeAndOk, QStringLiteral("Ana Rudo")});
  ASSERT_TRUE(e.show());
  e.robot.expect({BoxAction::PressYes, {}});
  ASSERT_TRUE(e.press(4));
  ASSERT_TRUE(e.press(9));      // the reading ends: the question page is on screen
  ASSERT_TRUE(e.choose(1, 1));  // an answer on the page on screen is not journaled yet
  QFile ready(QString::fromUtf8(home) + QStringLiteral("/ready"));
  ASSERT_TRUE(ready.open(QIODevice::WriteOnly));
  ready.close();
  guitest::waitUntil([] { return false; }, 60000);
  FAIL() << "not killed";
}

TEST(ResumeWindow, AKilledWindowGoesOnWhereItStopped) {
  // The uninterrupted run.
  QByteArray expected;
  {
    const QString home = guitest::freshProgramFolder(QStringLiteral("resume-whole"));
    Examinee e(writeTest(home));
    e.robot.expect({BoxAction::TypeAndOk, QStringLiteral("Ana Rudo")});
    ASSERT_TRUE(e.show());
    expected = e.finish(0, home);
    ASSERT_FALSE(expected.isEmpty());
  }

  const QString home = guitest::freshProgramFolder(QStringLiteral("resume-killed"));
  const QString doc = writeTest(home);
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QString::fromUtf8(kChildHome), home);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_also_run_disabled_tests"),
               QStringLiteral("--gtest_filter=ResumeWindow.DISABLED_ChildTakesTheTestUntilKilled")});
  ASSERT_TRUE(child.waitForStarted());
  ASSERT_TRUE(guitest::waitUntil([&] { return QFile::exists(home + QStringLiteral("/ready")); }, 30000))
      << child.readAllStandardOutput().toStdString();
  ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
  ASSERT_TRUE(child.waitForFinished());
  EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
  EXPECT_TRUE(QDir(home + QStringLiteral("/report")).entryList({QStringLiteral("*.ruvot")}).isEmpty());
  ASSERT_EQ(QDir(home + QStringLiteral("/report")).entryList({QStringLiteral("*.ruvoj")}).size(), 1);

  // Started again on the same test: Yes goes on at the question page, name and reading kept.
  Examinee e(doc);
  e.robot.setScreenshotPrefix(QStringLiteral("resume-box"));
  e.robot.expect({BoxAction::PressYes, {}});
  ASSERT_TRUE(e.show());
  ASSERT_FALSE(e.robot.seen().empty());
  EXPECT_TRUE(e.robot.seen().front().contains(QStringLiteral("再開しますか"))) << e.robot.seen().front().toStdString();
  EXPECT_EQ(e.w->model().PageOnScreen(), 2);
  EXPECT_EQ(e.w->model().FExamineeName(), "Ana Rudo");
  EXPECT_NE(e.w->findChild<QRadioButton*>(QStringLiteral("SelBox1_2")), nullptr);
  // Forward is free at once: the lock after a reading start is for a press just made.
  EXPECT_TRUE(e.w->speedButton1()->isEnabled());
  QTest::qWait(50);
  guitest::saveScreenshot(e.w.get(), QStringLiteral("resumed-question-page"));
  const QByteArray resumed = e.finish(2, home);
  EXPECT_EQ(lines(resumed), lines(expected));
  EXPECT_EQ(resumed, expected);
  EXPECT_EQ(e.robot.unexpected(), 0);
}
