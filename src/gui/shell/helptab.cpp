#include "gui/shell/helptab.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QTime>
#include <QVBoxLayout>

#include "core/shell/help.h"
#include "gui/platform/qtports.h"

namespace ruvo::gui {

namespace {
const QColor kLinkBlue(0, 0, 255);
const QColor kLinkPurple(128, 0, 128);

// The tab's picture: a stopwatch standing on an open book, drawn in pale colours so that the
// links in front of it stay readable. Drawn for a box of 3 x 5.
class Illustration final : public QWidget {
 public:
  static constexpr double kAspect = 3.0 / 5.0;  // width / height
  explicit Illustration(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Image12"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setEnabled(false);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(width() / 300.0, height() / 500.0);
    const QColor ink(70, 110, 170, 90), paper(200, 220, 245, 80), face(255, 250, 230, 110);
    p.setPen(QPen(ink, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));

    // The open book.
    QPainterPath left, right;
    left.moveTo(150, 470);
    left.cubicTo(110, 440, 60, 440, 15, 455);
    left.lineTo(15, 330);
    left.cubicTo(60, 315, 110, 315, 150, 345);
    left.closeSubpath();
    right.moveTo(150, 470);
    right.cubicTo(190, 440, 240, 440, 285, 455);
    right.lineTo(285, 330);
    right.cubicTo(240, 315, 190, 315, 150, 345);
    right.closeSubpath();
    p.setBrush(paper);
    p.drawPath(left);
    p.drawPath(right);
    p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) {
      const double y = 360 + i * 22;
      p.drawLine(QPointF(35, y), QPointF(130, y + 10));
      p.drawLine(QPointF(170, y + 10), QPointF(265, y));
    }

    // The stopwatch above it.
    p.setPen(QPen(ink, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(paper);
    p.drawRoundedRect(QRectF(132, 40, 36, 26), 6, 6);
    p.drawLine(QPointF(150, 66), QPointF(150, 80));
    p.drawLine(QPointF(225, 105), QPointF(240, 90));
    p.setBrush(face);
    const QPointF centre(150, 185);
    p.drawEllipse(centre, 105, 105);
    p.setPen(QPen(ink, 4, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 12; ++i) {
      p.save();
      p.translate(centre);
      p.rotate(i * 30);
      p.drawLine(QPointF(0, -92), QPointF(0, i % 3 == 0 ? -76 : -84));
      p.restore();
    }
    p.setPen(QPen(QColor(200, 60, 60, 110), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, QPointF(150 + 55, 185 - 45));
    p.setPen(QPen(ink, 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, QPointF(150, 185 - 70));
    p.setBrush(ink);
    p.drawEllipse(centre, 6, 6);
  }
};
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

  illustration_ = new Illustration(this);
  illustration_->lower();

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
  // Eight tenths of the tab's height, its own proportions, in the bottom right corner.
  const int h = height() * 8 / 10;
  const int w = static_cast<int>(h * Illustration::kAspect);
  illustration_->setGeometry(width() - w, height() - h, w, h);
  illustration_->lower();
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
