#include "core/document/internal.h"

#include <algorithm>

#include "core/text/utf8.h"

namespace ruvo::doc::detail {

void appendParagraphs(rt::RichText& target, const rt::RichText& text) {
  auto& tp = target.paragraphs();
  const auto& sp = text.paragraphs();
  if (sp.empty()) return;
  if (target.isEmpty()) {
    tp = sp;
    return;
  }
  tp.insert(tp.end(), sp.begin(), sp.end());
}

void eraseInParagraph(rt::Paragraph& p, std::size_t offset, std::size_t count) {
  const std::size_t end = offset + count;
  std::size_t at = 0;  // where the run starts, before any erasing
  for (rt::Run& r : p.runs) {
    const std::size_t n = text::codePointCount(r.text);
    const std::size_t from = std::max(offset, at);
    const std::size_t to = std::min(end, at + n);
    if (from < to) {
      const std::size_t b0 = text::byteOffsetOf(r.text, from - at);
      const std::size_t b1 = text::byteOffsetOf(r.text, to - at);
      r.text.erase(b0, b1 - b0);
    }
    at += n;
    if (at >= end) break;
  }
  // Empty runs go, but a paragraph keeps one run for its look.
  std::vector<rt::Run> kept;
  for (rt::Run& r : p.runs)
    if (!r.text.empty()) kept.push_back(std::move(r));
  if (kept.empty()) kept.push_back(rt::Run{{}, p.runs.empty() ? rt::CharFormat{} : p.runs.front().format});
  p.runs = std::move(kept);
}

void insertInParagraph(rt::Paragraph& p, std::size_t offset, std::string_view s) {
  if (p.runs.empty()) p.runs.push_back(rt::Run{});
  std::size_t at = 0;
  for (std::size_t i = 0; i < p.runs.size(); ++i) {
    rt::Run& r = p.runs[i];
    const std::size_t n = text::codePointCount(r.text);
    // Inside this run, or at its end (the character before is its last).
    if (offset <= at + n && (offset > at || i == 0 || n == 0)) {
      r.text.insert(text::byteOffsetOf(r.text, offset - at), s);
      return;
    }
    at += n;
  }
  p.runs.back().text += s;
}

std::size_t cpLength(std::string_view s) { return text::codePointCount(s); }

}  // namespace ruvo::doc::detail
