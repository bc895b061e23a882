// The delivery window's web section through its real buttons: the room opens on the
// distribution folder and shows a reachable address, the class code and a QR code of the
// address; examinees who join and finish show up in the counts, their results in the
// collection folder; Stop closes the port. Failures to open
// (no folder, port taken) end in the window's message box.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QUrl>

#include "core/app/settings.h"
#include "core/delivery/delivery.h"
#include "core/delivery/filesystem.h"
#include "core/web/qrcode.h"
#include "gui/delivery/deliverywindow.h"
#include "gui/delivery/webroomsection.h"
#include "gui/platform/qtports.h"
#include "guitest.h"

namespace {

using namespace ruvo;
using guitest::BoxAction;
using Section = gui::TWebRoomSection;

const char* const kSample = RUVO_DATA_DIR "/system/ruvof/sample/sample1-gettysburg.ruvo";

// True when something accepts connections on the port of the local machine.
bool listening(int port) {
  httplib::Client c("127.0.0.1", port);
  c.set_connection_timeout(1, 0);
  return static_cast<bool>(c.Get("/"));
}

QJsonObject json(const httplib::Result& r) {
  if (!r) return {};
  return QJsonDocument::fromJson(QByteArray::fromStdString(r->body)).object();
}

struct WebRoomWindow : ::testing::Test {
  QString prog, dist, collect;
  gui::QtDialogs dialogs;
  std::unique_ptr<delivery::TForm3Model> model;
  std::unique_ptr<gui::TForm3> w;
  Section* web = nullptr;

  void SetUp() override {
    guitest::app();
    prog = guitest::freshProgramFolder(QStringLiteral("webroom"));
    dist = prog + QStringLiteral("/class share");
    collect = prog + QStringLiteral("/results");
    QDir().mkpath(dist);
    QDir().mkpath(collect);
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(kSample), dist + QStringLiteral("/sample1-gettysburg.ruvo")));
    model = std::make_unique<delivery::TForm3Model>(delivery::RealFileSystem(), &dialogs, prog.toStdString(),
                                                    (prog + QStringLiteral("/ruvo")).toStdString());
    model->Create(app::TSettings{});
    w = std::make_unique<gui::TForm3>(*model);
    web = w->gbWeb;
    web->sePort->setValue(0);  // any free port: tests run side by side
    web->setRefreshInterval(100);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  }
  void TearDown() override {
    w.reset();
    QDir(prog).removeRecursively();
  }
  void setFolders() {
    ASSERT_TRUE(guitest::dropFiles(w->gbToLearners, {dist}));
    ASSERT_TRUE(guitest::dropFiles(w->gbToTeacher, {collect}));
  }
  // Clicks Start and waits for the room; the port it listens on.
  int start() {
    QTest::mouseClick(web->btWebStart, Qt::LeftButton);
    EXPECT_TRUE(guitest::waitUntil([&] { return web->state() == Section::State::Running; }));
    const QUrl url(web->lbWebAddress->text());
    return url.port();
  }
};

