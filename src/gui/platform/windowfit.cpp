#include "gui/platform/windowfit.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "core/app/settings.h"
#include "gui/platform/qtports.h"

namespace ruvo::gui {

void FitOnScreenOnceFramed(QWidget* window, int forMs) {
  if (!window) return;
  auto* timer = new QTimer(window);
  timer->setInterval(100);
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  QObject::connect(timer, &QTimer::timeout, window, [window, timer, clock, forMs] {
    const bool last = clock->elapsed() >= forMs;
    if (window->isVisible() && !window->isMinimized() && !window->isMaximized() && !window->isFullScreen()) {
      const QRect outer = window->frameGeometry();
      const app::FrameSize frame{outer.width() - window->width(), outer.height() - window->height()};
      const platform::Rect now{outer.x(), outer.y(), window->width(), window->height()};
      const platform::Rect fitted = app::FitWindow(now, QtScreen().monitors(), frame);
      if (!(fitted == now)) {
        window->resize(fitted.width, fitted.height);
        window->move(fitted.left, fitted.top);
      }
    }
    if (last) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}

}  // namespace ruvo::gui
