// Whole test runs through the main-window model with a fake clock and scripted dialogs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/app/form1model.h"
#include "core/app/paths.h"
#include "core/app/resultrecord.h"
#include "core/app/simulation.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/platform/headlessports.h"
#include "core/text/format.h"
#include "testdocs.h"

namespace ruvo::app {
namespace {

using platform::FakeClock;
using platform::HeadlessPorts;
using testing::Fields;
using testing::ReadResultFile;
using testing::TempDir;
using testing::WriteTestDocument;

const std::vector<std::string> kUnit3 = {
    "title=Unit 3",
    "autoqa=1",
    "score=1",
    "<page name>",
    "Your name",
    "<page start>",
    "one two three four five six seven eight nine ten",
    "<page timerOn>",
    "??First",
    "?a",
    "?*b",
    "??Second",
    "?*a",
    "?b",
    "?!Say something",
    "<page timerOff>",
    "??How was it?",
    "?x",
    "?y",
    "<page>",
    "Thank you.",
    "<page last>",
    "bye",
};

// A model on headless ports; the examinee's name is answered by `name`.
struct Story {
  HeadlessPorts hp;
  TempDir dir{"story"};
  std::unique_ptr<TForm1Model> m;
  std::string name = "Rudo";
  explicit Story(bool create = true) {
    hp.clock.tick = 5'000'000'000;  // beyond 32 bits: the tick must never wrap
    hp.clock.date = {2004, 5, 6, 10, 11, 12};
    hp.dialogs.onInput = [this](const std::string&, const std::string&, const std::string&) {
      return std::optional<std::string>(name);
    };
    m = std::make_unique<TForm1Model>(hp.ports(), dir.path());
    if (create) m->Create({});
  }
  bool open(const std::vector<std::string>& lines, const std::string& file = "t.ruvo") {
    return m->OpenTestDocument(WriteTestDocument(dir / file, lines));
  }
  void wait(double s) { hp.clock.advance(static_cast<std::int64_t>(s * 1000)); }
  void press() {
    if (m->Timer2().enabled) m->Timer2Timer();
    m->acForward();
  }
};

TEST(TestRun, WholeRunGivesTheResultFileColumnByColumn) {
  TempDir out("out");
  SimulationOptions o;
  o.document = WriteTestDocument(out / "unit3.ruvo", kUnit3);
  o.name = "Rudo";
  o.answers = {"2", "2", "hello", "1"};
  o.seconds = {5, 7, 12, 3, 2};
  o.date = {2004, 5, 6, 10, 11, 12};
  o.outFolder = out.path();
  o.programFolder = out.path();
  SimulationResult r = SimulateRun(o);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.resultFile, out / "20040506101112Rudo.ruvot");
  auto lines = ReadResultFile(r.resultFile);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Fields(lines[0]), (std::vector<std::string>{"title", "name", "date", "time", "wrd1", "rt1", "wpm1", "qt1",
                                                        "ans1", "ans2", "ans3", "ans4", "scr1", "scr2"}));
  // The test clock runs from the confirmed reading start (5 s in) to the end (29 s in): 22 s.
  EXPECT_EQ(Fields(lines[1]), (std::vector<std::string>{"Unit 3", "Rudo", "2004/05/06 10:11:12", "0.37", "10", "7",
                                                        "85.71", "12", "2", "2", "hello", "1", "1", "0"}));
  // The readable record under the last page.
  EXPECT_NE(r.record.find("---------------\ntitle: Unit 3\nname: Rudo\ndate: 2004/05/06 10:11:12\n"), std::string::npos)
      << r.record;
  EXPECT_NE(r.record.find("time: 0 minutes"), std::string::npos);
  EXPECT_NE(r.record.find("average: 85 WPM"), std::string::npos);
  EXPECT_NE(r.record.find("\t(1) 10 words / 7 sec = 85 WPM"), std::string::npos);
  EXPECT_NE(r.record.find("questions section:\n\t(1) 12 sec"), std::string::npos);
  EXPECT_NE(r.clipboard.find("questions section:"), std::string::npos);

  // Unanswered: "-" in its ans column and a single blank, not "0", in its scr column.
  o.answers = {"-", "1"};
  o.date = {2004, 5, 6, 10, 11, 13};
  r = SimulateRun(o);
  ASSERT_TRUE(r.ok) << r.error;
  auto v = Fields(ReadResultFile(r.resultFile).at(1));
  ASSERT_EQ(v.size(), 14u);
  EXPECT_EQ(v[8], "-");
  EXPECT_EQ(v[12], " ");
  EXPECT_EQ(v[13], "1");
  EXPECT_EQ(v[10], "-");  // the field was left empty
}

