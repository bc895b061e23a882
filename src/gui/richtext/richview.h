#pragma once
// The page display of the test view: a read-only rich-text view without a caret. It keeps every key
// but Enter out of the page (the examinee cannot type into it or page through it with keys), turns
// the pointer into a hand over answer-link lines (" * " lines) and reports clicks on them, reports
// Ctrl+wheel as font steps, and says whether text remains below the visible part.
#include <QTextEdit>
#include <functional>

#include "core/richtext/richtext.h"

namespace ruvo::gui {

class TRichView final : public QTextEdit {
  Q_OBJECT
 public:
  explicit TRichView(QWidget* parent = nullptr);

  // Shows a text from the model, replacing what is shown.
  void showRichText(const rt::RichText& text);
  rt::RichText richText() const;

  // While locked (the test view) keys other than Enter are discarded and the text is read-only.
  void setKeysLocked(bool locked);
  bool keysLocked() const { return locked_; }
  // How many times the page was painted (benchmarks wait on it).
  int paints() const { return paints_; }

  // True when the content reaches more than 10 pixels below the visible part.
  bool hasMoreText() const;

  void scrollToTop();
  void scrollToEnd();

  // Which lines are answer links; by default those that begin with " * ".
  void setLinkLinePredicate(std::function<bool(int line)> isLink) { isLink_ = std::move(isLink); }
  // The answer-link line (paragraph number) whose text is at a viewport position, or -1.
  int linkLineAt(const QPoint& viewportPos) const;

 signals:
  void enterPressed();
  void linkClicked(int line);
  void fontStep(int delta);
  void moreTextChanged(bool more);
  void painted();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  bool event(QEvent* e) override;

 private:
  void updateMore();
  bool locked_ = true;
  bool more_ = false;
  std::function<bool(int)> isLink_;
  int paints_ = 0;
};

}  // namespace ruvo::gui
