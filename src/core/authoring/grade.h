#pragma once
// The reading grade of a passage: the TVJP school-grade level of the engine's counts,
// stored in a reading page as ten times the level, rounded halves to even.
#include <optional>
#include <string>
#include <string_view>

#include "core/authoring/tovgine.h"

namespace ruvo::authoring {

// A page's plain text as the engine reads it: every line break (CRLF, and a lone LF or
// CR alike) becomes one space, then every phrase mark " / " becomes one space.
std::string PrepareReadingText(std::string_view plainText);

// A passage's CP932 bytes as the engine measures them. What CP932 cannot hold is mapped as
// the system's own conversion does (dashes to the CP932 dash, accented Latin letters to
// their base letters), invisible format characters are dropped, and anything else becomes
// a blank: never a "?", which would end a sentence.
std::string PassageToCp932(std::string_view utf8);

// TVJP of the engine's counts; nullopt when it is undefined: no clause was closed, or
// clauses were closed but no phrase (a clause whose only end is a semicolon joined to the
// next word), where the formula would divide by zero.
std::optional<double> TVJP(const TTovgine& engine);

// Ten times TVJP rounded halves to even; 0 when TVJP is undefined.
int GradeOfCounts(const TTovgine& engine);

// The grade of a reading page's plain text (UTF-8), measured with the given word data:
// the text prepared, converted with PassageToCp932, then Init, Text, Analyse on `engine`, which keeps
// the counts for the caller. The engine's WordData is set to wordData.
int GradePassage(std::string_view plainText, const TWordLists* wordData, TTovgine& engine);

// What the script compiler uses once per compile: the embedded word data read once into a
// data file that is never saved, and one engine that grades every reading page.
class TReadingGrader final {
 public:
  TReadingGrader();  // the embedded word data; every section empty when it cannot be read
  explicit TReadingGrader(TWordLists data);
  TReadingGrader(const TReadingGrader&) = delete;
  TReadingGrader& operator=(const TReadingGrader&) = delete;

  bool HasWordData() const { return hasWordData_; }
  // The grade of one page's plain text; the counts stay readable in Engine().
  int Grade(std::string_view plainText);
  const TTovgine& Engine() const { return engine_; }

 private:
  TWordLists data_;
  bool hasWordData_ = false;
  TTovgine engine_;
};

}  // namespace ruvo::authoring
