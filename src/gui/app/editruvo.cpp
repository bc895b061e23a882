#include "gui/app/editruvo.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "core/app/form1model.h"

namespace ruvo::gui {

TEditRuvo::TEditRuvo(QWidget* parent) : QLineEdit(parent) {
  setContextMenuPolicy(Qt::NoContextMenu);
  setAcceptDrops(false);
  setDragEnabled(false);
}

bool TEditRuvo::isRefusedKey(int key, Qt::KeyboardModifiers mods) {
  // The paste key of some keyboards is a paste whatever the modifiers.
  if (key == Qt::Key_Paste) return true;
  app::KeyPress k;
  k.key = key;
  k.ctrl = mods.testFlag(Qt::ControlModifier);
  k.shift = mods.testFlag(Qt::ShiftModifier);
  k.alt = mods.testFlag(Qt::AltModifier);
  k.meta = mods.testFlag(Qt::MetaModifier);
  k.isInsert = key == Qt::Key_Insert;
  k.isContextMenu = key == Qt::Key_Menu;
  return app::ClassifyNameBoxKey(k) == app::NameBoxKey::Swallow;
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
