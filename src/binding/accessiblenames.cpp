// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/accessiblenames.h"

#include "binding/bindingname.h"
#include "binding/panelcontrols.h"
#include "binding/panelfields.h"
#include "binding/spokennames.h"
#include "common/labelbeside.h"
#include "common/spokenname.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>

namespace {

void nameIfUnnamed(QWidget *widget, const QString &name)
{
    if (widget->accessibleName().isEmpty() && !name.isEmpty())
        setSpokenName(*widget, name);
}

} // namespace

void namePanelControls(const PanelControls &controls)
{
    QHash<QString, QString> fieldNames;
    for (const PanelField &field : panelFields())
        fieldNames.insert(field.bindingName, field.name);

    for (QAbstractButton *button : controls.buttons)
        nameIfUnnamed(button, fieldNames.value(button->objectName()));
    for (QComboBox *box : controls.comboBoxes) {
        nameIfUnnamed(box, fieldNames.value(box->objectName()));
        // The label beside it is its buddy, which screen readers relate it to.
        QLabel *label = labelBeside(*box);
        if (label && !label->buddy() && get_co_addr(box->objectName()).isBound())
            label->setBuddy(box);
    }
    for (QLineEdit *field : controls.lineEdits) {
        const QString name = fieldNames.value(field->objectName());
        nameIfUnnamed(field, name.isEmpty() ? readoutSpokenName(get_le_addr(field->objectName()), textBeside(*field))
                                            : name);
    }
}
