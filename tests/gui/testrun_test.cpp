// An examinee's whole run through the real window: Forward and Enter, the reading-start question,
// phrases with the faint next phrase, a choice clicked in the page text and on the radio buttons,
// a typed answer, the name typed into the name box, the results and the result file. Screenshots
// of each kind of page go into the screenshot folder.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include "core/app/form1model.h"
#include "core/storage/deltacode.h"
#include "gui/app/mainwindow.h"
#include "gui/richtext/richview.h"
#include "guitest.h"

using namespace ruvo;
using guitest::BoxAction;

namespace {

// The two-fables sample as a test document: a name page, an instruction page, a passage shown
// phrase by phrase with the faint next phrase, two questions, a passage shown whole, two choice
// questions and a text field, and the last page.
QString makeFablesDocument(const QString& folder) {
  QFile src(QStringLiteral(RUVO_DATA_DIR "/samples-src/fables.rtf"));
  if (!src.open(QIODevice::ReadOnly)) return {};
  const QByteArray rtf = src.readAll();
  const std::string coded = storage::TDeltaCode::encode(std::string_view(rtf.constData(), rtf.size()));
  const QString path = folder + QStringLiteral("/fables.ruvo");
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly)) return {};
  out.write(coded.data(), static_cast<qint64>(coded.size()));
  return path;
}

// A test whose first page is longer than the window.
QString makeLongPageDocument(const QString& folder) {
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}}\\pard\\f0\\fs24 ";
  rtf += "title=Long\\par <page>\\par ";
  for (int i = 1; i <= 80; ++i) rtf += "Line " + std::to_string(i) + " of a page that does not fit.\\par ";
  rtf += "<page last>\\par The end.\\par }";
  const std::string coded = storage::TDeltaCode::encode(rtf);
  const QString path = folder + QStringLiteral("/long.ruvo");
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly)) return {};
  out.write(coded.data(), static_cast<qint64>(coded.size()));
  return path;
}

struct WindowRun {
  QString home;
  QString doc;
  guitest::RecordingShell shell;
  guitest::DialogRobot robot;
  std::unique_ptr<gui::TForm1> w;
  Qt::CursorShape linkCursor = Qt::ArrowCursor;  // the pointer over the last link line hovered

  explicit WindowRun(const QString& name, bool longPage = false) {
    guitest::app();
    home = guitest::freshProgramFolder(name);
    doc = longPage ? makeLongPageDocument(home) : makeFablesDocument(home);
    gui::TForm1Options opt;
    opt.args = {doc.toStdString()};
    opt.examineeOnly = true;
    opt.overrides.shell = &shell;
    w = std::make_unique<gui::TForm1>(opt);
    w->resize(640, 720);
  }
  // Shows the window; the test opens on its first page, the name page, whose box comes up at once.
  bool start(const QString& name) {
    robot.expect({BoxAction::TypeAndOk, name});
    w->show();
    return guitest::waitUntil([&] { return w->showStepDone() && settled(); });
  }
  ~WindowRun() {
    // Leave without the close question.
    w->model().SetModified(false);
    w->hide();
    w.reset();
    QDir(home).removeRecursively();
  }

  template <class T>
  T* find(const QString& name) const {
    return w->findChild<T*>(name);
  }
  QPushButton* forwardButton() const { return w->speedButton1(); }
  bool settled() const { return robot.idle() && !QApplication::activeModalWidget(); }

  // Presses Forward once the lock allows it, and waits until every expected box was answered.
  bool press(bool withEnter = false) {
    if (!guitest::waitUntil([&] { return forwardButton()->isEnabled() && forwardButton()->isVisible(); }, 6000))
      return false;
    if (withEnter)
      QTest::keyClick(w->richEdit1(), Qt::Key_Return);
    else
      QTest::mouseClick(forwardButton(), Qt::LeftButton);
    if (!guitest::waitUntil([&] { return settled(); }, 6000)) return false;
    QTest::qWait(30);  // the new page and its panels laid out, as a person would see them
    return true;
  }

