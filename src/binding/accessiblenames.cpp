// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/accessiblenames.h"

#include "common/labelbeside.h"
#include "binding/bindingname.h"
#include "binding/panelcontrols.h"
#include "binding/spokennames.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

// What a read-out shows, after the name of what it belongs to.
QString readoutName(const QLineEdit &field)
{
    return readoutSpokenName(get_le_addr(field.objectName()), textBeside(field));
}

// A bit's check box without text switches what its row's label names.
QString switchName(const QAbstractButton &button)
{
    if (!button.text().isEmpty() || get_cb_addr(button.objectName()).kind != ButtonBinding::Bit)
        return {};
    return switchSpokenName(textBeside(button));
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
