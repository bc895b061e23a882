#pragma once
#include <QMainWindow>

namespace ruvo::gui {

// The main window. Grows with the test view, editing view and totals view.
class TForm1 final : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
};

}  // namespace ruvo::gui
