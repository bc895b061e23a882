#include "gui/authoring/editview.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QSyntaxHighlighter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/app/form1model.h"
#include "core/app/paths.h"
#include "core/authoring/authoringmodel.h"
#include "core/delivery/packaging.h"
#include "core/document/pagecontroler.h"
#include "core/text/format.h"
#include "gui/authoring/gridrichtext.h"
#include "gui/platform/qtports.h"
#include "gui/richtext/richtextbridge.h"
#include "gui/shell/captionhelp.h"

namespace ruvo::gui {

// Paints the phrase separators "/ " of a passage in the text pane, so the chunks stand out
// while the text is edited. Only the look changes: the document's own formats stay as typed.
class TPhraseSeparators final : public QSyntaxHighlighter {
 public:
  explicit TPhraseSeparators(QTextDocument* doc) : QSyntaxHighlighter(doc) {
    format_.setForeground(QColor(0xC0, 0x00, 0x00));
    format_.setFontWeight(QFont::Bold);
    format_.setBackground(QColor(0xFF, 0xF0, 0xC0));
  }
  void setOn(bool on) {
    if (on == on_) return;
    on_ = on;
    rehighlight();
  }
  bool on() const { return on_; }

 protected:
  void highlightBlock(const QString& text) override {
    if (!on_) return;
    for (qsizetype at = text.indexOf(QStringLiteral("/ ")); at >= 0; at = text.indexOf(QStringLiteral("/ "), at + 2))
      setFormat(static_cast<int>(at), 2, format_);
  }

 private:
  QTextCharFormat format_;
  bool on_ = false;
};

using authoring::EntryIcon;
using authoring::EntryKind;
using authoring::FolderMenuEntry;
using authoring::TreeEntry;

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kPageRole = Qt::UserRole + 1;
constexpr int kQuestionRole = Qt::UserRole + 2;
constexpr int kChoiceRole = Qt::UserRole + 3;

// The setting grid's option and comment columns, in the order of the settings.
const char* const kSettingRows[9][2] = {
    {"左インデント", "左余白の幅を設定"},
    {"右インデント", "右余白の幅を設定"},
    {"書き出しの字下げ", "書き出しの字下げは自動的に行われるので、原稿段階での空白はいらない"},
    {"段下げ", "段下げ"},
    {"ぶら下げインデント", "段下げの折り返しがあるときのインデント幅"},
    {"オンライン解答", "解答用紙を使わないで、PC上で解答し、採点と集計もPC上で実施する"},
    {"採点詳細表示", "試験終了後、最後のページに採点結果を詳細に表示"},
    {"チャンク提示", "課題文をフレーズごとに区切って 順に提示（スラッシュによるフレージングを行った場合のみ）"},
    {"フェードイン", "強調表示中の次のフレーズを影のように薄く表示（チャンク提示時のみ）"},
};
const char* const kPropertyKeys[6] = {"date", "category", "title", "writer", "comment", "naming"};

// A small square badge: the tree's markers of what an entry stands for.
QIcon badge(const QColor& fill, const QString& letter, bool round = false) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(fill.darker(140));
  p.setBrush(fill);
  if (round)
    p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
  else
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
  if (!letter.isEmpty()) {
    QFont f = p.font();
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, letter);
  }
  return QIcon(pm);
}

QIcon makeIcon(EntryIcon i) {
  switch (i) {
    case EntryIcon::Property:
      return badge(QColor(90, 90, 90), QStringLiteral("P"));
    case EntryIcon::PlainPage:
      return badge(QColor(110, 150, 200), QString());
    case EntryIcon::TimedPage:
      return badge(QColor(220, 120, 40), QStringLiteral("T"));
    case EntryIcon::QuestionPage:
      return badge(QColor(60, 140, 80), QStringLiteral("Q"));
    case EntryIcon::NamePage:
      return badge(QColor(150, 80, 170), QStringLiteral("N"));
    case EntryIcon::Text:
      return badge(QColor(160, 160, 160), QStringLiteral("T"));
    case EntryIcon::QuestionWithChoices:
      return badge(QColor(40, 110, 190), QStringLiteral("?"));
    case EntryIcon::QuestionField:
      return badge(QColor(40, 110, 190), QStringLiteral("_"));
    case EntryIcon::CorrectChoice:
      return badge(QColor(200, 40, 40), QStringLiteral("✓"), true);
    case EntryIcon::OtherChoice:
      return badge(QColor(200, 200, 200), QString(), true);
  }
  return {};
}

// Painted once: a large tree holds thousands of entries.
const QIcon& iconOf(EntryIcon i) {
  static std::vector<QIcon> icons;
  if (icons.empty())
    for (int k = 0; k <= static_cast<int>(EntryIcon::OtherChoice); ++k)
      icons.push_back(makeIcon(static_cast<EntryIcon>(k)));
  return icons[static_cast<std::size_t>(i)];
}

authoring::EditorSelection selectionOf(const QTreeWidgetItem* it) {
  if (!it) return {};
  return {static_cast<EntryKind>(it->data(0, kKindRole).toInt()), it->data(0, kPageRole).toInt(),
          it->data(0, kQuestionRole).toInt(), it->data(0, kChoiceRole).toInt()};
}

