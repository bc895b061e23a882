#pragma once
// A button that is also a drag source: pressing it and moving the pointer by 5 pixels or more
// starts a drag (the result-folder button hands out the result file this way).
#include <QPoint>
#include <QPushButton>

namespace ruvo::gui {

class TDragButton final : public QPushButton {
  Q_OBJECT
 public:
  using QPushButton::QPushButton;
  static constexpr int kDragDistance = 5;

 signals:
  void dragRequested();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  QPoint pressPos_;
  bool armed_ = false;
};

}  // namespace ruvo::gui
