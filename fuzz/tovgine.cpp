// Passages are untrusted text: arbitrary bytes through Analyse and the word counters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <algorithm>

#include "core/authoring/grade.h"
#include "core/authoring/tovgine.h"
#include "core/authoring/worddata.h"

using namespace ruvo::authoring;

namespace {

const TWordLists& smallData() {
  static const TWordLists data = TWordLists::FromLines({"[abbreviation]",
                                                        "dr",
                                                        "mr",
                                                        "u.s",
                                                        "[word_2]",
                                                        "andes",
                                                        "[word_3]",
                                                        "adobe",
                                                        "[tail_0]",
                                                        "que",
                                                        "gue",
                                                        "char($27)+re",
                                                        "[tail_1]",
                                                        "ing",
                                                        "ful",
                                                        "ment",
                                                        "ly",
                                                        "[tail_2]",
                                                        "ian",
                                                        "[tail_3]",
                                                        "ation",
                                                        "[head_top_1]",
                                                        "geor",
                                                        "[head_1]",
                                                        "re",
                                                        "pre",
                                                        "[head_2]",
                                                        "dia",
                                                        "[head_3]",
                                                        "biblio",
                                                        "[head_4]",
                                                        "coalition"});
  return data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const bool options = size > 0 && (data[0] & 1);
  for (const TWordLists* words : {static_cast<const TWordLists*>(nullptr), &smallData()}) {
    TTovgine e;
    e.Init();
    e.WordData = words;
    if (options) {
      e.HyphenJoinsWords = true;
      e.AllowLowerStart = true;
    }
    e.Text = std::string(bytes);
    e.Analyse();
    if (e.WordCount < 0 || e.SyllableCount < 0 || e.ConsonantCount < 0) __builtin_trap();
    const int s = e.CountSyllables(bytes);
    if (s < 0) __builtin_trap();
    if (e.CountConsonants(bytes) < 0) __builtin_trap();
    (void)TTovgine::Normalize(bytes);
  }
  // A page's text as the compiler grades it. Nothing CP932 cannot hold may come out as "?",
  // which would end a sentence.
  const std::string cp932 = PassageToCp932(bytes);
  if (std::count(cp932.begin(), cp932.end(), '?') != std::count(bytes.begin(), bytes.end(), '?')) __builtin_trap();
  TTovgine page;
  (void)GradePassage(bytes, &smallData(), page);
  if (page.WordCount < 0 || page.SentenceCount < 0 || page.PhraseCount < 0) __builtin_trap();
  return 0;
}
