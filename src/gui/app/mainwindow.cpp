#include "gui/app/mainwindow.h"

namespace ruvo::gui {

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) { setWindowTitle(QStringLiteral("Tovimeter")); }

}  // namespace ruvo::gui
