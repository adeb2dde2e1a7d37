// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_CHARTPAINTING_H
#define ZQ40613_CHARTPAINTING_H

#include <QColor>
#include <QList>
#include <QPen>
#include <QStaticText>

class QFont;
class QFontMetrics;
class QPainter;
class QRect;

// What every chart of the program draws around its plot, drawn the same way
// in each: the legend above the plot, the value axis left of it with its
// title, the grid, and the axis under it with its tick marks. A chart is
// drawn on white whatever the desktop's scheme, so that it and its saved
// image look the same everywhere. The straight lines are filled rectangles
// one pixel wide, crisp and the quickest thing a painter draws: a line
// drawn as such is laid down pixel by pixel.
namespace ChartPainting {

inline constexpr QColor background{255, 255, 255};
inline constexpr QColor textColour{40, 40, 44};
inline constexpr QColor axisColour{170, 170, 170};
inline constexpr QColor gridColour{226, 226, 226};
inline constexpr int tickLength = 5;
// Around the whole chart, and between an axis's labels and its title.
inline constexpr int margin = 8;
inline constexpr int frameWidth = 2;

// A tick of an axis: where it is (x under the plot, y beside it) and its
// label, laid out once.
struct AxisTick
{
    int at = 0;
    QStaticText label;
};

// A line of the legend: its name and how it is drawn.
struct LegendEntry
{
    QString name;
    QPen pen;
};

// The width the legend needs, its entries side by side, and its height.
int legendWidth(const QFontMetrics &metrics, const QList<LegendEntry> &entries);
int legendHeight(const QFontMetrics &metrics);
// Centred in band.
void drawLegend(QPainter &painter, const QRect &band, const QList<LegendEntry> &entries);

// The room left of the plot for the value axis's labels and its title, in
// that font.
int valueAxisWidth(const QFont &font, const QList<AxisTick> &ticks);
// The axis line on the plot's left edge, each tick with its label right
// aligned against it, and the title, upright, at the far left.
void drawValueAxis(QPainter &painter, const QRect &plot, const QList<AxisTick> &ticks,
                   const QString &title);
// The axis line under the plot with a mark at each x; the labels are the
// chart's own.
void drawBottomAxis(QPainter &painter, const QRect &plot, const QList<int> &xs);
// A grid line at each x and each y of the plot.
void drawGrid(QPainter &painter, const QRect &plot, const QList<int> &xs, const QList<int> &ys);
// A frame just inside rect: the mark of a chart that has the keyboard's focus.
void drawFrame(QPainter &painter, const QRect &rect, const QColor &colour);

} // namespace ChartPainting

#endif
