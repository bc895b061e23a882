#include "core/authoring/tovgine.h"

#include <gtest/gtest.h>

#include "core/authoring/grade.h"
#include "core/text/cp932.h"

namespace ruvo::authoring {
namespace {

struct Counts {
  int sentences, clauses, phrases, words;
};

TTovgine analysed(const std::string& utf8, const TWordLists* data = nullptr) {
  TTovgine e;
  e.Init();
  e.WordData = data;
  e.Text = text::utf8ToCp932(utf8);
  e.Analyse();
  return e;
}

TEST(TovgineAnalyse, SentenceClausePhraseAndWordCounts) {
  struct Case {
    const char* text;
    Counts want;
  } cases[] = {
      {"The cat sat. The dog ran.", {2, 2, 2, 6}},
      {"He came, and she left; then it rained.", {1, 2, 3, 8}},
      {"Mr. Smith came.", {2, 2, 2, 3}},   // no abbreviations listed
      {"U.S.A. and more.", {1, 1, 1, 3}},  // U.S.A stays one word; a small letter follows
      {"It costs 3.14 now. Then", {1, 1, 1, 5}},
      {"e.g. x is small.", {1, 1, 1, 5}},  // e and g are words; neither period ends a sentence
      {"Wait! Why? Because: Yes.", {4, 4, 4, 4}},
      {"He said \"no.\" They left.", {2, 2, 3, 5}},        // a space before a quote ends a phrase
      {"Done. the end.", {1, 1, 1, 3}},                    // a small letter after the period: no end
      {"Costs rose, (sharply) then fell.", {1, 1, 3, 5}},  // a space before "(" ends a phrase
      {"one;two", {0, 1, 0, 2}},                           // a clause closed by a joined semicolon, no phrase
      {"   ", {0, 0, 0, 0}},
      {"The cat sat", {0, 0, 0, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const TTovgine e = analysed(c.text);
    EXPECT_EQ(e.SentenceCount, c.want.sentences);
    EXPECT_EQ(e.ClauseCount, c.want.clauses);
    EXPECT_EQ(e.PhraseCount, c.want.phrases);
    EXPECT_EQ(e.WordCount, c.want.words);
  }
}

TEST(TovgineAnalyse, ListedAbbreviationDoesNotEndTheSentence) {
  const TWordLists data = TWordLists::FromLines({"[abbreviation]", "dr", "mr", "mrs"});
  const TTovgine e = analysed("Mr. Smith came. Dr. Who left.", &data);
  EXPECT_EQ(e.SentenceCount, 2);
  EXPECT_EQ(e.WordCount, 6);
}

TEST(TovgineAnalyse, OpenFlagsReportAnUnfinishedEnd) {
  TTovgine e = analysed("The cat sat");
  EXPECT_TRUE(e.SentenceOpen);
  EXPECT_TRUE(e.ClauseOpen);
  EXPECT_TRUE(e.PhraseOpen);
  EXPECT_EQ(GradeOfCounts(e), 0);

  e = analysed("The cat sat.");
  EXPECT_FALSE(e.SentenceOpen || e.ClauseOpen || e.PhraseOpen);

  e = analysed("One, two");  // the phrase closed at the comma; the rest is open
  EXPECT_TRUE(e.SentenceOpen);
  EXPECT_TRUE(e.PhraseOpen);
  EXPECT_EQ(e.PhraseCount, 1);

  e = analysed("...");  // no word: nothing is open
  EXPECT_FALSE(e.SentenceOpen || e.ClauseOpen || e.PhraseOpen);
}

TEST(TovgineAnalyse, LettersSyllablesAndWordKinds) {
  const TTovgine e = analysed("In 1990 wonderful things happened.");
  EXPECT_EQ(e.WordCount, 5);
  EXPECT_EQ(e.LetterCount, 2 + 4 + 9 + 6 + 8);
  EXPECT_EQ(e.SyllableCount, 1 + 4 + 3 + 1 + 2);
  EXPECT_EQ(e.LongWords, 1);  // wonderful; 1990 reads as a number
  EXPECT_EQ(e.OneSyllableWords, 2);
  // A lone apostrophe is not a word of its own: its characters join the next word.
  const TTovgine a = analysed("' tis");
  EXPECT_EQ(a.WordCount, 1);
}

TEST(TovgineAnalyse, FullWidthTextMeasuresLikeAscii) {
  const TTovgine full = analysed("Ｔｈｅ　ｃａｔ．　Ｉｔ　ｓａｔ，　ｔｈｅｎ　ｒａｎ！");
  const TTovgine ascii = analysed("The cat. It sat, then ran!");
  EXPECT_EQ(full.SentenceCount, ascii.SentenceCount);
  EXPECT_EQ(full.ClauseCount, ascii.ClauseCount);
  EXPECT_EQ(full.PhraseCount, ascii.PhraseCount);
  EXPECT_EQ(full.WordCount, ascii.WordCount);
  EXPECT_EQ(full.LetterCount, ascii.LetterCount);
  EXPECT_EQ(full.SyllableCount, ascii.SyllableCount);
  EXPECT_EQ(full.ConsonantCount, ascii.ConsonantCount);
  EXPECT_EQ(full.Text, ascii.Text);
}

TEST(TovgineAnalyse, TwoDotLeaderClosesClauseAndPhrase) {
  TTovgine e = analysed("He waited‥ Then he left.");
  EXPECT_EQ(e.SentenceCount, 2);
  EXPECT_EQ(e.ClauseCount, 2);
  EXPECT_EQ(e.PhraseCount, 2);
  EXPECT_EQ(e.WordCount, 5);
  // Followed by a small letter: the sentence goes on, but clause and phrase close.
  e = analysed("He waited‥ then he left.");
  EXPECT_EQ(e.SentenceCount, 1);
  EXPECT_EQ(e.ClauseCount, 2);
  EXPECT_EQ(e.PhraseCount, 2);
  // Other double-byte characters only separate words.
  e = analysed("cat犬dog.");
  EXPECT_EQ(e.WordCount, 2);
  EXPECT_EQ(e.SentenceCount, 1);
}

TEST(TovgineAnalyse, RunsOfSpacesAndHyphens) {
  EXPECT_EQ(analysed("a  b   c.").PhraseCount, 1);
  TTovgine e;
  e.Init();
  e.HyphenJoinsWords = true;
  e.Text = "A well-known fact.";
  e.Analyse();
  EXPECT_EQ(e.WordCount, 3);
  EXPECT_EQ(e.Text, "A wellknown fact. ");
  EXPECT_EQ(analysed("A well-known fact.").WordCount, 4);
}

TEST(TovgineAnalyse, CountsAddUpUntilInit) {
  TTovgine e;
  e.Init();
  e.Text = "One cat.";
  e.Analyse();
  e.Text = "Two cats.";
  e.Analyse();
  EXPECT_EQ(e.WordCount, 4);
  EXPECT_EQ(e.SentenceCount, 2);
  const TWordLists data;
  e.WordData = &data;
  e.UseYRule = false;
  e.HyphenJoinsWords = true;
  e.Init();
  EXPECT_EQ(e.WordCount, 0);
  EXPECT_TRUE(e.Text.empty());
  EXPECT_TRUE(e.UseYRule);
  EXPECT_FALSE(e.HyphenJoinsWords);
  EXPECT_EQ(e.WordData, &data);
}

TEST(TovgineSentenceEnd, DecidesByWhatFollows) {
  TTovgine e;
  e.Init();
  struct Case {
    const char* mark;
    const char* last;
    const char* sentence;
    const char* following;
    bool want;
  } cases[] = {
      {".", "sat", "The cat sat", " The dog", true},
      {".", "sat", "The cat sat", " the dog", false},
      {".", "sat", "The cat sat", ", and", false},
      {".", "sat", "   ", " The dog", false},    // nothing in the sentence
      {".", "sat", "The cat sat", "   ", true},  // the end of the text
      {".", "sat", "The cat sat", " \"why", true},
      {".", "e", "e", "g. x", false},
      {".", "sat", "The cat sat", " 42 men", true},
      {".", "sat", "The cat sat", "The", true},  // a capital right after the mark
      {".", "sat", "The cat sat", "Ab. x", true},
      {".", "S", "U.S", " ...", true},  // no letter follows at all
      {".", "A", "A", "B.", false},     // initials: capital, no small letters
      {"!", "A", "A", "B!", true},      // the terminator is not a period
      {"", "waited", "He waited", " Then", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mark) + "|" + c.sentence + "|" + c.following);
    EXPECT_EQ(e.IsSentenceEnd(c.mark, c.last, c.sentence, c.following), c.want);
  }
  EXPECT_FALSE(e.IsSentenceEnd(".", "sat", "The cat sat", "x. y"));
  e.AllowLowerStart = true;
  EXPECT_TRUE(e.IsSentenceEnd(".", "sat", "The cat sat", "x. y"));
  EXPECT_FALSE(e.IsSentenceEnd(".", "sat", "The cat sat", " the dog"));
}

TEST(TovgineInSection, WalkStopsAtTheFirstLaterEntry) {
  const TWordLists data = TWordLists::FromLines({"[abbreviation]", "b", "a", "c", "[word_1]", "x", "y"});
  TTovgine e;
  e.WordData = &data;
  EXPECT_TRUE(e.InSection(" b ", "abbreviation"));
  EXPECT_FALSE(e.InSection("a", "abbreviation"));  // "b" sorts after it and comes first
  EXPECT_TRUE(e.InSection("c", "abbreviation"));
  EXPECT_TRUE(e.InSection("y", "WORD_1"));
  EXPECT_FALSE(e.InSection("y", "word_9"));
  e.WordData = nullptr;
  EXPECT_FALSE(e.InSection("x", "word_1"));
}

TEST(TovgineNormalize, FixedSequencesKanaAndFullWidthForms) {
  auto n = [](std::string_view cp932) { return TTovgine::Normalize(cp932); };
  EXPECT_EQ(n("\x81\x5D"), "-");
  EXPECT_EQ(n("o\x81\x45\x81"
              "ce"),
            "ofice");
  EXPECT_EQ(n("\x81\x45\x83"), "ffi");
  EXPECT_EQ(n("caf\xC3\xA9"), "cafe");
  EXPECT_EQ(n("\xE2\x80\x9Chi\xE2\x80\x9D"), "\"hi\"");
  EXPECT_EQ(n("\xE2\x86\xB5"
              "\xE2\x9C\x8F"),
            "ffffl");
  // Kana to half-width, with the voiced and semi-voiced marks split off.
  EXPECT_EQ(n(text::utf8ToCp932("ガパあン")), text::utf8ToCp932("ｶﾞﾊﾟｱﾝ"));
  EXPECT_EQ(n(text::utf8ToCp932("ヴヶ")), text::utf8ToCp932("ｳﾞｹ"));
  EXPECT_EQ(n(text::utf8ToCp932("Ｚ９ｚ")), "Z9z");
  EXPECT_EQ(n(text::utf8ToCp932("、。「」ー・")), text::utf8ToCp932("､｡｢｣ｰ･"));
  // Every one of the forty full-width forms has its single-byte counterpart.
  const char32_t full[] = {0x3000, 0xFF01, 0x201D, 0xFF03, 0xFF04, 0xFF05, 0xFF06, 0x2019, 0xFF08, 0xFF09,
                           0xFF1D, 0x2018, 0xFF5C, 0xFF0D, 0xFF3E, 0xFFE5, 0xFFE3, 0xFF5B, 0xFF20, 0xFF3B,
                           0xFF0B, 0xFF0A, 0xFF5D, 0xFF1B, 0xFF1A, 0xFF3D, 0xFF1C, 0xFF1E, 0xFF1F, 0xFF3F,
                           0x3001, 0x3002, 0x30FB, 0xFF0C, 0xFF0E, 0xFF0F, 0x30FC, 0x300C, 0x300D, 0x201C};
  const unsigned char single[] = {' ', '!',  '"',  '#',  '$',  '%', '&', '\'', '(',  ')',  '=',  '`', '|', '-',
                                  '^', '\\', '~',  '{',  '@',  '[', '+', '*',  '}',  ';',  ':',  ']', '<', '>',
                                  '?', '_',  0xA4, 0xA1, 0xA5, ',', '.', '/',  0xB0, 0xA2, 0xA3, '"'};
  for (std::size_t i = 0; i < std::size(full); ++i) {
    const int code = text::cp932Code(full[i]);
    ASSERT_GT(code, 0xFF) << i;
    const std::string bytes{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    EXPECT_EQ(n(bytes), std::string(1, static_cast<char>(single[i]))) << i;
  }
  // Other double-byte characters stay; a lone lead byte at the end reads as lead + 0x40.
  EXPECT_EQ(n(text::utf8ToCp932("犬")), text::utf8ToCp932("犬"));
  EXPECT_EQ(n("a\x81"), "a ");
  EXPECT_EQ(n("a\x88"), "a\x88");
  // A byte that cannot start a character is copied.
  EXPECT_EQ(n("\xA0\xB1x"), "\xA0\xB1x");
}

}  // namespace
}  // namespace ruvo::authoring
