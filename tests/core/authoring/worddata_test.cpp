#include "core/authoring/worddata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "core/authoring/tovgine.h"
#include "core/storage/compressstringlist.h"
#include "core/storage/resources.h"
#include "core/text/strings.h"

namespace ruvo::authoring {
namespace {

std::vector<std::string> dataLines() {
  std::ifstream in(std::string(RUVO_DATA_DIR) + "/worddata.txt", std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return text::splitLines(ss.str());
}

TEST(WordDataFile, SectionsInOrderWithTheirFixedEntries) {
  const std::vector<std::string> lines = dataLines();
  std::vector<std::string> headers;
  for (const std::string& l : lines)
    if (!l.empty() && l[0] == '[') headers.push_back(l);
  std::vector<std::string> want;
  for (std::string_view n : kWordSectionNames) want.push_back("[" + std::string(n) + "]");
  // The file keeps tail_3 … tail_0 and head_top_1 … head_1 in their lookup order.
  const std::vector<std::string> order = {
      "[abbreviation]", "[word_1]", "[word_2]", "[word_3]",     "[word_4]", "[word_5]", "[word_6]", "[tail_0]",
      "[tail_1]",       "[tail_2]", "[tail_3]", "[head_top_1]", "[head_1]", "[head_2]", "[head_3]", "[head_4]"};
  EXPECT_EQ(headers, order);

  const TWordLists w = TWordLists::FromLines(lines);
  auto starts = [&](WordSection s, std::vector<std::string> first) {
    const auto& e = w.Section(s).Entries();
    ASSERT_GE(e.size(), first.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), e.begin())) << kWordSectionNames[static_cast<int>(s)];
  };
  starts(WordSection::Abbreviation, {"ab", "abbr", "abd", "abl"});
  starts(WordSection::Word1, {"aisle", "barbed", "clean", "due"});
  starts(WordSection::Word2, {"acme", "acne", "agelong", "andes"});
  starts(WordSection::Word3, {"achilles", "acreage", "adequate", "adobe"});
  starts(WordSection::Word4, {"abalone", "advisedly", "allegedly", "amplifier"});
  starts(WordSection::Word5, {"aborigine", "ambiguity", "assiduity", "christianity"});
  starts(WordSection::Word6, {"bacteriology", "discontinuity", "ecclesiastical", "excruciatingly"});
  EXPECT_EQ(w.Section(WordSection::Tail0).Entries(), (std::vector<std::string>{"que", "gue", "char($27)+re"}));
  starts(WordSection::Tail1, {"esque", "li", "some", "eyed"});
  const auto& t1 = w.Section(WordSection::Tail1).Entries();
  ASSERT_GE(t1.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(t1.end() - 3, t1.end()), (std::vector<std::string>{"ful", "ment", "ly"}));
  starts(WordSection::Tail2, {"eate", "iate", "uate", "ante"});
  starts(WordSection::Tail3, {"eation", "iation", "uation", "iating"});
  EXPECT_EQ(w.Section(WordSection::HeadTop1).Entries(), (std::vector<std::string>{"geor"}));
  starts(WordSection::Head1, {"bare", "base", "cry", "fly"});
  starts(WordSection::Head2, {"before", "dia", "diet", "react"});
  starts(WordSection::Head3, {"ideal", "idea", "zoolo", "biblio"});
  EXPECT_EQ(w.Section(WordSection::Head4).Entries(), (std::vector<std::string>{"hygienic", "circuitous", "coalition"}));

  // Sorted sections, lower case, abbreviations of at most five letters.
  for (WordSection s : {WordSection::Abbreviation, WordSection::Word1, WordSection::Word2, WordSection::Word3,
                        WordSection::Word4, WordSection::Word5, WordSection::Word6}) {
    const auto& e = w.Section(s).Entries();
    EXPECT_TRUE(std::is_sorted(e.begin(), e.end())) << kWordSectionNames[static_cast<int>(s)];
    EXPECT_EQ(std::adjacent_find(e.begin(), e.end()), e.end());
    for (const std::string& x : e) EXPECT_EQ(x, text::asciiLower(x));
  }
  for (const std::string& a : w.Section(WordSection::Abbreviation).Entries()) EXPECT_LE(a.size(), 5u) << a;
}

TEST(WordDataFile, EmbeddedDataMatchesTheSource) {
  TWordLists embedded;
  if (!LoadEmbeddedWordData(embedded)) GTEST_SKIP() << "this build embeds no word data";
  const TWordLists plain = TWordLists::FromLines(dataLines());
  for (std::size_t i = 0; i < kWordSectionNames.size(); ++i)
    EXPECT_EQ(embedded.Section(static_cast<int>(i)).Entries(), plain.Section(static_cast<int>(i)).Entries())
        << kWordSectionNames[i];
}

TEST(WordDataFile, ResourceIsReadBackThroughTheStorageLayer) {
  // Packs the source the way the build does and registers it, unless the build did.
  static std::string packed;
  if (!storage::findResource(kWordDataResource)) {
    storage::TCompressStringList list;
    list.Lines = dataLines();
    packed = list.SaveToCompressedStream();
    storage::registerResource(kWordDataResource, packed);
  }
  TWordLists w;
  ASSERT_TRUE(LoadEmbeddedWordData(w));
  TTovgine e;
  e.Init();
  e.WordData = &w;
  EXPECT_TRUE(e.InSection("mr", "abbreviation"));
  EXPECT_EQ(e.WordListSyllables("christianity"), 5);
  EXPECT_EQ(e.CountSyllables("excruciatingly"), 6);
}

TEST(WordDataFile, ReadThroughADataFileLikeTheResource) {
  storage::TDataFile file;
  file.Lines = {"[tail_1]", "ing", "", "ly", "[word_2]", "table", "[WORD_3]", "abc", "[other]", "x"};
  const TWordLists w = WordListsFromDataFile(file);
  EXPECT_EQ(w.Section(WordSection::Tail1).Entries(), (std::vector<std::string>{"ing", "ly"}));
  EXPECT_EQ(w.Section(WordSection::Word3).Entries(), (std::vector<std::string>{"abc"}));
  EXPECT_TRUE(w.Section(WordSection::Head1).Empty());
}

}  // namespace
}  // namespace ruvo::authoring
