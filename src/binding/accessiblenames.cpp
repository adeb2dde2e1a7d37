// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/accessiblenames.h"

#include "common/labelbeside.h"
#include "binding/bindingname.h"
#include "binding/panelcontrols.h"
#include "common/chip.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>

namespace {

constexpr char context[] = "PanelNames";

// What a read-out shows, after the name of what it belongs to.
QString readoutName(const QLineEdit &field)
{
    const LineEditBinding binding = get_le_addr(field.objectName());
    const QString beside = textBeside(field);
    switch (binding.kind) {
    case LineEditBinding::StatusBit:
        return QCoreApplication::translate(context, "%1 status")
                .arg(beside.isEmpty() ? QString::fromLatin1(bitName(binding.address, binding.bit)) : beside);
    case LineEditBinding::PinLevel:
        return beside.isEmpty() ? beside : QCoreApplication::translate(context, "%1 pin").arg(beside);
    case LineEditBinding::Adc:
        return beside.isEmpty() ? beside
                                : QCoreApplication::translate(context, "%1 probe voltage").arg(beside);
    case LineEditBinding::NotBound:
        break;
    }
    return {};
}

// A bit's check box without text switches what its row's label names.
QString switchName(const QAbstractButton &button)
{
    const QString beside = textBeside(button);
    if (!button.text().isEmpty() || beside.isEmpty()
        || get_cb_addr(button.objectName()).kind != ButtonBinding::Bit)
        return {};
    return QCoreApplication::translate(context, "%1 enable").arg(beside);
}

void nameIfUnnamed(QWidget *widget, const QString &name)
{
    if (widget->accessibleName().isEmpty() && !name.isEmpty())
        widget->setAccessibleName(name);
}

} // namespace

void nameUnlabelledControls(const PanelControls &controls)
{
    for (QLineEdit *field : controls.lineEdits)
        nameIfUnnamed(field, readoutName(*field));
    for (QAbstractButton *button : controls.buttons)
        nameIfUnnamed(button, switchName(*button));
    // A combo box is spoken by its current item; the label it is the buddy
    // of tells what the item is.
    for (QComboBox *box : controls.comboBoxes) {
        QLabel *label = labelBeside(*box);
        if (label && !label->buddy() && get_co_addr(box->objectName()).isBound())
            label->setBuddy(box);
    }
}