void shapeOf(const TreeEntry& e, std::string& out) {
  out += static_cast<char>('a' + static_cast<int>(e.kind));
  out += std::to_string(e.children.size());
  for (const TreeEntry& c : e.children) shapeOf(c, out);
}

QTreeWidgetItem* makeItem(const TreeEntry& e) {
  auto* it = new QTreeWidgetItem;
  it->setData(0, kKindRole, static_cast<int>(e.kind));
  it->setData(0, kPageRole, e.page);
  it->setData(0, kQuestionRole, e.question);
  it->setData(0, kChoiceRole, e.choice);
  it->setText(0, qs(e.caption));
  it->setIcon(0, iconOf(e.icon));
  it->setData(0, Qt::UserRole + 10, static_cast<int>(e.icon) + 1);
  QList<QTreeWidgetItem*> children;
  children.reserve(static_cast<qsizetype>(e.children.size()));
  for (const TreeEntry& c : e.children) children.push_back(makeItem(c));
  it->addChildren(children);
  return it;
}

void updateItem(QTreeWidgetItem* it, const TreeEntry& e) {
  const QString caption = qs(e.caption);
  if (it->text(0) != caption) it->setText(0, caption);
  if (it->data(0, Qt::UserRole + 10).toInt() != static_cast<int>(e.icon) + 1) {
    it->setIcon(0, iconOf(e.icon));
    it->setData(0, Qt::UserRole + 10, static_cast<int>(e.icon) + 1);
  }
  for (int i = 0; i < it->childCount(); ++i) updateItem(it->child(i), e.children[static_cast<std::size_t>(i)]);
}

QTreeWidgetItem* findItem(QTreeWidgetItem* it, const authoring::EditorSelection& s) {
  if (selectionOf(it) == s) return it;
  for (int i = 0; i < it->childCount(); ++i)
    if (QTreeWidgetItem* f = findItem(it->child(i), s)) return f;
  return nullptr;
}

QTableWidget* makeGrid(QWidget* parent, const char* name, const QStringList& titles, const QList<int>& widths) {
  auto* g = new QTableWidget(parent);
  g->setObjectName(QString::fromLatin1(name));
  g->setColumnCount(static_cast<int>(titles.size()));
  g->setHorizontalHeaderLabels(titles);
  g->verticalHeader()->setVisible(false);
  g->verticalHeader()->setDefaultSectionSize(22);
  for (int i = 0; i < widths.size(); ++i) g->setColumnWidth(i, widths[i]);
  g->horizontalHeader()->setStretchLastSection(true);
  g->setSelectionMode(QAbstractItemView::SingleSelection);
  g->setEditTriggers(QAbstractItemView::NoEditTriggers);
  return g;
}

void setCell(QTableWidget* g, int row, int col, const std::string& text, bool editable = false) {
  QTableWidgetItem* it = g->item(row, col);
  if (!it) {
    it = new QTableWidgetItem;
    g->setItem(row, col, it);
  }
  it->setText(qs(text));
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (editable) f |= Qt::ItemIsEditable;
  it->setFlags(f);
}

QTextEdit* makePane(QWidget* parent, const char* name, bool readOnly) {
  auto* t = new QTextEdit(parent);
  t->setObjectName(QString::fromLatin1(name));
  t->setReadOnly(readOnly);
  t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return t;
}

}  // namespace

