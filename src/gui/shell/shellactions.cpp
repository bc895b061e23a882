#include "gui/shell/shellactions.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include "core/shell/help.h"
#include "core/shell/links.h"
#include "core/shell/version.h"
#include "gui/platform/qtports.h"

namespace ruvo::gui {

TShellActions::TShellActions(platform::Ports ports, delivery::PackagingPlace place, QWidget* parent)
    : QObject(parent), ports_(ports), place_(std::move(place)) {
  auto make = [this](const char* name, const QString& text, const QString& hint) {
    auto* a = new QAction(text, this);
    a->setObjectName(QString::fromLatin1(name));
    a->setToolTip(hint);
    return a;
  };
  acManualM1 = make("ManualM1", QStringLiteral("Manual(&M)"), QString());
  connect(acManualM1, &QAction::triggered, this, [this] { shell::OpenManualFile(ports_, place_.programFolder); });
  acSend = make("acSend", QStringLiteral("Send"), QStringLiteral("Send to compressed (zipped) folder"));
  connect(acSend, &QAction::triggered, this, [this] { packaging_.acSend(ports_, place_); });
  acOpenZip = make("acOpenZip", QStringLiteral("Zip"), QStringLiteral("Open ZIP folder"));
  connect(acOpenZip, &QAction::triggered, this, [this] { delivery::acOpenZip(ports_, place_); });
  acCopyRuvo = make("acCopyRuvo", QStringLiteral("受験者用のルーヴォをコピー(&C)"), QString());
  connect(acCopyRuvo, &QAction::triggered, this, [this] { delivery::acCopyRuvo(ports_, place_); });
  acShowVersion = make("acShowVersion", QStringLiteral("Version(&V)"), QString());
  connect(acShowVersion, &QAction::triggered, this, [this] { shell::acShowVersion(ports_); });
}

QAction* TShellActions::helpAction(const char* control, QObject* parent) {
  const shell::HelpLink* link = shell::FindHelpLink(control);
  auto* a = new QAction(qs(link->caption), parent);
  a->setObjectName(QString::fromLatin1(control));
  const std::string anchor = link->anchor;
  connect(a, &QAction::triggered, this,
          [this, anchor] { shell::OpenHelpAt(ports_, shell::ManualPath(place_.programFolder), anchor); });
  return a;
}

void TShellActions::populate(QMenu* menu) {
  QMenu* manual = menu->addMenu(QStringLiteral("Manual(&M)"));
  manual->setObjectName(QStringLiteral("ManualMenu"));
  manual->addAction(helpAction("ManualM2", manual));
  QAction* pdf = manual->addAction(QStringLiteral("PDF(&P)"));
  pdf->setObjectName(QStringLiteral("ManualPDFP1"));
  connect(pdf, &QAction::triggered, this,
          [this] { shell::OpenHelpAt(ports_, shell::ManualPath(place_.programFolder, true), ""); });

  QMenu* first = menu->addMenu(QStringLiteral("はじめての(&B)"));
  first->setObjectName(QStringLiteral("BeginMenu"));
  for (const char* c : {"N8", "N9", "N10"}) first->addAction(helpAction(c, first));

  QMenu* web = menu->addMenu(QStringLiteral("Link web site(&L)"));
  web->setObjectName(QStringLiteral("LinkMenu"));
  for (const auto& l : shell::WebLinks()) {
    QAction* a = web->addAction(qs(l.caption));
    a->setObjectName(QString::fromLatin1(l.action));
    a->setToolTip(QString::fromUtf8(l.url));
    connect(a, &QAction::triggered, this, [this, &l] { shell::OpenWebLink(ports_, l); });
  }

  QMenu* mail = menu->addMenu(QStringLiteral("Send Mail(&S)"));
  mail->setObjectName(QStringLiteral("MailMenu"));
  for (const auto& k : shell::MailKinds()) {
    QAction* a = mail->addAction(qs(k.caption));
    a->setObjectName(QString::fromLatin1(k.action));
    const shell::MailKind kind = k.kind;
    connect(a, &QAction::triggered, this, [this, kind] { shell::ComposeSupportMail(ports_, kind); });
  }

  menu->addAction(acShowVersion);
}

}  // namespace ruvo::gui
