#pragma once
// Shared pieces of the authoring tests: texts from lines, and a compiled document told as
// one short line per page.
#include <string>
#include <vector>

#include "core/authoring/compiler.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/richtext/richtext.h"

namespace ruvo::authoring::testing {

inline rt::RichText lines(const std::vector<std::string>& ls) {
  rt::RichText t;
  auto& p = t.paragraphs();
  p.clear();
  for (const std::string& l : ls) p.push_back(rt::Paragraph{{}, {rt::Run{l, {}}}});
  if (p.empty()) p.push_back(rt::Paragraph{{}, {rt::Run{}}});
  return t;
}

inline std::vector<std::string> lineTexts(const rt::RichBuffer& b) {
  std::vector<std::string> out;
  if (b)
    for (const auto& p : b->paragraphs()) out.push_back(p.text());
  return out;
}

// "kind/role[p] caption | lower" and per question " {text: choice, *correct}".
inline std::string describe(const doc::TPage& p) {
  std::string s = std::to_string(doc::KindNumber(p.Kind())) + "/" + std::to_string(doc::RoleNumber(p.Role())) +
                  (p.PassFlag() ? "p" : "") + " " + p.MainTextCaption();
  if (p.Role() == doc::PageRole::Question) s += " | " + p.LowerTextCaption();
  for (const doc::TQAItem* q : p.Questions()) {
    s += " {" + q->QuestionPlain() + ":";
    for (int c = 0; c < q->ChoiceCount(); ++c) s += std::string(c == q->Correct() ? " *" : " ") + q->ChoicePlain(c);
    s += "}";
  }
  return s;
}

inline std::vector<std::string> describe(const doc::TPageControler& pages) {
  std::vector<std::string> out;
  for (int i = 0; i < pages.PageCount(); ++i) out.push_back(describe(*pages.Page(i)));
  return out;
}

// Plain inputs: a title, numbering and indenting off unless asked for.
inline CompileInputs plainInputs(bool numbers = false, bool indent = false) {
  CompileInputs in;
  in.properties[doc::prTitle] = "T";
  in.autoNumbers = numbers;
  in.autoIndent = indent;
  return in;
}

// A template with every block the compiler places, each one line naming itself.
inline rt::RichText fullTemplate() {
  return lines({"notes before the first header",
                "[HEAD]",
                "Head",
                "[NOTE]",
                "Note",
                "[OPEN]",
                "Name",
                "[START]",
                "Start",
                "[END]",
                "End",
                "[BEGIN]",
                "Begin",
                "[FINISH]",
                "Finish",
                "[FOOT]",
                "Foot",
                "[TOQUE]",
                "ToQue",
                "[CONTINUE]",
                "Next %TextNow% of %TotalText%, then %textnext%",
                "[QUETOP]",
                "Top",
                "[QUEBOTTOM]",
                "Bottom"});
}

}  // namespace ruvo::authoring::testing