TEditView::TEditView(app::TForm1Model& model, platform::Ports ports, QWidget* parent)
    : QWidget(parent), model_(model), ports_(ports.filled()) {
  setObjectName(QStringLiteral("EditView"));
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  toolbar_ = new QWidget(this);
  toolbar_->setObjectName(QStringLiteral("EditToolbar"));
  buildToolbar(toolbar_);
  v->addWidget(toolbar_);

  auto* split = new QSplitter(Qt::Horizontal, this);
  v->addWidget(split, 1);

  tree_ = new QTreeWidget(split);
  tree_->setObjectName(QStringLiteral("TreeView1"));
  tree_->setHeaderHidden(true);
  tree_->setMinimumWidth(150);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  split->addWidget(tree_);
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* cur, QTreeWidgetItem*) {
    if (!syncing_) treeSelected(cur);
  });
  connect(tree_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& p) { treeMenu(p); });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* it, int) {
    if (selectionOf(it).kind != EntryKind::Choice) return;
    editor().ToggleCorrect();
    after();
  });

  // The middle: the text pane, or the question's grid, or the correct-answer panel.
  auto* middle = new QWidget(split);
  auto* mv = new QVBoxLayout(middle);
  mv->setContentsMargins(2, 2, 2, 2);
  richEdit2_ = makePane(middle, "RichEdit2", true);
  mv->addWidget(richEdit2_, 1);
  phraseSeparators_ = new TPhraseSeparators(richEdit2_->document());
  connect(richEdit2_->document(), &QTextDocument::contentsChanged, this, [this] {
    if (syncing_ || richEdit2_->isReadOnly()) return;
    // Painting the separators signals a change as well; the text itself is the same.
    rt::RichText now = richTextOf(*richEdit2_->document());
    if (now == paneSeen_) return;
    paneSeen_ = now;
    editor().EditPaneText(now);
    syncTree();
  });

  choicePanel_ = new QWidget(middle);
  auto* cv = new QVBoxLayout(choicePanel_);
  cv->setContentsMargins(0, 0, 0, 0);
  panel15_ = new QLabel(choicePanel_);
  panel15_->setObjectName(QStringLiteral("Panel15"));
  panel15_->setAlignment(Qt::AlignCenter);
  panel15_->setAutoFillBackground(true);
  {
    QPalette p = panel15_->palette();
    p.setColor(QPalette::Window, QColor(70, 110, 160));
    p.setColor(QPalette::WindowText, Qt::white);
    panel15_->setPalette(p);
  }
  panel15_->setContentsMargins(4, 4, 4, 4);
  cv->addWidget(panel15_);
  stringGrid4_ = makeGrid(choicePanel_, "StringGrid4", {QString(), QString()}, {72});
  stringGrid4_->horizontalHeader()->setVisible(false);
  cv->addWidget(stringGrid4_, 1);
  connect(stringGrid4_, &QTableWidget::cellClicked, this, [this](int row, int col) {
    if (col == 1 && row >= 1 && row != editRow_) {
      closeCellEditor(true);
      openCellEditor(row);
    }
  });
  auto* batchRow = new QHBoxLayout;
  button7_ = new QPushButton(QStringLiteral("一括"), choicePanel_);
  button7_->setObjectName(QStringLiteral("Button7"));
  button7_->setToolTip(QStringLiteral("クリップボードの設問と選択肢をまとめて入力"));
  batchRow->addWidget(button7_);
  batchRow->addStretch(1);
  cv->addLayout(batchRow);
  connect(button7_, &QPushButton::clicked, this, [this] {
    closeCellEditor(true);
    editor().BatchEntry(*ports_.clipboard);
    fillChoiceGrid();
    after();
  });
  mv->addWidget(choicePanel_, 1);

  panel13_ = new QGroupBox(QStringLiteral("This is the correct answer."), middle);
  panel13_->setObjectName(QStringLiteral("Panel13"));
  auto* pv = new QHBoxLayout(panel13_);
  radioYes_ = new QRadioButton(QStringLiteral("YES"), panel13_);
  radioYes_->setObjectName(QStringLiteral("RadioGroup1"));
  radioYes_->setAutoExclusive(false);
  pv->addWidget(radioYes_);
  button6_ = new QPushButton(QStringLiteral("Clear Answer"), panel13_);
  button6_->setObjectName(QStringLiteral("Button6"));
  pv->addWidget(button6_);
  pv->addStretch(1);
  mv->addWidget(panel13_);
  mv->addStretch(0);
  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{radioYes_, button6_})
    connect(b, &QAbstractButton::clicked, this, [this] {
      editor().ToggleCorrect();
      after();
    });
  split->addWidget(middle);

  pageControl2_ = new QTabWidget(split);
  pageControl2_->setObjectName(QStringLiteral("PageControl2"));
  pageControl2_->setDocumentMode(true);
  buildSideTabs();
  split->addWidget(pageControl2_);
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  split->setStretchFactor(2, 1);
  split->setSizes({220, 320, 460});

  choiceEditor_ = new TGridRichText(stringGrid4_->viewport());
  choiceEditor_->hide();
  connect(choiceEditor_, &TGridRichText::commitAndMove, this, [this](int d) { moveCellEditor(d); });
  connect(choiceEditor_, &TGridRichText::firstChange, this, [this] { model_.Document().SetModified(true); });

  render();
}

authoring::TAuthoringModel& TEditView::authoring() const { return model_.Authoring(); }
authoring::TPageEditorModel& TEditView::editor() const { return model_.Authoring().Editor(); }

QTableWidget* TEditView::stringGrid(int n) const {
  switch (n) {
    case 1:
      return stringGrid1_;
    case 2:
      return stringGrid2_;
    case 3:
      return stringGrid3_;
    case 4:
      return stringGrid4_;
    default:
      return nullptr;
  }
}

QToolButton* TEditView::toolButton(const char* name) const {
  return findChild<QToolButton*>(QString::fromLatin1(name));
}

