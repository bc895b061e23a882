// The teacher's editing story through the real window: choose a template and a script from
// their folder menus, Create, edit a page text, a question and a choice in the grid's in-place
// editor, mark a correct answer on the panel and in the correct-answer grid, batch entry from
// the clipboard, add, move and delete pages from the tree's pop-up menu, save, open the
// project again and preview it. Screenshots of the view go into the screenshot folder.
#include <gtest/gtest.h>

#include <algorithm>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QToolButton>
#include <QTreeWidget>

#include "core/app/form1model.h"
#include "core/authoring/authoringmodel.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/platform/headlessports.h"
#include "gui/app/mainwindow.h"
#include "gui/authoring/editview.h"
#include "gui/authoring/gridrichtext.h"
#include "guitest.h"

using namespace ruvo;

namespace {

// Remembers what it was asked to start, with the arguments.
class StartShell final : public platform::Shell {
 public:
  bool open(const std::string& p) override {
    opened.push_back(p);
    return true;
  }
  bool start(const std::string& program, const std::vector<std::string>& args) override {
    started.push_back({program, args});
    return true;
  }
  std::string programPath() override { return "/nonexistent/tovimeter"; }
  std::string version() override { return "0.1.0"; }
  std::string systemName() override { return "Linux test"; }
  std::vector<std::string> opened;
  std::vector<std::pair<std::string, std::vector<std::string>>> started;
};

bool copyFile(const QString& from, const QString& to) {
  QDir().mkpath(QFileInfo(to).absolutePath());
  return QFile::copy(from, to);
}

struct Editing {
  QString home;
  platform::ScriptedDialogs dialogs;
  platform::MemoryClipboard clipboard;
  StartShell shell;
  std::unique_ptr<gui::TForm1> w;
  gui::TEditView* ev = nullptr;

  explicit Editing(const QString& name) {
    guitest::app();
    home = guitest::freshProgramFolder(name);
    const QString data = QStringLiteral(RUVO_DATA_DIR "/system");
    copyFile(data + "/template/fixed form/standard.rtf", home + "/system/template/fixed form/standard.rtf");
    copyFile(data + "/script/fixed form/sample4-market.rtf", home + "/system/script/fixed form/sample4-market.rtf");
    dialogs.onYesNo = [](const std::string&) { return platform::Answer::No; };
    gui::TForm1Options opt;
    opt.overrides.dialogs = &dialogs;
    opt.overrides.clipboard = &clipboard;
    opt.overrides.shell = &shell;
    w = std::make_unique<gui::TForm1>(opt);
    w->resize(1100, 700);
    w->show();
    guitest::waitUntil([&] { return w->showStepDone(); });
    ev = w->editView();
  }
  app::TForm1Model& model() { return w->model(); }
  doc::TPageControler& pages() { return model().FPageControler(); }

  QAction* menuEntry(QMenu* m, const QString& text) {
    for (QAction* a : m->actions()) {
      if (a->text() == text) return a;
      if (a->menu())
        if (QAction* f = menuEntry(a->menu(), text)) return f;
    }
    return nullptr;
  }
  // Clicks a tool button whose folder menu comes up, then the entry with that caption.
  bool chooseFromMenu(const char* button, const QString& caption) {
    QToolButton* b = w->findChild<QToolButton*>(QString::fromLatin1(button));
    if (!b) return false;
    b->click();
    QMenu* m = ev->lastMenu();
    QAction* a = m ? menuEntry(m, caption) : nullptr;
    if (!a) return false;
    a->trigger();
    m->close();
    return true;
  }
  QTreeWidgetItem* item(authoring::EntryKind kind, int page, int q = -1, int c = -1) {
    std::function<QTreeWidgetItem*(QTreeWidgetItem*)> find = [&](QTreeWidgetItem* it) -> QTreeWidgetItem* {
      if (it->data(0, Qt::UserRole).toInt() == static_cast<int>(kind) &&
          it->data(0, Qt::UserRole + 1).toInt() == page && it->data(0, Qt::UserRole + 2).toInt() == q &&
          it->data(0, Qt::UserRole + 3).toInt() == c)
        return it;
      for (int i = 0; i < it->childCount(); ++i)
        if (QTreeWidgetItem* f = find(it->child(i))) return f;
      return nullptr;
    };
    QTreeWidgetItem* top = ev->tree()->topLevelItem(0);
    return top ? find(top) : nullptr;
  }
  bool select(authoring::EntryKind kind, int page, int q = -1, int c = -1) {
    QTreeWidgetItem* it = item(kind, page, q, c);
    if (!it) return false;
    ev->tree()->setCurrentItem(it);
    return true;
  }
  // The tree's pop-up menu on the selected entry; runs the named action when given.
  QMenu* treeMenu(const char* action = nullptr) {
    QTreeWidget* t = ev->tree();
    const QRect r = t->visualItemRect(t->currentItem());
    emit t->customContextMenuRequested(r.center());
    QMenu* m = ev->lastMenu();
    if (action && m) {
      auto* a = m->findChild<QAction*>(QString::fromLatin1(action));
      if (a) a->trigger();
      m->close();
    }
    return m;
  }
  void clickCell(QTableWidget* g, int row, int col) {
    const QRect r = g->visualRect(g->model()->index(row, col));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, r.center());
  }
  std::string lastMessage() const {
    const auto m = dialogs.messages();
    return m.empty() ? std::string() : m.back();
  }
};

