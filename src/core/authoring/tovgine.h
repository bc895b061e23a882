#pragma once
// TTovgine: the English readability engine. It measures a passage (CP932 bytes) in
// sentences, clauses, phrases, words, letters, syllables and consonant sounds, from which
// the reading grade of a passage is computed (see grade.h).
#include <cstdint>
#include <string>
#include <string_view>

#include "core/authoring/worddata.h"

namespace ruvo::authoring {

class TTovgine final {
 public:
  // The passage as CP932 bytes; Analyse replaces it by its normalized form plus one space.
  std::string Text;
  std::int32_t SyllableCount = 0;
  std::int32_t WordCount = 0;
  std::int32_t SentenceCount = 0;
  std::int32_t ClauseCount = 0;
  std::int32_t PhraseCount = 0;
  std::int32_t LetterCount = 0;
  std::int32_t ConsonantCount = 0;
  std::int32_t OneSyllableWords = 0;
  std::int32_t LongWords = 0;
  bool SentenceOpen = false;
  bool ClauseOpen = false;
  bool PhraseOpen = false;
  bool AllowLowerStart = false;
  bool HyphenJoinsWords = false;
  bool UseYRule = true;
  bool UseSilentE = true;
  bool UsePrefixes = true;
  bool UseSuffixes = true;
  bool UseEndingRules = true;
  bool UseWordLists = true;
  // The word data; set by the caller, not owned. Null reads as every section empty.
  const TWordLists* WordData = nullptr;

  // Empties Text, zeroes the counts and flags, sets the options to their defaults.
  // WordData is kept.
  void Init();
  // Measures Text; counts are added to what is there.
  void Analyse();

  // Full-width forms, kana and a few typographic sequences to their single-byte forms.
  static std::string Normalize(std::string_view text);
  // Whether the mark (one of ! . ? : or empty for the two-dot leader) ends the sentence,
  // given the last finished word, the running sentence and the raw text after the mark.
  bool IsSentenceEnd(std::string_view mark, std::string_view lastWord, std::string_view sentence,
                     std::string_view following) const;
  // Lookup of a trimmed word in a sorted section (the walk stops at the first entry after it).
  bool InSection(std::string_view word, std::string_view section) const;

  int CountSyllables(std::string_view word) const;
  int CountConsonants(std::string_view word) const;
  // 1 … 6 when the word is in "word_1" … "word_6" (tried in that order), else 0.
  int WordListSyllables(std::string_view word) const;
  // Removes the last-listed matching suffix (resp. prefix) of the section from word and
  // returns weight; 0 and word unchanged when none matches.
  int StripSuffix(std::string& word, std::string_view section, int weight) const;
  int StripPrefix(std::string& word, std::string_view section, int weight) const;
  // Removes one fixed letter group of known consonant weight; false when none matches.
  static bool StripSoundGroup(std::string& word, int& weight);

 private:
  const TWordSection& Section(WordSection s) const;
  const TWordSection* SectionByName(std::string_view name) const;
  bool IsSentenceEndImpl(char mark, std::string_view lastWord, bool sentenceBlank, std::string_view following) const;
  int StripSuffixIn(std::string& word, const TWordSection& section, int weight) const;
  int StripPrefixIn(std::string& word, const TWordSection& section, int weight) const;
  void FinishWord(std::string& word, std::string& lastWord);
};

}  // namespace ruvo::authoring
