// The delivery window: folders dropped on their group boxes, documents dropped for sending,
// the send button's report and the start button.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "core/app/settings.h"
#include "core/delivery/delivery.h"
#include "core/delivery/filesystem.h"
#include "gui/delivery/deliverywindow.h"
#include "gui/platform/qtports.h"
#include "guitest.h"

namespace {

using namespace ruvo;
using guitest::BoxAction;
using guitest::dropFiles;

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

struct DeliveryWindow : ::testing::Test {
  QString prog, dist, collect;
  gui::QtDialogs dialogs;
  std::unique_ptr<delivery::TForm3Model> model;
  std::unique_ptr<gui::TForm3> w;

  void SetUp() override {
    guitest::app();
    prog = guitest::freshProgramFolder(QStringLiteral("delivery"));
    dist = prog + QStringLiteral("/class share");
    collect = prog + QStringLiteral("/results.2014");  // a folder with a dot in its name
    QDir().mkpath(dist);
    QDir().mkpath(collect);
    writeFile(prog + QStringLiteral("/ruvo"), "examinee program");
    model = std::make_unique<delivery::TForm3Model>(delivery::RealFileSystem(), &dialogs, prog.toStdString(),
                                                    (prog + QStringLiteral("/ruvo")).toStdString());
    model->Create(app::TSettings{});
    w = std::make_unique<gui::TForm3>(*model);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  }
  void TearDown() override {
    w.reset();
    QDir(prog).removeRecursively();
  }
};

TEST_F(DeliveryWindow, SetFoldersDropDocumentsAndSend) {
  guitest::DialogRobot robot;
  guitest::saveScreenshot(w.get(), QStringLiteral("delivery-empty"));
  EXPECT_EQ(w->lbToLearners->text(), QStringLiteral("登録は ありません"));
  EXPECT_FALSE(w->cbSendRuvoExe->isEnabled());

  dropFiles(w->gbToTeacher, {collect});
  EXPECT_EQ(w->lbToTeacher->text(), collect);
  EXPECT_TRUE(w->lbToTeacher->isEnabled());
  EXPECT_FALSE(w->lbMsgToTeacher->isEnabled());
  EXPECT_TRUE(QFile::exists(prog + QStringLiteral("/ruvo_envi.dat")));
  dropFiles(w->gbToLearners, {dist});
  EXPECT_EQ(w->lbToLearners->text(), dist);
  EXPECT_TRUE(w->cbSendRuvoExe->isEnabled());
  EXPECT_TRUE(w->cbSendEnvi->isEnabled() && w->cbSendEnvi->isChecked());

  const QString doc = QStringLiteral(RUVO_DATA_DIR "/system/ruvof/sample/sample1-gettysburg.ruvo");
  writeFile(prog + QStringLiteral("/notes.txt"), "n");
  robot.expect({BoxAction::PressOk, {}});
  dropFiles(w->gbSendRuvo, {doc, prog + QStringLiteral("/notes.txt")});
  ASSERT_TRUE(guitest::waitUntil([&] { return robot.idle(); }));
  EXPECT_EQ(robot.seen().back(), QStringLiteral(".txt このタイプのファイルには対応していません"));
  EXPECT_EQ(w->lbRuvos->text(), QStringLiteral("#1 / sample1-gettysburg"));
  EXPECT_TRUE(w->cbSendRuvoFile->isEnabled() && w->cbSendRuvoFile->isChecked());
  guitest::saveScreenshot(w.get(), QStringLiteral("delivery-set"));

  robot.expect({BoxAction::PressOk, {}});
  QTest::mouseClick(w->Button1, Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return robot.idle(); }));
  // The box shows the report's line breaks as plain ones.
  EXPECT_EQ(robot.seen().back(), QStringLiteral("\n▼\nruvo コピーしました\n▼\nruvo_envi.dat コピーしました"
                                                "\n▼\nsample1-gettysburg.ruvo コピーしました"));
  EXPECT_TRUE(QFile::exists(dist + QStringLiteral("/ruvo")));
  EXPECT_TRUE(QFile::exists(dist + QStringLiteral("/sample1-gettysburg.ruvo")));
  QFile env(dist + QStringLiteral("/ruvo_envi.dat"));
  ASSERT_TRUE(env.open(QIODevice::ReadOnly));
  EXPECT_EQ(delivery::EnviFileFolder(env.readAll().toStdString()), collect.toStdString());

  // Unticking the program leaves it out of the next send.
  QFile::remove(dist + QStringLiteral("/ruvo"));
  QTest::mouseClick(w->cbSendRuvoExe, Qt::LeftButton);
  EXPECT_FALSE(model->cbSendRuvoExe.checked);
  robot.expect({BoxAction::PressOk, {}});
  QTest::mouseClick(w->Button1, Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return robot.idle(); }));
  EXPECT_FALSE(QFile::exists(dist + QStringLiteral("/ruvo")));

  QTest::mouseClick(w->Button4, Qt::LeftButton);
  EXPECT_EQ(w->result(), QDialog::Accepted);
  EXPECT_EQ(robot.unexpected(), 0);
}

TEST_F(DeliveryWindow, RefusedDropsAndStartWithoutAFolder) {
  guitest::DialogRobot robot;
  robot.expect({BoxAction::PressOk, {}});
  dropFiles(w->gbToTeacher, {collect, dist});
  robot.expect({BoxAction::PressOk, {}});
  QTest::mouseClick(w->Button4, Qt::LeftButton);  // no collection folder yet
  ASSERT_TRUE(guitest::waitUntil([&] { return robot.idle(); }));
  EXPECT_EQ(robot.seen(), (std::vector<QString>{QStringLiteral("フォルダは１つだけ指定してください。"),
                                                QStringLiteral("回収先フォルダが登録されてません。")}));
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->lbToTeacher->text(), QStringLiteral("登録は ありません"));
}

}  // namespace
