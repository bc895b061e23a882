#pragma once
// The rich-text model: a value type holding paragraphs ("lines") of formatted runs.
// Positions (selections, phrase marks) count code points; each paragraph break counts one.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ruvo::rt {

// 0x00RRGGBB; kAutoColor is the control's default text colour.
using Color = std::int32_t;
inline constexpr Color kAutoColor = -1;

// A font's name. Texts hold very many runs and few distinct faces, so runs share one copy
// of each name instead of carrying their own: copying a name costs a reference count.
class FontName final {
 public:
  FontName();  // "ＭＳ Ｐゴシック", the controls' default face
  FontName(std::string_view name);
  FontName(const char* name) : FontName(std::string_view(name)) {}
  FontName(const std::string& name) : FontName(std::string_view(name)) {}

  const std::string& str() const { return *name_; }
  operator const std::string&() const { return *name_; }
  operator std::string_view() const { return *name_; }
  bool empty() const { return name_->empty(); }

  bool operator==(const FontName& o) const { return name_ == o.name_ || *name_ == *o.name_; }
  bool operator==(std::string_view o) const { return *name_ == o; }
  bool operator==(const std::string& o) const { return *name_ == o; }
  bool operator==(const char* o) const { return *name_ == o; }

 private:
  std::shared_ptr<const std::string> name_;
};
std::ostream& operator<<(std::ostream& out, const FontName& name);

struct CharFormat {
  FontName fontName;
  int charset = 128;        // RTF \fcharset (128 = Shift-JIS, 0 = ANSI)
  int sizeHalfPoints = 20;  // RTF \fs: 20 = 10 pt
  Color color = kAutoColor;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike = false;
  bool operator==(const CharFormat&) const = default;
};

enum class Align : std::uint8_t { Left, Center, Right, Justify };

// Indents in twips, as RTF keeps them: leftIndent (\li) applies to every line,
// firstIndent (\fi) is the first line's offset from it, rightIndent (\ri).
struct ParaFormat {
  int firstIndent = 0;
  int leftIndent = 0;
  int rightIndent = 0;
  Align align = Align::Left;
  bool operator==(const ParaFormat&) const = default;

  // The toolkit's paragraph attributes in points: first-line indent from the margin, the
  // following lines' offset from the first line, and the right indent.
  void setPoints(int firstLinePt, int followingOffsetPt, int rightPt);
  int firstLinePoints() const;        // (leftIndent + firstIndent) / 20
  int followingOffsetPoints() const;  // -firstIndent / 20
  int rightPoints() const;            // rightIndent / 20
};

struct Run {
  std::string text;  // UTF-8; no paragraph breaks; '\t' for tabs, U+000B for a line break inside a paragraph
  CharFormat format;
  bool operator==(const Run&) const = default;
};

// The runs of a paragraph: a vector's interface in one pointer. A list can be frozen
// (share()) so that copies of it share one block, as the reader does for the many empty
// paragraphs of a text; any change through a shared list first gives it its own copy.
// A list that was never frozen is copied whole, so a reference into a list never sees
// another list's changes.
class RunList final {
 public:
  using value_type = Run;
  using size_type = std::size_t;
  using difference_type = std::ptrdiff_t;
  using reference = Run&;
  using const_reference = const Run&;
  using iterator = Run*;
  using const_iterator = const Run*;
  using reverse_iterator = std::reverse_iterator<iterator>;
  using const_reverse_iterator = std::reverse_iterator<const_iterator>;

  RunList() noexcept = default;
  RunList(std::initializer_list<Run> runs);
  RunList(std::vector<Run>&& runs);
  RunList(const RunList& o);
  RunList(RunList&& o) noexcept : block_(std::exchange(o.block_, nullptr)) {}
  RunList& operator=(const RunList& o);
  RunList& operator=(RunList&& o) noexcept;
  ~RunList() { release(); }

  // Lets copies of this list share its block until one of them changes.
  void share();

  std::size_t size() const { return block_ ? block_->size : 0; }
  bool empty() const { return size() == 0; }
  const Run* begin() const { return block_ ? block_->runs() : nullptr; }
  const Run* end() const { return begin() + size(); }
  Run* begin() { return mutableRuns(); }
  Run* end() { return mutableRuns() + size(); }
  const_reverse_iterator rbegin() const { return const_reverse_iterator(end()); }
  const_reverse_iterator rend() const { return const_reverse_iterator(begin()); }
  reverse_iterator rbegin() { return reverse_iterator(end()); }
  reverse_iterator rend() { return reverse_iterator(begin()); }
  const Run& operator[](std::size_t i) const { return begin()[i]; }
  Run& operator[](std::size_t i) { return mutableRuns()[i]; }
  const Run& front() const { return *begin(); }
  const Run& back() const { return end()[-1]; }
  Run& front() { return *begin(); }
  Run& back() { return end()[-1]; }

  void push_back(const Run& r);
  void push_back(Run&& r);
  void assign(std::size_t n, const Run& r);
  void reserve(std::size_t n);
  void clear();

  bool operator==(const RunList& o) const;

 private:
  struct Block {
    std::atomic<std::uint32_t> refs;
    std::uint32_t size;
    std::uint32_t capacity;
    bool shared;  // frozen: copies share it
    Run* runs() { return reinterpret_cast<Run*>(this + 1); }
  };
  static_assert(sizeof(Block) % alignof(Run) == 0);
  static Block* allocate(std::uint32_t capacity);
  static Block* copyOf(const Block& b, std::uint32_t capacity);
  void release() noexcept;
  Run* mutableRuns();  // unshares first
  void grow(std::size_t need);
  Block* block_ = nullptr;
};

