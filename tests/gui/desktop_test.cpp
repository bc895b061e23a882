// The windows on a person's desktop: Qt's own buttons and dialogs in Japanese, files handed to the
// desktop's opener with its failure told, the saved window fitted onto a smaller screen, and the
// examinee's status line whole on a 1024 x 768 screen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTranslator>
#include <filesystem>
#include <fstream>

#include "../core/shell/shellfakes.h"
#include "core/storage/deltacode.h"
#include "gui/app/mainwindow.h"
#include "gui/platform/qtports.h"
#include "gui/platform/qttranslations.h"
#include "gui/platform/windowfit.h"
#include "guitest.h"
#include "support/tempdir.h"

namespace ruvo::gui {
namespace {
namespace fs = std::filesystem;
using guitest::BoxAction;

// Runs `act` once on the next modal dialog, after it is on screen.
void onNextModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(modal);
  });
  timer->start();
}

QStringList buttonTexts(QWidget* dialog) {
  QStringList out;
  for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
    if (b->isVisible() && !b->text().isEmpty()) out << b->text();
  return out;
}

// The Japanese catalogue for one test; the others keep the catalogue-free texts they expect.
struct JapaneseQt {
  QTranslator* t = nullptr;
  JapaneseQt() { t = InstallJapaneseQtTranslations(&guitest::app()); }
  ~JapaneseQt() { delete t; }  // a deleted translator takes itself out
};

TEST(JapaneseDialogs, MessageBoxAndFileDialogButtonsAreJapanese) {
  JapaneseQt ja;
  ASSERT_NE(ja.t, nullptr) << "Qt's Japanese catalogue (qt6-translations-l10n) is not installed";
  EXPECT_EQ(InstallJapaneseQtTranslations(&guitest::app()), ja.t) << "installed once";

  QtDialogs qtDialogs;
  platform::Dialogs& dialogs = qtDialogs;  // as the core calls it
  QStringList question;
  onNextModal([&](QWidget* box) {
    question = buttonTexts(box);
    guitest::saveScreenshot(box, QStringLiteral("guib-japanese-question"));
    QTest::mouseClick(static_cast<QMessageBox*>(box)->button(QMessageBox::No), Qt::LeftButton);
  });
  EXPECT_EQ(dialogs.askYesNoCancel("編集中です。保存しますか？\r\n\r\n[ はい ] 保存する\r\n[ いいえ ] 保存しない\r\n"
                                   "[ キャンセル ] 戻る"),
            platform::Answer::No)
      << "the button pressed is the button answered";
  EXPECT_EQ(question.size(), 3) << question.join(QLatin1Char(',')).toStdString();
  for (const char* word : {"はい", "いいえ", "キャンセル"})
    EXPECT_TRUE(question.filter(QString::fromUtf8(word)).size() == 1)
        << word << " in " << question.join(QLatin1Char(',')).toStdString();

  // The file dialog: its buttons and its labels.
  QStringList fileButtons, labels;
  onNextModal([&](QWidget* dlg) {
    fileButtons = buttonTexts(dlg);
    for (QLabel* l : dlg->findChildren<QLabel*>())
      if (l->isVisible()) labels << l->text();
    guitest::saveScreenshot(dlg, QStringLiteral("guib-japanese-filedialog"));
    static_cast<QDialog*>(dlg)->reject();
  });
  testsupport::TempDir dir("guib-dialog");
  EXPECT_EQ(dialogs.openFile("Open", "ruvo files|*.ruvo;", dir.path()), std::nullopt);
  EXPECT_TRUE(fileButtons.filter(QStringLiteral("キャンセル")).size() == 1)
      << fileButtons.join(QLatin1Char(',')).toStdString();
  EXPECT_TRUE(fileButtons.filter(QStringLiteral("開く")).size() == 1)
      << fileButtons.join(QLatin1Char(',')).toStdString();
  EXPECT_TRUE(labels.filter(QStringLiteral("ファイル名")).size() == 1) << labels.join(QLatin1Char(',')).toStdString();
}

