#include "core/web/richhtml.h"

#include <cstdio>

namespace ruvo::web {

namespace {

// Appends one code point of s from i as it may stand in HTML; bytes that are not UTF-8
// become U+FFFD, control characters are dropped (tab and the line break inside a paragraph
// are laid out by the caller).
void appendText(std::string& out, std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
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
        case '\'':
          out += "&#39;";
          break;
        case '\t':
          out += '\t';
          break;
        case 0x0B:
          out += "<br>";
          break;
        default:
          if (c >= 0x20 && c != 0x7F) out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    std::size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    bool ok = n > 0 && i + n <= s.size();
    for (std::size_t k = 1; ok && k < n; ++k) ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (ok && n == 3) {
      const auto c1 = static_cast<unsigned char>(s[i + 1]);
      ok = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);  // overlong, surrogates
    } else if (ok && n == 4) {
      const auto c1 = static_cast<unsigned char>(s[i + 1]);
      ok = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
    }
    if (!ok) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    out.append(s.substr(i, n));
    i += n;
  }
}

// A face name inside a CSS string inside an attribute: only characters that end neither.
std::string cssFace(const std::string& face) {
  std::string clean;
  for (unsigned char c : face)
    if (c >= 0x20 && c != 0x7F && c != '"' && c != '\'' && c != '\\' && c != ';' && c != '<' && c != '>' && c != '&' &&
        c != '{' && c != '}')
      clean += static_cast<char>(c);
  std::string out;
  appendText(out, clean);
  return out;
}

std::string points(int twips) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%gpt", twips / 20.0);
  return buf;
}

std::string runStyle(const rt::CharFormat& f) {
  std::string s;
  const std::string face = cssFace(f.fontName.str());
  if (!face.empty()) s += "font-family:'" + face + "',sans-serif;";
  char buf[64];
  std::snprintf(buf, sizeof buf, "font-size:%gpt;", f.sizeHalfPoints / 2.0);
  s += buf;
  if (f.color != rt::kAutoColor) {
    std::snprintf(buf, sizeof buf, "color:#%06x;", static_cast<unsigned>(f.color) & 0xFFFFFFu);
    s += buf;
  }
  if (f.bold) s += "font-weight:bold;";
  if (f.italic) s += "font-style:italic;";
  if (f.underline || f.strike)
    s += std::string("text-decoration:") + (f.underline ? "underline" : "") + (f.underline && f.strike ? " " : "") +
         (f.strike ? "line-through" : "") + ";";
  return s;
}

std::string paraStyle(const rt::ParaFormat& p) {
  std::string s = "margin:0;";
  if (p.leftIndent) s += "padding-left:" + points(p.leftIndent) + ";";
  if (p.firstIndent) s += "text-indent:" + points(p.firstIndent) + ";";
  if (p.rightIndent) s += "padding-right:" + points(p.rightIndent) + ";";
  switch (p.align) {
    case rt::Align::Center:
      s += "text-align:center;";
      break;
    case rt::Align::Right:
      s += "text-align:right;";
      break;
    case rt::Align::Justify:
      s += "text-align:justify;";
      break;
    case rt::Align::Left:
      break;
  }
  return s;
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  appendText(out, text);
  return out;
}

std::string RichTextToHtml(const rt::RichText& text) {
  std::string out = "<div class=\"rt\" style=\"white-space:pre-wrap\">";
  for (const rt::Paragraph& p : text.paragraphs()) {
    out += "<p style=\"" + paraStyle(p.format) + "\">";
    bool any = false;
    for (const rt::Run& r : p.runs) {
      if (r.text.empty()) continue;
      any = true;
      out += "<span style=\"" + runStyle(r.format) + "\">";
      appendText(out, r.text);
      out += "</span>";
    }
    // An empty paragraph keeps its line, at its own size.
    if (!any) out += p.runs.empty() ? "<br>" : "<span style=\"" + runStyle(p.runs.front().format) + "\"><br></span>";
    out += "</p>";
  }
  out += "</div>";
  return out;
}

}  // namespace ruvo::web
