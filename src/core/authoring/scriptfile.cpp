#include "core/authoring/scriptfile.h"

#include <algorithm>
#include <cstdio>

#include "core/document/pagecontroler.h"
#include "core/text/cp932.h"
#include "core/text/strings.h"

namespace ruvo::authoring {
namespace {

constexpr rt::Color kRed = 0xFF0000;

// The lines a header may stand on: those before the first "!" line.
std::vector<std::string> headerLines(const rt::RichText& script) {
  std::vector<std::string> out;
  for (const rt::Paragraph& p : script.paragraphs()) {
    std::string t = p.text();
    if (text::startsWith(t, "!")) break;
    out.push_back(std::move(t));
  }
  return out;
}

std::string valueOf(const std::vector<std::string>& lines, std::string_view key) {
  for (const std::string& l : lines) {
    const std::size_t eq = l.find('=');
    if (eq == std::string::npos) continue;
    if (text::equalsIgnoreCase(std::string_view(l).substr(0, eq), key)) return text::trim(l.substr(eq + 1));
  }
  return {};
}

}  // namespace

CompileInputs ReadScriptHeader(const rt::RichText& script) {
  CompileInputs in;
  const std::vector<std::string> lines = headerLines(script);
  for (int i = 0; i < doc::kPropertyCount; ++i)
    in.properties[static_cast<std::size_t>(i)] = valueOf(lines, doc::kPropertyKeys[static_cast<std::size_t>(i)]);
  for (int i = 0; i < doc::kSettingCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const int v = text::parseIntDef(valueOf(lines, doc::kSettingKeys[k]), doc::kSettingDefaults[k]);
    in.settings[k] = i < 5 ? std::to_string(v) : (std::clamp(v, 0, 1) == 1 ? "On" : "Off");
  }
  return in;
}

std::vector<CorrectAnswerRow> CorrectAnswerOverview(const rt::RichText& script) {
  std::vector<CorrectAnswerRow> rows;
  int c = 0;
  std::string question;
  for (const rt::Paragraph& p : script.paragraphs()) {
    const std::string line = p.text();
    const char first = line.empty() ? '\0' : line[0];
    if (first == '!') {
      c = 0;
    } else if (first == '?') {
      c = 1;
    } else if (c == 1) {
      // The question text; a "*" in front of it means nothing, as in the compile.
      question = text::cutCp932(first == '*' ? line.substr(1) : line, 100);
      c = 2;
    } else if (c >= 2) {
      // Every choice line counts, the marked one too, so a later mark keeps its number.
      if (first == '*') rows.push_back(CorrectAnswerRow{static_cast<int>(rows.size()) + 1, c - 1, question});
      ++c;
    }
  }
  return rows;
}

rt::RichText NewScriptSkeleton(const platform::DateTime& now) {
  char date[64];
  std::snprintf(date, sizeof date, "%04d年%02d月%02d日 %02d時", now.year, now.month, now.day, now.hour);
  rt::RichText t;
  rt::CharFormat black, red;
  red.color = kRed;
  bool inRed = false;
  auto add = [&](const std::string& s) { t.appendParagraph(rt::Paragraph{{}, {rt::Run{s, inRed ? red : black}}}); };
  for (int i = 0; i < doc::kPropertyCount; ++i) {
    const std::string key = doc::kPropertyKeys[static_cast<std::size_t>(i)];
    if (key == "title") {
      inRed = true;
      add(" ↓ title は必須です");
    }
    add(key + "=" + (key == "date" ? std::string(date) : std::string()));
  }
  add("!");
  add("");
  return t;
}

rt::RichText NewTemplateSkeleton() {
  rt::RichText t;
  for (const char* name : kTemplateBlockNames) {
    t.appendParagraph(rt::Paragraph{{}, {rt::Run{std::string("[") + name + "]", {}}}});
    t.appendParagraph(rt::Paragraph{{}, {rt::Run{}}});
    t.appendParagraph(rt::Paragraph{{}, {rt::Run{}}});
  }
  return t;
}

bool IsTemplateHeaderLine(const std::string& line) {
  const std::string_view t = text::trimView(line);
  return t.size() >= 2 && t.front() == '[' && t.back() == ']';
}

}  // namespace ruvo::authoring
