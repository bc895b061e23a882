#include "gui/delivery/deliverywindow.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/delivery/webroomsection.h"

namespace ruvo::gui {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

std::vector<std::string> localPaths(const QMimeData* mime) {
  std::vector<std::string> out;
  if (!mime) return out;
  for (const QUrl& u : mime->urls())
    if (u.isLocalFile()) out.push_back(u.toLocalFile().toStdString());
  return out;
}

QLabel* bigLetter(const QString& letter, QWidget* parent) {
  auto* l = new QLabel(letter, parent);
  QFont f(QStringLiteral("Times New Roman"));
  f.setPointSize(26);
  f.setBold(true);
  l->setFont(f);
  l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  l->setMinimumWidth(32);
  return l;
}

QLabel* note(const std::string& text, QWidget* parent) {
  auto* l = new QLabel(q(text), parent);
  l->setWordWrap(true);
  return l;
}

QLabel* folderLabel(QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  l->setMinimumWidth(380);
  l->setFrameShape(QFrame::StyledPanel);
  return l;
}

void apply(QLabel* w, const delivery::Label& l) {
  w->setText(q(l.caption));
  w->setToolTip(w->text());  // a long folder path is cut by the fixed-size window
  w->setEnabled(l.enabled);
}

void apply(QCheckBox* w, const delivery::CheckBox& c) {
  const QSignalBlocker quiet(w);
  w->setChecked(c.checked);
  w->setEnabled(c.enabled);
}

}  // namespace

TDropGroupBox::TDropGroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) { setAcceptDrops(true); }