TEST(TestRun, RecordAndFileDifferWhereTheyShould) {
  // 100 words in 7 s: 857 in the readable line, 857.14 in the file; without the score detail the
  // record has no question-section lines but the file keeps its qt column.
  std::string words;
  for (int i = 0; i < 100; ++i) words += i ? " w" : "w";
  TempDir out("out2");
  SimulationOptions o;
  o.document =
      WriteTestDocument(out / "t.ruvo", {"title=T", "autoqa=1", "score=0", "<page name>", "n", "<page start pass>",
                                         words, "<page timerOn>", "??Q", "?a", "?*b", "<page>", "end", "<page last>"});
  o.name = "A.B/C";
  o.answers = {"2"};
  o.seconds = {1, 7, 4};
  o.date = {2004, 5, 6, 10, 11, 12};
  o.outFolder = out.path();
  o.programFolder = out.path();
  SimulationResult r = SimulateRun(o);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(FileNameOf(r.resultFile), "20040506101112ABC.ruvot");
  EXPECT_NE(r.record.find("\t(1) 100 words / 7 sec = 857 WPM"), std::string::npos) << r.record;
  EXPECT_EQ(r.record.find("questions section:"), std::string::npos);
  EXPECT_NE(r.clipboard.find("questions section:\n\t(1) 4 sec"), std::string::npos) << r.clipboard;
  auto lines = ReadResultFile(r.resultFile);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Fields(lines[0]),
            (std::vector<std::string>{"title", "name", "date", "time", "wrd1", "rt1", "wpm1", "qt1", "ans1", "scr1"}));
  EXPECT_EQ(Fields(lines[1]), (std::vector<std::string>{"T", "A.B/C", "2004/05/06 10:11:12", "0.07", "100", "7",
                                                        "857.14", "4", "2", "1"}));
}

TEST(TestRun, ReadingStartQuestionLockAndDeclinedStart) {
  Story s;
  int asked = 0;
  platform::Answer reply = platform::Answer::No;
  s.hp.dialogs.onYesNo = [&](const std::string& t) {
    if (t == "読解計測を始めます。\r\n\r\nいいですか？") ++asked;
    return reply;
  };
  ASSERT_TRUE(s.open(kUnit3));
  EXPECT_EQ(s.m->FExamineeName(), "Rudo");
  EXPECT_EQ(s.m->FCurrentPage(), 1);
  s.press();  // declined: stays on the name page, nothing timed
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(s.m->FCurrentPage(), 1);
  EXPECT_TRUE(s.m->acForwardState().enabled);
  EXPECT_FALSE(s.m->FPageControler().TimerRunning());
  reply = platform::Answer::Yes;
  s.press();
  EXPECT_EQ(s.m->FCurrentPage(), 2);
  // Forward is locked for 3 s after a confirmed start.
  EXPECT_FALSE(s.m->acForwardState().enabled);
  EXPECT_TRUE(s.m->Timer2().enabled);
  EXPECT_EQ(s.m->Timer2().intervalMs, 3000);
  EXPECT_FALSE(s.m->acForward());
  EXPECT_EQ(s.m->FCurrentPage(), 2);
  s.m->Timer2Timer();
  EXPECT_TRUE(s.m->acForwardState().enabled);
  EXPECT_FALSE(s.m->Timer2().enabled);
}

TEST(TestRun, PassFlagStartsWithoutQuestionOrLock) {
  Story s;
  ASSERT_TRUE(s.open({"autoqa=1", "<page>", "intro", "<page start pass>", "a b c", "<page>", "end", "<page last>"}));
  s.press();
  EXPECT_TRUE(s.hp.dialogs.log.empty() || std::none_of(s.hp.dialogs.log.begin(), s.hp.dialogs.log.end(),
                                                       [](const auto& a) { return a.kind == "yesno"; }));
  EXPECT_TRUE(s.m->acForwardState().enabled);
  EXPECT_FALSE(s.m->Timer2().enabled);
  s.wait(4.5);
  s.press();  // leaving the reading: 4.5 s rounds half to even = 4
  ASSERT_EQ(s.m->FMeter().ReadingCount(), 1);
  EXPECT_EQ(s.m->FMeter().ReadingAt(0)->Seconds, 4);
  EXPECT_EQ(s.m->FMeter().ReadingAt(0)->Words, 3);
  // The text page before the last page produces the results; the last page's text is not shown.
  EXPECT_EQ(s.m->TestView().speedButton1Action, ForwardBinding::acCopyRec);
  EXPECT_EQ(rt::plainText(s.m->TestView().richEdit1).find("end\r\n"), 0u);
}

TEST(TestRun, StatusLineBreaksAfterEveryThirtiethGlyph) {
  Story s;
  std::vector<std::string> doc{"autoqa=1"};
  for (int i = 0; i < 31; ++i) {
    doc.push_back(i == 2 ? "<page start pass>" : "<page>");
    doc.push_back("page " + std::to_string(i));
  }
  doc.push_back("<page last>");
  ASSERT_TRUE(s.open(doc));
  for (int i = 0; i < 4; ++i) s.press();
  const TestViewState& t = s.m->TestView();
  EXPECT_EQ(t.label1.text, "5 / 31");
  std::string expected = "■■★■■";
  for (int i = 5; i < 30; ++i) expected += "□";
  expected += "　\n□";
  EXPECT_EQ(t.label2.text, expected);
  EXPECT_EQ(t.label2.color, 0x808080);
  EXPECT_EQ(t.label2.left, 22);
}

