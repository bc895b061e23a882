#pragma once
// The code pages RTF text bytes come in. CP932 and Windows-1252 are the ones our own
// files use and have fixed tables; any other Windows code page a document names
// (\ansicpgN, a Cyrillic or Chinese \fcharset) is decoded through iconv.
#include <cstdint>

namespace ruvo::rt {

// Windows-1252 byte -> code point. The five bytes Windows leaves undefined map to the C1
// controls of the same value, as Windows' own conversion does, so every byte round-trips.
char32_t cp1252Decode(std::uint8_t b);
// Code point -> Windows-1252 byte, -1 when the code page has no such character.
int cp1252Code(char32_t cp);

// The Windows code page of an RTF \fcharset; 0 when the charset names none (the
// document's \ansicpg applies).
int codepageOfCharset(int charset);

// A code page other than 932 and 1252, decoded through iconv's tables ("CP<n>", and the
// Mac code pages under their own names). Null when iconv does not know the code page.
class CodePage;
const CodePage* findCodePage(int codepage);
bool isLeadByte(const CodePage& cp, std::uint8_t b);
bool isDoubleByte(const CodePage& cp);
// U+FFFD when the byte or the pair is not a character.
char32_t decodeByte(const CodePage& cp, std::uint8_t b);
char32_t decodePair(const CodePage& cp, std::uint8_t lead, std::uint8_t trail);

}  // namespace ruvo::rt