using authoring::EntryKind;

TEST(EditingView, ComposeEditSaveReopenPreview) {
  Editing e("editing-story");
  ASSERT_TRUE(e.ev);
  ASSERT_TRUE(e.w->findChild<QWidget*>(QStringLiteral("tsEdit"))->isVisible());

  // Template: the preview shows header lines bold and underlined at 14/10 of the text size.
  ASSERT_TRUE(e.chooseFromMenu("acViewTemplate", QStringLiteral("standard")));
  EXPECT_EQ(e.ev->sideTabs()->currentIndex(), 3);
  EXPECT_EQ(e.w->findChild<QLabel*>(QStringLiteral("Label9"))->text(), QStringLiteral("standard"));
  {
    QTextDocument* d = e.ev->templatePreview()->document();
    double headerSize = 0, textSize = 0;
    for (QTextBlock b = d->begin(); b.isValid(); b = b.next()) {
      const QString t = b.text().trimmed();
      if (t.isEmpty() || !b.begin().fragment().isValid()) continue;
      const QTextCharFormat f = b.begin().fragment().charFormat();
      if (t.startsWith('[') && t.endsWith(']')) {
        EXPECT_EQ(f.fontWeight(), QFont::Bold) << t.toStdString();
        EXPECT_TRUE(f.fontUnderline()) << t.toStdString();
        headerSize = f.fontPointSize();
      } else if (textSize == 0) {
        textSize = f.fontPointSize();
      }
    }
    ASSERT_GT(textSize, 0);
    EXPECT_NEAR(headerSize / textSize, 1.4, 0.1);
  }
  guitest::saveScreenshot(e.w.get(), QStringLiteral("editing-template-tab"));
  // Edit opens the template in the outside editor; Review reloads it.
  {
    QToolButton* edit = e.w->findChild<QToolButton*>(QStringLiteral("SpeedButton10"));
    edit->click();
    ASSERT_EQ(e.shell.opened.size(), 1u);
    EXPECT_EQ(e.shell.opened[0], (e.home + "/system/template/fixed form/standard.rtf").toStdString());
    EXPECT_EQ(edit->text(), QStringLiteral("Review"));
    EXPECT_TRUE(e.ev->templatePreview()->toPlainText().contains(QStringLiteral("Review アイコン")));
    edit->click();
    EXPECT_EQ(edit->text(), QStringLiteral("Edit"));
    EXPECT_TRUE(e.ev->templatePreview()->toPlainText().contains(QStringLiteral("[HEAD]")));
  }

  ASSERT_TRUE(e.chooseFromMenu("acViewScript", QStringLiteral("sample4-market")));
  EXPECT_EQ(e.ev->sideTabs()->currentIndex(), 4);
  EXPECT_FALSE(e.ev->scriptPreview()->toPlainText().isEmpty());
  // The correct-answer grid is filled from the script before Create.
  EXPECT_EQ(e.ev->stringGrid(3)->rowCount(), 3);
  guitest::saveScreenshot(e.w.get(), QStringLiteral("editing-script-tab"));

  e.w->findChild<QToolButton*>(QStringLiteral("acCreateFromTemplate"))->click();
  ASSERT_EQ(e.lastMessage(), authoring::kMsgCreated);
  ASSERT_GT(e.pages().PageCount(), 7);
  EXPECT_TRUE(e.model().FModified());
  const int qp = 6;  // the first question page of the sample
  ASSERT_EQ(e.pages().Page(qp)->Role(), doc::PageRole::Question);
  const int pageCount = e.pages().PageCount();

  // A page text typed into the pane goes straight into the page.
  ASSERT_TRUE(e.select(EntryKind::Page, 0));
  ASSERT_FALSE(e.ev->richEdit2()->isReadOnly());
  e.ev->richEdit2()->moveCursor(QTextCursor::Start);
  QTest::keyClicks(e.ev->richEdit2(), QStringLiteral("Revised "));
  EXPECT_EQ(rt::caption(*e.pages().Page(0)->MainText()).rfind("Revised ", 0), 0u)
      << rt::caption(*e.pages().Page(0)->MainText());

  // The question in the grid: Enter commits and moves down, Up commits and moves up.
  ASSERT_TRUE(e.select(EntryKind::Question, qp, 0));
  QTableWidget* g4 = e.ev->stringGrid(4);
  ASSERT_TRUE(g4->isVisible());
  EXPECT_EQ(g4->item(1, 0)->text(), QStringLiteral("Question"));
  EXPECT_EQ(g4->item(2, 0)->text(), QStringLiteral("Choice"));
  const int choices = e.pages().Page(qp)->Question(0)->ChoiceCount();
  EXPECT_EQ(g4->rowCount(), choices + 3);
  guitest::saveScreenshot(e.w.get(), QStringLiteral("editing-question"));
  e.clickCell(g4, 1, 1);
  gui::TGridRichText* ed = e.ev->choiceEditor();
  ASSERT_TRUE(ed->isVisible());
  ASSERT_EQ(e.ev->choiceEditorRow(), 1);
  ed->selectAll();
  QTest::keyClicks(ed, QStringLiteral("Where is the market?"));
  QTest::keyClick(ed, Qt::Key_Return, Qt::ControlModifier);  // ignored: nothing committed
  EXPECT_EQ(e.ev->choiceEditorRow(), 1);
  QTest::keyClick(ed, Qt::Key_Return);
  EXPECT_EQ(e.pages().Page(qp)->Question(0)->QuestionPlain(), "\tWhere is the market?");
  EXPECT_EQ(e.ev->choiceEditorRow(), 2);
  ed->selectAll();
  QTest::keyClicks(ed, QStringLiteral("By the river"));
  QTest::keyClick(ed, Qt::Key_Up);
  EXPECT_EQ(e.pages().Page(qp)->Question(0)->ChoicePlain(0), "\t\tBy the river");
  EXPECT_EQ(e.ev->choiceEditorRow(), 1);
  EXPECT_EQ(e.item(EntryKind::Question, qp, 0)->text(0), QStringLiteral("Where is the market?"));
  // The empty last row appends a choice.
  e.clickCell(g4, choices + 2, 1);
  QTest::keyClicks(e.ev->choiceEditor(), QStringLiteral("On the hill"));
  QTest::keyClick(e.ev->choiceEditor(), Qt::Key_Return, Qt::ShiftModifier);
  ASSERT_EQ(e.pages().Page(qp)->Question(0)->ChoiceCount(), choices + 1);
  EXPECT_EQ(rt::caption(e.pages().Page(qp)->Question(0)->Choice(choices)), "On the hill");

  // The correct-answer panel on a choice, then the value chooser of the correct-answer grid.
  ASSERT_TRUE(e.select(EntryKind::Choice, qp, 0, 1));
  ASSERT_TRUE(e.ev->radioYes()->isVisible());
  const bool wasCorrect = e.pages().Page(qp)->Question(0)->Correct() == 1;
  e.ev->radioYes()->click();
  EXPECT_EQ(e.pages().Page(qp)->Question(0)->Correct() == 1, !wasCorrect);
  if (wasCorrect) e.ev->radioYes()->click();
  EXPECT_EQ(e.pages().Page(qp)->Question(0)->Correct(), 1);
  EXPECT_TRUE(e.ev->button6()->isVisible());
  // A double click on a choice entry toggles its mark too.
  {
    QTreeWidgetItem* c1 = e.item(EntryKind::Choice, qp, 0, 1);
    emit e.ev->tree()->itemDoubleClicked(c1, 0);
    EXPECT_EQ(e.pages().Page(qp)->Question(0)->Correct(), -1);
    EXPECT_FALSE(e.ev->button6()->isVisible());
    emit e.ev->tree()->itemDoubleClicked(e.item(EntryKind::Choice, qp, 0, 1), 0);
    EXPECT_EQ(e.pages().Page(qp)->Question(0)->Correct(), 1);
  }
  e.ev->sideTabs()->setCurrentIndex(0);
  QTableWidget* g3 = e.ev->stringGrid(3);
  ASSERT_TRUE(g3->isVisible());
  EXPECT_EQ(g3->item(0, 1)->text(), QStringLiteral(" 2"));
  guitest::saveScreenshot(e.w.get(), QStringLiteral("editing-correct-answer-tab"));
  e.clickCell(g3, 0, 1);
  QComboBox* chooser = e.ev->comboBox1();
  ASSERT_TRUE(chooser->isVisible());
  ASSERT_EQ(chooser->count(), choices + 1);
  EXPECT_EQ(chooser->itemText(0), QStringLiteral(" 1"));
  emit chooser->activated(2);
  EXPECT_EQ(e.pages().Page(qp)->Question(0)->Correct(), 2);
  EXPECT_EQ(g3->item(0, 1)->text(), QStringLiteral(" 3"));
  EXPECT_FALSE(chooser->isVisible());

  // Batch entry from the clipboard.
  ASSERT_TRUE(e.select(EntryKind::Question, qp, 1));
  e.clipboard.textData = "What did Ken buy?\n\n  \nBread\n*Cheese\nFlowers\n";
  e.ev->button7()->click();
  const doc::TQAItem* q1 = e.pages().Page(qp)->Question(1);
  ASSERT_EQ(q1->ChoiceCount(), 3);
  EXPECT_EQ(q1->Correct(), 1);
  EXPECT_EQ(q1->QuestionPlain(), "\tWhat did Ken buy?");
  EXPECT_EQ(e.ev->stringGrid(4)->item(3, 1)->text(), QStringLiteral("Cheese"));

  // Pages from the pop-up menu: a separator stands only between visible entries.
  ASSERT_TRUE(e.select(EntryKind::Page, 1));
  {
    QMenu* m = e.treeMenu();
    ASSERT_TRUE(m);
    bool lastWasSeparator = true;
    for (QAction* a : m->actions()) {
      if (!a->isVisible()) continue;
      EXPECT_FALSE(a->isSeparator() && lastWasSeparator);
      lastWasSeparator = a->isSeparator();
    }
    EXPECT_FALSE(lastWasSeparator);
    m->close();
  }
  ASSERT_TRUE(e.select(EntryKind::Root, -1));
  e.treeMenu("acPageAdd");
  ASSERT_EQ(e.pages().PageCount(), pageCount + 1);
  // Added in front of the last page, where the tree lists it.
  EXPECT_EQ(e.pages().Page(pageCount)->Role(), doc::PageRole::Last);
  EXPECT_TRUE(e.item(EntryKind::Page, pageCount - 1));
  const std::string moved = rt::caption(*e.pages().Page(1)->MainText());
  ASSERT_TRUE(e.select(EntryKind::Page, 1));
  e.treeMenu("acPageMoveDown");
  EXPECT_EQ(rt::caption(*e.pages().Page(2)->MainText()), moved);
  ASSERT_TRUE(e.select(EntryKind::Page, pageCount - 1));
  e.treeMenu("acPageDelete");
  ASSERT_EQ(e.pages().PageCount(), pageCount);

  // Save, then open the project again from the folder menu.
  QToolButton* save = e.w->findChild<QToolButton*>(QStringLiteral("acPageSave"));
  ASSERT_TRUE(save->isEnabled());
  save->click();
  EXPECT_FALSE(e.model().FModified());
  EXPECT_FALSE(save->isEnabled());
  const QString project = e.home + "/system/project/sample4-market.ruvp";
  ASSERT_TRUE(QFile::exists(project));
  ASSERT_TRUE(QFile::exists(e.home + "/system/ruvof/sample4-market.ruvo"));
  // An edit after the save is dropped by opening the saved project (once the teacher agrees).
  const std::string savedCaption = rt::caption(*e.pages().Page(0)->MainText());
  ASSERT_TRUE(e.select(EntryKind::Page, 0));
  QTest::keyClicks(e.ev->richEdit2(), QStringLiteral("unsaved "));
  ASSERT_TRUE(e.model().FModified());
  e.dialogs.onNoOk = [](const std::string&) { return platform::Answer::Ok; };
  ASSERT_TRUE(e.chooseFromMenu("EditProject", QStringLiteral("sample4-market")));
  EXPECT_EQ(rt::caption(*e.pages().Page(0)->MainText()), savedCaption);
  EXPECT_FALSE(e.model().FModified());
  EXPECT_TRUE(e.w->findChild<QWidget*>(QStringLiteral("tsEdit"))->isVisible());
  ASSERT_EQ(e.pages().PageCount(), pageCount);
  EXPECT_EQ(e.pages().Page(qp)->Question(0)->QuestionPlain(), "\tWhere is the market?");
  EXPECT_EQ(e.pages().Page(qp)->Question(0)->Correct(), 2);
  EXPECT_EQ(e.pages().Page(qp)->Question(1)->Correct(), 1);
  // An opened project has no script, yet its correct answers are shown.
  e.ev->sideTabs()->setCurrentIndex(0);
  EXPECT_TRUE(e.ev->stringGrid(3)->isVisible());
  EXPECT_EQ(e.ev->stringGrid(3)->item(0, 1)->text(), QStringLiteral(" 3"));

  // Preview: the examinee program from the program folder with the scratch test document.
  QToolButton* reading = e.w->findChild<QToolButton*>(QStringLiteral("acPageReading"));
  ASSERT_TRUE(reading->isEnabled());
  reading->click();
  EXPECT_TRUE(e.shell.started.empty());  // no examinee program yet
  EXPECT_EQ(e.lastMessage().rfind("受験者用ルーヴォが 見つかりません", 0), 0u) << e.lastMessage();
  {
    QFile ruvo(e.home + "/ruvo");
    ASSERT_TRUE(ruvo.open(QIODevice::WriteOnly));
    ruvo.write("#!/bin/sh\n");
  }
  reading->click();
  ASSERT_EQ(e.shell.started.size(), 1u);
  EXPECT_EQ(e.shell.started[0].first, (e.home + "/ruvo").toStdString());
  ASSERT_EQ(e.shell.started[0].second.size(), 1u);
  EXPECT_EQ(e.shell.started[0].second[0], (e.home + "/system/ruvof/ruvo$$$.ruvo").toStdString());
  EXPECT_TRUE(QFile::exists(e.home + "/system/ruvof/ruvo$$$.ruvo"));
  EXPECT_EQ(e.model().FDocumentPath(), project.toStdString());
}

