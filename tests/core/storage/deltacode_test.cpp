#include "core/storage/deltacode.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "bdcreference.h"
#include "support/tempdir.h"

namespace {

using ruvo::storage::TDeltaCode;

std::string bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s += static_cast<char>(b);
  return s;
}

unsigned u8(const std::string& s, std::size_t i) { return static_cast<unsigned char>(s[i]); }
unsigned u16(const std::string& s, std::size_t i) { return u8(s, i) | (u8(s, i + 1) << 8); }
std::uint32_t u32(const std::string& s, std::size_t i) { return u16(s, i) | (u16(s, i + 2) << 16); }

TEST(DeltaCode, AbcGivesTheThirtySevenBytes) {
  const std::string expected = bytes({'B',  'D',  'C',  '1',  37,  0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0,  //
                                      2,    0,    2,    1,    3,   5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                      0x63, 0x62, 0x61, 0x00, 0x41});
  EXPECT_EQ(TDeltaCode::encode("abc"), expected);
  std::string plain, msg;
  EXPECT_TRUE(TDeltaCode::decode(expected, plain, &msg));
  EXPECT_EQ(plain, "abc");
  EXPECT_EQ(msg, "読み出しデータのサイズが違います");  // the last check's text stays on success
}

TEST(DeltaCode, EmptyInputIsAHeaderAndOneTableByte) {
  TDeltaCode c;
  ASSERT_TRUE(c.Encode());
  EXPECT_EQ(c.CodedStream.size(), 33u);
  EXPECT_EQ(u32(c.CodedStream, 4), 33u);
  EXPECT_EQ(u16(c.CodedStream, 16), 0u);
  EXPECT_EQ(u8(c.CodedStream, 22), 6u);
  EXPECT_EQ(c.CodedStream, bdcref::encode(""));  // the unused table byte is what the sort left
  c.PlainStream = "junk";
  EXPECT_TRUE(c.Decode());
  EXPECT_TRUE(c.PlainStream.empty());
}

TEST(DeltaCode, HeaderShapeByDistinctValues) {
  struct Case {
    int distinct;
    unsigned maxRank, b3;
  };
  for (const Case& k : {Case{1, 0, 6}, Case{42, 41, 6}, Case{43, 42, 1}, Case{44, 43, 2}, Case{256, 255, 8}}) {
    std::string in;
    // Distinct counts make the ranks predictable: value i occurs i+1 times.
    for (int v = 0; v < k.distinct; ++v) in.append(static_cast<std::size_t>(v + 1), static_cast<char>(v));
    const std::string s = TDeltaCode::encode(in);
    SCOPED_TRACE(k.distinct);
    EXPECT_EQ(u16(s, 16), k.maxRank);
    EXPECT_EQ(u8(s, 22), k.b3);
    EXPECT_EQ(u8(s, 32), static_cast<unsigned>(k.distinct - 1));  // most frequent first
    EXPECT_EQ(s, bdcref::encode(in));
    std::string out;
    EXPECT_TRUE(TDeltaCode::decode(s, out));
    EXPECT_EQ(out, in);
  }
}

