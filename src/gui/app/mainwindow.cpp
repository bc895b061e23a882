#include "gui/app/mainwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDrag>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include "core/app/paths.h"
#include "core/authoring/authoringmodel.h"
#include "gui/app/answerpanels.h"
#include "gui/app/dragbutton.h"
#include "gui/app/totalsview.h"
#include "gui/authoring/editview.h"
#include "gui/richtext/richtextbridge.h"
#include "gui/richtext/richview.h"
#include "gui/shell/registration.h"
#include "gui/shell/windowshell.h"

namespace ruvo::gui {

namespace {

QColor colorOf(rt::Color c) { return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

void applyLabel(QLabel* l, const app::LabelState& s) {
  l->setText(qs(s.text));
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, colorOf(s.color));
  l->setPalette(p);
  l->setVisible(s.visible);
}

void applyAction(QWidget* w, const app::ActionState& s) {
  if (!w) return;
  w->setVisible(s.visible);
  w->setEnabled(s.enabled);
  w->setToolTip(qs(s.hint));
}

bool isInputEvent(QEvent::Type t) {
  switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ShortcutOverride:
      return true;
    default:
      return false;
  }
}

}  // namespace

TForm1::TForm1(TForm1Options options, QWidget* parent) : QMainWindow(parent), options_(std::move(options)) {
  installFontSubstitutions();
  setObjectName(QStringLiteral("Form1"));
  qt_.dialogs.setParent(this);
  ports_ = qt_.ports().overriddenBy(options_.overrides);
  const std::string exe = us(QCoreApplication::applicationFilePath());
  model_ = std::make_unique<app::TForm1Model>(ports_, app::ProgramFolder(exe));
  model_->SetExamineeProgram(options_.examineeOnly);
  model_->SetView(this);
  if (!options_.examineeOnly) totals_ = std::make_unique<TTotalsView>(this, *model_, ports_, exe);
  shell_ = new TWindowShell(
      ports_,
      {model_->ProgramFolder(), options_.executableFolder.empty() ? app::FolderOf(exe) : options_.executableFolder},
      this);

  auto* central = new QWidget(this);
  auto* v = new QVBoxLayout(central);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  panel14_ = new QWidget(central);
  panel14_->setObjectName(QStringLiteral("Panel14"));
  buildToolbar(panel14_);
  v->addWidget(panel14_);
  pageControl1_ = new QStackedWidget(central);
  pageControl1_->setObjectName(QStringLiteral("PageControl1"));
  tsMain_ = new QWidget(pageControl1_);
  tsMain_->setObjectName(QStringLiteral("tsMain"));
  tsEdit_ = new QWidget(pageControl1_);
  tsEdit_->setObjectName(QStringLiteral("tsEdit"));
  buildTestView(tsMain_);
  buildEditView(tsEdit_);
  pageControl1_->addWidget(tsMain_);
  pageControl1_->addWidget(tsEdit_);
  v->addWidget(pageControl1_, 1);
  setCentralWidget(central);
  panel14_->setVisible(!options_.examineeOnly);

  setMinimumSize(app::TForm1Model::kMinWidth, app::TForm1Model::kMinHeight);

  timer1_.setObjectName(QStringLiteral("Timer1"));
  timer2_.setObjectName(QStringLiteral("Timer2"));
  tmSnaile_.setObjectName(QStringLiteral("tmSnaile"));
  connect(&timer1_, &QTimer::timeout, this, [this] { model_->Timer1Timer(); });
  connect(&timer2_, &QTimer::timeout, this, [this] {
    timer2_.stop();  // one shot: the model re-arms it when it needs it again
    model_->Timer2Timer();
  });
  connect(&tmSnaile_, &QTimer::timeout, this, [this] {
    model_->tmSnaileTimer();
    shell_->tick();
  });

  qApp->installEventFilter(this);

  model_->Create(options_.args);
  // The file types, as the last start-up step before the view is set; the result only tells
  // whether the desktop knows them, and start-up goes on either way.
  if (options_.registerFileTypes) RegisterFileTypesAtStartUp(options_.examineeOnly);
  if (totals_) totals_->Attach(h1_, panel14_, richEdit1_, {richEdit1_, richEdit1_->viewport()});
  const platform::Rect r = model_->Placement();
  if (r.width > 0 && r.height > 0) {
    resize(std::max(r.width, minimumWidth()), std::max(r.height, minimumHeight()));
    move(r.left, r.top);
  }
  render();
}

