// The main window's aggregation mode on screen: results and folders dropped on the window, the
// tables in RichEdit1 with Label2's count and Copy; the delivery window opened from
// "配布回収(&D)", its folders and Send, the start of collection, the poll taking in new files
// while the feedback window shows them, the replay and the copy of the chart.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>

#include "core/app/settings.h"
#include "core/platform/headlessports.h"
#include "core/report/totalsmodel.h"
#include "core/storage/compressstringlist.h"
#include "gui/app/mainwindow.h"
#include "gui/app/totalsview.h"
#include "gui/delivery/deliverywindow.h"
#include "gui/report/form4.h"
#include "gui/richtext/richview.h"
#include "guitest.h"

namespace {

using namespace ruvo;

const std::string kHeader = "title\tname\tdate\twpm1\tscr1\tscr2\tscr3\tscr4";

void writeResult(const QString& path, const std::string& values, const std::string& header = kHeader) {
  storage::TCompressStringList l;
  l.Add(header);
  l.Add(values);
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray::fromStdString(l.SaveToCompressedStream()));
}

// Student i of a class of forty: speeds 80..400 WPM over an hour, accuracy falling with speed.
std::string student(int i) {
  char date[32];
  std::snprintf(date, sizeof date, "2024/06/01 10:%02d:%02d", i * 59 / 40, (i * 37) % 60);
  const int wpm = 80 + (i * 83) % 320;
  std::string v = "Unit 1\tStudent " + std::to_string(i) + "\t" + date + "\t" + std::to_string(wpm) + ".00";
  for (int q = 0; q < 4; ++q) v += (((i * 7 + q * 3) % 11) * 40 > wpm - 60) ? "\t1" : "\t0";
  return v;
}

QStringList shownLines(gui::TForm1& w) { return w.richEdit1()->toPlainText().split(QLatin1Char('\n')); }

QStringList qlines(const std::vector<std::string>& lines) {
  QStringList out;
  for (const auto& l : lines) out << QString::fromStdString(l);
  return out;
}

struct TotalsWindow : ::testing::Test {
  QString prog;
  guitest::RecordingShell shell;
  platform::ScriptedDialogs dialogs;
  platform::MemoryClipboard clipboard;
  std::unique_ptr<gui::TForm1> w;

  void SetUp() override {
    guitest::app();
    prog = guitest::freshProgramFolder(QStringLiteral("totals"));
    gui::TForm1Options opt;
    opt.overrides.shell = &shell;
    opt.overrides.dialogs = &dialogs;
    opt.overrides.clipboard = &clipboard;
    w = std::make_unique<gui::TForm1>(opt);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    ASSERT_TRUE(guitest::waitUntil([&] { return w->showStepDone(); }));
    ASSERT_NE(w->totalsView(), nullptr);
  }
  void TearDown() override { w.reset(); }

  report::TTotalsModel& totals() { return w->totalsView()->totals(); }
  QLabel* label2() { return w->findChild<QLabel*>(QStringLiteral("Label2")); }
  std::vector<std::string> tables() {
    std::vector<std::string> l;
    totals().FSumUpList().WriteTables(l);
    return l;
  }
};

