#include "gui/richtext/richview.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QWheelEvent>

#include <cmath>

#include "core/app/form1model.h"
#include "gui/richtext/richtextbridge.h"

namespace ruvo::gui {

TRichView::TRichView(QWidget* parent) : QTextEdit(parent) {
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setCursorWidth(0);
  setFocusPolicy(Qt::ClickFocus);  // out of the tab order
  setTextInteractionFlags(Qt::NoTextInteraction);
  setAcceptRichText(true);
  setLineWrapMode(QTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setMouseTracking(true);
  viewport()->setCursor(Qt::ArrowCursor);
  document()->setDocumentMargin(6);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { updateMore(); });
  connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] { updateMore(); });
  connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
          [this] { updateMore(); });
}

void TRichView::paintEvent(QPaintEvent* e) {
  QTextEdit::paintEvent(e);
  ++paints_;
  emit painted();
}

void TRichView::showRichText(const rt::RichText& text) {
  setUpdatesEnabled(false);
  setRichText(*document(), text);
  setUpdatesEnabled(true);
  updateMore();
}

rt::RichText TRichView::richText() const { return richTextOf(*document()); }

void TRichView::setKeysLocked(bool locked) {
  locked_ = locked;
  setReadOnly(locked);
  setCursorWidth(locked ? 0 : 1);
  setTextInteractionFlags(locked ? Qt::NoTextInteraction : Qt::TextEditorInteraction);
  viewport()->setCursor(locked ? Qt::ArrowCursor : Qt::IBeamCursor);
}

bool TRichView::hasMoreText() const {
  const int contentHeight = static_cast<int>(std::ceil(document()->size().height()));
  return app::MoreTextIndicator(contentHeight, verticalScrollBar()->value(), viewport()->height());
}

void TRichView::updateMore() {
  const bool m = hasMoreText();
  if (m != more_) {
    more_ = m;
    emit moreTextChanged(m);
  }
}

void TRichView::scrollToTop() { verticalScrollBar()->setValue(verticalScrollBar()->minimum()); }
void TRichView::scrollToEnd() { verticalScrollBar()->setValue(verticalScrollBar()->maximum()); }

int TRichView::linkLineAt(const QPoint& viewportPos) const {
  const QPoint docPos = viewportPos + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
  const int pos = document()->documentLayout()->hitTest(docPos, Qt::ExactHit);
  if (pos < 0) return -1;
  const QTextBlock block = document()->findBlock(pos);
  if (!block.isValid()) return -1;
  const int line = block.blockNumber();
  const bool link = isLink_ ? isLink_(line) : block.text().startsWith(QStringLiteral(" * "));
  return link ? line : -1;
}

void TRichView::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    if (locked_) {
      emit enterPressed();
      e->accept();
      return;
    }
  } else if (locked_) {
    e->accept();
    return;
  }
  QTextEdit::keyPressEvent(e);
}

bool TRichView::event(QEvent* e) {
  // Standard shortcuts (select all, copy) would act before the key press is seen.
  if (e->type() == QEvent::ShortcutOverride && locked_) {
    e->accept();
    return true;
  }
  return QTextEdit::event(e);
}

void TRichView::mouseMoveEvent(QMouseEvent* e) {
  if (locked_)
    viewport()->setCursor(linkLineAt(e->position().toPoint()) >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
  QTextEdit::mouseMoveEvent(e);
}

void TRichView::mousePressEvent(QMouseEvent* e) {
  if (locked_ && e->button() == Qt::LeftButton) {
    const int line = linkLineAt(e->position().toPoint());
    if (line >= 0) {
      e->accept();
      emit linkClicked(line);
      return;
    }
  }
  QTextEdit::mousePressEvent(e);
}

void TRichView::mouseReleaseEvent(QMouseEvent* e) { QTextEdit::mouseReleaseEvent(e); }

void TRichView::mouseDoubleClickEvent(QMouseEvent* e) {
  if (locked_) {
    e->accept();
    return;
  }
  QTextEdit::mouseDoubleClickEvent(e);
}

void TRichView::wheelEvent(QWheelEvent* e) {
  if (e->modifiers() & Qt::ControlModifier) {
    const int dy = e->angleDelta().y();
    if (dy != 0) emit fontStep(dy < 0 ? +1 : -1);
    e->accept();
    return;
  }
  QTextEdit::wheelEvent(e);
}

void TRichView::resizeEvent(QResizeEvent* e) {
  QTextEdit::resizeEvent(e);
  updateMore();
}

void TRichView::contextMenuEvent(QContextMenuEvent* e) {
  if (locked_) {
    e->accept();
    return;
  }
  QTextEdit::contextMenuEvent(e);
}

}  // namespace ruvo::gui
