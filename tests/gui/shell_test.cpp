// The help tab and the shell commands on real widgets: every link and menu item reaches the
// shell with its anchor or address, the version box, and the Send sequence making the folder and
// its archive through scripted dialogs.
#include <gtest/gtest.h>
#include <zip.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "../core/shell/shellfakes.h"
#include "core/shell/help.h"
#include "core/shell/links.h"
#include "gui/app/mainwindow.h"
#include "gui/platform/qtports.h"
#include "gui/shell/captionhelp.h"
#include "gui/shell/helptab.h"
#include "gui/shell/shellactions.h"
#include "gui/shell/windowshell.h"
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

// The main window with the shell wired in: the ports are scripted, the examinee program lies in
// bin/ beside the window's program folder.
struct ShellWindow : ShellGui {
  std::unique_ptr<TForm1> w;
  fs::path bin;
  void open(bool realDialogs = false, std::vector<std::string> args = {}) {
    bin = folder / "bin";
    fs::create_directories(bin);
    std::ofstream(bin / "ruvo") << "#!/bin/sh\n";
    TForm1Options opt;
    opt.args = std::move(args);
    opt.overrides.shell = &shell;
    if (!realDialogs) opt.overrides.dialogs = &dialogs;
    opt.executableFolder = bin.string();
    w = std::make_unique<TForm1>(opt);
    w->resize(760, 600);
    w->show();
    ASSERT_TRUE(guitest::waitUntil([&] { return w->showStepDone(); }));
  }
  void TearDown() override {
    if (w) w->model().SetModified(false);
    w.reset();
  }
  template <class T>
  T* find(const char* name) const {
    return w->findChild<T*>(QString::fromLatin1(name));
  }
  // Runs `act` on the pop-up menu once it is up (a menu button's menu runs its own loop).
  void onPopup(std::function<void(QMenu*)> act) {
    auto* timer = new QTimer(w.get());
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      timer->stop();
      timer->deleteLater();
      act(menu);
    });
    timer->start();
  }
  static void clickItem(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
      if (a->text() == text) {
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        return;
      }
    ADD_FAILURE() << "no menu item " << text.toStdString();
    menu->close();
  }
};

TEST_F(ShellWindow, HelpButtonsAndTheHelpTabOpenTheirAnchors) {
  open();
  auto* tabs = find<QTabWidget>("PageControl2");
  ASSERT_NE(tabs, nullptr);
  THelpTab* help = w->windowShell().helpTab();
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(tabs->currentWidget(), help) << "the side area opens on the help tab";
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("EditorNote")), nullptr);

  // The toolbar's help beside New, then the help button of each side tab.
  const std::vector<std::pair<const char*, int>> buttons = {{"SpeedButton19", -1}, {"SpeedButton22", 0},
                                                            {"SpeedButton23", 1},  {"SpeedButton14", 2},
                                                            {"SpeedButton20", 3},  {"SpeedButton21", 4}};
  for (const auto& [name, tab] : buttons) {
    auto* b = find<QToolButton>(name);
    ASSERT_NE(b, nullptr) << name;
    if (tab >= 0) {
      EXPECT_EQ(b->parentWidget(), tabs->widget(tab)) << name;
      tabs->setTabEnabled(tab, true);  // as the page editor's tabs will be
      tabs->setCurrentIndex(tab);
    }
    ASSERT_TRUE(b->isVisible()) << name;
    shell.opened.clear();
    QTest::mouseClick(b, Qt::LeftButton);
    ASSERT_EQ(shell.opened.size(), 1u) << name;
    EXPECT_EQ(shell.opened[0], manualUrl(shell::FindHelpLink(name)->anchor)) << name;
  }
  // The corner button keeps to the top right of its page.
  QWidget* page = tabs->widget(4);
  EXPECT_EQ(find<QToolButton>("SpeedButton21")->geometry().right(), page->width() - 1 - 4);
  guitest::saveScreenshot(w.get(), QStringLiteral("shell-mainwindow-scripttab"));
  // The side tabs of an empty project say how to fill them; the help itself shows no box.
  dialogs.log.clear();
  tabs->setCurrentIndex(5);

  // A help tab link, clicked with the mouse in the window.
  shell.opened.clear();
  QTest::mouseClick(help->link("Label18"), Qt::LeftButton);
  EXPECT_EQ(shell.opened, std::vector<std::string>{manualUrl("4STEPS")});

  // The picture sits behind the links in the bottom right corner, eight tenths of the tab high.
  QWidget* picture = help->illustration();
  EXPECT_EQ(picture->geometry().bottomRight(), help->rect().bottomRight());
  EXPECT_EQ(picture->height(), help->height() * 8 / 10);
  EXPECT_FALSE(picture->isEnabled());
  EXPECT_EQ(help->children().indexOf(picture), 0) << "behind the other controls";

  // The window's one-second timer moves the snail while the tab is shown.
  const QString snail = help->snail()->text();
  EXPECT_TRUE(guitest::waitUntil([&] { return help->snail()->text() != snail; }, 3000));
  guitest::saveScreenshot(w.get(), QStringLiteral("shell-mainwindow-helptab"));
  EXPECT_TRUE(dialogs.log.empty());
}