TEST(DeltaCode, TextTheHeaderCannotRecordGivesNoStream) {
  // Over 2 GiB of never-touched pages: the size is refused before a byte is read or copied.
  const std::size_t n = (std::size_t{1} << 31) + 1;
  void* p = ::mmap(nullptr, n, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(p, MAP_FAILED);
  const std::string coded = TDeltaCode::encode(std::string_view(static_cast<const char*>(p), n));
  ::munmap(p, n);
  EXPECT_TRUE(coded.empty());
}

TEST(DeltaCode, OneRepeatedByteCostsThreeBitsEach) {
  for (std::size_t n : {1u, 5u, 6u, 16u, 17u, 1000u, 4099u}) {
    const std::string s = TDeltaCode::encode(std::string(n, 'x'));
    const std::size_t words = (3 * n + 15) / 16;
    EXPECT_EQ(s.size(), 33 + 2 * words) << n;
    EXPECT_EQ(s.find_first_not_of('\0', 33), std::string::npos) << n;  // every code is 000
  }
}

TEST(DeltaCode, ReservedBytesAreZero) {
  const std::string s = TDeltaCode::encode("hello, world");
  EXPECT_EQ(s.substr(12, 4), std::string(4, '\0'));
  EXPECT_EQ(s.substr(23, 9), std::string(9, '\0'));
}

// Random inputs of many shapes: the output must equal the plain writer's byte for byte
// (tie order of the sort included) and decode back exactly.
TEST(DeltaCode, RoundTripMatchesThePlainWriter) {
  std::mt19937 rng(1234);
  std::vector<std::string> inputs = {"", std::string(1, '\0'), std::string(100000, '\xff')};
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  inputs.push_back(all);
  inputs.push_back(all + all + "tail");
  for (int n = 0; n < 300; ++n) {
    const int len = static_cast<int>(rng() % (n < 200 ? 200 : 70000));
    const int alphabet = 1 + static_cast<int>(rng() % 256);
    const int skew = static_cast<int>(rng() % 4);
    std::string in;
    for (int i = 0; i < len; ++i) {
      unsigned v = rng() % static_cast<unsigned>(alphabet);
      for (int s = 0; s < skew; ++s) v = std::min(v, static_cast<unsigned>(rng() % static_cast<unsigned>(alphabet)));
      if (rng() % 50 == 0) {
        in.append(rng() % 300, static_cast<char>(v));  // long runs
      } else {
        in += static_cast<char>(v);
      }
    }
    inputs.push_back(in);
  }
  for (const auto& in : inputs) {
    const std::string s = TDeltaCode::encode(in);
    ASSERT_EQ(s, bdcref::encode(in)) << "length " << in.size();
    std::string out;
    ASSERT_TRUE(TDeltaCode::decode(s, out));
    ASSERT_EQ(out, in);
  }
}

TEST(DeltaCode, ObjectIsReusableAcrossOperations) {
  TDeltaCode c;
  c.PlainStream = "first text, first text";
  ASSERT_TRUE(c.Encode());
  const std::string first = c.CodedStream;
  c.PlainStream = "zz";
  ASSERT_TRUE(c.Encode());
  EXPECT_EQ(c.CodedStream, TDeltaCode::encode("zz"));
  c.CodedStream = first;
  ASSERT_TRUE(c.Decode());
  EXPECT_EQ(c.PlainStream, "first text, first text");
}

// Streams a writer with other class widths would make: the reader takes the widths from
// the header and must agree with the plain reader.
TEST(DeltaCode, OtherLegalWidthsDecode) {
  std::string order;
  for (int i = 0; i < 200; ++i) order += static_cast<char>((i * 7 + 3) & 0xFF);
  std::mt19937 rng(99);
  std::string in;
  for (int i = 0; i < 5000; ++i) in += order[rng() % (rng() % 3 == 0 ? 200 : 12)];
  struct Case {
    std::uint8_t sel;
    std::array<std::uint8_t, 4> bits;
  };
  for (const Case& k : {Case{2, {1, 3, 5, 8}}, Case{2, {0, 2, 4, 8}}, Case{2, {2, 2, 2, 8}}, Case{2, {3, 3, 4, 8}},
                        Case{2, {0, 0, 0, 8}}, Case{2, {4, 5, 6, 14}}, Case{2, {7, 6, 3, 20}}, Case{1, {2, 8, 0, 0}},
                        Case{1, {7, 8, 0, 0}}, Case{2, {1, 3, 5, 31}}}) {
    bdcref::Widths w;
    w.selector = k.sel;
    w.bits = k.bits;
    const std::string s = bdcref::encodeWith(in, w, order);
    const auto ref = bdcref::decode(s);
    SCOPED_TRACE(::testing::Message() << int(k.sel) << ":" << int(k.bits[0]) << "," << int(k.bits[1]) << ","
                                      << int(k.bits[2]) << "," << int(k.bits[3]));
    ASSERT_TRUE(ref.ok);
    ASSERT_EQ(ref.plain, in);
    std::string out;
    EXPECT_TRUE(TDeltaCode::decode(s, out));
    EXPECT_EQ(out, in);
  }
}

struct Hostile {
  const char* what;
  std::string stream;
  const char* msg;
  std::size_t maxPlain;  // the output may never be larger
};

std::string withHeader(std::string s, std::size_t at, std::initializer_list<int> v) {
  for (int b : v) s[at++] = static_cast<char>(b);
  return s;
}
std::string fixTotal(std::string s) {
  bdcref::put32(s, 4, static_cast<std::uint32_t>(s.size()));
  return s;
}

TEST(DeltaCode, HostileHeadersAreRefusedWithoutHarm) {
  const std::string abc = TDeltaCode::encode("abc");
  const std::string text = TDeltaCode::encode("the quick brown fox jumps over the lazy dog, 0123456789 times");
  const char* kFormat = "データの形式が違います";
  const char* kRecorded = "記録データのサイズが違います";
  const char* kRead = "読み出しデータのサイズが違います";
  std::vector<Hostile> cases = {
      {"empty", "", kFormat, 0},
      {"magic only partly", "BD", kFormat, 0},
      {"wrong version", withHeader(abc, 3, {'2'}), kFormat, 0},
      {"lower-case magic", withHeader(abc, 0, {'b'}), kFormat, 0},
      {"magic and nothing else", "BDC1", kRecorded, 0},
      {"total size short", withHeader(abc, 4, {36}), kRecorded, 0},
      {"total size long", withHeader(abc, 4, {38}), kRecorded, 0},
      {"cut inside the code words", text.substr(0, text.size() - 1), kRecorded, 0},
      {"cut inside the header", fixTotal(abc.substr(0, 20)), kFormat, 0},
      {"MaxRank 256", fixTotal(withHeader(abc + std::string(300, 'x'), 16, {0, 1})), kFormat, 0},
      {"MaxRank 65535", fixTotal(withHeader(abc, 16, {0xFF, 0xFF})), kFormat, 0},
      {"table longer than the stream", fixTotal(withHeader(abc, 16, {10, 0})), kFormat, 0},
      {"selector width 0", withHeader(abc, 18, {0}), kFormat, 0},
      {"selector width 3", withHeader(abc, 18, {3}), kFormat, 0},
      {"class width 200", withHeader(abc, 22, {200}), kFormat, 0},
      {"class width 64", withHeader(abc, 19, {64}), kFormat, 0},
      {"class width 32", withHeader(abc, 21, {32}), kFormat, 0},
      {"4 GB recorded in 37 bytes", withHeader(abc, 8, {0xFF, 0xFF, 0xFF, 0xFF}), kRead, 6},
      {"recorded size one more than the code holds", withHeader(abc, 8, {6}), kRead, 6},
      {"nothing recorded but code words follow", withHeader(abc, 8, {0}), kRead, 0},
      {"no code words for three bytes", fixTotal(abc.substr(0, 35)), kRead, 0},
      {"zero-width classes, huge size", withHeader(withHeader(abc, 8, {0xFF, 0xFF, 0xFF, 0x7F}), 19, {0, 0, 0, 0}),
       kRead, 8},
  };
  for (const Hostile& h : cases) {
    SCOPED_TRACE(h.what);
    TDeltaCode c;
    c.CodedStream = h.stream;
    EXPECT_FALSE(c.Decode());
    EXPECT_EQ(c.Msg, h.msg);
    EXPECT_LE(c.PlainStream.size(), h.maxPlain);
  }
}

TEST(DeltaCode, ShortCodeSectionKeepsWhatWasRead) {
  std::string in(64, 'a');
  in += "bcd";
  std::string s = TDeltaCode::encode(in);
  s = fixTotal(s.substr(0, s.size() - 2));
  TDeltaCode c;
  c.CodedStream = s;
  EXPECT_FALSE(c.Decode());
  EXPECT_EQ(c.Msg, "読み出しデータのサイズが違います");
  ASSERT_GE(c.PlainStream.size(), 60u);
  EXPECT_EQ(c.PlainStream.substr(0, 60), std::string(60, 'a'));
}

TEST(DeltaCode, OddLastByteAndTrailingWordsAreTolerated) {
  // A writer never leaves an odd code byte or extra words; the reader ignores what comes
  // after the recorded number of bytes and reads a lone last byte as a short word.
  std::string s = TDeltaCode::encode("abc");
  std::string extended = fixTotal(s + std::string("\x12\x34\x56", 3));
  std::string out;
  EXPECT_TRUE(TDeltaCode::decode(extended, out));
  EXPECT_EQ(out, "abc");
  const auto ref = bdcref::decode(extended);
  EXPECT_TRUE(ref.ok);
}

// Random code sections under random headers: the table-driven reader must produce what
// the word-by-word reader produces, result, text and bytes alike.
TEST(DeltaCode, FastReaderAgreesWithThePlainReader) {
  std::mt19937 rng(7);
  for (int n = 0; n < 3000; ++n) {
    const unsigned maxRank = rng() % 256;
    const std::size_t codeBytes = n % 4 == 0 ? rng() % 2500 : rng() % 64;
    std::string s(32 + maxRank + 1 + codeBytes, '\0');
    s.replace(0, 4, "BDC1");
    for (std::size_t i = 32; i < s.size(); ++i) s[i] = static_cast<char>(rng());
    const std::uint32_t plain = rng() % 3 == 0 ? rng() % 8 : rng() % (codeBytes * 6 + 2);
    bdcref::put32(s, 8, plain);
    bdcref::put16(s, 16, maxRank);
    s[18] = static_cast<char>(1 + rng() % 2);
    for (int k = 0; k < 4; ++k) s[19 + k] = static_cast<char>(rng() % 3 == 0 ? rng() % 16 : rng() % 9);
    s = fixTotal(s);
    const auto ref = bdcref::decode(s);
    TDeltaCode c;
    c.CodedStream = s;
    const bool ok = c.Decode().ok();
    ASSERT_EQ(ok, ref.ok) << n;
    ASSERT_EQ(c.Msg, ref.msg) << n;
    ASSERT_LE(c.PlainStream.size(), ref.plain.size()) << n;
    ASSERT_EQ(c.PlainStream, ref.plain.substr(0, c.PlainStream.size())) << n;
    ASSERT_EQ(ref.plain.find_first_not_of('\0', c.PlainStream.size()), std::string::npos) << n;
  }
}

}  // namespace

