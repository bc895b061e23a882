#include "core/app/resultrecord.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "core/app/paths.h"
#include "core/storage/atomicfile.h"
#include "core/text/format.h"

namespace ruvo::app {

std::string FormatResultDate(const platform::DateTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buf;
}

bool ParseResultDate(const std::string& text, platform::DateTime& out) {
  platform::DateTime t;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d%c", &t.year, &t.month, &t.day, &t.hour,
                  &t.minute, &t.second, &tail) != 6)
    return false;
  if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 ||
      t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59)
    return false;
  out = t;
  return true;
}

std::string FormatFileStamp(const platform::DateTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buf;
}

std::string SanitizeFileName(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    switch (c) {
      case '"': case '*': case '?': case '\\': case '/': case ':': case '<': case '>': case '|':
      case '.':
        break;
      default:
        out += c;
    }
  }
  return out;
}

namespace {

// The longest prefix of s of at most n bytes that does not end inside a UTF-8 character.
std::string cutAtCharacter(const std::string& s, std::size_t n) {
  if (s.size() <= n) return s;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}

std::string fitted(const std::string& stem, const std::string& tail) {
  const std::size_t room = kMaxFileNameBytes > tail.size() ? kMaxFileNameBytes - tail.size() : 0;
  return cutAtCharacter(stem, room) + tail;
}

}  // namespace

std::string ResultFileName(const platform::DateTime& t, const std::string& examineeName) {
  return fitted(FormatFileStamp(t) + SanitizeFileName(examineeName), ".ruvot");
}

std::string NumberedFileName(const std::string& fileName, int n) {
  if (n <= 1) return fileName;
  return fitted(BaseNameOf(fileName), "_" + std::to_string(n) + ExtensionOf(fileName));
}

int FreeResultFileNumber(const std::string& fileName, const std::vector<std::string>& folders) {
  auto taken = [&](const std::string& n) {
    for (const auto& f : folders)
      if (!f.empty() && storage::fileExists(JoinPath(f, n))) return true;
    return false;
  };
  int i = 1;
  while (taken(NumberedFileName(fileName, i))) ++i;
  return i;
}

std::string UniqueResultFileName(const std::string& fileName, const std::vector<std::string>& folders) {
  return NumberedFileName(fileName, FreeResultFileNumber(fileName, folders));
}

platform::Status WriteNewResultFile(const std::string& folder, const std::string& fileName, std::string_view bytes,
                                    int& number) {
  // The name proposed may be taken by another examinee's run a moment later (a shared
  // collection folder, a distribution folder run by a whole class): claiming the name and
  // placing the content are one step, and a taken name moves on to the next counter.
  for (int i = std::max(number, 1); i < kMaxResultFileNumber; ++i) {
    platform::Status s = storage::createFileExclusive(JoinPath(folder, NumberedFileName(fileName, i)), bytes);
    if (s.ok()) number = i;
    if (s.ok() || s.error() != EEXIST) return s;
  }
  return platform::Status::fromErrno(EEXIST, "cannot write " + JoinPath(folder, fileName));
}

namespace {
// A tab or line break inside a value (a title with a tab, a pasted answer) would shift every
// later column or split the value line: such characters become blanks.
void appendField(std::string& line, const std::string& value) {
  for (char c : value) line += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
}
}  // namespace

void AddColumn(std::string& header, std::string& values, const std::string& name, const std::string& value) {
  header += '\t';
  appendField(header, name);
  values += '\t';
  appendField(values, value);
}

std::string ResultField(const std::string& value) {
  std::string out;
  appendField(out, value);
  return out;
}

}  // namespace ruvo::app
