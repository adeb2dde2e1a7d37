// SPDX-License-Identifier: GPL-3.0-or-later
#include "regmap/panelfields.h"

#include "binding/bindingname.h"
#include "binding/panelcontrols.h"
#include "common/labelbeside.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

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

QString groupTitle(const QWidget *widget)
{
    for (const QWidget *w = widget->parentWidget(); w; w = w->parentWidget()) {
        if (const auto *group = qobject_cast<const QGroupBox *>(w))
            return plainText(group->title());
    }
    return {};
}

QString inGroup(const QWidget &control, const QString &words)
{
    const QString group = groupTitle(&control);
    return group.isEmpty() ? words : group + QLatin1Char(' ') + words;
}

QString captionOf(const QWidget &control, const QString &ownText)
{
    const QString text = plainText(ownText);
    if (!text.isEmpty())
        return inGroup(control, text);
    if (!control.accessibleName().isEmpty())
        return control.accessibleName();
    const QLabel *label = labelBeside(control);
    const QString beside = label ? plainText(label->text()) : QString();
    if (beside.endsWith(QLatin1Char(':')))
        return inGroup(control, beside);
    return beside.isEmpty() ? control.objectName() : beside;
}

} // namespace

QList<PanelField> describePanelFields(const PanelControls &controls)
{
    QList<PanelField> fields;
    for (QAbstractButton *button : controls.buttons) {
        if (button->isCheckable() && get_cb_addr(button->objectName()).kind == ButtonBinding::Bit)
            fields.append({PanelField::Switch, button->objectName(),
                           captionOf(*button, button->text()), {}});
    }
    for (QComboBox *combo : controls.comboBoxes) {
        if (!get_co_addr(combo->objectName()).isBound())
            continue;
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        fields.append({PanelField::Choice, combo->objectName(), captionOf(*combo, {}), items});
    }
    for (QLineEdit *edit : controls.lineEdits) {
        if (get_le_addr(edit->objectName()).kind == LineEditBinding::StatusBit)
            fields.append({PanelField::Indicator, edit->objectName(), captionOf(*edit, {}), {}});
    }
    return fields;
}