TForm1::~TForm1() {
  qApp->removeEventFilter(this);
  model_->SetView(nullptr);
  // The children outlive the model by a moment: nothing they signal may reach it.
  richEdit1_->disconnect(this);
  richEdit1_->setLinkLinePredicate({});
  answerPanels_->disconnect(this);
  delete editView_;  // it talks to the model while its widgets go
  editView_ = nullptr;
  for (QTimer* t : {&timer1_, &timer2_, &tmSnaile_}) t->stop();
  totals_.reset();
}

int TForm1::richEdit1Paints() const { return richEdit1_->paints(); }

void TForm1::buildToolbar(QWidget* bar) {
  auto* h = new QHBoxLayout(bar);
  h->setContentsMargins(4, 2, 4, 2);
  h->setSpacing(2);
  auto button = [&](const char* name, const QString& text, const QString& hint) {
    auto* b = new QToolButton(bar);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    h->addWidget(b);
    return b;
  };
  tbOpenProject_ = button("acOpenProject", QStringLiteral("Project"), QStringLiteral("Open Project"));
  tbPageEditing_ = button("acPageEditing", QStringLiteral("Editing"), QStringLiteral("Open Editing Page"));
  tbPageReading_ = button("acPageReading", QStringLiteral("Reading"), QStringLiteral("Open Reading Page"));
  tbCreate_ = button("acCreate", QStringLiteral("New"), QStringLiteral("Create a New File"));
  h->addWidget(shell_->helpButton("SpeedButton19", bar));
  tbOpenReading_ = button("acOpenReading", QStringLiteral("Open"), QStringLiteral("Open a test"));
  tbPageSave_ = button("acPageSave", QStringLiteral("Save"), QStringLiteral("Save File"));
  tbPageSaveAs_ = button("acPageSaveAs", QStringLiteral("Save_As"), QStringLiteral("Save With A New Name "));
  auto* info = button("SpeedButton16", QStringLiteral("Information"), QStringLiteral("Manual and Information"));
  auto* send = button("acSend", QStringLiteral("Send"), QStringLiteral("Prepare the tests for the examinees"));
  auto* zip = button("acOpenZip", QStringLiteral("Zip"), QStringLiteral("Open the packed tests"));
  h->addStretch(1);
  connect(tbPageEditing_, &QToolButton::clicked, this, [this] { model_->acPageEditing(); });
  shell_->bindToolbar(send, zip);
  shell_->bindOpenMenu(tbOpenReading_, [this](const std::string& path) { return model_->OpenTestDocument(path); });

  popupMenu2_ = new QMenu(this);
  popupMenu2_->setObjectName(QStringLiteral("PopupMenu2"));
  shell_->populateInformation(popupMenu2_);
  acPropertyAction_ = popupMenu2_->addAction(QStringLiteral("Property(&P)"));
  acPropertyAction_->setObjectName(QStringLiteral("acProperty"));
  connect(acPropertyAction_, &QAction::triggered, this, [this] { model_->acProperty(); });
  QMenu* option = popupMenu2_->addMenu(QStringLiteral("Option(&O)"));
  h1_ = option->addAction(QStringLiteral("配布回収(&D)"));
  h1_->setEnabled(false);
  connect(popupMenu2_, &QMenu::aboutToShow, this,
          [this] { acPropertyAction_->setEnabled(model_->acPropertyEnabled()); });
  connect(info, &QToolButton::clicked, this, [this] { popupMenu2_->popup(QCursor::pos()); });
}

