#pragma once
// A second, deliberately plain BDC writer and reader, transcribed step by step from the
// format (32-bit accumulator writer, word-by-word reader). The production codec is fast
// and table-driven; comparing the two over many inputs catches any drift in the bits.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bdcref {

struct Entry {
  std::uint8_t symbol;
  std::int32_t count;
  std::uint8_t rank;
};

inline void quickSort(std::array<Entry, 256>& t, int l, int r) {
  int i = l, j = r;
  const std::int32_t p = t[(l + r) / 2].count;
  do {
    while (t[i].count > p) ++i;
    while (t[j].count < p) --j;
    if (i <= j) {
      std::swap(t[i].symbol, t[j].symbol);
      std::swap(t[i].count, t[j].count);
      ++i;
      --j;
    }
  } while (i <= j);
  if (l < j) quickSort(t, l, j);
  if (i < r) quickSort(t, i, r);
}

struct Widths {
  std::uint8_t selector = 2;
  std::array<std::uint8_t, 4> bits{1, 3, 5, 6};
};

inline void put16(std::string& s, std::size_t at, unsigned v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Bit string -> 16-bit little-endian words, last unit zero-filled.
struct BitWriter {
  std::string out;
  std::uint64_t acc = 0;
  int p = 63;  // next free bit (a wider accumulator than the original so wide test codes fit)
  void put(std::uint64_t v, int n) {
    p -= n;
    acc |= v << (p + 1);
    while (p < 48) {
      const unsigned unit = static_cast<unsigned>(acc >> 48);
      out += static_cast<char>(unit & 0xFF);
      out += static_cast<char>(unit >> 8);
      acc <<= 16;
      p += 16;
    }
  }
  void flush() {
    if (p < 63) {
      const unsigned unit = static_cast<unsigned>(acc >> 48);
      out += static_cast<char>(unit & 0xFF);
      out += static_cast<char>(unit >> 8);
    }
  }
};

// The standard writer.
inline std::string encode(std::string_view plain, std::uint16_t* maxRankOut = nullptr) {
  std::array<Entry, 256> t;
  for (int i = 0; i < 256; ++i) t[i] = Entry{static_cast<std::uint8_t>(i), 0, 0};
  for (unsigned char c : plain) ++t[c].count;
  quickSort(t, 0, 255);
  std::uint16_t maxRank = 0;
  for (int i = 0; i < 256; ++i) {
    if (t[i].count == 0) break;
    maxRank = static_cast<std::uint16_t>(i);
    t[t[i].symbol].rank = static_cast<std::uint8_t>(i);
  }
  std::uint8_t b3 = 6;
  if (maxRank > 41) {
    b3 = 0;
    while ((1u << b3) <= static_cast<unsigned>(maxRank - 41)) ++b3;
  }
  std::string s(32, '\0');
  s.replace(0, 4, "BDC1");
  put32(s, 8, static_cast<std::uint32_t>(plain.size()));
  put16(s, 16, maxRank);
  s[18] = 2;
  s[19] = 1;
  s[20] = 3;
  s[21] = 5;
  s[22] = static_cast<char>(b3);
  for (int i = 0; i <= maxRank; ++i) s += static_cast<char>(t[i].symbol);
  // The original 32-bit writer, literally.
  std::uint32_t acc = 0;
  int p = 31;
  auto word = [&](unsigned unit) {
    s += static_cast<char>(unit & 0xFF);
    s += static_cast<char>(unit >> 8);
  };
  for (unsigned char c : plain) {
    const unsigned r = t[c].rank;
    unsigned v, n;
    if (r <= 1)
      v = r, n = 3;
    else if (r <= 9)
      v = (1u << 3) | (r - 2), n = 5;
    else if (r <= 41)
      v = (2u << 5) | (r - 10), n = 7;
    else
      v = (3u << b3) | (r - 42), n = b3 + 2u;
    p -= static_cast<int>(n);
    acc |= v << (p + 1);
    if (p < 16) {
      word(acc >> 16);
      acc <<= 16;
      p += 16;
    }
  }
  if (p < 31) word(acc >> 16);
  put32(s, 4, static_cast<std::uint32_t>(s.size()));
  if (maxRankOut) *maxRankOut = maxRank;
  return s;
}

// A writer for any widths: symbols by the given ranks (index = rank), codes by class.
// Lets tests build streams that a correct writer with other widths would make.
inline std::string encodeWith(std::string_view plain, const Widths& w, std::string_view rankOrder) {
  std::array<int, 256> rankOf{};
  rankOf.fill(-1);
  for (std::size_t i = 0; i < rankOrder.size(); ++i)
    rankOf[static_cast<unsigned char>(rankOrder[i])] = static_cast<int>(i);
  unsigned starts[5];
  starts[0] = 0;
  for (int k = 0; k < 4; ++k) starts[k + 1] = starts[k] + (1u << w.bits[k]);
  std::string s(32, '\0');
  s.replace(0, 4, "BDC1");
  put32(s, 8, static_cast<std::uint32_t>(plain.size()));
  put16(s, 16, static_cast<unsigned>(rankOrder.size() - 1));
  s[18] = static_cast<char>(w.selector);
  for (int k = 0; k < 4; ++k) s[19 + k] = static_cast<char>(w.bits[k]);
  s += rankOrder;
  BitWriter bw;
  for (unsigned char c : plain) {
    const unsigned r = static_cast<unsigned>(rankOf[c]);
    int k = 0;
    while (k < (1 << w.selector) - 1 && r >= starts[k + 1]) ++k;
    bw.put((std::uint64_t{static_cast<unsigned>(k)} << w.bits[k]) | (r - starts[k]), w.selector + w.bits[k]);
  }
  bw.flush();
  s += bw.out;
  put32(s, 4, static_cast<std::uint32_t>(s.size()));
  return s;
}

struct Decoded {
  bool ok = false;
  std::string msg;
  std::string plain;  // recorded size, unwritten tail zero
};

// The reader word by word. Only for headers a test trusts to be in range (it allocates
// the recorded size and indexes the 256 entries).
inline Decoded decode(std::string_view s) {
  Decoded d;
  d.msg = "データの形式が違います";
  if (s.size() < 4 || s.substr(0, 4) != "BDC1") return d;
  d.msg = "記録データのサイズが違います";
  auto u8 = [&](std::size_t i) -> unsigned { return static_cast<unsigned char>(s[i]); };
  const std::uint32_t total = u8(4) | (u8(5) << 8) | (u8(6) << 16) | (u8(7) << 24);
  if (total != s.size()) return d;
  const std::uint32_t plainSize = u8(8) | (u8(9) << 8) | (u8(10) << 16) | (u8(11) << 24);
  const unsigned maxRank = u8(16) | (u8(17) << 8);
  const unsigned sel = u8(18);
  unsigned b[4] = {u8(19), u8(20), u8(21), u8(22)};
  auto p8 = [](unsigned x) { return x >= 8 ? 0u : 1u << x; };
  const unsigned e0 = (p8(b[0]) - 1) & 0xFF, e1 = (e0 + p8(b[1])) & 0xFF, e2 = (e1 + p8(b[2])) & 0xFF;
  const unsigned start[4] = {0, (e0 + 1) & 0xFF, (e1 + 1) & 0xFF, (e2 + 1) & 0xFF};
  std::array<unsigned char, 256> sym;
  for (int i = 0; i < 256; ++i) sym[i] = static_cast<unsigned char>(i);
  for (unsigned i = 0; i <= maxRank; ++i) sym[i] = static_cast<unsigned char>(s[32 + i]);
  d.plain.assign(plainSize, '\0');
  std::int64_t remaining = plainSize;
  std::size_t out = 0;
  std::uint64_t buf = 0;
  unsigned valid = 0;
  std::size_t pos = 33 + maxRank;
  while (pos < s.size()) {
    unsigned w = u8(pos);
    if (pos + 1 < s.size()) w |= u8(pos + 1) << 8;
    pos += 2;
    buf = (buf << 16) | w;
    valid += 16;
    bool stop = false;
    while (valid >= sel) {
      const unsigned k = static_cast<unsigned>(buf >> (valid - sel)) & ((1u << sel) - 1);
      if (valid < sel + b[k]) break;
      const std::uint64_t o = (buf >> (valid - sel - b[k])) & ((std::uint64_t{1} << b[k]) - 1);
      valid -= sel + b[k];
      if (out < d.plain.size()) d.plain[out] = static_cast<char>(sym[(start[k] + o) & 0xFF]);
      ++out;
      if (--remaining == 0) {
        stop = true;
        break;
      }
    }
    if (stop || remaining <= 0) break;
  }
  d.msg = "読み出しデータのサイズが違います";
  d.ok = remaining == 0;
  return d;
}

}  // namespace bdcref
