// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/labelbeside.h"

#include "common/labelwords.h"

#include <QGridLayout>
#include <QLabel>
#include <QWidget>

#include <cstdlib>
#include <limits>

namespace {

// The layout that has the widget as an item of its own, searched from the
// top layout of the widget's parent down through the layouts it nests.
QLayout *holdingLayout(QLayout *layout, const QWidget &widget)
{
    if (!layout || layout->indexOf(&widget) >= 0)
        return layout;
    for (int i = 0; i < layout->count(); ++i) {
        if (QLayout *found = holdingLayout(layout->itemAt(i)->layout(), widget))
            return found;
    }
    return nullptr;
}

int gridRow(const QGridLayout &grid, int index)
{
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid.getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    return row;
}

} // namespace

QLabel *labelBeside(const QWidget &widget)
{
    const QWidget *parent = widget.parentWidget();
    QLayout *layout = parent ? holdingLayout(parent->layout(), widget) : nullptr;
    if (!layout)
        return nullptr;
    const int at = layout->indexOf(&widget);
    const auto *grid = qobject_cast<const QGridLayout *>(layout);

    QLabel *nearest = nullptr;
    int nearestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < layout->count(); ++i) {
        auto *label = qobject_cast<QLabel *>(layout->itemAt(i)->widget());
        if (!label || (grid && gridRow(*grid, i) != gridRow(*grid, at)))
            continue;
        if (std::abs(i - at) < nearestDistance) {
            nearest = label;
            nearestDistance = std::abs(i - at);
        }
    }
    return nearest;
}

QString textBeside(const QWidget &widget)
{
    const QLabel *label = labelBeside(widget);
    return label ? labelWords(label->text()) : QString();
}
