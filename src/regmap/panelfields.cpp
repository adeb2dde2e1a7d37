// SPDX-License-Identifier: GPL-3.0-or-later
#include "regmap/panelfields.h"

#include "binding/bindingname.h"
#include "binding/panelcontrols.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include <climits>

namespace {

// The text as the user reads it: without the marks of keyboard mnemonics.
QString plainText(QString text)
{
    const QChar keep(0x1);
    text.replace(QLatin1String("&&"), keep);
    text.remove(QLatin1Char('&'));
    text.replace(keep, QLatin1Char('&'));
    return text.trimmed();
}

// The layout item list that holds the widget itself, searched from its
// parent's layout down through the nested ones.
QLayout *layoutHolding(QLayout *layout, QWidget *widget)
{
    if (!layout || layout->indexOf(widget) >= 0)
        return layout;
    for (int i = 0; i < layout->count(); ++i) {
        if (QLayout *found = layoutHolding(layout->itemAt(i)->layout(), widget))
            return found;
    }
    return nullptr;
}

// The label in the widget's layout row nearest to it, one to its left
// before one as near to its right. A vertical box has no rows.
QString labelBeside(QWidget *widget)
{
    QLayout *layout = widget->parentWidget()
                              ? layoutHolding(widget->parentWidget()->layout(), widget)
                              : nullptr;
    if (!layout)
        return {};
    const auto *box = qobject_cast<QBoxLayout *>(layout);
    if (box && (box->direction() == QBoxLayout::TopToBottom
                || box->direction() == QBoxLayout::BottomToTop))
        return {};
    const auto *grid = qobject_cast<QGridLayout *>(layout);
    const auto place = [&](int item) {
        int row = 0, column = item, rowSpan = 0, columnSpan = 0;
        if (grid)
            grid->getItemPosition(item, &row, &column, &rowSpan, &columnSpan);
        return std::make_pair(row, column);
    };
    const auto [row, column] = place(layout->indexOf(widget));
    const QLabel *nearest = nullptr;
    int nearestDistance = INT_MAX;
    for (int i = 0; i < layout->count(); ++i) {
        const auto *label = qobject_cast<const QLabel *>(layout->itemAt(i)->widget());
        const auto [labelRow, labelColumn] = place(i);
        if (!label || labelRow != row)
            continue;
        const int distance = labelColumn < column ? 2 * (column - labelColumn)
                                                  : 2 * (labelColumn - column) + 1;
        if (distance < nearestDistance) {
            nearest = label;
            nearestDistance = distance;
        }
    }
    return nearest ? plainText(nearest->text()) : QString();
}

QString groupTitle(const QWidget *widget)
{
    for (const QWidget *w = widget->parentWidget(); w; w = w->parentWidget()) {
        if (const auto *group = qobject_cast<const QGroupBox *>(w))
            return plainText(group->title());
    }
    return {};
}

QString captionOf(QWidget *control, const QString &ownText)
{
    QString words = plainText(ownText);
    bool inGroup = true;
    if (words.isEmpty()) {
        words = labelBeside(control);
        inGroup = words.endsWith(QLatin1Char(':'));
    }
    if (words.isEmpty())
        return control->objectName();
    const QString group = inGroup ? groupTitle(control) : QString();
    return group.isEmpty() ? words : group + QLatin1Char(' ') + words;
}

} // namespace

QList<PanelField> describePanelFields(const PanelControls &controls)
{
    QList<PanelField> fields;
    for (QAbstractButton *button : controls.buttons) {
        if (button->isCheckable() && get_cb_addr(button->objectName()).kind == ButtonBinding::Bit)
            fields.append({PanelField::Switch, button->objectName(),
                           captionOf(button, button->text()), {}});
    }
    for (QComboBox *combo : controls.comboBoxes) {
        if (!get_co_addr(combo->objectName()).isBound())
            continue;
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        fields.append({PanelField::Choice, combo->objectName(), captionOf(combo, {}), items});
    }
    for (QLineEdit *edit : controls.lineEdits) {
        if (get_le_addr(edit->objectName()).kind == LineEditBinding::StatusBit)
            fields.append({PanelField::Indicator, edit->objectName(), captionOf(edit, {}), {}});
    }
    return fields;
}
