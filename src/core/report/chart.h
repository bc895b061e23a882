#pragma once
// The speed/accuracy chart as a list of drawing commands on an 800 x 600 canvas, so that
// its layout can be checked without pixels; the window paints the commands with its own
// painter and ruvo-tool writes them as SVG.
#include <cstdint>
#include <string>
#include <vector>

namespace ruvo::report {

inline constexpr int kChartWidth = 800;
inline constexpr int kChartHeight = 600;

struct TColor {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const TColor&) const = default;
};
inline constexpr TColor kBlack{0, 0, 0};
inline constexpr TColor kWhite{255, 255, 255};
inline constexpr TColor kSilver{192, 192, 192};
inline constexpr TColor kBandGray{165, 165, 165};
inline constexpr TColor kGray{128, 128, 128};
inline constexpr TColor kNavy{0, 0, 128};
inline constexpr TColor kRed{255, 0, 0};

// The faces the chart asks for; the painter maps them to installed fonts.
inline constexpr const char* kChartFont = "ＭＳ Ｐゴシック";
inline constexpr const char* kChartSerifFont = "Times New Roman";

struct TPoint {
  int x = 0, y = 0;
  bool operator==(const TPoint&) const = default;
};

enum class TDrawKind {
  FillRect,   // points[0] top left, points[1] bottom right (exclusive); brush only, no outline
  Rectangle,  // the same corners; outline with the pen, filled with the brush when brushSolid
  Line,       // from points[0] to points[1] with the pen
  Ellipse,    // bounding box points[0]..points[1]; outline with the pen, filled when brushSolid
  Polygon,    // closed through all points; outline with the pen, filled when brushSolid
  Text,       // text anchored at points[0] (see the alignments)
};

// Where the anchor's x lies on the text: its left edge, its right edge, or its middle.
enum class THAlign { Left, Right, Center };
// Where the anchor's y lies: the text's top; its middle (top = y - height / 2, toward zero);
// or one text height above its top (top = y + height).
enum class TVAlign { Top, Middle, BelowByHeight };

struct TDrawCommand {
  TDrawKind kind = TDrawKind::Line;
  std::vector<TPoint> points;
  TColor pen = kBlack;
  int penWidth = 1;
  TColor brush = kWhite;
  bool brushSolid = false;
  // Text only.
  std::string text;
  std::string font = kChartFont;
  int size = 10;  // points
  bool italic = false;
  TColor color = kBlack;
  THAlign hAlign = THAlign::Left;
  TVAlign vAlign = TVAlign::Top;

  bool operator==(const TDrawCommand&) const = default;
};

using TChart = std::vector<TDrawCommand>;

// The chart as an SVG document, one element per command (rect, line, ellipse, polygon, text).
std::string ChartToSvg(const TChart& chart);

}  // namespace ruvo::report