TEST(EditingView, ValuesWaitForCreateAndQuestionPagesOpenTheEditor) {
  Editing e("editing-values");
  ASSERT_TRUE(e.chooseFromMenu("acViewScript", QStringLiteral("sample4-market")));
  ASSERT_TRUE(e.chooseFromMenu("acViewTemplate", QStringLiteral("standard")));
  // Before Create, a value cell of the setting grid says so instead of offering values.
  e.ev->sideTabs()->setCurrentIndex(1);
  ASSERT_TRUE(e.ev->stringGrid(2)->isVisible());
  e.clickCell(e.ev->stringGrid(2), 0, 1);
  EXPECT_EQ(e.lastMessage(), authoring::kMsgEditAfterCreate);
  EXPECT_FALSE(e.ev->comboBox1()->isVisible());

  e.w->findChild<QToolButton*>(QStringLiteral("acCreateFromTemplate"))->click();
  ASSERT_GT(e.pages().PageCount(), 0);
  // A switch setting offers Off and On and stores 0 / 1.
  e.ev->sideTabs()->setCurrentIndex(1);
  e.clickCell(e.ev->stringGrid(2), 6, 1);
  QComboBox* chooser = e.ev->comboBox1();
  ASSERT_TRUE(chooser->isVisible());
  ASSERT_EQ(chooser->count(), 2);
  emit chooser->activated(chooser->findText(QStringLiteral("On")));
  EXPECT_EQ(e.pages().Setting(doc::stScore), 1);
  EXPECT_EQ(e.ev->stringGrid(2)->item(6, 1)->text(), QStringLiteral("On"));

  // A property typed into its cell goes into the document.
  e.ev->sideTabs()->setCurrentIndex(2);
  e.ev->stringGrid(1)->item(3, 1)->setText(QStringLiteral("K. Author"));
  EXPECT_EQ(e.pages().Property(doc::prWriter), "K. Author");

  // A new question page: its new question's text is being edited at once.
  ASSERT_TRUE(e.select(EntryKind::Page, 0));
  const int before = e.pages().PageCount();
  e.treeMenu("acPageQA");
  ASSERT_EQ(e.pages().PageCount(), before + 1);
  EXPECT_EQ(e.pages().Page(0)->Role(), doc::PageRole::Question);
  EXPECT_EQ(e.ev->choiceEditorRow(), 1);
  EXPECT_TRUE(e.ev->choiceEditor()->isVisible());
  QTest::keyClicks(e.ev->choiceEditor(), QStringLiteral("Why?"));
  QTest::keyClick(e.ev->choiceEditor(), Qt::Key_Down);
  EXPECT_EQ(rt::caption(e.pages().Page(0)->Question(0)->Question()), "Why?");
  EXPECT_EQ(e.ev->stringGrid(4)->item(2, 0)->text(), QStringLiteral("Field"));
  EXPECT_EQ(e.ev->panel15()->text(), QStringLiteral("Enter Field"));

  // New: the document goes (its changes declined), the grids show their defaults.
  e.dialogs.onYesNo = [](const std::string&) { return platform::Answer::No; };
  e.dialogs.onNoOk = [](const std::string&) { return platform::Answer::Ok; };
  e.w->findChild<QToolButton*>(QStringLiteral("acCreate"))->click();
  EXPECT_EQ(e.pages().PageCount(), 0);
  EXPECT_EQ(e.ev->tree()->topLevelItem(0)->childCount(), 0);
  EXPECT_EQ(e.ev->stringGrid(1)->item(5, 1)->text(), QStringLiteral("番号や名前を入力"));
}

