#include "gui/delivery/webroomsection.h"

#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/delivery/delivery.h"
#include "core/platform/status.h"

namespace ruvo::gui {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

constexpr const char* kIdle = "停止中。配布先フォルダのテストをブラウザで受けられるようにします。";
constexpr const char* kStarting = "開始しています…";
constexpr const char* kServing =
    "受付中。受験者はブラウザでこのアドレス（または QR コード）を開き、参加コードを入れます。"
    "このウィンドウを閉じても、停止を押すまで受け付けます。";
constexpr const char* kStopping = "停止しています…";

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Why the room did not open, in the window's words: the room's own message names the port or
// the folder; anything else is shown as the room says it.
std::string failureText(const std::string& detail, int port) {
  if (detail.rfind("cannot listen on", 0) == 0)
    return port > 0 ? "ポート " + std::to_string(port) +
                          " は他のプログラムが使っています。別のポートにするか「自動」にしてから、やり直してください。"
                    : "待ち受けるポートを開けませんでした。";
  const std::string unreadable = ": not a folder that can be read", unmade = ": the folder cannot be made";
  if (endsWith(detail, unreadable))
    return "フォルダを読めません。\n" + detail.substr(0, detail.size() - unreadable.size());
  if (endsWith(detail, unmade)) return "フォルダを作れません。\n" + detail.substr(0, detail.size() - unmade.size());
  return detail.empty() ? std::string("理由は分かりません。") : detail;
}

QTableWidgetItem* countItem(int n) {
  auto* it = new QTableWidgetItem(QString::number(n));
  it->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return it;
}

}  // namespace

