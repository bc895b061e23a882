#pragma once
// Pieces of the result record and the result file that need no window.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/ports.h"
#include "core/platform/status.h"

namespace ruvo::app {

// "yyyy/mm/dd hh:nn:ss" with two-digit fields, whatever the locale: collection compares
// dates as text.
std::string FormatResultDate(const platform::DateTime& t);
// Parses that form back (also accepts single-digit fields); false when it is not a date.
bool ParseResultDate(const std::string& text, platform::DateTime& out);
// "yyyymmddhhnnss".
std::string FormatFileStamp(const platform::DateTime& t);
// Removes the characters a file name cannot hold: " * ? \ / : < > | and the full stop.
std::string SanitizeFileName(const std::string& name);
// The longest file name the file systems take, in bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;
// The result file name: stamp + sanitized name + ".ruvot". A name too long for a file
// system is shortened at a character boundary before the extension.
std::string ResultFileName(const platform::DateTime& t, const std::string& examineeName);
// fileName with the counter n: the name itself for 1, else "stem_n.ruvot", the stem
// shortened at a character boundary so that the whole name stays within kMaxFileNameBytes.
std::string NumberedFileName(const std::string& fileName, int n);
// The first counter whose numbered name (see NumberedFileName) is free in every folder
// given, and that name: the name itself, else "stem_2.ruvot", "stem_3.ruvot", ... This only
// proposes a name; WriteNewResultFile decides.
int FreeResultFileNumber(const std::string& fileName, const std::vector<std::string>& folders);
std::string UniqueResultFileName(const std::string& fileName, const std::vector<std::string>& folders);
// Writes bytes into folder as a new file: the numbered name of fileName with the counter
// number or, when another process has that name already, the next one free. A result file
// is never replaced: each name is claimed atomically. number receives the counter used.
inline constexpr int kMaxResultFileNumber = 100000;
platform::Status WriteNewResultFile(const std::string& folder, const std::string& fileName, std::string_view bytes,
                                    int& number);

// Appends one tab-separated column to the header and the value line; tabs and line breaks
// inside the value become blanks, so the two lines always keep their columns in step.
void AddColumn(std::string& header, std::string& values, const std::string& name, const std::string& value);
// A value as it goes into the value line (the first column, which AddColumn does not write).
std::string ResultField(const std::string& value);

}  // namespace ruvo::app