// The phrases of a page: its text between consecutive marks (lines joined by one break, as
// the marks count them), trimmed.
std::vector<std::string> phrasesOf(const doc::TPage& p) {
  QString all;
  if (p.MainText())
    for (const rt::Paragraph& para : p.MainText()->paragraphs())
      all += (all.isEmpty() ? QString() : QStringLiteral("\n")) + QString::fromStdString(para.text());
  std::vector<std::string> out;
  const auto& m = p.PhraseMarks();
  for (std::size_t i = 0; i + 1 < m.size(); ++i) out.push_back(all.mid(m[i], m[i + 1] - m[i]).trimmed().toStdString());
  return out;
}

// Puts the pane's caret on the text found (selected), or just after it.
bool caretAt(QTextEdit* pane, const QString& text, bool select) {
  QTextCursor c = pane->document()->find(text);
  if (c.isNull()) return false;
  if (!select) c.clearSelection();
  pane->setTextCursor(c);
  return true;
}

// A chunked passage after Create: the pane shows its separators, marked out; the teacher
// types before, between and after them, removes one and adds one; after saving and opening
// the project again the chunks are where the teacher put them.
TEST(EditingView, ChunkedPassageKeepsItsChunksThroughEditSaveAndOpen) {
  Editing e("editing-chunks");
  ASSERT_TRUE(e.chooseFromMenu("acViewTemplate", QStringLiteral("standard")));
  ASSERT_TRUE(e.chooseFromMenu("acViewScript", QStringLiteral("sample4-market")));
  e.w->findChild<QToolButton*>(QStringLiteral("acCreateFromTemplate"))->click();
  ASSERT_EQ(e.lastMessage(), authoring::kMsgCreated);
  int rp = -1;
  for (int i = 0; i < e.pages().PageCount() && rp < 0; ++i)
    if (e.pages().Page(i)->Kind() == doc::PageKind::ReadingStart) rp = i;
  ASSERT_GE(rp, 0);
  // The passage's heading line is a phrase of its own; the sentence follows.
  std::vector<std::string> expected = phrasesOf(*e.pages().Page(rp));
  const std::size_t k =
      static_cast<std::size_t>(std::find(expected.begin(), expected.end(), "Every Saturday") - expected.begin());
  ASSERT_LT(k + 6, expected.size());
  ASSERT_EQ(expected[k + 1], "the square in front of the station");
  ASSERT_EQ(expected[k + 2], "turns into a market.");
  ASSERT_EQ(expected[k + 3], "Before seven o'clock");
  ASSERT_EQ(expected[k + 4], "the farmers arrive");

  ASSERT_TRUE(e.select(EntryKind::Page, rp));
  QTextEdit* pane = e.ev->richEdit2();
  ASSERT_FALSE(pane->isReadOnly());
  EXPECT_TRUE(pane->toPlainText().contains(
      QStringLiteral("\nEvery Saturday / the square in front of the station / turns into a market. / Before")))
      << pane->toPlainText().toStdString();
  // The separators are painted apart from the text around them.
  {
    const QTextBlock b = pane->document()->find(QStringLiteral("Every Saturday")).block();
    const int slash = static_cast<int>(b.text().indexOf(QStringLiteral("/ ")));
    bool painted = false;
    for (const QTextLayout::FormatRange& r : b.layout()->formats())
      painted = painted || (r.start <= slash && slash < r.start + r.length && r.format.fontWeight() == QFont::Bold);
    EXPECT_TRUE(painted);
  }
  EXPECT_TRUE(e.model().FModified());  // from Create

  // Replace before the first separator, insert between two, remove one, add one, and add
  // text after the last.
  pane->setFocus();
  ASSERT_TRUE(caretAt(pane, QStringLiteral("Every Saturday"), true));
  QTest::keyClicks(pane, QStringLiteral("On Saturdays"));
  ASSERT_TRUE(caretAt(pane, QStringLiteral("the square"), false));
  QTest::keyClicks(pane, QStringLiteral(" by the river"));
  ASSERT_TRUE(caretAt(pane, QStringLiteral("market. / "), false));
  QTest::keyClick(pane, Qt::Key_Backspace);
  QTest::keyClick(pane, Qt::Key_Backspace);
  ASSERT_TRUE(caretAt(pane, QStringLiteral("the farmers "), false));
  QTest::keyClicks(pane, QStringLiteral("/ "));
  ASSERT_TRUE(caretAt(pane, QStringLiteral("a little of everything."), false));
  QTest::keyClicks(pane, QStringLiteral(" Come early!"));
  expected[k] = "On Saturdays";
  expected[k + 1] = "the square by the river in front of the station";
  expected[k + 2] = "turns into a market. Before seven o'clock";
  expected[k + 3] = "the farmers";
  expected[k + 4] = "arrive";
  expected.back() += " Come early!";
  EXPECT_EQ(phrasesOf(*e.pages().Page(rp)), expected);
  pane->moveCursor(QTextCursor::Start);
  guitest::saveScreenshot(e.w.get(), QStringLiteral("editing-chunked-passage"));
  e.w->grab().save(QStringLiteral("/tmp/authoring-chunked-passage.png"));

  e.w->findChild<QToolButton*>(QStringLiteral("acPageSave"))->click();
  ASSERT_FALSE(e.model().FModified());
  // Showing a passage is no edit, painted separators and all.
  ASSERT_TRUE(e.select(EntryKind::Page, 0));
  ASSERT_TRUE(e.select(EntryKind::Page, rp));
  QTest::qWait(50);
  EXPECT_FALSE(e.model().FModified());

  ASSERT_TRUE(e.chooseFromMenu("EditProject", QStringLiteral("sample4-market")));
  ASSERT_EQ(e.pages().Page(rp)->Kind(), doc::PageKind::ReadingStart);
  EXPECT_EQ(phrasesOf(*e.pages().Page(rp)), expected);
  ASSERT_TRUE(e.select(EntryKind::Page, rp));
  EXPECT_TRUE(pane->toPlainText().contains(QStringLiteral(
      "\nOn Saturdays / the square by the river in front of the station / turns into a market. Before seven o'clock / "
      "the farmers / arrive /")))
      << pane->toPlainText().toStdString();
}