void TEditView::buildToolbar(QWidget* bar) {
  auto* h = new QHBoxLayout(bar);
  h->setContentsMargins(4, 2, 4, 2);
  h->setSpacing(4);
  auto button = [&](const char* name, const QString& text, const QString& hint) {
    auto* b = new QToolButton(bar);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    h->addWidget(b);
    return b;
  };
  QToolButton* project = button("EditProject", QStringLiteral("Project"), QStringLiteral("Open Project"));
  connect(project, &QToolButton::clicked, this, [this] { acOpenProject(); });
  QToolButton* templ = button("acViewTemplate", QStringLiteral("Template"), QStringLiteral("Create From Template"));
  QToolButton* script = button("acViewScript", QStringLiteral("Script"), QStringLiteral("Create From Script"));
  QToolButton* create = button("acCreateFromTemplate", QStringLiteral("Create"), QStringLiteral("Create"));
  checkBox1_ = new QCheckBox(QStringLiteral("自動段下げ"), bar);
  checkBox1_->setObjectName(QStringLiteral("CheckBox1"));
  checkBox2_ = new QCheckBox(QStringLiteral("自動通し番号"), bar);
  checkBox2_->setObjectName(QStringLiteral("CheckBox2"));
  h->addWidget(checkBox1_);
  h->addWidget(checkBox2_);
  h->addStretch(1);
  QToolButton* property = button("SpeedButton26", QStringLiteral("Property"), QStringLiteral("Open Property Tab Page"));
  // A right-button release on these opens the manual at the control's caption.
  auto* captionHelp = new TCaptionHelp(ports_, model_.ProgramFolder(), this);
  for (QAbstractButton* b :
       std::initializer_list<QAbstractButton*>{project, templ, script, create, property, checkBox1_, checkBox2_})
    captionHelp->watch(b);

  connect(templ, &QToolButton::clicked, this, [this, templ] {
    popup(
        folderMenu(
            authoring().Project().TemplateMenu(),
            [this](const std::string& f) { authoring().Project().ChooseTemplateEntry(f); },
            [this] { authoring().Project().acDialogTemplate(); }, [this] { authoring().Project().acCreateTemplate(); }),
        templ);
  });
  connect(script, &QToolButton::clicked, this, [this, script] {
    popup(folderMenu(
              authoring().Project().ScriptMenu(), [this](const std::string& f) { authoring().ChooseScriptEntry(f); },
              [this] { authoring().acDialogScript(); }, [this] { authoring().acCreateScript(); }),
          script);
  });
  connect(create, &QToolButton::clicked, this, [this] {
    closeCellEditor(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    authoring().Project().acCreateFromTemplate();
    QApplication::restoreOverrideCursor();
    after();
  });
  connect(checkBox1_, &QCheckBox::toggled, this, [this](bool on) { authoring().Project().Grids().autoIndent = on; });
  connect(checkBox2_, &QCheckBox::toggled, this, [this](bool on) { authoring().Project().Grids().autoNumbers = on; });
  connect(property, &QToolButton::clicked, this, [this] {
    if (!authoring().Project().ProjectReady(true)) return;
    closeCellEditor(true);
    editor().Select({EntryKind::Root});
    after();
  });
}

void TEditView::buildSideTabs() {
  // 0: Correct Answer
  auto* ca = new QWidget(pageControl2_);
  ca->setObjectName(QStringLiteral("tsCorrectAns"));
  auto* cav = new QVBoxLayout(ca);
  stringGrid3_ =
      makeGrid(ca, "StringGrid3", {QStringLiteral("No"), QStringLiteral("Correct Answer"), QStringLiteral("Question")},
               {28, 45, 300});
  stringGrid3_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  cav->addWidget(stringGrid3_, 3);
  richEdit5_ = makePane(ca, "RichEdit5", true);
  setRichText(*richEdit5_->document(), authoring::CorrectAnswerHelp());
  cav->addWidget(richEdit5_, 2);
  connect(stringGrid3_, &QTableWidget::cellClicked, this, [this](int r, int c) {
    if (c == 1) openChooser(3, r, c);
  });
  pageControl2_->addTab(ca, QStringLiteral("Correct Answer"));

  // 1: Setting
  auto* st = new QWidget(pageControl2_);
  st->setObjectName(QStringLiteral("tsSetting"));
  auto* stv = new QVBoxLayout(st);
  stringGrid2_ =
      makeGrid(st, "StringGrid2", {QStringLiteral("Option"), QStringLiteral("Value"), QStringLiteral("Comment")},
               {128, 64, 300});
  stringGrid2_->setRowCount(9);
  stringGrid2_->setWordWrap(false);
  for (int r = 0; r < 9; ++r) {
    setCell(stringGrid2_, r, 0, kSettingRows[r][0]);
    setCell(stringGrid2_, r, 2, kSettingRows[r][1]);
    stringGrid2_->item(r, 2)->setToolTip(QString::fromUtf8(kSettingRows[r][1]));
  }
  stv->addWidget(stringGrid2_);
  connect(stringGrid2_, &QTableWidget::cellClicked, this, [this](int r, int c) {
    if (c == 1) openChooser(2, r, c);
  });
  pageControl2_->addTab(st, QStringLiteral("Setting"));

  // 2: Property
  auto* pr = new QWidget(pageControl2_);
  pr->setObjectName(QStringLiteral("tsProperty"));
  auto* prv = new QVBoxLayout(pr);
  stringGrid1_ = makeGrid(pr, "StringGrid1", {QStringLiteral("Key"), QStringLiteral("Value")}, {64, 345});
  stringGrid1_->setRowCount(6);
  stringGrid1_->setEditTriggers(QAbstractItemView::AllEditTriggers);
  for (int r = 0; r < 6; ++r) {
    setCell(stringGrid1_, r, 0, kPropertyKeys[r]);
    setCell(stringGrid1_, r, 1, "", true);
  }
  stringGrid1_->setMaximumHeight(22 * 6 + stringGrid1_->horizontalHeader()->sizeHint().height() + 6);
  prv->addWidget(stringGrid1_);
  richEdit6_ = makePane(pr, "RichEdit6", true);
  setRichText(*richEdit6_->document(), authoring::PropertyHelp());
  prv->addWidget(richEdit6_, 1);
  connect(stringGrid1_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* it) {
    if (syncing_ || it->column() != 1) return;
    editor().EditProperty(it->row(), us(it->text()));
  });
  pageControl2_->addTab(pr, QStringLiteral("Property"));

  // 3: Template, 4: Script
  auto previewTab = [&](const char* tabName, const char* buttonName, const char* labelName, const char* paneName,
                        QToolButton*& button, QLabel*& label, QTextEdit*& pane) {
    auto* t = new QWidget(pageControl2_);
    t->setObjectName(QString::fromLatin1(tabName));
    auto* tv = new QVBoxLayout(t);
    auto* row = new QHBoxLayout;
    button = new QToolButton(t);
    button->setObjectName(QString::fromLatin1(buttonName));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    row->addWidget(button);
    label = new QLabel(t);
    label->setObjectName(QString::fromLatin1(labelName));
    row->addWidget(label, 1);
    tv->addLayout(row);
    pane = makePane(t, paneName, true);
    tv->addWidget(pane, 1);
    return t;
  };
  pageControl2_->addTab(
      previewTab("tsTemplate", "SpeedButton10", "Label9", "RichEdit8", speedButton10_, label9_, richEdit8_),
      QStringLiteral("Template"));
  pageControl2_->addTab(
      previewTab("tsScript", "SpeedButton17", "Label10", "RichEdit9", speedButton17_, label10_, richEdit9_),
      QStringLiteral("Script"));
  connect(speedButton10_, &QToolButton::clicked, this, [this] {
    auto& p = authoring().Project();
    if (p.TemplateButton() == authoring::EditButton::Edit)
      p.acEditTemplate();
    else
      p.acReviewTemplate();
    after();
  });
  connect(speedButton17_, &QToolButton::clicked, this, [this] {
    auto& p = authoring().Project();
    if (p.ScriptButton() == authoring::EditButton::Edit)
      p.acEditScript();
    else
      authoring().acReviewScript();
    after();
  });

  // 5: Help (its content comes with the help work)
  auto* help = new QWidget(pageControl2_);
  help->setObjectName(QStringLiteral("tsHelp"));
  pageControl2_->addTab(help, QStringLiteral("Help"));

  comboBox1_ = new QComboBox(this);
  comboBox1_->setObjectName(QStringLiteral("ComboBox1"));
  comboBox1_->hide();
  connect(comboBox1_, &QComboBox::activated, this, [this](int index) {
    const std::string value = us(comboBox1_->itemText(index));
    comboBox1_->hide();
    if (chooserGrid_ == 2)
      editor().ChooseSetting(chooserRow_, value);
    else if (chooserGrid_ == 3)
      editor().ChooseCorrectAnswer(chooserRow_, value);
    after();
  });
  connect(pageControl2_, &QTabWidget::currentChanged, this, [this](int i) {
    if (!syncing_) userSwitchedTab(i);
  });
}