TEST(TestRun, PhrasePageShowsOnePhrasePerPressThenLeaves) {
  Story s;
  ASSERT_TRUE(s.open({"autoqa=1", "fadein=1", "overflow=1", "<page>", "intro", "<page start pass>",
                      "Faster Reading / makes better comprehension. / ", "<page>", "after", "<page last>"}));
  ASSERT_EQ(s.m->FPageControler().Page(1)->PhraseMarkCount(), 3);
  s.press();  // enters: the first phrase, underlined
  const auto& t = s.m->TestView();
  EXPECT_EQ(s.m->FCurrentPage(), 1);
  EXPECT_TRUE(t.progressBar1.visible);
  EXPECT_EQ(t.progressBar1.maximum, 3);
  EXPECT_TRUE(t.richEdit1.formatAt(0).underline);
  s.wait(1);
  s.press();  // the second phrase
  EXPECT_EQ(s.m->FCurrentPage(), 1);
  EXPECT_EQ(t.progressBar1.position, 3);  // the chunk index after the step, plus one
  s.wait(1);
  s.press();  // completes the page: underline gone
  EXPECT_EQ(s.m->FCurrentPage(), 2);
  EXPECT_FALSE(t.richEdit1.formatAt(0).underline);
  EXPECT_EQ(s.m->FMeter().ReadingCount(), 0);
  s.wait(1);
  s.press();  // leaves it
  ASSERT_EQ(s.m->FMeter().ReadingCount(), 1);
  EXPECT_EQ(s.m->FMeter().ReadingAt(0)->Seconds, 3);
  EXPECT_EQ(s.m->FMeter().ReadingAt(0)->Words, 5);
  EXPECT_FALSE(t.progressBar1.visible);
}

TEST(TestRun, FontLevelsScaleFromTheDocumentSizes) {
  Story s;
  ASSERT_TRUE(s.open({"autoqa=1", "<page>", "text", "<page>", "more", "<page last>"}));
  auto size = [&] { return s.m->TestView().richEdit1.formatAt(0).sizeHalfPoints; };
  const int base = size();
  s.m->acBigLetter();
  EXPECT_EQ(s.m->FFontLevel(), 4);
  EXPECT_EQ(size(), 2 * static_cast<int>(text::roundHalfEven(base / 2.0 * 1.2)));
  const int up = size();
  s.m->acSmallLetter();
  EXPECT_EQ(size(), 2 * static_cast<int>(text::roundHalfEven(up / 2.0 * 0.83)));
  for (int i = 0; i < 10; ++i) s.m->acBigLetter();
  EXPECT_EQ(s.m->FFontLevel(), 7);
  const int top = size();
  s.m->acBigLetter();  // already at the top: nothing changes
  EXPECT_EQ(size(), top);
  s.press();  // a new page is shown at the level's absolute scale of the document's sizes
  EXPECT_EQ(size(), 2 * static_cast<int>(text::roundHalfEven(base / 2.0 * 2.07)));
}

TEST(TestRun, NameBoxInsistsOnARealName) {
  Story s(false);
  std::vector<std::string> typed = {"   ", "必須です", "", " Ito "};
  std::size_t next = 0;
  std::vector<std::string> defaults;
  s.hp.dialogs.onInput = [&](const std::string& caption, const std::string& prompt, const std::string& def) {
    EXPECT_EQ(caption, "受験者の名前");
    EXPECT_EQ(prompt, "番号か名前を入力");
    defaults.push_back(def);
    return next < typed.size() ? std::optional<std::string>(typed[next++]) : std::nullopt;
  };
  s.m->Create({});
  ASSERT_TRUE(s.open({"<page name>", "name", "<page>", "x", "<page last>"}));
  EXPECT_EQ(s.m->FExamineeName(), "Ito");
  EXPECT_EQ(next, 4u);
  EXPECT_EQ(defaults.front(), "必須です");
  EXPECT_EQ(s.m->TestView().label3.text, "Ito");
  EXPECT_FALSE(s.m->TestView().nameBoxUp);
  EXPECT_TRUE(s.m->TestView().richEdit1Visible);
}

TEST(TestRun, UnansweredQuestionsCanSendTheExamineeBack) {
  Story s;
  platform::Answer reply = platform::Answer::Yes;
  s.hp.dialogs.onYesNo = [&](const std::string& t) {
    return t == "未解答項目があります。 もどって解答しますか？" ? reply : platform::Answer::Yes;
  };
  ASSERT_TRUE(
      s.open({"autoqa=1", "<page start pass>", "a b", "<page>", "??Q", "?a", "?*b", "<page>", "x", "<page last>"}));
  s.press();
  ASSERT_EQ(s.m->FCurrentPage(), 2);
  ASSERT_EQ(s.m->AnswerPanels().size(), 1u);
  EXPECT_TRUE(s.m->TestView().panel5Visible);
  EXPECT_TRUE(s.m->TestView().panel11Visible);
  s.press();  // Yes: back to answer
  EXPECT_EQ(s.m->FCurrentPage(), 2);
  // A click on the choice link line selects the choice, as the radio button would.
  const auto& t = s.m->TestView().richEdit1;
  int link = -1;
  for (int i = 0; i < t.lineCount(); ++i)
    if (s.m->IsAnswerLinkLine(i) && link < 0) link = i;
  ASSERT_GT(link, 0);
  s.m->ClickLine(link + 2);  // the second choice line (its link line comes first)
  auto panels = s.m->AnswerPanels();
  ASSERT_EQ(panels.size(), 1u);
  EXPECT_EQ(panels[0].answer, 2);
  EXPECT_EQ(panels[0].answerLabel, "b");
  s.press();
  EXPECT_EQ(s.m->FCurrentPage(), 4);
}