TEST_F(WebRoomWindow, StartShowsAddressCodeAndQrCountsJoinsAndStopCloses) {
  setFolders();
  guitest::saveScreenshot(w.get(), QStringLiteral("delivery-web-stopped"));
  EXPECT_FALSE(web->btWebStop->isEnabled());
  EXPECT_TRUE(web->imWebQr->pixmap().isNull());

  const int port = start();
  ASSERT_EQ(web->state(), Section::State::Running);
  const QString address = web->lbWebAddress->text();
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^http://[^/]+:\\d+/$")).match(address).hasMatch())
      << address.toStdString();
  ASSERT_GT(port, 0);
  EXPECT_TRUE(web->lbWebAddress->textInteractionFlags() & Qt::TextSelectableByMouse);
  const QString code = web->lbWebCode->text();
  EXPECT_FALSE(code.isEmpty());
  EXPECT_FALSE(web->btWebStart->isEnabled());
  EXPECT_TRUE(web->btWebStop->isEnabled());
  EXPECT_FALSE(web->sePort->isEnabled());

  // The address as shown is where the room answers.
  const QUrl url(address);
  httplib::Client client(url.host().toStdString(), port);
  client.set_connection_timeout(2, 0);
  const auto runner = client.Get("/");
  ASSERT_TRUE(runner) << httplib::to_string(runner.error());
  EXPECT_EQ(runner->status, 200);

  // The QR code is the address's symbol, painted module for module on whole pixels with its
  // quiet zone.
  const web::TQrCode& qr = web->qrCode();
  ASSERT_FALSE(qr.Empty());
  const web::TQrCode expected = web::TQrCode::Encode(address.toStdString());
  ASSERT_EQ(qr.Width(), expected.Width());
  const QImage img = web->imWebQr->pixmap().toImage();
  ASSERT_FALSE(img.isNull());
  const int cells = qr.Width() + 2 * web::TQrCode::kQuietZone;
  ASSERT_EQ(img.width(), img.height());
  ASSERT_EQ(img.width() % cells, 0);
  const int px = img.width() / cells;
  EXPECT_GE(px, 3);  // big enough for a camera across the room
  EXPECT_LE(img.width(), Section::kQrSide * img.devicePixelRatio());
  int wrong = 0;
  for (int y = -web::TQrCode::kQuietZone; y < qr.Width() + web::TQrCode::kQuietZone; ++y)
    for (int x = -web::TQrCode::kQuietZone; x < qr.Width() + web::TQrCode::kQuietZone; ++x) {
      const int cx = (x + web::TQrCode::kQuietZone) * px, cy = (y + web::TQrCode::kQuietZone) * px;
      // Both corners of the module: a module is one colour edge to edge.
      for (const QPoint at : {QPoint(cx, cy), QPoint(cx + px - 1, cy + px - 1)}) {
        const QRgb c = img.pixel(at);
        const bool dark = qGray(c) < 128;
        if (dark != expected.Dark(x, y) || (qGray(c) != 0 && qGray(c) != 255)) ++wrong;
      }
    }
  EXPECT_EQ(wrong, 0);

  // An examinee joins through the room's interface: the counts follow.
  const auto tests = json(client.Get("/api/tests?code=" + code.toStdString()));
  const QJsonArray list = tests.value(QStringLiteral("tests")).toArray();
  ASSERT_EQ(list.size(), 1) << (tests.isEmpty() ? "no answer" : "");
  const QString id = list.at(0).toObject().value(QStringLiteral("id")).toString();
  ASSERT_TRUE(guitest::waitUntil([&] { return web->tbWebCounts->rowCount() == 1; }));
  EXPECT_EQ(web->tbWebCounts->item(0, 1)->text(), QStringLiteral("0"));
  const std::string body =
      QJsonDocument(QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("test"), id}}).toJson().toStdString();
  const auto joined = client.Post("/api/sessions", body, "application/json");
  ASSERT_TRUE(joined);
  EXPECT_EQ(joined->status, 200) << joined->body;
  EXPECT_TRUE(guitest::waitUntil([&] { return web->tbWebCounts->item(0, 1)->text() == QStringLiteral("1"); }));
  EXPECT_EQ(web->tbWebCounts->item(0, 2)->text(), QStringLiteral("0"));
  EXPECT_EQ(web->tbWebCounts->item(0, 0)->toolTip(), id);
  guitest::saveScreenshot(w.get(), QStringLiteral("delivery-web-running"));

  // The examinee takes the test to its end: the result lands in the collection folder (and the
  // report folder), and the counts move it from taking to finished.
  const QString token = json(joined).value(QStringLiteral("session")).toString();
  QJsonObject page = json(joined).value(QStringLiteral("page")).toObject();
  for (int n = 0; n < 200 && page.value(QStringLiteral("kind")).toString() != QStringLiteral("result"); ++n) {
    QJsonObject ev{{QStringLiteral("page"), page.value(QStringLiteral("index"))}, {QStringLiteral("ms"), 4000}};
    QJsonArray answers;
    for (const QJsonValue question : page.value(QStringLiteral("questions")).toArray()) {
      if (question.toObject().value(QStringLiteral("kind")).toString() == QStringLiteral("text"))
        answers.append(QStringLiteral("よく分かった"));
      else
        answers.append(1);
    }
    ev.insert(QStringLiteral("answers"), answers);
    if (page.value(QStringLiteral("kind")).toString() == QStringLiteral("name"))
      ev.insert(QStringLiteral("name"), QStringLiteral("佐藤 太郎"));
    const auto r = client.Post(("/api/sessions/" + token.toStdString() + "/forward").c_str(),
                               QJsonDocument(ev).toJson().toStdString(), "application/json");
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 200) << r->body;
    page = json(r).value(QStringLiteral("page")).toObject();
  }
  ASSERT_EQ(page.value(QStringLiteral("kind")).toString(), QStringLiteral("result"));
  const QStringList results = QDir(collect).entryList({QStringLiteral("*.ruvot")}, QDir::Files);
  EXPECT_EQ(results.size(), 1) << results.join(QLatin1Char(' ')).toStdString();
  EXPECT_EQ(QDir(prog + QStringLiteral("/report")).entryList({QStringLiteral("*.ruvot")}, QDir::Files), results);
  EXPECT_TRUE(guitest::waitUntil([&] { return web->tbWebCounts->item(0, 2)->text() == QStringLiteral("1"); }));
  EXPECT_EQ(web->tbWebCounts->item(0, 1)->text(), QStringLiteral("0"));

  QTest::mouseClick(web->btWebStop, Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return web->state() == Section::State::Stopped; }));
  EXPECT_FALSE(listening(port));
  EXPECT_EQ(web->lbWebAddress->text(), QStringLiteral("—"));
  EXPECT_TRUE(web->imWebQr->pixmap().isNull());
  EXPECT_TRUE(web->btWebStart->isEnabled());
  EXPECT_EQ(web->tbWebCounts->rowCount(), 1);  // the last counts stay to be read
}

