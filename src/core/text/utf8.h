#pragma once
// Small UTF-8 helpers. Character positions in rich text count code points.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo::text {

// Decodes the code point at s[i] and advances i; invalid sequences give U+FFFD and advance one byte.
char32_t nextCodePoint(std::string_view s, std::size_t& i);
void appendUtf8(std::string& out, char32_t cp);
std::string toUtf8(std::u32string_view s);
std::u32string toUtf32(std::string_view s);

// Number of code points.
std::size_t codePointCount(std::string_view s);
// Byte offset of the code point with index `cp` (s.size() when past the end).
std::size_t byteOffsetOf(std::string_view s, std::size_t cp);
// Code points [start, start+count) of s.
std::string substrCodePoints(std::string_view s, std::size_t start, std::size_t count = std::string::npos);

// Replaces invalid sequences with U+FFFD.
std::string sanitizeUtf8(std::string_view s);
bool isValidUtf8(std::string_view s);

}  // namespace ruvo::text
