// The QR code of the room's address: the symbol's size for the addresses a room shows, the
// finder patterns in three corners, and the format bits a camera reads first (level M, the
// right way round).
#include "core/web/qrcode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using ruvo::web::TQrCode;

// The 15 format bits beside the top-left finder, or (second) along the other two finders,
// in the order a reader takes them.
int formatBits(const TQrCode& q, bool second) {
  const int w = q.Width();
  int bits = 0;
  auto take = [&](int x, int y) { bits = (bits << 1) | (q.Dark(x, y) ? 1 : 0); };
  if (!second) {
    for (int x = 0; x < 6; ++x) take(x, 8);
    take(7, 8);
    take(8, 8);
    take(8, 7);
    for (int y = 5; y >= 0; --y) take(8, y);
  } else {
    for (int y = w - 1; y >= w - 7; --y) take(8, y);
    for (int x = w - 8; x < w; ++x) take(x, 8);
  }
  return bits;
}

// The BCH(15,5) check of the format bits, after the fixed mask is taken off.
bool formatValid(int raw) {
  const int unmasked = raw ^ 0x5412;
  int rem = (unmasked >> 10) << 10;
  for (int bit = 14; bit >= 10; --bit)
    if (rem & (1 << bit)) rem ^= 0x537 << (bit - 10);
  return ((unmasked & ~0x3FF) | rem) == unmasked;
}

bool finderAt(const TQrCode& q, int left, int top) {
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 7; ++x) {
      const bool ring = x == 0 || y == 0 || x == 6 || y == 6;
      const bool core = x >= 2 && x <= 4 && y >= 2 && y <= 4;
      if (q.Dark(left + x, top + y) != (ring || core)) return false;
    }
  return true;
}

TEST(QrCode, SizeGrowsWithTheAddress) {
  struct Case {
    std::string text;
    int width;
  };
  // Byte mode at level M holds 14, 26, 42, 62 ... bytes in versions 1, 2, 3, 4 ...
  const Case cases[] = {
      {"http://a.b:80/", 21},  // 14 bytes
      {"http://10.0.0.5/", 25},
      {"http://192.168.1.20:8765/", 25},      // 25 bytes
      {"http://192.168.100.200:65535/", 29},  // 29 bytes
      {"http://[fe80::1234:5678:9abc:def0]:8765/", 29},
      {std::string(2331, 'a'), 177},  // the most version 40 holds at M
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    const TQrCode q = TQrCode::Encode(c.text);
    ASSERT_FALSE(q.Empty());
    EXPECT_EQ(q.Width(), c.width);
    EXPECT_EQ(q.Version(), (c.width - 17) / 4);
  }
}

TEST(QrCode, NothingToEncodeOrTooLongGivesNoSymbol) {
  EXPECT_TRUE(TQrCode::Encode("").Empty());
  EXPECT_TRUE(TQrCode::Encode(std::string(2332, 'a')).Empty());
  EXPECT_FALSE(TQrCode().Dark(0, 0));
}

TEST(QrCode, FinderPatternsFormatBitsAndTiming) {
  for (const std::string text : {"http://192.168.1.20:8765/", "http://教室.example:8765/?c=7Q2K", "x"}) {
    SCOPED_TRACE(text);
    const TQrCode q = TQrCode::Encode(text);
    ASSERT_FALSE(q.Empty());
    const int w = q.Width();
    EXPECT_TRUE(finderAt(q, 0, 0));
    EXPECT_TRUE(finderAt(q, w - 7, 0));
    EXPECT_TRUE(finderAt(q, 0, w - 7));
    EXPECT_FALSE(finderAt(q, w - 7, w - 7));
    // Light separators round the finders, and outside the symbol all is light.
    for (int i = 0; i < 8; ++i) {
      EXPECT_FALSE(q.Dark(7, i));
      EXPECT_FALSE(q.Dark(i, 7));
      EXPECT_FALSE(q.Dark(w - 8, i));
      EXPECT_FALSE(q.Dark(i, w - 8));
    }
    EXPECT_FALSE(q.Dark(-1, 0));
    EXPECT_FALSE(q.Dark(0, w));
    // The timing lines alternate between the finders.
    for (int i = 8; i < w - 8; ++i) {
      EXPECT_EQ(q.Dark(i, 6), i % 2 == 0) << i;
      EXPECT_EQ(q.Dark(6, i), i % 2 == 0) << i;
    }
    // Both copies of the format bits agree, pass their check and name level M (bits 00).
    const int bits = formatBits(q, false);
    EXPECT_EQ(formatBits(q, true), bits);
    EXPECT_TRUE(formatValid(bits)) << bits;
    EXPECT_EQ(((bits ^ 0x5412) >> 13) & 3, 0);
    // The dark module beside the bottom-left format bits.
    EXPECT_TRUE(q.Dark(8, w - 8));
  }
}

}  // namespace