  QString pageText() const { return w->richEdit1()->toPlainText(); }

  // Clicks the answer-link line of question q, choice c, in the page text.
  bool clickLink(int q, int c) {
    gui::TRichView* view = w->richEdit1();
    const QString tag = QStringLiteral("%1 %2").arg(q).arg(c);
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next()) {
      if (!b.text().startsWith(QStringLiteral(" * ")) || b.previous().text() != tag) continue;
      QTextCursor cur(b);
      cur.setPosition(b.position() + 5);
      view->setTextCursor(cur);
      view->ensureCursorVisible();
      const QRect r = view->cursorRect(cur);
      QTest::mouseMove(view->viewport(), QPoint(r.left() - 2, r.center().y()));
      linkCursor = view->viewport()->cursor().shape();
      QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(r.left() - 2, r.center().y()));
      return true;
    }
    return false;
  }
};

}  // namespace

TEST(TestRun, WholeRunThroughTheWindow) {
  WindowRun run(QStringLiteral("whole"));
  run.robot.setScreenshotPrefix(QStringLiteral("box"));
  ASSERT_FALSE(run.doc.isEmpty());
  // The name page: the name box comes up and refuses nothing a person types, capitals included.
  ASSERT_TRUE(run.start(QStringLiteral("Ito Rudo")));
  ASSERT_TRUE(run.w->isVisible());
  EXPECT_FALSE(run.find<QWidget>(QStringLiteral("Panel14"))->isVisible()) << "the examinee has no toolbar";
  ASSERT_FALSE(run.robot.seen().empty());
  EXPECT_TRUE(run.robot.seen().back().contains(QStringLiteral("番号か名前を入力")))
      << run.robot.seen().back().toStdString();
  EXPECT_EQ(run.find<QLabel>(QStringLiteral("Label3"))->text(), QStringLiteral("Ito Rudo"));

  // Keys other than Enter never reach the page.
  const QString before = run.pageText();
  QTest::keyClicks(run.w->richEdit1(), QStringLiteral("abc"));
  QTest::keyClick(run.w->richEdit1(), Qt::Key_Delete);
  QTest::keyClick(run.w->richEdit1(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(run.pageText(), before);

  ASSERT_TRUE(run.press(true));  // the instruction page, by Enter
  EXPECT_TRUE(run.pageText().contains(QStringLiteral("読解計測を始めます"))) << run.pageText().toStdString();

  // The reading starts after the question; the passage comes phrase by phrase, the next one faint.
  run.robot.expect({BoxAction::PressYes, {}});
  ASSERT_TRUE(run.press(true));
  EXPECT_TRUE(run.robot.seen().back().contains(QStringLiteral("読解計測を始めます")));
  EXPECT_FALSE(run.forwardButton()->isEnabled()) << "Forward is locked right after the reading starts";
  auto* progress = run.find<QProgressBar>(QStringLiteral("ProgressBar1"));
  EXPECT_TRUE(progress->isVisible());
  ASSERT_TRUE(run.press(true));
  ASSERT_TRUE(run.press(true));
  {
    // The current phrase is underlined; the next one shows in the fading greys.
    bool underlined = false, faint = false;
    for (QTextBlock b = run.w->richEdit1()->document()->begin(); b.isValid(); b = b.next())
      for (auto it = b.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat f = it.fragment().charFormat();
        underlined |= f.fontUnderline();
        const QColor c = f.foreground().color();
        faint |= f.foreground().style() != Qt::NoBrush && (c == QColor(160, 160, 160) || c == QColor(192, 192, 192));
      }
    EXPECT_TRUE(underlined);
    EXPECT_TRUE(faint);
  }
  guitest::saveScreenshot(run.w.get(), QStringLiteral("phrase-page"));
  int presses = 0;
  const int readingPage = run.w->model().FCurrentPage();
  while (run.w->model().FCurrentPage() == readingPage && presses < 200) {
    ASSERT_TRUE(run.press(true));
    ++presses;
  }
  EXPECT_GT(presses, 5);
  EXPECT_FALSE(progress->isVisible());

  // The question page with its panels.
  ASSERT_TRUE(run.press());
  ASSERT_NE(run.find<QWidget>(QStringLiteral("MainPanel1")), nullptr);
  ASSERT_NE(run.find<QWidget>(QStringLiteral("MainPanel2")), nullptr);
  EXPECT_TRUE(run.find<QLabel>(QStringLiteral("Panel11"))->isVisible());
  QTest::mouseMove(run.w->richEdit1()->viewport(), QPoint(5, 5));
  EXPECT_EQ(run.w->richEdit1()->viewport()->cursor().shape(), Qt::ArrowCursor);
  ASSERT_TRUE(run.clickLink(1, 1));
  EXPECT_EQ(run.linkCursor, Qt::PointingHandCursor);
  ASSERT_TRUE(guitest::waitUntil([&] { return run.find<QRadioButton>(QStringLiteral("SelBox1_1"))->isChecked(); }));
  EXPECT_EQ(run.find<QLabel>(QStringLiteral("AnswerLabel1"))->text(), QStringLiteral("The North Wind"));
  QTest::mouseClick(run.find<QRadioButton>(QStringLiteral("SelBox2_2")), Qt::LeftButton);
  EXPECT_TRUE(run.find<QLabel>(QStringLiteral("AnswerLabel2"))->text().startsWith(QStringLiteral("He took off")));
  guitest::saveScreenshot(run.w.get(), QStringLiteral("question-page"));

  // The second passage, shown whole, timed without the question (the page passes it).
  ASSERT_TRUE(run.press());
  EXPECT_TRUE(run.pageText().contains(QStringLiteral("The Ant and the Grasshopper")));
  guitest::saveScreenshot(run.w.get(), QStringLiteral("reading-page"));

  ASSERT_TRUE(run.press());
  QTest::mouseClick(run.find<QRadioButton>(QStringLiteral("SelBox3_2")), Qt::LeftButton);
  QTest::mouseClick(run.find<QRadioButton>(QStringLiteral("SelBox4_1")), Qt::LeftButton);
  auto* field = run.find<QLineEdit>(QStringLiteral("SelEdit5"));
  ASSERT_NE(field, nullptr);
  QTest::keyClicks(field, QStringLiteral("Save food"));
  EXPECT_EQ(field->text(), QStringLiteral("Save food"));
  guitest::saveScreenshot(run.w.get(), QStringLiteral("question-page-with-field"));

  // The end: the record under the page, Forward turned into Copy.
  ASSERT_TRUE(run.press());
  EXPECT_EQ(run.forwardButton()->text(), QStringLiteral("Copy"));
  EXPECT_TRUE(run.pageText().contains(QStringLiteral("name: Ito Rudo"))) << run.pageText().toStdString();
  EXPECT_TRUE(run.pageText().contains(QStringLiteral("WPM")));
  run.w->richEdit1()->scrollToTop();
  guitest::saveScreenshot(run.w.get(), QStringLiteral("result-page"));

  // Copy writes the result file into the report folder and opens that folder.
  QTest::mouseClick(run.forwardButton(), Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return run.settled(); }));
  const QStringList files = QDir(run.home + QStringLiteral("/report")).entryList({QStringLiteral("*.ruvot")});
  ASSERT_EQ(files.size(), 1) << files.join(QLatin1Char(',')).toStdString();
  EXPECT_TRUE(files.first().endsWith(QStringLiteral("Ito Rudo.ruvot")) ||
              files.first().endsWith(QStringLiteral("ItoRudo.ruvot")))
      << files.first().toStdString();
  EXPECT_EQ(run.robot.unexpected(), 0) << run.robot.seen().back().toStdString();
  ASSERT_FALSE(run.shell.opened.empty());
  auto* folderButton = run.find<QPushButton>(QStringLiteral("SpeedButton4"));
  EXPECT_TRUE(folderButton->isVisible());
  EXPECT_EQ(folderButton->toolTip(), files.first());
  EXPECT_TRUE(run.pageText().contains(QStringLiteral("結果ファイルは")));
  run.w->richEdit1()->scrollToEnd();
  guitest::saveScreenshot(run.w.get(), QStringLiteral("result-saved"));

  // Dragging the file out of the folder button: when the file has gone, the examinee is told so
  // instead of being handed nothing.
  ASSERT_TRUE(QFile::remove(run.home + QStringLiteral("/report/") + files.first()));
  run.robot.expect({BoxAction::PressOk, {}});
  const QPoint start = folderButton->rect().center();
  QTest::mousePress(folderButton, Qt::LeftButton, {}, start);
  QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(8, 0)),
                   folderButton->mapToGlobal(QPointF(start + QPoint(8, 0))), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(folderButton, &move);
  ASSERT_TRUE(guitest::waitUntil([&] { return run.settled(); }));
  QTest::mouseRelease(folderButton, Qt::LeftButton, {}, start + QPoint(8, 0));
  EXPECT_EQ(run.robot.seen().back(), files.first() + QStringLiteral(" ファイルが存在しない"));

  // The finished run closes after the examinee saw the result; the examinee program leaves the
  // settings, which are the teacher's, alone.
  run.w->close();
  ASSERT_TRUE(guitest::waitUntil([&] { return run.settled(); }));
  EXPECT_FALSE(run.w->isVisible());
  EXPECT_FALSE(QFile::exists(run.home + QStringLiteral("/tovimeter.ini")));
}

