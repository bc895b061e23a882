// RTF writer in the shape a Windows rich-edit control streams out, so that files we write
// open there and read back here to the same model.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/richtext/codepages.h"
#include "core/richtext/richtext.h"
#include "core/text/cp932.h"
#include "core/text/utf8.h"

namespace ruvo::rt {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void hexByte(std::string& out, unsigned b) {
  out += "\\'";
  out += kHex[(b >> 4) & 0xF];
  out += kHex[b & 0xF];
}

// \uN with N as a signed 16-bit number, and "?" for readers without Unicode (\uc1).
void unicodeEscape(std::string& out, char32_t cp) {
  auto unit = [&out](unsigned u) {
    out += "\\u";
    out += std::to_string(u > 0x7FFF ? static_cast<int>(u) - 0x10000 : static_cast<int>(u));
    out += '?';
  };
  if (cp > 0xFFFF) {
    const char32_t v = cp - 0x10000;
    unit(0xD800 + (v >> 10));
    unit(0xDC00 + (v & 0x3FF));
  } else {
    unit(cp);
  }
}

// One code point of text in a font of the given charset; `inName` for the font table,
// where a semicolon would end the name.
void encodeChar(std::string& out, char32_t cp, int charset, bool inName) {
  if (cp == '\\' || cp == '{' || cp == '}') {
    out += '\\';
    out += static_cast<char>(cp);
    return;
  }
  if (cp < 0x20 || (inName && cp == ';')) {
    hexByte(out, cp);
    return;
  }
  if (cp < 0x80) {
    out += static_cast<char>(cp);
    return;
  }
  int code = -1;
  if (charset == 128) {
    code = text::cp932Code(cp);
  } else if (charset == 0) {
    code = cp1252Code(cp);
  }
  const bool lookAlike = code >= 0x100 && charset == 128 && text::cp932Decode(static_cast<std::uint16_t>(code)) != cp;
  if (lookAlike && inName) {
    // No group may stand inside a font's name: the character alone, as \uN.
    unicodeEscape(out, cp);
  } else if (lookAlike) {
    // A code that reads back as a look-alike (U+301C is written 0x8160, read U+FF5E): the
    // character itself for readers of \u, its CP932 code as the fallback for the rest.
    out += "{\\uc2";
    unicodeEscape(out, cp);
    out.pop_back();  // the one-byte fallback "?"
    hexByte(out, static_cast<unsigned>(code) >> 8);
    hexByte(out, static_cast<unsigned>(code) & 0xFF);
    out += '}';
  } else if (code >= 0x100) {
    hexByte(out, static_cast<unsigned>(code) >> 8);
    hexByte(out, static_cast<unsigned>(code) & 0xFF);
  } else if (code >= 0x80) {
    hexByte(out, static_cast<unsigned>(code));
  } else {
    unicodeEscape(out, cp);
  }
}

struct FontKey {
  std::string name;
  int charset;
  bool operator==(const FontKey&) const = default;
};

// What the reader's state is at any point, so that only changes are written.
struct Written {
  int font = 0;
  int size = 24;
  int color = 0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike = false;
};

class Writer final {
 public:
  explicit Writer(const RichText& t) : t_(t) {}

  std::string run() {
    collect();
    out_.reserve(t_.length() * 3 + 256);
    out_ += "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl";
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
      out_ += "{\\f";
      out_ += std::to_string(i);
      out_ += "\\fnil\\fcharset";
      out_ += std::to_string(fonts_[i].charset);
      out_ += ' ';
      std::size_t k = 0;
      while (k < fonts_[i].name.size())
        encodeChar(out_, text::nextCodePoint(fonts_[i].name, k), fonts_[i].charset, true);
      out_ += ";}";
    }
    out_ += "}\r\n";
    if (!colors_.empty()) {
      out_ += "{\\colortbl ;";
      for (Color c : colors_) {
        out_ += "\\red" + std::to_string((c >> 16) & 0xFF) + "\\green" + std::to_string((c >> 8) & 0xFF) + "\\blue" +
                std::to_string(c & 0xFF) + ";";
      }
      out_ += "}\r\n";
    }
    word("\\viewkind4\\uc1\\pard");
    ParaFormat para;
    bool first = true;
    static const Paragraph kEmpty{{}, {Run{}}};
    const auto& paras = t_.paragraphs();
    for (std::size_t i = 0; i < std::max<std::size_t>(paras.size(), 1); ++i) {
      const Paragraph& p = paras.empty() ? kEmpty : paras[i];
      if (!(p.format == para)) {
        if (!first) word("\\pard");
        paraWords(p.format);
        para = p.format;
      }
      first = false;
      bool hasText = false;
      for (const Run& r : p.runs) hasText = hasText || !r.text.empty();
      if (!hasText) {
        // An empty line's look is its first run's, as the model keeps it.
        charWords(p.runs.empty() ? CharFormat{} : p.runs.front().format);
      }
      for (const Run& r : p.runs) {
        if (r.text.empty()) continue;
        charWords(r.format);
        std::size_t k = 0;
        while (k < r.text.size()) {
          const char32_t cp = text::nextCodePoint(r.text, k);
          if (cp == '\t') {
            word("\\tab");
          } else if (cp == 0x0B) {
            word("\\line");
          } else if (cp == '\n' || cp == '\r' || cp == 0) {
            // not text: a run never holds a paragraph break
          } else {
            if (pendingSpace_) out_ += ' ';
            pendingSpace_ = false;
            encodeChar(out_, cp, r.format.charset, false);
          }
        }
      }
      out_ += "\\par\r\n";
      pendingSpace_ = false;
    }
    out_ += "}\r\n";
    return std::move(out_);
  }

