#include "core/authoring/grade.h"

#include <cmath>

#include "core/text/cp932.h"
#include "core/text/format.h"
#include "core/text/strings.h"

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
  engine.Text = text::utf8ToCp932(PrepareReadingText(plainText));
  engine.Analyse();
  return GradeOfCounts(engine);
}

TReadingGrader::TReadingGrader() { hasWordData_ = LoadEmbeddedWordData(data_); }

TReadingGrader::TReadingGrader(TWordLists data) : data_(std::move(data)), hasWordData_(true) {}

int TReadingGrader::Grade(std::string_view plainText) { return GradePassage(plainText, &data_, engine_); }

}  // namespace ruvo::authoring
