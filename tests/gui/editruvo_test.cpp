// The name box must be typed into: paste stays out by every road, but Shift types capitals.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

#include "gui/app/editruvo.h"
#include "guitest.h"

using ruvo::gui::TEditRuvo;

TEST(NameBox, ShiftTypesCapitalsAndSymbols) {
  ruvo::guitest::app();
  TEditRuvo e;
  e.show();
  QTest::keyClicks(&e, QStringLiteral("Ito"));
  QTest::keyClick(&e, 'R', Qt::ShiftModifier);
  QTest::keyClicks(&e, QStringLiteral("udo_#2"));
  EXPECT_EQ(e.text(), QStringLiteral("ItoRudo_#2"));
}

TEST(NameBox, EveryPasteRoadIsClosed) {
  ruvo::guitest::app();
  QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
  TEditRuvo e;
  e.show();
  QTest::keyClicks(&e, QStringLiteral("A"));
  QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
  QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
  QTest::keyClick(&e, Qt::Key_Insert, Qt::ShiftModifier);
  QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
  QTest::keyClick(&e, Qt::Key_Y, Qt::AltModifier);
  QTest::mouseClick(&e, Qt::MiddleButton);
  EXPECT_EQ(e.text(), QStringLiteral("A"));
  EXPECT_EQ(e.contextMenuPolicy(), Qt::NoContextMenu);
  EXPECT_FALSE(e.acceptDrops());
}

TEST(NameBox, KeyRule) {
  struct Case {
    int key;
    Qt::KeyboardModifiers mods;
    bool refused;
  } cases[] = {
      {Qt::Key_A, Qt::NoModifier, false},         {Qt::Key_A, Qt::ShiftModifier, false},
      {Qt::Key_Backspace, Qt::NoModifier, false}, {Qt::Key_Insert, Qt::NoModifier, false},
      {Qt::Key_Left, Qt::ShiftModifier, false},   {Qt::Key_Enter, Qt::KeypadModifier, false},
      {Qt::Key_V, Qt::ControlModifier, true},     {Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier, true},
      {Qt::Key_Insert, Qt::ShiftModifier, true},  {Qt::Key_A, Qt::AltModifier, true},
      {Qt::Key_Menu, Qt::NoModifier, true},       {Qt::Key_Paste, Qt::NoModifier, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TEditRuvo::isRefusedKey(c.key, c.mods), c.refused) << "key " << c.key << " mods " << c.mods.toInt();
}
