// The feedback graph window: the chart of 40 results, its context menu, the collection timer
// calling the poll, the replay, the copy with and without Ctrl, and the 4:3 placement.
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

#include "core/platform/headlessports.h"
#include "core/report/sumup.h"
#include "gui/report/form4.h"
#include "guitest.h"

namespace {

using ruvo::gui::TForm4;

class MemoryClipboard final : public ruvo::platform::Clipboard {
 public:
  void setRichText(const std::string&, const std::string&) override {}
  void setText(const std::string&) override {}
  void setImagePng(const std::string& png) override { image = QImage::fromData(QByteArray::fromStdString(png), "PNG"); }
  void setFiles(const std::vector<std::string>&) override {}
  std::optional<std::string> rtf() override { return std::nullopt; }
  std::optional<std::string> text() override { return std::nullopt; }
  QImage image;
};

// Forty results spread over an hour: speeds 80..400 WPM, scores falling with speed.
void addClass(ruvo::report::TSumUpList& list, int n, bool sameSecond = false) {
  const std::string header = "title\tname\tdate\twpm1\tscr1\tscr2\tscr3\tscr4";
  for (int i = 0; i < n; ++i) {
    char date[32];
    std::snprintf(date, sizeof date, "2024/06/01 10:%02d:%02d", sameSecond ? 0 : i * 59 / n,
                  sameSecond ? 0 : (i * 37) % 60);
    const int wpm = 80 + (i * 83) % 320;
    std::string scores;
    for (int q = 0; q < 4; ++q) scores += (((i * 7 + q * 3) % 11) * 40 > wpm - 60) ? "\t1" : "\t0";
    list.AddResult(
        {header, "Unit 1\tStudent " + std::to_string(i) + "\t" + date + "\t" + std::to_string(wpm) + ".00" + scores});
  }
}

QMenu* openMenu(TForm4& w) {
  QMenu* shown = nullptr;
  QTimer::singleShot(50, [&] {
    shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (shown) shown->close();
  });
  QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(100, 100), w.mapToGlobal(QPoint(100, 100)));
  QApplication::sendEvent(&w, &e);
  return shown;
}

TEST(FeedbackWindow, ChartOfFortyResultsCollectionAndCopy) {
  ruvo::guitest::app();
  ruvo::platform::ScriptedDialogs dialogs;
  MemoryClipboard clipboard;
  ruvo::report::TSumUpList list;
  addClass(list, 40);
  list.Scores().OperatorName = "Ito";
  list.Scores().SetSeed(7);
  TForm4 w(&dialogs, &clipboard);
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Feedback Graph"));
  w.setScores(&list.Scores());
  w.UpdateGraph();
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  EXPECT_EQ(w.size(), QSize(810, 632));
  EXPECT_EQ(w.Image1->geometry(), QRect(0, 12, 810, 607));
  EXPECT_FALSE(w.ProgressBar1->isVisible());
  ruvo::guitest::saveScreenshot(&w, QStringLiteral("feedback-40-points"));

  // The menu offers start while collection is off; starting it runs the poll at every tick.
  QMenu* menu = openMenu(w);
  ASSERT_EQ(menu, w.PopupMenu1);
  EXPECT_TRUE(w.N2->isEnabled());
  EXPECT_FALSE(w.N1->isEnabled());
  int polls = 0;
  w.setPoll([&] {
    ++polls;
    addClass(list, 1);
    w.UpdateGraph();
  });
  w.N2->trigger();
  EXPECT_TRUE(w.tmGraph.isActive());
  w.tmGraph.setInterval(30);  // the shortest interval offered is 3 s; the test does not wait that long
  ASSERT_TRUE(ruvo::guitest::waitUntil([&] { return polls >= 2; }));
  openMenu(w);
  EXPECT_TRUE(w.N1->isEnabled());
  EXPECT_FALSE(w.N2->isEnabled());
  w.N1->trigger();
  EXPECT_FALSE(w.tmGraph.isActive());

  // Copy: the chart as shown; with Ctrl the silver plot turns white and the gray bands stay.
  auto count = [](const QImage& img, QRgb c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == c;
    return n;
  };
  w.setCtrlHeld([] { return false; });
  w.Copy1->trigger();
  ASSERT_FALSE(clipboard.image.isNull());
  EXPECT_EQ(clipboard.image.size(), QSize(809, 606));
  EXPECT_GT(count(clipboard.image, qRgb(192, 192, 192)), 1000);
  EXPECT_EQ(dialogs.log.back().text, "クリップボードにコピーしました\r\n画像ソフトやワードに貼り付けられます");
  w.setCtrlHeld([] { return true; });
  w.Copy1->trigger();
  EXPECT_EQ(count(clipboard.image, qRgb(192, 192, 192)), 0);
  EXPECT_GT(count(clipboard.image, qRgb(165, 165, 165)), 1000);
  clipboard.image.save(QStringLiteral(RUVO_SCREENSHOT_DIR) + QStringLiteral("/feedback-copy-ctrl.png"));

  // A tall window centres the chart vertically at the full width.
  w.resize(400, 800);
  EXPECT_EQ(w.Image1->geometry(), QRect(0, 250, 400, 300));
}

