#include "gui/report/form4.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <cmath>

#include "gui/report/chartpainter.h"

namespace ruvo::gui {

void TChartImage::setImage(const QImage& img) {
  image_ = img;
  update();
}

void TChartImage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  if (!image_.isNull()) p.drawImage(rect(), image_);
}

std::vector<QPixmap> RotateFrames() {
  std::vector<QPixmap> frames;
  for (int k = 0; k < 10; ++k) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Ten dots on a ring, the bright one moving a tenth of a turn per frame with a fading tail.
    for (int d = 0; d < 10; ++d) {
      const double a = (d * 36 - 90) * M_PI / 180;
      const int age = (k - d + 10) % 10;
      const int shade = age == 0 ? 0 : std::min(230, 90 + age * 25);
      p.setPen(Qt::NoPen);
      p.setBrush(age == 0 ? QColor(0, 0, 128) : QColor(shade, shade, shade));
      p.drawEllipse(QPointF(8 + 5.5 * std::cos(a), 8 + 5.5 * std::sin(a)), 1.6, 1.6);
    }
    frames.push_back(pm);
  }
  return frames;
}

TForm4::TForm4(platform::Dialogs* dialogs, platform::Clipboard* clipboard, QWidget* parent)
    : QWidget(parent, Qt::Window),
      dialogs_(dialogs ? dialogs : &platform::nullDialogs()),
      clipboard_(clipboard ? clipboard : &platform::nullClipboard()) {
  setWindowTitle(QStringLiteral("Feedback Graph"));
  resize(report::kFeedbackWidth, report::kFeedbackHeight);
  if (const QScreen* s = QGuiApplication::primaryScreen()) {
    const QRect g = s->geometry();
    move((g.width() - width()) / 2, (g.height() - height()) / 2);
  }
  ctrlHeld_ = [] { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier); };

  Image1 = new TChartImage(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Animate1 = new QLabel(this);
  Animate1->setObjectName(QStringLiteral("Animate1"));
  Animate1->setGeometry(8, 8, 16, 16);
  frames_ = RotateFrames();
  Animate1->setPixmap(frames_[0]);
  rotate_.setInterval(100);
  QObject::connect(&rotate_, &QTimer::timeout, this, [this] {
    rotateFrame_ = (rotateFrame_ + 1) % static_cast<int>(frames_.size());
    Animate1->setPixmap(frames_[static_cast<std::size_t>(rotateFrame_)]);
  });
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setGeometry(67, 96, 358, 16);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->hide();

  tmGraph.setInterval(AnimeDure);
  QObject::connect(&tmGraph, &QTimer::timeout, this, [this] {
    if (poll_) poll_();
  });
  tmAnime.setInterval(report::kReplayTickMs);
  QObject::connect(&tmAnime, &QTimer::timeout, this, [this] { animeTick(); });

  PopupMenu1 = new QMenu(this);
  N1 = PopupMenu1->addAction(QStringLiteral("自動集計停止(&S)"), this, [this] { acTimerOff(); });
  N2 = PopupMenu1->addAction(QStringLiteral("自動集計開始(&S)"), this, [this] { acTimerOn(); });
  miInterval = PopupMenu1->addMenu(QStringLiteral("間隔 / 秒(&I)"));
  intervalGroup_ = new QActionGroup(this);
  for (int s : report::kIntervalChoices) {
    QAction* a = miInterval->addAction(QString::number(s));
    a->setCheckable(true);
    intervalGroup_->addAction(a);
    QObject::connect(a, &QAction::triggered, this, [this, s] { tmGraph.setInterval(s * 1000); });
    intervalItems_.push_back(a);
  }
  PopupMenu1->addSeparator();
  B1 = PopupMenu1->addAction(QStringLiteral("アニメーション(&A)"), this, [this] { acStartAnime(); });
  miAnimeDure = PopupMenu1->addMenu(QStringLiteral("アニメーション時間 / 秒(&D)"));
  dureGroup_ = new QActionGroup(this);
  for (int s : report::kAnimeDureChoices) {
    QAction* a = miAnimeDure->addAction(QString::number(s) + QStringLiteral(" sec"));
    a->setCheckable(true);
    dureGroup_->addAction(a);
    QObject::connect(a, &QAction::triggered, this, [this, s] { AnimeDure = s * 1000; });
    dureItems_.push_back(a);
  }
  PopupMenu1->addSeparator();
  Copy1 = PopupMenu1->addAction(QStringLiteral("コピー(&C)"), this, [this] { acGraphCopy(); });
  QObject::connect(PopupMenu1, &QMenu::aboutToShow, this, [this] {
    N2->setEnabled(!tmGraph.isActive());
    N1->setEnabled(tmGraph.isActive());
  });
  markChoices();
  empty_.DrawFrame();
  ShowChart(empty_.FrameChart());
}

