#include "core/authoring/grade.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/text/format.h"

namespace ruvo::authoring {
namespace {

TEST(ReadingGrade, TextIsPreparedLikeAPage) {
  EXPECT_EQ(PrepareReadingText("one / two\r\nthree\nfour / \r\n"), "one two three four  ");
  EXPECT_EQ(PrepareReadingText("a /b"), "a /b");
}

TEST(ReadingGrade, FormulaOfTheCounts) {
  const TWordLists empty;
  TTovgine e;
  const int grade = GradePassage("The cat sat on the mat. The dog, however, ran away.", &empty, e);
  ASSERT_EQ(e.ClauseCount, 2);
  ASSERT_EQ(e.PhraseCount, 4);
  const double p = e.PhraseCount;
  const double tvjp =
      0.07496 * (3 * e.SyllableCount / p + 2 * e.ConsonantCount / p) + 7.926 * std::log10(p / e.ClauseCount) + 4.618;
  EXPECT_DOUBLE_EQ(*TVJP(e), tvjp);
  EXPECT_EQ(grade, text::roundHalfEven(tvjp * 10));
}

TEST(ReadingGrade, PhraseMarksAndLineBreaksDoNotChangeTheGrade) {
  const TWordLists empty;
  TTovgine a, b;
  const int plain = GradePassage("The cat sat on the mat. The dog ran away.", &empty, a);
  const int marked = GradePassage("The cat sat / on the mat.\r\nThe dog / ran away.", &empty, b);
  EXPECT_EQ(plain, marked);
  EXPECT_EQ(a.PhraseCount, b.PhraseCount);
}

TEST(ReadingGrade, AccentsAndDashesGradeAsTheirPlainForms) {
  // What CP932 cannot hold must not turn into a "?", which ends a sentence.
  const TWordLists empty;
  struct Case {
    const char* passage;
    const char* plain;
  };
  for (const Case& c : {
           Case{"The war lasted from 1861\u20141865 and then it ended.",
                "The war lasted from 1861-1865 and then it ended."},
           Case{"The war lasted from 1861\u20131865 and then it ended.",
                "The war lasted from 1861-1865 and then it ended."},
           Case{"It was long \u2014 very long \u2014 and it ended.", "It was long - very long - and it ended."},
           Case{"José Martí wrote it. Then Dvořák and Łukasz read it.",
                "Jose Marti wrote it. Then Dvorak and Lukasz read it."},
           Case{"Œdipus met Ægir in the café.", "OEdipus met AEgir in the cafe."},
           Case{"It is in\u00ADcred\u00ADible, said Zoë\u00A0Brontë.", "It is incredible, said Zoe Bronte."},
           Case{"A snowman \u2603 melted. The sun shone.", "A snowman   melted. The sun shone."},
       }) {
    TTovgine a, b;
    const int graded = GradePassage(c.passage, &empty, a);
    const int plain = GradePassage(c.plain, &empty, b);
    EXPECT_EQ(graded, plain) << c.passage;
    EXPECT_EQ(a.SentenceCount, b.SentenceCount) << c.passage;
    EXPECT_EQ(a.WordCount, b.WordCount) << c.passage;
    EXPECT_EQ(a.LetterCount, b.LetterCount) << c.passage;
    EXPECT_EQ(a.PhraseCount, b.PhraseCount) << c.passage;
  }
  EXPECT_EQ(PassageToCp932("1861\u20141865\u2013x \u2603 é\u2212"),
            "1861\x81\x5c"
            "1865\x81\x5c"
            "x   e\x81\x7c");
}

TEST(ReadingGrade, UndefinedFormulaGivesNoGrade) {
  const TWordLists empty;
  TTovgine e;
  EXPECT_EQ(GradePassage("no stop at the end", &empty, e), 0);
  EXPECT_FALSE(TVJP(e).has_value());
  // A clause closed only by a semicolon joined to the next word: clauses but no phrase.
  EXPECT_EQ(GradePassage("one;two", &empty, e), 0);
  EXPECT_EQ(e.ClauseCount, 1);
  EXPECT_EQ(e.PhraseCount, 0);
  EXPECT_FALSE(TVJP(e).has_value());
  EXPECT_EQ(GradePassage("", &empty, e), 0);
}

TEST(ReadingGrader, GradesPageAfterPageFromFreshCounts) {
  TReadingGrader g(TWordLists::FromLines({"[abbreviation]", "mr"}));
  const int first = g.Grade("Mr. Smith sat on the mat. He slept.");
  EXPECT_EQ(g.Engine().SentenceCount, 2);
  EXPECT_EQ(g.Grade("Mr. Smith sat on the mat. He slept."), first);  // nothing carried over
  EXPECT_EQ(g.Engine().WordCount, 8);
  EXPECT_EQ(g.Grade("unfinished"), 0);
}

}  // namespace
}  // namespace ruvo::authoring
