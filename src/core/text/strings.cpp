#include "core/text/strings.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace ruvo::text {

std::string_view trimView(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}
std::string trim(std::string_view s) { return std::string(trimView(s)); }
std::string trimLeft(std::string_view s) {
  std::size_t b = 0;
  while (b < s.size() && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  return std::string(s.substr(b));
}
std::string trimRight(std::string_view s) {
  std::size_t e = s.size();
  while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return std::string(s.substr(0, e));
}

std::string asciiLower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}
std::string asciiUpper(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}
static char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  return true;
}
bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }
bool endsWith(std::string_view s, std::string_view x) {
  return s.size() >= x.size() && s.substr(s.size() - x.size()) == x;
}
bool startsWithIgnoreCase(std::string_view s, std::string_view p) {
  return s.size() >= p.size() && equalsIgnoreCase(s.substr(0, p.size()), p);
}

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string joinLinesCrlf(const std::vector<std::string>& lines) {
  std::size_t n = 0;
  for (const auto& l : lines) n += l.size() + 2;
  std::string out;
  out.reserve(n);
  for (const auto& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

std::vector<std::string> split(std::string_view s, char sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t p = s.find(sep, start);
    if (p == std::string_view::npos) {
      parts.emplace_back(s.substr(start));
      return parts;
    }
    parts.emplace_back(s.substr(start, p - start));
    start = p + 1;
  }
}

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t p = s.find(from, start);
    if (p == std::string_view::npos) break;
    out.append(s.substr(start, p - start));
    out.append(to);
    start = p + from.size();
  }
  out.append(s.substr(start));
  return out;
}

std::optional<int> parseInt(std::string_view s) {
  if (s.empty()) return std::nullopt;
  std::size_t i = 0;
  bool neg = false;
  if (s[i] == '+' || s[i] == '-') neg = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16, ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16, i += 2;
  }
  if (i >= s.size()) return std::nullopt;
  long long v = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return std::nullopt;
    v = v * base + d;
    if (v > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (neg) v = -v;
  if (v > INT_MAX || v < INT_MIN) return std::nullopt;
  return static_cast<int>(v);
}

int parseIntDef(std::string_view s, int def) {
  auto v = parseInt(s);
  return v ? *v : def;
}

std::string xmlEscape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control characters are not allowed in XML 1.0 text.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
          out += ' ';
        else
          out += c;
    }
  }
  return out;
}

}  // namespace ruvo::text
