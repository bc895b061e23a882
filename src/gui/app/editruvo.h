#pragma once
// The examinee's name box: an edit box that must be typed into. Pasting is kept out by every road
// (Ctrl and Alt chords, Shift+Insert, the context menu and its key, a middle-click selection paste,
// dropped text), while Shift still types capitals and input methods still compose.
#include <QLineEdit>

namespace ruvo::gui {

class TEditRuvo final : public QLineEdit {
  Q_OBJECT
 public:
  explicit TEditRuvo(QWidget* parent = nullptr);

  // True when the key press would be kept out of the box. Public so the rule can be checked alone.
  static bool isRefusedKey(int key, Qt::KeyboardModifiers mods);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  bool event(QEvent* e) override;
};

}  // namespace ruvo::gui