TEST_F(TotalsWindow, DroppedResultsAndFoldersAreTotalledAndCopied) {
  const QString folder = prog + QStringLiteral("/class 3.a");  // a folder with a dot in its name
  writeResult(folder + QStringLiteral("/aoki.ruvot"), "Unit 1\tAoki\t2014/05/09 10:00:00\t200.00\t1\t0\t1\t");
  writeResult(folder + QStringLiteral("/late/baba.ruvot"), "Unit 1\tBaba\t2014/05/09 10:05:00\t300.00\t1\t1\t1\t1");
  writeResult(prog + QStringLiteral("/chiba.ruvot"), "Unit 2\tChiba\t2014/05/01 09:00:00\t250.00\t1",
              "title\tname\tdate\twpm1\tscr1");
  QFile notes(prog + QStringLiteral("/notes.txt"));
  ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
  notes.close();
  EXPECT_FALSE(w->totalsView()->graphButton()->isVisible());

  EXPECT_TRUE(guitest::dropFiles(w->richEdit1()->viewport(),
                                 {folder, prog + QStringLiteral("/notes.txt"), prog + QStringLiteral("/chiba.ruvot")}));
  ASSERT_TRUE(guitest::waitUntil([&] { return w->model().FViewMode() == app::vmTotals; }));
  EXPECT_EQ(dialogs.messages(), std::vector<std::string>{".txt このタイプのファイルには対応していません"});
  const QStringList expected = {QStringLiteral("title\tname\tdate\twpm1\tscr1"),
                                QStringLiteral("Unit 2\tChiba\t2014/05/01 09:00:00\t250.00\t1"),
                                QString(),
                                QString::fromStdString(kHeader),
                                QStringLiteral("Unit 1\tAoki\t2014/05/09 10:00:00\t200.00\t1\t0\t1\t"),
                                QStringLiteral("Unit 1\tBaba\t2014/05/09 10:05:00\t300.00\t1\t1\t1\t1"),
                                QString()};
  EXPECT_EQ(shownLines(*w), expected);
  // The columns line up: a cell starts where its header does, however wide the dates are.
  auto cellX = [&](int line, int column) {
    const QTextBlock b = w->richEdit1()->document()->findBlockByNumber(line);
    int at = 0;
    for (int c = 0; c < column; ++c) at = static_cast<int>(b.text().indexOf(QLatin1Char('\t'), at)) + 1;
    QTextCursor cur(b);
    cur.setPosition(b.position() + at);
    return w->richEdit1()->cursorRect(cur).x();
  };
  for (int column : {1, 3, 4, 7}) {
    EXPECT_EQ(cellX(4, column), cellX(3, column)) << column;
    EXPECT_EQ(cellX(5, column), cellX(3, column)) << column;
  }
  EXPECT_GT(cellX(3, 3),
            cellX(3, 2) + w->richEdit1()->fontMetrics().horizontalAdvance(QStringLiteral("2014/05/09 10:00:00")));
  EXPECT_EQ(label2()->text(), QStringLiteral("2 種類、のべ 3 人分"));
  EXPECT_EQ(w->speedButton1()->text(), QStringLiteral("Copy"));
  EXPECT_TRUE(w->totalsView()->graphButton()->isVisible());
  auto* spss = w->findChild<QCheckBox*>(QStringLiteral("CheckBox3"));
  ASSERT_TRUE(spss && spss->isVisible());
  guitest::saveScreenshot(w.get(), QStringLiteral("totals-tables"));

  QTest::mouseClick(w->speedButton1(), Qt::LeftButton);
  ASSERT_TRUE(clipboard.textData);
  EXPECT_EQ(QString::fromStdString(*clipboard.textData),
            expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));

  QTest::mouseClick(spss, Qt::LeftButton);
  EXPECT_TRUE(w->model().TestView().checkBox3Checked);
  QTest::mouseClick(w->speedButton1(), Qt::LeftButton);
  const QStringList merged = QString::fromStdString(*clipboard.textData).split(QStringLiteral("\r\n"));
  ASSERT_EQ(merged.size(), 5);  // "name", three examinees, and the end of the last line
  EXPECT_TRUE(merged[0].startsWith(QStringLiteral("name\ttitle\tname\tdate\twpm1\tscr1\ttitle\t")));
  // Names as collated (upper case); a test not taken leaves its cells empty.
  EXPECT_TRUE(merged[1].startsWith(QStringLiteral("AOKI\t\t\t\t\t\tUnit 1\tAoki\t"))) << merged[1].toStdString();
  EXPECT_TRUE(merged[1].endsWith(QLatin1Char('\t')));

  // Dropped on the window itself (outside the text), a single file replaces the totals.
  EXPECT_TRUE(guitest::dropFiles(w.get(), {prog + QStringLiteral("/chiba.ruvot")}));
  ASSERT_TRUE(guitest::waitUntil([&] { return label2()->text() == QStringLiteral("1 種類、のべ 1 人分"); }));
  EXPECT_EQ(shownLines(*w).size(), 3);
}