TEST(TestRun, CopyTwiceWritesTheSameLinesAndNeverReplacesAFile) {
  Story s;
  s.m->SetReportFolderOverride(s.dir / "report");
  ASSERT_TRUE(s.open({"title=T", "autoqa=1", "score=1", "gradelist=7", "<page start pass>", "a b c", "<page>", "??Q",
                      "?a", "?*b", "<page last>"}));
  s.m->SetExamineeName("Rudo");
  s.wait(3);
  s.press();
  s.m->SelectChoice(1, 2);
  s.press();  // leaving the question page ends the test
  ASSERT_EQ(s.m->TestView().speedButton1Action, ForwardBinding::acCopyRec);
  s.m->acCopyRec();
  const std::string first = s.m->LastResultFile();
  EXPECT_EQ(FileNameOf(first), "20040506101112Rudo.ruvot");
  auto lines = ReadResultFile(first);
  ASSERT_EQ(lines.size(), 2u);
  // The test clock starts only when a reading with the pass flag is left, so it measured nothing.
  EXPECT_EQ(Fields(lines[0]),
            (std::vector<std::string>{"title", "name", "date", "wrd1", "rt1", "wpm1", "ans1", "scr1", "mj1"}));
  EXPECT_EQ(Fields(lines[1]),
            (std::vector<std::string>{"T", "Rudo", "2004/05/06 10:11:12", "3", "3", "60.00", "2", "1", "7"}));
  EXPECT_FALSE(s.m->TestView().speedButton1Visible);
  EXPECT_TRUE(s.m->acOpenFolderState().visible);
  EXPECT_EQ(s.m->acOpenFolderState().hint, "20040506101112Rudo.ruvot");
  EXPECT_NE(rt::plainText(s.m->TestView().richEdit1).find("結果ファイルは 20040506101112Rudo.ruvot です"),
            std::string::npos);
  // Copy again (the same second, the same name): the same two lines, in a new file.
  s.m->acCopyRec();
  EXPECT_EQ(FileNameOf(s.m->LastResultFile()), "20040506101112Rudo_2.ruvot");
  EXPECT_EQ(ReadResultFile(s.m->LastResultFile()), lines);
  EXPECT_EQ(ReadResultFile(first), lines);
}

TEST(TestRun, AQuestionPageBeforeTheEndIsAnsweredBeforeTheRecordIsMade) {
  // The record and the file must agree: the test ends when the last question page is left,
  // with its answers and its question time.
  for (const bool lastPage : {true, false}) {
    Story s;
    std::vector<std::string> doc = {"title=T", "autoqa=1", "score=1", "<page start pass>", "a b c", "<page timerOn>",
                                    "??Q",     "?a",       "?*b"};
    if (lastPage) doc.push_back("<page last>"), doc.push_back("bye");
    ASSERT_TRUE(s.open(doc));
    s.wait(3);
    s.press();
    EXPECT_EQ(s.m->TestView().speedButton1Action, ForwardBinding::acForward) << lastPage;
    EXPECT_TRUE(s.m->LastRecordText().empty()) << lastPage;
    s.m->SelectChoice(1, 2);
    s.wait(4);
    s.press();
    ASSERT_EQ(s.m->TestView().speedButton1Action, ForwardBinding::acCopyRec) << lastPage;
    EXPECT_NE(s.m->LastRecordText().find("score: 1 / 1;"), std::string::npos) << s.m->LastRecordText();
    EXPECT_EQ(s.m->FAnswerLog(), (std::vector<std::string>{"4"})) << lastPage;
    EXPECT_EQ(rt::plainText(s.m->TestView().richEdit1).find("bye"), std::string::npos);
    s.m->acCopyRec();
    auto lines = ReadResultFile(s.m->LastResultFile());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Fields(lines[0]), (std::vector<std::string>{"title", "name", "date", "time", "wrd1", "rt1", "wpm1", "qt1",
                                                          "ans1", "scr1"}));
    EXPECT_EQ(Fields(lines[1]).back(), "1");
  }
}

TEST(TestRun, OnlyTheTimedReadingCountsItsWords) {
  // A 6-word instruction shown phrase by phrase before a 10-word reading: the reading has 10.
  Story s;
  ASSERT_TRUE(s.open({"autoqa=1", "fadein=1", "<page>", "one two three/ four five six/ ", "<page start pass>",
                      "a b c d e f g h i j", "<page>", "end", "<page last>"}));
  for (int i = 0; i < 4 && s.m->FMeter().ReadingCount() == 0; ++i) {
    s.wait(2);
    s.press();
  }
  ASSERT_EQ(s.m->FMeter().ReadingCount(), 1);
  EXPECT_EQ(s.m->FMeter().ReadingAt(0)->Words, 10);
}