void TForm1::buildEditView(QWidget* sheet) {
  auto* h = new QHBoxLayout(sheet);
  h->setContentsMargins(0, 0, 0, 0);
  editView_ = new TEditView(*model_, ports_, sheet);
  h->addWidget(editView_);
  connect(tbOpenProject_, &QToolButton::clicked, editView_, &TEditView::acOpenProject);
  connect(tbCreate_, &QToolButton::clicked, editView_, &TEditView::acCreate);
  connect(tbPageSave_, &QToolButton::clicked, editView_, &TEditView::acPageSave);
  connect(tbPageSaveAs_, &QToolButton::clicked, editView_, &TEditView::acPageSaveAs);
  connect(tbPageReading_, &QToolButton::clicked, editView_, &TEditView::acPageReading);
  // ProgressBar2 lies over the bottom of Create while a compile runs. Create's own handler was
  // connected first, so the one here runs once the compile and its message are over.
  createButton_ = editView_->findChild<QToolButton*>(QStringLiteral("acCreateFromTemplate"));
  progressBar2_ = new QProgressBar(this);
  progressBar2_->setObjectName(QStringLiteral("ProgressBar2"));
  progressBar2_->setTextVisible(false);
  progressBar2_->hide();
  if (createButton_) connect(createButton_, &QToolButton::clicked, this, [this] { model_->CreateFinished(); });
  editView_->setHelpTab(shell_->buildHelpTab(editView_->sideTabs()));
  shell_->attachSideTabHelp(editView_->sideTabs());
  shell_->setProjectOpener(
      [this](const std::string& path) { return model_->Authoring().Project().OpenProjectEntry(path); });
}