void TForm4::ApplySettings(int intervalMs, int animeDureMs) {
  tmGraph.setInterval(std::max(report::kMinCollectionInterval, intervalMs));
  AnimeDure = animeDureMs;
  markChoices();
}

void TForm4::markChoices() {
  // Without a matching item the interval keeps "7" marked; the replay length shows none.
  const int i = report::ChoiceFor(report::kIntervalChoices, tmGraph.interval());
  const int fallback = report::ChoiceFor(report::kIntervalChoices, report::kDefaultAnimeDure);
  for (auto* a : intervalItems_) a->setChecked(false);
  intervalItems_[static_cast<std::size_t>(i >= 0 ? i : fallback)]->setChecked(true);
  const int d = report::ChoiceFor(report::kAnimeDureChoices, AnimeDure);
  dureGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (auto* a : dureItems_) a->setChecked(false);
  if (d >= 0) dureItems_[static_cast<std::size_t>(d)]->setChecked(true);
  dureGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
}

report::TWpmScores& TForm4::scores() {
  report::TWpmScores& s = scores_ ? *scores_ : empty_;
  if (operatorName_) s.OperatorName = operatorName_();
  return s;
}

void TForm4::UpdateGraph() {
  report::TWpmScores& s = scores();
  s.DrawGraph();
  ShowChart(s.GraphChart());
}

void TForm4::ShowChart(const report::TChart& chart) { Image1->setImage(RenderChart(chart)); }

void TForm4::acTimerOn() {
  tmGraph.start();
  rotate_.start();
}

void TForm4::acTimerOff() {
  tmGraph.stop();
  rotate_.stop();
}

void TForm4::acStartAnime() {
  report::TWpmScores& s = scores();
  if (!Replay.Start(s, AnimeDure, tmAnime.interval())) return;
  ProgressBar1->setRange(0, Replay.Steps());
  ProgressBar1->setValue(0);
  ProgressBar1->show();
  s.DrawFrame();
  ShowChart(s.FrameChart());
  tmAnime.start();
  animeTick();
}

void TForm4::animeTick() {
  double until = 0;
  if (!Replay.Tick(until)) {
    tmAnime.stop();
    ProgressBar1->hide();
    return;
  }
  report::TWpmScores& s = scores_ ? *scores_ : empty_;
  s.DrawGraphUntil(until);
  ShowChart(s.GraphChart());
  ProgressBar1->setValue(std::min(Replay.Position(), Replay.Steps()));
  if (Replay.Position() >= Replay.Steps()) ProgressBar1->hide();
}

void TForm4::acGraphCopy() {
  // The chart as shown, less its last row and column, as a 24-bit picture.
  QImage img = Image1->grab(QRect(0, 0, std::max(1, Image1->width() - 1), std::max(1, Image1->height() - 1)))
                   .toImage()
                   .convertToFormat(QImage::Format_RGB888);
  if (ctrlHeld_ && ctrlHeld_()) {
    const QRgb silver = qRgb(192, 192, 192), white = qRgb(255, 255, 255);
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (img.pixel(x, y) == silver) img.setPixel(x, y, white);
  }
  QByteArray png;
  QBuffer buf(&png);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, "PNG");
  clipboard_->setImagePng(png.toStdString());
  dialogs_->message("クリップボードにコピーしました\r\n画像ソフトやワードに貼り付けられます");
}

void TForm4::resizeEvent(QResizeEvent*) {
  const platform::Rect r = report::ChartPlace(width(), height());
  Image1->setGeometry(r.left, r.top, r.width, r.height);
  Animate1->raise();
  ProgressBar1->raise();
}

void TForm4::showEvent(QShowEvent*) { ProgressBar1->hide(); }

void TForm4::hideEvent(QHideEvent*) { acTimerOff(); }

void TForm4::contextMenuEvent(QContextMenuEvent* e) { PopupMenu1->exec(e->globalPos()); }

}  // namespace ruvo::gui
