#include "core/text/cp932.h"

#include <iconv.h>

#include <array>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "core/text/utf8.h"

namespace ruvo::text {
namespace {

// Both directions as flat tables, built once from iconv. Decoding: index by the code
// (single byte or lead<<8|trail) -> code point, 0 meaning undefined (NUL is 0x00 itself).
// Encoding: index by BMP code point -> CP932 code, 0xFFFF meaning unmappable.
struct Tables {
  std::vector<char32_t> decode = std::vector<char32_t>(0x10000, 0);
  std::vector<std::uint16_t> encode = std::vector<std::uint16_t>(0x10000, 0xFFFF);
};

char32_t iconvOne(iconv_t cd, const char* bytes, std::size_t n) {
  char in[2] = {bytes[0], n > 1 ? bytes[1] : '\0'};
  char out[8];
  char* ip = in;
  char* op = out;
  std::size_t il = n, ol = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0) return 0xFFFFFFFF;
  std::string_view u(out, sizeof out - ol);
  std::size_t i = 0;
  if (u.empty()) return 0xFFFFFFFF;
  const char32_t cp = nextCodePoint(u, i);
  return i == u.size() ? cp : 0xFFFFFFFF;
}

int iconvEncodeOne(iconv_t cd, char32_t cp) {
  std::string u;
  appendUtf8(u, cp);
  char out[4];
  char* ip = u.data();
  char* op = out;
  std::size_t il = u.size(), ol = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0) return -1;
  const std::size_t n = sizeof out - ol;
  if (n == 1) return static_cast<unsigned char>(out[0]);
  if (n == 2) return (static_cast<unsigned char>(out[0]) << 8) | static_cast<unsigned char>(out[1]);
  return -1;
}

const Tables& tables() {
  static std::once_flag once;
  static std::unique_ptr<Tables> t;
  std::call_once(once, [] {
    t = std::make_unique<Tables>();
    iconv_t dec = iconv_open("UTF-8", "CP932");
    iconv_t enc = iconv_open("CP932", "UTF-8");
    if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1)) {
      // Without iconv's table only ASCII survives.
      for (char32_t c = 0; c < 0x80; ++c) t->decode[c] = c, t->encode[c] = static_cast<std::uint16_t>(c);
      return;
    }
    std::vector<char32_t> seen;
    for (int b = 0; b < 0x100; ++b) {
      if (isCp932Lead(static_cast<unsigned char>(b))) continue;
      const char c = static_cast<char>(b);
      const char32_t cp = iconvOne(dec, &c, 1);
      if (cp != 0xFFFFFFFF) t->decode[b] = cp, seen.push_back(cp);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!isCp932Lead(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (trail == 0x7F) continue;
        const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        const char32_t cp = iconvOne(dec, bytes, 2);
        if (cp != 0xFFFFFFFF && cp != 0) t->decode[(lead << 8) | trail] = cp, seen.push_back(cp);
      }
    }
    // Several codes can decode to one character (NEC and IBM duplicates); iconv's
    // encoder picks the one Windows writes.
    for (char32_t cp : seen) {
      if (cp >= 0x10000 || t->encode[cp] != 0xFFFF) continue;
      const int code = iconvEncodeOne(enc, cp);
      if (code >= 0) t->encode[cp] = static_cast<std::uint16_t>(code);
    }
    // Characters CP932 holds under another code point: iconv writes them as the code of
    // their look-alike (U+301C as 0x8160, which reads back as U+FF5E), and Linux input
    // methods type exactly these. The two that iconv folds onto ASCII (U+00A5 to a
    // backslash, U+203E to a tilde) are left out: they would read back as another character.
    for (char32_t cp : {U'\u00A2', U'\u00A3', U'\u00AC', U'\u2014', U'\u2016', U'\u2212', U'\u301C'}) {
      const int code = iconvEncodeOne(enc, cp);
      if (code > 0xFF && t->encode[cp] == 0xFFFF) t->encode[cp] = static_cast<std::uint16_t>(code);
    }
    iconv_close(dec);
    iconv_close(enc);
  });
  return *t;
}

}  // namespace