TEST(TestRun, AnUnreadableTestIsReportedAndLeavesTheWelcomePage) {
  guitest::app();
  const QString home = guitest::freshProgramFolder(QStringLiteral("broken"));
  const QString doc = home + QStringLiteral("/broken.ruvo");
  {
    QFile f(doc);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("BDC1\xff\xff\xff\xff not a test at all");
  }
  guitest::RecordingShell shell;
  guitest::DialogRobot robot;
  robot.setFallback([](const QString&) { return BoxAction{BoxAction::PressOk, {}}; });
  gui::TForm1Options opt;
  opt.args = {doc.toStdString()};
  opt.examineeOnly = true;
  opt.overrides.shell = &shell;
  gui::TForm1 w(opt);
  w.show();
  ASSERT_TRUE(guitest::waitUntil([&] { return w.showStepDone() && !QApplication::activeModalWidget(); }));
  QTest::qWait(30);
  EXPECT_FALSE(robot.seen().empty()) << "the failure is told";
  EXPECT_TRUE(w.richEdit1()->toPlainText().startsWith(QStringLiteral("D&D a .ruvo file here.")));
  // Forward on the welcome page does nothing harmful.
  QTest::mouseClick(w.speedButton1(), Qt::LeftButton);
  QTest::qWait(30);
  EXPECT_TRUE(w.isVisible());
  guitest::saveScreenshot(&w, QStringLiteral("broken-test"));
  w.hide();
  QDir(home).removeRecursively();
}

