// Syllable and consonant-sound counting of single words for the readability engine.
#include <array>
#include <string_view>

#include "core/authoring/tovgine.h"
#include "core/text/strings.h"

namespace ruvo::authoring {
namespace {

bool isVowel(char c) { return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u' || c == 'y'; }
bool isConsonant(char c) { return c >= 'a' && c <= 'z' && !isVowel(c); }
bool isConsonantNotL(char c) { return isConsonant(c) && c != 'l'; }
bool inSet(char c, std::string_view set) { return c != '\0' && set.find(c) != std::string_view::npos; }
bool isSmall(char c) { return c >= 'a' && c <= 'z'; }

constexpr std::string_view kS1 = "bdfjkmnpqrtvw";
constexpr std::string_view kS2 = "bcdfghjkmnpqstvwxz";

struct SoundGroupList {
  bool suffix;
  int weight;
  std::initializer_list<std::string_view> entries;
};

// Letter groups whose consonant sounds the cluster walk would miscount (silent letters,
// "gh" read as f, "qu" read as kw, ...), with the number of sounds each one stands for.
const std::array<SoundGroupList, 6>& soundGroups() {
  static const std::array<SoundGroupList, 6> kLists = {{
      {false, 1, {"yacht", "psy", "who", "why", "bow", "dough", "gn", "heir"}},
      {false, 2, {"acce", "acci", "per",   "exh",   "laugh", "thorough", "through", "tough", "rough", "hang",
                  "sang", "wing", "wrong", "young", "liqu",  "blow",     "doubt",   "half",  "honor", "honour"}},
      {false, 3, {"lang", "ling", "hustle", "wrestle", "whistle", "honest"}},
      {false, 4, {"draught", "grand", "spring", "strong"}},
      {true, 1, {"ugh", "lly", "ly", "ing", "ong", "ang", "ung", "mb", "ign", "gne"}},
      {true, 2, {"less", "ness", "ings", "stle"}},
  }};
  return kLists;
}

}  // namespace

int TTovgine::StripSuffixIn(std::string& w, const TWordSection& section, int weight) const {
  if (w.empty()) return 0;
  const auto& entries = section.Entries();
  for (std::uint32_t idx : section.EndingWith(static_cast<unsigned char>(w.back()))) {
    const std::string& e = entries[idx];
    if (w.size() > e.size() && w.compare(w.size() - e.size(), e.size(), e) == 0) {
      w.resize(w.size() - e.size());
      return weight;
    }
  }
  return 0;
}

int TTovgine::StripPrefixIn(std::string& w, const TWordSection& section, int weight) const {
  if (w.empty()) return 0;
  const auto& entries = section.Entries();
  for (std::uint32_t idx : section.StartingWith(static_cast<unsigned char>(w.front()))) {
    const std::string& e = entries[idx];
    if (w.size() > e.size() + 2 && w.compare(0, e.size(), e) == 0) {
      w = w.substr(e.size(), 99);
      return weight;
    }
  }
  return 0;
}

int TTovgine::StripSuffix(std::string& word, std::string_view section, int weight) const {
  const TWordSection* s = SectionByName(section);
  return s ? StripSuffixIn(word, *s, weight) : 0;
}

int TTovgine::StripPrefix(std::string& word, std::string_view section, int weight) const {
  const TWordSection* s = SectionByName(section);
  return s ? StripPrefixIn(word, *s, weight) : 0;
}

int TTovgine::WordListSyllables(std::string_view word) const {
  if (!WordData) return 0;
  const std::string_view key = text::trimView(word);
  static constexpr std::array<WordSection, 6> kLists = {WordSection::Word1, WordSection::Word2, WordSection::Word3,
                                                        WordSection::Word4, WordSection::Word5, WordSection::Word6};
  for (std::size_t k = 0; k < kLists.size(); ++k)
    if (WordData->Section(kLists[k]).Contains(key)) return static_cast<int>(k) + 1;
  return 0;
}

int TTovgine::CountSyllables(std::string_view word) const {
  std::string w = text::asciiLower(text::trimView(word));
  if (w.empty()) return 0;
  int count = 0;
  bool stripped = false;

  if (UseSuffixes) {
    const TWordSection& t3 = Section(WordSection::Tail3);
    const TWordSection& t2 = Section(WordSection::Tail2);
    const TWordSection& t1 = Section(WordSection::Tail1);
    const TWordSection& t0 = Section(WordSection::Tail0);
    for (;;) {
      if (UseWordLists) {
        const int k = WordListSyllables(w);
        if (k > 0) return count + k;
      }
      const std::size_t before = w.size();  // stripping only ever shortens the word
      int r = StripSuffixIn(w, t3, 3);
      if (r <= 0) r = StripSuffixIn(w, t2, 2);
      if (r <= 0) r = StripSuffixIn(w, t1, 1);
      if (r <= 0) r = StripSuffixIn(w, t0, 0);
      if (w.size() == before) break;
      count += r;
    }
    while (w.size() >= 3 && w.compare(w.size() - 2, 2, "le") == 0 && isConsonantNotL(w[w.size() - 3])) {
      w.resize(w.size() - 2);
      ++count;
    }
    stripped = count != 0;
  }

  if (UsePrefixes) {
    count += StripPrefixIn(w, Section(WordSection::HeadTop1), 1);
    count += StripPrefixIn(w, Section(WordSection::Head4), 4);
    count += StripPrefixIn(w, Section(WordSection::Head3), 3);
    count += StripPrefixIn(w, Section(WordSection::Head2), 2);
    count += StripPrefixIn(w, Section(WordSection::Head1), 1);
  }

  const char lastLetter = w.back();
  w += ' ';
  const std::size_t len = w.size();
  int v = 0;
  bool inGroup = false;
  std::size_t q = 0;  // 0-based; the stop position p is q + 1
  for (; q < len; ++q) {
    const char ch = w[q];
    if (isVowel(ch)) {
      if (!inGroup) {
        inGroup = true;
        ++v;
      } else if (UseYRule && ch == 'y' && q >= 2 && isVowel(w[q - 1]) && q + 1 < len && isVowel(w[q + 1])) {
        inGroup = false;
      }
    } else if (isConsonant(ch) || (ch == '\'' && q + 1 < len && isSmall(w[q + 1]))) {
      inGroup = false;
    } else if (ch >= '0' && ch <= '9') {
      ++v;
    } else {
      break;
    }
  }
  // Letters before the stop: back(k) is w[p-k] in 1-based terms.
  auto back = [&w, q](std::size_t k) -> char { return q >= k ? w[q - k] : '\0'; };

  if (inGroup) {
    if (UseSilentE && back(1) == 'e' && q >= 2 && isConsonant(back(2)) && v + count >= 2) --v;
  } else if (UseEndingRules) {
    if (q >= 4 && back(1) == 'd' && back(2) == 'e' && isConsonant(back(3)) && back(3) != 'd' && back(3) != 't') {
      const std::string_view t = text::trimView(w);
      if (t != "crooked" && t != "naked" && t != "wicked" && t != "wretched") --v;
    } else if (q >= 4 && back(1) == 's' && back(2) == 'e' &&
               (inSet(back(3), kS1) || (q >= 5 && back(3) == 'h' && back(4) != 'c' && back(4) != 's') ||
                (q >= 5 && back(3) == 'l' && !inSet(back(4), kS2)))) {
      --v;
    } else if (q >= 4 && back(1) == 't' && back(2) == '\'' && back(3) == 'n') {
      if (isConsonant(back(4)))
        ++v;
      else if (w == "haven't " || w == "weren't ")
        ;
      else if (w == "mayn't ")
        ++v;
      else
        --v;
    }
  }

  if (stripped && v == 0 && isVowel(lastLetter)) v = 1;
  return std::max(1, v + count);
}

namespace {

// One step of StripSoundGroup on a view of the word, so that a long run of letter groups
// is taken off in linear time.
bool stripSoundGroupView(std::string_view& w, int& weight) {
  for (const SoundGroupList& list : soundGroups()) {
    for (std::string_view e : list.entries) {
      if (list.suffix ? !w.ends_with(e) : !w.starts_with(e)) continue;
      if (list.suffix)
        w.remove_suffix(e.size());
      else
        w.remove_prefix(e.size());
      weight = list.weight;
      return true;
    }
  }
  weight = 0;
  return false;
}

}  // namespace

bool TTovgine::StripSoundGroup(std::string& word, int& weight) {
  std::string_view w = word;
  if (!stripSoundGroupView(w, weight)) return false;
  word = std::string(w);
  return true;
}

int TTovgine::CountConsonants(std::string_view word) const {
  const std::string lowered = text::asciiLower(word);
  std::string_view w = lowered;
  int count = 0;
  int k = 0;
  while (stripSoundGroupView(w, k)) count += k;

  const std::size_t len = w.size();
  std::string cluster;
  auto flush = [&] {
    count += static_cast<int>(cluster.size());
    cluster.clear();
  };
  auto at = [&w, len](std::size_t j) -> char { return j < len ? w[j] : '\0'; };
  for (std::size_t i = 0; i < len; ++i) {  // i is 0-based; the rules' positions are i + 1
    const char ch = w[i];
    if (ch == '\'' || isVowel(ch)) {
      flush();
      continue;
    }
    if (ch == 'q' && len > i + 3 && w[i + 1] == 'u' && inSet(w[i + 2], "aeio")) {
      if (i >= 1 && w[i - 1] == 'c') {
        if (w[i + 2] != 'e') cluster += 'q';
      } else {
        cluster += "qw";
      }
      flush();
      continue;
    }
    if (ch == 'w' && i >= 1 && w[i - 1] == 'o') {
      flush();
      continue;
    }
    if (ch == 'w' && i >= 1 && w[i - 1] == 'e' && at(i + 1) == 'e') {
      flush();
      continue;
    }
    if (cluster.empty()) {
      cluster = ch;
      if (ch == 'x' && !(len > i + 3 && w[i + 1] == 'c' && (w[i + 2] == 'e' || w[i + 2] == 'i'))) cluster += 'x';
      continue;
    }
    const char last = cluster.back();
    const char beforeLast = cluster.size() >= 2 ? cluster[cluster.size() - 2] : '\0';
    bool doFlush = false;
    switch (last) {
      case 'b':
        doFlush = ch == 'b';
        break;
      case 'c':
        if (ch == 'c' || ch == 'k') {
          doFlush = true;
        } else if (ch == 'h') {
          if (beforeLast == 't') cluster.pop_back();
          doFlush = true;
        } else if (ch == 'l' && beforeLast == 's' && i + 2 == len && w.back() == 'e') {
          doFlush = true;
        }
        break;
      case 'd':
        doFlush = ch == 'd' || ch == 'g' || ch == 'j';
        break;
      case 'f':
        doFlush = ch == 'f';
        break;
      case 'g':
        if (ch == 'g') {
          doFlush = true;
        } else if (ch == 'h') {
          if (i >= 2) cluster.pop_back();
          continue;  // the h is silent either way
        }
        break;
      case 'k':
        doFlush = ch == 'n';
        break;
      case 'l':
        doFlush = ch == 'l' || (ch == 'k' && i >= 2 && (w[i - 2] == 'a' || w[i - 2] == 'o')) ||
                  (ch == 'm' && i >= 2 && w[i - 2] == 'a');
        break;
      case 'm':
        doFlush = ch == 'm';
        break;
      case 'n':
        doFlush = ch == 'n';
        break;
      case 'p':
        doFlush = ch == 'h' || ch == 'p';
        break;
      case 'r':
        doFlush = ch == 'h' || ch == 'r';
        break;
      case 's':
        if (ch == 'h' || ch == 's') continue;  // sh and ss are one sound: drop the letter
        doFlush = ch == 'c' && (at(i + 1) == 'e' || at(i + 1) == 'i');
        break;
      case 't':
        doFlush = ch == 'h' || ch == 't';
        break;
      case 'v':
        doFlush = ch == 'v';
        break;
      case 'w':
        doFlush = ch == 'f' || ch == 'k' || ch == 'l' || ch == 'n' || ch == 'r';
        break;
      case 'z':
        doFlush = ch == 'z';
        break;
      default:
        break;
    }
    if (doFlush)
      flush();
    else
      cluster += ch;
  }
  if (!cluster.empty()) {
    count += static_cast<int>(cluster.size());
    if (cluster == "w" || cluster == "scl") --count;
  }
  return count;
}

}  // namespace ruvo::authoring
