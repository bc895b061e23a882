#include "core/storage/deltacode.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "core/storage/atomicfile.h"

namespace ruvo::storage {

namespace {

constexpr std::size_t kOffTotalSize = 4;
constexpr std::size_t kOffPlainSize = 8;
constexpr std::size_t kOffMaxRank = 16;
constexpr std::size_t kOffSelectorBits = 18;
constexpr std::size_t kOffClassBits = 19;

// The format keeps sizes in 32 bits and counts in signed 32 bits; larger inputs cannot be
// described by a header, so Encode refuses them instead of writing a wrong one.
constexpr std::size_t kMaxPlainSize = static_cast<std::size_t>(INT32_MAX);

void putU16(char* p, std::uint16_t v) {
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>(v >> 8);
}
void putU32(char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::uint32_t getU32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The writer's quicksort, step for step: the order it leaves among equal counts is part of
// the stored symbol table, and other writers reproduce it byte for byte.
void quickSort(std::array<TCharEntry, 256>& t, int l, int r) {
  int i = l, j = r;
  const std::int32_t p = t[static_cast<std::size_t>((l + r) / 2)].count;
  do {
    while (t[static_cast<std::size_t>(i)].count > p) ++i;
    while (t[static_cast<std::size_t>(j)].count < p) --j;
    if (i <= j) {
      auto& a = t[static_cast<std::size_t>(i)];
      auto& b = t[static_cast<std::size_t>(j)];
      std::swap(a.symbol, b.symbol);
      std::swap(a.count, b.count);
      ++i;
      --j;
    }
  } while (i <= j);
  if (l < j) quickSort(t, l, j);
  if (i < r) quickSort(t, i, r);
}

// b3: the smallest n with 2^n > MaxRank - 41 when class 3 is used, else 6.
std::uint8_t class3Bits(std::uint16_t maxRank) {
  if (maxRank <= 41) return 6;
  const unsigned v = maxRank - 41u;
  std::uint8_t n = 0;
  while ((1u << n) <= v) ++n;
  return n;
}

// Sixteen-bit units of the bit string are stored little-endian; this turns eight stored
// bytes into the next 64 bits of the string, first bit at the top.
inline std::uint64_t loadBits64(const unsigned char* p) {
  std::uint64_t x;
  std::memcpy(&x, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  x = __builtin_bswap64(x);
#endif
  // x = u3:u2:u1:u0 (u0 first in the string); reverse the four 16-bit lanes.
  x = (x >> 32) | (x << 32);
  x = ((x & 0xFFFF0000FFFF0000ull) >> 16) | ((x & 0x0000FFFF0000FFFFull) << 16);
  return x;
}

inline void storeBits32(unsigned char* p, std::uint32_t w) {
  // Two units, each little-endian, first unit first.
  p[0] = static_cast<unsigned char>(w >> 16);
  p[1] = static_cast<unsigned char>(w >> 24);
  p[2] = static_cast<unsigned char>(w);
  p[3] = static_cast<unsigned char>(w >> 8);
}

struct Header {
  std::uint32_t plainSize = 0;
  std::uint16_t maxRank = 0;
  unsigned selectorBits = 0;
  std::array<unsigned, 4> bits{};
  std::array<unsigned, 4> start{};  // class starts, 8-bit arithmetic
  std::size_t codeOffset = 0;
};

// What a reader may take from a header it cannot trust. MaxRank must address the 256
// entries; a selector picks one of the four classes; a class width must leave room for
// the selector, its offset and a fresh 16-bit word in the 64-bit bit buffer.
constexpr unsigned kMaxClassBits = 31;

// The table-driven reader. One 12-bit peek names the first symbol and its length; for
// text, a second table gives every whole symbol inside the peek (short codes come up to
// four at a time); for long codes the length follows from the selector alone, which keeps
// the dependency chain from one code to the next short.
constexpr unsigned kPeek = 12;
constexpr std::size_t kFastMinOut = 2048;

struct FastTables {
  struct Single {
    unsigned char sym;
    std::uint8_t len;
  };
  struct Multi {
    unsigned char sym[4];
    std::uint8_t count;  // whole symbols in the peek
    std::uint8_t bits;   // bits they take
    std::uint8_t pad[2];
  };
  static_assert(sizeof(Multi) == 8);

  FastTables(const Header& h, const std::array<unsigned char, 256>& sym, bool wantMulti) {
    const unsigned classes = 1u << h.selectorBits;
    for (unsigned v = 0; v < (1u << kPeek); ++v) {
      const unsigned k = (v >> (kPeek - h.selectorBits)) & (classes - 1);
      const unsigned len = h.selectorBits + h.bits[k];
      const unsigned off = (v >> (kPeek - len)) & ((1u << h.bits[k]) - 1u);
      single[v] = Single{sym[(h.start[k] + off) & 0xFFu], static_cast<std::uint8_t>(len)};
      sym1[v] = single[v].sym;
    }
    alu = h.selectorBits == 2 && !wantMulti;
    for (unsigned k = 0; k < 4; ++k) lens |= static_cast<std::uint64_t>(2 + h.bits[k]) << (8 * k);
    if (alu) return;
    for (unsigned v = 0; v < (1u << kPeek); ++v) {
      Multi e{};
      unsigned used = 0;
      while (e.count < 4) {
        const Single& one = single[(v << used) & ((1u << kPeek) - 1u)];
        if (one.len > kPeek - used) break;
        e.sym[e.count++] = one.sym;
        used += one.len;
      }
      e.bits = static_cast<std::uint8_t>(used);
      multi[v] = e;
    }
  }

  std::array<Single, 1u << kPeek> single;
  std::array<unsigned char, 1u << kPeek> sym1;
  std::array<Multi, 1u << kPeek> multi;
  std::uint64_t lens = 0;  // code length of class k in byte k (two-bit selectors)
  bool alu = false;
};

struct Lane {
  std::uint64_t bitPos = 0;
  unsigned char* out = nullptr;
  std::size_t produced = 0;
};

// Up to sixteen symbols from 49 fresh bits. Needs eight readable bytes at the unit of
// bitPos and sixteen writable bytes at out + produced.
inline void groupMulti(const FastTables& t, const unsigned char* code, Lane& l) {
  std::uint64_t v = loadBits64(code + (l.bitPos >> 4) * 2) << (l.bitPos & 15);
  unsigned used = 0;
  for (int r = 0; r < 4; ++r) {
    const FastTables::Multi& e = t.multi[v >> (64 - kPeek)];
    std::memcpy(l.out + l.produced, e.sym, 4);
    l.produced += e.count;
    v <<= e.bits;
    used += e.bits;
  }
  l.bitPos += used;
}

inline void groupAlu(const FastTables& t, const unsigned char* code, Lane& l) {
  std::uint64_t v = loadBits64(code + (l.bitPos >> 4) * 2) << (l.bitPos & 15);
  unsigned used = 0;
  for (int r = 0; r < 4; ++r) {
    l.out[l.produced + static_cast<std::size_t>(r)] = t.sym1[v >> (64 - kPeek)];
    const unsigned len = static_cast<unsigned>(t.lens >> ((v >> 59) & 24)) & 63u;
    v <<= len;
    used += len;
  }
  l.produced += 4;
  l.bitPos += used;
}

// One symbol, only when its bits are really there (an odd last byte reads as a word
// whose second byte is zero).
inline bool stepOne(const FastTables& t, const unsigned char* code, std::size_t codeBytes, std::uint64_t availBits,
                    Lane& l) {
  if (l.bitPos >= availBits) return false;
  const std::size_t at = static_cast<std::size_t>((l.bitPos >> 4) * 2);
  std::uint64_t v;
  if (at + 8 <= codeBytes) {
    v = loadBits64(code + at);
  } else {
    unsigned char buf[8] = {};
    std::memcpy(buf, code + at, codeBytes - at);
    v = loadBits64(buf);
  }
  v <<= (l.bitPos & 15);
  const FastTables::Single& e = t.single[v >> (64 - kPeek)];
  if (l.bitPos + e.len > availBits) return false;
  l.out[l.produced++] = e.sym;
  l.bitPos += e.len;
  return true;
}

// Large streams are read by four lanes at once: lanes 1..3 start at fixed points of the
// code bits, on guessed boundaries, and record where their first symbols begin. A prefix
// code falls back into step within a few symbols, so the lane before lands on one of those
// boundaries soon after; from there on both read the same symbols, and the outputs join
// at the meeting points. Independent chains keep the processor busy where one stalls on
// each table lookup. Where two lanes never meet, the stream is read again by one lane.
constexpr std::size_t kLanesMinOut = 1u << 16;
constexpr std::size_t kLanesMinCode = 1u << 14;
constexpr int kLanes = 4;
constexpr std::size_t kRecorded = 256;

template <bool Alu>
std::size_t decodeLanes(const FastTables& t, const unsigned char* code, std::size_t codeBytes, std::uint64_t codeBits,
                        unsigned minCost, unsigned maxCost, unsigned char* out, std::size_t outSize) {
  auto group = [&](Lane& l) {
    if constexpr (Alu)
      groupAlu(t, code, l);
    else
      groupMulti(t, code, l);
  };
  auto oneLane = [&]() {
    Lane a{0, out, 0};
    while (a.produced + 16 <= outSize && (a.bitPos >> 4) * 2 + 8 <= codeBytes) group(a);
    while (a.produced < outSize && stepOne(t, code, codeBytes, codeBits, a)) {
    }
    return a.produced;
  };
  if (outSize < kLanesMinOut || codeBytes < kLanesMinCode) return oneLane();

  std::array<Lane, kLanes> lane;
  std::array<std::uint64_t, kLanes + 1> begin;  // bit where each lane starts; the last entry ends the code
  std::array<std::size_t, kLanes> cap;
  std::array<std::unique_ptr<unsigned char[]>, kLanes> buf;
  std::array<std::array<std::uint64_t, kRecorded + 1>, kLanes> starts;
  std::array<std::size_t, kLanes> recorded{};
  for (int i = 0; i < kLanes; ++i) begin[i] = static_cast<std::uint64_t>(codeBytes / kLanes * i) * 8;
  begin[kLanes] = codeBits;
  // A lane reads its share and then up to the recorded starts of the next one.
  const std::uint64_t overlapBits = kRecorded * maxCost + 64;
  lane[0] = Lane{0, out, 0};
  cap[0] = outSize;
  for (int i = 1; i < kLanes; ++i) {
    const std::uint64_t bits = std::min<std::uint64_t>(codeBits, begin[i + 1] + overlapBits) - begin[i];
    cap[i] = static_cast<std::size_t>(std::min<std::uint64_t>(outSize + kRecorded, bits / minCost + kRecorded + 16));
    buf[i] = std::make_unique_for_overwrite<unsigned char[]>(cap[i] + 16);
    lane[i] = Lane{begin[i], buf[i].get(), 0};
    Lane& l = lane[i];
    while (recorded[i] < kRecorded) {
      starts[i][recorded[i]++] = l.bitPos;
      if (!stepOne(t, code, codeBytes, codeBits, l)) break;
    }
    if (recorded[i] == kRecorded) starts[i][recorded[i]++] = l.bitPos;
  }

  // Groups may not carry a lane past the start of the next one; the last lane reads on
  // to the end of the code.
  auto canGroup = [&](int i) {
    const Lane& l = lane[i];
    if (l.produced + 16 > cap[i]) return false;
    if (i + 1 < kLanes) return l.bitPos + 48 <= begin[i + 1];
    return (l.bitPos >> 4) * 2 + 8 <= codeBytes;
  };
  while (canGroup(0) && canGroup(1) && canGroup(2) && canGroup(3)) {
    group(lane[0]);
    group(lane[1]);
    group(lane[2]);
    group(lane[3]);
  }
  for (int i = 0; i < kLanes; ++i)
    while (canGroup(i)) group(lane[i]);
  {
    Lane& last = lane[kLanes - 1];
    while (last.produced < cap[kLanes - 1] && stepOne(t, code, codeBytes, codeBits, last)) {
    }
  }

  // Each lane steps on until it stands where the next one recorded a start.
  std::array<std::size_t, kLanes> from{};  // first symbol of each lane's buffer that counts
  std::array<std::size_t, kLanes> upto{};  // symbols of each lane that count
  for (int i = 0; i + 1 < kLanes; ++i) {
    Lane& l = lane[i];
    const auto& st = starts[i + 1];
    std::size_t j = 0;
    bool met = false;
    for (;;) {
      while (j < recorded[i + 1] && st[j] < l.bitPos) ++j;
      if (j == recorded[i + 1]) break;
      if (st[j] == l.bitPos) {
        met = true;
        break;
      }
      if (l.produced >= cap[i] || !stepOne(t, code, codeBytes, codeBits, l)) break;
    }
    if (i == 0 && l.produced >= outSize) return outSize;  // the first lane alone filled the output
    if (!met) return oneLane();
    upto[i] = l.produced;
    from[i + 1] = j;
  }
  upto[kLanes - 1] = lane[kLanes - 1].produced;

  std::size_t total = upto[0];
  for (int i = 1; i < kLanes && total < outSize; ++i) {
    const std::size_t avail = upto[i] > from[i] ? upto[i] - from[i] : 0;
    const std::size_t n = std::min(avail, outSize - total);
    std::memcpy(out + total, buf[i].get() + from[i], n);
    total += n;
    if (upto[i] < from[i]) break;
  }
  return total;
}

std::size_t decodeFast(const FastTables& t, const unsigned char* code, std::size_t codeBytes, std::uint64_t codeBits,
                       unsigned minCost, unsigned maxCost, unsigned char* out, std::size_t outSize) {
  if (t.alu) return decodeLanes<true>(t, code, codeBytes, codeBits, minCost, maxCost, out, outSize);
  return decodeLanes<false>(t, code, codeBytes, codeBits, minCost, maxCost, out, outSize);
}
}  // namespace

TDeltaCode::TDeltaCode() { ResetCharTable(); }

TDeltaCode::~TDeltaCode() = default;

void TDeltaCode::ResetCharTable() {
  for (std::size_t i = 0; i < 256; ++i) CharTable[i] = TCharEntry{static_cast<std::uint8_t>(i), 0, 0};
}

Status TDeltaCode::Encode() {
  try {
    CodedStream.clear();
    ResetCharTable();
    const std::size_t n = PlainStream.size();
    if (n > kMaxPlainSize) throw std::bad_alloc();
    const auto* in = reinterpret_cast<const unsigned char*>(PlainStream.data());

    // Counting pass; four tables break the store-to-load chain on runs of one byte.
    {
      std::array<std::array<std::uint32_t, 256>, 4> c{};
      std::size_t i = 0;
      for (; i + 4 <= n; i += 4) {
        ++c[0][in[i]];
        ++c[1][in[i + 1]];
        ++c[2][in[i + 2]];
        ++c[3][in[i + 3]];
      }
      for (; i < n; ++i) ++c[0][in[i]];
      for (std::size_t s = 0; s < 256; ++s)
        CharTable[s].count = static_cast<std::int32_t>(c[0][s] + c[1][s] + c[2][s] + c[3][s]);
    }

    quickSort(CharTable, 0, 255);

    MaxRank = 0;
    for (std::size_t i = 0; i < 256; ++i) {
      if (CharTable[i].count == 0) break;
      MaxRank = static_cast<std::uint16_t>(i);
      CharTable[CharTable[i].symbol].rank = static_cast<std::uint8_t>(i);
    }
    SelectorBits = 2;
    ClassBits = {1, 3, 5, class3Bits(MaxRank)};
    const unsigned b3 = ClassBits[3];

    // Code of every byte value: selector and offset, as (value, length).
    std::array<std::uint32_t, 256> codeValue{};
    std::array<std::uint8_t, 256> codeLen{};
    for (std::size_t s = 0; s < 256; ++s) {
      const unsigned r = CharTable[s].rank;
      if (r <= 1) {
        codeValue[s] = r;
        codeLen[s] = 3;
      } else if (r <= 9) {
        codeValue[s] = (1u << 3) | (r - 2);
        codeLen[s] = 5;
      } else if (r <= 41) {
        codeValue[s] = (2u << 5) | (r - 10);
        codeLen[s] = 7;
      } else {
        codeValue[s] = (3u << b3) | (r - 42);
        codeLen[s] = static_cast<std::uint8_t>(b3 + 2);
      }
    }

    const std::size_t tableEnd = kBdcHeaderSize + MaxRank + 1u;
    // Worst case 10 bits a byte, plus room for whole 32-bit stores.
    const std::size_t maxCode = (n * 10 + 15) / 16 * 2 + 8;
    CodedStream.assign(tableEnd + maxCode, '\0');
    char* hdr = CodedStream.data();
    std::memcpy(hdr, "BDC1", 4);
    putU32(hdr + kOffPlainSize, static_cast<std::uint32_t>(n));
    putU16(hdr + kOffMaxRank, MaxRank);
    hdr[kOffSelectorBits] = static_cast<char>(SelectorBits);
    for (std::size_t k = 0; k < 4; ++k) hdr[kOffClassBits + k] = static_cast<char>(ClassBits[k]);
    for (std::size_t i = 0; i <= MaxRank; ++i) hdr[kBdcHeaderSize + i] = static_cast<char>(CharTable[i].symbol);

    // Code pass: bits gather right-aligned in a 64-bit accumulator and leave 32 at a time.
    auto* out = reinterpret_cast<unsigned char*>(CodedStream.data()) + tableEnd;
    unsigned char* const outStart = out;
    std::uint64_t acc = 0;
    unsigned pending = 0;
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
      // Three codes are at most 30 bits: with fewer than 32 pending the accumulator holds them.
      const unsigned a = in[i], b = in[i + 1], c = in[i + 2];
      acc = (acc << codeLen[a]) | codeValue[a];
      acc = (acc << codeLen[b]) | codeValue[b];
      acc = (acc << codeLen[c]) | codeValue[c];
      pending += codeLen[a] + codeLen[b] + codeLen[c];
      if (pending >= 32) {
        pending -= 32;
        storeBits32(out, static_cast<std::uint32_t>(acc >> pending));
        out += 4;
      }
    }
    for (; i < n; ++i) {
      const unsigned a = in[i];
      acc = (acc << codeLen[a]) | codeValue[a];
      pending += codeLen[a];
      if (pending >= 32) {
        pending -= 32;
        storeBits32(out, static_cast<std::uint32_t>(acc >> pending));
        out += 4;
      }
    }
    // The last unit is filled with zero bits; a half-used 32-bit group gives one word.
    if (pending > 0) {
      const std::uint32_t w = static_cast<std::uint32_t>(acc << (32 - pending));
      storeBits32(out, w);
      out += pending > 16 ? 4 : 2;
    }
    const std::size_t total = tableEnd + static_cast<std::size_t>(out - outStart);
    CodedStream.resize(total);
    putU32(CodedStream.data() + kOffTotalSize, static_cast<std::uint32_t>(total));
    return Status::success();
  } catch (const std::bad_alloc&) {
    CodedStream.clear();
    return Status::failure(kMsgEncodeFailed, ENOMEM);
  }
}

Status TDeltaCode::Decode() { return DecodeChecked() ? Status::success() : Status::failure(Msg); }

bool TDeltaCode::DecodeChecked() {
  PlainStream.clear();
  Msg = kMsgBadFormat;
  const auto* s = reinterpret_cast<const unsigned char*>(CodedStream.data());
  const std::size_t size = CodedStream.size();

  static constexpr char kMagic[4] = {'B', 'D', 'C', '1'};
  for (std::size_t i = 0; i < 4; ++i)
    if (i >= size || s[i] != static_cast<unsigned char>(kMagic[i])) return false;

  Msg = kMsgBadRecordedSize;
  if (size < 8 || getU32(s + kOffTotalSize) != size) return false;

  // From here on the header is taken apart only as far as it can be believed: a header
  // that cannot describe a stream of this size is refused as a format error.
  Header h;
  if (size < kBdcHeaderSize + 1) {
    Msg = kMsgBadFormat;
    return false;
  }
  h.plainSize = getU32(s + kOffPlainSize);
  h.maxRank = static_cast<std::uint16_t>(s[kOffMaxRank] | (s[kOffMaxRank + 1] << 8));
  h.selectorBits = s[kOffSelectorBits];
  for (std::size_t k = 0; k < 4; ++k) h.bits[k] = s[kOffClassBits + k];
  h.codeOffset = kBdcHeaderSize + h.maxRank + 1u;
  bool sane = h.maxRank <= 255 && h.codeOffset <= size && h.selectorBits >= 1 && h.selectorBits <= 2;
  for (unsigned b : h.bits) sane = sane && b <= kMaxClassBits;
  if (!sane) {
    Msg = kMsgBadFormat;
    return false;
  }
  MaxRank = h.maxRank;
  SelectorBits = static_cast<std::uint8_t>(h.selectorBits);
  for (std::size_t k = 0; k < 4; ++k) ClassBits[k] = static_cast<std::uint8_t>(h.bits[k]);

  // Class starts in 8-bit arithmetic, as stored streams were always read.
  auto pow8 = [](unsigned b) -> unsigned { return b >= 8 ? 0u : (1u << b); };
  const unsigned end0 = (pow8(h.bits[0]) - 1u) & 0xFFu;
  const unsigned end1 = (end0 + pow8(h.bits[1])) & 0xFFu;
  const unsigned end2 = (end1 + pow8(h.bits[2])) & 0xFFu;
  h.start = {0u, (end0 + 1u) & 0xFFu, (end1 + 1u) & 0xFFu, (end2 + 1u) & 0xFFu};

  ResetCharTable();
  for (std::size_t i = 0; i <= h.maxRank; ++i) CharTable[i].symbol = s[kBdcHeaderSize + i];
  std::array<unsigned char, 256> sym;
  for (std::size_t i = 0; i < 256; ++i) sym[i] = CharTable[i].symbol;

  const unsigned classes = 1u << h.selectorBits;
  unsigned minCost = 64, maxCost = 0;
  for (unsigned k = 0; k < classes; ++k) {
    minCost = std::min(minCost, h.selectorBits + h.bits[k]);
    maxCost = std::max(maxCost, h.selectorBits + h.bits[k]);
  }

  // The code section yields at most one symbol per minCost bits; the output is never sized
  // beyond that, whatever size the header claims.
  const std::size_t codeBytes = size - h.codeOffset;
  const std::uint64_t codeBits = static_cast<std::uint64_t>((codeBytes + 1) / 2) * 16;
  const std::uint64_t maxYield = codeBits / minCost;
  const std::size_t target = h.plainSize;
  const std::size_t outSize = static_cast<std::size_t>(std::min<std::uint64_t>(target, maxYield));

  // Slack for the fast loop's unconditional stores.
  constexpr std::size_t kSlack = 16;
  PlainStream.assign(outSize + kSlack, '\0');
  auto* out = reinterpret_cast<unsigned char*>(PlainStream.data());
  std::size_t produced = 0;
  const unsigned char* code = s + h.codeOffset;

  // Small streams (result files, settings) are not worth building the tables for.
  if (outSize >= kFastMinOut && maxCost <= 12) {
    // The average code length is known before decoding: long codes gain nothing from the
    // multi-symbol table.
    const bool shortCodes = codeBits < static_cast<std::uint64_t>(outSize) * 7;
    const FastTables tables(h, sym, shortCodes);
    produced = decodeFast(tables, code, codeBytes, codeBits, minCost, maxCost, out, outSize);
  } else if (target > 0 || codeBytes > 0) {
    // The reader as the format describes it, word by word; serves any legal widths.
    std::uint64_t buffer = 0;
    unsigned valid = 0;
    std::int64_t remaining = static_cast<std::int64_t>(target);
    std::size_t pos = 0;
    const unsigned mask = classes - 1;
    while (pos < codeBytes) {
      unsigned word = code[pos];
      if (pos + 1 < codeBytes) word |= static_cast<unsigned>(code[pos + 1]) << 8;
      pos += 2;
      buffer = (buffer << 16) | word;
      valid += 16;
      bool done = false;
      while (valid >= h.selectorBits) {
        const unsigned k = static_cast<unsigned>(buffer >> (valid - h.selectorBits)) & mask;
        const unsigned len = h.selectorBits + h.bits[k];
        if (valid < len) break;
        const std::uint64_t off = (buffer >> (valid - len)) & ((std::uint64_t{1} << h.bits[k]) - 1u);
        valid -= len;
        buffer &= valid == 0 ? 0 : (~std::uint64_t{0} >> (64 - valid));
        if (produced < outSize) out[produced] = sym[(h.start[k] + off) & 0xFFu];
        ++produced;
        if (--remaining == 0) {
          done = true;
          break;
        }
      }
      if (done || remaining <= 0) break;
    }
    if (remaining != 0) {
      // Produced more than recorded (a header claiming nothing over code words) or fewer.
      produced = remaining < 0 ? target + 1 : produced;
    }
  }

  PlainStream.resize(outSize);
  Msg = kMsgBadReadSize;
  return produced == target;
}

std::string TDeltaCode::encode(std::string_view plain) {
  // Checked before the copy: a text the stream cannot record is never duplicated in memory.
  if (plain.size() > kMaxPlainSize) return {};
  TDeltaCode c;
  c.PlainStream.assign(plain);
  if (!c.Encode()) return {};
  return std::move(c.CodedStream);
}

Status TDeltaCode::decode(std::string_view coded, std::string& plain, std::string* msg) {
  TDeltaCode c;
  c.CodedStream.assign(coded);
  Status s = c.Decode();
  plain = std::move(c.PlainStream);
  if (msg) *msg = c.Msg;
  return s;
}

Status TStreamDeltaCode::SaveStreamToFile(const std::string& source, const std::string& fileName) {
  PlainStream = source;
  if (Status encoded = Encode(); !encoded) return encoded;
  return writeFileAtomic(fileName, CodedStream);
}

Status TStreamDeltaCode::LoadStreamFromFile(const std::string& fileName, std::string& dest) {
  if (Status read = readWholeFile(fileName, CodedStream); !read) return read;
  // Whatever came out, as the stream's callers expect; Msg keeps the reason.
  (void)Decode();
  dest.append(PlainStream);
  return Status::success();
}

}  // namespace ruvo::storage
