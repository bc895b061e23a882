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
  const double tvjp = 0.07496 * (3 * e.SyllableCount / p + 2 * e.ConsonantCount / p) +
                      7.926 * std::log10(p / e.ClauseCount) + 4.618;
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