std::string_view latinBaseLetters(char32_t cp) {
  // One letter per code point from U+00C0, U+0180 and U+1E00 on; "." has no base letter,
  // "*" stands for two letters.
  static constexpr std::string_view kLatin1AndA =
      "AAAAAA*CEEEEIIIIDNOOOOO.OUUUUY**aaaaaa*ceeeeiiiidnooooo.ouuuuy*yAaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIi"
      "IiIiIiIi**JjKkkLlLlLlLlLlNnNnNnnNnOoOoOo**RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
  static constexpr std::string_view kLatinB =
      "................................Oo.............Uu............................AaIiOoUuUuUuUuUu.AaAa....GgKk"
      "OoOo..j...Gg..NnAa....AaAaEeEeIiIiOoOoRrRrUuUuSsTt..Hh......AaEeOoOoOoOoYy............................";
  static constexpr std::string_view kLatinAdditional =
      "AaBbBbBbCcDdDdDdDdDdEeEeEeEeEeFfGgHhHhHhHhHhIiIiKkKkKkLlLlLlLlMmMmMmNnNnNnNnOoOoOoOoPpPpRrRrRrRrSsSsSsSsSsTt"
      "TtTtTtUuUuUuUuUuVvVvWwWwWwWwWwXxXxYyZzZzZzhtwy......AaAaAaAaAaAaAaAaAaAaAaAaEeEeEeEeEeEeEeEeIiIiOoOoOoOoOoOo"
      "OoOoOoOoOoOoUuUuUuUuUuUuUuYyYyYyYy......";
  static constexpr std::pair<char32_t, std::string_view> kTwoLetters[] = {{0xC6, "AE"},  {0xDE, "Th"},  {0xDF, "ss"},
                                                                          {0xE6, "ae"},  {0xFE, "th"},  {0x132, "IJ"},
                                                                          {0x133, "ij"}, {0x152, "OE"}, {0x153, "oe"}};
  for (const auto& [c, letters] : kTwoLetters)
    if (c == cp) return letters;
  std::string_view table;
  char32_t from = 0;
  if (cp >= 0xC0 && cp < 0x180) {
    table = kLatin1AndA, from = 0xC0;
  } else if (cp >= 0x180 && cp < 0x250) {
    table = kLatinB, from = 0x180;
  } else if (cp >= 0x1E00 && cp < 0x1F00) {
    table = kLatinAdditional, from = 0x1E00;
  } else {
    return {};
  }
  const std::string_view c = table.substr(cp - from, 1);
  return c == "." || c == "*" ? std::string_view() : c;
}

int cp932Code(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp >= 0x10000) return -1;
  const std::uint16_t c = tables().encode[cp];
  return c == 0xFFFF ? -1 : c;
}

char32_t cp932Decode(std::uint16_t code) {
  if (code < 0x80) return code;
  const char32_t cp = tables().decode[code];
  return cp == 0 ? 0xFFFD : cp;
}

std::string cp932ToUtf8(std::string_view in) {
  const Tables& t = tables();
  std::string out;
  out.reserve(in.size() + in.size() / 2);
  for (std::size_t i = 0; i < in.size();) {
    const auto b = static_cast<unsigned char>(in[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    if (isCp932Lead(b) && i + 1 < in.size()) {
      const auto trail = static_cast<unsigned char>(in[i + 1]);
      const char32_t cp = t.decode[(b << 8) | trail];
      if (cp != 0) {
        appendUtf8(out, cp);
        i += 2;
        continue;
      }
    }
    const char32_t cp = isCp932Lead(b) ? 0 : t.decode[b];
    appendUtf8(out, cp != 0 ? cp : 0xFFFD);
    ++i;
  }
  return out;
}

std::string utf8ToCp932(std::string_view utf8, bool* lossless, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  bool ok = true;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    const std::size_t before = i;
    const char32_t cp = nextCodePoint(utf8, i);
    const bool invalid = cp == 0xFFFD && utf8.substr(before, i - before) != "\xEF\xBF\xBD";
    const int code = invalid ? -1 : cp932Code(cp);
    if (code < 0) {
      out += replacement;
      ok = false;
    } else if (code > 0xFF) {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    } else {
      out += static_cast<char>(code);
    }
  }
  if (lossless) *lossless = ok;
  return out;
}

std::size_t cp932Length(std::string_view utf8) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      ++n, ++i;
      continue;
    }
    const int code = cp932Code(nextCodePoint(utf8, i));
    n += code > 0xFF ? 2 : 1;
  }
  return n;
}

std::string cutCp932(std::string_view utf8, std::size_t maxBytes) {
  std::size_t n = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    std::size_t next = i;
    const char32_t cp = nextCodePoint(utf8, next);
    const int code = cp < 0x80 ? 1 : cp932Code(cp);
    const std::size_t w = code > 0xFF ? 2 : 1;
    if (n + w > maxBytes) break;
    n += w;
    i = next;
  }
  return std::string(utf8.substr(0, i));
}

std::string_view cutCp932Bytes(std::string_view s, std::size_t maxBytes) {
  if (s.size() <= maxBytes) return s;
  std::size_t i = 0;
  while (i < maxBytes) {
    const std::size_t w = isCp932Lead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
    if (i + w > maxBytes) break;
    i += w;
  }
  return s.substr(0, i);
}

}  // namespace ruvo::text
