#include "core/richtext/richtext.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <new>
#include <ostream>
#include <stdexcept>
#include <utility>

#include "core/text/cp932.h"
#include "core/text/strings.h"
#include "core/text/utf8.h"

namespace ruvo::rt {
namespace {

using text::byteOffsetOf;
using text::codePointCount;

// Where a character position falls: paragraph index and code-point offset inside it.
struct Locus {
  std::size_t para = 0;
  std::size_t offset = 0;
};

Locus locate(const std::vector<Paragraph>& paras, std::size_t pos) {
  for (std::size_t i = 0; i < paras.size(); ++i) {
    const std::size_t len = paras[i].length();
    if (pos <= len || i + 1 == paras.size()) return {i, std::min(pos, len)};
    pos -= len + 1;
  }
  return {};
}

// The format of the character before a paragraph's offset (the first character's when
// the offset is 0); an empty paragraph's own run format.
CharFormat formatNear(const Paragraph& p, std::size_t offset) {
  if (p.runs.empty()) return {};
  std::size_t at = 0;
  for (const Run& r : p.runs) {
    const std::size_t n = codePointCount(r.text);
    if (n > 0 && offset <= at + n && (offset > at || at == 0)) return r.format;
    at += n;
  }
  for (auto it = p.runs.rbegin(); it != p.runs.rend(); ++it)
    if (!it->text.empty()) return it->format;
  return p.runs.back().format;
}

// The format at a paragraph's end: formatNear(p, p.length()) without counting characters.
CharFormat endFormat(const Paragraph& p) {
  for (auto it = p.runs.rbegin(); it != p.runs.rend(); ++it)
    if (!it->text.empty()) return it->format;
  return p.runs.empty() ? CharFormat{} : p.runs.back().format;
}

void ensureRun(Paragraph& p, const CharFormat& fmt) {
  if (p.runs.empty()) p.runs.push_back(Run{{}, fmt});
}

// Splits a paragraph's runs at a code-point offset: [0, offset) and [offset, end).
// Both halves keep the paragraph format; an empty half keeps one empty run with the
// format of the neighbouring character.
std::pair<Paragraph, Paragraph> splitAt(const Paragraph& p, std::size_t offset) {
  Paragraph head{p.format, {}};
  Paragraph tail{p.format, {}};
  std::size_t at = 0;
  for (const Run& r : p.runs) {
    const std::size_t n = codePointCount(r.text);
    if (at + n <= offset) {
      if (!r.text.empty()) head.runs.push_back(r);
    } else if (at >= offset) {
      if (!r.text.empty()) tail.runs.push_back(r);
    } else {
      const std::size_t cut = byteOffsetOf(r.text, offset - at);
      head.runs.push_back(Run{r.text.substr(0, cut), r.format});
      tail.runs.push_back(Run{r.text.substr(cut), r.format});
    }
    at += n;
  }
  ensureRun(head, formatNear(p, offset));
  ensureRun(tail, formatNear(p, offset));
  return {std::move(head), std::move(tail)};
}

void appendRuns(Paragraph& to, const Paragraph& from) {
  for (const Run& r : from.runs) to.runs.push_back(r);
}

// True when the runs are as normalizeParagraph leaves them.
bool isNormal(const RunList& runs) {
  if (runs.size() == 1) return true;
  if (runs.empty()) return false;
  for (std::size_t i = 0; i < runs.size(); ++i)
    if (runs[i].text.empty() || (i > 0 && runs[i - 1].format == runs[i].format)) return false;
  return true;
}

void normalizeParagraph(Paragraph& p) {
  // Looked at first through the const side: a list shared with other paragraphs stays shared.
  if (isNormal(std::as_const(p).runs)) return;
  std::vector<Run> out;
  out.reserve(p.runs.size());
  CharFormat emptyFmt = p.runs.empty() ? CharFormat{} : p.runs.front().format;
  for (Run& r : p.runs) {
    if (r.text.empty()) continue;
    if (!out.empty() && out.back().format == r.format) {
      out.back().text += r.text;
    } else {
      out.push_back(std::move(r));
    }
  }
  if (out.empty()) out.push_back(Run{{}, std::move(emptyFmt)});
  p.runs = std::move(out);
}

// What normalizeParagraph would leave as it is; most paragraphs are, and checking is
// cheaper than rebuilding their runs.
bool isNormalParagraph(const Paragraph& p) {
  if (p.runs.size() == 1) return true;
  if (p.runs.empty()) return false;
  for (std::size_t i = 0; i < p.runs.size(); ++i) {
    if (p.runs[i].text.empty()) return false;
    if (i > 0 && p.runs[i].format == p.runs[i - 1].format) return false;
  }
  return true;
}

void normalizeCopy(RichText& t) {
  for (Paragraph& p : t.paragraphs())
    if (!isNormalParagraph(p)) normalizeParagraph(p);
}

struct Span {
  Locus from;
  Locus to;
};

Span spanOf(const RichText& t, Range r) {
  const std::size_t total = t.length();
  const std::size_t start = std::min(r.start, total);
  const std::size_t end = start + std::min(r.length, total - start);
  return {locate(t.paragraphs(), start), locate(t.paragraphs(), end)};
}

// Inserts `with` at a position (no range removed).
std::size_t insertAt(RichText& t, std::size_t pos, const RichText& with) {
  auto& paras = t.paragraphs();
  const Locus at = locate(paras, pos);
  const Paragraph target = paras[at.para];
  auto [head, tail] = splitAt(target, at.offset);
  const auto& w = with.paragraphs();
  const bool headEmpty = head.length() == 0;
  const bool tailEmpty = tail.length() == 0;
  std::vector<Paragraph> made;
  if (w.size() == 1) {
    Paragraph one = std::move(head);
    appendRuns(one, w.front());
    appendRuns(one, tail);
    // An empty line takes on the inserted paragraph's look; a line with text keeps its own.
    if (headEmpty && tailEmpty) one.format = w.front().format;
    normalizeParagraph(one);
    made.push_back(std::move(one));
  } else {
    Paragraph first = std::move(head);
    appendRuns(first, w.front());
    first.format = w.front().format;
    normalizeParagraph(first);
    made.push_back(std::move(first));
    for (std::size_t i = 1; i + 1 < w.size(); ++i) made.push_back(w[i]);
    Paragraph last = w.back();
    appendRuns(last, tail);
    if (!tailEmpty) last.format = target.format;
    normalizeParagraph(last);
    made.push_back(std::move(last));
  }
  paras.erase(paras.begin() + static_cast<std::ptrdiff_t>(at.para));
  paras.insert(paras.begin() + static_cast<std::ptrdiff_t>(at.para), std::make_move_iterator(made.begin()),
               std::make_move_iterator(made.end()));
  return with.length();
}

std::size_t leadingTabs(const Paragraph& p) {
  std::size_t k = 0;
  for (const Run& r : p.runs) {
    for (char c : r.text) {
      if (c != '\t') return k;
      ++k;
    }
  }
  return k;
}

void dropLeading(Paragraph& p, std::size_t count) {
  for (Run& r : p.runs) {
    if (count == 0) break;
    const std::size_t n = std::min(count, r.text.size());  // tabs are single bytes
    r.text.erase(0, n);
    count -= n;
  }
  normalizeParagraph(p);
}

}  // namespace

// ---- formats ------------------------------------------------------------------------

void ParaFormat::setPoints(int firstLinePt, int followingOffsetPt, int rightPt) {
  firstIndent = -followingOffsetPt * 20;
  leftIndent = (firstLinePt + followingOffsetPt) * 20;
  rightIndent = rightPt * 20;
}
int ParaFormat::firstLinePoints() const { return (leftIndent + firstIndent) / 20; }
int ParaFormat::followingOffsetPoints() const { return -firstIndent / 20; }
int ParaFormat::rightPoints() const { return rightIndent / 20; }

// ---- font names and run lists --------------------------------------------------------

namespace {
const std::shared_ptr<const std::string>& defaultFontName() {
  static const auto name = std::make_shared<const std::string>("ＭＳ Ｐゴシック");
  return name;
}
}  // namespace

FontName::FontName() : name_(defaultFontName()) {}

FontName::FontName(std::string_view name)
    : name_(name == *defaultFontName() ? defaultFontName() : std::make_shared<const std::string>(name)) {}

std::ostream& operator<<(std::ostream& out, const FontName& name) { return out << name.str(); }

RunList::Block* RunList::allocate(std::uint32_t capacity) {
  void* mem = ::operator new (sizeof(Block) + std::size_t{capacity} * sizeof(Run));
  Block* b = ::new (mem) Block;
  b->refs.store(1, std::memory_order_relaxed);
  b->size = 0;
  b->capacity = capacity;
  b->shared = false;
  return b;
}

RunList::Block* RunList::copyOf(const Block& from, std::uint32_t capacity) {
  Block* b = allocate(std::max(capacity, from.size));
  const Run* src = const_cast<Block&>(from).runs();
  try {
    for (; b->size < from.size; ++b->size) ::new (b->runs() + b->size) Run(src[b->size]);
  } catch (...) {
    RunList owner;
    owner.block_ = b;
    throw;
  }
  return b;
}

void RunList::release() noexcept {
  if (!block_) return;
  if (block_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    std::destroy_n(block_->runs(), block_->size);
    block_->~Block();
    ::operator delete(block_);
  }
  block_ = nullptr;
}

RunList::RunList(std::initializer_list<Run> runs) {
  reserve(runs.size());
  for (const Run& r : runs) push_back(r);
}

RunList::RunList(std::vector<Run>&& runs) {
  reserve(runs.size());
  for (Run& r : runs) push_back(std::move(r));
}

RunList::RunList(const RunList& o) {
  if (!o.block_) return;
  if (o.block_->shared) {
    o.block_->refs.fetch_add(1, std::memory_order_relaxed);
    block_ = o.block_;
  } else {
    block_ = copyOf(*o.block_, o.block_->size);
  }
}

RunList& RunList::operator=(const RunList& o) {
  if (this != &o) {
    RunList copy(o);
    *this = std::move(copy);
  }
  return *this;
}

RunList& RunList::operator=(RunList&& o) noexcept {
  if (this != &o) {
    release();
    block_ = std::exchange(o.block_, nullptr);
  }
  return *this;
}

void RunList::share() {
  if (block_) block_->shared = true;
}

Run* RunList::mutableRuns() {
  if (!block_) return nullptr;
  if (block_->refs.load(std::memory_order_acquire) > 1) {
    Block* own = copyOf(*block_, block_->capacity);
    release();
    block_ = own;
  }
  // Changed in place from now on: its copies must not share it any more.
  block_->shared = false;
  return block_->runs();
}

void RunList::grow(std::size_t need) {
  const std::size_t cap = block_ ? block_->capacity : 0;
  if (need <= cap && (!block_ || block_->refs.load(std::memory_order_acquire) == 1)) {
    if (block_) block_->shared = false;
    return;
  }
  std::size_t want = std::max<std::size_t>(need, cap < 4 ? need : cap + cap / 2);
  if (want > UINT32_MAX) throw std::length_error("too many runs in one paragraph");
  Block* b = allocate(static_cast<std::uint32_t>(want));
  if (block_) {
    const bool unique = block_->refs.load(std::memory_order_acquire) == 1;
    Run* src = block_->runs();
    try {
      for (; b->size < block_->size; ++b->size) {
        if (unique)
          ::new (b->runs() + b->size) Run(std::move(src[b->size]));
        else
          ::new (b->runs() + b->size) Run(src[b->size]);
      }
    } catch (...) {
      RunList owner;
      owner.block_ = b;
      throw;
    }
    release();
  }
  block_ = b;
}

void RunList::push_back(const Run& r) {
  Run copy(r);  // r may live in this list
  push_back(std::move(copy));
}

void RunList::push_back(Run&& r) {
  grow(size() + 1);
  ::new (block_->runs() + block_->size) Run(std::move(r));
  ++block_->size;
}

void RunList::assign(std::size_t n, const Run& r) {
  Run copy(r);
  clear();
  reserve(n);
  for (std::size_t i = 0; i < n; ++i) push_back(copy);
}

void RunList::reserve(std::size_t n) {
  if (n > (block_ ? block_->capacity : 0)) grow(n);
}

void RunList::clear() {
  if (!block_) return;
  if (block_->refs.load(std::memory_order_acquire) > 1) {
    release();
    return;
  }
  std::destroy_n(block_->runs(), block_->size);
  block_->size = 0;
  block_->shared = false;
}

bool RunList::operator==(const RunList& o) const { return std::equal(begin(), end(), o.begin(), o.end()); }

// ---- paragraphs and texts -----------------------------------------------------------

std::string Paragraph::text() const {
  std::string s;
  for (const Run& r : runs) s += r.text;
  return s;
}

std::size_t Paragraph::length() const {
  std::size_t n = 0;
  for (const Run& r : runs) n += codePointCount(r.text);
  return n;
}

RichText::RichText() : paras_(1) { paras_.front().runs.push_back(Run{}); }

RichText::RichText(std::string_view plain, const CharFormat& fmt) : paras_(1) {
  paras_.front().runs.push_back(Run{{}, fmt});
  append(plain, fmt);
}

std::string RichText::lineText(int i) const {
  if (i < 0 || i >= lineCount()) return {};
  return paras_[static_cast<std::size_t>(i)].text();
}

std::size_t RichText::lineStart(int i) const {
  if (i <= 0) return 0;
  std::size_t pos = 0;
  const std::size_t n = std::min(static_cast<std::size_t>(i), paras_.size());
  for (std::size_t k = 0; k < n; ++k) pos += paras_[k].length() + 1;
  // Past the last line: the end of the text (the last line has no break).
  return static_cast<std::size_t>(i) >= paras_.size() ? pos - 1 : pos;
}

std::size_t RichText::length() const {
  std::size_t n = paras_.empty() ? 0 : paras_.size() - 1;
  for (const Paragraph& p : paras_) n += p.length();
  return n;
}

bool RichText::isEmpty() const { return paras_.size() == 1 && paras_.front().length() == 0; }

CharFormat RichText::formatAt(std::size_t pos) const {
  if (paras_.empty()) return {};
  const Locus at = locate(paras_, pos);
  const Paragraph& p = paras_[at.para];
  if (p.runs.empty()) return {};
  // The character at the offset; the paragraph's end takes its last character's format.
  std::size_t off = 0;
  for (const Run& r : p.runs) {
    const std::size_t n = codePointCount(r.text);
    if (at.offset < off + n) return r.format;
    off += n;
  }
  return formatNear(p, at.offset);
}

void RichText::normalize() {
  if (paras_.empty()) paras_.emplace_back();
  for (Paragraph& p : paras_) normalizeParagraph(p);
}

void RichText::append(std::string_view s, const CharFormat& fmt) {
  if (paras_.empty()) paras_.emplace_back();
  std::size_t start = 0;
  while (true) {
    // CRLF, LF and a lone CR all end a line, as a string list reads a text.
    const std::size_t nl = s.find_first_of("\r\n", start);
    const std::string_view piece = s.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
    Paragraph& p = paras_.back();
    if (!piece.empty()) {
      if (!p.runs.empty() && p.runs.back().format == fmt) {
        p.runs.back().text += piece;
      } else {
        p.runs.push_back(Run{std::string(piece), fmt});
      }
      normalizeParagraph(p);
    } else if (p.length() == 0) {
      p.runs.assign(1, Run{{}, fmt});
    }
    if (nl == std::string_view::npos) break;
    Paragraph next{p.format, {Run{{}, fmt}}};
    paras_.push_back(std::move(next));
    start = nl + (s[nl] == '\r' && nl + 1 < s.size() && s[nl + 1] == '\n' ? 2 : 1);
  }
}

void RichText::appendParagraph(const Paragraph& p) {
  Paragraph copy = p;
  normalizeParagraph(copy);
  if (isEmpty() && paras_.front().format == ParaFormat{} && paras_.front().runs.front().format == CharFormat{}) {
    paras_.front() = std::move(copy);
  } else {
    paras_.push_back(std::move(copy));
  }
}

// ---- operations ---------------------------------------------------------------------

std::string plainText(const RichText& t) {
  std::string out;
  const auto& paras = t.paragraphs();
  for (std::size_t i = 0; i < paras.size(); ++i) {
    if (i > 0) out += "\r\n";
    for (const Run& r : paras[i].runs) out += r.text;
  }
  return out;
}

std::string plainText(const RichBuffer& b) { return b ? plainText(*b) : std::string(); }

RichText copyRange(const RichText& t, Range r) {
  const Span s = spanOf(t, r);
  const auto& paras = t.paragraphs();
  RichText out;
  auto& op = out.paragraphs();
  op.clear();
  if (s.from.para == s.to.para) {
    auto [head, rest] = splitAt(paras[s.from.para], s.from.offset);
    auto [mid, tail] = splitAt(rest, s.to.offset - s.from.offset);
    op.push_back(std::move(mid));
  } else {
    op.push_back(splitAt(paras[s.from.para], s.from.offset).second);
    for (std::size_t i = s.from.para + 1; i < s.to.para; ++i) op.push_back(paras[i]);
    if (s.to.offset == 0) {
      // The range ends with a break: the copy ends in an empty line that continues the
      // look of the copied text's end.
      const Paragraph& before = op.back();
      op.push_back(Paragraph{before.format, {Run{{}, formatNear(before, before.length())}}});
    } else {
      op.push_back(splitAt(paras[s.to.para], s.to.offset).first);
    }
  }
  out.normalize();
  return out;
}

void deleteRange(RichText& t, Range r) {
  const Span s = spanOf(t, r);
  if (s.from.para == s.to.para && s.from.offset == s.to.offset) return;
  auto& paras = t.paragraphs();
  Paragraph head = splitAt(paras[s.from.para], s.from.offset).first;
  Paragraph tail = splitAt(paras[s.to.para], s.to.offset).second;
  Paragraph joined = std::move(head);
  // A joined line keeps the format of the line its first part came from, unless that
  // part is empty.
  if (joined.length() == 0 && s.from.para != s.to.para) joined.format = tail.format;
  appendRuns(joined, tail);
  normalizeParagraph(joined);
  paras.erase(paras.begin() + static_cast<std::ptrdiff_t>(s.from.para) + 1,
              paras.begin() + static_cast<std::ptrdiff_t>(s.to.para) + 1);
  paras[s.from.para] = std::move(joined);
}

void replaceRange(RichText& t, Range r, const RichText& with) {
  const std::size_t start = std::min(r.start, t.length());
  deleteRange(t, r);
  if (with.paragraphs().empty()) return;
  insertAt(t, start, with);
}

void formatRange(RichText& t, Range r, const std::function<void(CharFormat&)>& change) {
  if (r.length == 0) return;
  const Span s = spanOf(t, r);
  auto& paras = t.paragraphs();
  for (std::size_t i = s.from.para; i <= s.to.para; ++i) {
    Paragraph& p = paras[i];
    const std::size_t len = p.length();
    const std::size_t a = i == s.from.para ? s.from.offset : 0;
    const std::size_t b = i == s.to.para ? s.to.offset : len;
    if (len == 0) {
      // An empty line is inside when its break is.
      if (i < s.to.para) {
        ensureRun(p, {});
        for (Run& run : p.runs) change(run.format);
      }
      continue;
    }
    if (a >= b) continue;
    auto [head, rest] = splitAt(p, a);
    auto [mid, tail] = splitAt(rest, b - a);
    for (Run& run : mid.runs) change(run.format);
    Paragraph joined{p.format, {}};
    if (a > 0) appendRuns(joined, head);
    appendRuns(joined, mid);
    if (b < len) appendRuns(joined, tail);
    normalizeParagraph(joined);
    p = std::move(joined);
  }
}

void formatParagraphs(RichText& t, Range r, const std::function<void(ParaFormat&)>& change) {
  const Span s = spanOf(t, r);
  std::size_t last = s.to.para;
  // A selection that ends just after a break does not reach into the next line.
  if (r.length > 0 && s.to.offset == 0 && last > s.from.para) --last;
  auto& paras = t.paragraphs();
  for (std::size_t i = s.from.para; i <= last; ++i) change(paras[i].format);
}

Range selectLines(const RichText& t, int a, int b) {
  const int n = t.lineCount();
  a = std::clamp(a, 0, n);
  if (b < a) return {t.lineStart(a), 0};
  b = std::min(b, n - 1);
  const std::size_t start = t.lineStart(a);
  const std::size_t end = t.lineStart(b + 1);
  return {start, end > start ? end - start : 0};
}

RichBuffer copyLinesToBuffer(const RichText& src, int a, std::optional<int> b) {
  if (!b) return copyLine(src, a);
  // Paragraphs are copied whole, so the work is linear in the range, not in the text.
  const auto& paras = src.paragraphs();
  const int n = src.lineCount();
  if (*b < a || a >= n || *b < 0) return std::nullopt;
  const auto first = static_cast<std::size_t>(std::max(a, 0));
  const auto last = static_cast<std::size_t>(std::min(*b, n - 1));
  RichText out;
  auto& op = out.paragraphs();
  op.assign(paras.begin() + static_cast<std::ptrdiff_t>(first), paras.begin() + static_cast<std::ptrdiff_t>(last) + 1);
  if (last + 1 < paras.size()) {
    // The break after the last line comes along: an empty line in the look of the copy's end.
    const Paragraph& before = op.back();
    op.push_back(Paragraph{before.format, {Run{{}, endFormat(before)}}});
  }
  normalizeCopy(out);
  resetIndents(out);
  return out;
}

RichText copyLine(const RichText& src, int line) {
  RichText out;
  if (line >= 0 && line < src.lineCount()) {
    out.paragraphs().front() = src.paragraphs()[static_cast<std::size_t>(line)];
    normalizeCopy(out);
    resetIndents(out);
  }
  return out;
}

std::string caption(std::string_view plain) {
  for (const std::string& line : text::splitLines(plain)) {
    const std::string_view t = text::trimView(line);
    if (!t.empty()) return text::cutCp932(t, 100);
  }
  return {};
}

std::string caption(const RichBuffer& b) { return b ? caption(plainText(*b)) : std::string(); }

void resetIndents(RichText& t) {
  for (Paragraph& p : t.paragraphs()) {
    p.format.firstIndent = 0;
    p.format.leftIndent = 0;
    p.format.rightIndent = 0;
  }
}

void layoutParagraphs(RichText& t, const IndentSettings& s) {
  for (Paragraph& p : t.paragraphs()) {
    const std::size_t k = leadingTabs(p);
    if (k > 0) dropLeading(p, k);
    if (k == 0) {
      p.format.setPoints(s.left + s.text, -s.text, s.right);
    } else {
      p.format.setPoints(s.left + static_cast<int>(k) * s.tabIndent, s.tabSink, s.right);
    }
  }
}

Range showPageText(const RichBuffer& src, RichText& target, Range selection, const IndentSettings& s) {
  RichText scratch = src ? *src : RichText();
  scratch.normalize();
  auto& paras = scratch.paragraphs();
  if (paras.size() > 1 && paras.back().length() == 0) paras.pop_back();
  layoutParagraphs(scratch, s);
  const std::size_t start = std::min(selection.start, target.length());
  target.normalize();
  replaceRange(target, selection, scratch);
  return {start, scratch.length()};
}

RichText colouredLines(const std::vector<std::pair<std::string, Color>>& lines) {
  RichText t;
  t.paragraphs().clear();
  for (const auto& [text, color] : lines) {
    CharFormat f;
    f.color = color;
    t.paragraphs().push_back(Paragraph{{}, {Run{text, f}}});
  }
  return t;
}

}  // namespace ruvo::rt
