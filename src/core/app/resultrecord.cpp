#include "core/app/resultrecord.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/app/paths.h"
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

std::string ResultFileName(const platform::DateTime& t, const std::string& examineeName) {
  return FormatFileStamp(t) + SanitizeFileName(examineeName) + ".ruvot";
}

std::string UniqueResultFileName(const std::string& fileName, const std::vector<std::string>& folders,
                                 const std::string& claimIn) {
  auto taken = [&](const std::string& n) {
    for (const auto& f : folders)
      if (!f.empty() && FileExists(JoinPath(f, n))) return true;
    return false;
  };
  // Another examinee's machine may pick the same name in the shared folder at the same moment:
  // creating the file exclusively decides who has it.
  auto claim = [&](const std::string& n) {
    if (claimIn.empty()) return true;
    int fd = ::open(JoinPath(claimIn, n).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    return errno != EEXIST;  // an unwritable folder is reported by the save itself
  };
  const std::string stem = BaseNameOf(fileName), ext = ExtensionOf(fileName);
  for (int i = 1;; ++i) {
    std::string n = i == 1 ? fileName : stem + "_" + std::to_string(i) + ext;
    if (!taken(n) && claim(n)) return n;
  }
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
