#include "gui/app/editruvo.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace ruvo::gui {

TEditRuvo::TEditRuvo(QWidget* parent) : QLineEdit(parent) {
  setContextMenuPolicy(Qt::NoContextMenu);
  setAcceptDrops(false);
  setDragEnabled(false);
}

bool TEditRuvo::isRefusedKey(int key, Qt::KeyboardModifiers mods) {
  // Keypad and group-switch bits say nothing about chords.
  const auto chord = mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (chord) return true;
  if (key == Qt::Key_Menu) return true;
  if (key == Qt::Key_Paste) return true;
  if (key == Qt::Key_Insert && (mods & Qt::ShiftModifier)) return true;
  return false;
}

void TEditRuvo::keyPressEvent(QKeyEvent* e) {
  if (isRefusedKey(e->key(), e->modifiers())) {
    // A chord may already have put something into the clipboard meant for here: drop it.
    if (auto* cb = QGuiApplication::clipboard()) cb->clear();
    e->accept();
    return;
  }
  QLineEdit::keyPressEvent(e);
}

void TEditRuvo::mousePressEvent(QMouseEvent* e) {
  // The X11 selection is pasted on a middle click; the right button would open the menu.
  if (e->button() == Qt::MiddleButton || e->button() == Qt::RightButton) {
    e->accept();
    return;
  }
  QLineEdit::mousePressEvent(e);
}

void TEditRuvo::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::MiddleButton || e->button() == Qt::RightButton) {
    e->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(e);
}

void TEditRuvo::contextMenuEvent(QContextMenuEvent* e) { e->accept(); }

bool TEditRuvo::event(QEvent* e) {
  // Shortcut overrides would let the standard paste sequence reach the line edit.
  if (e->type() == QEvent::ShortcutOverride) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (isRefusedKey(k->key(), k->modifiers())) {
      e->accept();
      return true;
    }
  }
  return QLineEdit::event(e);
}

}  // namespace ruvo::gui