// The upper and lower texts of a question page show their caption in the tree once typed.
TEST(EditingView, EditedDirectionTextsNameTheirEntries) {
  Editing e("editing-directions");
  ASSERT_TRUE(e.chooseFromMenu("acViewTemplate", QStringLiteral("standard")));
  ASSERT_TRUE(e.chooseFromMenu("acViewScript", QStringLiteral("sample4-market")));
  e.w->findChild<QToolButton*>(QStringLiteral("acCreateFromTemplate"))->click();
  int qp = -1;
  for (int i = 0; i < e.pages().PageCount() && qp < 0; ++i)
    if (e.pages().Page(i)->Role() == doc::PageRole::Question) qp = i;
  ASSERT_GE(qp, 0);
  EXPECT_EQ(e.item(EntryKind::UpperText, qp)->text(0), QStringLiteral("direction A"));
  struct Case {
    EntryKind kind;
    QString typed;
  };
  for (const Case& c : {Case{EntryKind::UpperText, QStringLiteral("Answer in English.")},
                        Case{EntryKind::LowerText, QStringLiteral("Then press Forward.")}}) {
    ASSERT_TRUE(e.select(c.kind, qp));
    QTextEdit* pane = e.ev->richEdit2();
    ASSERT_FALSE(pane->isReadOnly());
    pane->setFocus();
    pane->selectAll();
    QTest::keyClicks(pane, c.typed);
    EXPECT_EQ(e.item(c.kind, qp)->text(0), c.typed);
  }
  // Still so after the tree is rebuilt by a structural change.
  ASSERT_TRUE(e.select(EntryKind::Page, qp));
  e.treeMenu("acQueAdd");
  EXPECT_EQ(e.item(EntryKind::UpperText, qp)->text(0), QStringLiteral("Answer in English."));
  EXPECT_EQ(e.item(EntryKind::LowerText, qp)->text(0), QStringLiteral("Then press Forward."));
  guitest::saveScreenshot(e.w.get(), QStringLiteral("editing-direction-captions"));
  e.w->grab().save(QStringLiteral("/tmp/authoring-direction-captions.png"));
}