TEST(TestRun, ANameBoxNobodyAnswersEndsTheRun) {
  for (const char* typed : {"", "   ", "必須です"}) {
    Story s(false);
    int asked = 0;
    s.hp.dialogs.onInput = [&](const std::string&, const std::string&, const std::string&) {
      ++asked;
      return std::optional<std::string>(typed);
    };
    s.m->Create({});
    ASSERT_TRUE(s.open({"autoqa=1", "<page name>", "name", "<page start pass>", "a b", "<page last>"}));
    EXPECT_TRUE(s.m->RunAbandoned()) << typed;
    EXPECT_LE(asked, 100) << typed;
    EXPECT_EQ(s.m->FCurrentPage(), 0);
    EXPECT_FALSE(s.m->TestView().speedButton1Visible);
    EXPECT_FALSE(s.m->acForward());
  }
  // Without a dialogs port at all.
  TempDir dir("noport");
  FakeClock clock;
  platform::Ports ports;
  ports.clock = &clock;
  TForm1Model m(ports, dir.path());
  m.Create({});
  ASSERT_TRUE(m.OpenTestDocument(WriteTestDocument(dir / "t.ruvo", {"<page name>", "n", "<page>", "x"})));
  EXPECT_TRUE(m.RunAbandoned());
  // Taken headless, the refusal is the run's error.
  SimulationOptions o;
  o.document = dir / "t.ruvo";
  o.name = " ";
  o.programFolder = o.outFolder = dir.path();
  SimulationResult r = SimulateRun(o);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("name"), std::string::npos) << r.error;
  std::string error;
  EXPECT_FALSE(CheckExamineeName("必須です", error));
  EXPECT_TRUE(CheckExamineeName("Ito", error));
}

TEST(TestRun, SecondsBeyondAReadingAreRefusedAndAFailedSaveSaysSo) {
  std::vector<double> secs;
  std::string error;
  EXPECT_FALSE(ParseSeconds("10,1e300", secs, error));
  EXPECT_FALSE(ParseSeconds("2147483648", secs, error));
  EXPECT_TRUE(ParseSeconds("2147483647,0.5", secs, error)) << error;

  TempDir out("unsaved");
  std::ofstream(out / "blocker") << "a file where the folder should be";
  SimulationOptions o;
  o.document = WriteTestDocument(out / "t.ruvo", {"title=T", "autoqa=1", "<page start pass>", "a b", "<page>", "x"});
  o.name = "Ito";
  o.programFolder = out.path();
  o.outFolder = out / "blocker/report";
  SimulationResult r = SimulateRun(o);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(r.resultFile.empty());
  EXPECT_EQ(r.noResultFile.rfind("it could not be saved: 結果ファイルを 保存できませんでした。", 0), 0u)
      << r.noResultFile;
  o.document = WriteTestDocument(out / "off.ruvo", {"title=T", "autoqa=0", "<page start pass>", "a b", "<page>", "x"});
  r = SimulateRun(o);
  EXPECT_EQ(r.noResultFile, "online answering is off, so the test view offers no Copy");
}

TEST(TestRun, ResultGoesToTheCollectionFolderOfTheEnvironmentFile) {
  Story s;
  TempDir collect("collect");
  storage::TCompressStringList env;
  env.Add("ToTeacher=" + collect.path());
  ASSERT_TRUE(env.SaveToFile(s.dir / "ruvo_envi.dat"));
  ASSERT_TRUE(s.open({"title=T", "autoqa=1", "<page start pass>", "a b c", "<page>", "x", "<page last>"}));
  s.m->SetExamineeName("Rudo");
  s.press();
  s.press();
  s.m->acCopyRec();
  EXPECT_EQ(s.hp.dialogs.messages().back(), "結果ファイルを 送信しました。");
  EXPECT_TRUE(FileExists(collect / "20040506101112Rudo.ruvot"));
  EXPECT_TRUE(FileExists(s.dir / "report/20040506101112Rudo.ruvot"));
  EXPECT_TRUE(s.hp.shell.opened.empty());  // sent: the report folder is not opened
}

TEST(TestRun, AReportFolderThatNoProgramOpensIsToldWithItsPath) {
  // The folder is where the examinee copies the result by hand: when no file browser takes it,
  // the examinee is told so, with the path, instead of nothing happening.
  struct RefusingShell final : platform::Shell {
    std::vector<std::string> opened;
    bool open(const std::string& p) override {
      opened.push_back(p);
      return false;
    }
    bool start(const std::string&, const std::vector<std::string>&) override { return false; }
    std::string programPath() override { return "/usr/bin/ruvo"; }
    std::string version() override { return "0"; }
    std::string systemName() override { return "Linux"; }
  } shell;
  Story s(false);
  platform::Ports ports = s.hp.ports();
  ports.shell = &shell;
  TForm1Model m(ports, s.dir.path());
  m.Create({});
  m.SetReportFolderOverride(s.dir / "report");
  m.acOpenFolder();
  EXPECT_EQ(shell.opened, std::vector<std::string>{s.dir / "report"});
  ASSERT_FALSE(s.hp.dialogs.messages().empty());
  EXPECT_EQ(s.hp.dialogs.messages().back(),
            s.dir / "report" + "\r\n\r\nこのフォルダを開けるアプリケーションがありません");
}

