#include "core/document/internal.h"

#include <algorithm>

#include "core/text/utf8.h"

namespace ruvo::doc::detail {

namespace {
rt::CharFormat endFormat(const rt::Paragraph& p) {
  for (auto it = p.runs.rbegin(); it != p.runs.rend(); ++it)
    if (!it->text.empty()) return it->format;
  return p.runs.empty() ? rt::CharFormat{} : p.runs.back().format;
}

void resetIndents(rt::Paragraph& p) {
  p.format.firstIndent = 0;
  p.format.leftIndent = 0;
  p.format.rightIndent = 0;
}
}  // namespace

rt::RichBuffer copyLines(const rt::RichText& src, int first, int last) {
  const auto& paras = src.paragraphs();
  const int n = static_cast<int>(paras.size());
  if (last < first || first >= n || last < 0) return std::nullopt;
  first = std::max(first, 0);
  last = std::min(last, n - 1);
  rt::RichText out;
  auto& op = out.paragraphs();
  op.assign(paras.begin() + first, paras.begin() + last + 1);
  if (last < n - 1) {
    const rt::Paragraph& before = op.back();
    op.push_back(rt::Paragraph{before.format, {rt::Run{{}, endFormat(before)}}});
  }
  for (rt::Paragraph& p : op) {
    resetIndents(p);
    if (p.runs.empty()) p.runs.push_back(rt::Run{});
  }
  return out;
}

rt::RichText copyLine(const rt::RichText& src, int line) {
  rt::RichText out;
  const auto& paras = src.paragraphs();
  if (line >= 0 && line < static_cast<int>(paras.size())) {
    out.paragraphs().front() = paras[static_cast<std::size_t>(line)];
    resetIndents(out.paragraphs().front());
    if (out.paragraphs().front().runs.empty()) out.paragraphs().front().runs.push_back(rt::Run{});
  }
  return out;
}

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
