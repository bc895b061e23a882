// Passages are untrusted text: arbitrary bytes through Analyse and the word counters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/authoring/tovgine.h"
#include "core/authoring/worddata.h"

using namespace ruvo::authoring;

namespace {

const TWordLists& smallData() {
  static const TWordLists data = TWordLists::FromLines({
      "[abbreviation]", "dr", "mr", "u.s", "[word_2]", "andes", "[word_3]", "adobe",
      "[tail_0]", "que", "gue", "char($27)+re", "[tail_1]", "ing", "ful", "ment", "ly",
      "[tail_2]", "ian", "[tail_3]", "ation", "[head_top_1]", "geor", "[head_1]", "re", "pre",
      "[head_2]", "dia", "[head_3]", "biblio", "[head_4]", "coalition"});
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
  return 0;
}
