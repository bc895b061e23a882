#include <gtest/gtest.h>

#include "core/text/cp932.h"
#include "core/text/format.h"
#include "core/text/strings.h"
#include "core/text/utf8.h"

using namespace ruvo::text;

TEST(Cp932, RoundTripsJapaneseAndTheCodesShiftJisGetsWrong) {
  const std::string u = "日本語テキスト～＼abc\\~｡ｱ①Ⅰ";
  bool lossless = false;
  const std::string b = utf8ToCp932(u, &lossless);
  EXPECT_TRUE(lossless);
  EXPECT_EQ(cp932ToUtf8(b), u);
  // 0x5C and 0x7E stay ASCII; 0x8160 is the full-width tilde.
  EXPECT_EQ(cp932ToUtf8("\x5c\x7e"), "\\~");
  EXPECT_EQ(cp932ToUtf8("\x81\x60"), "～");
  EXPECT_EQ(utf8ToCp932("～"), "\x81\x60");
  // NEC-selected IBM duplicates are written as Windows writes them (the IBM codes).
  EXPECT_EQ(utf8ToCp932(cp932ToUtf8("\xed\x40")), "\xfa\x5c");
}

TEST(Cp932, LookAlikesAreWrittenWithTheCodesIconvWrites) {
  // Input methods type these; CP932 holds them under another code point, which is what
  // they read back as.
  struct Case {
    const char* typed;
    const char* bytes;
    const char* readBack;
  };
  for (const Case& c : {Case{"〜", "\x81\x60", "～"}, Case{"−", "\x81\x7c", "－"}, Case{"‖", "\x81\x61", "∥"},
                        Case{"¢", "\x81\x91", "￠"}, Case{"£", "\x81\x92", "￡"}, Case{"¬", "\x81\xca", "￢"},
                        Case{"—", "\x81\x5c", "―"}}) {
    bool lossless = false;
    EXPECT_EQ(utf8ToCp932(c.typed, &lossless), c.bytes) << c.typed;
    EXPECT_TRUE(lossless) << c.typed;
    EXPECT_EQ(cp932ToUtf8(c.bytes), c.readBack) << c.typed;
    EXPECT_EQ(cp932Length(c.typed), 2u) << c.typed;
  }
  // Folding onto ASCII would read back as another character: these stay unmappable.
  EXPECT_EQ(utf8ToCp932("¥‾"), "??");
}

TEST(Cp932, AccentedLatinLettersHaveTheirBaseLetters) {
  EXPECT_EQ(latinBaseLetters(U'é'), "e");
  EXPECT_EQ(latinBaseLetters(U'Í'), "I");
  EXPECT_EQ(latinBaseLetters(U'ñ'), "n");
  EXPECT_EQ(latinBaseLetters(U'Ł'), "L");
  EXPECT_EQ(latinBaseLetters(U'ǎ'), "a");
  EXPECT_EQ(latinBaseLetters(U'ệ'), "e");
  EXPECT_EQ(latinBaseLetters(U'Æ'), "AE");
  EXPECT_EQ(latinBaseLetters(U'ß'), "ss");
  for (char32_t notALetter : {U'×', U'÷', U'a', U'α', U'あ', U'\u0300'}) EXPECT_EQ(latinBaseLetters(notALetter), "");
}

TEST(Cp932, InvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(cp932ToUtf8("a\x81"), "a\uFFFD");       // lead byte at the end
  EXPECT_EQ(cp932ToUtf8("\x85\x40z"), "\uFFFD@z");  // undefined double-byte code
  EXPECT_EQ(cp932ToUtf8("\xa0"), "\uFFFD");
  EXPECT_EQ(utf8ToCp932("a😀b\xff"), "a?b?");
}

TEST(Cp932, LengthsAndCutsNeverSplitACharacter) {
  EXPECT_EQ(cp932Length("aあｱ"), 4u);
  EXPECT_EQ(cutCp932("abあい", 3), "ab");
  EXPECT_EQ(cutCp932("abあい", 4), "abあ");
  EXPECT_EQ(cutCp932Bytes("ab\x82\xa0", 3), "ab");
  EXPECT_EQ(cutCp932Bytes("ab\x82\xa0", 9), "ab\x82\xa0");
}

TEST(Strings, TrimRemovesEverythingUpToBlank) {
  EXPECT_EQ(trim("\t\x01 a b\r\n\x1f"), "a b");
  EXPECT_EQ(trim("　a"), "　a");  // a full-width space is not trimmed
  EXPECT_EQ(trim(""), "");
}

TEST(Strings, SplitLinesLikeAStringList) {
  EXPECT_EQ(splitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(splitLines("a\r\n"), (std::vector<std::string>{"a"}));
  EXPECT_EQ(splitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_TRUE(splitLines("").empty());
}

TEST(Strings, ParseInt) {
  EXPECT_EQ(parseIntDef("42", 0), 42);
  EXPECT_EQ(parseIntDef("-7", 0), -7);
  EXPECT_EQ(parseIntDef(" 4", 9), 9);
  EXPECT_EQ(parseIntDef("4x", 9), 9);
  EXPECT_EQ(parseIntDef("$1F", 0), 31);
  EXPECT_EQ(parseIntDef("99999999999", 5), 5);
  EXPECT_EQ(parseIntDef("-2147483648", 5), -2147483647 - 1);
}

TEST(Format, TheFormatsOfTheSystemsTexts) {
  EXPECT_EQ(format("%D", {42}), "42");
  EXPECT_EQ(format("%D:%.2D", {3, 5}), "3:05");
  EXPECT_EQ(format("%.2D", {123}), "123");
  EXPECT_EQ(format("%S=%S", {"key", "値"}), "key=値");
  EXPECT_EQ(format("%S=%D", {"n", -3}), "n=-3");
  EXPECT_EQ(format("%F", {2.0 / 3.0}), "0.67");
  EXPECT_EQ(format("%F", {0.125}), "0.13");  // the digit string is rounded half up
  EXPECT_EQ(format("%.0F", {2.5}), "3");
  EXPECT_EQ(format("%.0F", {1234.4}), "1234");
  EXPECT_EQ(format("%F", {-0.001}), "0.00");
  EXPECT_EQ(format("%F", {99.999}), "100.00");
  EXPECT_EQ(format("%d%%", {50}), "50%");
  EXPECT_EQ(format("%S ファイルを [ %0:S ]", {"Template"}), "Template ファイルを [ Template ]");
  EXPECT_EQ(format("%D %D", {1}), "1 ");  // a missing argument gives nothing
}

TEST(Format, RoundingHalvesToEven) {
  const std::pair<double, long long> cases[] = {{0.5, 0},   {1.5, 2},    {2.5, 2},    {-0.5, 0}, {-1.5, -2},
                                                {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {7.0, 7}};
  for (auto [v, r] : cases) EXPECT_EQ(roundHalfEven(v), r) << v;
  EXPECT_EQ(secondsFromMs(1500), 2);
  EXPECT_EQ(secondsFromMs(2500), 2);
  EXPECT_EQ(secondsFromMs(2501), 3);
  EXPECT_EQ(secondsFromMs(499), 0);
}

TEST(Utf8, InvalidSequencesAreReplaced) {
  EXPECT_EQ(sanitizeUtf8("a\xc3"), "a\uFFFD");
  EXPECT_EQ(codePointCount("aあ😀"), 3u);
  EXPECT_EQ(substrCodePoints("aあ😀b", 1, 2), "あ😀");
  EXPECT_FALSE(isValidUtf8("\xed\xa0\x80"));
  EXPECT_TRUE(isValidUtf8("\uFFFD"));
}