void TEditView::setHelpTab(QWidget* tab) {
  const bool was = syncing_;
  syncing_ = true;
  QWidget* old = pageControl2_->widget(5);
  pageControl2_->removeTab(5);
  pageControl2_->insertTab(5, tab, QStringLiteral("Help"));
  if (old) old->deleteLater();
  syncing_ = was;
  shownTab_ = -1;
  syncSideTab();
}

// ---- menus ---------------------------------------------------------------------------------------

QMenu* TEditView::folderMenu(const std::vector<FolderMenuEntry>& entries,
                             const std::function<void(const std::string&)>& onFile,
                             const std::function<void()>& onDialog, const std::function<void()>& onSecond) {
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("FolderMenu"));
  const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
  const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
  const QIcon newIcon = style()->standardIcon(QStyle::SP_FileDialogNewFolder);
  std::function<void(QMenu*, const std::vector<FolderMenuEntry>&)> fill = [&](QMenu* m,
                                                                              const std::vector<FolderMenuEntry>& es) {
    for (const FolderMenuEntry& e : es) {
      switch (e.kind) {
        case FolderMenuEntry::Kind::DialogAction:
          connect(m->addAction(folderIcon, qs(e.caption)), &QAction::triggered, this, [this, onDialog] {
            onDialog();
            after();
          });
          break;
        case FolderMenuEntry::Kind::SecondAction:
          connect(m->addAction(newIcon, qs(e.caption)), &QAction::triggered, this, [this, onSecond] {
            onSecond();
            after();
          });
          break;
        case FolderMenuEntry::Kind::Separator:
          m->addSeparator();
          break;
        case FolderMenuEntry::Kind::Folder: {
          QMenu* sub = m->addMenu(folderIcon, qs(e.caption));
          sub->setObjectName(qs(e.caption));
          fill(sub, e.children);
          break;
        }
        case FolderMenuEntry::Kind::File: {
          QAction* a = m->addAction(fileIcon, qs(e.caption));
          a->setData(qs(e.path));
          connect(a, &QAction::triggered, this, [this, onFile, path = e.path] {
            onFile(path);
            after();
          });
          break;
        }
      }
    }
  };
  fill(menu, entries);
  return menu;
}

