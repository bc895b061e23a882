#pragma once
// The test document's text form: header lines "key=value", page tag lines "<page ...>",
// question and choice markers, phrase separators "/ ". The parser turns the text that
// stands for FWorkRichEdit into pages and questions; the writer turns them back.
#include <cstdint>
#include <string>
#include <vector>
#include <string_view>

#include "core/richtext/richtext.h"

namespace ruvo::doc {

class TPage;
class TPageControler;
class TQAControler;
class TWPMMeter;

// What parsing asks of the main window. The parser calls these at its fixed points; the
// test run driver and the page editor fill them in. Without a host (nullptr), ParseDocument
// only rebuilds the models (the command-line tool, tests).
class DocumentHost {
 public:
  virtual ~DocumentHost() = default;
  // Before anything else: the driver's run counters back to their start, the font-size
  // level FFontLevel to 3, the property side tab (tsProperty) selected.
  virtual void ResetRunState() = 0;
  // With the models cleared: the answer log, the project's template and script, and
  // FCurrentPage.
  virtual void ClearDocumentState() = 0;
  // After the models are built, in this order: show the first page in the test view,
  // rebuild the page editor's tree and grids, select vmTest.
  virtual void ShowFirstPage() = 0;
  virtual void RebuildPageEditor() = 0;
  virtual void SelectTestView() = 0;
};

// Header lookups: from the first line, trimmed, up to the first "<page" line; the first
// line starting with key + "=" gives the rest of the line.
std::string ReadHeaderString(const rt::RichText& work, std::string_view key, std::string_view def);
int ReadHeaderInt(const rt::RichText& work, std::string_view key, int def);

// Parses the document text into the models. Never fails. The text itself is tidied as part
// of it: trailing blank lines and "<page>" lines are removed, and a text without any page
// tag gets a "<page>" line at its top (it still yields no pages).
void ParseDocument(rt::RichText& work, TPageControler& pages, TQAControler& qa, TWPMMeter& meter,
                   DocumentHost* host);

// The tag line of a page as the writer writes it ("<page start>", "<page end pass>", ...).
std::string WritePageTag(const TPage& page);
// Appends the tag line to the target (an empty last line of the target is the open end the
// writer continues on).
void AppendPageTag(const TPage& page, rt::RichText& target);
// Appends the page's body: the main text with its phrase separators put back, or for a
// question page its main text, questions and lower text.
void WritePageBody(const TPage& page, rt::RichText& target);

// The kind word positions decide a tag's kind: the earliest of " start", " end",
// "timerOn", "timerOff", " name" in the line (the page's own word always comes first).
// -1 when none is present.
int TagKind(std::string_view tagLine);
// A last page's tag: " last" with no kind word before it ("<page start last>" is a reading
// page; "<page last end pass>", as earlier writers wrote a last page after a reading page,
// is the last page).
bool IsLastPageTag(std::string_view tagLine);

// Phrase marks of a role-0 page's text: removes the "/ " pairs from the text and returns
// the positions they mark.
std::vector<std::int32_t> ExtractPhraseMarks(rt::RichText& text);
// The inverse: puts "/ " back into a text so that ExtractPhraseMarks gives the marks again.
void InsertPhraseSeparators(rt::RichText& text, const std::vector<std::int32_t>& marks);

}  // namespace ruvo::doc
