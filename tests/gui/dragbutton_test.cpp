// The result-folder button hands out the file on a drag of 5 pixels or more, and stays a button
// for smaller jitters.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "gui/app/dragbutton.h"
#include "guitest.h"

namespace {

void moveWithLeft(QWidget* w, QPoint to) {
  QMouseEvent e(QEvent::MouseMove, QPointF(to), w->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

}  // namespace

TEST(ResultFolderButton, DragStartsAtFivePixelsInEitherDirection) {
  ruvo::guitest::app();
  struct Case {
    QPoint delta;
    bool drags;
  } cases[] = {{{4, 0}, false}, {{0, -4}, false}, {{4, 4}, false}, {{5, 0}, true}, {{0, 5}, true}, {{-5, 2}, true}};
  for (const Case& c : cases) {
    ruvo::gui::TDragButton b(QStringLiteral("結果フォルダ"));
    b.resize(120, 40);
    b.show();
    QSignalSpy drag(&b, &ruvo::gui::TDragButton::dragRequested);
    QSignalSpy click(&b, &QPushButton::clicked);
    const QPoint start(60, 20);
    QTest::mousePress(&b, Qt::LeftButton, {}, start);
    moveWithLeft(&b, start + c.delta);
    QTest::mouseRelease(&b, Qt::LeftButton, {}, start + c.delta);
    EXPECT_EQ(drag.count(), c.drags ? 1 : 0) << c.delta.x() << "," << c.delta.y();
    // A drag is not also a click that opens the folder.
    EXPECT_EQ(click.count(), c.drags ? 0 : 1) << c.delta.x() << "," << c.delta.y();
  }
}
