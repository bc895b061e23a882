// The teacher's main window through its real menus and buttons: every entry of every folder menu
// (a menu that goes away once closed must not go while its own click is handled), automatic
// collection started from the Option menu beside an edited project, New after a question was
// open, a result file named on the command line, and the progress bar of Create.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <optional>

#include "core/app/form1model.h"
#include "core/authoring/authoringmodel.h"
#include "core/authoring/pageeditor.h"
#include "core/authoring/project.h"
#include "core/document/pagecontroler.h"
#include "core/platform/headlessports.h"
#include "core/storage/compressstringlist.h"
#include "gui/app/mainwindow.h"
#include "gui/app/totalsview.h"
#include "gui/authoring/editview.h"
#include "gui/delivery/deliverywindow.h"
#include "gui/report/form4.h"
#include "gui/richtext/richview.h"
#include "guitest.h"

using namespace ruvo;

namespace {

void copyTree(const QString& from, const QString& to) {
  QDir().mkpath(to);
  for (const QFileInfo& f : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
    if (f.isDir())
      copyTree(f.filePath(), to + QLatin1Char('/') + f.fileName());
    else
      QFile::copy(f.filePath(), to + QLatin1Char('/') + f.fileName());
  }
}

// The captions leading to every entry of a menu (a submenu's entries behind its caption).
void menuEntries(QMenu* m, const QStringList& prefix, QList<QStringList>& out) {
  for (QAction* a : m->actions()) {
    if (a->isSeparator() || !a->isVisible()) continue;
    const QStringList path = prefix + QStringList{a->text()};
    if (a->menu())
      menuEntries(a->menu(), path, out);
    else
      out << path;
  }
}

struct MenuWalk {
  bool clicked = false;           // the entry was found and clicked
  std::string path;               // the file the entry stands for (empty for the menu's actions)
  int deletedWhileClicked = 0;    // menus deleted while their own click was being handled
  bool eventsRanInClick = false;  // the event loop ran inside the click's handler
  QList<QStringList> entries;     // with no captions: every entry (the menu is then closed)
};

// Clicks through a menu as a person does: the button, then each caption in turn, a submenu
// opening on its click, the last caption being the entry. The clicks come from a timer, so that
// a menu button whose menu runs its own loop and one whose menu pops up both work.
MenuWalk walkMenu(QAbstractButton* button, const QStringList& captions) {
  MenuWalk r;
  bool done = false, clicking = false;
  int step = 0, idle = 0;
  QTimer timer;
  timer.setInterval(15);
  QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (done || !menu) return;
    if (!menu->property("walked").toBool()) {
      menu->setProperty("walked", true);
      QObject::connect(menu, &QObject::destroyed, &timer, [&] { r.deletedWhileClicked += clicking ? 1 : 0; });
    }
    if (captions.isEmpty()) {
      menuEntries(menu, {}, r.entries);
      done = true;
      menu->close();
      return;
    }
    QAction* a = nullptr;
    for (QAction* x : menu->actions())
      if (x->text() == captions[step]) a = x;
    if (!a) {
      if (++idle > 60) {  // the submenu never came, or the entry is missing
        done = true;
        while (auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget())) open->close();
      }
      return;
    }
    idle = 0;
    const QPoint at = menu->actionGeometry(a).center();
    if (step + 1 < captions.size()) {
      QTest::mouseClick(menu, Qt::LeftButton, {}, at);
      ++step;
      return;
    }
    // A file entry carries its path as its data or its tip.
    QString path = a->data().toString();
    if (path.isEmpty() && a->toolTip().startsWith(QLatin1Char('/'))) path = a->toolTip();
    r.path = path.toStdString();
    done = true;
    // Anything queued before the click runs only once the click's handler is over.
    bool queuedRan = false;
    QTimer::singleShot(0, &timer, [&] { queuedRan = true; });
    clicking = true;
    QTest::mouseClick(menu, Qt::LeftButton, {}, at);
    clicking = false;
    r.eventsRanInClick = queuedRan;
    r.clicked = true;
  });
  timer.start();
  QTest::mouseClick(button, Qt::LeftButton);
  guitest::waitUntil([&] { return done && !QApplication::activePopupWidget(); }, 8000);
  QTest::qWait(30);  // the closed menus go
  return r;
}

void writeResult(const QString& path, const std::string& values) {
  storage::TCompressStringList l;
  l.Add("title\tname\tdate\twpm1\tscr1");
  l.Add(values);
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray::fromStdString(l.SaveToCompressedStream()));
}

