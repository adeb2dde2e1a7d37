// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/panelfields.h"

#include "binding/fieldcodec.h"
#include "binding/panelform.h"
#include "binding/spokennames.h"
#include "common/labelwords.h"

#include <QCoreApplication>

namespace {

constexpr char context[] = "PanelField";

QString inGroup(const FormControl &control, const QString &words)
{
    return control.groupTitle.isEmpty() ? words : control.groupTitle + QLatin1Char(' ') + words;
}

QString captionOf(const FormControl &control, const QString &ownText, const QString &spokenName)
{
    const QString text = plainText(ownText);
    if (!text.isEmpty())
        return inGroup(control, text);
    if (!control.accessibleName.isEmpty())
        return control.accessibleName;
    if (!spokenName.isEmpty())
        return spokenName;
    const QString beside = plainText(control.labelBeside);
    if (beside.endsWith(QLatin1Char(':')))
        return inGroup(control, beside);
    return beside.isEmpty() ? control.objectName : beside;
}

PanelField field(PanelField::Kind kind, const FormControl &control, const QString &caption)
{
    PanelField f;
    f.kind = kind;
    f.bindingName = control.objectName;
    f.caption = caption;
    f.name = labelWords(caption);
    f.items = control.items;
    return f;
}

} // namespace

QList<PanelField::Place> PanelField::places() const
{
    if (kind != Choice)
        return {{address, bit}};
    if (choice.secondAddress == -1)
        return {{choice.address, choice.highBit}};
    return {{choice.address, choice.highBit}, {choice.secondAddress, choice.secondHighBit}};
}

int PanelField::value(const RegisterMirror &mirror) const
{
    return kind == Choice ? FieldCodec::indexFromMirror(choice, mirror) : bitOf(mirror.at(address), bit);
}

void PanelField::setValue(RegisterMirror &mirror, int value) const
{
    if (kind == Choice) {
        const unsigned fieldValue = FieldCodec::valueForIndex(choice, value);
        FieldCodec::storeFirstPart(choice, fieldValue, mirror);
        if (choice.secondAddress != -1)
            FieldCodec::storeSecondPart(choice, fieldValue, mirror);
        return;
    }
    const auto mask = quint8(1u << bit);
    quint8 &byte = mirror.at(address);
    byte = value ? quint8(byte | mask) : quint8(byte & ~mask);
}

QString PanelField::valueText(const RegisterMirror &mirror) const
{
    return textOfValue(value(mirror));
}

QString PanelField::textOfValue(int v) const
{
    switch (kind) {
    case Choice:
        // A value past the last item, which the panel shows as no item at all.
        return v < items.size() ? items.at(v) : QCoreApplication::translate(context, "no item (%1)").arg(v);
    case Switch:
        return v ? QCoreApplication::translate(context, "on") : QCoreApplication::translate(context, "off");
    case Indicator:
        break;
    }
    return QString::number(v);
}

int PanelField::valueOfText(const QString &text) const
{
    if (kind == Choice)
        return int(items.indexOf(text));
    for (const int v : {0, 1}) {
        if (textOfValue(v) == text)
            return v;
    }
    return -1;
}

QList<PanelField> describePanelFields(const QList<FormControl> &controls)
{
    QList<PanelField> fields;
    for (const FormControl &control : controls) {
        const ButtonBinding b = get_cb_addr(control.objectName);
        if (!control.isButton() || !control.checkable || b.kind != ButtonBinding::Bit)
            continue;
        PanelField f = field(PanelField::Switch, control,
                             captionOf(control, control.text, switchSpokenName(labelWords(control.labelBeside))));
        f.address = b.address;
        f.bit = b.bit;
        fields.append(f);
    }
    for (const FormControl &control : controls) {
        const FieldBinding b = get_co_addr(control.objectName);
        if (control.className != QLatin1String("QComboBox") || !b.isBound())
            continue;
        PanelField f = field(PanelField::Choice, control, captionOf(control, {}, {}));
        f.choice = b;
        fields.append(f);
    }
    for (const FormControl &control : controls) {
        const LineEditBinding b = get_le_addr(control.objectName);
        if (control.className != QLatin1String("QLineEdit") || b.kind != LineEditBinding::StatusBit)
            continue;
        PanelField f = field(PanelField::Indicator, control,
                             captionOf(control, {}, readoutSpokenName(b, labelWords(control.labelBeside))));
        f.address = b.address;
        f.bit = b.bit;
        fields.append(f);
    }
    return fields;
}

const QList<PanelField> &panelFields()
{
    static const QList<PanelField> fields = describePanelFields(panelForm());
    return fields;
}
