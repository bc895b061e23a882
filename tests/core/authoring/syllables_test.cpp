#include <gtest/gtest.h>

#include "core/authoring/tovgine.h"

namespace ruvo::authoring {
namespace {

TTovgine engine(const TWordLists* data = nullptr) {
  TTovgine e;
  e.Init();
  e.WordData = data;
  return e;
}

TEST(CountSyllables, RulesWithEmptyWordData) {
  const TTovgine e = engine();
  struct Case {
    const char* word;
    int want;
  } cases[] = {
      {"don't", 1},  {"didn't", 2}, {"haven't", 2}, {"weren't", 2}, {"mayn't", 2}, {"can't", 1},  {"wasn't", 2},
      {"make", 1},   {"the", 1},    {"be", 1},      {"jumped", 1},  {"naked", 2},  {"wicked", 2}, {"wanted", 2},
      {"ended", 2},  {"1990", 4},   {"player", 2},  {"MAKES", 1},   {"boxes", 2},  {"wishes", 2}, {"churches", 2},
      {"tables", 2}, {"apple", 2},  {"little", 2},  {"ale", 1},     {"rhythm", 1}, {"dogs'", 1},  {"x", 1},
      {"", 0},       {"  ", 0},     {"  cat  ", 1}, {"3.14", 1},    {"a-ha", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(e.CountSyllables(c.word), c.want) << c.word;
}

TEST(CountSyllables, OptionsSwitchTheirRulesOff) {
  TTovgine e = engine();
  e.UseYRule = false;
  EXPECT_EQ(e.CountSyllables("player"), 1);
  e = engine();
  e.UseSilentE = false;
  EXPECT_EQ(e.CountSyllables("make"), 2);
  e = engine();
  e.UseEndingRules = false;
  EXPECT_EQ(e.CountSyllables("jumped"), 2);
  EXPECT_EQ(e.CountSyllables("don't"), 1);  // the apostrophe still splits nothing
  e = engine();
  e.UseSuffixes = false;
  EXPECT_EQ(e.CountSyllables("apple"), 1);  // no -le rule: silent e instead
}

TEST(CountSyllables, WordListsAndSuffixWeights) {
  const TWordLists data = TWordLists::FromLines({"[word_2]", "table", "[word_3]", "abc", "[tail_0]", "que", "[tail_1]",
                                                 "s", "ing", "ful", "[tail_2]", "ian", "[tail_3]", "ation"});
  TTovgine e = engine(&data);
  EXPECT_EQ(e.CountSyllables("abc"), 3);     // listed: whatever its letters
  EXPECT_EQ(e.CountSyllables("tables"), 3);  // "s" (1) + "table" (word_2)
  EXPECT_EQ(e.CountSyllables("tablesing"), 4);
  EXPECT_EQ(e.CountSyllables("nation"), 3);      // "ation" (3) leaves "n", which has no vowel
  EXPECT_EQ(e.CountSyllables("grammarian"), 4);  // "grammar" (2) + "ian" (2)
  EXPECT_EQ(e.CountSyllables("unique"), 2);      // "que" is worth nothing; "uni" two groups
  e.UseSuffixes = false;
  EXPECT_EQ(e.CountSyllables("abc"), 1);  // without suffixes the lists are not consulted
  EXPECT_EQ(e.CountSyllables("table"), 1);
  e.UseSuffixes = true;
  e.UseWordLists = false;
  EXPECT_EQ(e.CountSyllables("abc"), 1);
}

TEST(CountSyllables, StrippedWordWithoutVowelGroupKeepsOneSyllable) {
  const TWordLists data = TWordLists::FromLines({"[tail_1]", "ness"});
  const TTovgine e = engine(&data);
  EXPECT_EQ(e.CountSyllables("shyness"), 2);
  EXPECT_EQ(e.CountSyllables("xness"), 1);
}

TEST(StripAffixes, LastMatchingEntryWinsAndLimitsHold) {
  const TWordLists data = TWordLists::FromLines({"[tail_1]", "ng", "ing", "[head_1]", "re", "rec", "[head_2]", "ab"});
  const TTovgine e = engine(&data);
  std::string w = "singing";
  EXPECT_EQ(e.StripSuffix(w, "tail_1", 1), 1);
  EXPECT_EQ(w, "sing");
  w = "ing";  // "ing" would leave nothing; the earlier "ng" still matches
  EXPECT_EQ(e.StripSuffix(w, "tail_1", 7), 7);
  EXPECT_EQ(w, "i");
  w = "ng";
  EXPECT_EQ(e.StripSuffix(w, "tail_1", 1), 0);
  EXPECT_EQ(w, "ng");
  w = "record";  // the later "rec" wins and leaves three characters
  EXPECT_EQ(e.StripPrefix(w, "head_1", 1), 1);
  EXPECT_EQ(w, "ord");
  w = "recap";  // "rec" would leave two: "re" is taken
  EXPECT_EQ(e.StripPrefix(w, "head_1", 1), 1);
  EXPECT_EQ(w, "cap");
  w = "abcd";
  EXPECT_EQ(e.StripPrefix(w, "head_2", 2), 0);  // two left: not enough
  w = "ab" + std::string(150, 'x');
  EXPECT_EQ(e.StripPrefix(w, "head_2", 2), 2);
  EXPECT_EQ(w.size(), 99u);
  w = "nothing";
  EXPECT_EQ(e.StripSuffix(w, "missing_section", 3), 0);
}

TEST(CountConsonants, ClustersDigraphsAndLetterGroups) {
  const TTovgine e = engine();
  struct Case {
    const char* word;
    int want;
  } cases[] = {
      {"church", 3},  {"watch", 2},   {"know", 1},  {"saw", 1},    {"extra", 4},  {"excel", 3},    {"queen", 3},
      {"lacquer", 3}, {"acquire", 3}, {"ship", 2},  {"miss", 2},   {"muscle", 3}, {"night", 2},    {"laugh", 2},
      {"through", 2}, {"walk", 2},    {"calm", 2},  {"bubble", 3}, {"sweet", 3},  {"Write", 2},    {"gnat", 2},
      {"lamb", 2},    {"", 0},        {"aeiou", 0}, {"sing", 2},   {"hustle", 3}, {"kindness", 5},
  };
  for (const Case& c : cases) EXPECT_EQ(e.CountConsonants(c.word), c.want) << c.word;
}

TEST(StripSoundGroup, FirstListFirstEntry) {
  std::string w = "psychology";
  int k = -1;
  EXPECT_TRUE(TTovgine::StripSoundGroup(w, k));
  EXPECT_EQ(w, "chology");
  EXPECT_EQ(k, 1);
  w = "ly";
  EXPECT_TRUE(TTovgine::StripSoundGroup(w, k));  // may leave the word empty
  EXPECT_EQ(w, "");
  EXPECT_FALSE(TTovgine::StripSoundGroup(w, k));
  EXPECT_EQ(k, 0);
}

}  // namespace
}  // namespace ruvo::authoring