void TForm1::buildTestView(QWidget* sheet) {
  auto* v = new QVBoxLayout(sheet);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);

  // Panel2: the page text and the more-text panel under it.
  richEdit1_ = new TRichView(sheet);
  richEdit1_->setObjectName(QStringLiteral("RichEdit1"));
  v->addWidget(richEdit1_, 1);
  {
    // The page keeps its place while the name box hides it.
    QSizePolicy sp = richEdit1_->sizePolicy();
    sp.setRetainSizeWhenHidden(true);
    richEdit1_->setSizePolicy(sp);
  }
  panel6_ = new QLabel(sheet);
  panel6_->setObjectName(QStringLiteral("Panel6"));
  panel6_->setAlignment(Qt::AlignCenter);
  panel6_->setFixedHeight(18);
  v->addWidget(panel6_);
  connect(richEdit1_, &TRichView::moreTextChanged, this, [this](bool more) { renderMoreIndicator(more); });
  richEdit1_->setLinkLinePredicate([this](int line) { return model_->IsAnswerLinkLine(line); });
  connect(richEdit1_, &TRichView::linkClicked, this, [this](int line) { model_->ClickLine(line); });
  connect(richEdit1_, &TRichView::painted, this, [this] {
    if (showStepRan_ && !firstPaintSignalled_) {
      firstPaintSignalled_ = true;
      emit firstPagePainted();
    }
  });
  connect(richEdit1_, &TRichView::fontStep, this, [this](int d) { model_->CtrlWheel(d); });

  // Panel7: the hint, the answer panels and the bottom bar.
  panel7_ = new QWidget(sheet);
  panel7_->setObjectName(QStringLiteral("Panel7"));
  auto* p7 = new QVBoxLayout(panel7_);
  p7->setContentsMargins(0, 0, 0, 0);
  p7->setSpacing(0);
  panel11_ = new QLabel(panel7_);
  panel11_->setObjectName(QStringLiteral("Panel11"));
  panel11_->setAlignment(Qt::AlignCenter);
  panel11_->setAutoFillBackground(true);
  {
    QPalette p = panel11_->palette();
    p.setColor(QPalette::Window, QColor(128, 128, 128));
    p.setColor(QPalette::WindowText, Qt::white);
    panel11_->setPalette(p);
  }
  panel11_->setContentsMargins(4, 3, 4, 3);
  panel11_->setWordWrap(true);
  p7->addWidget(panel11_);
  panel5_ = new QWidget(panel7_);
  panel5_->setObjectName(QStringLiteral("Panel5"));
  panel5Layout_ = new QVBoxLayout(panel5_);
  panel5Layout_->setContentsMargins(0, 0, 0, 0);
  panel5Layout_->setSpacing(0);
  p7->addWidget(panel5_);
  answerPanels_ = new AnswerPanels(panel5_, panel5Layout_, this);
  connect(answerPanels_, &AnswerPanels::choiceSelected, this, [this](int q, int c) { model_->SelectChoice(q, c); });
  connect(answerPanels_, &AnswerPanels::fieldEdited, this,
          [this](int q, const QString& t) { model_->SetFieldText(q, us(t)); });

  panel1_ = new QFrame(panel7_);
  panel1_->setObjectName(QStringLiteral("Panel1"));
  static_cast<QFrame*>(panel1_)->setFrameShape(QFrame::StyledPanel);
  auto* g = new QGridLayout(panel1_);
  g->setContentsMargins(6, 4, 6, 4);
  g->setHorizontalSpacing(8);
  g->setVerticalSpacing(2);

  speedButton27_ = new QPushButton(QStringLiteral("Q"), panel1_);
  speedButton27_->setObjectName(QStringLiteral("SpeedButton27"));
  speedButton27_->setToolTip(QStringLiteral("Quit"));
  speedButton27_->setFixedSize(36, 36);
  speedButton27_->setFocusPolicy(Qt::NoFocus);
  g->addWidget(speedButton27_, 0, 0, 3, 1, Qt::AlignVCenter);

  // The status line of marks has the bar's whole width above the rest: a page's worth of marks
  // (up to thirty a line) must show beside the name, the counter, the clock and the progress.
  label2_ = new QLabel(panel1_);
  label2_->setObjectName(QStringLiteral("Label2"));
  label2_->setTextFormat(Qt::PlainText);
  label2_->setIndent(0);
  label2_->setContentsMargins(22 - 6, 0, 0, 0);
  label2_->setMinimumHeight(label2_->fontMetrics().height());
  g->addWidget(label2_, 0, 1, 1, 6, Qt::AlignLeft | Qt::AlignVCenter);
  label3_ = new QLabel(panel1_);
  label3_->setObjectName(QStringLiteral("Label3"));
  label3_->setTextFormat(Qt::PlainText);
  label3_->setContentsMargins(22 - 6, 0, 0, 0);
  g->addWidget(label3_, 2, 1, 1, 1, Qt::AlignLeft | Qt::AlignTop);

  progressBar1_ = new QProgressBar(panel1_);
  progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
  progressBar1_->setTextVisible(false);
  progressBar1_->setFixedSize(120, 10);
  g->addWidget(progressBar1_, 2, 2, 1, 1, Qt::AlignRight | Qt::AlignVCenter);

  label1_ = new QLabel(panel1_);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setTextFormat(Qt::PlainText);
  g->addWidget(label1_, 1, 2, 1, 1, Qt::AlignRight | Qt::AlignBottom);
  label26_ = new QLabel(panel1_);
  label26_->setObjectName(QStringLiteral("Label26"));
  label26_->setTextFormat(Qt::PlainText);
  label26_->setMinimumWidth(40);
  label26_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  g->addWidget(label26_, 1, 3, 1, 1, Qt::AlignRight | Qt::AlignBottom);

  auto* fontBox = new QWidget(panel1_);
  auto* fv = new QVBoxLayout(fontBox);
  fv->setContentsMargins(0, 0, 0, 0);
  fv->setSpacing(1);
  auto* fh = new QHBoxLayout;
  fh->setSpacing(1);
  speedButton2_ = new QPushButton(QStringLiteral("＋"), fontBox);
  speedButton2_->setObjectName(QStringLiteral("SpeedButton2"));
  speedButton2_->setToolTip(QStringLiteral("Larger letters"));
  speedButton3_ = new QPushButton(QStringLiteral("－"), fontBox);
  speedButton3_->setObjectName(QStringLiteral("SpeedButton3"));
  speedButton3_->setToolTip(QStringLiteral("Smaller letters"));
  for (QPushButton* b : {speedButton3_, speedButton2_}) {
    b->setFixedSize(26, 24);
    b->setFocusPolicy(Qt::NoFocus);
    fh->addWidget(b);
  }
  fv->addLayout(fh);
  fontGauge_ = new QProgressBar(fontBox);
  fontGauge_->setObjectName(QStringLiteral("FFontGauge"));
  fontGauge_->setRange(0, 7);
  fontGauge_->setTextVisible(false);
  fontGauge_->setFixedSize(53, 8);
  {
    QPalette p = fontGauge_->palette();
    p.setColor(QPalette::Highlight, QColor(192, 192, 192));
    fontGauge_->setPalette(p);
  }
  fv->addWidget(fontGauge_);
  g->addWidget(fontBox, 1, 4, 2, 1, Qt::AlignVCenter);
  connect(speedButton2_, &QPushButton::clicked, this, [this] { model_->acBigLetter(); });
  connect(speedButton3_, &QPushButton::clicked, this, [this] { model_->acSmallLetter(); });

  speedButton4_ = new TDragButton(QStringLiteral("結果フォルダ"), panel1_);
  speedButton4_->setObjectName(QStringLiteral("SpeedButton4"));
  speedButton4_->setFocusPolicy(Qt::NoFocus);
  g->addWidget(speedButton4_, 1, 5, 2, 1, Qt::AlignVCenter);
  connect(speedButton4_, &QPushButton::clicked, this, [this] { model_->acOpenFolder(); });
  connect(speedButton4_, &TDragButton::dragRequested, this, [this] { dragResultFile(); });

  auto* forwardBox = new QWidget(panel1_);
  auto* fwv = new QVBoxLayout(forwardBox);
  fwv->setContentsMargins(0, 0, 0, 0);
  fwv->setSpacing(1);
  speedButton1_ = new QPushButton(QStringLiteral("Forward"), forwardBox);
  speedButton1_->setObjectName(QStringLiteral("SpeedButton1"));
  speedButton1_->setToolTip(QStringLiteral("Go to the next page"));
  speedButton1_->setMinimumSize(96, 36);
  speedButton1_->setFocusPolicy(Qt::NoFocus);
  fwv->addWidget(speedButton1_);
  checkBox3_ = new QCheckBox(QStringLiteral("SPSS対応"), forwardBox);
  checkBox3_->setObjectName(QStringLiteral("CheckBox3"));
  fwv->addWidget(checkBox3_);
  g->addWidget(forwardBox, 1, 6, 2, 1, Qt::AlignVCenter);
  connect(speedButton1_, &QPushButton::clicked, this, [this] {
    const bool forward = model_->TestView().speedButton1Action == app::ForwardBinding::acForward;
    model_->SpeedButton1Click();
    if (forward) dropQueuedInput();
  });
  // A click changes the model; the redraw then shows what the model holds.
  connect(checkBox3_, &QCheckBox::clicked, this, [this](bool checked) { model_->CheckBox3Click(checked); });
  connect(speedButton27_, &QPushButton::clicked, this, [this] {
    if (model_->SpeedButton27Click()) {
      closeApproved_ = true;
      close();
    }
  });

  g->setColumnStretch(1, 1);
  // The bar does not jump when a button comes or goes.
  for (QWidget* w :
       std::initializer_list<QWidget*>{speedButton1_, speedButton27_, speedButton4_, checkBox3_, label2_}) {
    QSizePolicy sp = w->sizePolicy();
    sp.setRetainSizeWhenHidden(true);
    w->setSizePolicy(sp);
  }
  p7->addWidget(panel1_);
  v->addWidget(panel7_);
}

