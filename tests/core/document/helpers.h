#pragma once
// Shared pieces of the document tests: documents from lines, a parsed document bundle,
// fixture reading.
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/document/document.h"
#include "core/document/documentformat.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/richtext/richtext.h"

namespace ruvo::doc::testing {

inline rt::RichText linesText(const std::vector<std::string>& lines) {
  rt::RichText t;
  auto& p = t.paragraphs();
  p.clear();
  for (const std::string& l : lines) p.push_back(rt::Paragraph{{}, {rt::Run{l, {}}}});
  if (p.empty()) p.push_back(rt::Paragraph{{}, {rt::Run{}}});
  return t;
}

inline std::vector<std::string> lineTexts(const rt::RichText& t) {
  std::vector<std::string> out;
  for (const auto& p : t.paragraphs()) out.push_back(p.text());
  return out;
}

inline std::string readFixture(const std::string& rel) {
  std::ifstream in(std::string(RUVO_FIXTURES_DIR) + "/" + rel, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// An open document, with its parts at hand.
struct Doc {
  TDocument document;
  TPageControler& pages = document.Pages();
  TQAControler& qa = document.QA();
  TWPMMeter& meter = document.Meter();
  rt::RichText& work = document.Work();
  void parse(const rt::RichText& text) {
    work = text;
    ParseDocument(work, pages, qa, meter);
  }
  void parse(const std::vector<std::string>& lines) { parse(linesText(lines)); }
  rt::RichText write() const {
    rt::RichText out;
    pages.WriteDocument(out);
    return out;
  }
  TPage& page(int i) { return *pages.Page(i); }
};

}  // namespace ruvo::doc::testing