QImage PaintQrCode(const web::TQrCode& code, int modulePx) {
  if (code.Empty() || modulePx < 1) return {};
  const int quiet = web::TQrCode::kQuietZone;
  const int side = (code.Width() + 2 * quiet) * modulePx;
  QImage img(side, side, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  for (int y = 0; y < code.Width(); ++y)
    for (int x = 0; x < code.Width(); ++x)
      if (code.Dark(x, y)) p.fillRect((x + quiet) * modulePx, (y + quiet) * modulePx, modulePx, modulePx, Qt::black);
  return img;
}

TWebRoomSection::TWebRoomSection(delivery::TForm3Model& model, QWidget* parent)
    : QGroupBox(QStringLiteral("Webテスト室（ブラウザで受験）"), parent), model_(model) {
  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(8);

  auto* buttons = new QHBoxLayout;
  btWebStart = new QPushButton(QStringLiteral("開始"), this);
  btWebStop = new QPushButton(QStringLiteral("停止"), this);
  buttons->addWidget(btWebStart);
  buttons->addWidget(btWebStop);
  buttons->addSpacing(12);
  buttons->addWidget(new QLabel(QStringLiteral("ポート"), this));
  sePort = new QSpinBox(this);
  sePort->setRange(0, 65535);
  sePort->setSpecialValueText(QStringLiteral("自動"));
  sePort->setValue(kDefaultPort);
  sePort->setToolTip(QStringLiteral("同じポートで開き直せば、受験中のブラウザはそのまま続けられます"));
  buttons->addWidget(sePort);
  buttons->addSpacing(12);
  buttons->addWidget(new QLabel(QStringLiteral("参加コード"), this));
  edCode = new QLineEdit(this);
  edCode->setPlaceholderText(QStringLiteral("自動"));
  edCode->setMaxLength(16);
  edCode->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z0-9]{0,16}")), edCode));
  edCode->setFixedWidth(edCode->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 9);
  buttons->addWidget(edCode);
  buttons->addStretch();
  grid->addLayout(buttons, 0, 0, 1, 2);

  lbWebState = new QLabel(this);
  lbWebState->setWordWrap(true);
  grid->addWidget(lbWebState, 1, 0, 1, 2);

  auto* left = new QVBoxLayout;
  auto* addrRow = new QHBoxLayout;
  addrRow->addWidget(new QLabel(QStringLiteral("アドレス:"), this));
  lbWebAddress = new QLabel(this);
  lbWebAddress->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  lbWebAddress->setFrameShape(QFrame::StyledPanel);
  {
    QFont f = lbWebAddress->font();
    f.setPointSizeF(f.pointSizeF() * 1.25);
    f.setBold(true);
    lbWebAddress->setFont(f);
  }
  addrRow->addWidget(lbWebAddress, 1);
  // The address on a row of its own, as wide as the section: the longest (four three-digit
  // numbers and a five-digit port) shows whole.
  lbWebAddress->setMinimumWidth(
      lbWebAddress->fontMetrics().horizontalAdvance(QStringLiteral("http://255.255.255.255:65535/")) + 12);
  grid->addLayout(addrRow, 2, 0, 1, 2);
  auto* codeRow = new QHBoxLayout;
  codeRow->addWidget(new QLabel(QStringLiteral("参加コード:"), this));
  lbWebCode = new QLabel(this);
  lbWebCode->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  {
    QFont f(QStringLiteral("monospace"));
    f.setStyleHint(QFont::Monospace);
    f.setPointSizeF(lbWebCode->font().pointSizeF() * 1.6);
    f.setBold(true);
    lbWebCode->setFont(f);
  }
  codeRow->addWidget(lbWebCode, 1);
  left->addLayout(codeRow);

  tbWebCounts = new QTableWidget(0, 3, this);
  tbWebCounts->setHorizontalHeaderLabels({QStringLiteral("テスト"), QStringLiteral("受験中"), QStringLiteral("終了")});
  tbWebCounts->verticalHeader()->hide();
  tbWebCounts->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tbWebCounts->setSelectionMode(QAbstractItemView::NoSelection);
  tbWebCounts->setFocusPolicy(Qt::NoFocus);
  tbWebCounts->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  // The count columns as wide as their longer caption with room to spare, so that they stay put
  // while the counts change.
  {
    const QFontMetrics fm = tbWebCounts->horizontalHeader()->fontMetrics();
    const int countWidth = fm.horizontalAdvance(QStringLiteral("受験中")) + 24;
    for (int c : {1, 2}) {
      tbWebCounts->horizontalHeader()->setSectionResizeMode(c, QHeaderView::Fixed);
      tbWebCounts->setColumnWidth(c, countWidth);
    }
  }
  tbWebCounts->setMinimumHeight(kQrSide - 40);
  left->addWidget(tbWebCounts, 1);
  grid->addLayout(left, 3, 0);

  imWebQr = new QLabel(this);
  imWebQr->setFixedSize(kQrSide, kQrSide);
  imWebQr->setAlignment(Qt::AlignCenter);
  imWebQr->setStyleSheet(QStringLiteral("background: white; color: gray;"));
  grid->addWidget(imWebQr, 3, 1, Qt::AlignTop);
  grid->setColumnStretch(0, 1);

  thread_ = new QThread(this);
  thread_->setObjectName(QStringLiteral("web room"));
  threadContext_ = new QObject;
  threadContext_->moveToThread(thread_);
  thread_->start();

  timer_ = new QTimer(this);
  timer_->setInterval(1000);
  connect(timer_, &QTimer::timeout, this, [this] { poll(); });
  connect(btWebStart, &QPushButton::clicked, this, [this] { startRoom(); });
  connect(btWebStop, &QPushButton::clicked, this, [this] { stopRoom(); });
  render();
}

TWebRoomSection::~TWebRoomSection() {
  timer_->stop();
  thread_->quit();
  thread_->wait();
  // Jobs left in the queue (and the room they hold) go here; the room's destructor stops it.
  delete threadContext_;
  room_.reset();
}

template <typename F>
void TWebRoomSection::onRoomThread(F job) {
  QMetaObject::invokeMethod(threadContext_, std::move(job), Qt::QueuedConnection);
}

void TWebRoomSection::setRefreshInterval(int ms) { timer_->setInterval(ms); }

void TWebRoomSection::startRoom() {
  if (state_ != State::Stopped) return;
  // Both folders must be there: the tests come from the one, the results go to the other.
  if (!model_.CheckFolder(model_.FDistributionFolder(), "配布先", true)) return;
  if (!model_.CheckFolder(model_.FCollectionFolder(), "回収先", true)) return;
  web::RoomOptions options;
  options.folder = model_.FDistributionFolder();
  options.collection = model_.FCollectionFolder();
  options.report = model_.ProgramFolder().empty() ? std::string() : model_.ProgramFolder() + "/report";
  options.port = sePort->value();
  options.code = edCode->text().trimmed().toStdString();
  state_ = State::Starting;
  render();
  onRoomThread([this, options] {
    platform::Status status;
    std::shared_ptr<web::TWebRoom> room = web::TWebRoom::Start(options, &status);
    std::string address, code, failure;
    if (room) {
      address = room->Address();
      code = room->Code();
    } else {
      failure = failureText(status.message(), options.port);
    }
    QMetaObject::invokeMethod(
        this, [this, room, address, code, failure] { started(room, address, code, failure); }, Qt::QueuedConnection);
  });
}

