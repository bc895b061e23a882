#include "gui/shell/captionhelp.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <QRegularExpression>

#include "core/shell/help.h"
#include "gui/platform/qtports.h"

namespace ruvo::gui {

TCaptionHelp::TCaptionHelp(platform::Ports ports, std::string programFolder, QObject* parent)
    : QObject(parent), ports_(ports), programFolder_(std::move(programFolder)) {}

void TCaptionHelp::watch(QAbstractButton* button) { button->installEventFilter(this); }

bool TCaptionHelp::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::RightButton) {
    if (auto* b = qobject_cast<QAbstractButton*>(watched)) {
      QString caption = b->text();
      caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));  // mnemonic marks are not shown
      shell::OpenHelpAt(ports_, shell::ManualPath(programFolder_), us(caption));
      return true;
    }
  }
  return QObject::eventFilter(watched, e);
}

}  // namespace ruvo::gui
