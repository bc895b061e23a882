#include "gui/report/chartpainter.h"

#include <QFontMetrics>
#include <QPolygon>
#include <array>
#include <utility>
#include <vector>

namespace ruvo::gui {

namespace {

QColor qcolor(report::TColor c) { return QColor(c.r, c.g, c.b); }

// Corners as the commands give them: the bottom right is just outside the shape.
QRect box(const report::TDrawCommand& c) {
  const auto& a = c.points[0];
  const auto& b = c.points[1];
  return QRect(QPoint(a.x, a.y), QPoint(b.x - 1, b.y - 1));
}

void setPenAndBrush(QPainter& p, const report::TDrawCommand& c) {
  QPen pen(qcolor(c.pen), c.penWidth);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  p.setBrush(c.brushSolid ? QBrush(qcolor(c.brush)) : QBrush(Qt::NoBrush));
}

// Thousands of equal circles: each is painted once into a sprite and then blitted, which is
// many times quicker than stroking every antialiased ellipse.
class EllipseSprites {
 public:
  const QImage& of(const report::TDrawCommand& c) {
    const QRect r = box(c);
    const Key k{r.width(), r.height(),   c.penWidth, c.pen.r,   c.pen.g,
                c.pen.b,   c.brushSolid, c.brush.r,  c.brush.g, c.brush.b};
    for (const auto& [key, img] : cache_)
      if (key == k) return img;
    const int m = c.penWidth + 1;  // room for the half of the pen outside the box
    QImage img(r.width() + 2 * m, r.height() + 2 * m, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    setPenAndBrush(p, c);
    p.drawEllipse(QRect(m, m, r.width(), r.height()));
    p.end();
    cache_.emplace_back(k, img);
    return cache_.back().second;
  }
  static int margin(const report::TDrawCommand& c) { return c.penWidth + 1; }

 private:
  using Key = std::array<int, 10>;
  std::vector<std::pair<Key, QImage>> cache_;
};

}  // namespace

QString ChartFontFamily(const std::string& face) {
  if (face == report::kChartFont) return QStringLiteral("IPAPGothic");
  if (face == report::kChartSerifFont) return QStringLiteral("Liberation Serif");
  return QString::fromStdString(face);
}

void PaintChart(QPainter& p, const report::TChart& chart) {
  EllipseSprites sprites;
  for (const auto& c : chart) {
    const std::size_t n = c.points.size();
    p.setRenderHint(QPainter::Antialiasing, c.kind == report::TDrawKind::Ellipse ||
                                                c.kind == report::TDrawKind::Polygon ||
                                                (c.kind == report::TDrawKind::Line && n >= 2 &&
                                                 c.points[0].x != c.points[1].x && c.points[0].y != c.points[1].y));
    switch (c.kind) {
      case report::TDrawKind::FillRect:
        if (n >= 2)
          p.fillRect(QRect(QPoint(c.points[0].x, c.points[0].y), QPoint(c.points[1].x - 1, c.points[1].y - 1)),
                     qcolor(c.brush));
        break;
      case report::TDrawKind::Rectangle:
        if (n >= 2) {
          setPenAndBrush(p, c);
          const QRect r = box(c);
          // A one-pixel outline on the edge pixels, filled inside, as a GDI rectangle is.
          if (c.brushSolid) p.fillRect(r, qcolor(c.brush));
          p.setBrush(Qt::NoBrush);
          p.drawRect(r.adjusted(0, 0, -1, -1));
        }
        break;
      case report::TDrawKind::Line:
        if (n >= 2) {
          setPenAndBrush(p, c);
          p.drawLine(c.points[0].x, c.points[0].y, c.points[1].x, c.points[1].y);
        }
        break;
      case report::TDrawKind::Ellipse:
        if (n >= 2) {
          const int m = EllipseSprites::margin(c);
          p.drawImage(QPoint(c.points[0].x - m, c.points[0].y - m), sprites.of(c));
        }
        break;
      case report::TDrawKind::Polygon: {
        setPenAndBrush(p, c);
        QPolygon poly;
        for (const auto& pt : c.points) poly << QPoint(pt.x, pt.y);
        p.drawPolygon(poly);
        break;
      }
      case report::TDrawKind::Text: {
        if (n < 1) break;
        QFont f(ChartFontFamily(c.font));
        f.setPixelSize(c.size * 96 / 72);  // sizes are points on a 96-dpi canvas
        f.setItalic(c.italic);
        p.setFont(f);
        p.setPen(qcolor(c.color));
        const QString s = QString::fromStdString(c.text);
        const QFontMetrics fm(f);
        const int w = fm.horizontalAdvance(s), h = fm.height();
        int left = c.points[0].x, top = c.points[0].y;
        if (c.hAlign == report::THAlign::Right)
          left -= w;
        else if (c.hAlign == report::THAlign::Center)
          left -= w / 2;
        if (c.vAlign == report::TVAlign::Middle)
          top -= h / 2;
        else if (c.vAlign == report::TVAlign::BelowByHeight)
          top += h;
        p.drawText(QPoint(left, top + fm.ascent()), s);
        break;
      }
    }
  }
}

QImage RenderChart(const report::TChart& chart) {
  QImage img(report::kChartWidth, report::kChartHeight, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  PaintChart(p, chart);
  p.end();
  return img.convertToFormat(QImage::Format_RGB888);
}

}  // namespace ruvo::gui
