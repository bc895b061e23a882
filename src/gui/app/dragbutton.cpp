#include "gui/app/dragbutton.h"

#include <QMouseEvent>

namespace ruvo::gui {

void TDragButton::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    pressPos_ = e->position().toPoint();
    armed_ = true;
  }
  QPushButton::mousePressEvent(e);
}

void TDragButton::mouseMoveEvent(QMouseEvent* e) {
  if (armed_ && (e->buttons() & Qt::LeftButton)) {
    const QPoint d = e->position().toPoint() - pressPos_;
    if (std::abs(d.x()) >= kDragDistance || std::abs(d.y()) >= kDragDistance) {
      armed_ = false;
      setDown(false);  // a drag is not a click
      emit dragRequested();
      return;
    }
  }
  QPushButton::mouseMoveEvent(e);
}

}  // namespace ruvo::gui