void TDropGroupBox::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData() && e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TDropGroupBox::dragMoveEvent(QDragMoveEvent* e) {
  if (e->mimeData() && e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TDropGroupBox::dropEvent(QDropEvent* e) {
  QStringList paths;
  for (const auto& p : localPaths(e->mimeData())) paths << q(p);
  if (paths.isEmpty()) return;
  e->acceptProposedAction();
  emit dropped(paths);
}

TForm3::TForm3(delivery::TForm3Model& model, QWidget* parent) : QDialog(parent), model_(model) {
  setWindowTitle(QStringLiteral("Delivery"));
  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(6);

  Button5 = new QPushButton(QStringLiteral("閉じる"), this);
  Button5->setDefault(true);
  auto* top = new QHBoxLayout;
  top->addStretch();
  top->addWidget(Button5);
  grid->addLayout(top, 0, 0, 1, 4);

  // L: from teacher to learners.
  gbToLearners = new TDropGroupBox(QStringLiteral("from teacher to learners"), this);
  {
    auto* v = new QVBoxLayout(gbToLearners);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("配布先:"), gbToLearners));
    lbToLearners = folderLabel(gbToLearners);
    row->addWidget(lbToLearners, 1);
    v->addLayout(row);
    lbMsgToLearners = note(model_.lbMsgToLearners.caption, gbToLearners);
    v->addWidget(lbMsgToLearners);
  }
  grid->addWidget(bigLetter(QStringLiteral("L"), this), 1, 0);
  grid->addWidget(gbToLearners, 1, 1);

  // T: from learners to teacher.
  gbToTeacher = new TDropGroupBox(QStringLiteral("from leaners to teacher"), this);
  {
    auto* v = new QVBoxLayout(gbToTeacher);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("回収先"), gbToTeacher));
    lbToTeacher = folderLabel(gbToTeacher);
    row->addWidget(lbToTeacher, 1);
    v->addLayout(row);
    lbMsgToTeacher = note(model_.lbMsgToTeacher.caption, gbToTeacher);
    v->addWidget(lbMsgToTeacher);
  }
  grid->addWidget(bigLetter(QStringLiteral("T"), this), 2, 0);
  grid->addWidget(gbToTeacher, 2, 1);

  // S: send to learners.
  gbSendRuvo = new TDropGroupBox(QStringLiteral("send to learners"), this);
  {
    auto* v = new QVBoxLayout(gbSendRuvo);
    cbSendRuvoExe = new QCheckBox(QStringLiteral("受験者用ルーヴォ実行ファイル （ruvo.exe）"), gbSendRuvo);
    cbSendEnvi =
        new QCheckBox(QStringLiteral("結果ファイルの回収先フォルダ自動設定ファイル （ruvo_envi.dat）"), gbSendRuvo);
    cbSendRuvoFile = new QCheckBox(QStringLiteral("読解問題やアンケートなどのルーヴォファイル （*.ruvo）"), gbSendRuvo);
    v->addWidget(cbSendRuvoExe);
    v->addWidget(cbSendEnvi);
    auto* row = new QHBoxLayout;
    row->addWidget(cbSendRuvoFile, 1);
    Button1 = new QPushButton(QStringLiteral("送る"), gbSendRuvo);
    row->addWidget(Button1);
    v->addLayout(row);
    lbMsgSendRuvoFile = note(model_.lbMsgSendRuvoFile.caption, gbSendRuvo);
    v->addWidget(lbMsgSendRuvoFile);
    lbRuvos = new QLabel(gbSendRuvo);
    lbRuvos->setWordWrap(true);
    v->addWidget(lbRuvos);
  }
  grid->addWidget(bigLetter(QStringLiteral("S"), this), 3, 0);
  grid->addWidget(gbSendRuvo, 3, 1);

  // A: action.
  GroupBox4 = new QGroupBox(QStringLiteral("action"), this);
  {
    auto* v = new QVBoxLayout(GroupBox4);
    auto* row = new QHBoxLayout;
    Button4 = new QPushButton(QStringLiteral("開始"), GroupBox4);
    row->addWidget(Button4);
    row->addWidget(new QLabel(QStringLiteral("結果ファイルの自動集計を始める"), GroupBox4), 1);
    v->addLayout(row);
    cbRetrieve = new QCheckBox(QStringLiteral("集計時に 結果ファイルを report 年月日フォルダに 回収する"), GroupBox4);
    v->addWidget(cbRetrieve);
  }
  grid->addWidget(bigLetter(QStringLiteral("A"), this), 4, 0);
  grid->addWidget(GroupBox4, 4, 1);

  // W: the web test room, beside the folders it serves from and collects into.
  gbWeb = new TWebRoomSection(model_, this);
  gbWeb->setObjectName(QStringLiteral("gbWeb"));
  grid->addWidget(bigLetter(QStringLiteral("W"), this), 1, 2);
  grid->addWidget(gbWeb, 1, 3, 4, 1);

  connect(gbToLearners, &TDropGroupBox::dropped, this,
          [this](const QStringList& p) { dropOn(delivery::DropBox::ToLearners, p); });
  connect(gbToTeacher, &TDropGroupBox::dropped, this,
          [this](const QStringList& p) { dropOn(delivery::DropBox::ToTeacher, p); });
  connect(gbSendRuvo, &TDropGroupBox::dropped, this,
          [this](const QStringList& p) { dropOn(delivery::DropBox::SendRuvo, p); });
  connect(cbSendRuvoExe, &QCheckBox::toggled, this, [this](bool on) { model_.cbSendRuvoExe.checked = on; });
  connect(cbSendEnvi, &QCheckBox::toggled, this, [this](bool on) { model_.cbSendEnvi.checked = on; });
  connect(cbSendRuvoFile, &QCheckBox::toggled, this, [this](bool on) { model_.cbSendRuvoFile.checked = on; });
  connect(cbRetrieve, &QCheckBox::toggled, this, [this](bool on) { model_.cbRetrieve = on; });
  connect(Button1, &QPushButton::clicked, this, [this] { model_.Send(); });
  connect(Button4, &QPushButton::clicked, this, [this] {
    if (model_.Start()) accept();
  });
  connect(Button5, &QPushButton::clicked, this, &QDialog::reject);

  model_.onChanged = [this] { refresh(); };
  refresh();
  setFixedSize(sizeHint());
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    const QRect r = s->availableGeometry();
    move(r.left() + (r.width() - width()) / 2, r.top() + (r.height() - height()) / 2);
  }
}

TForm3::~TForm3() { model_.onChanged = nullptr; }

void TForm3::dropOn(delivery::DropBox box, const QStringList& paths) {
  activateWindow();
  std::vector<std::string> items;
  for (const QString& p : paths) items.push_back(p.toStdString());
  model_.Drop(box, items);
  refresh();
}

void TForm3::refresh() {
  apply(lbToLearners, model_.lbToLearners);
  apply(lbToTeacher, model_.lbToTeacher);
  apply(lbMsgToLearners, model_.lbMsgToLearners);
  apply(lbMsgToTeacher, model_.lbMsgToTeacher);
  apply(lbMsgSendRuvoFile, model_.lbMsgSendRuvoFile);
  lbRuvos->setText(q(model_.lbRuvos));
  apply(cbSendRuvoExe, model_.cbSendRuvoExe);
  apply(cbSendEnvi, model_.cbSendEnvi);
  apply(cbSendRuvoFile, model_.cbSendRuvoFile);
  const QSignalBlocker quiet(cbRetrieve);
  cbRetrieve->setChecked(model_.cbRetrieve);
}

}  // namespace ruvo::gui
