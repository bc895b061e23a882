// The help tab and the shell commands on real widgets: every link and menu item reaches the
// shell with its anchor or address, the version box, and the Send sequence making the folder and
// its archive through scripted dialogs.
#include <gtest/gtest.h>
#include <zip.h>

#include <QAction>
#include <QCheckBox>
#include <QToolButton>
#include <QMenu>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "../core/shell/shellfakes.h"
#include "core/shell/help.h"
#include "core/shell/links.h"
#include "gui/platform/qtports.h"
#include "gui/shell/captionhelp.h"
#include "gui/shell/helptab.h"
#include "gui/shell/shellactions.h"
#include "guitest.h"

namespace ruvo::gui {
namespace {
namespace fs = std::filesystem;

struct ShellGui : ::testing::Test {
  fs::path folder;
  testing::FakeShell shell;
  testing::FakeDialogs dialogs;
  platform::Ports ports() { return {&dialogs, nullptr, nullptr, &shell, nullptr}; }
  void SetUp() override {
    guitest::app();
    folder = guitest::freshProgramFolder(QStringLiteral("shell gui")).toStdString();
    fs::create_directories(folder / "system/help");
    std::ofstream(folder / "system/help/ruvo-help.html") << "<html></html>";
  }
  std::string manualUrl(const std::string& anchor) {
    return shell::FileUrl((folder / "system/help/ruvo-help.html").string(), anchor);
  }
};

TEST_F(ShellGui, EveryHelpTabLinkOpensItsAnchorAndMoreShowsTheSecondPanel) {
  THelpTab tab(ports(), folder.string());
  tab.resize(420, 520);
  tab.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&tab));
  EXPECT_FALSE(tab.panel24()->isVisible());
  QTest::mouseClick(tab.more(), Qt::LeftButton);
  EXPECT_TRUE(tab.panel24()->isVisible());
  EXPECT_FALSE(tab.more()->isVisible());
  EXPECT_GT(tab.panel24()->y(), tab.link("Label21")->y()) << "directly below the first panel";

  for (const char* c : {"Label17", "Label18", "Label19", "Label20", "Label21", "Label22", "Label23", "Label24",
                        "Label25", "Label11", "Label12", "Label13"}) {
    QLabel* l = tab.link(c);
    ASSERT_NE(l, nullptr) << c;
    shell.opened.clear();
    QTest::mouseClick(l, Qt::LeftButton);
    ASSERT_EQ(shell.opened.size(), 1u) << c;
    EXPECT_EQ(shell.opened[0], manualUrl(shell::FindHelpLink(c)->anchor)) << c;
  }

  // Hover: the link under the mouse turns purple and bold; the panel behind puts it back.
  QLabel* l = tab.link("Label18");
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(l, &enter);
  EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(128, 0, 128));
  EXPECT_TRUE(l->font().bold());
  EXPECT_TRUE(l->font().underline());
  guitest::saveScreenshot(&tab, QStringLiteral("shell-helptab"));
  QApplication::sendEvent(&tab, &enter);
  EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_FALSE(l->font().bold());

  // The snail moves along with the seconds and stays inside the tab.
  const QString before = tab.snail()->text();
  tab.tick(0);
  EXPECT_NE(tab.snail()->text(), before);
  EXPECT_TRUE(tab.snail()->text().endsWith(QStringLiteral("__＠ﾉ”")));
  EXPECT_GT(tab.snail()->y(), tab.height() / 2);
  EXPECT_LT(tab.snail()->geometry().bottom(), tab.height());
  EXPECT_TRUE(dialogs.log.empty());
}