// The teacher's window on a program folder holding the shipped samples; boxes are answered by
// script (Yes/No questions with No, folder windows with `chosen`).
struct Teacher {
  QString home;
  QString sys;
  platform::ScriptedDialogs dialogs;
  platform::MemoryClipboard clipboard;
  guitest::RecordingShell shell;
  std::unique_ptr<gui::TForm1> w;
  std::string chosen;
  int newFiles = 0;

  explicit Teacher(const QString& name, const std::vector<std::string>& args = {},
                   const QString& settings = QString()) {
    guitest::app();
    home = guitest::freshProgramFolder(name);
    sys = home + QStringLiteral("/system/");
    for (const char* sub : {"project", "template", "script"})
      copyTree(QStringLiteral(RUVO_DATA_DIR "/system/") + QLatin1String(sub), sys + QLatin1String(sub));
    if (!settings.isEmpty()) {
      QFile ini(home + QStringLiteral("/tovimeter.ini"));
      if (ini.open(QIODevice::WriteOnly)) ini.write(settings.toUtf8());
    }
    dialogs.onYesNo = [](const std::string&) { return platform::Answer::No; };
    dialogs.onFile = [this](const std::string& title) -> std::optional<std::string> {
      if (title.rfind("New", 0) == 0) return (home + QStringLiteral("/new-%1.rtf").arg(++newFiles)).toStdString();
      return chosen;
    };
    gui::TForm1Options opt;
    opt.args = args;
    opt.overrides.dialogs = &dialogs;
    opt.overrides.clipboard = &clipboard;
    opt.overrides.shell = &shell;
    w = std::make_unique<gui::TForm1>(opt);
    w->resize(1000, 700);
    w->show();
    guitest::waitUntil([&] { return w->showStepDone(); });
  }
  ~Teacher() {
    w->model().SetModified(false);
    w->hide();
    w.reset();
  }
  app::TForm1Model& m() { return w->model(); }
  template <class T>
  T* find(const char* name) const {
    return w->findChild<T*>(QString::fromLatin1(name));
  }
  std::vector<std::string> questions() const {
    std::vector<std::string> q;
    for (const auto& a : dialogs.log)
      if (a.kind != "message") q.push_back(a.kind + ": " + a.text);
    return q;
  }
  // The tree entry of the first question of the document.
  QTreeWidgetItem* firstQuestion() const {
    std::function<QTreeWidgetItem*(QTreeWidgetItem*)> f = [&](QTreeWidgetItem* it) -> QTreeWidgetItem* {
      if (it->data(0, Qt::UserRole).toInt() == static_cast<int>(authoring::EntryKind::Question)) return it;
      for (int i = 0; i < it->childCount(); ++i)
        if (QTreeWidgetItem* x = f(it->child(i))) return x;
      return nullptr;
    };
    QTreeWidgetItem* top = w->editView()->tree()->topLevelItem(0);
    return top ? f(top) : nullptr;
  }
};

}  // namespace

TEST(TeacherWindow, EveryFolderMenuEntryOpensThroughTheRealMenu) {
  Teacher t(QStringLiteral("folder-menus"));
  app::TForm1Model& m = t.m();
  const struct {
    const char* button;
    QString folderWindowFile;  // what the folder window ("フォルダ窓を開く") hands back
    // What opening an entry leaves behind (path: the entry's file, empty for the menu's actions).
    std::function<void(const std::string& path)> check;
  } menus[] = {
      {"EditProject", t.sys + QStringLiteral("project/sample/sample4-market.ruvp"),
       [&](const std::string& path) {
         EXPECT_EQ(m.FDocumentPath(), path.empty() ? t.chosen : path);
         EXPECT_EQ(m.FViewMode(), app::vmEditing);
         EXPECT_GT(m.FPageControler().PageCount(), 0);
       }},
      {"acViewTemplate", t.sys + QStringLiteral("template/fixed form/standard.rtf"),
       [&](const std::string& path) {
         if (!path.empty()) {
           EXPECT_EQ(m.Authoring().Project().TemplatePath(), path);
         }
       }},
      {"acViewScript", t.sys + QStringLiteral("script/fixed form/sample3-lighthouse.rtf"),
       [&](const std::string& path) {
         if (!path.empty()) {
           EXPECT_EQ(m.Authoring().Project().ScriptPath(), path);
         }
       }},
      {"acOpenReading", t.sys + QStringLiteral("ruvof/sample/sample2-fables.ruvo"),
       [&](const std::string& path) {
         if (path.empty() && m.FDocumentPath() == t.chosen) {
           EXPECT_EQ(m.FViewMode(), app::vmTest);
         }
       }},
  };
  int projects = 0;
  for (const auto& menu : menus) {
    SCOPED_TRACE(menu.button);
    auto* button = t.find<QToolButton>(menu.button);
    ASSERT_NE(button, nullptr);
    const QList<QStringList> entries = walkMenu(button, {}).entries;
    ASSERT_GT(entries.size(), 1);
    for (const QStringList& entry : entries) {
      SCOPED_TRACE(entry.join(QStringLiteral(" > ")).toStdString());
      t.chosen = menu.folderWindowFile.toStdString();
      m.SetModified(false);  // each entry on its own, without the question about the last one
      const MenuWalk walk = walkMenu(button, entry);
      ASSERT_TRUE(walk.clicked);
      EXPECT_EQ(walk.deletedWhileClicked, 0) << "a menu went while its own click was being handled";
      EXPECT_FALSE(walk.eventsRanInClick) << "the event loop ran inside the menu's click";
      ASSERT_TRUE(t.w->isVisible());
      menu.check(walk.path);
      if (QString::fromStdString(m.FDocumentPath()).endsWith(QStringLiteral(".ruvp"))) ++projects;
    }
  }
  // Both sample projects and the one the folder window picks.
  EXPECT_GE(projects, 3);
  guitest::saveScreenshot(t.w.get(), QStringLiteral("folder-menus-last"));
}

