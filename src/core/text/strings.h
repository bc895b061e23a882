#pragma once
// Trimming, splitting, case folding and number parsing as the stored formats need them.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo::text {

// Trimming removes blanks and control characters: every byte up to 0x20.
std::string_view trimView(std::string_view s);
std::string trim(std::string_view s);
std::string trimLeft(std::string_view s);
std::string trimRight(std::string_view s);

// ASCII-only case folding (names and keys of the stored files are compared this way).
std::string asciiLower(std::string_view s);
std::string asciiUpper(std::string_view s);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
bool startsWith(std::string_view s, std::string_view prefix);
bool endsWith(std::string_view s, std::string_view suffix);
bool startsWithIgnoreCase(std::string_view s, std::string_view prefix);

// Splits on CRLF, LF or CR, as a string list reads a text. A final line break does not
// start another line; an empty text has no lines.
std::vector<std::string> splitLines(std::string_view text);
// Joins with CRLF after every line (the stored form of a string list).
std::string joinLinesCrlf(const std::vector<std::string>& lines);
std::vector<std::string> split(std::string_view s, char sep);
std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);

// Decimal integer as the toolkit's StrToIntDef reads it: optional blanks are not allowed,
// an optional sign, digits, or "$"/"0x" hex. Out of 32-bit range or not a number: nullopt.
std::optional<int> parseInt(std::string_view s);
int parseIntDef(std::string_view s, int def);

// Text for XML content and attribute values: & < > " escaped, control characters that XML 1.0
// does not allow turned into blanks.
std::string xmlEscape(std::string_view s);

}  // namespace ruvo::text