void TEditView::keepMenu(QMenu* m) {
  // A menu lives until the next one is made, not until it closes: its action runs inside the
  // menu's own key or mouse handler, and an action that lets pending events run (opening a
  // document does) would otherwise delete the menu under that handler.
  if (lastMenu_ && lastMenu_ != m) lastMenu_->deleteLater();
  lastMenu_ = m;
}

void TEditView::popup(QMenu* m, QWidget* anchor) {
  keepMenu(m);
  m->popup(anchor ? anchor->mapToGlobal(QPoint(0, anchor->height())) : QCursor::pos());
}

void TEditView::acOpenProject() {
  auto& p = authoring().Project();
  if (!p.acOpenProject()) return;
  popup(folderMenu(
            p.ProjectMenu(), [this](const std::string& f) { authoring().Project().OpenProjectEntry(f); },
            [this] {
              if (authoring().Project().acDialogProject()) model_.SetViewMode(app::vmEditing);
            },
            [] {}),
        qobject_cast<QWidget*>(sender()));
}

void TEditView::acOpenReading() {
  auto& p = authoring().Project();
  popup(folderMenu(
            p.ReadingMenu("受験者用のルーヴォをコピー(&C)"),
            [this](const std::string& f) { authoring().Project().StartExaminee(f); },
            [this] {
              const auto path = ports_.dialogs->openFile("Open", "ルーヴォファイル (*.ruvo)",
                                                         authoring().Project().Folder(authoring::kRuvofFolder));
              if (path && !model_.OpenTestDocument(*path))
                ports_.dialogs->message(text::format(authoring::kMsgCannotOpen, {*path}));
            },
            [this] {
              delivery::PackagingPlace place{model_.ProgramFolder(), app::FolderOf(ports_.shell->programPath())};
              delivery::acCopyRuvo(ports_, place);
            }),
        qobject_cast<QWidget*>(sender()));
}

void TEditView::acCreate() {
  closeCellEditor(true);
  authoring().Project().acCreate();
  after();
}

void TEditView::acPageSave() {
  closeCellEditor(true);
  authoring().Project().acPageSave();
  after();
}

void TEditView::acPageSaveAs() {
  closeCellEditor(true);
  authoring().Project().acPageSaveAs();
  after();
}

void TEditView::acPageReading() {
  closeCellEditor(true);
  authoring().Project().acPageReading();
  after();
}

// ---- the tree ------------------------------------------------------------------------------------

void TEditView::treeSelected(QTreeWidgetItem* item) {
  if (!item) return;
  closeCellEditor(true);
  editor().Select(selectionOf(item));
  after();
  if (editor().Selection().kind == EntryKind::Root) {
    model_.ShowSideTab(static_cast<int>(authoring::SideTab::Property));
    syncSideTab();
  }
}

void TEditView::treeMenu(const QPoint& pos) {
  QTreeWidgetItem* it = tree_->itemAt(pos);
  if (!it) return;
  if (tree_->currentItem() != it) tree_->setCurrentItem(it);  // selects as a click would
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("PopupMenu1"));
  QMenu* sub = nullptr;
  for (const authoring::MenuItem& m : editor().PopupMenu1()) {
    if (m.action.empty()) {
      sub = menu->addMenu(qs(m.caption));
      sub->menuAction()->setVisible(m.visible);
      continue;
    }
    if (m.action == "-") {
      sub = nullptr;
      if (m.visible) menu->addSeparator();
      continue;
    }
    const bool inSub = sub && (m.action == "acPageAdd" || m.action == "acPsgeReading" || m.action == "acPageQA" ||
                               m.action == "acPageMoveUP" || m.action == "acPageMoveDown");
    if (!inSub) sub = nullptr;
    QAction* a = (inSub ? sub : menu)->addAction(qs(m.caption));
    a->setObjectName(qs(m.action));
    a->setVisible(m.visible);
    connect(a, &QAction::triggered, this, [this, action = m.action] { runMenuAction(action); });
  }
  keepMenu(menu);
  menu->popup(tree_->viewport()->mapToGlobal(pos));
}

void TEditView::runMenuAction(const std::string& action) {
  closeCellEditor(true);
  authoring::TPageEditorModel& e = editor();
  if (action == "acPageAdd")
    e.acPageAdd();
  else if (action == "acPsgeReading")
    e.acPsgeReading();
  else if (action == "acPageQA")
    e.acPageQA();
  else if (action == "acPageDelete")
    e.acPageDelete();
  else if (action == "acPageMoveUP")
    e.acPageMoveUP();
  else if (action == "acPageMoveDown")
    e.acPageMoveDown();
  else if (action == "acQueAdd")
    e.acQueAdd();
  else if (action == "acQueDel")
    e.acQueDel();
  else if (action == "acChoiceAdd")
    e.acChoiceAdd();
  else if (action == "acChoiceDel")
    e.acChoiceDel();
  else if (action == "acActName")
    e.acActName();
  else if (action == "acActTimer")
    e.acActTimer();
  after();
  if (e.Selection().kind == EntryKind::Page && !richEdit2_->isReadOnly()) richEdit2_->setFocus();
  if (e.PendingEditRow() > 0) openCellEditor(e.PendingEditRow());
}

