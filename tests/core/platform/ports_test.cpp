#include "core/platform/ports.h"

#include <gtest/gtest.h>

#include "core/platform/headlessports.h"
#include "core/platform/systemclock.h"

namespace {

using namespace ruvo::platform;

// A Ports nobody filled answers as a machine with nobody at it: nothing goes ahead.
TEST(Ports, NobodyGivenMeansNothingGoesAhead) {
  const Ports p;
  ASSERT_NE(p.dialogs, nullptr);
  ASSERT_NE(p.clock, nullptr);
  ASSERT_NE(p.clipboard, nullptr);
  ASSERT_NE(p.shell, nullptr);
  ASSERT_NE(p.screen, nullptr);
  p.dialogs->message("shown to nobody");
  EXPECT_EQ(p.dialogs->askYesNo("q"), Answer::No);
  EXPECT_EQ(p.dialogs->askYesNoCancel("q"), Answer::Cancel);
  EXPECT_EQ(p.dialogs->confirmNoOk("q"), Answer::No);
  EXPECT_EQ(p.dialogs->input("c", "p", "default"), std::nullopt);
  EXPECT_EQ(p.dialogs->openFile("t", "f", "/"), std::nullopt);
  EXPECT_EQ(p.dialogs->openFiles("t", "f", "/"), std::nullopt);
  EXPECT_EQ(p.dialogs->saveFile("t", "f", "/", "n", "x"), std::nullopt);
  EXPECT_EQ(p.dialogs->chooseFolder("t", "/"), std::nullopt);
  p.clipboard->setText("dropped");
  EXPECT_EQ(p.clipboard->text(), std::nullopt);
  EXPECT_EQ(p.clipboard->rtf(), std::nullopt);
  EXPECT_FALSE(p.shell->open("/tmp"));
  EXPECT_FALSE(p.shell->start("prog", {}));
  EXPECT_TRUE(p.screen->monitors().empty());
  EXPECT_GT(p.clock->tickMs(), 0);
}

TEST(Ports, FilledAndOverriddenKeepWhatWasGiven) {
  HeadlessPorts h;
  Ports partial;
  partial.dialogs = nullptr;
  partial.shell = &h.shell;
  const Ports filled = partial.filled();
  EXPECT_EQ(filled.dialogs, Ports().dialogs);
  EXPECT_EQ(filled.shell, &h.shell);

  // Over the headless ports: only what the override really gives replaces them.
  const Ports merged = h.ports().overriddenBy(partial);
  EXPECT_EQ(merged.dialogs, &h.dialogs);
  EXPECT_EQ(merged.clock, &h.clock);
  EXPECT_EQ(merged.shell, &h.shell);
  Ports clockOnly;
  FakeClock other;
  clockOnly.clock = &other;
  EXPECT_EQ(h.ports().overriddenBy(clockOnly).clock, &other);
  EXPECT_EQ(h.ports().overriddenBy(clockOnly).clipboard, &h.clipboard);
}

TEST(SystemClock, TicksNeverGoBackAndTheDateIsALocalOne) {
  SystemClock c;
  std::int64_t last = c.tickMs();
  EXPECT_GT(last, 0);
  for (int i = 0; i < 1000; ++i) {
    const std::int64_t t = c.tickMs();
    EXPECT_GE(t, last);
    last = t;
  }
  const DateTime d = c.now();
  EXPECT_GE(d.year, 2000);
  EXPECT_TRUE(d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= 31);
  EXPECT_TRUE(d.hour >= 0 && d.hour < 24 && d.minute >= 0 && d.minute < 60 && d.second >= 0 && d.second <= 60);
}

}  // namespace
