// The Qt ports: the button sets of the boxes and what each button answers, the input box, the
// filters of the file dialogs, the clipboard formats other programs read, and the clock.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <utility>
#include <vector>

#include "gui/platform/qtports.h"
#include "guitest.h"

using ruvo::guitest::BoxAction;
using ruvo::platform::Answer;

TEST(QtPorts, BoxesOfferTheirButtonSetsAndAnswerByButton) {
  ruvo::guitest::app();
  ruvo::gui::QtDialogs qtDialogs;
  ruvo::platform::Dialogs& dialogs = qtDialogs;  // as the core calls it
  ruvo::guitest::DialogRobot robot;
  robot.expect({BoxAction::PressYes, {}});
  EXPECT_EQ(dialogs.askYesNo("読解計測を始めます。\r\n\r\nいいですか？"), Answer::Yes);
  EXPECT_EQ(robot.seen().back(), QStringLiteral("読解計測を始めます。\n\nいいですか？"));
  robot.expect({BoxAction::PressNo, {}});
  EXPECT_EQ(dialogs.askYesNo("q"), Answer::No);
  robot.expect({BoxAction::PressNo, {}});
  EXPECT_EQ(dialogs.askYesNoCancel("q"), Answer::No);
  robot.expect({BoxAction::PressOk, {}});  // no OK there: Escape answers Cancel
  EXPECT_EQ(dialogs.askYesNoCancel("q"), Answer::Cancel);
  robot.expect({BoxAction::PressOk, {}});
  EXPECT_EQ(dialogs.confirmNoOk("途中です。"), Answer::Ok);
  robot.expect({BoxAction::PressNo, {}});
  EXPECT_EQ(dialogs.confirmNoOk("途中です。"), Answer::No);
  robot.expect({BoxAction::PressOk, {}});
  dialogs.message("結果ファイルを 送信しました。");
  EXPECT_TRUE(robot.idle());
}

TEST(QtPorts, InputBoxGivesTheTypedTextOrNothingWhenCancelled) {
  ruvo::guitest::app();
  ruvo::gui::QtDialogs dialogs;
  ruvo::guitest::DialogRobot robot;
  robot.expect({BoxAction::TypeAndOk, QStringLiteral("Ito Rudo")});
  EXPECT_EQ(dialogs.input("受験者の名前", "番号か名前を入力", "必須です"), std::optional<std::string>("Ito Rudo"));
  robot.expect({BoxAction::PressNo, {}});
  EXPECT_EQ(dialogs.input("受験者の名前", "番号か名前を入力", "必須です"), std::nullopt);
}

TEST(QtPorts, FileFiltersBecomeQtNameFilters) {
  EXPECT_EQ(ruvo::gui::QtDialogs::qtFilter("ルーヴォ (*.ruvo)|*.ruvo"), QStringLiteral("ルーヴォ (*.ruvo)"));
  EXPECT_EQ(ruvo::gui::QtDialogs::qtFilter("Rich text|*.rtf|All|*.*"), QStringLiteral("Rich text (*.rtf);;All (*.*)"));
  EXPECT_EQ(ruvo::gui::QtDialogs::qtFilter("Tests|*.ruvo;*.ruvp"), QStringLiteral("Tests (*.ruvo *.ruvp)"));
}

TEST(QtPorts, ClipboardCarriesRtfBesidePlainTextAndFilesAsUris) {
  ruvo::guitest::app();
  ruvo::gui::QtClipboard cb;
  const std::string rtf = "{\\rtf1\\ansi\\ansicpg932 name: Ito\\par}";
  cb.setRichText(rtf, "name: Ito");
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->data(QStringLiteral("text/rtf")).toStdString(), rtf);
  EXPECT_EQ(m->text(), QStringLiteral("name: Ito"));
  EXPECT_EQ(cb.rtf(), rtf);
  EXPECT_EQ(cb.text(), std::optional<std::string>("name: Ito"));

  cb.setFiles({"/tmp/a b/ruvo", "/tmp/c.ruvo"});
  m = QGuiApplication::clipboard()->mimeData();
  ASSERT_EQ(m->urls().size(), 2);
  EXPECT_EQ(m->urls()[0], QUrl::fromLocalFile(QStringLiteral("/tmp/a b/ruvo")));
  EXPECT_EQ(m->data(QStringLiteral("x-special/gnome-copied-files")),
            QByteArray("copy\nfile:///tmp/a%20b/ruvo\nfile:///tmp/c.ruvo"));
}

TEST(QtPorts, ClockIsMonotonicAndNeverZero) {
  ruvo::gui::QtClock clock;
  const std::int64_t a = clock.tickMs();
  const std::int64_t b = clock.tickMs();
  EXPECT_GT(a, 0);
  EXPECT_GE(b, a);
  const ruvo::platform::DateTime now = clock.now();
  EXPECT_GE(now.year, 2024);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
}

TEST(QtPorts, BoxesAreWideEnoughForTheirWholeTitle) {
  // The window manager puts its icon and buttons beside the title and cuts what does not fit: a
  // short question under the program's long title must still show all of it.
  ruvo::guitest::app();
  ruvo::gui::QtDialogs qtDialogs;
  ruvo::platform::Dialogs& dialogs = qtDialogs;  // as the core calls it
  std::vector<std::pair<QString, int>> shown;    // title, box width
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* box = QApplication::activeModalWidget();
    if (!box || !box->isVisible() || box->property("measured").toBool()) return;
    box->setProperty("measured", true);
    shown.emplace_back(box->windowTitle(), box->width());
    if (shown.size() == 1) ruvo::guitest::saveScreenshot(box, QStringLiteral("guib-title-box"));
    QMetaObject::invokeMethod(
        box, [box] { QTest::keyClick(box, Qt::Key_Escape); }, Qt::QueuedConnection);
  });
  poll.start();
  dialogs.askYesNo("はい");
  dialogs.confirmNoOk("途中です。", "かまわず終了しますか？ 受験者の名前を確かめてください");
  dialogs.message("OK");
  dialogs.input("受験者の名前を入力してください（番号でもかまいません）", "名前", "");
  ASSERT_EQ(shown.size(), 4u);
  for (const auto& [title, width] : shown) {
    QFont bold = QApplication::font();
    bold.setBold(true);
    const int frame = 100;  // the least a frame's icon and three buttons take
    EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(title) + frame) << title.toStdString();
  }
}