TEST(TestRun, ResultFilesOfOtherExamineesAreKeptInBothFolders) {
  // Another examinee's run of the same second is already in the collection folder, and a
  // third one in the report folder: both copies move on to a name free in both, and the
  // files already there keep their content.
  Story s;
  TempDir collect("collect");
  storage::TCompressStringList env;
  env.Add("ToTeacher=" + collect.path());
  ASSERT_TRUE(env.SaveToFile(s.dir / "ruvo_envi.dat"));
  std::ofstream(collect / "20040506101112Rudo.ruvot") << "another examinee";
  std::filesystem::create_directories(s.dir / "report");
  std::ofstream(s.dir / "report/20040506101112Rudo_2.ruvot") << "a third one";
  ASSERT_TRUE(s.open({"title=T", "autoqa=1", "<page start pass>", "a b c", "<page>", "x", "<page last>"}));
  s.m->SetExamineeName("Rudo");
  s.press();
  s.press();
  s.m->acCopyRec();
  EXPECT_EQ(s.hp.dialogs.messages().back(), "結果ファイルを 送信しました。");
  auto slurp = [](const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  EXPECT_EQ(slurp(collect / "20040506101112Rudo.ruvot"), "another examinee");
  EXPECT_EQ(slurp(s.dir / "report/20040506101112Rudo_2.ruvot"), "a third one");
  storage::TCompressStringList sent, kept;
  ASSERT_TRUE(sent.LoadFromFile(collect / "20040506101112Rudo_3.ruvot"));
  ASSERT_TRUE(kept.LoadFromFile(s.dir / "report/20040506101112Rudo_3.ruvot"));
  EXPECT_EQ(sent.Lines, kept.Lines);
  EXPECT_NE(kept.Lines.at(1).find("Rudo"), std::string::npos);
  EXPECT_EQ(s.m->acOpenFolderState().hint, "20040506101112Rudo_3.ruvot");
}

TEST(TestRun, AResultThatCannotBeWrittenAnywhereIsReported) {
  Story s;
  std::ofstream(s.dir / "blocker") << "a file where the folder should be";
  s.m->SetReportFolderOverride(s.dir / "blocker/report");
  ASSERT_TRUE(s.open({"title=T", "autoqa=1", "<page start pass>", "a b c", "<page>", "x", "<page last>"}));
  s.press();
  s.press();
  s.m->acCopyRec();
  ASSERT_FALSE(s.hp.dialogs.messages().empty());
  EXPECT_TRUE(s.hp.shell.opened.empty());
  EXPECT_EQ(s.hp.dialogs.messages().back().rfind("結果ファイルを 保存できませんでした。", 0), 0u);
  // The record stays on screen and Copy stays available.
  EXPECT_TRUE(s.m->TestView().speedButton1Visible);
  EXPECT_FALSE(s.m->acOpenFolderState().visible);
  EXPECT_NE(rt::plainText(s.m->TestView().richEdit1).find("title: T"), std::string::npos);
  EXPECT_FALSE(s.hp.clipboard.textData.value_or("").empty());
}

TEST(TestRun, WithoutOnlineAnsweringOnlyTheBasicColumnsAndAnswersAreWritten) {
  Story s;
  s.m->SetReportFolderOverride(s.dir / "report");
  ASSERT_TRUE(s.open({"title=T", "autoqa=0", "gradelist=3", "<page start pass>", "a b c", "<page timerOn>", "??Q", "?a",
                      "?*b", "<page>", "x", "<page last>"}));
  s.wait(2);
  s.press();
  s.wait(2);
  s.press();
  EXPECT_FALSE(s.m->TestView().speedButton1Visible);  // no Copy without online answering
  EXPECT_TRUE(s.m->SaveResultFile());
  EXPECT_EQ(Fields(s.m->FResultHeader()), (std::vector<std::string>{"title", "name", "date", "time", "ans1", "mj1"}));
}

TEST(TestRun, BreakingOffFastForwardsToTheLastPage) {
  Story s;
  std::vector<std::string> asked;
  platform::Answer reply = platform::Answer::No;
  s.hp.dialogs.onNoOk = [&](const std::string& t) {
    asked.push_back(t);
    return reply;
  };
  ASSERT_TRUE(s.open({"title=T", "autoqa=1", "<page name>", "n", "<page>", "i", "<page>", "j", "<page start pass>", "a",
                      "<page>", "??Q", "?a", "<page>", "??R", "?a", "<page>", "bye", "<page last>"}));
  // FCurrentPage 1: closing asks nothing.
  EXPECT_TRUE(s.m->FormCloseQuery());
  EXPECT_TRUE(asked.empty());
  s.press();
  s.press();
  ASSERT_EQ(s.m->FCurrentPage(), 3);
  EXPECT_FALSE(s.m->FormCloseQuery());  // No: stays
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], "途中です。\r\n\r\nかまわず終了しますか？");
  EXPECT_EQ(s.m->FCurrentPage(), 3);
  reply = platform::Answer::Ok;
  EXPECT_FALSE(s.m->FormCloseQuery());  // OK: jumps to the end, the window stays open
  // Two question pages after page 3 count as unread readings.
  EXPECT_EQ(s.m->FMeter().ReadingCount(), 2);
  // The last page has no glyph of its own: the counter stops at the last glyph.
  EXPECT_EQ(s.m->TestView().label1.text, "7 / 7");
  EXPECT_EQ(s.m->TestView().speedButton1Action, ForwardBinding::acCopyRec);
  // Finished and not saved: the question about unsaved results.
  EXPECT_TRUE(s.m->FormCloseQuery());
  EXPECT_EQ(asked.back(), "結果が保存されていません。\r\n\r\nかまわず終了しますか？");
}

