#pragma once
// What the teacher's script and template files give the editor before a compile: the
// script header (properties and settings as the grids show them), the correct-answer
// overview, and the skeletons of a new script and a new template.
#include <string>
#include <vector>

#include "core/authoring/compiler.h"
#include "core/platform/ports.h"
#include "core/richtext/richtext.h"

namespace ruvo::authoring {

// The property and setting grids as the script header fills them: properties as written;
// the five indents as decimal text (defaults 16, 16, 16, 32, 8 when missing or not a
// number); the four switches as "On" / "Off" (defaults On, Off, Off, Off), any number
// above 0 being On. Only lines before the first "!" line count, so a passage line that
// looks like "title=..." never renames the test. Check boxes stay checked.
CompileInputs ReadScriptHeader(const rt::RichText& script);

// One row of the correct-answer grid StringGrid3.
struct CorrectAnswerRow {
  int number = 0;        // column 0, from 1
  int choice = 0;        // column 1: the marked choice within its question, from 1
  std::string question;  // column 2: the question text, at most 100 CP932 bytes
  bool operator==(const CorrectAnswerRow&) const = default;
};
std::vector<CorrectAnswerRow> CorrectAnswerOverview(const rt::RichText& script);

// A new script: the six property lines ("date" holding the date and hour), the title note
// and everything from it in red, then "!" and an empty line.
rt::RichText NewScriptSkeleton(const platform::DateTime& now);
// A new template: every block header "[NAME]" followed by two empty lines.
rt::RichText NewTemplateSkeleton();

// Header lines of a template preview: the trimmed text begins with "[" and ends with "]".
bool IsTemplateHeaderLine(const std::string& line);

}  // namespace ruvo::authoring
