// The run journal: its records survive a crash at any byte, and a run resumed from it gives
// the result file an uninterrupted run gives.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/app/form1model.h"
#include "core/app/runjournal.h"
#include "core/app/simulation.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/platform/headlessports.h"
#include "testdocs.h"

namespace ruvo::app {
namespace {

namespace fs = std::filesystem;
using testing::ReadResultFile;
using testing::TempDir;
using testing::WriteTestDocument;

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void spit(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Names, phrase pages, a timed question section and an answer typed with tabs and breaks.
const std::vector<std::string> kStory = {
    "title=Journal \"A\"\tB",
    "autoqa=1",
    "score=1",
    "fadein=1",
    "<page>",
    "Welcome.",
    "<page name>",
    "Your name",
    "<page start>",
    "one two three four five six seven eight nine ten",
    "<page start pass>",
    "Faster Reading / makes better comprehension. / and more / ",
    "<page timerOn>",
    "??First",
    "?a",
    "?*b",
    "?!Say something",
    "<page timerOff>",
    "??How was it?",
    "?*x",
    "?y",
    "<page>",
    "Thank you.",
    "<page last>",
    "bye",
};

SimulationOptions storyOptions(const TempDir& dir, const std::string& sub) {
  SimulationOptions o;
  const std::string folder = dir / sub;
  fs::create_directories(folder);
  o.document = WriteTestDocument(dir / "story.ruvo", kStory);
  o.name = "Rudo\\Ko";
  o.answers = {"2", "two\twords\r\nand a break", "1"};
  o.seconds = {3, 4, 7.25, 9, 12.5, 6, 2};
  o.phraseSeconds = {{3, {1.5, 2, 0.75}}};
  o.date = {2026, 12, 10, 9, 8, 7};
  o.outFolder = folder;
  o.programFolder = folder;
  o.journalFolder = folder;
  return o;
}

TEST(RunJournal, EventsRoundTripThroughTheirRecords) {
  JournalEvent start;
  start.type = JournalEvent::Type::Start;
  start.test = {"t\tname\n.ruvo", 4294967295u, "title \\ with\r\nbreaks"};
  start.tick = 5'000'000'000;
  start.date = "2026/12/10 09:08:07";
  JournalEvent page;
  page.page = 4;
  page.kind = 3;
  page.ms = 12'500;
  page.tick = -3;
  page.words = 10;
  page.seconds = 7;
  page.name = "a=b\\n";
  page.answers = {{1, 2, "", "1"}, {2, 99, "tab\there\\t and\nbreak", ""}, {3, -1, "", ""}};
  JournalEvent phrase;
  phrase.type = JournalEvent::Type::Phrase;
  phrase.phrase = 2;
  phrase.press = false;
  JournalEvent finished;
  finished.type = JournalEvent::Type::Finished;
  finished.resultFile = "20261210090807Rudo.ruvot";
  for (const JournalEvent& e : {start, page, phrase, finished}) {
    JournalEvent back;
    ASSERT_TRUE(DecodeJournalEvent(EncodeJournalEvent(e), back)) << EncodeJournalEvent(e);
    EXPECT_EQ(back, e) << EncodeJournalEvent(e);
  }
  JournalEvent bad;
  for (const char* payload : {"", "type=nope\n", "type=page\npage=x\n", "type=page\nanswer=1\t2\n", "type=page"})
    EXPECT_FALSE(DecodeJournalEvent(payload, bad)) << payload;
}

TEST(RunJournal, ACutOrDamagedLastRecordIsDroppedAndTheRestReadsWhole) {
  std::string bytes(kJournalMagic);
  JournalEvent start;
  start.type = JournalEvent::Type::Start;
  start.test.file = "t.ruvo";
  bytes += FrameJournalRecord(EncodeJournalEvent(start));
  JournalEvent first;
  first.page = 0;
  first.name = "A";
  bytes += FrameJournalRecord(EncodeJournalEvent(first));
  const std::size_t before = bytes.size();
  JournalEvent last = first;
  last.page = 1;
  last.answers = {{1, 2, "", "1"}};
  bytes += FrameJournalRecord(EncodeJournalEvent(last));

  JournalContents whole;
  ASSERT_TRUE(ParseJournal(bytes, whole));
  EXPECT_EQ(whole.events.size(), 3u);
  EXPECT_FALSE(whole.torn);
  // A power loss may leave any prefix of the last record.
  for (std::size_t cut = before; cut < bytes.size(); ++cut) {
    JournalContents c;
    ASSERT_TRUE(ParseJournal(std::string_view(bytes).substr(0, cut), c)) << cut;
    ASSERT_EQ(c.events.size(), 2u) << cut;
    EXPECT_EQ(c.events.back(), first);
    EXPECT_EQ(c.validBytes, before);
    EXPECT_EQ(c.torn, cut > before);
  }
  // A flipped byte anywhere in the last record fails its checksum (or its length).
  for (std::size_t at = before; at < bytes.size(); ++at) {
    std::string damaged = bytes;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x20);
    JournalContents c;
    ASSERT_TRUE(ParseJournal(damaged, c));
    EXPECT_EQ(c.events.size(), 2u) << at;
  }
  // Not a journal: no magic, or no Start record first.
  JournalContents c;
  EXPECT_FALSE(ParseJournal("", c));
  EXPECT_FALSE(ParseJournal(bytes.substr(1), c));
  EXPECT_FALSE(ParseJournal(std::string(kJournalMagic) + FrameJournalRecord(EncodeJournalEvent(first)), c));
}

TEST(RunJournal, RunsNeverShareAFile) {
  TempDir dir("journals");
  TRunJournalWriter a, b;
  ASSERT_TRUE(a.Create(dir.path(), "t_20261210").ok());
  ASSERT_TRUE(b.Create(dir.path(), "t_20261210").ok());
  EXPECT_NE(a.Path(), b.Path());
  EXPECT_EQ(fs::path(a.Path()).filename(), "t_20261210.ruvoj");
  EXPECT_EQ(fs::path(b.Path()).filename(), "t_20261210_2.ruvoj");
  TRunJournalWriter c;
  EXPECT_FALSE(c.Create(dir / "t_20261210.ruvoj", "x").ok());  // a file where the folder should be
}

TEST(RunJournal, EveryPageAndPhraseIsJournaledWithItsTime) {
  TempDir dir("events");
  SimulationOptions o = storyOptions(dir, "a");
  const SimulationResult r = SimulateRun(o);
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_FALSE(r.journal.empty());
  EXPECT_EQ(fs::path(r.journal).parent_path(), fs::path(dir / "a"));
  JournalContents c;
  ASSERT_TRUE(ReadJournalFile(r.journal, c).ok());
  EXPECT_FALSE(c.Unfinished());
  EXPECT_EQ(c.events.back().type, JournalEvent::Type::Finished);
  EXPECT_EQ(c.events.back().resultFile, fs::path(r.resultFile).filename());
  EXPECT_EQ(c.events.front().test.title, "Journal \"A\"\tB");

  std::vector<int> pages;
  std::map<int, std::int64_t> pageMs, phraseMs;
  for (const auto& e : c.events) {
    if (e.type == JournalEvent::Type::Page) {
      pages.push_back(e.page);
      pageMs[e.page] = e.ms;
      EXPECT_EQ(e.date, "2026/12/10 09:08:07");
    } else if (e.type == JournalEvent::Type::Phrase) {
      phraseMs[e.page] += e.ms;
    }
  }
  // The page before the last shows the result: it is never left.
  EXPECT_EQ(pages, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(pageMs[0], 3000);
  EXPECT_EQ(pageMs[2], 7250);
  // The phrase page: its phrases' own times (the fourth shares the page's 9 s), which add up
  // to the page's.
  EXPECT_EQ(pageMs[3], 1500 + 2000 + 750 + 2250);
  EXPECT_EQ(phraseMs[3], pageMs[3]);
  EXPECT_EQ(phraseMs.size(), 1u);
  // The timed reading and the answers travel with their pages, and the name once typed.
  const auto page = [&](int p) {
    for (const auto& e : c.events)
      if (e.type == JournalEvent::Type::Page && e.page == p) return e;
    return JournalEvent{};
  };
  EXPECT_EQ(page(2).words, 10);
  EXPECT_EQ(page(2).seconds, 7);
  // The press that leaves the first page shows the name page and its box.
  EXPECT_EQ(page(0).name, "Rudo\\Ko");
  EXPECT_EQ(page(4).answers, (std::vector<JournalAnswer>{{1, 2, "", "1"}, {2, 99, "two\twords\r\nand a break", ""}}));
  EXPECT_EQ(page(5).answers, (std::vector<JournalAnswer>{{3, 1, "", "1"}}));
}

TEST(RunJournal, ARunStoppedAfterAnyPageResumesToTheSameResultFile) {
  TempDir dir("resume");
  SimulationOptions whole = storyOptions(dir, "whole");
  const SimulationResult expected = SimulateRun(whole);
  ASSERT_TRUE(expected.ok) << expected.error;
  const std::string expectedBytes = slurp(expected.resultFile);
  ASSERT_FALSE(expectedBytes.empty());

  for (int k = 1; k <= 6; ++k) {
    SCOPED_TRACE("stopped after page " + std::to_string(k));
    SimulationOptions o = storyOptions(dir, "k" + std::to_string(k));
    o.afterJournal = [k](const JournalEvent& e) { return !(e.type == JournalEvent::Type::Page && e.page == k - 1); };
    const SimulationResult stopped = SimulateRun(o);
    ASSERT_TRUE(stopped.stopped) << stopped.error;
    ASSERT_TRUE(ReadResultFile(dir / ("k" + std::to_string(k)) / fs::path(expected.resultFile).filename()).empty());

    o.afterJournal = nullptr;
    o.resume = true;
    const SimulationResult resumed = SimulateRun(o);
    ASSERT_TRUE(resumed.ok) << resumed.error;
    EXPECT_EQ(resumed.journal, stopped.journal);
    EXPECT_EQ(fs::path(resumed.resultFile).filename(), fs::path(expected.resultFile).filename());
    EXPECT_EQ(slurp(resumed.resultFile), expectedBytes);
    EXPECT_EQ(resumed.record, expected.record);
    EXPECT_EQ(resumed.values, expected.values);
    JournalContents c;
    ASSERT_TRUE(ReadJournalFile(resumed.journal, c).ok());
    EXPECT_FALSE(c.Unfinished());
    EXPECT_FALSE(c.torn);
  }
}

TEST(RunJournal, ATornLastRecordResumesFromTheEventBeforeIt) {
  TempDir dir("torn");
  SimulationOptions whole = storyOptions(dir, "whole");
  const SimulationResult expected = SimulateRun(whole);
  ASSERT_TRUE(expected.ok) << expected.error;
  const std::string expectedBytes = slurp(expected.resultFile);

  // Stopped after page 5; its last record (the event of page 5) is then cut at every byte.
  SimulationOptions o = storyOptions(dir, "cut");
  o.afterJournal = [](const JournalEvent& e) { return !(e.type == JournalEvent::Type::Page && e.page == 4); };
  const SimulationResult stopped = SimulateRun(o);
  ASSERT_TRUE(stopped.stopped);
  const std::string bytes = slurp(stopped.journal);
  JournalContents c;
  ASSERT_TRUE(ParseJournal(bytes, c));
  std::string withoutLast(kJournalMagic);
  for (std::size_t i = 0; i + 1 < c.events.size(); ++i)
    withoutLast += FrameJournalRecord(EncodeJournalEvent(c.events[i]));
  ASSERT_EQ(bytes.compare(0, withoutLast.size(), withoutLast), 0);

  o.afterJournal = nullptr;
  o.resume = true;
  for (std::size_t cut = withoutLast.size(); cut < bytes.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    fs::remove_all(dir / "cut");
    fs::create_directories(dir / "cut");
    spit(stopped.journal, std::string_view(bytes).substr(0, cut));
    const SimulationResult resumed = SimulateRun(o);
    ASSERT_TRUE(resumed.ok) << resumed.error;
    // The examinee goes on at page 5 and takes the same time on it.
    EXPECT_EQ(slurp(resumed.resultFile), expectedBytes);
    JournalContents after;
    ASSERT_TRUE(ReadJournalFile(resumed.journal, after).ok());
    EXPECT_FALSE(after.torn);
    EXPECT_FALSE(after.Unfinished());
  }
}

// The examinee program: the question, No keeps the old journal and starts afresh.
TEST(RunJournal, TheExamineeProgramAsksBeforeResuming) {
  TempDir dir("ask");
  const std::string doc = WriteTestDocument(dir / "t.ruvo", kStory);
  platform::HeadlessPorts hp;
  hp.dialogs.onInput = [](const std::string&, const std::string&, const std::string&) {
    return std::optional<std::string>("Ana");
  };
  std::string oldJournal;
  {
    TForm1Model m(hp.ports(), dir.path());
    m.SetExamineeProgram(true);
    m.Create({});
    ASSERT_TRUE(m.OpenTestDocument(doc));
    for (int i = 0; i < 3; ++i) {
      hp.clock.advance(2000);
      if (m.Timer2().enabled) m.Timer2Timer();
      m.acForward();
    }
    EXPECT_EQ(m.PageOnScreen(), 3);
    oldJournal = m.Run().JournalPath();
    ASSERT_FALSE(oldJournal.empty());
    EXPECT_EQ(fs::path(oldJournal).parent_path(), fs::path(m.ReportFolder()));
  }
  const std::size_t asked = hp.dialogs.log.size();
  hp.dialogs.onYesNo = [](const std::string& q) {
    return q.find("再開") != std::string::npos ? platform::Answer::No : platform::Answer::Yes;
  };
  {
    TForm1Model m(hp.ports(), dir.path());
    m.SetExamineeProgram(true);
    m.Create({});
    ASSERT_TRUE(m.OpenTestDocument(doc));
    ASSERT_GT(hp.dialogs.log.size(), asked);
    EXPECT_EQ(hp.dialogs.log[asked].kind, "yesno");
    EXPECT_EQ(hp.dialogs.log[asked].text, "前回の受験が 途中で終わっています。\r\n\r\n続きから 再開しますか？");
    EXPECT_EQ(m.PageOnScreen(), 0);  // afresh
    EXPECT_EQ(m.FExamineeName(), "");
    hp.clock.advance(1000);
    m.acForward();
    EXPECT_NE(m.Run().JournalPath(), oldJournal);
  }
  JournalContents old;
  ASSERT_TRUE(ReadJournalFile(oldJournal, old).ok());
  EXPECT_EQ(old.PageEvents(), 3);
  EXPECT_FALSE(old.Unfinished());  // set aside: not offered again
  EXPECT_EQ(old.events.back().type, JournalEvent::Type::SetAside);

  // Yes restores the pages read, the readings, the answers and the name.
  hp.dialogs.onYesNo = nullptr;
  TForm1Model m(hp.ports(), dir.path());
  m.SetExamineeProgram(true);
  m.Create({});
  ASSERT_TRUE(m.OpenTestDocument(doc));
  EXPECT_EQ(m.PageOnScreen(), 1);
  EXPECT_EQ(m.FExamineeName(), "Ana");
  EXPECT_EQ(m.TestView().label3.text, "Ana");
  EXPECT_TRUE(m.TestView().nameBoxUp == false);
}

}  // namespace
}  // namespace ruvo::app

namespace ruvo::app {
namespace {

// A journal is a file anyone can edit: its replay takes only what a run could have done.
TEST(RunJournal, AReplayTakesOnlyWhatARunCouldHaveDone) {
  struct Case {
    const char* what;
    std::vector<int> pages;              // the page each press ended
    std::vector<std::int64_t> ticks;     // its tick
    std::vector<JournalAnswer> answers;  // given with the press that ends page 4
    int pageOnScreen;
    std::vector<int> expectedAnswers;  // of questions 1..3
  };
  const std::int64_t week = 7LL * 24 * 3600 * 1000;
  // The phrase page 3 takes four presses.
  const std::vector<int> toPage5 = {0, 1, 2, 3, 3, 3, 3, 4};
  const std::vector<std::int64_t> ticks = {3000, 5000, 6000, 7000, 8000, 9000, 10000, 11000};
  const Case cases[] = {
      {"time runs forward", {0, 1}, {3000, 5000}, {}, 2, {-1, -1, -1}},
      {"a tick runs backwards", {0, 1, 2}, {3000, 500, 9000}, {}, 1, {-1, -1, -1}},
      {"more than a week on a page", {0, 1}, {3000, 3000 + week + 1}, {}, 1, {-1, -1, -1}},
      {"answers that fit", toPage5, ticks, {{1, 2, "", "1"}, {2, 99, "typed", ""}}, 5, {2, 99, -1}},
      {"answers no run could give",
       toPage5,
       ticks,
       {{1, 7, "", "1"}, {2, 1, "", ""}, {3, 1, "", "1"}, {0, 1, "", ""}, {-2147483647 - 1, 1, "", ""}},
       5,
       {-1, -1, -1}},
      // The press said to end page 4 ends a phrase of page 3: no question is on screen.
      {"answers for a page not on screen", {0, 1, 2, 4}, {3000, 5000, 6000, 7000}, {{1, 2, "", "1"}}, 3, {-1, -1, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir("replay");
    const std::string doc = WriteTestDocument(dir / "t.ruvo", kStory);
    std::string bytes(kJournalMagic);
    JournalEvent start;
    start.type = JournalEvent::Type::Start;
    start.test = JournalTestOf(doc);
    start.tick = 1000;
    bytes += FrameJournalRecord(EncodeJournalEvent(start));
    for (std::size_t i = 0; i < c.pages.size(); ++i) {
      JournalEvent e;
      e.page = c.pages[i];
      e.tick = c.ticks[i];
      e.name = "Ana";
      if (e.page == 4) e.answers = c.answers;
      bytes += FrameJournalRecord(EncodeJournalEvent(e));
    }
    fs::create_directories(dir / "report");
    spit(dir / "report/t_1.ruvoj", bytes);
    platform::HeadlessPorts hp;
    TForm1Model m(hp.ports(), dir.path());
    m.SetExamineeProgram(true);
    m.Create({});
    ASSERT_TRUE(m.OpenTestDocument(doc));
    EXPECT_EQ(m.PageOnScreen(), c.pageOnScreen);
    for (int q = 0; q < 3; ++q) EXPECT_EQ(m.FQAControler().Item(q)->Answer(), c.expectedAnswers[q]) << q + 1;
  }
}

}  // namespace
}  // namespace ruvo::app