void TForm1::renderMoreIndicator(bool more) {
  panel6_->setText(more ? QStringLiteral("▽") : QString());
  panel6_->setFrameStyle(more ? (QFrame::Panel | QFrame::Sunken) : QFrame::NoFrame);
}

void TForm1::ModelChanged() { render(); }

void TForm1::dropQueuedInput() {
  // A press of Forward is over: input that queued up while it ran (the second click of a double
  // click) is dropped until the queue has been worked off, for a zero timer fires only after
  // the window system's queued events. The event loop is not run here.
  discardInput_ = true;
  QTimer::singleShot(0, this, [this] { discardInput_ = false; });
}

void TForm1::SetRepaintSuspended(bool suspended) { richEdit1_->setUpdatesEnabled(!suspended); }

void TForm1::ProgressChanged() { renderProgressBar2(); }

void TForm1::renderProgressBar2() {
  const app::ProgressState& s = model_->ProgressBar2();
  const bool show = s.visible && createButton_ && createButton_->isVisible();
  // A changed value repaints the bar at once where the change shows.
  auto values = [&] {
    progressBar2_->setRange(0, std::max(1, s.maximum));
    progressBar2_->setValue(s.position);
  };
  if (!show) {
    values();
    progressBar2_->hide();
    return;
  }
  constexpr int kHeight = 6;
  const QPoint at = createButton_->mapTo(this, QPoint(0, createButton_->height() - kHeight));
  progressBar2_->setGeometry(at.x(), at.y(), createButton_->width(), kHeight);
  progressBar2_->raise();
  const bool appearing = !progressBar2_->isVisible();
  progressBar2_->show();
  values();
  // The compile holds the thread: the bar is painted now, not when the event loop comes round.
  if (appearing) progressBar2_->repaint();
}

