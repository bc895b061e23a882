#include "core/report/chart.h"
#include "core/text/strings.h"
#include "core/text/utf8.h"

#include <cmath>
#include <cstdio>

namespace ruvo::report {

namespace {

std::string rgb(TColor c) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
  return buf;
}

// Text for an XML document: names typed on a command line or read from files need not be UTF-8.
std::string xmlText(const std::string& s) { return text::xmlEscape(text::sanitizeUtf8(s)); }

std::string fontFamily(const std::string& face) {
  if (face == kChartSerifFont) return "'" + face + "', 'Liberation Serif', serif";
  if (face == kChartFont) return "'" + face + "', 'IPAPGothic', sans-serif";
  return "'" + xmlText(face) + "', sans-serif";
}

std::string stroke(const TDrawCommand& c) {
  return " stroke=\"" + rgb(c.pen) + "\" stroke-width=\"" + std::to_string(c.penWidth) + "\"";
}

std::string fill(const TDrawCommand& c) {
  return " fill=\"" + (c.brushSolid ? rgb(c.brush) : std::string("none")) + "\"";
}

// Points to pixels at 96 dots per inch.
std::string pixels(int points) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", points * 96.0 / 72.0);
  return buf;
}

}  // namespace

std::string ChartToSvg(const TChart& chart) {
  std::string s =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"600\" viewBox=\"0 0 800 600\">\n";
  auto pt = [](const TPoint& p, const char* x, const char* y) {
    return std::string(" ") + x + "=\"" + std::to_string(p.x) + "\" " + y + "=\"" + std::to_string(p.y) + "\"";
  };
  for (const auto& c : chart) {
    const std::size_t n = c.points.size();
    switch (c.kind) {
      case TDrawKind::FillRect:
      case TDrawKind::Rectangle: {
        if (n < 2) break;
        const TPoint a = c.points[0], b = c.points[1];
        s += "<rect" + pt(a, "x", "y") + " width=\"" + std::to_string(b.x - a.x) + "\" height=\"" +
             std::to_string(b.y - a.y) + "\"";
        if (c.kind == TDrawKind::FillRect)
          s += " fill=\"" + rgb(c.brush) + "\"";
        else
          s += fill(c) + stroke(c);
        s += "/>\n";
        break;
      }
      case TDrawKind::Line:
        if (n < 2) break;
        s += "<line" + pt(c.points[0], "x1", "y1") + pt(c.points[1], "x2", "y2") + stroke(c) + "/>\n";
        break;
      case TDrawKind::Ellipse: {
        if (n < 2) break;
        const TPoint a = c.points[0], b = c.points[1];
        char buf[160];
        std::snprintf(buf, sizeof buf, "<ellipse cx=\"%g\" cy=\"%g\" rx=\"%g\" ry=\"%g\"", (a.x + b.x) / 2.0,
                      (a.y + b.y) / 2.0, (b.x - a.x) / 2.0, (b.y - a.y) / 2.0);
        s += buf + fill(c) + stroke(c) + "/>\n";
        break;
      }
      case TDrawKind::Polygon: {
        s += "<polygon points=\"";
        for (std::size_t i = 0; i < n; ++i)
          s += (i ? " " : "") + std::to_string(c.points[i].x) + "," + std::to_string(c.points[i].y);
        s += "\"" + fill(c) + stroke(c) + "/>\n";
        break;
      }
      case TDrawKind::Text: {
        if (n < 1) break;
        const char* anchor = c.hAlign == THAlign::Right ? "end" : c.hAlign == THAlign::Center ? "middle" : "start";
        // SVG places text by its baseline and not every renderer honours dominant-baseline, so
        // the baseline is given: the faces are about one em high with 0.88 em above the baseline.
        const double em = c.size * 96.0 / 72.0;
        const double top = c.vAlign == TVAlign::Middle          ? c.points[0].y - em / 2
                           : c.vAlign == TVAlign::BelowByHeight ? c.points[0].y + em
                                                                : c.points[0].y;
        char y[32];
        std::snprintf(y, sizeof y, "%g", std::round((top + 0.88 * em) * 10) / 10);
        s += "<text x=\"" + std::to_string(c.points[0].x) + "\" y=\"" + y + "\" font-family=\"" + fontFamily(c.font) +
             "\" font-size=\"" + pixels(c.size) + "\"" + (c.italic ? " font-style=\"italic\"" : "") + " fill=\"" +
             rgb(c.color) + "\" text-anchor=\"" + anchor + "\" xml:space=\"preserve\">" + xmlText(c.text) + "</text>\n";
        break;
      }
    }
  }
  s += "</svg>\n";
  return s;
}

}  // namespace ruvo::report
