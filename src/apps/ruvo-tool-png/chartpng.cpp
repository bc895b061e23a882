// The chart painted as a PNG, as the feedback window paints it. ruvo-tool loads this module only
// when asked for a PNG, so its other commands start without the window library.
#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <cstdio>
#include <string>

#include "gui/report/chartpainter.h"

extern "C" __attribute__((visibility("default"))) bool ruvo_chart_png(const ruvo::report::TChart* chart,
                                                                      std::string* png) {
  // Fonts need a GUI application object, but no display: without one the offscreen platform serves.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Notes about the desktop session (no runtime folder, no display) are no news on a command line.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtCriticalMsg || type == QtFatalMsg) fprintf(stderr, "%s\n", qPrintable(msg));
  });
  static int argc = 1;
  static char name[] = "ruvo-tool";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  if (!ruvo::gui::RenderChart(*chart).save(&buf, "PNG")) return false;
  *png = bytes.toStdString();
  return true;
}