TEST_F(WebRoomWindow, KeepsServingWhileTheWindowIsHiddenAndStopsWithIt) {
  setFolders();
  const int port = start();
  ASSERT_GT(port, 0);
  QTest::mouseClick(w->Button5, Qt::LeftButton);  // 閉じる
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(listening(port));
  w->show();
  EXPECT_EQ(web->state(), Section::State::Running);
  EXPECT_EQ(QUrl(web->lbWebAddress->text()).port(), port);
  w.reset();  // the end of the program
  EXPECT_FALSE(listening(port));
}

TEST_F(WebRoomWindow, NoFolderOrATakenPortIsSaidInTheMessageBox) {
  guitest::DialogRobot robot;
  robot.expect({BoxAction::PressOk, {}});
  QTest::mouseClick(web->btWebStart, Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return robot.idle(); }));
  EXPECT_EQ(robot.seen().back(), QStringLiteral("配布先フォルダが登録されてません。"));
  EXPECT_EQ(web->state(), Section::State::Stopped);

  ASSERT_TRUE(guitest::dropFiles(w->gbToLearners, {dist}));
  robot.expect({BoxAction::PressOk, {}});
  QTest::mouseClick(web->btWebStart, Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return robot.idle(); }));
  EXPECT_EQ(robot.seen().back(), QStringLiteral("回収先フォルダが登録されてません。"));
  ASSERT_TRUE(guitest::dropFiles(w->gbToTeacher, {collect}));

  // Another program holds the port.
  const int holder = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(holder, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  a.sin_port = 0;
  ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(holder, 1), 0);
  socklen_t len = sizeof a;
  ASSERT_EQ(::getsockname(holder, reinterpret_cast<sockaddr*>(&a), &len), 0);
  web->sePort->setValue(ntohs(a.sin_port));
  robot.expect({BoxAction::PressOk, {}});
  robot.setScreenshotPrefix(QStringLiteral("delivery-web-port-taken"));
  QTest::mouseClick(web->btWebStart, Qt::LeftButton);
  ASSERT_TRUE(guitest::waitUntil([&] { return robot.idle(); }));
  ::close(holder);
  EXPECT_EQ(robot.seen().back(),
            QStringLiteral("Webテスト室を開けませんでした。\nポート %1 は他のプログラムが使っています。"
                           "別のポートにするか「自動」にしてから、やり直してください。")
                .arg(ntohs(a.sin_port)));
  EXPECT_EQ(web->state(), Section::State::Stopped);
  EXPECT_TRUE(web->btWebStart->isEnabled());
  EXPECT_EQ(robot.unexpected(), 0);
}

}  // namespace
