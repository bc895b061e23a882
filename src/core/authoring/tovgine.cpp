#include "core/authoring/tovgine.h"

#include <array>

#include "core/text/cp932.h"
#include "core/text/strings.h"

namespace ruvo::authoring {
namespace {

using text::isCp932Lead;

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool isSmall(unsigned char c) { return c >= 'a' && c <= 'z'; }
bool isCapital(unsigned char c) { return c >= 'A' && c <= 'Z'; }

// A running text of the analysis (sentence, clause, phrase). Only its length and whether it
// holds anything but spaces are ever asked, so those are all that is kept: a long sentence
// then costs nothing per character.
struct RunningText {
  std::size_t length = 0;
  bool nonBlank = false;
  void appendWordChar() {
    ++length;
    nonBlank = true;
  }
  void appendSpace() { ++length; }
  bool empty() const { return length == 0; }
  bool blank() const { return !nonBlank; }
  void clear() {
    length = 0;
    nonBlank = false;
  }
};

// Half-width katakana for the kana cells 0x21..0x76 of rows 0x24 and 0x25: the base byte
// and the voiced (0xDE) or semi-voiced (0xDF) mark, 0 for none.
struct HalfKana {
  unsigned char base, mark;
};
constexpr unsigned char V = 0xDE, P = 0xDF;
constexpr std::array<HalfKana, 0x56> kHalfKana = {{
    {0xA7, 0}, {0xB1, 0}, {0xA8, 0}, {0xB2, 0}, {0xA9, 0}, {0xB3, 0}, {0xAA, 0}, {0xB4, 0},  // ァ..エ
    {0xAB, 0}, {0xB5, 0},                                                                    // ォ オ
    {0xB6, 0}, {0xB6, V}, {0xB7, 0}, {0xB7, V}, {0xB8, 0}, {0xB8, V}, {0xB9, 0}, {0xB9, V},  // カ..ゲ
    {0xBA, 0}, {0xBA, V},                                                                    // コ ゴ
    {0xBB, 0}, {0xBB, V}, {0xBC, 0}, {0xBC, V}, {0xBD, 0}, {0xBD, V}, {0xBE, 0}, {0xBE, V},  // サ..ゼ
    {0xBF, 0}, {0xBF, V},                                                                    // ソ ゾ
    {0xC0, 0}, {0xC0, V}, {0xC1, 0}, {0xC1, V}, {0xAF, 0}, {0xC2, 0}, {0xC2, V}, {0xC3, 0},  // タ..テ
    {0xC3, V}, {0xC4, 0}, {0xC4, V},                                                         // デ ト ド
    {0xC5, 0}, {0xC6, 0}, {0xC7, 0}, {0xC8, 0}, {0xC9, 0},                                   // ナ..ノ
    {0xCA, 0}, {0xCA, V}, {0xCA, P}, {0xCB, 0}, {0xCB, V}, {0xCB, P}, {0xCC, 0}, {0xCC, V},  // ハ..ブ
    {0xCC, P}, {0xCD, 0}, {0xCD, V}, {0xCD, P}, {0xCE, 0}, {0xCE, V}, {0xCE, P},             // プ..ポ
    {0xCF, 0}, {0xD0, 0}, {0xD1, 0}, {0xD2, 0}, {0xD3, 0},                                   // マ..モ
    {0xAC, 0}, {0xD4, 0}, {0xAD, 0}, {0xD5, 0}, {0xAE, 0}, {0xD6, 0},                        // ャ..ヨ
    {0xD7, 0}, {0xD8, 0}, {0xD9, 0}, {0xDA, 0}, {0xDB, 0},                                   // ラ..ロ
    {0xDC, 0}, {0xDC, 0}, {0xB2, 0}, {0xB4, 0}, {0xA6, 0}, {0xDD, 0},                        // ヮ ワ ヰ ヱ ヲ ン
    {0xB3, V}, {0xB6, 0}, {0xB9, 0},                                                         // ヴ ヵ ヶ
}};

// Full-width punctuation and the ideographic space with their single-byte forms.
struct FullWidth {
  std::uint16_t code;
  unsigned char single;
};
constexpr std::array<FullWidth, 40> kFullWidth = {{
    {0x8140, ' '},  {0x8149, '!'},  {0x8168, '"'},  {0x8194, '#'},  {0x8190, '$'},  {0x8193, '%'}, {0x8195, '&'},
    {0x8166, '\''}, {0x8169, '('},  {0x816A, ')'},  {0x8181, '='},  {0x8165, '`'},  {0x8162, '|'}, {0x817C, '-'},
    {0x814F, '^'},  {0x818F, '\\'}, {0x8150, '~'},  {0x816F, '{'},  {0x8197, '@'},  {0x816D, '['}, {0x817B, '+'},
    {0x8196, '*'},  {0x8170, '}'},  {0x8147, ';'},  {0x8146, ':'},  {0x816E, ']'},  {0x8183, '<'}, {0x8184, '>'},
    {0x8148, '?'},  {0x8151, '_'},  {0x8141, 0xA4}, {0x8142, 0xA1}, {0x8145, 0xA5}, {0x8143, ','}, {0x8144, '.'},
    {0x815E, '/'},  {0x815B, 0xB0}, {0x8175, 0xA2}, {0x8176, 0xA3}, {0x8167, '"'},
}};

bool startsNormalizable(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || b == 0xC3 || (b >= 0xE0 && b <= 0xFC); }

bool TovgineIsWordChar(unsigned char c, bool hyphenJoinsWords) {
  return c == '\'' || isDigit(c) || isSmall(c) || (hyphenJoinsWords && c == '-');
}

}  // namespace

void TTovgine::Init() {
  Text.clear();
  SyllableCount = WordCount = SentenceCount = ClauseCount = PhraseCount = 0;
  LetterCount = ConsonantCount = OneSyllableWords = LongWords = 0;
  SentenceOpen = ClauseOpen = PhraseOpen = false;
  AllowLowerStart = HyphenJoinsWords = false;
  UseYRule = UseSilentE = UsePrefixes = UseSuffixes = UseEndingRules = UseWordLists = true;
}

std::string TTovgine::Normalize(std::string_view t) {
  std::string out;
  out.reserve(t.size());
  auto at = [&t](std::size_t k) -> int { return k < t.size() ? static_cast<unsigned char>(t[k]) : -1; };
  std::size_t i = 0;
  while (i < t.size()) {
    const unsigned char b = static_cast<unsigned char>(t[i]);
    if (!startsNormalizable(b)) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    const int b1 = at(i + 1), b2 = at(i + 2);
    if (b == 0x81 && b1 == 0x5D) {
      out += '-';
      i += 2;
      continue;
    }
    if (b == 0x81 && b1 == 0x45 && b2 >= 0x80 && b2 <= 0x85) {
      static constexpr std::array<const char*, 6> kLigatures = {"ff", "fi", "fl", "ffi", "ffl", "ft"};
      out += kLigatures[b2 - 0x80];
      i += 3;
      continue;
    }
    if (b == 0xC3 && b1 == 0xA9) {
      out += 'e';
      i += 2;
      continue;
    }
    if (b == 0xE2 && b1 == 0x80 && (b2 == 0x9C || b2 == 0x9D)) {
      out += '"';
      i += 3;
      continue;
    }
    if (b == 0xE2 && b1 == 0x86 && b2 == 0xB5) {
      out += "ff";
      i += 3;
      continue;
    }
    if (b == 0xE2 && b1 == 0x9C && b2 == 0x8F) {
      out += "ffl";
      i += 3;
      continue;
    }
    // Shift-JIS to JIS X 0208 row and cell; a missing trail byte reads as 0x40.
    const bool hasTrail = b1 >= 0;
    const int s2 = hasTrail ? b1 : 0x40;
    int s1 = b;
    if (s1 >= 0xE0) s1 -= 0x40;
    int row, cell;
    if (s2 >= 0x9F) {
      row = (s1 - 0x70) * 2;
      cell = s2 - 0x7E;
    } else {
      row = (s1 - 0x70) * 2 - 1;
      cell = s2 - 0x1F - (s2 >= 0x80 ? 1 : 0);
    }
    const std::size_t width = hasTrail ? 2 : 1;
    if (row == 0x24 || row == 0x25) {
      if (cell >= 0x21 && cell <= 0x76) {
        const HalfKana k = kHalfKana[static_cast<std::size_t>(cell - 0x21)];
        out += static_cast<char>(k.base);
        if (k.mark) out += static_cast<char>(k.mark);
        i += width;
      } else {
        out += static_cast<char>(b);
        ++i;
      }
      continue;
    }
    const std::uint16_t code = static_cast<std::uint16_t>((b << 8) | s2);
    bool done = false;
    for (const FullWidth& f : kFullWidth) {
      if (f.code == code) {
        out += static_cast<char>(f.single);
        done = true;
        break;
      }
    }
    if (!done && row == 0x23 && cell >= 0x21 && cell <= 0x7E) {
      out += static_cast<char>(cell);
      done = true;
    }
    if (!done) out.append(t.substr(i, width));
    i += width;
  }
  return out;
}

const TWordSection& TTovgine::Section(WordSection s) const {
  static const TWordSection kEmpty;
  return WordData ? WordData->Section(s) : kEmpty;
}

const TWordSection* TTovgine::SectionByName(std::string_view name) const {
  const int idx = WordSectionIndex(name);
  if (idx < 0 || !WordData) return nullptr;
  return &WordData->Section(idx);
}

bool TTovgine::InSection(std::string_view word, std::string_view section) const {
  const TWordSection* s = SectionByName(section);
  return s && s->Contains(text::trimView(word));
}

bool TTovgine::IsSentenceEnd(std::string_view mark, std::string_view lastWord, std::string_view sentence,
                             std::string_view following) const {
  return IsSentenceEndImpl(mark.empty() ? '\0' : mark[0], lastWord, text::trimView(sentence).empty(), following);
}

bool TTovgine::IsSentenceEndImpl(char mark, std::string_view lastWord, bool sentenceBlank,
                                 std::string_view following) const {
  if (mark == '.') {
    const TWordSection& abbr = Section(WordSection::Abbreviation);
    if (!abbr.Empty() && abbr.Contains(text::trimView(text::asciiLower(lastWord)))) return false;
    if (!following.empty() && following[0] == ',') return false;
  }
  if (sentenceBlank) return false;
  const std::string_view t = text::trimView(following);
  if (t.empty() || t[0] == '"') return true;

  int up = 0, low = 0;
  bool firstCap = false;
  int terminator = -1;
  for (std::size_t p = 0; p < following.size();) {
    const unsigned char ch = static_cast<unsigned char>(following[p]);
    if (isCp932Lead(ch)) {
      p += 2;
      continue;
    }
    const std::size_t pos = p + 1;
    if (isSmall(ch)) {
      if (pos >= 2 && up == 0) return false;
      ++low;
    } else if (isCapital(ch) || isDigit(ch)) {
      if (pos >= 2 && low == 0) return true;
      if (up + low == 0) firstCap = true;
      ++up;
    } else if (up + low > 0) {
      terminator = ch;
      break;
    }
    ++p;
  }
  if (up + low == 0) return true;
  if (!AllowLowerStart) {
    if (!firstCap) return low == 0;
    if (low > 0) return true;
  }
  int small = 0;
  for (std::size_t p = 0; p < lastWord.size();) {
    const unsigned char ch = static_cast<unsigned char>(lastWord[p]);
    if (isCp932Lead(ch)) {
      p += 2;
      continue;
    }
    if (isSmall(ch)) ++small;
    ++p;
  }
  if (small > 0 || low > 0) return true;
  return terminator != '.';
}

void TTovgine::FinishWord(std::string& word, std::string& lastWord) {
  const int s = CountSyllables(word);
  SyllableCount += s;
  if (s > 2 && text::parseIntDef(word, 0) == 0)
    ++LongWords;
  else if (s == 1)
    ++OneSyllableWords;
  if (!word.empty()) {
    ConsonantCount += CountConsonants(word);
    ++WordCount;
    lastWord = word;
    word.clear();
  }
}

void TTovgine::Analyse() {
  Text = text::trim(Text);
  if (Text.empty()) return;
  Text = Normalize(Text);
  if (HyphenJoinsWords) std::erase(Text, '-');
  Text += ' ';
  const std::string L = text::asciiLower(Text);
  const std::size_t n = L.size();
  const bool hyphen = HyphenJoinsWords;
  auto wordChar = [hyphen](unsigned char c) { return TovgineIsWordChar(c, hyphen); };
  auto lower = [&L](std::size_t k) { return static_cast<unsigned char>(L[k]); };
  auto raw = [this](std::size_t k) { return static_cast<unsigned char>(Text[k]); };
  auto after = [this](std::size_t from) {
    return from < Text.size() ? std::string_view(Text).substr(from, 100) : std::string_view();
  };

  std::string word, lastWord;
  RunningText sentence, clause, phrase;
  int letters = 0;
  for (std::size_t i = 0; i < n; ++i) {
    bool endAllowed = true;
    if (lower(i) == ' ')
      while (i + 1 < n && lower(i + 1) == ' ') ++i;
    const unsigned char c = lower(i);
    if (isCp932Lead(c)) {
      const bool leader = c == 0x81 && i + 1 < n && raw(i + 1) == 0x64;
      if (letters > 0 && !word.empty() && leader && !(i + 2 < n && wordChar(lower(i + 2))) && !sentence.empty()) {
        if (IsSentenceEndImpl('\0', lastWord, sentence.blank(), after(i + 2))) {
          ++SentenceCount;
          sentence.clear();
        }
        ++ClauseCount;
        ++PhraseCount;
        clause.clear();
        phrase.clear();
      }
      ++i;  // the trail byte
      FinishWord(word, lastWord);
      letters = 0;
    } else if (wordChar(c) || (c == '.' && i + 1 < n && (isDigit(raw(i + 1)) || isCapital(raw(i + 1))))) {
      if (isDigit(c) || isSmall(c)) {
        ++LetterCount;
        ++letters;
      }
      word += static_cast<char>(raw(i));
      sentence.appendWordChar();
      clause.appendWordChar();
      phrase.appendWordChar();
    } else {
      if (letters > 0 && !word.empty()) {
        FinishWord(word, lastWord);
        letters = 0;
      }
      if (!sentence.blank() && (c == '!' || c == '.' || c == '?' || c == ':')) {
        endAllowed = IsSentenceEndImpl(static_cast<char>(c), lastWord, false, after(i + 1));
        if (endAllowed) {
          ++SentenceCount;
          sentence.clear();
          if (!clause.empty()) {
            ++ClauseCount;
            clause.clear();
          }
          if (!phrase.empty()) {
            ++PhraseCount;
            phrase.clear();
          }
        }
      }
      if (!clause.blank() && i + 1 < n && c == ';') {
        ++ClauseCount;
        clause.clear();
      }
      if (!phrase.blank() && i + 1 < n && !wordChar(lower(i + 1)) && endAllowed) {
        ++PhraseCount;
        phrase.clear();
      }
      sentence.appendSpace();
      clause.appendSpace();
      phrase.appendSpace();
    }
  }
  SentenceOpen = WordCount > 0 && !sentence.blank();
  ClauseOpen = WordCount > 0 && !clause.blank();
  PhraseOpen = WordCount > 0 && !phrase.blank();
}

}  // namespace ruvo::authoring
