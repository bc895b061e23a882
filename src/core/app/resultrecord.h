#pragma once
// Pieces of the result record and the result file that need no window.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/platform/ports.h"
#include "core/platform/status.h"
#include "core/richtext/richtext.h"

namespace ruvo::doc {
class TPageControler;
class TQAControler;
class TWPMMeter;
}  // namespace ruvo::doc

namespace ruvo::app {

// "yyyy/mm/dd hh:nn:ss" with two-digit fields, whatever the locale: collection compares
// dates as text.
std::string FormatResultDate(const platform::DateTime& t);
// Parses that form back (also accepts single-digit fields); false when it is not a date.
bool ParseResultDate(const std::string& text, platform::DateTime& out);
// "yyyymmddhhnnss".
std::string FormatFileStamp(const platform::DateTime& t);
// Removes the characters a file name cannot hold: " * ? \ / : < > | and the full stop; a
// control character (tab, line break, ...) becomes a blank, so that a name never splits a
// line of a listing of files.
std::string SanitizeFileName(const std::string& name);
// The longest file name the file systems take, in bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;
// The result file name: stamp + sanitized name + ".ruvot". A name too long for a file
// system is shortened at a character boundary before the extension.
std::string ResultFileName(const platform::DateTime& t, const std::string& examineeName);
// fileName with the counter n: the name itself for 1, else "stem_n.ruvot", the stem
// shortened at a character boundary so that the whole name (counter and extension kept)
// stays within kMaxFileNameBytes.
std::string NumberedFileName(const std::string& fileName, int n);
// The first counter whose numbered name (see NumberedFileName) is free in every folder
// given, and that name: the name itself, else "stem_2.ruvot", "stem_3.ruvot", ... This only
// proposes a name; WriteNewResultFile decides.
int FreeResultFileNumber(const std::string& fileName, const std::vector<std::string>& folders);
std::string UniqueResultFileName(const std::string& fileName, const std::vector<std::string>& folders);
// The one way a result file gets its name: create is called with the numbered names of
// fileName (see NumberedFileName) from the counter number on, until it succeeds or fails for
// another reason than EEXIST (the name is taken). create must claim the name atomically
// (the storage layer's exclusive create), so that no result is ever replaced. number
// receives the counter used.
inline constexpr int kMaxResultFileNumber = 100000;
using CreateNewFile = std::function<platform::Status(const std::string& numberedName)>;
platform::Status ClaimResultFileName(const std::string& fileName, int& number, const CreateNewFile& create);
// ClaimResultFileName writing bytes into folder on the disk.
platform::Status WriteNewResultFile(const std::string& folder, const std::string& fileName, std::string_view bytes,
                                    int& number);

// The columns of a result file: each a name and its value, in order. The file holds them as
// two tab-separated lines (names, values).
class TResultColumns final {
 public:
  struct Column {
    std::string name, value;
    bool operator==(const Column&) const = default;
  };
  // Tabs and line breaks inside a name or value become blanks: the two lines always keep
  // their columns in step.
  void Add(const std::string& name, const std::string& value);
  void Clear() { columns_.clear(); }
  bool Empty() const { return columns_.empty(); }
  const std::vector<Column>& Columns() const { return columns_; }
  std::string HeaderLine() const;  // the names joined by tabs
  std::string ValueLine() const;   // the values joined by tabs

 private:
  std::vector<Column> columns_;
};

// What the record of a run is made of.
struct RunFacts {
  const doc::TPageControler* pages = nullptr;
  const doc::TQAControler* qa = nullptr;
  const doc::TWPMMeter* meter = nullptr;
  const std::vector<std::string>* questionSeconds = nullptr;  // FAnswerLog
  std::string examineeName;
  platform::DateTime date;  // the end of the run
};

// The look of the record's lines: the test view's base font.
rt::CharFormat RecordFont();
// "title: ", "name: ", "date: " lines.
void WriteRecordHeader(rt::RichText& target, const RunFacts& f);
// The result section at the end of a run: the readable record (appended to `record`, which
// starts with an empty line and a rule) and the columns title, name, date, time, wrd, rt,
// wpm and qt. The test clock must be off.
void WriteResultSection(const RunFacts& f, rt::RichText& record, TResultColumns& columns);
// The record Copy puts on the clipboard.
rt::RichText ClipboardRecord(const RunFacts& f);
// The columns written with the file: ans for every question, scr for the scored ones (with
// online answering exactly 1), mj for every graded page.
void AddAnswerColumns(TResultColumns& columns, const doc::TPageControler& pages, const doc::TQAControler& qa);

}  // namespace ruvo::app