// Large streams are read in two lanes that must meet; damaged ones (bits flipped in the
// middle, where the second lane starts) must still read exactly as the plain reader does.
TEST(DeltaCode, LargeAndDamagedStreamsReadAsThePlainReader) {
  std::mt19937 rng(5);
  for (int n = 0; n < 24; ++n) {
    std::string in(70000 + rng() % 200000, '\0');
    const unsigned alphabet = n % 3 == 0 ? 256 : 1 + rng() % 80;
    for (auto& c : in) c = static_cast<char>(std::min(rng() % alphabet, rng() % alphabet));
    std::string s = TDeltaCode::encode(in);
    if (n % 2 == 1) {
      const std::size_t code = 33 + u16(s, 16);
      for (int f = 0; f < 1 + n; ++f) s[code + rng() % (s.size() - code)] ^= static_cast<char>(1u << (rng() % 8));
      if (n % 4 == 3) s = fixTotal(s.substr(0, s.size() - rng() % 1000));
    }
    const auto ref = bdcref::decode(s);
    TDeltaCode c;
    c.CodedStream = s;
    ASSERT_EQ(c.Decode().ok(), ref.ok) << n;
    ASSERT_EQ(c.PlainStream, ref.plain.substr(0, c.PlainStream.size())) << n;
    ASSERT_EQ(ref.plain.find_first_not_of('\0', c.PlainStream.size()), std::string::npos) << n;
    if (n % 2 == 0) {
      ASSERT_EQ(c.PlainStream, in) << n;
    }
  }
}