TEST(FeedbackWindow, ReplayBringsThePointsInAndEnds) {
  ruvo::guitest::app();
  ruvo::platform::ScriptedDialogs dialogs;
  MemoryClipboard clipboard;
  ruvo::report::TSumUpList list;
  addClass(list, 40);
  list.Scores().SetSeed(3);
  TForm4 w(&dialogs, &clipboard);
  w.setScores(&list.Scores());
  w.AnimeDure = 3000;
  w.tmAnime.setInterval(60);  // a quicker tick; the steps stay 3000 / 300
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  w.B1->trigger();
  EXPECT_TRUE(w.ProgressBar1->isVisible());
  EXPECT_EQ(w.ProgressBar1->maximum(), 50);  // 3000 ms at the 60 ms tick
  ASSERT_TRUE(ruvo::guitest::waitUntil([&] { return w.Replay.Position() >= 25; }));
  ruvo::guitest::saveScreenshot(&w, QStringLiteral("feedback-replay-half"));
  ASSERT_TRUE(ruvo::guitest::waitUntil([&] { return !w.tmAnime.isActive(); }, 15000));
  EXPECT_FALSE(w.ProgressBar1->isVisible());

  // All results in the same second: the replay still ends, after its planned ticks.
  ruvo::report::TSumUpList same;
  addClass(same, 5, true);
  w.setScores(&same.Scores());
  w.B1->trigger();
  ASSERT_TRUE(ruvo::guitest::waitUntil([&] { return !w.tmAnime.isActive(); }, 15000));
  EXPECT_EQ(w.Replay.Position(), 50);
}

TEST(FeedbackWindow, SettingsMarkTheirMenuItems) {
  ruvo::guitest::app();
  struct Case {
    int interval, dure, timer;
    QString intervalMarked, dureMarked;
  } cases[] = {
      {1000, 7000, 3000, "3", "7 sec"},
      {4000, 5000, 4000, "7", ""},  // no item matches: "7" stays marked, no replay length is
      {33000, 15000, 33000, "33", "15 sec"},
  };
  for (const auto& c : cases) {
    TForm4 w(nullptr, nullptr);
    w.ApplySettings(c.interval, c.dure);
    EXPECT_EQ(w.tmGraph.interval(), c.timer);
    QString marked, dure;
    for (QAction* a : w.miInterval->actions())
      if (a->isChecked()) marked += a->text();
    for (QAction* a : w.miAnimeDure->actions())
      if (a->isChecked()) dure += a->text();
    EXPECT_EQ(marked, c.intervalMarked) << c.interval;
    EXPECT_EQ(dure, c.dureMarked) << c.dure;
    EXPECT_EQ(w.IntervalSetting(), c.timer);
  }
}

TEST(FeedbackWindow, OneFastReaderLeavesTheChartReadable) {
  ruvo::guitest::app();
  ruvo::report::TSumUpList list;
  addClass(list, 40);
  // A page clicked through: 2,000 WPM.
  list.AddResult(
      {"title\tname\tdate\twpm1\tscr1\tscr2\tscr3\tscr4", "Unit 1\tQuick\t2024/06/01 10:30:30\t2000.00\t0\t0\t1\t0"});
  list.Scores().SetSeed(7);
  TForm4 w(nullptr, nullptr);
  w.setScores(&list.Scores());
  w.UpdateGraph();
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  const QImage chart = w.Image1->image();
  ASSERT_EQ(chart.size(), QSize(800, 600));
  chart.save(QStringLiteral("/tmp/report-chart-fast.png"));
  ruvo::guitest::saveScreenshot(&w, QStringLiteral("feedback-fast-reader"));

  // The x labels, as painted, do not touch each other: between two labels there is a column of
  // background under the axis.
  // Rows of the label glyphs only: below the ticks, above the frame's bottom line at 510.
  const int top = 490, bottom = 509;
  std::vector<bool> inked(800, false);
  for (int x = 40; x < 460; ++x)
    for (int y = top; y < bottom && !inked[static_cast<std::size_t>(x)]; ++y)
      inked[static_cast<std::size_t>(x)] = QColor(chart.pixel(x, y)).lightness() < 128;
  int runs = 0, longest = 0, run = 0;
  for (int x = 40; x < 460; ++x) {
    if (inked[static_cast<std::size_t>(x)]) {
      run = run == 0 ? (++runs, 1) : run + 1;
      longest = std::max(longest, run);
    } else if (run > 0 && x + 3 < 460 && !inked[static_cast<std::size_t>(x + 1)] &&
               !inked[static_cast<std::size_t>(x + 2)]) {
      run = 0;
    }
  }
  EXPECT_GE(runs, 3);      // several labels
  EXPECT_LE(longest, 60);  // none run into the next: no smear across the axis
  // Nothing red above or below the plot: the regression line stops at its frame.
  int redOutside = 0;
  for (int y = 100; y < 540; ++y)
    for (int x = 0; x < 540; ++x) {
      if (y >= 175 && y <= 479) continue;
      const QColor c(chart.pixel(x, y));
      redOutside += c.red() > 200 && c.green() < 80 && c.blue() < 80;
    }
  EXPECT_EQ(redOutside, 0);
}

}  // namespace
