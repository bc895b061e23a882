#include "gui/shell/helptab.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QTime>
#include <QVBoxLayout>

#include "core/shell/help.h"
#include "gui/platform/qtports.h"

namespace ruvo::gui {

namespace {
const QColor kLinkBlue(0, 0, 255);
const QColor kLinkPurple(128, 0, 128);
}  // namespace

THelpTab::THelpTab(platform::Ports ports, std::string programFolder, QWidget* parent)
    : QWidget(parent), ports_(ports), programFolder_(std::move(programFolder)) {
  setObjectName(QStringLiteral("tsHelp"));
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(12, 12, 12, 12);
  v->setSpacing(4);

  panel23_ = new QWidget(this);
  panel23_->setObjectName(QStringLiteral("Panel23"));
  auto* p23 = new QVBoxLayout(panel23_);
  p23->setContentsMargins(0, 0, 0, 0);
  p23->setSpacing(6);
  for (const char* c : {"Label17", "Label18", "Label11", "Label12", "Label13", "Label19", "Label20", "Label21"})
    addLink(panel23_, c);
  more_ = new QLabel(QStringLiteral("more"), panel23_);
  more_->setObjectName(QStringLiteral("LabelMore"));
  more_->setCursor(Qt::PointingHandCursor);
  more_->installEventFilter(this);
  setHot(more_, false);
  p23->addWidget(more_);
  v->addWidget(panel23_);

  // Directly below the first links, in the place of "more".
  panel24_ = new QWidget(panel23_);
  panel24_->setObjectName(QStringLiteral("Panel24"));
  auto* p24 = new QVBoxLayout(panel24_);
  p24->setContentsMargins(0, 0, 0, 0);
  p24->setSpacing(6);
  for (const char* c : {"Label24", "Label22", "Label23", "Label25"}) addLink(panel24_, c);
  panel24_->hide();
  p23->addWidget(panel24_);
  v->addStretch(1);

  // The panel behind the links puts every link back to blue.
  setMouseTracking(true);
  installEventFilter(this);
  panel23_->installEventFilter(this);
  panel24_->installEventFilter(this);

  // The snail is placed by hand: it climbs and crawls where the layout has no say.
  snail_ = new QLabel(this);
  snail_->setObjectName(QStringLiteral("lbSnail"));
  QPalette p = snail_->palette();
  p.setColor(QPalette::WindowText, QColor(0, 128, 0));
  snail_->setPalette(p);
  snailModel_ = std::make_unique<shell::TSnail>(geometry());
  snail_->setText(QString::fromUtf8(snailModel_->Text()));
}

QLabel* THelpTab::addLink(QWidget* panel, const char* control) {
  const shell::HelpLink* link = shell::FindHelpLink(control);
  auto* l = new QLabel(qs(link ? link->caption : control), panel);
  l->setObjectName(QString::fromLatin1(control));
  l->setCursor(Qt::PointingHandCursor);
  l->setProperty("anchor", QString::fromUtf8(link ? link->anchor : ""));
  l->installEventFilter(this);
  setHot(l, false);
  panel->layout()->addWidget(l);
  links_.push_back(l);
  return l;
}

QLabel* THelpTab::link(const char* control) const {
  for (QLabel* l : links_)
    if (l->objectName() == QLatin1String(control)) return l;
  return nullptr;
}

void THelpTab::setHot(QLabel* l, bool hot) {
  QFont f = l->font();
  f.setUnderline(true);
  f.setBold(hot);
  l->setFont(f);
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, hot ? kLinkPurple : kLinkBlue);
  l->setPalette(p);
}

bool THelpTab::eventFilter(QObject* watched, QEvent* e) {
  auto* label = qobject_cast<QLabel*>(watched);
  const bool isLink = label && (label == more_ || std::find(links_.begin(), links_.end(), label) != links_.end());
  if (isLink && e->type() == QEvent::Enter) {
    setHot(label, true);
  } else if (isLink && e->type() == QEvent::MouseButtonRelease &&
             static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
    if (label == more_) {
      more_->hide();
      panel24_->show();
    } else {
      shell::OpenHelpAt(ports_, shell::ManualPath(programFolder_), us(label->property("anchor").toString()));
    }
    return true;
  } else if (!isLink && (watched == this || watched == panel23_ || watched == panel24_) &&
             (e->type() == QEvent::MouseMove || e->type() == QEvent::Enter)) {
    for (QLabel* l : links_) setHot(l, false);
    setHot(more_, false);
  }
  return QWidget::eventFilter(watched, e);
}

shell::TSnail::Geometry THelpTab::geometry() const {
  const QFontMetrics fm(snail_->font());
  shell::TSnail::Geometry g;
  g.labelWidth = std::max(1, width() - 24);
  g.labelHeight = fm.height();
  g.parentHeight = height();
  g.blankWidth = std::max(1, fm.horizontalAdvance(QLatin1Char(' ')));
  return g;
}

void THelpTab::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  // A new size starts the snail again at the bottom.
  snailModel_ = std::make_unique<shell::TSnail>(geometry());
  const auto g = geometry();
  snail_->setGeometry(12, snailModel_->Top(), g.labelWidth, g.labelHeight);
  snail_->setText(QString::fromUtf8(snailModel_->Text()));
}

void THelpTab::tick(int second) {
  const auto g = geometry();
  snailModel_->Tick(second, g, QRandomGenerator::global()->bounded(3));
  snail_->setGeometry(12, snailModel_->Top(), g.labelWidth, g.labelHeight);
  snail_->setText(QString::fromUtf8(snailModel_->Text()));
}

void THelpTab::tick() { tick(QTime::currentTime().second()); }

}  // namespace ruvo::gui