// An opener that stands in for the desktop's: PATH leads to it while the object lives. It writes
// what it was handed into a file beside it and ends with the given status (or sleeps first).
struct FakeOpener {
  testsupport::TempDir dir{"guib-opener"};
  QByteArray oldPath = qgetenv("PATH");
  explicit FakeOpener(int status, int sleepSeconds = 0) {
    const std::string script = dir / "xdg-open";
    // Its output is not the test's: a sleeping opener would hold the test runner's pipe.
    std::ofstream(script) << "#!/bin/sh\nexec >/dev/null 2>&1\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/handed\"\n"
                          << (sleepSeconds ? "sleep " + std::to_string(sleepSeconds) + "\n" : "") << "exit " << status
                          << "\n";
    fs::permissions(script, fs::perms::owner_all);
    qputenv("PATH", QByteArray::fromStdString(dir.path()) + ':' + oldPath);
  }
  ~FakeOpener() { qputenv("PATH", oldPath); }
  std::string handed() const {
    std::ifstream in(dir / "handed");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST(DesktopOpener, TheOpenersExitStatusDecides) {
  guitest::app();
  struct Case {
    const char* what;
    int status, sleepSeconds;
    bool opened;
  } cases[] = {
      {"opened", 0, 0, true},
      {"no program for the file (xdg-open's 3)", 3, 0, false},
      {"the file is missing (xdg-open's 2)", 2, 0, false},
      {"the opener stays with the program it started", 0, 10, true},
  };
  for (const auto& c : cases) {
    FakeOpener opener(c.status, c.sleepSeconds);
    QtShell shell;
    shell.setOpenerWaitMs(1500);
    EXPECT_EQ(shell.open("https://example.org/a b?x=1"), c.opened) << c.what;
    EXPECT_EQ(opener.handed(), "https://example.org/a%20b?x=1") << c.what;
  }
  // A local file goes as a file URL; the anchor stays its fragment.
  FakeOpener opener(0);
  QtShell shell;
  EXPECT_TRUE(shell.open("file:///tmp/my%20help.html#Create"));
  EXPECT_EQ(opener.handed(), "file:///tmp/my%20help.html#Create");
  EXPECT_TRUE(shell.open(opener.dir.path()));
  EXPECT_EQ(opener.handed(), "file://" + opener.dir.path());
}

TEST(DesktopOpener, HelpWithoutABrowserSaysSoInTheWindow) {
  guitest::app();
  testing::FakeDialogs dialogs;
  const QString home = guitest::freshProgramFolder(QStringLiteral("guib-nobrowser"));
  fs::create_directories(home.toStdString() + "/system/help");
  std::ofstream(home.toStdString() + "/system/help/ruvo-help.html") << "<html><body id=\"New\"></body></html>";
  FakeOpener opener(3);  // "no method available for opening"
  TForm1Options opt;
  opt.overrides.dialogs = &dialogs;  // the real shell, the opener above
  TForm1 w(opt);
  w.resize(760, 600);
  w.show();
  ASSERT_TRUE(guitest::waitUntil([&] { return w.showStepDone(); }));
  dialogs.log.clear();
  auto* help = w.findChild<QAbstractButton*>(QStringLiteral("SpeedButton19"));
  ASSERT_NE(help, nullptr);
  QTest::mouseClick(help, Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return !dialogs.texts("message").empty(); }));
  EXPECT_EQ(dialogs.texts("message").back(), "ruvo-help.html\r\n\r\nこのファイルを開けるアプリケーションがありません");
  EXPECT_NE(opener.handed().find("ruvo-help.html#New"), std::string::npos) << opener.handed();
  w.model().SetModified(false);
}

// A screen of a given size for the window's placement.
struct OneScreen final : platform::Screen {
  platform::Rect rect;
  explicit OneScreen(platform::Rect r) : rect(r) {}
  std::vector<platform::Rect> monitors() override { return {rect}; }
};

TEST(WindowPlacement, AWindowSavedOnALargerScreenFitsASmallerOne) {
  guitest::app();
  // The teacher's program closed on a 1600 x 1000 screen wrote this; the examinee program now
  // starts on 1024 x 768.
  const QString home = guitest::freshProgramFolder(QStringLiteral("guib-placement"));
  std::ofstream(home.toStdString() + "/tovimeter.ini")
      << "[setting]\r\nleft=500\r\ntop=100\r\nwidth=600\r\nheight=800\r\n";
  OneScreen screen({0, 0, 1024, 768});
  guitest::RecordingShell shell;
  TForm1Options opt;
  opt.examineeOnly = true;
  opt.overrides.screen = &screen;
  opt.overrides.shell = &shell;
  TForm1 w(opt);
  w.show();
  ASSERT_TRUE(guitest::waitUntil([&] { return w.showStepDone(); }));
  EXPECT_LE(w.height(), 768);
  EXPECT_GE(w.y(), 0);
  EXPECT_LE(w.y() + w.height(), 768);
  EXPECT_LE(w.x() + w.width(), 1024);
  // The bottom bar with Forward lies on the screen.
  QPushButton* forward = w.speedButton1();
  const QRect onWindow(forward->mapTo(&w, QPoint(0, 0)), forward->size());
  EXPECT_LE(w.y() + onWindow.bottom(), 768);
  EXPECT_TRUE(w.rect().contains(onWindow));
}

TEST(WindowPlacement, AWindowReachingOffTheScreenOnceShownIsFittedAgain) {
  // The frame comes with the window manager after the window is shown; the window is fitted
  // again then, with whatever frame it got, onto the work area of its screen.
  guitest::app();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  QWidget w;
  w.setMinimumSize(570, 500);
  w.resize(700, area.height() + 200);
  w.move(area.left() + 10, area.top() + 50);
  w.show();
  FitOnScreenOnceFramed(&w, 500);
  ASSERT_TRUE(guitest::waitUntil([&] { return area.contains(w.frameGeometry()); }, 2000))
      << w.frameGeometry().height() << " high in " << area.height();
  EXPECT_EQ(w.width(), 700) << "only what does not fit changes";
  // Later the person may place the window as they like.
  QTest::qWait(600);
  w.move(area.left() - 100, area.top());
  QTest::qWait(300);
  EXPECT_LT(w.frameGeometry().left(), area.left() - 50) << "left where the person put it";
}