 private:
  static bool validColor(Color c) { return c >= 0 && c <= 0xFFFFFF; }

  void collect() {
    auto addFont = [this](const CharFormat& f) {
      FontKey k{f.fontName, f.charset};
      for (const FontKey& e : fonts_)
        if (e == k) return;
      fonts_.push_back(std::move(k));
    };
    for (const Paragraph& p : t_.paragraphs()) {
      if (p.runs.empty()) addFont(CharFormat{});
      for (const Run& r : p.runs) {
        if (r.text.empty() && &r != &p.runs.front()) continue;
        addFont(r.format);
        if (validColor(r.format.color)) {
          bool seen = false;
          for (Color c : colors_) seen = seen || c == r.format.color;
          if (!seen) colors_.push_back(r.format.color);
        }
      }
    }
    if (fonts_.empty()) addFont(CharFormat{});
  }

  int fontIndex(const CharFormat& f) {
    // Few fonts per text: a linear search beats hashing the names.
    if (lastFont_ >= 0 && fonts_[lastFont_].name == f.fontName && fonts_[lastFont_].charset == f.charset)
      return lastFont_;
    for (std::size_t i = 0; i < fonts_.size(); ++i)
      if (fonts_[i].name == f.fontName && fonts_[i].charset == f.charset) return lastFont_ = static_cast<int>(i);
    return 0;
  }

  int colorIndex(Color c) const {
    if (!validColor(c)) return 0;
    for (std::size_t i = 0; i < colors_.size(); ++i)
      if (colors_[i] == c) return static_cast<int>(i) + 1;
    return 0;
  }

  void word(const char* w) {
    out_ += w;
    pendingSpace_ = true;
  }
  void word(const char* w, int n) {
    out_ += w;
    out_ += std::to_string(n);
    pendingSpace_ = true;
  }
  void flag(const char* on, const char* off, bool now, bool& was) {
    if (now != was) word(now ? on : off);
    was = now;
  }

  void paraWords(const ParaFormat& f) {
    if (f.firstIndent != 0) word("\\fi", f.firstIndent);
    if (f.leftIndent != 0) word("\\li", f.leftIndent);
    if (f.rightIndent != 0) word("\\ri", f.rightIndent);
    switch (f.align) {
      case Align::Left:
        break;
      case Align::Center:
        word("\\qc");
        break;
      case Align::Right:
        word("\\qr");
        break;
      case Align::Justify:
        word("\\qj");
        break;
    }
  }

  void charWords(const CharFormat& f) {
    const int font = fontIndex(f);
    if (font != w_.font || !started_) word("\\f", font);
    w_.font = font;
    const int size = f.sizeHalfPoints > 0 ? f.sizeHalfPoints : 24;
    if (size != w_.size || !started_) word("\\fs", size);
    w_.size = size;
    const int color = colorIndex(f.color);
    if (color != w_.color) word("\\cf", color);
    w_.color = color;
    flag("\\b", "\\b0", f.bold, w_.bold);
    flag("\\i", "\\i0", f.italic, w_.italic);
    flag("\\ul", "\\ulnone", f.underline, w_.underline);
    flag("\\strike", "\\strike0", f.strike, w_.strike);
    started_ = true;
  }

  const RichText& t_;
  std::vector<FontKey> fonts_;
  std::vector<Color> colors_;
  int lastFont_ = -1;
  Written w_;
  bool started_ = false;
  bool pendingSpace_ = false;
  std::string out_;
};

}  // namespace

std::string writeRtf(const RichText& t) { return Writer(t).run(); }

}  // namespace ruvo::rt