TEST(Window, CreateStepWelcomeTextCaptionAndViewModes) {
  Story s(false);
  s.m->Create({"x.ruvp", "B.RUVO"});
  EXPECT_EQ(s.m->FCommandLineDoc(), "B.RUVO");
  EXPECT_EQ(s.m->FViewMode(), vmTest);
  const auto& t = s.m->TestView().richEdit1;
  ASSERT_EQ(t.lineCount(), 11);
  EXPECT_EQ(t.lineText(0), "D&D a .ruvo file here.");
  EXPECT_EQ(t.lineText(1), "");
  EXPECT_EQ(t.lineText(6), "clik Quit Icon \"Q\" below left.");
  EXPECT_EQ(t.lineText(10), "Toviworks presents");
  s.hp.shell.program = "/x";
  EXPECT_EQ(s.m->Caption().rfind("tovimeter - ルーヴォ Pro ", 0), 0u);
  EXPECT_TRUE(s.m->TestView().speedButton27Visible);
  EXPECT_FALSE(s.m->acPageReadingState().visible);
  s.m->SetViewMode(vmEditing);
  EXPECT_EQ(s.m->ActiveSheet(), Sheet::tsEdit);
  EXPECT_FALSE(s.m->TestView().speedButton27Visible);
  EXPECT_TRUE(s.m->acPageReadingState().visible);
  s.m->SetViewMode(vmTotals);
  EXPECT_EQ(s.m->TestView().background, 0xC0C0C0);
  EXPECT_EQ(s.m->TestView().speedButton1Action, ForwardBinding::acCopyRec);
  EXPECT_TRUE(s.m->TestView().horizontalScrollBar);
  EXPECT_TRUE(s.m->FormCloseQuery());  // the totals view closes without asking
}

TEST(Window, DocumentNameCaptionAndWorkingCopy) {
  Story s;
  ASSERT_TRUE(s.open({"<page>", "x", "<page last>"}, "sample.ruvo"));
  EXPECT_EQ(s.m->DocumentBaseName(), "sample");
  EXPECT_EQ(s.m->Caption().rfind("sample - ルーヴォ Pro ", 0), 0u);
  ASSERT_TRUE(s.open({"<page>", "y", "<page last>"}, "RUVO$$$.ruvo"));
  EXPECT_EQ(s.m->DocumentBaseName(), "sample");  // the working copy never names the document
  s.m->SetModified(true);
  EXPECT_NE(s.m->Caption().find("sample(更新) - ルーヴォ"), std::string::npos);
  EXPECT_EQ(s.m->FCurrentPage(), 0);
  EXPECT_TRUE(s.m->acPageSaveState().enabled);
  // A document that cannot be read leaves everything as it was.
  std::ofstream(s.dir / "bad.ruvo", std::ios::binary) << "BDC1 not really";
  EXPECT_FALSE(s.m->OpenTestDocument(s.dir / "bad.ruvo"));
  EXPECT_EQ(s.m->DocumentBaseName(), "sample");
}

TEST(Window, EnterTurnsThePageOnlyInThePlainTestView) {
  Story s;
  ASSERT_TRUE(s.open({"<page>", "a", "<page>", "b", "<page>", "c", "<page last>"}));
  EXPECT_TRUE(s.m->HandleEnterKey());
  EXPECT_EQ(s.m->FCurrentPage(), 2);
  s.m->SetSourceEditing(true);
  EXPECT_FALSE(s.m->HandleEnterKey());
  EXPECT_EQ(s.m->FCurrentPage(), 2);
  EXPECT_FALSE(s.m->TestView().readOnly);
}

TEST(Window, NameBoxKeepsPasteOutButLetsShiftType) {
  struct Case {
    KeyPress k;
    NameBoxKey expected;
  } cases[] = {
      {{'A', false, true}, NameBoxKey::Type},  // Shift+A types a capital
      {{'a'}, NameBoxKey::Type},
      {{'V', true}, NameBoxKey::Swallow},                                   // Ctrl+V
      {{'v', false, false, true}, NameBoxKey::Swallow},                     // Alt chord
      {{0, false, true, false, false, true}, NameBoxKey::Swallow},          // Shift+Insert
      {{0, false, false, false, false, false, true}, NameBoxKey::Swallow},  // context-menu key
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyNameBoxKey(c.k), c.expected) << c.k.key;
  EXPECT_TRUE(MoreTextIndicator(500, 0, 489));
  EXPECT_FALSE(MoreTextIndicator(500, 0, 490));
}