// A test whose phrase-by-phrase reading comes after the name and an instruction page, with a
// question and nine more pages: thirteen marks on the status line.
QString makeStatusDocument(const QString& folder) {
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}}\\pard\\f0\\fs24 ";
  rtf += "title=Status\\par autoqa=1\\par fadein=1\\par <page name>\\par Name\\par <page>\\par Intro\\par ";
  rtf += "<page start>\\par One phrase / and another / and a third / and the last. / \\par ";
  rtf += "<page end pass>\\par ??Which?\\par ?*a\\par ?b\\par ";
  for (int i = 1; i <= 9; ++i) rtf += "<page>\\par Page " + std::to_string(i) + "\\par ";
  rtf += "<page last>\\par The end.\\par }";
  const std::string coded = storage::TDeltaCode::encode(rtf);
  const QString path = folder + QStringLiteral("/status.ruvo");
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly)) return {};
  out.write(coded.data(), static_cast<qint64>(coded.size()));
  return path;
}

TEST(StatusLine, EveryMarkShowsBesideTheClockAndTheProgressOnA1024x768Screen) {
  guitest::app();
  const QString home = guitest::freshProgramFolder(QStringLiteral("guib-status"));
  const QString doc = makeStatusDocument(home);
  ASSERT_FALSE(doc.isEmpty());
  OneScreen screen({0, 0, 1024, 768});
  guitest::RecordingShell shell;
  guitest::DialogRobot robot;
  TForm1Options opt;
  opt.args = {doc.toStdString()};
  opt.examineeOnly = true;
  opt.overrides.screen = &screen;
  opt.overrides.shell = &shell;
  TForm1 w(opt);
  robot.expect({BoxAction::TypeAndOk, QStringLiteral("Ito Rudo")});
  w.show();
  auto settled = [&] { return robot.idle() && !QApplication::activeModalWidget(); };
  ASSERT_TRUE(guitest::waitUntil([&] { return w.showStepDone() && settled(); }));
  EXPECT_LE(w.width(), 1024);
  auto press = [&] {
    if (!guitest::waitUntil([&] { return w.speedButton1()->isEnabled(); }, 6000)) return false;
    // A person's next click comes after the window has worked off the last press's events;
    // a click queued behind a press is dropped as the second half of a double click.
    QTest::qWait(50);
    QTest::mouseClick(w.speedButton1(), Qt::LeftButton);
    return guitest::waitUntil(settled, 6000);
  };
  ASSERT_TRUE(press());  // the instruction page
  robot.expect({BoxAction::PressYes, {}});
  ASSERT_TRUE(press());  // the reading starts, phrase by phrase
  ASSERT_TRUE(press());
  auto* marks = w.findChild<QLabel*>(QStringLiteral("Label2"));
  auto* clock = w.findChild<QLabel*>(QStringLiteral("Label26"));
  auto* progress = w.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
  ASSERT_TRUE(marks && clock && progress);
  ASSERT_TRUE(guitest::waitUntil([&] { return clock->isVisible() && !clock->text().isEmpty(); }, 3000));
  EXPECT_TRUE(progress->isVisible());
  QTest::qWait(50);
  guitest::saveScreenshot(&w, QStringLiteral("guib-statusline-1024x768"));

  const QString line = marks->text();
  ASSERT_EQ(line.size(), 13) << line.toStdString();
  // Every mark is inside the label, and the label inside the window, clear of the clock and the
  // progress bar.
  const int needed = marks->fontMetrics().horizontalAdvance(line) + marks->contentsMargins().left();
  EXPECT_GE(marks->contentsRect().width() + marks->contentsMargins().left(), needed)
      << "the label is " << marks->width() << " wide, the marks need " << needed;
  const QRect labelOnWindow(marks->mapTo(&w, QPoint(0, 0)), marks->size());
  EXPECT_TRUE(w.rect().contains(labelOnWindow));
  for (QWidget* other : std::initializer_list<QWidget*>{clock, progress}) {
    const QRect r(other->mapTo(&w, QPoint(0, 0)), other->size());
    EXPECT_TRUE(w.rect().contains(r)) << other->objectName().toStdString();
    EXPECT_FALSE(r.intersects(labelOnWindow)) << other->objectName().toStdString();
  }
  w.model().SetModified(false);
  robot.setFallback([](const QString&) { return BoxAction{BoxAction::PressOk, {}}; });
  w.hide();
}

}  // namespace
}  // namespace ruvo::gui