// With codes of one fixed length the lanes of a large stream can only meet where their
// starting points are a whole number of codes apart; elsewhere the reader must notice
// and read the stream again in one lane.
TEST(DeltaCode, FixedLengthCodesDecodeWhereverTheLanesStart) {
  std::mt19937 rng(11);
  for (std::uint8_t b : {std::uint8_t{2}, std::uint8_t{3}, std::uint8_t{5}}) {
    const unsigned ranks = 4u << b;
    std::string order;
    for (unsigned i = 0; i < std::min(ranks, 256u); ++i) order += static_cast<char>((i * 13 + 1) & 0xFF);
    for (std::size_t len : {std::size_t{150001}, std::size_t{200003}}) {
      std::string in(len, '\0');
      for (auto& c : in) c = order[rng() % order.size()];
      bdcref::Widths w;
      w.bits = {b, b, b, b};
      const std::string s = bdcref::encodeWith(in, w, order);
      std::string out;
      SCOPED_TRACE(::testing::Message() << "width " << int(b) << " length " << len);
      EXPECT_TRUE(TDeltaCode::decode(s, out));
      EXPECT_EQ(out, in);
    }
  }
}

namespace {

// Every step on a file says which file and the system's reason; a damaged stream still loads
// what came out (the document reader decides), with the codec's status text in Msg.
TEST(StreamDeltaCode, FileStepsSayWhichFileAndWhy) {
  ruvo::testsupport::TempDir dir("stream");
  ruvo::storage::TStreamDeltaCode c;
  ASSERT_TRUE(c.SaveStreamToFile("{\\rtf1 x}", dir / "a.ruvo"));
  std::string back;
  ASSERT_TRUE(c.LoadStreamFromFile(dir / "a.ruvo", back));
  EXPECT_EQ(back, "{\\rtf1 x}");

  const std::pair<std::string, int> failing[] = {{dir / "none.ruvo", ENOENT}, {dir.path(), EISDIR}};
  for (const auto& [path, err] : failing) {
    std::string out;
    const ruvo::platform::Status s = c.LoadStreamFromFile(path, out);
    EXPECT_EQ(s.error(), err) << path;
    EXPECT_NE(s.message().find(path), std::string::npos) << s.message();
    EXPECT_NE(s.message().find(std::strerror(err)), std::string::npos) << s.message();
  }
  const ruvo::platform::Status w = c.SaveStreamToFile("x", dir / "no/such/folder.ruvo");
  EXPECT_EQ(w.error(), ENOENT);
  EXPECT_NE(w.message().find(dir / "no/such/folder.ruvo"), std::string::npos) << w.message();

  std::filesystem::resize_file(dir / "a.ruvo", 20);
  back.clear();
  EXPECT_TRUE(c.LoadStreamFromFile(dir / "a.ruvo", back));
  EXPECT_EQ(c.Msg, ruvo::storage::kMsgBadRecordedSize);
}

}  // namespace
