#include "gui/authoring/gridrichtext.h"

#include <QKeyEvent>

#include "gui/richtext/richtextbridge.h"

namespace ruvo::gui {

TGridRichText::TGridRichText(QWidget* parent) : QTextEdit(parent) {
  setObjectName(QStringLiteral("FChoiceGrid"));
  setLineWrapMode(QTextEdit::NoWrap);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setFrameShape(QFrame::NoFrame);
  setTabChangesFocus(true);
  connect(document(), &QTextDocument::contentsChanged, this, [this] {
    if (loading_ || changed_) return;
    changed_ = true;
    emit firstChange();
  });
}

void TGridRichText::load(const rt::RichText& text) {
  loading_ = true;
  setRichText(*document(), text);
  loading_ = false;
  changed_ = false;
  moveCursor(QTextCursor::End);
}

rt::RichText TGridRichText::text() const { return richTextOf(*document()); }

void TGridRichText::keyPressEvent(QKeyEvent* e) {
  const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // One line only: Enter never breaks the text.
      if (mods == Qt::NoModifier)
        emit commitAndMove(1);
      else if (mods == Qt::ShiftModifier)
        emit commitAndMove(-1);
      e->accept();
      return;
    case Qt::Key_Down:
      emit commitAndMove(1);
      e->accept();
      return;
    case Qt::Key_Up:
      emit commitAndMove(-1);
      e->accept();
      return;
    default:
      QTextEdit::keyPressEvent(e);
  }
}

}  // namespace ruvo::gui
