#pragma once
// The shell commands of the main window as actions: the manual, the first-steps pages, the web
// links, the support mail, the version box, and packaging for examinees (Send, Zip, the
// examinee program on the clipboard). A window adds them to its menus and toolbar.
#include <QObject>
#include <string>

#include "core/delivery/packaging.h"
#include "core/platform/ports.h"

class QAction;
class QMenu;
class QWidget;

namespace ruvo::gui {

class TShellActions final : public QObject {
  Q_OBJECT
 public:
  // place.programFolder holds system/ and send/; place.executableFolder the programs.
  TShellActions(platform::Ports ports, delivery::PackagingPlace place, QWidget* parent);

  // Adds to the Information menu, in order: "Manual(&M)" (HTML, PDF), "はじめての(&B)",
  // "Link web site(&L)", "Send Mail(&S)", "Version(&V)".
  void populate(QMenu* menu);

  QAction* acManualM1;  // the main menu's "Manual(&M)": the file itself
  QAction* acSend;      // "Send"
  QAction* acOpenZip;   // "Zip"
  QAction* acCopyRuvo;  // "受験者用のルーヴォをコピー(&C)"
  QAction* acShowVersion;

  delivery::TPackaging& packaging() { return packaging_; }

 private:
  QAction* helpAction(const char* control, QObject* parent);

  platform::Ports ports_;
  delivery::PackagingPlace place_;
  delivery::TPackaging packaging_;
};

}  // namespace ruvo::gui