TEST(TeacherWindow, AutomaticCollectionLeavesAnEditedProjectOpen) {
  const QString collect =
      QDir::tempPath() + QStringLiteral("/guia-collect-") + QString::number(QCoreApplication::applicationPid());
  QDir(collect).removeRecursively();
  QDir().mkpath(collect);
  Teacher t(QStringLiteral("collect-beside-edit"), {},
            QStringLiteral("[setting]\r\ndirtoteacher=") + collect + QStringLiteral("\r\n"));
  const std::string project = (t.sys + QStringLiteral("project/sample/sample4-market.ruvp")).toStdString();
  ASSERT_TRUE(t.m().Authoring().Project().OpenProjectEntry(project));
  // An unsaved edit of the first page.
  gui::TEditView* ev = t.w->editView();
  ev->tree()->setCurrentItem(ev->tree()->topLevelItem(0)->child(0));
  QTest::keyClicks(ev->richEdit2(), QStringLiteral("unsaved "));
  ASSERT_TRUE(t.m().FModified());
  t.dialogs.log.clear();

  // Information > Option > 配布回収, then "開始" in the delivery window.
  const MenuWalk walk =
      walkMenu(t.find<QToolButton>("SpeedButton16"), {QStringLiteral("Option(&O)"), QStringLiteral("配布回収(&D)")});
  ASSERT_TRUE(walk.clicked);
  gui::TForm3* form3 = t.w->totalsView()->form3();
  ASSERT_TRUE(guitest::waitUntil([&] { return form3->isVisible(); }));
  QTest::mouseClick(form3->Button4, Qt::LeftButton);
  gui::TForm4* form4 = t.w->totalsView()->form4();
  ASSERT_TRUE(guitest::waitUntil([&] { return form4->isVisible(); }));
  EXPECT_TRUE(form4->tmGraph.isActive());

  // Nothing was asked, and the edited project is there as it was.
  EXPECT_EQ(t.questions(), std::vector<std::string>{});
  EXPECT_EQ(t.m().FViewMode(), app::vmEditing);
  EXPECT_TRUE(t.find<QWidget>("tsEdit")->isVisible());
  EXPECT_TRUE(t.m().FModified());
  EXPECT_EQ(t.m().FDocumentPath(), project);
  EXPECT_TRUE(ev->richEdit2()->toPlainText().contains(QStringLiteral("unsaved ")));
  guitest::saveScreenshot(t.w.get(), QStringLiteral("collect-beside-edit"));
  form4->close();
  QDir(collect).removeRecursively();
}

