#pragma once
// The delivery window's web section: the web test room opened on the distribution folder, its
// address as text and as a QR code, the class code, and how many examinees are taking and
// have finished each test.
//
// The room starts, answers its counts and stops on a thread of its own, so a slow start or a
// busy room never holds up the window. It keeps serving while the window is hidden (the
// examinees are in the middle of their tests, and the collection the window starts shows
// their results); Stop ends it, and so does the end of the program.
#include <QGroupBox>
#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "core/web/qrcode.h"
#include "core/web/webroom.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QThread;
class QTimer;

namespace ruvo::delivery {
class TForm3Model;
}

namespace ruvo::gui {

// The symbol with its quiet zone, each module a square of modulePx pixels: dark black, light
// white, nothing blended.
QImage PaintQrCode(const web::TQrCode& code, int modulePx);

class TWebRoomSection final : public QGroupBox {
  Q_OBJECT
 public:
  // The port offered at first: a fixed one, so that the room comes back at the same address
  // (and the examinees' browsers find their sessions again) after a restart.
  static constexpr int kDefaultPort = 8765;
  // The side of the QR code in the window, in pixels.
  static constexpr int kQrSide = 180;

  explicit TWebRoomSection(delivery::TForm3Model& model, QWidget* parent = nullptr);
  ~TWebRoomSection() override;

  enum class State { Stopped, Starting, Running, Stopping };
  State state() const { return state_; }
  // The symbol shown for the address (empty while stopped).
  const web::TQrCode& qrCode() const { return qr_; }
  // How often the counts are asked for, in ms.
  void setRefreshInterval(int ms);

  void startRoom();
  void stopRoom();

  QPushButton* btWebStart = nullptr;  // 開始
  QPushButton* btWebStop = nullptr;   // 停止
  QSpinBox* sePort = nullptr;         // 0: any free port
  QLineEdit* edCode = nullptr;        // empty: a new code is made
  QLabel* lbWebState = nullptr;
  QLabel* lbWebAddress = nullptr;
  QLabel* lbWebCode = nullptr;
  QLabel* imWebQr = nullptr;
  QTableWidget* tbWebCounts = nullptr;

 private:
  void started(std::shared_ptr<web::TWebRoom> room, const std::string& address, const std::string& code,
               const std::string& failure);
  void stopped();
  void poll();
  void showCounts(const std::vector<web::TestCount>& counts);
  void showQr();
  void render();
  // Runs job on the room's thread.
  template <typename F>
  void onRoomThread(F job);

  delivery::TForm3Model& model_;
  State state_ = State::Stopped;
  // The room lives on the window's side; only the room's thread calls into it while it runs.
  std::shared_ptr<web::TWebRoom> room_;
  std::string address_, code_;
  web::TQrCode qr_;
  QThread* thread_ = nullptr;
  QObject* threadContext_ = nullptr;  // lives in thread_; jobs are posted to it
  QTimer* timer_ = nullptr;
  bool polling_ = false;
};

}  // namespace ruvo::gui
