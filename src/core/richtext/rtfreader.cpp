// RTF reader. One pass over the bytes with an explicit group stack (no recursion), so
// that neither deep nesting nor long documents can exhaust the stack or go quadratic.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/richtext/codepages.h"
#include "core/richtext/richtext.h"
#include "core/text/cp932.h"
#include "core/text/strings.h"
#include "core/text/utf8.h"

namespace ruvo::rt {
namespace {

// The RTF default size: 12 pt.
constexpr int kDefaultSize = 24;

// Upr: the ANSI alternative of an \upr group, whose \ud alternative is read instead.
enum class Dest : std::uint8_t { Text, FontTable, ColorTable, Upr };

// What the writer says the following characters are: low ASCII (\loch), high single bytes
// (\hich) or double-byte (\dbch). Each class has a font of its own.
enum class CharClass : std::uint8_t { None, Loch, Hich, Dbch };

struct CharState {
  int font = -1;      // font number (\f); -1 is the document's default font
  int hichFont = -1;  // font of high single-byte text (\hich\afN), -1 when not given
  int dbchFont = -1;  // font of double-byte text (\dbch\afN, \dbch\fN)
  int rtlFont = -1;   // font of right-to-left text (\rtlch\afN)
  int size = kDefaultSize;
  int color = 0;  // colour table index
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike = false;
  bool hidden = false;
  bool rtl = false;  // after \rtlch, until \ltrch
  CharClass cls = CharClass::None;
  // Associated properties of double-byte text (\dbch\afsN, \ab, \ai); -1 when not given.
  int dbchSize = -1;
  std::int8_t dbchBold = -1;
  std::int8_t dbchItalic = -1;
};

struct State {
  CharState chr;
  ParaFormat para;
  int uc = 1;
  Dest dest = Dest::Text;
};

struct FontEntry {
  FontName name;
  int charset = 1;  // DEFAULT_CHARSET when the entry names none: the document's code page
};

enum class Kw : std::uint8_t {
  None,
  // destinations we read or skip
  FontTable,
  ColorTable,
  Skip,
  FldRslt,
  Upr,
  Ud,
  NestTableProps,
  // document
  Deff,
  Ansi,
  Mac,
  Pc,
  Pca,
  AnsiCpg,
  Uc,
  U,
  Bin,
  // paragraphs
  Par,
  Row,
  Pard,
  Fi,
  Li,
  Ri,
  Ql,
  Qc,
  Qr,
  Qj,
  // characters
  Plain,
  F,
  Af,
  Afs,
  Ab,
  Ai,
  Loch,
  Hich,
  Dbch,
  Fs,
  Cf,
  B,
  I,
  Ul,
  UlNone,
  Strike,
  Hidden,
  RtlCh,
  LtrCh,
  // font and colour table
  FCharset,
  Red,
  Green,
  Blue,
  // special characters (keep them last: a \u fallback may be one of them)
  Tab,
  Line,
  Cell,
  EmDash,
  EnDash,
  Bullet,
  LQuote,
  RQuote,
  LDblQuote,
  RDblQuote,
  EmSpace,
  EnSpace,
  QmSpace,
  Zwj,
  Zwnj,
  FootnoteMark,
};

const std::unordered_map<std::string_view, Kw>& keywords() {
  static const std::unordered_map<std::string_view, Kw> map = [] {
    std::unordered_map<std::string_view, Kw> m{
        {"fonttbl", Kw::FontTable},
        {"colortbl", Kw::ColorTable},
        {"fldrslt", Kw::FldRslt},
        {"upr", Kw::Upr},
        {"ud", Kw::Ud},
        {"nesttableprops", Kw::NestTableProps},
        {"deff", Kw::Deff},
        {"ansi", Kw::Ansi},
        {"mac", Kw::Mac},
        {"pc", Kw::Pc},
        {"pca", Kw::Pca},
        {"ansicpg", Kw::AnsiCpg},
        {"uc", Kw::Uc},
        {"u", Kw::U},
        {"bin", Kw::Bin},
        {"par", Kw::Par},
        {"sect", Kw::Par},
        {"page", Kw::Par},
        {"column", Kw::Par},
        {"pard", Kw::Pard},
        {"fi", Kw::Fi},
        {"li", Kw::Li},
        {"lin", Kw::Li},
        {"ri", Kw::Ri},
        {"rin", Kw::Ri},
        {"ql", Kw::Ql},
        {"qc", Kw::Qc},
        {"qr", Kw::Qr},
        {"qj", Kw::Qj},
        {"qd", Kw::Qj},
        {"plain", Kw::Plain},
        {"f", Kw::F},
        {"af", Kw::Af},
        {"afs", Kw::Afs},
        {"ab", Kw::Ab},
        {"ai", Kw::Ai},
        {"loch", Kw::Loch},
        {"hich", Kw::Hich},
        {"dbch", Kw::Dbch},
        {"fs", Kw::Fs},
        {"cf", Kw::Cf},
        {"b", Kw::B},
        {"i", Kw::I},
        {"ulnone", Kw::UlNone},
        {"strike", Kw::Strike},
        {"striked", Kw::Strike},
        {"v", Kw::Hidden},
        {"rtlch", Kw::RtlCh},
        {"ltrch", Kw::LtrCh},
        {"fcharset", Kw::FCharset},
        {"red", Kw::Red},
        {"green", Kw::Green},
        {"blue", Kw::Blue},
        {"tab", Kw::Tab},
        {"line", Kw::Line},
        {"cell", Kw::Cell},
        {"nestcell", Kw::Cell},
        {"row", Kw::Row},
        {"nestrow", Kw::Row},
        {"emdash", Kw::EmDash},
        {"endash", Kw::EnDash},
        {"bullet", Kw::Bullet},
        {"lquote", Kw::LQuote},
        {"rquote", Kw::RQuote},
        {"ldblquote", Kw::LDblQuote},
        {"rdblquote", Kw::RDblQuote},
        {"emspace", Kw::EmSpace},
        {"enspace", Kw::EnSpace},
        {"qmspace", Kw::QmSpace},
        {"zwj", Kw::Zwj},
        {"zwnj", Kw::Zwnj},
        {"chftn", Kw::FootnoteMark},
    };
    for (std::string_view u :
         {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd", "ulthdash",
          "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
      m.emplace(u, Kw::Ul);
    // Groups whose content is not text of the document: metadata, tables of styles and
    // lists, pictures, objects, headers and footers, numbering text the reader rebuilds, and
    // the text-only copy of a nested table that Word adds for readers without nested tables.
    for (std::string_view d : {"stylesheet",
                               "info",
                               "pict",
                               "object",
                               "header",
                               "headerl",
                               "headerr",
                               "headerf",
                               "footer",
                               "footerl",
                               "footerr",
                               "footerf",
                               "footnote",
                               "annotation",
                               "atnid",
                               "atnauthor",
                               "atndate",
                               "fldinst",
                               "pntext",
                               "pntxta",
                               "pntxtb",
                               "pn",
                               "listtext",
                               "listtable",
                               "listoverridetable",
                               "rsidtbl",
                               "revtbl",
                               "filetbl",
                               "themedata",
                               "colorschememapping",
                               "latentstyles",
                               "datastore",
                               "xmlnstbl",
                               "pgdsctbl",
                               "generator",
                               "nonshppict",
                               "shp",
                               "shpinst",
                               "shprslt",
                               "sp",
                               "sn",
                               "sv",
                               "bkmkstart",
                               "bkmkend",
                               "xe",
                               "tc",
                               "txe",
                               "private",
                               "ftnsep",
                               "ftnsepc",
                               "ftncn",
                               "aftnsep",
                               "aftnsepc",
                               "aftncn",
                               "template",
                               "userprops",
                               "docvar",
                               "mmathPr",
                               "wgrffmtfilter",
                               "passwordhash",
                               "fchars",
                               "lchars",
                               "pgdsc",
                               "do",
                               "falt",
                               "panose",
                               "fname",
                               "bkmkcolf",
                               "bkmkcoll",
                               "objdata",
                               "result",
                               "defchp",
                               "defpap",
                               "pgptbl",
                               "protusertbl",
                               "mhtmltag",
                               "htmltag",
                               "factoidname",
                               "blipuid",
                               "picprop",
                               "listpicture",
                               "wgrffmtfilter",
                               "ftnalt",
                               "nonesttables"})
      m.emplace(d, Kw::Skip);
    return m;
  }();
  return map;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Bytes of text -> code points, for one code page; keeps a lead byte until its trail.
class ByteDecoder final {
 public:
  void setCodepage(int cp) {
    if (cp == codepage_) return;
    flush();
    codepage_ = cp;
    page_ = cp == 932 || cp == 1252 ? nullptr : findCodePage(cp);
    mode_ = cp == 932 ? Mode::Cp932 : page_ ? Mode::Other : Mode::Cp1252;  // unknown pages read as Western
  }
  bool idle() const { return lead_ < 0; }
  bool doubleByte() const { return mode_ == Mode::Cp932 || (mode_ == Mode::Other && isDoubleByte(*page_)); }
  // Whether every byte above ASCII in `raw` leads a two-byte character of this code page
  // (and there is at least one).
  bool allPairs(std::string_view raw) const {
    bool any = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      const auto b = static_cast<std::uint8_t>(raw[i]);
      if (b < 0x80) continue;
      if (i + 1 >= raw.size() || !isLead(b)) return false;
      const auto t = static_cast<std::uint8_t>(raw[++i]);
      const char32_t cp =
          mode_ == Mode::Cp932 ? text::cp932Decode(static_cast<std::uint16_t>((b << 8) | t)) : decodePair(*page_, b, t);
      if (cp == 0xFFFD) return false;
      any = true;
    }
    return any;
  }
  // Returns the decoded code point, or 0 when nothing is complete yet (a lead byte).
  // A broken pair gives U+FFFD for the lead, and the second byte decoded afresh in `again`.
  [[gnu::always_inline]] char32_t byte(std::uint8_t b, char32_t& again) {
    again = 0;
    if (lead_ >= 0) {
      const auto lead = static_cast<std::uint8_t>(lead_);
      lead_ = -1;
      const char32_t cp = mode_ == Mode::Cp932 ? text::cp932Decode(static_cast<std::uint16_t>((lead << 8) | b))
                                               : decodePair(*page_, lead, b);
      if (cp != 0xFFFD) return cp;
      again = single(b);
      return 0xFFFD;
    }
    return single(b);
  }
  // Drops a pending lead byte that will get no trail; tells whether there was one.
  bool flush() {
    const bool had = lead_ >= 0;
    lead_ = -1;
    return had;
  }

 private:
  enum class Mode : std::uint8_t { Cp932, Cp1252, Other };

  bool isLead(std::uint8_t b) const {
    switch (mode_) {
      case Mode::Cp932:
        return text::isCp932Lead(b);
      case Mode::Other:
        return isLeadByte(*page_, b);
      case Mode::Cp1252:
        break;
    }
    return false;
  }

  char32_t single(std::uint8_t b) {
    // Every Windows code page keeps ASCII as it is; escapes like \\ rely on it.
    if (b < 0x80) return b;
    switch (mode_) {
      case Mode::Cp1252:
        return cp1252Decode(b);
      case Mode::Cp932:
        if (text::isCp932Lead(b)) break;
        return text::cp932Decode(b);
      case Mode::Other:
        if (isLeadByte(*page_, b)) break;
        return decodeByte(*page_, b);
    }
    lead_ = b;
    return 0;
  }

  int codepage_ = 932;
  const CodePage* page_ = nullptr;
  Mode mode_ = Mode::Cp932;
  int lead_ = -1;
};

// About the number of paragraphs a text will have, so that the list of paragraphs is made once
// at its size instead of growing to up to twice that.
std::size_t countBreaks(std::string_view in) {
  std::size_t n = 0;
  for (std::size_t at = in.find("\\par"); at != std::string_view::npos; at = in.find("\\par", at + 4)) {
    const std::size_t next = at + 4;
    if (next >= in.size() || !std::isalpha(static_cast<unsigned char>(in[next]))) ++n;
  }
  return n;
}

class Reader final {
 public:
  explicit Reader(std::string_view in) : in_(in) {}

  RichText run() {
    stack_.reserve(64);
    paras_.reserve(countBreaks(in_) + 1);
    stack_.push_back(Frame{});
    bool opened = false;
    const std::size_t n = in_.size();
    while (pos_ < n) {
      if (skipDepth_ > 0) {
        skipStep();
        continue;
      }
      const char c = in_[pos_];
      switch (c) {
        case '{':
          ++pos_;
          flushText();
          ++depth_;
          ++stack_.back().repeat;  // the group starts as a copy of its parent: nothing to store yet
          groupStart_ = true;
          opened = true;
          ucSkip_ = 0;
          codepageDirty_ = true;
          break;
        case '}':
          ++pos_;
          closeGroup();
          if (depth_ <= 1 && opened) pos_ = n;  // whatever follows the document is not part of it
          break;
        case '\\':
          controlWord();
          break;
        case '\r':
        case '\n':
        case '\0':
          ++pos_;
          break;
        default:
          if (dest() == Dest::Text && ucSkip_ == 0 && !cur().chr.hidden && decoder_.idle() && high_ == 0 &&
              raw_.empty() && static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x80) {
            fastText();
          } else if (c == ';' && dest() == Dest::FontTable && ucSkip_ == 0) {
            ++pos_;
            commitFont();  // only a literal semicolon ends a font's name
          } else {
            ++pos_;
            textByte(static_cast<std::uint8_t>(c));
          }
          groupStart_ = false;
          break;
      }
    }
    flushText();
    if (hasContent_) endParagraph();
    if (paras_.empty()) {
      Paragraph p;
      p.runs.push_back(Run{{}, resolve(cur().chr)});
      paras_.push_back(std::move(p));
    }
    RichText out;
    out.paragraphs() = std::move(paras_);
    out.normalize();
    return out;
  }

 private:
  // The state of the innermost group, to read.
  const State& cur() const { return stack_.back().state; }
  // The same, to change: a group that still shares its parent's state gets its own copy.
  State& st() {
    Frame& top = stack_.back();
    if (top.repeat > 0) {
      --top.repeat;
      State copy = top.state;
      stack_.push_back(Frame{std::move(copy), 0});
    }
    return stack_.back().state;
  }
  Dest dest() const { return stack_.back().state.dest; }

  void popGroup() {
    if (depth_ <= 1) return;
    --depth_;
    if (stack_.back().repeat > 0) {
      --stack_.back().repeat;
    } else {
      stack_.pop_back();
    }
  }

  // ---- groups ----------------------------------------------------------------------

  void closeGroup() {
    flushText();
    if (dest() == Dest::FontTable) commitFont();
    popGroup();
    ucSkip_ = 0;
    codepageDirty_ = true;
    groupStart_ = false;
  }

  // Skips the rest of the current group; `pops` says whether it was counted as a group.
  void enterSkip(bool pops) {
    skipDepth_ = 1;
    skipPops_ = pops;
  }

  void skipStep() {
    const std::size_t n = in_.size();
    // Fast scan to the next byte that matters.
    while (pos_ < n) {
      const char c = in_[pos_];
      if (c == '{' || c == '}' || c == '\\') break;
      ++pos_;
    }
    if (pos_ >= n) return;
    const char c = in_[pos_++];
    if (c == '{') {
      ++skipDepth_;
    } else if (c == '}') {
      if (--skipDepth_ == 0) {
        if (skipPops_) popGroup();
        ucSkip_ = 0;
        codepageDirty_ = true;
        groupStart_ = false;
      }
    } else if (pos_ < n) {
      if (isAlpha(in_[pos_])) {
        std::string_view word;
        bool hasParam = false;
        long long param = 0;
        readWord(word, hasParam, param);
        if (word == "bin" && hasParam && param > 0) skipBinary(param);
      } else {
        ++pos_;  // an escaped brace or backslash, or any other symbol
      }
    }
  }

  void skipBinary(long long count) {
    const std::size_t left = in_.size() - pos_;
    pos_ += static_cast<std::size_t>(std::min<long long>(count, static_cast<long long>(left)));
  }

  // ---- control words ---------------------------------------------------------------

  void readWord(std::string_view& word, bool& hasParam, long long& param) {
    const std::size_t n = in_.size();
    const std::size_t start = pos_;
    while (pos_ < n && isAlpha(in_[pos_])) ++pos_;
    word = in_.substr(start, pos_ - start);
    hasParam = false;
    param = 0;
    bool neg = false;
    if (pos_ < n && in_[pos_] == '-' && pos_ + 1 < n && isDigit(in_[pos_ + 1])) {
      neg = true;
      ++pos_;
    }
    if (pos_ < n && isDigit(in_[pos_])) {
      hasParam = true;
      while (pos_ < n && isDigit(in_[pos_])) {
        if (param < 10'000'000'000LL) param = param * 10 + (in_[pos_] - '0');
        ++pos_;
      }
      if (neg) param = -param;
    }
    if (pos_ < n && in_[pos_] == ' ') ++pos_;
  }

  static int clampInt(long long v) {
    return static_cast<int>(std::clamp<long long>(v, -2'000'000'000LL, 2'000'000'000LL));
  }

  void controlWord() {
    const std::size_t n = in_.size();
    ++pos_;  // the backslash
    if (pos_ >= n) return;
    const char c = in_[pos_];
    if (!isAlpha(c)) {
      ++pos_;
      controlSymbol(c);
      return;
    }
    std::string_view word;
    bool hasParam = false;
    long long param = 0;
    readWord(word, hasParam, param);
    groupStart_ = false;
    const auto& kws = keywords();
    const auto it = word.size() <= 32 ? kws.find(word) : kws.end();
    const Kw kw = it == kws.end() ? Kw::None : it->second;
    if (star_) {
      star_ = false;
      // Of the ignorable destinations only these hold text of the document.
      if (kw != Kw::Ud && kw != Kw::NestTableProps) {
        if (kw == Kw::Bin && hasParam && param > 0) skipBinary(param);
        enterSkip(true);
        return;
      }
    }
    if (kw == Kw::Bin) {
      if (hasParam && param > 0) skipBinary(param);
      return;
    }
    if (ucSkip_ > 0 && (kw == Kw::None || kw >= Kw::Tab)) {
      // A character-like control word can be (part of) the fallback of a \u.
      --ucSkip_;
      return;
    }
    const int p = clampInt(param);
    switch (dest()) {
      case Dest::FontTable:
        fontTableWord(kw, hasParam, p);
        return;
      case Dest::ColorTable:
        colorTableWord(kw, p);
        return;
      case Dest::Text:
        textWord(kw, hasParam, p);
        return;
      case Dest::Upr:
        if (kw == Kw::Ud) st().dest = Dest::Text;
        if (kw == Kw::Skip) enterSkip(true);
        return;
    }
  }

  void controlSymbol(char c) {
    switch (c) {
      case '\\':
      case '{':
      case '}':
        groupStart_ = false;
        textByte(static_cast<std::uint8_t>(c));
        return;
      case '\'': {
        groupStart_ = false;
        if (pos_ + 1 < in_.size()) {
          const int hi = hexValue(in_[pos_]);
          const int lo = hexValue(in_[pos_ + 1]);
          if (hi >= 0 && lo >= 0) {
            pos_ += 2;
            textByte(static_cast<std::uint8_t>(hi * 16 + lo));
          }
        }
        return;
      }
      case '*': {
        // An ignorable destination: the control word after it tells whether to read it.
        if (!groupStart_ || depth_ <= 1) return;
        std::size_t at = pos_;
        while (at < in_.size() && (in_[at] == ' ' || in_[at] == '\r' || in_[at] == '\n')) ++at;
        if (at + 1 < in_.size() && in_[at] == '\\' && isAlpha(in_[at + 1])) {
          pos_ = at;
          star_ = true;
        } else {
          enterSkip(true);
        }
        return;
      }
      case '~':
        groupStart_ = false;
        textChar(0x00A0);
        return;
      case '_':
        groupStart_ = false;
        textChar(0x2011);
        return;
      case '\r':
      case '\n':
        groupStart_ = false;
        if (dest() == Dest::Text) endParagraph();
        return;
      default:  // \- (optional hyphen), \| \: (index entries) and unknown symbols
        groupStart_ = false;
        return;
    }
  }

  void textWord(Kw kw, bool hasParam, int p) {
    if (kw == Kw::None) return;  // before st(): a group of unknown words keeps sharing its state
    CharState& ch = st().chr;
    const bool on = !hasParam || p != 0;
    switch (kw) {
      case Kw::None:
        return;
      case Kw::FontTable:
        flushText();
        st().dest = Dest::FontTable;
        font_ = {};
        fontNumber_ = -1;
        return;
      case Kw::ColorTable:
        flushText();
        st().dest = Dest::ColorTable;
        red_ = green_ = blue_ = -1;
        return;
      case Kw::Skip:
        if (depth_ > 1) {
          flushText();
          enterSkip(true);
        }
        return;
      case Kw::FldRslt:
      case Kw::Ud:
      case Kw::NestTableProps:
        return;
      case Kw::Upr:
        // Two alternatives follow: the ANSI one, dropped, and {\*\ud ...}, read.
        flushText();
        st().dest = Dest::Upr;
        return;
      case Kw::Deff:
        deff_ = p;
        codepageDirty_ = true;
        return;
      case Kw::Ansi:
        charsetCpg_ = 1252;
        codepageDirty_ = true;
        return;
      case Kw::Mac:
        charsetCpg_ = 10000;
        codepageDirty_ = true;
        return;
      case Kw::Pc:
        charsetCpg_ = 437;
        codepageDirty_ = true;
        return;
      case Kw::Pca:
        charsetCpg_ = 850;
        codepageDirty_ = true;
        return;
      case Kw::AnsiCpg:
        ansiCpg_ = p;
        codepageDirty_ = true;
        return;
      case Kw::Uc:
        st().uc = std::clamp(p, 0, 16);
        return;
      case Kw::U: {
        const long v = p < 0 ? p + 65536L : p;
        ucSkip_ = cur().uc;
        unicodeUnit(v >= 0 && v <= 0xFFFF ? static_cast<char32_t>(v) : 0xFFFD);
        return;
      }
      case Kw::Bin:
        return;
      case Kw::Par:
        endParagraph();
        return;
      case Kw::Row:
        endParagraph();
        return;
      case Kw::Pard:
        paraChange([](ParaFormat& f) { f = ParaFormat{}; });
        return;
      case Kw::Fi:
        paraChange([p](ParaFormat& f) { f.firstIndent = p; });
        return;
      case Kw::Li:
        paraChange([p](ParaFormat& f) { f.leftIndent = p; });
        return;
      case Kw::Ri:
        paraChange([p](ParaFormat& f) { f.rightIndent = p; });
        return;
      case Kw::Ql:
        paraChange([](ParaFormat& f) { f.align = Align::Left; });
        return;
      case Kw::Qc:
        paraChange([](ParaFormat& f) { f.align = Align::Center; });
        return;
      case Kw::Qr:
        paraChange([](ParaFormat& f) { f.align = Align::Right; });
        return;
      case Kw::Qj:
        paraChange([](ParaFormat& f) { f.align = Align::Justify; });
        return;
      case Kw::Plain:
        flushText();
        ch = CharState{};
        codepageDirty_ = true;
        return;
      case Kw::F:
        // The font of the text, and of its class when the writer named one.
        flushText();
        ch.font = std::max(p, 0);
        if (!ch.rtl && ch.cls == CharClass::Hich) ch.hichFont = ch.font;
        if (!ch.rtl && ch.cls == CharClass::Dbch) ch.dbchFont = ch.font;
        codepageDirty_ = true;
        return;
      case Kw::Af:
        // The associated font: of right-to-left text after \rtlch, else of the class named
        // last. It never replaces the text's own font (\loch\afN names the font \f gives).
        flushText();
        if (ch.rtl || ch.cls == CharClass::None) {
          ch.rtlFont = std::max(p, 0);
        } else if (ch.cls == CharClass::Dbch) {
          ch.dbchFont = std::max(p, 0);
        } else if (ch.cls == CharClass::Hich) {
          ch.hichFont = std::max(p, 0);
        }
        codepageDirty_ = true;
        return;
      case Kw::Afs:
        if (!ch.rtl && ch.cls == CharClass::Dbch && hasParam && p > 0) {
          flushText();
          ch.dbchSize = std::min(p, 3276);
        }
        return;
      case Kw::Ab:
        if (!ch.rtl && ch.cls == CharClass::Dbch) {
          flushText();
          ch.dbchBold = on;
        }
        return;
      case Kw::Ai:
        if (!ch.rtl && ch.cls == CharClass::Dbch) {
          flushText();
          ch.dbchItalic = on;
        }
        return;
      case Kw::Loch:
        setClass(ch, CharClass::Loch);
        return;
      case Kw::Hich:
        setClass(ch, CharClass::Hich);
        return;
      case Kw::Dbch:
        setClass(ch, CharClass::Dbch);
        return;
      case Kw::RtlCh:
      case Kw::LtrCh:
        if (ch.rtl != (kw == Kw::RtlCh)) {
          flushText();
          ch.rtl = kw == Kw::RtlCh;
          codepageDirty_ = true;
        }
        return;
      case Kw::Fs:
        if (hasParam && p > 0) {
          flushText();
          ch.size = std::min(p, 3276);
        }
        return;
      case Kw::Cf:
        flushText();
        ch.color = std::max(p, 0);
        return;
      case Kw::B:
        flushText();
        ch.bold = on;
        return;
      case Kw::I:
        flushText();
        ch.italic = on;
        return;
      case Kw::Ul:
        flushText();
        ch.underline = on;
        return;
      case Kw::UlNone:
        flushText();
        ch.underline = false;
        return;
      case Kw::Strike:
        flushText();
        ch.strike = on;
        return;
      case Kw::Hidden:
        flushText();
        ch.hidden = on;
        return;
      case Kw::FCharset:
      case Kw::Red:
      case Kw::Green:
      case Kw::Blue:
        return;
      case Kw::Tab:
      case Kw::Cell:
        textChar('\t');
        return;
      case Kw::Line:
        textChar(0x000B);
        return;
      case Kw::EmDash:
        textChar(0x2014);
        return;
      case Kw::EnDash:
        textChar(0x2013);
        return;
      case Kw::Bullet:
        textChar(0x2022);
        return;
      case Kw::LQuote:
        textChar(0x2018);
        return;
      case Kw::RQuote:
        textChar(0x2019);
        return;
      case Kw::LDblQuote:
        textChar(0x201C);
        return;
      case Kw::RDblQuote:
        textChar(0x201D);
        return;
      case Kw::EmSpace:
        textChar(0x2003);
        return;
      case Kw::EnSpace:
        textChar(0x2002);
        return;
      case Kw::QmSpace:
        textChar(0x2005);
        return;
      case Kw::Zwj:
        textChar(0x200D);
        return;
      case Kw::Zwnj:
        textChar(0x200C);
        return;
      case Kw::FootnoteMark:
        // The automatic number of a footnote; those inside the notes are skipped with them.
        if (!ch.hidden) {
          breakPending();
          for (const char d : std::to_string(++footnotes_)) emit(static_cast<unsigned char>(d));
        }
        return;
    }
  }

  void setClass(CharState& ch, CharClass cls) {
    if (ch.cls == cls) return;
    flushText();
    ch.cls = cls;
    codepageDirty_ = true;
  }

  template <typename F>
  void paraChange(F change) {
    flushText();
    change(st().para);
    if (hasContent_) para_.format = cur().para;
  }

  // ---- font and colour tables ------------------------------------------------------

  void fontTableWord(Kw kw, bool hasParam, int p) {
    switch (kw) {
      case Kw::F:
        commitFont();
        fontNumber_ = std::max(p, 0);
        return;
      case Kw::FCharset:
        if (hasParam) font_.charset = std::clamp(p, 0, 255);
        return;
      case Kw::U: {
        const long v = p < 0 ? p + 65536L : p;
        ucSkip_ = cur().uc;
        fontChar(v >= 0 && v <= 0xFFFF && (v < 0xD800 || v > 0xDFFF) ? static_cast<char32_t>(v) : 0xFFFD);
        return;
      }
      case Kw::Uc:
        st().uc = std::clamp(p, 0, 16);
        return;
      case Kw::Skip:
        if (depth_ > 1) enterSkip(true);
        return;
      default:
        return;
    }
  }

  void fontChar(char32_t cp) {
    if (cp >= 0x20) text::appendUtf8(fontName_, cp);
  }

  void fontByte(std::uint8_t b) {
    fontDecoder_.setCodepage(codepageOfCharset(font_.charset));
    char32_t again = 0;
    const char32_t cp = fontDecoder_.byte(b, again);  // NB: 0 means "nothing yet"
    if (cp != 0) fontChar(cp);
    if (again != 0) fontChar(again);
  }

  void commitFont() {
    if (fontDecoder_.flush()) fontChar(0xFFFD);
    if (fontNumber_ >= 0) {
      font_.name = text::trim(fontName_);
      fonts_[fontNumber_] = font_;
      codepageDirty_ = true;
    }
    fontNumber_ = -1;
    font_ = {};
    fontName_.clear();
  }

  void colorTableWord(Kw kw, int p) {
    const int v = std::clamp(p, 0, 255);
    if (kw == Kw::Red) red_ = v;
    if (kw == Kw::Green) green_ = v;
    if (kw == Kw::Blue) blue_ = v;
  }

  void colorByte(std::uint8_t b) {
    if (b != ';') return;
    if (red_ < 0 && green_ < 0 && blue_ < 0) {
      colors_.push_back(kAutoColor);
    } else {
      colors_.push_back((std::max(red_, 0) << 16) | (std::max(green_, 0) << 8) | std::max(blue_, 0));
    }
    red_ = green_ = blue_ = -1;
  }

  // ---- text ------------------------------------------------------------------------

  // \ansicpg, else the code page of the character set (\ansi, \mac, \pc, \pca).
  int documentCodepage() const { return ansiCpg_ > 0 ? ansiCpg_ : charsetCpg_; }

  int codepageOfCharset(int charset) const {
    const int cp = rt::codepageOfCharset(charset);
    return cp != 0 ? cp : documentCodepage();
  }

  // The code page of a class font, or `otherwise` when there is none or the table lacks it.
  int codepageOfFont(int number, int otherwise) const {
    if (number < 0) return otherwise;
    const auto it = fonts_.find(number);
    return it == fonts_.end() ? otherwise : codepageOfCharset(it->second.charset);
  }

  const FontEntry* fontOf(int number) const {
    auto it = fonts_.find(number < 0 ? deff_ : number);
    if (it == fonts_.end()) it = fonts_.find(deff_);
    if (it == fonts_.end() && !fonts_.empty()) it = fonts_.begin();
    return it == fonts_.end() ? nullptr : &it->second;
  }

  // The code page of the next bytes: that of the font of their class. Left-to-right text never
  // takes the right-to-left font (Word names one, \rtlch\afN, before every run).
  void updateCodepage() {
    resolveRaw();
    codepageDirty_ = false;
    ambiguous_ = false;
    const CharState& ch = cur().chr;
    const FontEntry* f = fontOf(ch.font);
    const int own = f ? codepageOfCharset(f->charset) : documentCodepage();
    int cp = own;
    if (ch.rtl) {
      cp = codepageOfFont(ch.rtlFont, own);
    } else if (ch.cls == CharClass::Dbch) {
      cp = codepageOfFont(ch.dbchFont, own);
    } else if (ch.cls != CharClass::None) {
      cp = codepageOfFont(ch.hichFont, own);
      // Bytes above ASCII in text declared low ASCII (\loch) are either high single bytes
      // or double-byte characters; when the two fonts disagree, the run's bytes decide
      // (see resolveRaw).
      const int dbcs = codepageOfFont(ch.dbchFont, cp);
      if (ch.cls == CharClass::Loch && dbcs != cp) {
        doubleDecoder_.setCodepage(dbcs);
        ambiguous_ = doubleDecoder_.doubleByte();
      }
    }
    decoder_.setCodepage(cp);
  }

  // Decodes the bytes held back in an ambiguous run: as double-byte characters when every
  // byte above ASCII leads a valid pair, otherwise as single bytes (Latin text with an
  // accent or a curly quote next to a space or another such byte never pairs up).
  void resolveRaw() {
    if (!raw_.empty()) decodeRaw();
  }

  void decodeRaw() {
    std::string raw;
    raw.swap(raw_);
    ByteDecoder& d = doubleDecoder_.allPairs(raw) ? doubleDecoder_ : decoder_;
    for (const char c : raw) {
      char32_t again = 0;
      const char32_t cp = d.byte(static_cast<std::uint8_t>(c), again);
      if (cp != 0) emit(cp);
      if (again != 0) emit(again);
    }
    if (d.flush()) emit(0xFFFD);
    raw.clear();
    raw_.swap(raw);  // keep the buffer
  }

  void fastText() {
    const std::size_t n = in_.size();
    const std::size_t start = pos_;
    while (pos_ < n) {
      const auto c = static_cast<unsigned char>(in_[pos_]);
      if (c < 0x20 || c >= 0x80 || c == '\\' || c == '{' || c == '}') break;
      ++pos_;
    }
    pending_.append(in_.data() + start, pos_ - start);
  }

  void textByte(std::uint8_t b) {
    if (ucSkip_ > 0) {
      --ucSkip_;
      return;
    }
    switch (dest()) {
      case Dest::FontTable:
        fontByte(b);
        return;
      case Dest::ColorTable:
        colorByte(b);
        return;
      case Dest::Text:
        break;
      case Dest::Upr:
        return;
    }
    if (cur().chr.hidden) return;
    if (high_ != 0) {
      high_ = 0;
      emit(0xFFFD);
    }
    if (codepageDirty_) updateCodepage();
    if (ambiguous_ && (b >= 0x80 || !raw_.empty())) {
      raw_.push_back(static_cast<char>(b));
      return;
    }
    char32_t again = 0;
    const char32_t cp = decoder_.byte(b, again);
    if (cp != 0) emit(cp);
    if (again != 0) emit(again);
  }

  // A character given by a control word or symbol.
  void textChar(char32_t cp) {
    if (ucSkip_ > 0) {
      --ucSkip_;
      return;
    }
    if (dest() != Dest::Text || cur().chr.hidden) return;
    breakPending();
    emit(cp);
  }

  // One UTF-16 unit from \uN; surrogate pairs come as two.
  void unicodeUnit(char32_t u) {
    if (dest() != Dest::Text || cur().chr.hidden) return;
    resolveRaw();
    if (!decoder_.idle() && decoder_.flush()) emit(0xFFFD);
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (high_ != 0) emit(0xFFFD);
      high_ = u;
      return;
    }
    if (u >= 0xDC00 && u <= 0xDFFF) {
      if (high_ == 0) {
        emit(0xFFFD);
      } else {
        emit(0x10000 + ((high_ - 0xD800) << 10) + (u - 0xDC00));
        high_ = 0;
      }
      return;
    }
    if (high_ != 0) {
      high_ = 0;
      emit(0xFFFD);
    }
    emit(u);
  }

  // A lead byte or high surrogate that will get no partner.
  void breakPending() {
    resolveRaw();
    if (decoder_.flush()) emit(0xFFFD);
    if (high_ != 0) {
      high_ = 0;
      emit(0xFFFD);
    }
  }

  void emit(char32_t cp) {
    // Line ends inside the text are not paragraph breaks, and NULs are not text.
    if (cp == 0 || cp == '\n' || cp == '\r') return;
    text::appendUtf8(pending_, cp);
  }

  CharFormat resolve(const CharState& ch) const {
    CharFormat f;
    // Text of a named class takes the font of its class and, when double-byte, the
    // associated properties where given.
    const auto known = [this](int number) { return number >= 0 && fonts_.count(number) > 0; };
    const bool asian = !ch.rtl && ch.cls == CharClass::Dbch;
    int font = ch.font;
    if (ch.rtl && known(ch.rtlFont)) {
      font = ch.rtlFont;
    } else if (asian && known(ch.dbchFont)) {
      font = ch.dbchFont;
    } else if (!ch.rtl && ch.cls == CharClass::Hich && known(ch.hichFont)) {
      font = ch.hichFont;
    }
    if (const FontEntry* e = fontOf(font)) {
      f.fontName = e->name;
      f.charset = e->charset;
    }
    f.sizeHalfPoints = asian && ch.dbchSize > 0 ? ch.dbchSize : ch.size;
    f.color = ch.color >= 0 && static_cast<std::size_t>(ch.color) < colors_.size() ? colors_[ch.color] : kAutoColor;
    f.bold = asian && ch.dbchBold >= 0 ? ch.dbchBold != 0 : ch.bold;
    f.italic = asian && ch.dbchItalic >= 0 ? ch.dbchItalic != 0 : ch.italic;
    f.underline = ch.underline;
    f.strike = ch.strike;
    return f;
  }

  void flushText() {
    if (dest() == Dest::Text) breakPending();
    if (pending_.empty()) return;
    CharFormat f = resolve(cur().chr);
    if (!para_.runs.empty() && para_.runs.back().format == f) {
      para_.runs.back().text += pending_;
    } else {
      para_.runs.push_back(Run{pending_, std::move(f)});
    }
    pending_.clear();
    hasContent_ = true;
    para_.format = cur().para;
  }

  void endParagraph() {
    flushText();
    para_.format = cur().para;
    if (para_.runs.empty()) para_.runs = emptyRuns(resolve(cur().chr));
    paras_.push_back(std::move(para_));
    para_ = Paragraph{};
    hasContent_ = false;
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  // The open groups. Nesting is data, not recursion: a group that changes nothing shares its
  // parent's frame (counted in `repeat`), so memory grows with the changes, not the depth.
  struct Frame {
    State state;
    std::size_t repeat = 0;
  };
  std::vector<Frame> stack_;
  std::size_t depth_ = 1;
  bool groupStart_ = false;
  int skipDepth_ = 0;
  bool skipPops_ = false;
  int ucSkip_ = 0;
  char32_t high_ = 0;

  int deff_ = 0;
  int ansiCpg_ = 0;        // \ansicpg, 0 when not given
  int charsetCpg_ = 1252;  // of \ansi (the default), \mac, \pc or \pca
  std::map<int, FontEntry> fonts_;
  std::vector<Color> colors_;
  bool codepageDirty_ = true;
  ByteDecoder decoder_;
  // Text whose class the writer left open (see updateCodepage): its double-byte reading and
  // the bytes held back until the run ends.
  bool ambiguous_ = false;
  ByteDecoder doubleDecoder_;
  std::string raw_;
  bool star_ = false;  // after \*, before the control word that names the destination
  int footnotes_ = 0;

  FontEntry font_;
  int fontNumber_ = -1;
  std::string fontName_;
  ByteDecoder fontDecoder_;
  int red_ = -1, green_ = -1, blue_ = -1;

  // The one run of an empty paragraph, shared by the empty paragraphs in a row that look
  // alike: a text of bare paragraph breaks costs a few bytes per break, not a run each.
  const RunList& emptyRuns(CharFormat f) {
    if (emptyRuns_.empty() || std::as_const(emptyRuns_).front().format != f) {
      emptyRuns_ = RunList{Run{{}, std::move(f)}};
      emptyRuns_.share();
    }
    return emptyRuns_;
  }

  std::vector<Paragraph> paras_;
  Paragraph para_;
  RunList emptyRuns_;
  std::string pending_;
  bool hasContent_ = false;
};

}  // namespace

RichText readRtf(std::string_view rtf) { return Reader(rtf).run(); }

}  // namespace ruvo::rt