void TEditView::syncTree() {
  const TreeEntry& root = editor().Tree();
  std::string shape;
  shapeOf(root, shape);
  const bool was = syncing_;
  syncing_ = true;
  if (shape != shownShape_ || tree_->topLevelItemCount() == 0) {
    tree_->clear();
    tree_->addTopLevelItem(makeItem(root));
    tree_->expandAll();
    shownShape_ = shape;
  } else {
    updateItem(tree_->topLevelItem(0), root);
  }
  selectTreeItem();
  syncing_ = was;
}

void TEditView::selectTreeItem() {
  QTreeWidgetItem* top = tree_->topLevelItem(0);
  QTreeWidgetItem* it = top ? findItem(top, editor().Selection()) : nullptr;
  if (it != tree_->currentItem()) {
    if (it)
      tree_->setCurrentItem(it);
    else
      tree_->setCurrentItem(nullptr);
  }
  if (it) tree_->scrollToItem(it);
}

// ---- what the selection shows ----------------------------------------------------------------------

void TEditView::showSelection() {
  const authoring::TPageEditorModel& e = editor();
  const EntryKind k = e.Selection().kind;
  const bool was = syncing_;
  syncing_ = true;
  setRichText(*richEdit2_->document(), e.Pane());
  phraseSeparators_->setOn(e.PaneHasPhrases());
  paneSeen_ = richTextOf(*richEdit2_->document());
  richEdit2_->setReadOnly(!e.PaneEditable());
  syncing_ = was;
  const bool question = k == EntryKind::Question;
  const bool choice = k == EntryKind::Choice;
  richEdit2_->setVisible(!question && !choice);
  choicePanel_->setVisible(question);
  panel13_->setVisible(choice);
  fillChoiceGrid();
  shownSelection_ = e.Selection();
  selectionShown_ = true;
}

void TEditView::fillChoiceGrid() {
  const authoring::TPageEditorModel& e = editor();
  const auto& g = e.ChoiceGrid();
  const bool was = syncing_;
  syncing_ = true;
  stringGrid4_->setRowCount(static_cast<int>(g.size()));
  for (int r = 0; r < static_cast<int>(g.size()); ++r) {
    setCell(stringGrid4_, r, 0, g[static_cast<std::size_t>(r)][0]);
    setCell(stringGrid4_, r, 1, g[static_cast<std::size_t>(r)][1]);
    stringGrid4_->item(r, 0)->setBackground(palette().button());
    if (r != editRow_) stringGrid4_->setRowHeight(r, 22);
  }
  if (!g.empty()) stringGrid4_->setRowHidden(0, true);  // the title row: the column titles say it
  panel15_->setText(qs(e.ChoicePanelTitle()));
  radioYes_->setChecked(e.CorrectChecked());
  button6_->setVisible(e.CorrectChecked());
  syncing_ = was;
}

