// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/displayrefresh.h"

#include "binding/bindingname.h"
#include "binding/controledits.h"
#include "binding/fieldcodec.h"
#include "binding/panelcontrols.h"
#include "binding/panelreadouts.h"
#include "common/trace.h"
#include "device/devicelink.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>

namespace {

// The text colour goes with the background: a dark desktop scheme's light
// text would not show on it.
QPalette withBaseColour(const QPalette &base, const QColor &colour)
{
    QPalette p = base;
    p.setBrush(QPalette::Base, QBrush(colour, Qt::SolidPattern));
    p.setBrush(QPalette::Text, QBrush(DisplayRefresh::indicatorTextColour, Qt::SolidPattern));
    return p;
}

} // namespace

DisplayRefresh::DisplayRefresh(const PanelControls &controls, const RegisterMirror &mirror,
                               DeviceLink &link, const ControlEdits &edits,
                               const QWidget &paletteSource, QObject *parent)
    : QObject(parent), controls(controls), mirror(mirror), link(link), edits(edits),
      paletteSource(paletteSource)
{
}

void DisplayRefresh::update_display()
{
    qCDebug(lcTrace, "update_display()");
    ProbeSample sample;
    refreshControls(Reach::WithBoard, sample);
    // Last, so that a board failure met above already shows as polling off.
    refreshModeCheckBoxes();

    sample.time = clock.now();
    sample.status = mirror.at(probeStatusRegister);
    emit probesRead(sample);
    emit refreshed();
}

void DisplayRefresh::showRegisters()
{
    qCDebug(lcTrace, "show_registers()");
    ProbeSample unread;
    refreshControls(Reach::RegistersOnly, unread);
}

void DisplayRefresh::refreshControls(Reach reach, ProbeSample &sample)
{
    refreshButtons(reach);
    refreshComboBoxes();
    refreshLineEdits(reach, sample);
}

void DisplayRefresh::refreshButtons(Reach reach)
{
    for (QAbstractButton *button : controls.buttons) {
        if (!button->isCheckable())
            continue;
        const ButtonBinding b = get_cb_addr(button->objectName());
        if (b.kind == ButtonBinding::Bit) {
            button->setChecked(bitOf(mirror.at(b.address), b.bit));
        } else if (b.kind == ButtonBinding::Pin && reach == Reach::WithBoard) {
            const bool high = link.pin_read(b.group, b.pin) != 0;
            button->setChecked(high != b.inverted);
        }
    }
}

void DisplayRefresh::refreshComboBoxes()
{
    for (QComboBox *combo : controls.comboBoxes) {
        const FieldBinding field = get_co_addr(combo->objectName());
        if (!field.isBound())
            continue;
        const int index = FieldCodec::indexFromMirror(field, mirror);
        // An index past the last item leaves the box with no current item.
        combo->setCurrentIndex(index < combo->count() ? index : -1);
        qCDebug(lcTrace, "update index to %d", index);
    }
}

void DisplayRefresh::refreshLineEdits(Reach reach, ProbeSample &sample)
{
    const QPalette base = paletteSource.palette();
    const QPalette indicatorPalettes[] = {withBaseColour(base, indicatorOffColour),
                                          withBaseColour(base, indicatorOnColour)};

    for (QLineEdit *edit : controls.lineEdits) {
        const LineEditBinding b = get_le_addr(edit->objectName());
        if (b.kind != LineEditBinding::StatusBit && reach == Reach::RegistersOnly)
            continue;
        int value = 0;
        switch (b.kind) {
        case LineEditBinding::NotBound:
            continue;
        case LineEditBinding::StatusBit:
            qCDebug(lcTrace, "lineEdit : addr 0x%02x bit %d", b.address, b.bit);
            value = bitOf(mirror.at(b.address), b.bit);
            break;
        case LineEditBinding::PinLevel:
            qCDebug(lcTrace, "lineEdit : pingroup %d pin %d", b.group, b.pin);
            value = readBinding(link, b).level;
            break;
        case LineEditBinding::Adc: {
            qCDebug(lcTrace, "lineEdit : read_adc() dev=%d, ch=%d, %d bits, vref=%2.2f, coeff=%2.2f",
                    b.device, b.channel, b.resolution, b.reference, b.coefficient);
            const ReadoutValue reading = readBinding(link, b);
            edit->setText(reading.text);
            const int probe = probeIndex(edit->objectName());
            if (probe >= 0)
                sample.volts[std::size_t(probe)] = reading.ok ? reading.volts : noReading;
            continue;
        }
        }
        qCDebug(lcTrace, "%s", qPrintable(edit->objectName()));
        edit->setPalette(indicatorPalettes[value]);
        edit->setText(QStringLiteral("%1").arg(value));
    }
}

void DisplayRefresh::refreshModeCheckBoxes()
{
    if (controls.autoWrite)
        controls.autoWrite->setChecked(edits.autoWrite());
    if (controls.pollStatus)
        controls.pollStatus->setChecked(polling);
}
