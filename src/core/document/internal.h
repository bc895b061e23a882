#pragma once
// Helpers shared by the document model's sources.
#include <cstddef>
#include <string_view>

#include "core/richtext/richtext.h"

namespace ruvo::doc::detail {

// Appends a text's paragraphs after the target's last line (an empty target takes them).
void appendParagraphs(rt::RichText& target, const rt::RichText& text);
// Edits inside one paragraph, by code-point offset, touching only that paragraph (the
// phrase separators are edited this way, many per page).
void eraseInParagraph(rt::Paragraph& p, std::size_t offset, std::size_t count);
// Inserts text at an offset in the look of the character before it (the first
// character's at the start).
void insertInParagraph(rt::Paragraph& p, std::size_t offset, std::string_view text);
// Length in code points.
std::size_t cpLength(std::string_view s);

}  // namespace ruvo::doc::detail