void TWebRoomSection::started(std::shared_ptr<web::TWebRoom> room, const std::string& address, const std::string& code,
                              const std::string& failure) {
  if (!room) {
    state_ = State::Stopped;
    render();
    model_.Message("Webテスト室を開けませんでした。\n" + failure);
    return;
  }
  room_ = std::move(room);
  address_ = address;
  code_ = code;
  qr_ = web::TQrCode::Encode(address_);
  state_ = State::Running;
  tbWebCounts->setRowCount(0);
  render();
  poll();
  timer_->start();
}

void TWebRoomSection::stopRoom() {
  if (state_ != State::Running) return;
  timer_->stop();
  state_ = State::Stopping;
  render();
  std::shared_ptr<web::TWebRoom> room = std::move(room_);
  room_.reset();
  onRoomThread([this, room] {
    room->Stop();
    const std::vector<web::TestCount> last = room->Counts();
    QMetaObject::invokeMethod(
        this,
        [this, last] {
          showCounts(last);
          stopped();
        },
        Qt::QueuedConnection);
  });
}

void TWebRoomSection::stopped() {
  state_ = State::Stopped;
  address_.clear();
  code_.clear();
  qr_ = web::TQrCode();
  render();
}

void TWebRoomSection::poll() {
  if (state_ != State::Running || polling_ || !room_) return;
  polling_ = true;
  std::shared_ptr<web::TWebRoom> room = room_;
  onRoomThread([this, room] {
    const std::vector<web::TestCount> counts = room->Counts();
    QMetaObject::invokeMethod(
        this,
        [this, counts] {
          polling_ = false;
          if (state_ == State::Running) showCounts(counts);
        },
        Qt::QueuedConnection);
  });
}

void TWebRoomSection::showCounts(const std::vector<web::TestCount>& counts) {
  tbWebCounts->setRowCount(static_cast<int>(counts.size()));
  for (int r = 0; r < static_cast<int>(counts.size()); ++r) {
    const web::TestCount& c = counts[static_cast<size_t>(r)];
    auto* title = new QTableWidgetItem(q(c.title.empty() ? c.id : c.title));
    title->setToolTip(q(c.id));
    tbWebCounts->setItem(r, 0, title);
    tbWebCounts->setItem(r, 1, countItem(c.taking));
    tbWebCounts->setItem(r, 2, countItem(c.finished));
  }
}

void TWebRoomSection::showQr() {
  if (qr_.Empty()) {
    imWebQr->setPixmap(QPixmap());
    imWebQr->setText(state_ == State::Running ? QStringLiteral("QR コードを作れません")
                                              : QStringLiteral("開始すると、ここに\nQR コードが出ます"));
    return;
  }
  // Whole device pixels a module, so that no edge is blurred; the largest that fits.
  const qreal dpr = std::max<qreal>(1.0, devicePixelRatioF());
  const int cells = qr_.Width() + 2 * web::TQrCode::kQuietZone;
  const int modulePx = std::max(1, static_cast<int>(std::floor(kQrSide * dpr / cells)));
  QImage img = PaintQrCode(qr_, modulePx);
  img.setDevicePixelRatio(dpr);
  imWebQr->setPixmap(QPixmap::fromImage(img));
}

void TWebRoomSection::render() {
  const bool stopped = state_ == State::Stopped;
  btWebStart->setEnabled(stopped);
  btWebStop->setEnabled(state_ == State::Running);
  sePort->setEnabled(stopped);
  edCode->setEnabled(stopped);
  switch (state_) {
    case State::Stopped:
      lbWebState->setText(QString::fromUtf8(kIdle));
      break;
    case State::Starting:
      lbWebState->setText(QString::fromUtf8(kStarting));
      break;
    case State::Running:
      lbWebState->setText(QString::fromUtf8(kServing));
      break;
    case State::Stopping:
      lbWebState->setText(QString::fromUtf8(kStopping));
      break;
  }
  const bool serving = state_ == State::Running;
  lbWebAddress->setText(serving ? q(address_) : QStringLiteral("—"));
  lbWebAddress->setToolTip(serving ? q(address_) : QString());
  lbWebCode->setText(serving ? q(code_) : QStringLiteral("—"));
  lbWebAddress->setEnabled(serving);
  lbWebCode->setEnabled(serving);
  showQr();
}

}  // namespace ruvo::gui