TEST(Window, RunningClockLabel) {
  Story s;
  ASSERT_TRUE(s.open({"<page start pass>", "a", "<page>", "b", "<page>", "c", "<page last>"}));
  s.m->Timer1Timer();
  EXPECT_FALSE(s.m->TestView().label26.visible);
  s.press();  // leaving the reading switches the test clock on
  s.wait(61.5);
  s.m->Timer1Timer();
  EXPECT_TRUE(s.m->TestView().label26.visible);
  EXPECT_EQ(s.m->TestView().label26.text, "1:02");
}

TEST(Window, SettingsWrittenAtCloseAndPlacementRead) {
  TempDir dir("win");
  {
    std::ofstream(dir / "tovimeter.ini")
        << "[setting]\r\nleft=-3000\r\ntop=10\r\nwidth=700\r\nheight=600\r\ninterval=1000\r\n";
  }
  HeadlessPorts hp;
  TForm1Model m(hp.ports(), dir.path());
  m.Create({});
  EXPECT_EQ(m.Placement(), (platform::Rect{0, 10, 700, 600}));
  m.SetPlacement({5, 6, 800, 700});
  ASSERT_TRUE(m.FormClose());
  TSettings back = LoadSettings(dir / "tovimeter.ini");
  EXPECT_EQ(back.left, 5);
  EXPECT_EQ(back.width, 800);
  EXPECT_EQ(back.interval, 3000);
}

TEST(Window, TheExamineeProgramLeavesTheTeachersSettingsAlone) {
  TempDir dir("examinee");
  const std::string ini = dir / "tovimeter.ini";
  std::ofstream(ini) << "[setting]\r\ndirtoteacher=/old\r\nspss=0\r\n";
  HeadlessPorts hp;
  TForm1Model m(hp.ports(), dir.path());
  m.SetExamineeProgram(true);
  m.Create({});
  // Meanwhile the teacher's program changes the folders and closes.
  {
    TSettings t = LoadSettings(ini);
    t.dirToTeacher = "/new";
    ASSERT_TRUE(SaveSettings(ini, t, {1, 2, 640, 560}));
  }
  m.SetPlacement({100, 100, 700, 600});
  ASSERT_TRUE(m.FormClose());
  const TSettings after = LoadSettings(ini);
  EXPECT_EQ(after.dirToTeacher, "/new");
  EXPECT_EQ(after.left, 1);
}

TEST(Window, SamplesAreMadeReadOnlyAndThePreviewCopyIsRemoved) {
  TempDir dir("home");
  std::filesystem::create_directories(dir / "system/ruvof/sample");
  std::filesystem::create_directories(dir / "system/project");
  std::ofstream(dir / "system/ruvof/sample/a.ruvo") << "x";
  std::ofstream(dir / "system/ruvof/sample/keep.txt") << "x";
  WriteTestDocument(dir / "system/ruvof/ruvo$$$.ruvo", {"<page>", "p", "<page last>"});
  std::ofstream(dir / "system/project/ruvo$$$.ruvp") << "x";
  HeadlessPorts hp;
  TForm1Model m(hp.ports(), dir.path());
  m.Create({dir / "system/ruvof/ruvo$$$.ruvo"});
  namespace fs = std::filesystem;
  auto writable = [](const std::string& p) {
    return (fs::status(p).permissions() & fs::perms::owner_write) != fs::perms::none;
  };
  EXPECT_FALSE(writable(dir / "system/ruvof/sample/a.ruvo"));
  EXPECT_TRUE(writable(dir / "system/ruvof/sample/keep.txt"));
  m.Show(true);
  EXPECT_EQ(m.FPageControler().PageCount(), 2);
  m.tmSnaileTimer();
  EXPECT_FALSE(FileExists(dir / "system/ruvof/ruvo$$$.ruvo"));
  EXPECT_FALSE(FileExists(dir / "system/project/ruvo$$$.ruvp"));
}

TEST(Window, PropertyReport) {
  Story s;
  EXPECT_EQ(s.m->PropertyReport(), "ファイルは 読み込まれていません");
  ASSERT_TRUE(s.open(
      {"title=T", "writer=W", "autoqa=1", "score=1", "fadein=1", "leftindent=20", "<page>", "x", "<page last>"}));
  const std::string r = s.m->PropertyReport();
  EXPECT_EQ(r.rfind("\r\n\r\ntitle: T\r\n\r\nwriter: W\r\n\r\ndate: \r\n\r\n", 0), 0u) << r;
  EXPECT_NE(r.find("オンライン解答: 有効\r\n\r\n採点詳細: 表示\r\n\r\nチャンク提示: 有効\r\n\r\n--------------------"),
            std::string::npos);
  EXPECT_NE(r.find("左インデント: 20\r\n\r\n"), std::string::npos);
  EXPECT_EQ(r.find("右インデント"), std::string::npos);
}

}  // namespace
}  // namespace ruvo::app