TEST_F(ShellWindow, RightClickOnTheEditingToolbarOpensTheManualAtTheCaption) {
  open();
  ASSERT_EQ(w->model().FViewMode(), app::vmEditing);
  auto* bar = find<QWidget>("EditToolbar");
  ASSERT_NE(bar, nullptr);
  const std::vector<std::pair<const char*, const char*>> controls = {
      {"EditProject", "Project"},         {"acViewTemplate", "Template"}, {"acViewScript", "Script"},
      {"acCreateFromTemplate", "Create"}, {"SpeedButton26", "Property"},  {"CheckBox1", "自動段下げ"},
      {"CheckBox2", "自動通し番号"}};
  const auto& anchors = shell::CaptionAnchors();
  for (const auto& [name, caption] : controls) {
    auto* b = bar->findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_NE(b, nullptr) << name;
    ASSERT_TRUE(b->isVisible()) << name;
    EXPECT_NE(std::find(anchors.begin(), anchors.end(), caption), anchors.end()) << caption << " has its section";
    const bool checked = b->isChecked();
    shell.opened.clear();
    dialogs.log.clear();
    QTest::mouseClick(b, Qt::RightButton);
    EXPECT_EQ(shell.opened, std::vector<std::string>{manualUrl(caption)}) << name;
    EXPECT_EQ(b->isChecked(), checked) << name << ": the right click does not tick the box";
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << name << ": no menu opens";
    EXPECT_TRUE(dialogs.log.empty()) << name;
  }
}

TEST_F(ShellWindow, InformationMenuReachesTheShellAndShowsTheVersionBox) {
  open(/*realDialogs=*/true);
  auto* info = find<QToolButton>("SpeedButton16");
  auto* menu = find<QMenu>("PopupMenu2");
  ASSERT_TRUE(info && menu);
  QStringList titles;
  for (QAction* a : menu->actions()) titles << a->text();
  EXPECT_EQ(titles,
            (QStringList{QStringLiteral("Manual(&M)"), QStringLiteral("はじめての(&B)"),
                         QStringLiteral("Link web site(&L)"), QStringLiteral("Send Mail(&S)"),
                         QStringLiteral("Version(&V)"), QStringLiteral("Property(&P)"), QStringLiteral("Option(&O)")}));
  // A first-steps entry from the real menu.
  auto* begin = find<QMenu>("BeginMenu");
  ASSERT_NE(begin, nullptr);
  begin->actions().at(1)->trigger();
  EXPECT_EQ(shell.opened, std::vector<std::string>{manualUrl("BeginEnque")});

  shell.program = (folder / "bin/tovimeter").string();
  guitest::DialogRobot robot;
  robot.setScreenshotPrefix(QStringLiteral("shell-mainwindow-versionbox"));
  robot.expect({guitest::BoxAction::PressOk, {}});
  QTest::mouseClick(info, Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return menu->isVisible(); }));
  clickItem(menu, QStringLiteral("Version(&V)"));
  ASSERT_TRUE(guitest::waitUntil([&] { return robot.idle() && !QApplication::activeModalWidget(); }));
  ASSERT_EQ(robot.seen().size(), 1u);
  const QString text = robot.seen()[0];
  EXPECT_TRUE(text.startsWith(QStringLiteral("----- バージョン情報 -----"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("名前： tovimeter （Ruvo ルーヴォ）")));
  EXPECT_TRUE(text.contains(QStringLiteral("バージョン： 1.2.3")));
  EXPECT_TRUE(text.contains(QStringLiteral("作成日： 不明"))) << "no such program file";
  EXPECT_TRUE(text.contains(QString::fromStdString("実行ファイル： " + shell.program)));
  EXPECT_TRUE(text.contains(QStringLiteral("Debian GNU/Linux 12")));
}

