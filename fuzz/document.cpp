// Test documents arrive from other machines: whatever bytes a ".ruvo" or a pasted text
// holds, reading, parsing, writing and parsing again must not crash, and a written document
// must read back as itself (a second save changes nothing).
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/document/documentfile.h"
#include "core/document/documentformat.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/richtext/richtext.h"
#include "core/storage/deltacode.h"

namespace {

using namespace ruvo;

struct Models {
  doc::TPageControler pages;
  doc::TQAControler qa{&pages};
  doc::TWPMMeter meter;
  rt::RichText work;
  Models() { pages.SetQAControler(&qa); }
  void parse(const rt::RichText& t) {
    work = t;
    doc::ParseDocument(work, pages, qa, meter);
  }
  rt::RichText write() const {
    rt::RichText out;
    pages.WriteDocument(out);
    return out;
  }
};

// What a save keeps of a page.
std::string shape(const doc::TPageControler& pages) {
  std::string s;
  for (int i = 0; i < pages.PageCount(); ++i) {
    const doc::TPage& p = *pages.Page(i);
    s += std::to_string(doc::KindNumber(p.Kind())) + "," + std::to_string(doc::RoleNumber(p.Role())) + "," +
         (p.PassFlag() ? "p" : "-") + "," + std::to_string(p.Grade()) + "[";
    for (auto m : p.PhraseMarks()) s += std::to_string(m) + " ";
    s += "]" + p.MainTextPlain() + "|" + p.LowerTextPlain() + "{";
    for (const doc::TQAItem* q : p.Questions()) {
      s += q->QuestionPlain() + "/" + std::to_string(q->Correct());
      for (int c = 0; c < q->ChoiceCount(); ++c) s += "/" + q->ChoicePlain(c);
      s += ";";
    }
    s += "}\n";
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // A stored document, or the RTF / plain text inside one.
  rt::RichText text;
  if (bytes.substr(0, 3) == "BDC") {
    if (!doc::DecodeDocument(bytes, text)) return 0;
  } else {
    text = doc::TextFromBytes(bytes);
  }
  // Parsing the text as it is must hold up; the comparisons below start from the text as
  // the stored form keeps it (control characters inside a line do not survive RTF).
  Models raw;
  raw.parse(text);
  Models first;
  first.parse(rt::readRtf(rt::writeRtf(text)));
  // Through the stored form: write, RTF, read, parse.
  const std::string stored = rt::writeRtf(first.write());
  Models second;
  second.parse(rt::readRtf(stored));
  const std::string again = rt::writeRtf(second.write());
  Models third;
  third.parse(rt::readRtf(again));
  // The first save may turn pages of no kind into the ends of timing; from then on a save
  // gives back the same document.
  if (shape(second.pages) != shape(third.pages)) __builtin_trap();
  // The page display and the phrase presentation over whatever came out.
  for (int i = 0; i < third.pages.PageCount() && i < 8; ++i) {
    doc::TPage& p = *third.pages.Page(i);
    rt::RichText shown;
    rt::Range sel;
    p.Show(shown, sel);
    p.StartChunks();
    std::size_t caret = 0;
    for (int k = 0; k < 64 && !p.ShowNextChunk(shown, caret); ++k) {
    }
  }
  return 0;
}
