#pragma once
// The delivery window: the distribution and collection folders given by dropping folders on
// their group boxes, test documents dropped for sending, Send, and the start of automatic
// collection, and the web test room. Its state and every decision live in delivery::TForm3Model
// (the room's in TWebRoomSection).
#include <QDialog>
#include <QGroupBox>
#include <QStringList>

#include "core/delivery/delivery.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace ruvo::gui {

class TWebRoomSection;

// A group box that takes dropped files and folders.
class TDropGroupBox final : public QGroupBox {
  Q_OBJECT
 public:
  explicit TDropGroupBox(const QString& title, QWidget* parent = nullptr);

 signals:
  void dropped(const QStringList& paths);

 protected:
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
};

class TForm3 final : public QDialog {
  Q_OBJECT
 public:
  explicit TForm3(delivery::TForm3Model& model, QWidget* parent = nullptr);
  ~TForm3() override;

  delivery::TForm3Model& model() { return model_; }

  // The controls, named as the window's layout names them.
  TDropGroupBox* gbToLearners = nullptr;
  TDropGroupBox* gbToTeacher = nullptr;
  TDropGroupBox* gbSendRuvo = nullptr;
  QGroupBox* GroupBox4 = nullptr;
  QLabel* lbToLearners = nullptr;
  QLabel* lbMsgToLearners = nullptr;
  QLabel* lbToTeacher = nullptr;
  QLabel* lbMsgToTeacher = nullptr;
  QLabel* lbMsgSendRuvoFile = nullptr;
  QLabel* lbRuvos = nullptr;
  QCheckBox* cbSendRuvoExe = nullptr;
  QCheckBox* cbSendEnvi = nullptr;
  QCheckBox* cbSendRuvoFile = nullptr;
  QCheckBox* cbRetrieve = nullptr;
  QPushButton* Button1 = nullptr;  // 送る
  QPushButton* Button4 = nullptr;  // 開始
  QPushButton* Button5 = nullptr;  // 閉じる
  // W: the web test room on the distribution folder.
  TWebRoomSection* gbWeb = nullptr;

 private:
  void refresh();
  void dropOn(delivery::DropBox box, const QStringList& paths);

  delivery::TForm3Model& model_;
};

}  // namespace ruvo::gui