TEST_F(ShellGui, MenuItemsReachTheShell) {
  QWidget owner;
  TShellActions actions(ports(), {folder.string(), (folder / "bin").string()}, &owner);
  QMenu menu;
  actions.populate(&menu);
  auto trigger = [&](const char* name) {
    auto* a = menu.findChild<QAction*>(QString::fromLatin1(name));
    if (!a) a = actions.findChild<QAction*>(QString::fromLatin1(name));
    EXPECT_NE(a, nullptr) << name;
    shell.opened.clear();
    if (a) a->trigger();
    return shell.opened.empty() ? std::string() : shell.opened[0];
  };
  EXPECT_EQ(trigger("N8"), manualUrl("BeginReading"));
  EXPECT_EQ(trigger("N9"), manualUrl("BeginEnque"));
  EXPECT_EQ(trigger("N10"), manualUrl("BeginChunk"));
  EXPECT_EQ(trigger("ManualM2"), (folder / "system/help/ruvo-help.html").string());
  EXPECT_EQ(trigger("acLinkHome"), shell::WebLinks()[1].url);
  EXPECT_EQ(trigger("acWish"), shell::SupportMailUrl(shell::MailKind::acWish));
  // No PDF in this folder: told, nothing opened.
  EXPECT_EQ(trigger("ManualPDFP1"), "");
  EXPECT_EQ(dialogs.texts("message").back(),
            "ファイルがありません\r\n\r\n" + (folder / "system/help/ruvo-help.pdf").string());
}

TEST_F(ShellGui, RightClickOpensTheManualAtTheCaption) {
  QWidget owner;
  auto* review = new QToolButton(&owner);
  review->setText(QStringLiteral(" Review "));
  auto* indent = new QCheckBox(QStringLiteral("自動段下げ"), &owner);
  TCaptionHelp help(ports(), folder.string());
  help.watch(review);
  help.watch(indent);
  owner.show();
  QTest::mouseClick(review, Qt::LeftButton);
  EXPECT_TRUE(shell.opened.empty()) << "a left click is the button's own";
  QTest::mouseClick(review, Qt::RightButton);
  QTest::mouseClick(indent, Qt::RightButton);
  EXPECT_EQ(shell.opened, (std::vector<std::string>{manualUrl("Review"), manualUrl("自動段下げ")}));
  EXPECT_FALSE(indent->isChecked()) << "the right click does not tick the box";
}

TEST_F(ShellGui, VersionBoxShowsTheProgram) {
  QWidget owner;
  QtDialogs qtDialogs(&owner);
  platform::Ports p{&qtDialogs, nullptr, nullptr, &shell, nullptr};
  shell.program = (folder / "tovimeter").string();
  std::ofstream(folder / "tovimeter") << "x";
  TShellActions actions(p, {folder.string(), folder.string()}, &owner);
  guitest::DialogRobot robot;
  robot.setScreenshotPrefix(QStringLiteral("shell-versionbox"));
  robot.expect({guitest::BoxAction::PressOk, {}});
  actions.acShowVersion->trigger();
  ASSERT_EQ(robot.seen().size(), 1u);
  const QString text = robot.seen()[0];
  EXPECT_TRUE(text.contains(QStringLiteral("バージョン： 1.2.3"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QString::fromStdString("実行ファイル： " + shell.program)));
  EXPECT_TRUE(text.contains(QStringLiteral("Debian GNU/Linux 12")));
}

TEST_F(ShellGui, SendMakesTheFolderAndItsArchive) {
  QWidget owner;
  const fs::path bin = folder / "bin";
  fs::create_directories(bin);
  std::ofstream(bin / "ruvo") << "#!/bin/sh\n";
  std::ofstream(folder / "unit 1.ruvo") << "test";
  TShellActions actions(ports(), {folder.string(), bin.string()}, &owner);
  dialogs.fileLists.push_back(std::vector<std::string>{(folder / "unit 1.ruvo").string()});
  dialogs.files.push_back((folder / "send/class A").string());
  dialogs.answers = {platform::Answer::Yes, platform::Answer::Yes};
  actions.acSend->trigger();

  EXPECT_TRUE(fs::exists(folder / "send/class A/unit 1.ruvo"));
  EXPECT_TRUE(fs::exists(folder / "send/class A/ruvo"));
  int err = 0;
  zip_t* z = zip_open((folder / "send/class A.zip").c_str(), ZIP_RDONLY, &err);
  ASSERT_NE(z, nullptr);
  EXPECT_GE(zip_name_locate(z, "class A/unit 1.ruvo", 0), 0);
  EXPECT_GE(zip_name_locate(z, "class A/ruvo", 0), 0);
  zip_close(z);
  EXPECT_EQ(shell.opened, std::vector<std::string>{(folder / "send").string()});
}

}  // namespace
}  // namespace ruvo::gui