// An opened sample project is read-only, and so is its test document: Save asks for a new
// name instead of replacing them.
TEST(EditingView, SaveOnAnOpenedSampleAsksForANewName) {
  Editing e("editing-sample-save");
  const QString sample = e.home + "/system/ruvof/sample/sample4-market.ruvo";
  const QString project = e.home + "/system/project/sample/sample4-market.ruvp";
  ASSERT_TRUE(copyFile(QStringLiteral(RUVO_DATA_DIR "/system/ruvof/sample/sample4-market.ruvo"), sample));
  ASSERT_TRUE(copyFile(QStringLiteral(RUVO_DATA_DIR "/system/project/sample/sample4-market.ruvp"), project));
  QByteArray shipped;
  {
    QFile f(sample);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    shipped = f.readAll();
  }
  for (const QString& f : {sample, project})
    QFile::setPermissions(f, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
  ASSERT_TRUE(e.chooseFromMenu("EditProject", QStringLiteral("sample4-market")));
  ASSERT_EQ(e.model().FDocumentPath(), project.toStdString());
  ASSERT_TRUE(e.select(EntryKind::Page, 0));
  QTest::keyClicks(e.ev->richEdit2(), QStringLiteral("Mine: "));
  ASSERT_TRUE(e.model().FModified());

  const QString mine = e.home + "/system/ruvof/market-mine.ruvo";
  int asked = 0;
  e.dialogs.onFile = [&](const std::string&) {
    ++asked;
    return std::optional<std::string>(mine.toStdString());
  };
  QToolButton* save = e.w->findChild<QToolButton*>(QStringLiteral("acPageSave"));
  ASSERT_TRUE(save->isEnabled());
  save->click();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(QFile::exists(mine));
  EXPECT_EQ(e.model().FDocumentPath(), (e.home + "/system/project/market-mine.ruvp").toStdString());
  EXPECT_FALSE(e.model().FModified());
  QFile f(sample);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), shipped);
}

