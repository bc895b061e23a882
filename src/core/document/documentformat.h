#pragma once
// The test document's text form: header lines "key=value", page tag lines "<page ...>",
// question and choice markers, phrase separators "/ ". The parser turns the text that
// stands for FWorkRichEdit into pages and questions; the writer turns them back.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/document/pagecontroler.h"
#include "core/richtext/richtext.h"

namespace ruvo::doc {

class TQAControler;
class TWPMMeter;

// Header lookups: from the first line, trimmed, up to the first "<page" line; the first
// line starting with key + "=" gives the rest of the line.
std::string ReadHeaderString(const rt::RichText& work, std::string_view key, std::string_view def);
int ReadHeaderInt(const rt::RichText& work, std::string_view key, int def);

// Parses the document text into the models, which it empties first (the meter too). Never
// fails, and calls nobody: whoever shows the document runs its own steps afterwards. The
// text itself is tidied as part of it: trailing blank lines and "<page>" lines are removed,
// and a text without any page tag gets a "<page>" line at its top (it still yields no pages).
void ParseDocument(rt::RichText& work, TPageControler& pages, TQAControler& qa, TWPMMeter& meter);

// The tag line of a page as the writer writes it ("<page start>", "<page end pass>", ...).
std::string WritePageTag(const TPage& page);
// Appends the tag line to the target (an empty last line of the target is the open end the
// writer continues on).
void AppendPageTag(const TPage& page, rt::RichText& target);
// Appends the page's body: the main text with its phrase separators put back, or for a
// question page its main text, questions and lower text.
void WritePageBody(const TPage& page, rt::RichText& target);

// What a page tag line says of its page.
struct PageTag {
  PageKind kind = PageKind::Plain;
  bool last = false;  // the last page: everything after its tag is its text
  bool pass = false;
  bool operator==(const PageTag&) const = default;
};
// Reads a tag line. The kind is the first of " start", " end", "timerOn", "timerOff", " name"
// present, in that order of priority; " last" makes the last page only when no kind word is
// present. One shape is read otherwise: earlier writers put the end words of the page before
// (" end pass" after a reading page, "timerOff" glued to the last word after a timed question
// page) behind the page's own word, and there the page's own word decides
// ("<page name end pass>" is a name page, "<page lasttimerOff>" the last page).
PageTag ReadPageTag(std::string_view tagLine);

// Phrase marks of a role-0 page's text: removes the "/ " pairs from the text and returns
// the positions they mark.
std::vector<std::int32_t> ExtractPhraseMarks(rt::RichText& text);
// The inverse: puts "/ " back into a text so that ExtractPhraseMarks gives the marks again.
void InsertPhraseSeparators(rt::RichText& text, const std::vector<std::int32_t>& marks);

}  // namespace ruvo::doc