TEST(TestRun, BreakingOffAsksAndStays) {
  WindowRun run(QStringLiteral("breakoff"));
  ASSERT_TRUE(run.start(QStringLiteral("Ito")));
  ASSERT_TRUE(run.press());
  run.robot.expect({BoxAction::PressYes, {}});
  ASSERT_TRUE(run.press());
  // Mid-test, with a name: the close question; No keeps the window open and the run going.
  run.robot.expect({BoxAction::PressNo, {}});
  run.w->close();
  ASSERT_TRUE(guitest::waitUntil([&] { return run.settled(); }));
  EXPECT_TRUE(run.w->isVisible());
  ASSERT_FALSE(run.robot.seen().empty());
  EXPECT_TRUE(run.robot.seen().back().startsWith(QStringLiteral("途中です。")))
      << run.robot.seen().back().toStdString();
  // Quit asks the same.
  run.robot.expect({BoxAction::PressNo, {}});
  QTest::mouseClick(run.find<QPushButton>(QStringLiteral("SpeedButton27")), Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return run.settled(); }));
  EXPECT_TRUE(run.w->isVisible());
  EXPECT_EQ(run.robot.unexpected(), 0);
}

TEST(TestRun, CtrlWheelStepsTheFontAndTheGaugeFollows) {
  WindowRun run(QStringLiteral("font"));
  ASSERT_TRUE(run.start(QStringLiteral("Ito")));
  ASSERT_TRUE(run.press());
  auto* gauge = run.find<QProgressBar>(QStringLiteral("FFontGauge"));
  const int level = run.w->model().FFontLevel();
  QWheelEvent down(QPointF(50, 50), run.w->richEdit1()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                   Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(run.w->richEdit1()->viewport(), &down);
  EXPECT_EQ(run.w->model().FFontLevel(), level + 1);
  EXPECT_EQ(gauge->value(), level + 1);
  QTest::mouseClick(run.find<QPushButton>(QStringLiteral("SpeedButton2")), Qt::LeftButton);
  EXPECT_EQ(gauge->value(), level + 2);
  QTest::qWait(30);
  guitest::saveScreenshot(run.w.get(), QStringLiteral("larger-letters"));
}

TEST(TestView, MoreTextIndicatorFollowsTheScrollPosition) {
  WindowRun run(QStringLiteral("long"), true);
  run.w->show();
  ASSERT_TRUE(guitest::waitUntil([&] { return run.w->showStepDone() && run.settled(); }));
  QTest::qWait(30);
  auto* panel6 = run.find<QLabel>(QStringLiteral("Panel6"));
  EXPECT_TRUE(run.pageText().contains(QStringLiteral("Line 80")));
  EXPECT_EQ(panel6->text(), QStringLiteral("▽"));
  guitest::saveScreenshot(run.w.get(), QStringLiteral("long-page"));
  run.w->richEdit1()->scrollToEnd();
  EXPECT_EQ(panel6->text(), QString());
  run.w->richEdit1()->scrollToTop();
  EXPECT_EQ(panel6->text(), QStringLiteral("▽"));
  // Paging keys do not scroll the page: only Enter acts there.
  QTest::keyClick(run.w->richEdit1(), Qt::Key_PageDown);
  QTest::keyClick(run.w->richEdit1(), Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(run.w->richEdit1()->verticalScrollBar()->value(), 0);
}

TEST(TestRun, DoubleClickOnForwardMovesOnePage) {
  WindowRun run(QStringLiteral("double"));
  ASSERT_TRUE(run.start(QStringLiteral("Ito")));
  const int page = run.w->model().FCurrentPage();
  const std::size_t boxes = run.robot.seen().size();
  // Both clicks wait in the queue, as when a person double-clicks while the page is built.
  QPushButton* b = run.forwardButton();
  const QPointF at(b->rect().center());
  for (int i = 0; i < 2; ++i) {
    QCoreApplication::postEvent(b, new QMouseEvent(QEvent::MouseButtonPress, at, b->mapToGlobal(at), Qt::LeftButton,
                                                   Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(b, new QMouseEvent(QEvent::MouseButtonRelease, at, b->mapToGlobal(at), Qt::LeftButton,
                                                   Qt::NoButton, Qt::NoModifier));
  }
  QTest::qWait(200);
  ASSERT_TRUE(guitest::waitUntil([&] { return run.settled(); }));
  EXPECT_EQ(run.w->model().FCurrentPage(), page + 1);
  // The second click would have reached the reading page and its start question.
  EXPECT_EQ(run.robot.seen().size(), boxes);
}

TEST(TeacherWindow, ShowsTheEditingViewAndWritesTheSettingsOnClose) {
  guitest::app();
  const QString home = guitest::freshProgramFolder(QStringLiteral("teacher"));
  guitest::RecordingShell shell;
  {
    gui::TForm1Options opt;
    opt.overrides.shell = &shell;
    gui::TForm1 w(opt);
    w.show();
    ASSERT_TRUE(guitest::waitUntil([&] { return w.showStepDone(); }));
    QTest::qWait(30);
    EXPECT_TRUE(w.findChild<QWidget*>(QStringLiteral("Panel14"))->isVisible());
    EXPECT_TRUE(w.findChild<QWidget*>(QStringLiteral("tsEdit"))->isVisible());
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("tovimeter"))) << w.windowTitle().toStdString();
    // The welcome text waits in the test view.
    EXPECT_TRUE(w.richEdit1()->toPlainText().startsWith(QStringLiteral("D&D a .ruvo file here.")));
    guitest::saveScreenshot(&w, QStringLiteral("teacher-window"));
    w.move(40, 30);
    w.resize(700, 600);
    w.close();
  }
  QFile ini(home + QStringLiteral("/tovimeter.ini"));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(ini.readAll());
  EXPECT_TRUE(text.contains(QStringLiteral("[setting]")));
  EXPECT_TRUE(text.contains(QStringLiteral("width=700"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("height=600"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("interval=")));
  QDir(home).removeRecursively();
}

TEST(TeacherWindow, TheSpssBoxIsKeptAndWrittenOnClose) {
  guitest::app();
  const QString home = guitest::freshProgramFolder(QStringLiteral("teacher-spss"));
  guitest::RecordingShell shell;
  {
    gui::TForm1Options opt;
    opt.overrides.shell = &shell;
    gui::TForm1 w(opt);
    w.show();
    ASSERT_TRUE(guitest::waitUntil([&] { return w.showStepDone(); }));
    w.model().SetViewMode(app::vmTotals);  // the totals view shows the box
    auto* box = w.findChild<QCheckBox*>(QStringLiteral("CheckBox3"));
    ASSERT_TRUE(box);
    ASSERT_TRUE(guitest::waitUntil([&] { return box->isVisible(); }));
    EXPECT_FALSE(box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    EXPECT_TRUE(w.model().TestView().checkBox3Checked);
    w.model().SetViewMode(app::vmTotals);  // a redraw shows what the model holds
    QTest::qWait(30);
    EXPECT_TRUE(box->isChecked());
    guitest::saveScreenshot(&w, QStringLiteral("teacher-spss"));
    w.close();
  }
  QFile ini(home + QStringLiteral("/tovimeter.ini"));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  EXPECT_TRUE(QString::fromUtf8(ini.readAll()).contains(QStringLiteral("spss=1")));
  QDir(home).removeRecursively();
}

TEST(TeacherWindow, ATestOnTheCommandLineOpensInTheTestView) {
  guitest::app();
  const QString home = guitest::freshProgramFolder(QStringLiteral("teacher-test"));
  const QString doc = makeFablesDocument(home);
  guitest::RecordingShell shell;
  guitest::DialogRobot robot;
  robot.expect({BoxAction::TypeAndOk, QStringLiteral("Teacher")});
  gui::TForm1Options opt;
  opt.args = {"--unrelated", (home + QStringLiteral("/other.ruvp")).toStdString(), doc.toStdString()};
  opt.overrides.shell = &shell;
  gui::TForm1 w(opt);
  w.show();
  ASSERT_TRUE(
      guitest::waitUntil([&] { return w.showStepDone() && robot.idle() && !QApplication::activeModalWidget(); }));
  QTest::qWait(30);
  EXPECT_TRUE(w.findChild<QWidget*>(QStringLiteral("tsMain"))->isVisible());
  EXPECT_TRUE(w.findChild<QWidget*>(QStringLiteral("Panel14"))->isVisible());
  EXPECT_TRUE(w.findChild<QWidget*>(QStringLiteral("SpeedButton27"))->isVisible());
  EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("fables"))) << w.windowTitle().toStdString();
  w.model().SetModified(false);
  w.hide();
  QDir(home).removeRecursively();
}