TEST(TeacherWindow, NewLeavesNoQuestionOfTheLastDocument) {
  Teacher t(QStringLiteral("new-after-question"));
  ASSERT_TRUE(t.m().Authoring().Project().OpenProjectEntry(
      (t.sys + QStringLiteral("project/sample/sample4-market.ruvp")).toStdString()));
  gui::TEditView* ev = t.w->editView();
  QTreeWidgetItem* q = t.firstQuestion();
  ASSERT_NE(q, nullptr);
  ev->tree()->setCurrentItem(q);
  QTableWidget* grid = ev->stringGrid(4);
  ASSERT_TRUE(guitest::waitUntil([&] { return grid->isVisible(); }));
  ASSERT_GT(grid->rowCount(), 1);

  QTest::mouseClick(t.find<QToolButton>("acCreate"), Qt::LeftButton);
  QTest::qWait(30);
  EXPECT_EQ(t.m().FPageControler().PageCount(), 0);
  EXPECT_FALSE(grid->isVisible()) << "the question grid of the closed document is still shown";
  EXPECT_FALSE(ev->panel15()->isVisible());
  guitest::saveScreenshot(t.w.get(), QStringLiteral("new-after-question"));
}

TEST(TeacherWindow, AResultFileOnTheCommandLineOpensInTheTotalsView) {
  const QString dir = guitest::freshProgramFolder(QStringLiteral("results-arg"));
  const QString result = dir + QStringLiteral("/Unit 1 Aoki.RUVOT");
  writeResult(result, "Unit 1\tAoki\t2014/05/09 10:00:00\t200.00\t1");
  Teacher t(QStringLiteral("results-arg"), {result.toStdString()});
  ASSERT_TRUE(guitest::waitUntil([&] { return t.m().FViewMode() == app::vmTotals; }));
  EXPECT_TRUE(t.find<QWidget>("tsMain")->isVisible());
  EXPECT_EQ(t.find<QLabel>("Label2")->text(), QStringLiteral("1 種類、のべ 1 人分"));
  EXPECT_EQ(t.w->richEdit1()->toPlainText().split(QLatin1Char('\n')).value(1),
            QStringLiteral("Unit 1\tAoki\t2014/05/09 10:00:00\t200.00\t1"));
  EXPECT_EQ(t.w->speedButton1()->text(), QStringLiteral("Copy"));
  EXPECT_EQ(t.questions(), std::vector<std::string>{});
  QTest::qWait(50);  // the bottom bar's layout follows the count
  guitest::saveScreenshot(t.w.get(), QStringLiteral("results-arg"));
}

TEST(TeacherWindow, CreateShowsItsProgressOverTheButton) {
  Teacher t(QStringLiteral("create-progress"));
  auto& p = t.m().Authoring().Project();
  ASSERT_TRUE(p.ChooseTemplateEntry((t.sys + QStringLiteral("template/fixed form/standard.rtf")).toStdString()));
  ASSERT_TRUE(p.ChooseScriptEntry((t.sys + QStringLiteral("script/fixed form/sample4-market.rtf")).toStdString()));
  t.w->editView()->render();
  auto* bar = t.find<QProgressBar>("ProgressBar2");
  auto* create = t.find<QToolButton>("acCreateFromTemplate");
  ASSERT_TRUE(bar && create);
  EXPECT_FALSE(bar->isVisible());

  struct Seen {
    bool visible;
    int value, maximum;
  };
  std::vector<Seen> seen;
  bool queuedRan = false, ranDuringCreate = false, shot = false;
  QObject::connect(bar, &QProgressBar::valueChanged, bar, [&](int v) {
    seen.push_back({bar->isVisible(), v, bar->maximum()});
    ranDuringCreate |= queuedRan;
    if (!shot && bar->maximum() > 4 && v == bar->maximum() / 2) {
      shot = true;
      guitest::saveScreenshot(t.w.get(), QStringLiteral("create-progress"));
    }
  });
  QTimer::singleShot(0, bar, [&] { queuedRan = true; });
  QTest::mouseClick(create, Qt::LeftButton);
  ASSERT_GT(t.m().FPageControler().PageCount(), 0);
  ASSERT_FALSE(t.dialogs.messages().empty());
  EXPECT_EQ(t.dialogs.messages().back(), "作成しました");

  ASSERT_GT(seen.size(), 3u);
  for (const Seen& s : seen) {
    EXPECT_TRUE(s.visible);
    EXPECT_LE(s.value, s.maximum);
  }
  EXPECT_TRUE(
      std::any_of(seen.begin(), seen.end(), [](const Seen& s) { return s.maximum > 0 && s.value == s.maximum; }));
  EXPECT_FALSE(ranDuringCreate) << "the event loop ran inside Create";
  // Over the bottom of the Create button, as wide as it.
  EXPECT_EQ(bar->width(), create->width());
  EXPECT_EQ(bar->geometry().bottom(), QRect(create->mapTo(t.w.get(), QPoint(0, 0)), create->size()).bottom());
  EXPECT_FALSE(bar->isVisible()) << "the bar stays after Create";
  EXPECT_EQ(bar->value(), 0);
}