TEST_F(TotalsWindow, CollectionFromTheDeliveryWindowFeedsTheGraph) {
  const QString dist = prog + QStringLiteral("/class share");
  const QString collect = prog + QStringLiteral("/results.2014");
  QDir().mkpath(dist);
  QDir().mkpath(collect);
  {
    QFile exe(prog + QStringLiteral("/ruvo"));
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.write("examinee program");
  }
  writeResult(collect + QStringLiteral("/s00.ruvot"), student(0));
  totals().FSumUpList().Scores().SetSeed(7);
  totals().FSumUpList().Scores().OperatorName = "Ito";

  // The totals are on screen (the folder dropped on the window): collection shows its tables there.
  EXPECT_TRUE(guitest::dropFiles(w->richEdit1()->viewport(), {collect}));
  ASSERT_TRUE(guitest::waitUntil([&] { return w->model().FViewMode() == app::vmTotals; }));

  auto* h1 = w->findChild<QAction*>(QStringLiteral("H1"));
  ASSERT_TRUE(h1 && h1->isEnabled());
  h1->trigger();
  gui::TForm3* form3 = w->totalsView()->form3();
  ASSERT_TRUE(guitest::waitUntil([&] { return form3->isVisible(); }));
  EXPECT_TRUE(guitest::dropFiles(form3->gbToTeacher, {collect}));
  EXPECT_TRUE(guitest::dropFiles(form3->gbToLearners, {dist}));
  EXPECT_EQ(form3->lbToTeacher->text(), collect);
  EXPECT_EQ(form3->lbToLearners->text(), dist);
  QTest::mouseClick(form3->Button1, Qt::LeftButton);
  ASSERT_FALSE(dialogs.messages().empty());
  EXPECT_EQ(dialogs.messages().back(), "\r\n▼\r\nruvo コピーしました\r\n▼\r\nruvo_envi.dat コピーしました");
  EXPECT_TRUE(QFile::exists(dist + QStringLiteral("/ruvo_envi.dat")));
  guitest::saveScreenshot(form3, QStringLiteral("totals-delivery"));

  // "開始": the question about the result already there (answered Yes), its table, the graph.
  QTest::mouseClick(form3->Button4, Qt::LeftButton);
  gui::TForm4* form4 = w->totalsView()->form4();
  ASSERT_TRUE(guitest::waitUntil([&] { return form4->isVisible(); }));
  EXPECT_FALSE(form3->isVisible());
  EXPECT_EQ(dialogs.log.back().kind, "yesnocancel");
  EXPECT_EQ(label2()->text(), QStringLiteral("1 種類、のべ 1 人分"));
  EXPECT_TRUE(form4->tmGraph.isActive());
  EXPECT_TRUE(form4->isModal());

  // Thirty-nine arrive, several with the same time stamp; the poll takes every one in.
  form4->tmGraph.setInterval(30);  // the shortest interval offered is 3 s; the test does not wait that long
  for (int i = 1; i < 40; ++i) writeResult(collect + QString::asprintf("/s%02d.ruvot", i), student(i));
  ASSERT_TRUE(guitest::waitUntil([&] { return label2()->text() == QStringLiteral("1 種類、のべ 40 人分"); }));
  EXPECT_EQ(totals().FSumUpList().Scores().Count(), 40);
  EXPECT_EQ(qlines(tables()), shownLines(*w));
  EXPECT_TRUE(form4->tmGraph.isActive());
  form4->acTimerOff();
  QTest::qWait(50);  // the bottom bar's layout follows the new count
  guitest::saveScreenshot(form4, QStringLiteral("totals-chart-40"));
  guitest::saveScreenshot(w.get(), QStringLiteral("totals-collected"));

  form4->AnimeDure = 3000;
  form4->tmAnime.setInterval(60);
  form4->B1->trigger();
  ASSERT_TRUE(guitest::waitUntil([&] { return form4->Replay.Position() >= 25; }));
  guitest::saveScreenshot(form4, QStringLiteral("totals-replay-half"));
  ASSERT_TRUE(guitest::waitUntil([&] { return !form4->tmAnime.isActive(); }, 15000));

  form4->setCtrlHeld([] { return false; });
  form4->Copy1->trigger();
  ASSERT_TRUE(clipboard.png);
  EXPECT_EQ(dialogs.messages().back(), "クリップボードにコピーしました\r\n画像ソフトやワードに貼り付けられます");

  // Closing the graph ends collection; closing the main window keeps the folders.
  form4->acTimerOn();
  form4->close();
  EXPECT_FALSE(form4->tmGraph.isActive());
  auto* graph = w->totalsView()->graphButton();
  ASSERT_TRUE(graph->isVisible());
  QTest::mouseClick(graph, Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return form4->isVisible(); }));
  form4->close();
  w->close();
  const app::TSettings s = app::LoadSettings((prog + QStringLiteral("/tovimeter.ini")).toStdString());
  EXPECT_EQ(QString::fromStdString(s.dirToTeacher), collect);
  EXPECT_EQ(QString::fromStdString(s.dirToLearner), dist);
  EXPECT_EQ(s.interval, 3000);
  EXPECT_EQ(s.animeDure, 3000);
}

TEST_F(TotalsWindow, FeedbackChartNamesTheAuthorizedOperator) {
  writeResult(prog + QStringLiteral("/r/aoki.ruvot"), student(1));
  writeResult(prog + QStringLiteral("/r/baba.ruvot"), student(2));
  EXPECT_TRUE(guitest::dropFiles(w->richEdit1()->viewport(), {prog + QStringLiteral("/r")}));
  ASSERT_TRUE(guitest::waitUntil([&] { return w->model().FViewMode() == app::vmTotals; }));
  w->model().SetExamineeName("Sato Ken");
  auto* graph = w->totalsView()->graphButton();
  ASSERT_TRUE(graph->isVisible());
  QTest::mouseClick(graph, Qt::LeftButton);
  gui::TForm4* form4 = w->totalsView()->form4();
  ASSERT_TRUE(guitest::waitUntil([&] { return form4->isVisible(); }));
  auto shows = [&](const std::string& text) {
    for (const auto& d : totals().FSumUpList().Scores().GraphChart())
      if (d.kind == report::TDrawKind::Text && d.text == text) return true;
    return false;
  };
  EXPECT_TRUE(shows("authorized operator: Sato Ken"));
  guitest::saveScreenshot(form4, QStringLiteral("totals-operator"));
  form4->close();

  // The name as it is when the graph is drawn again.
  w->model().SetExamineeName("Ito");
  QTest::mouseClick(graph, Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return form4->isVisible(); }));
  EXPECT_TRUE(shows("authorized operator: Ito"));
  form4->close();
}

}  // namespace
