#pragma once
// Rich text as HTML for the browser runner: one <p> per paragraph with its indents and
// alignment, one <span> per run with its face, size, colour, bold, italic, underline and
// strike-through. Every character of the text is escaped; the result is UTF-8.
#include <string>
#include <string_view>

#include "core/richtext/richtext.h"

namespace ruvo::web {

// Text escaped for HTML content and attribute values (& < > " ').
std::string EscapeHtml(std::string_view text);
// The text as a <div class="rt"> of paragraphs.
std::string RichTextToHtml(const rt::RichText& text);

}  // namespace ruvo::web
