#pragma once
// The single-byte Western code page RTF readers and writers meet besides CP932.
#include <cstdint>

namespace ruvo::rt {

// Windows-1252 byte -> code point. The five bytes Windows leaves undefined map to the C1
// controls of the same value, as Windows' own conversion does, so every byte round-trips.
char32_t cp1252Decode(std::uint8_t b);
// Code point -> Windows-1252 byte, -1 when the code page has no such character.
int cp1252Code(char32_t cp);

}  // namespace ruvo::rt
