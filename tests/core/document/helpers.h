#pragma once
// Shared pieces of the document tests: documents from lines, a parsed document bundle,
// fixture reading.
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

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

// The three models of an open document, wired as the main window wires them.
struct Doc {
  TPageControler pages;
  TQAControler qa{&pages};
  TWPMMeter meter;
  rt::RichText work;
  Doc() { pages.SetQAControler(&qa); }
  void parse(const rt::RichText& text) {
    work = text;
    ParseDocument(work, pages, qa, meter, nullptr);
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
