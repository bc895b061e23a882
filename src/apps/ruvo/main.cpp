#include <QApplication>

#include "gui/app/mainwindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ruvo::gui::TForm1 w;
  w.show();
  return app.exec();
}