struct Paragraph {
  ParaFormat format;
  RunList runs;  // adjacent runs with equal formats are merged by normalize()
  bool operator==(const Paragraph&) const = default;

  std::string text() const;
  std::size_t length() const;  // code points, without the break
};

// A text; never without paragraphs (the last may be empty).
class RichText {
 public:
  RichText();
  explicit RichText(std::string_view plain, const CharFormat& fmt = {});

  std::vector<Paragraph>& paragraphs() { return paras_; }
  const std::vector<Paragraph>& paragraphs() const { return paras_; }
  int lineCount() const { return static_cast<int>(paras_.size()); }
  std::string lineText(int i) const;   // "" when out of range
  std::size_t lineStart(int i) const;  // position of line i's first character
  std::size_t length() const;          // all characters, a break between paragraphs counting one
  bool isEmpty() const;                // one paragraph without text

  // Formatting of the character at pos (of the paragraph's end for an empty paragraph).
  CharFormat formatAt(std::size_t pos) const;

  // Merges adjacent runs with equal formats and drops empty runs (an empty paragraph keeps
  // one empty run that carries its character format).
  void normalize();
  bool operator==(const RichText& o) const { return paras_ == o.paras_; }

  // Simple edits used by the models; a range outside the text is clipped.
  void append(std::string_view text, const CharFormat& fmt);  // '\n' (or CRLF, CR) starts a new paragraph
  // Adds p as the last line, as a control's Lines.Add does: a fresh RichText() (one empty
  // line in the default formats) is replaced by it rather than keeping an empty first line.
  void appendParagraph(const Paragraph& p);

 private:
  std::vector<Paragraph> paras_;
};

// A selection: start and length in characters.
struct Range {
  std::size_t start = 0;
  std::size_t length = 0;
  bool operator==(const Range&) const = default;
};

// An owned rich-text buffer (a page's text, a question, a choice). Empty means no text,
// which is not the same as a text of one empty line.
using RichBuffer = std::optional<RichText>;

// ---- operations of the rich-text layer --------------------------------------------

// Plain text, lines joined by CRLF.
std::string plainText(const RichText& t);
// A text of one line per entry, each a plain run in its colour (help texts and notes).
RichText colouredLines(const std::vector<std::pair<std::string, Color>>& lines);
std::string plainText(const RichBuffer& b);

// The part of a text in a range, with formatting; a range ending inside a paragraph
// gives a last paragraph without its break.
RichText copyRange(const RichText& t, Range r);
// Replaces the range by the other text (its paragraphs merging at both ends). A paragraph
// format goes with the break that ends the paragraph: the first merged line takes the
// inserted first line's format, the last keeps the target line's (an empty target line
// takes the inserted one's).
void replaceRange(RichText& t, Range r, const RichText& with);
// Deletes a range. A joined line keeps the format of its first part's line (of the
// second line when the first part is empty).
void deleteRange(RichText& t, Range r);
// Changes the character format of every run inside a range (runs are split at its ends).
void formatRange(RichText& t, Range r, const std::function<void(CharFormat&)>& change);
// Sets the paragraph format of every paragraph the range touches.
void formatParagraphs(RichText& t, Range r, const std::function<void(ParaFormat&)>& change);

// Lines a..b: from the start of line a to the start of line b + 1 (the break after b included).
Range selectLines(const RichText& t, int a, int b);
// Copies lines a..b into a buffer, indents reset and runs merged. The break after b comes
// along as an empty final line unless b is the text's last line. b < a, or a range wholly
// outside the text, gives an empty buffer; a range reaching past the end is clipped.
// b = nullopt copies line a alone, as copyLine does.
RichBuffer copyLinesToBuffer(const RichText& src, int a, std::optional<int> b);
// Line `line` alone as one paragraph without its break, indents reset; a line outside the
// text gives one empty line.
RichText copyLine(const RichText& src, int line);

// The first non-blank line, trimmed and cut to 100 CP932 bytes at a character boundary.
std::string caption(std::string_view plain);
std::string caption(const RichBuffer& b);

void resetIndents(RichText& t);

// The first five document settings, in points.
struct IndentSettings {
  int left = 16;       // leftindent
  int right = 16;      // rightindent
  int text = 16;       // textindent
  int tabIndent = 32;  // tabindent
  int tabSink = 8;     // tabsink
};
// Leading tabs become indentation levels.
void layoutParagraphs(RichText& t, const IndentSettings& s);
// Shows a buffer in a target in place of its selection: drop an empty last line of a
// multi-line text, lay out, insert. Returns the range the text took in the target.
Range showPageText(const RichBuffer& src, RichText& target, Range selection, const IndentSettings& s);

// ---- RTF -----------------------------------------------------------------------------
// Reads what rich-edit controls, WordPad, Word and LibreOffice write. Never fails: bad or
// cut-off input gives the text read so far. A \par ends its paragraph, so a final \par
// adds no empty line; text after the outermost group (a NUL, junk) is ignored. Pictures,
// objects, field instructions, hidden text and list numbering are dropped.
RichText readRtf(std::string_view rtf);
// Writes the shape a rich-edit control writes: {\rtf1\ansi\ansicpg932\deff0 ...}, CP932
// (or Windows-1252 for charset 0 fonts) as \'xx, everything else as \uN?, a \par after
// every paragraph. readRtf(writeRtf(t)) == t after t.normalize().
std::string writeRtf(const RichText& t);

}  // namespace ruvo::rt
