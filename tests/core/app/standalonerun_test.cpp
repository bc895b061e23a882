// Many runs of one test in one process: each keeps its own pages reached, answers, name and
// readings, whatever the others do in between.
#include <gtest/gtest.h>

#include <memory>

#include "core/app/standalonerun.h"
#include "core/document/documentfile.h"
#include "core/platform/headlessports.h"
#include "core/text/strings.h"

namespace ruvo::app {
namespace {

const char* const kTest =
    "title=Shared\r\nautoqa=1\r\nscore=1\r\n<page name>\r\nname\r\n<page start>\r\none two three four five\r\n"
    "<page timerOn>\r\n??First\r\n?a\r\n?*b\r\n?!Say\r\n<page timerOff>\r\n??Second\r\n?*x\r\n?y\r\n"
    "<page>\r\nthanks\r\n<page last>\r\n";

// One examinee at one browser: a name of their own, Yes to every question.
struct Examinee final : TRunView {
  std::string name;
  bool ended = false;
  std::optional<std::string> AskName(const std::string&, const std::string&, const std::string&) override {
    return name;
  }
  bool AskYesNo(const std::string&) override { return true; }
  void Ended(const rt::RichText&, bool) override { ended = true; }
};

TEST(StandaloneRun, AThousandRunsOfOneTestKeepTheirOwnAnswers) {
  const rt::RichText work = doc::TextFromBytes(kTest);
  // Even runs take 4 s on every page, odd runs 6 s.
  platform::FakeClock even, odd;
  constexpr int kRuns = 1000;
  std::vector<std::unique_ptr<Examinee>> people;
  std::vector<std::unique_ptr<TStandaloneRun>> runs;
  for (int i = 0; i < kRuns; ++i) {
    people.push_back(std::make_unique<Examinee>());
    people.back()->name = "E" + std::to_string(i);
    runs.push_back(std::make_unique<TStandaloneRun>(work, *people.back(), i % 2 ? &odd : &even));
    runs.back()->Start();
  }
  // All walk in step, each answering on the page on screen as it likes.
  for (int press = 0; press < 10; ++press) {
    for (int i = 0; i < kRuns; ++i) {
      TStandaloneRun& r = *runs[static_cast<std::size_t>(i)];
      if (people[static_cast<std::size_t>(i)]->ended) continue;
      const int page = r.Run().PageOnScreen();
      for (int k = 0; k < r.QA().Count(); ++k) {
        if (r.QA().Item(k)->PageIndex() != page) continue;
        if (k == 1)
          r.QA().FieldChanged(k + 1, "said " + std::to_string(i));
        else
          r.QA().RadioClick(k + 1, 1 + (i + k) % 2, nullptr);
      }
    }
    even.advance(4000);
    odd.advance(6000);
    for (int i = 0; i < kRuns; ++i)
      if (!people[static_cast<std::size_t>(i)]->ended) runs[static_cast<std::size_t>(i)]->Run().ForwardStep();
  }
  for (int i = 0; i < kRuns; ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(people[static_cast<std::size_t>(i)]->ended);
    const auto lines = runs[static_cast<std::size_t>(i)]->ResultLines();
    ASSERT_EQ(text::split(lines[0], '\t'),
              (std::vector<std::string>{"title", "name", "date", "time", "wrd1", "rt1", "wpm1", "qt1", "ans1", "ans2",
                                        "ans3", "scr1", "scr3"}));
    const auto v = text::split(lines[1], '\t');
    EXPECT_EQ(v[1], "E" + std::to_string(i));
    EXPECT_EQ(v[4], "5");
    EXPECT_EQ(v[5], i % 2 ? "6" : "4");
    EXPECT_EQ(v[7], i % 2 ? "6" : "4");  // the timed question section
    EXPECT_EQ(v[8], std::to_string(1 + i % 2));
    EXPECT_EQ(v[9], "said " + std::to_string(i));
    EXPECT_EQ(v[10], std::to_string(1 + (i + 2) % 2));
    EXPECT_EQ(v[11], i % 2 ? "1" : "0");
  }
}

}  // namespace
}  // namespace ruvo::app
