#pragma once
// The readability engine's word data, read once into per-section lists so that every
// lookup of a passage's words is a search in memory instead of a walk over the data file.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/status.h"

namespace ruvo::authoring {

// One section of the word data: its entries in file order, plus indexes that let the
// suffix and prefix strippers visit only the entries that can match while keeping the
// "last entry in file order wins" rule.
class TWordSection final {
 public:
  TWordSection() = default;
  explicit TWordSection(std::vector<std::string> entries);

  const std::vector<std::string>& Entries() const { return entries_; }
  bool Empty() const { return entries_.empty(); }

  // True when walking the entries from the first finds `key` before any entry that sorts
  // after it (byte order). On a sorted section that is a binary search.
  bool Contains(std::string_view key) const;

  // Entry indexes ending (resp. starting) with the given byte, highest index first.
  const std::vector<std::uint32_t>& EndingWith(unsigned char c) const { return byLast_[c]; }
  const std::vector<std::uint32_t>& StartingWith(unsigned char c) const { return byFirst_[c]; }

 private:
  std::vector<std::string> entries_;
  bool sorted_ = true;
  std::array<std::vector<std::uint32_t>, 256> byLast_{};
  std::array<std::vector<std::uint32_t>, 256> byFirst_{};
};

// The sections the engine consults, by their index in kWordSectionNames.
enum class WordSection : int {
  Abbreviation,
  Word1,
  Word2,
  Word3,
  Word4,
  Word5,
  Word6,
  Tail0,
  Tail1,
  Tail2,
  Tail3,
  HeadTop1,
  Head1,
  Head2,
  Head3,
  Head4,
  Count
};

inline constexpr std::array<std::string_view, static_cast<int>(WordSection::Count)> kWordSectionNames = {
    "abbreviation", "word_1", "word_2", "word_3",     "word_4", "word_5", "word_6", "tail_0",
    "tail_1",       "tail_2", "tail_3", "head_top_1", "head_1", "head_2", "head_3", "head_4"};

// Index of a section name (case-insensitive), or -1.
int WordSectionIndex(std::string_view name);

class TWordLists final {
 public:
  TWordLists() = default;  // every section empty

  // Builds the lists from the lines of a word data text: a section starts at the line
  // "[name]" (name compared without regard to case; the first such line counts) and runs
  // to the next line that begins with "["; its entries are its non-empty lines.
  static TWordLists FromLines(const std::vector<std::string>& lines);

  // Builds the lists from a reader of one section at a time (the data file's ReadSection).
  template <class ReadSectionFn>
  static TWordLists FromSectionReader(ReadSectionFn&& readSection) {
    TWordLists w;
    for (std::size_t i = 0; i < kWordSectionNames.size(); ++i)
      w.sections_[i] = TWordSection(readSection(std::string(kWordSectionNames[i])));
    return w;
  }

  const TWordSection& Section(WordSection s) const { return sections_[static_cast<int>(s)]; }
  const TWordSection& Section(int index) const { return sections_[index]; }
  void SetSection(WordSection s, std::vector<std::string> entries) {
    sections_[static_cast<int>(s)] = TWordSection(std::move(entries));
  }

 private:
  std::array<TWordSection, static_cast<int>(WordSection::Count)> sections_{};
};

}  // namespace ruvo::authoring

namespace ruvo::storage {
class TDataFile;
}

namespace ruvo::authoring {

// The name of the embedded word data resource.
inline constexpr const char* kWordDataResource = "SQLTOVGLE";

// Reads the engine's sections from a loaded data file with its ReadSection.
TWordLists WordListsFromDataFile(const storage::TDataFile& file);

// The word data embedded in the program, read into a data file that is never saved.
// Fails (with every section empty) when the resource is missing or does not decode.
platform::Status LoadEmbeddedWordData(TWordLists& out);

// Word data from a file: a compressed string list (the resource's own format) or the
// plain text of data/worddata.txt. An empty file gives every section empty. False with
// the reason in error when the file cannot be read or a compressed list does not decode.
bool LoadWordDataFile(const std::string& path, TWordLists& out, std::string& error);

}  // namespace ruvo::authoring
