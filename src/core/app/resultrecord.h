#pragma once
// Pieces of the result record and the result file that need no window.
#include <string>
#include <vector>

#include "core/platform/ports.h"

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
// The result file name: stamp + sanitized name + ".ruvot".
std::string ResultFileName(const platform::DateTime& t, const std::string& examineeName);
// A name free in every folder given: the name itself, else "stem_2.ruvot", "stem_3.ruvot", ...
// A result file is never replaced. With claimIn (a folder shared by several machines), the
// name is also claimed there by creating an empty file exclusively; the caller replaces it.
std::string UniqueResultFileName(const std::string& fileName, const std::vector<std::string>& folders,
                                 const std::string& claimIn = {});

// Appends one tab-separated column to the header and the value line; tabs and line breaks
// inside the value become blanks, so the two lines always keep their columns in step.
void AddColumn(std::string& header, std::string& values, const std::string& name, const std::string& value);
// A value as it goes into the value line (the first column, which AddColumn does not write).
std::string ResultField(const std::string& value);

}  // namespace ruvo::app