TEST_F(ShellWindow, SendAndZipButtonsPackageAndOpenTheArchive) {
  open();
  fs::create_directories(folder / "system/ruvof");
  std::ofstream(folder / "system/ruvof/unit 1.ruvo") << "test";
  auto* send = find<QToolButton>("acSend");
  auto* zip = find<QToolButton>("acOpenZip");
  ASSERT_TRUE(send && zip);
  EXPECT_TRUE(send->isEnabled());
  EXPECT_EQ(send->toolTip(), QStringLiteral("Send to compressed (zipped) folder"));
  EXPECT_EQ(zip->toolTip(), QStringLiteral("Open ZIP folder"));

  dialogs.fileLists.push_back(std::vector<std::string>{(folder / "system/ruvof/unit 1.ruvo").string()});
  dialogs.files.push_back((folder / "send/class A").string());
  dialogs.answers = {platform::Answer::Yes, platform::Answer::No};  // add the examinee program; no manual
  QTest::mouseClick(send, Qt::LeftButton);

  EXPECT_TRUE(fs::exists(folder / "send/class A/unit 1.ruvo"));
  EXPECT_TRUE(fs::exists(folder / "send/class A/ruvo"));
  int err = 0;
  zip_t* z = zip_open((folder / "send/class A.zip").c_str(), ZIP_RDONLY, &err);
  ASSERT_NE(z, nullptr);
  EXPECT_GE(zip_name_locate(z, "class A/unit 1.ruvo", 0), 0);
  EXPECT_GE(zip_name_locate(z, "class A/ruvo", 0), 0);
  zip_stat_t st;
  ASSERT_EQ(zip_stat(z, "class A/unit 1.ruvo", 0, &st), 0);
  EXPECT_EQ(st.size, 4u);
  zip_close(z);

  shell.opened.clear();
  dialogs.files.push_back((folder / "send/class A.zip").string());
  QTest::mouseClick(zip, Qt::LeftButton);
  EXPECT_EQ(dialogs.log.back().text, "圧縮ファイル一覧");
  EXPECT_EQ(shell.opened, std::vector<std::string>{(folder / "send/class A.zip").string()});
}

TEST_F(ShellWindow, OpenMenuStartsTheExamineeProgramAndCopiesIt) {
  fs::create_directories(folder / "system/ruvof/sample");
  std::ofstream(folder / "system/ruvof/unit 1.ruvo") << "test";
  std::ofstream(folder / "system/ruvof/sample/demo.ruvo") << "test";
  open();
  auto* openButton = find<QToolButton>("acOpenReading");
  ASSERT_NE(openButton, nullptr);
  EXPECT_TRUE(openButton->isEnabled());

  QStringList shown;
  onPopup([&](QMenu* menu) {
    for (QAction* a : menu->actions()) shown << a->text();
    clickItem(menu, QStringLiteral("unit 1"));
  });
  QTest::mouseClick(openButton, Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return !shell.started.empty(); }));
  EXPECT_EQ(shown,
            (QStringList{QStringLiteral("sample"), QStringLiteral("フォルダ窓を開く"),
                         QStringLiteral("受験者用のルーヴォをコピー(&C)"), QString(), QStringLiteral("unit 1")}));
  ASSERT_EQ(shell.started.size(), 1u);
  EXPECT_EQ(shell.started[0].first, (bin / "ruvo").string());
  EXPECT_EQ(shell.started[0].second, std::vector<std::string>{(folder / "system/ruvof/unit 1.ruvo").string()});

  onPopup([&](QMenu* menu) { clickItem(menu, QStringLiteral("受験者用のルーヴォをコピー(&C)")); });
  QTest::mouseClick(openButton, Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return !dialogs.texts("message").empty(); }));
  EXPECT_EQ(dialogs.texts("message").back(),
            "受験者用ルーヴォ ruvo をコピーしました\r\n\r\n目的のフォルダに貼り付けて利用できます\r\n\r\n");
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  EXPECT_EQ(mime->urls(), QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString((bin / "ruvo").string()))});
}

TEST_F(ShellWindow, AProjectOnTheCommandLineGoesToTheProjectOpener) {
  const fs::path project = folder / "my class/light house.ruvp";
  fs::create_directories(project.parent_path());
  std::ofstream(project) << "{\\rtf1}";
  open(false, {"--geometry", project.string()});
  // The show step ran before an opener was there: nothing opened, nothing asked.
  EXPECT_EQ(w->model().FViewMode(), app::vmEditing);
  EXPECT_TRUE(dialogs.log.empty());

  std::vector<std::string> opened;
  w->windowShell().setProjectOpener([&](const std::string& p) {
    opened.push_back(p);
    return true;
  });
  w->windowShell().openCommandLineProject({"--geometry", project.string()});
  w->windowShell().openCommandLineProject({project.string(), (folder / "t.ruvo").string()});
  EXPECT_EQ(opened, std::vector<std::string>{project.string()}) << "a test document opens instead";
}

}  // namespace
}  // namespace ruvo::gui