// Return on a folder menu's entry opens the project; the menu outlives the action that ran
// inside its own key handler (opening lets pending events run).
TEST(EditingView, ProjectOpensFromItsMenuByKeyboard) {
  Editing e("editing-menu-keys");
  const QString project = e.home + "/system/project/market.ruvp";
  ASSERT_TRUE(copyFile(QStringLiteral(RUVO_DATA_DIR "/system/project/sample/sample4-market.ruvp"), project));
  e.w->findChild<QToolButton*>(QStringLiteral("EditProject"))->click();
  QPointer<QMenu> menu = e.ev->lastMenu();
  ASSERT_TRUE(menu);
  QAction* entry = e.menuEntry(menu, QStringLiteral("market"));
  ASSERT_TRUE(entry);
  ASSERT_TRUE(guitest::waitUntil([&] { return menu->isVisible(); }));
  menu->setActiveAction(entry);
  QTest::keyClick(menu, Qt::Key_Return);
  EXPECT_EQ(e.model().FDocumentPath(), project.toStdString());
  EXPECT_GT(e.pages().PageCount(), 0);
  EXPECT_TRUE(menu);
  // The next menu takes its place.
  e.w->findChild<QToolButton*>(QStringLiteral("EditProject"))->click();
  EXPECT_NE(e.ev->lastMenu(), menu.data());
  e.ev->lastMenu()->close();
  EXPECT_TRUE(guitest::waitUntil([&] { return menu.isNull(); }));
}

}  // namespace
