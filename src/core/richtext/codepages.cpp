#include "core/richtext/codepages.h"

#include <iconv.h>

#include <cerrno>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/text/utf8.h"

namespace ruvo::rt {
namespace {

constexpr char16_t k80to9F[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char32_t kLead = 0xFFFFFFFF;

}  // namespace

// Both tables filled once from iconv: single bytes (kLead for a lead byte) and, for
// double-byte code pages, every lead/trail pair.
class CodePage {
 public:
  std::vector<char32_t> single = std::vector<char32_t>(256, 0xFFFD);
  std::vector<char32_t> pairs;  // (lead << 8 | trail), empty for single-byte pages
};

namespace {

// One conversion; returns false with `incomplete` set when iconv wants more bytes.
bool convert(iconv_t cd, const char* bytes, std::size_t n, char32_t& out, bool& incomplete) {
  char in[2] = {bytes[0], n > 1 ? bytes[1] : '\0'};
  char buf[16];
  char* ip = in;
  char* op = buf;
  std::size_t il = n, ol = sizeof buf;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  incomplete = false;
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) {
    incomplete = errno == EINVAL;
    return false;
  }
  if (il != 0) return false;
  // Flush any state the converter still holds.
  if (iconv(cd, nullptr, nullptr, &op, &ol) == static_cast<std::size_t>(-1)) return false;
  const std::string_view u(buf, sizeof buf - ol);
  if (u.empty()) {
    incomplete = true;  // a lead byte some converters swallow silently
    return false;
  }
  std::size_t i = 0;
  out = text::nextCodePoint(u, i);
  return i == u.size();
}

// iconv's name of a Windows code page. glibc knows the Mac code pages by names of their own
// (and some not at all); the CJK ones are read through the tables they were built on.
std::string iconvName(int codepage) {
  switch (codepage) {
    case 10000:
      return "MACINTOSH";
    case 10001:  // Mac Japanese: Shift-JIS, with a few single bytes of its own (below)
      return "CP932";
    case 10002:
      return "BIG5";
    case 10003:
      return "EUC-KR";
    case 10007:
      return "MAC-CYRILLIC";
    case 10008:
      return "EUC-CN";
    case 10029:
      return "MAC-CENTRALEUROPE";
    case 10079:
      return "MAC-IS";
    default:
      return "CP" + std::to_string(codepage);
  }
}

std::unique_ptr<CodePage> build(int codepage) {
  const std::string name = iconvName(codepage);
  iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
  auto page = std::make_unique<CodePage>();
  bool anyLead = false;
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    char32_t cp = 0;
    bool incomplete = false;
    if (convert(cd, &c, 1, cp, incomplete)) {
      page->single[b] = cp;
    } else if (incomplete && b >= 0x80) {
      page->single[b] = kLead;
      anyLead = true;
    }
  }
  if (anyLead) {
    page->pairs.assign(0x10000, 0xFFFD);
    for (int lead = 0x80; lead < 256; ++lead) {
      if (page->single[lead] != kLead) continue;
      for (int trail = 0x20; trail < 256; ++trail) {
        const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        char32_t cp = 0;
        bool incomplete = false;
        if (convert(cd, bytes, 2, cp, incomplete)) page->pairs[(lead << 8) | trail] = cp;
      }
    }
  }
  iconv_close(cd);
  if (codepage == 10001) {
    // The bytes Windows leaves undefined; 0x5C stays the backslash, as ASCII does everywhere.
    page->single[0x80] = 0x005C;
    page->single[0xA0] = 0x00A0;
    page->single[0xFD] = 0x00A9;
    page->single[0xFE] = 0x2122;
    page->single[0xFF] = 0x2026;
  }
  return page;
}

}  // namespace

char32_t cp1252Decode(std::uint8_t b) {
  if (b >= 0x80 && b < 0xA0) return k80to9F[b - 0x80];
  return b;
}

int cp1252Code(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i)
    if (k80to9F[i] == cp) return 0x80 + i;
  return -1;
}

int codepageOfCharset(int charset) {
  switch (charset) {
    case 0:
      return 1252;
    case 77:
      return 10000;
    case 78:
      return 10001;
    case 79:
      return 10003;
    case 80:
      return 10008;
    case 81:
      return 10002;
    case 83:
      return 10005;
    case 84:
      return 10004;
    case 85:
      return 10006;
    case 86:
      return 10081;
    case 87:
      return 10021;
    case 88:
      return 10029;
    case 89:
      return 10007;
    case 128:
      return 932;
    case 129:
      return 949;
    case 130:
      return 1361;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    default:
      return 0;
  }
}

const CodePage* findCodePage(int codepage) {
  static std::mutex mutex;
  static std::map<int, std::unique_ptr<CodePage>> pages;
  if (codepage <= 0 || codepage > 65535) return nullptr;
  const std::lock_guard<std::mutex> lock(mutex);
  auto it = pages.find(codepage);
  if (it == pages.end()) it = pages.emplace(codepage, build(codepage)).first;
  return it->second.get();
}

bool isLeadByte(const CodePage& cp, std::uint8_t b) { return cp.single[b] == kLead; }

bool isDoubleByte(const CodePage& cp) { return !cp.pairs.empty(); }

char32_t decodeByte(const CodePage& cp, std::uint8_t b) {
  const char32_t c = cp.single[b];
  return c == kLead ? 0xFFFD : c;
}

char32_t decodePair(const CodePage& cp, std::uint8_t lead, std::uint8_t trail) {
  if (cp.pairs.empty()) return 0xFFFD;
  return cp.pairs[(static_cast<unsigned>(lead) << 8) | trail];
}

}  // namespace ruvo::rt
