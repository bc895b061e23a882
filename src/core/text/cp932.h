#pragma once
// Microsoft code page 932 <-> UTF-8. The tables come from glibc iconv's "CP932"
// (never "SHIFT_JIS": it maps 0x5C, 0x7E, 0x8160 and more differently).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ruvo::text {

// True for a byte that starts a double-byte CP932 character.
constexpr bool isCp932Lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// CP932 bytes -> UTF-8. Bytes that do not form a character decode to U+FFFD.
std::string cp932ToUtf8(std::string_view cp932);

// UTF-8 -> CP932 bytes. A character CP932 cannot hold (or invalid UTF-8) becomes
// `replacement` ("?" by default). *lossless, when given, tells whether nothing was replaced.
std::string utf8ToCp932(std::string_view utf8, bool* lossless = nullptr, char replacement = '?');

// The base letters of an accented Latin letter ("e" for U+00E9, "AE" for U+00C6), as the
// system's own conversion folds letters CP932 cannot hold; empty for anything else.
std::string_view latinBaseLetters(char32_t cp);

// CP932 code of one code point: 0..0xFF single byte, 0x8140.. double byte, -1 when unmappable.
int cp932Code(char32_t cp);
// Code point of one CP932 code (single byte or lead<<8|trail); U+FFFD when undefined.
char32_t cp932Decode(std::uint16_t code);

// Length in CP932 bytes of a UTF-8 text (unmappable characters count one, as "?").
std::size_t cp932Length(std::string_view utf8);

// The longest prefix of a UTF-8 text whose CP932 form has at most maxBytes bytes,
// never cutting a character.
std::string cutCp932(std::string_view utf8, std::size_t maxBytes);

// The same on CP932 bytes: at most maxBytes bytes, never splitting a double-byte character.
std::string_view cutCp932Bytes(std::string_view cp932, std::size_t maxBytes);

}  // namespace ruvo::text