void TEditView::fillSideGrids() {
  authoring::TProjectModel& p = authoring().Project();
  const authoring::CompileInputs& in = p.Grids();
  const bool pages = model_.FPageControler().PageCount() > 0;
  const bool was = syncing_;
  syncing_ = true;
  for (int r = 0; r < 6; ++r) {
    QTableWidgetItem* it = stringGrid1_->item(r, 1);
    const QString v = qs(in.properties[static_cast<std::size_t>(r)]);
    QWidget* focus = QApplication::focusWidget();
    const bool typing = focus && stringGrid1_->viewport()->isAncestorOf(focus) && stringGrid1_->currentItem() == it;
    if (it->text() != v && !typing) it->setText(v);
  }
  for (int r = 0; r < 9; ++r) setCell(stringGrid2_, r, 1, in.settings[static_cast<std::size_t>(r)]);
  const auto& ca = editor().CorrectAnswerGrid();
  stringGrid3_->setRowCount(static_cast<int>(ca.size()));
  for (int r = 0; r < static_cast<int>(ca.size()); ++r)
    for (int c = 0; c < 3; ++c)
      setCell(stringGrid3_, r, c, ca[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
  // A grid shows once what it edits is there: the chosen files, or an open document (a
  // project opened from disk has no script, yet its answers and settings must be seen).
  stringGrid1_->setVisible(pages || p.BothReady(false));
  stringGrid2_->setVisible(pages || p.TemplateReady(false));
  stringGrid3_->setVisible(pages || p.ScriptReady(false));

  checkBox1_->setEnabled(p.CheckBoxesEnabled());
  checkBox2_->setEnabled(p.CheckBoxesEnabled());
  checkBox1_->setChecked(in.autoIndent);
  checkBox2_->setChecked(in.autoNumbers);

  const bool templateEdit = p.TemplateButton() == authoring::EditButton::Edit;
  speedButton10_->setText(templateEdit ? QStringLiteral("Edit") : QStringLiteral("Review"));
  speedButton10_->setToolTip(templateEdit ? QStringLiteral("Edit This Template")
                                          : QStringLiteral("Review This Template"));
  speedButton10_->setEnabled(p.TemplateReady(false));
  const bool scriptEdit = p.ScriptButton() == authoring::EditButton::Edit;
  speedButton17_->setText(scriptEdit ? QStringLiteral("Edit") : QStringLiteral("Review"));
  speedButton17_->setToolTip(scriptEdit ? QStringLiteral("Edit This Script") : QStringLiteral("Review This Script"));
  speedButton17_->setEnabled(p.ScriptReady(false));
  label9_->setText(qs(p.TemplateLabel()));
  label10_->setText(qs(p.ScriptLabel()));
  if (!previewsShown_ || !(p.TemplatePreview() == shownTemplate_)) {
    shownTemplate_ = p.TemplatePreview();
    setRichText(*richEdit8_->document(), shownTemplate_);
    richEdit8_->moveCursor(QTextCursor::Start);
  }
  if (!previewsShown_ || !(p.ScriptPreview() == shownScript_)) {
    shownScript_ = p.ScriptPreview();
    setRichText(*richEdit9_->document(), shownScript_);
    richEdit9_->moveCursor(QTextCursor::Start);
  }
  previewsShown_ = true;
  syncing_ = was;
}

void TEditView::syncSideTab() {
  const int tab = model_.FSideTab();
  if (tab == shownTab_ && pageControl2_->currentIndex() == tab) return;
  const bool was = syncing_;
  syncing_ = true;
  comboBox1_->hide();
  pageControl2_->setCurrentIndex(tab);
  shownTab_ = tab;
  // A preview laid out while its tab was hidden starts at its top once shown.
  if (tab == 3) richEdit8_->verticalScrollBar()->setValue(0);
  if (tab == 4) richEdit9_->verticalScrollBar()->setValue(0);
  syncing_ = was;
}

void TEditView::userSwitchedTab(int index) {
  comboBox1_->hide();
  authoring::TProjectModel& p = authoring().Project();
  // A tab whose grid has nothing to show yet says which file to choose.
  if (model_.FPageControler().PageCount() == 0) {
    if (index == 0 || index == 4)
      p.ScriptReady(true);
    else if (index == 1 || index == 3)
      p.TemplateReady(true);
    else if (index == 2)
      p.BothReady(true);
  }
  model_.ShowSideTab(index);
  shownTab_ = index;
  fillSideGrids();
}

void TEditView::openChooser(int grid, int row, int column) {
  if (!editor().CanEditValues()) return;
  const std::vector<std::string> values = editor().ChooserValues(grid, row);
  if (values.empty()) return;
  QTableWidget* g = grid == 2 ? stringGrid2_ : stringGrid3_;
  chooserGrid_ = grid;
  chooserRow_ = row;
  comboBox1_->clear();
  for (const std::string& v : values) comboBox1_->addItem(qs(v));
  const int current = comboBox1_->findText(g->item(row, column) ? g->item(row, column)->text() : QString());
  comboBox1_->setCurrentIndex(std::max(0, current));
  const QRect cell = g->visualRect(g->model()->index(row, column));
  comboBox1_->setGeometry(
      QRect(g->viewport()->mapTo(this, cell.topLeft()), QSize(std::max(cell.width(), 64), cell.height() + 2)));
  comboBox1_->show();
  comboBox1_->raise();
  comboBox1_->setFocus();
}

// ---- the in-place editor ---------------------------------------------------------------------------

void TEditView::openCellEditor(int row) {
  const std::optional<authoring::TPageEditorModel::CellText> cell = editor().BeginCellEdit(row);
  if (!cell) return;
  editRow_ = row;
  editTabs_ = cell->tabs;
  stringGrid4_->setCurrentCell(row, 1);
  const int extra = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  stringGrid4_->setRowHeight(row, 22 + extra);
  choiceEditor_->load(cell->text);
  choiceEditor_->setGeometry(stringGrid4_->visualRect(stringGrid4_->model()->index(row, 1)));
  choiceEditor_->show();
  choiceEditor_->raise();
  choiceEditor_->setFocus();
}

void TEditView::closeCellEditor(bool commit) {
  if (editRow_ == 0) return;
  const int row = editRow_;
  editRow_ = 0;
  choiceEditor_->hide();
  stringGrid4_->setRowHeight(row, 22);
  if (commit) {
    editor().CommitCellEdit(row, {choiceEditor_->text(), editTabs_}, choiceEditor_->changed());
    fillChoiceGrid();
    syncTree();
    fillSideGrids();
  }
}

void TEditView::moveCellEditor(int delta) {
  const int row = editRow_;
  closeCellEditor(true);
  const int next = row + delta;
  if (next >= 1 && next < stringGrid4_->rowCount())
    openCellEditor(next);
  else
    openCellEditor(row);
}

// ---- rendering -------------------------------------------------------------------------------------

void TEditView::after() {
  selectionShown_ = false;
  render();
}

void TEditView::render() {
  syncTree();
  if (!selectionShown_ || !(editor().Selection() == shownSelection_)) {
    if (editRow_ != 0) closeCellEditor(true);
    showSelection();
  }
  fillSideGrids();
  syncSideTab();
  const bool ready = model_.FPageControler().PageCount() > 0;
  toolButton("SpeedButton26")->setEnabled(ready || authoring().Project().BothReady(false));
}

}  // namespace ruvo::gui
