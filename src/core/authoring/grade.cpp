#include "core/authoring/grade.h"

#include <cmath>

#include "core/text/cp932.h"
#include "core/text/format.h"
#include "core/text/strings.h"
#include "core/text/utf8.h"

namespace ruvo::authoring {

std::string PrepareReadingText(std::string_view plainText) {
  std::string s;
  s.reserve(plainText.size());
  for (std::size_t i = 0; i < plainText.size(); ++i) {
    const char c = plainText[i];
    if (c == '\r' && i + 1 < plainText.size() && plainText[i + 1] == '\n') {
      s += ' ';
      ++i;
    } else if (c == '\r' || c == '\n') {
      s += ' ';
    } else {
      s += c;
    }
  }
  return text::replaceAll(s, " / ", " ");
}

std::string PassageToCp932(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    const char32_t cp = text::nextCodePoint(utf8, i);
    const int code = cp == 0xFFFD ? -1 : text::cp932Code(cp);
    if (code > 0xFF) {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
      continue;
    }
    if (code >= 0) {
      out += static_cast<char>(code);
      continue;
    }
    switch (cp) {
      case 0x2012:  // figure dash
      case 0x2013:  // en dash
      case 0x2E3A:  // two-em dash
      case 0x2E3B:  // three-em dash
      case 0xFE58:  // small em dash
        out += "\x81\x5C";
        continue;
      case 0x2011:  // non-breaking hyphen
      case 0xFE63:  // small hyphen-minus
        out += '-';
        continue;
      case 0x00AD:  // soft hyphen
      case 0x200B:  // zero-width space
      case 0x200C:  // zero-width non-joiner
      case 0x200D:  // zero-width joiner
      case 0x2060:  // word joiner
      case 0xFEFF:  // byte order mark
        continue;   // invisible: a blank would split the word
      default:
        break;
    }
    const std::string_view letters = text::latinBaseLetters(cp);
    out += letters.empty() ? std::string_view(" ") : letters;
  }
  return out;
}

std::optional<double> TVJP(const TTovgine& e) {
  if (e.ClauseCount <= 0 || e.PhraseCount <= 0) return std::nullopt;
  const double phrases = e.PhraseCount;
  const double sypp = e.SyllableCount / phrases;
  const double cpp = e.ConsonantCount / phrases;
  const double ppc = phrases / e.ClauseCount;
  return 0.07496 * (3 * sypp + 2 * cpp) + 7.926 * std::log10(ppc) + 4.618;
}

int GradeOfCounts(const TTovgine& engine) {
  const std::optional<double> t = TVJP(engine);
  return t ? static_cast<int>(text::roundHalfEven(*t * 10)) : 0;
}

int GradePassage(std::string_view plainText, const TWordLists* wordData, TTovgine& engine) {
  engine.WordData = wordData;
  engine.Init();
  engine.Text = PassageToCp932(PrepareReadingText(plainText));
  engine.Analyse();
  return GradeOfCounts(engine);
}

TReadingGrader::TReadingGrader() { hasWordData_ = LoadEmbeddedWordData(data_).ok(); }

TReadingGrader::TReadingGrader(TWordLists data) : data_(std::move(data)), hasWordData_(true) {}

int TReadingGrader::Grade(std::string_view plainText) { return GradePassage(plainText, &data_, engine_); }

}  // namespace ruvo::authoring
