#pragma once
// A right-button release on a control opens the manual at the control's own caption (the
// editing tabs' tool buttons, the "自動通し番号" / "自動段下げ" check boxes).
#include <QObject>
#include <string>

#include "core/platform/ports.h"

class QAbstractButton;

namespace ruvo::gui {

class TCaptionHelp final : public QObject {
  Q_OBJECT
 public:
  TCaptionHelp(platform::Ports ports, std::string programFolder, QObject* parent = nullptr);
  // Watches the button from now on.
  void watch(QAbstractButton* button);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  platform::Ports ports_;
  std::string programFolder_;
};

}  // namespace ruvo::gui