void TForm1::render() {
  // A model change during rendering (a modal box the model opened) is rendered once more
  // afterwards.
  if (rendering_) {
    renderAgain_ = true;
    return;
  }
  rendering_ = true;
  do {
    renderAgain_ = false;
    const app::TForm1Model& m = *model_;
    const app::TestViewState& t = m.TestView();
    setWindowTitle(qs(m.Caption()));
    pageControl1_->setCurrentWidget(m.ActiveSheet() == app::Sheet::tsMain ? tsMain_ : tsEdit_);

    bool textChanged = false;
    if (!shownTextValid_ || !(t.richEdit1 == shownText_)) {
      richEdit1_->showRichText(t.richEdit1);
      shownText_ = t.richEdit1;
      shownTextValid_ = true;
      textChanged = true;
    }
    // Moving the caret scrolls to it: only when the model moved it, or the examinee's own
    // scrolling would be undone by every tick of the clock.
    if (textChanged || t.caret != shownCaret_) {
      shownCaret_ = t.caret;
      QTextCursor c = richEdit1_->textCursor();
      const int end = richEdit1_->document()->characterCount() - 1;
      c.setPosition(std::clamp(static_cast<int>(t.caret), 0, std::max(0, end)));
      richEdit1_->setTextCursor(c);
    }
    if (t.scrollGeneration != shownScrollGeneration_) {
      shownScrollGeneration_ = t.scrollGeneration;
      if (t.scroll == app::ScrollRequest::Top) richEdit1_->scrollToTop();
      if (t.scroll == app::ScrollRequest::End) richEdit1_->scrollToEnd();
    }
    richEdit1_->setVisible(t.richEdit1Visible);
    richEdit1_->setKeysLocked(t.readOnly);
    {
      QPalette p = richEdit1_->palette();
      p.setColor(QPalette::Base,
                 t.background < 0 ? QApplication::palette().color(QPalette::Base) : colorOf(t.background));
      richEdit1_->setPalette(p);
    }
    richEdit1_->setLineWrapMode(t.wordWrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    richEdit1_->setHorizontalScrollBarPolicy(t.horizontalScrollBar ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);

    applyLabel(label1_, t.label1);
    applyLabel(label2_, t.label2);
    applyLabel(label3_, t.label3);
    applyLabel(label26_, t.label26);
    progressBar1_->setRange(0, std::max(1, t.progressBar1.maximum));
    progressBar1_->setValue(t.progressBar1.position);
    progressBar1_->setVisible(t.progressBar1.visible);
    fontGauge_->setValue(t.fontLevel);
    speedButton2_->setVisible(t.fontButtonsVisible);
    speedButton3_->setVisible(t.fontButtonsVisible);
    fontGauge_->setVisible(t.fontButtonsVisible);

    panel11_->setText(qs(t.panel11Caption));
    panel11_->setVisible(t.panel11Visible);
    panel5_->setVisible(t.panel5Visible);
    renderAnswerPanels();

    const bool copy = t.speedButton1Action == app::ForwardBinding::acCopyRec;
    speedButton1_->setText(copy ? QStringLiteral("Copy") : QStringLiteral("Forward"));
    speedButton1_->setToolTip(copy ? QStringLiteral("Copy the result") : QStringLiteral("Go to the next page"));
    speedButton1_->setVisible(t.speedButton1Visible);
    speedButton1_->setEnabled(copy || m.acForwardState().enabled);
    speedButton27_->setVisible(t.speedButton27Visible);
    checkBox3_->setVisible(t.checkBox3Visible);
    checkBox3_->setChecked(t.checkBox3Checked);
    applyAction(speedButton4_, m.acOpenFolderState());

    renderProgressBar2();
    applyAction(tbPageEditing_, m.acPageEditingState());
    for (auto [b, st] :
         {std::pair{tbPageReading_, &m.acPageReadingState()}, std::pair{tbPageSave_, &m.acPageSaveState()},
          std::pair{tbPageSaveAs_, &m.acPageSaveAsState()}, std::pair{tbOpenProject_, &m.acOpenProjectState()}}) {
      b->setVisible(st->visible);
      b->setEnabled(st->enabled);
    }
    if (editView_ && m.ActiveSheet() == app::Sheet::tsEdit) editView_->render();

    renderTimers();
    if (totals_) totals_->Render();
  } while (renderAgain_);
  rendering_ = false;
}

void TForm1::applyTimer(QTimer& t, const app::TimerState& s, app::TimerState& last) {
  if (s == last) return;
  last = s;
  if (s.enabled)
    t.start(std::max(1, s.intervalMs));
  else
    t.stop();
}

void TForm1::renderTimers() {
  applyTimer(timer1_, model_->Timer1(), lastTimer1_);
  applyTimer(timer2_, model_->Timer2(), lastTimer2_);
  applyTimer(tmSnaile_, model_->tmSnaile(), lastSnaile_);
}

void TForm1::renderAnswerPanels() { answerPanels_->sync(model_->AnswerPanels()); }

void TForm1::dragResultFile() {
  const std::string name = model_->acOpenFolderState().hint;
  const std::string path = app::JoinPath(model_->ReportFolder(), name);
  if (name.empty() || !app::FileExists(path)) {
    ports_.dialogs->message(name + " ファイルが存在しない");
    return;
  }
  auto* drag = new QDrag(speedButton4_);
  auto* mime = new QMimeData;
  mime->setUrls({QUrl::fromLocalFile(QFileInfo(qs(path)).absoluteFilePath())});
  drag->setMimeData(mime);
  drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void TForm1::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (showStepDone_) return;
  showStepDone_ = true;
  // The show step opens the command-line test; it may ask questions, so it runs once the window
  // is up rather than inside the show event.
  QMetaObject::invokeMethod(
      this,
      [this] {
        model_->Show(options_.examineeOnly);
        if (!options_.examineeOnly) shell_->openCommandLineProject(options_.args);
        showStepRan_ = true;
        render();
      },
      Qt::QueuedConnection);
}

void TForm1::rememberPlacement() {
  if (isMinimized() || isMaximized() || isFullScreen()) return;
  model_->SetPlacement(platform::Rect{pos().x(), pos().y(), width(), height()});
}

void TForm1::moveEvent(QMoveEvent* e) {
  QMainWindow::moveEvent(e);
  rememberPlacement();
}

void TForm1::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  rememberPlacement();
}

void TForm1::closeEvent(QCloseEvent* e) {
  if (!closeApproved_ && !model_->FormCloseQuery()) {
    e->ignore();
    render();
    return;
  }
  closeApproved_ = false;
  rememberPlacement();
  if (totals_) totals_->BeforeClose();
  model_->FormClose();
  e->accept();
}

bool TForm1::ownsWidget(QObject* o) const {
  auto* w = qobject_cast<QWidget*>(o);
  if (!w) {
    if (auto* win = qobject_cast<QWindow*>(o)) return win == windowHandle();
    return false;
  }
  return w->window() == this;
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
  const QEvent::Type type = e->type();
  if (discardInput_ && isInputEvent(type) && ownsWidget(watched)) return true;
  if (type == QEvent::KeyPress && ownsWidget(watched) && qobject_cast<QWidget*>(watched)) {
    auto* k = static_cast<QKeyEvent*>(e);
    if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && !QApplication::activeModalWidget()) {
      if (model_->HandleEnterKey()) {
        dropQueuedInput();
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

}  // namespace ruvo::gui
