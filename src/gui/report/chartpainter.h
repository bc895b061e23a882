#pragma once
// Paints the chart's drawing commands with QPainter, as the window shows them and as the
// clipboard and ruvo-tool's PNG receive them.
#include <QImage>
#include <QPainter>

#include "core/report/chart.h"

namespace ruvo::gui {

// The installed face standing in for a face the chart asks for.
QString ChartFontFamily(const std::string& face);

void PaintChart(QPainter& p, const report::TChart& chart);

// The chart on a new 800 x 600 24-bit image.
QImage RenderChart(const report::TChart& chart);

}  // namespace ruvo::gui
