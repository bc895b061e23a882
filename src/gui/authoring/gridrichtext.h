#pragma once
// TGridRichText: the one-line rich-text editor laid over a cell of the multiple-choice grid.
// Enter and Down commit and move down, Up and Shift+Enter commit and move up; Enter with any
// other modifier does nothing. Typing marks the editor changed.
#include <QTextEdit>

#include "core/richtext/richtext.h"

namespace ruvo::gui {

class TGridRichText final : public QTextEdit {
  Q_OBJECT
 public:
  explicit TGridRichText(QWidget* parent = nullptr);

  void load(const rt::RichText& text);
  rt::RichText text() const;
  bool changed() const { return changed_; }

 signals:
  // Commit, then open the editor `delta` rows away (+1 down, -1 up).
  void commitAndMove(int delta);
  void firstChange();

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  bool changed_ = false;
  bool loading_ = false;
};

}  // namespace ruvo::gui
