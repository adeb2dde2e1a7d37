// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_DISPLAYREFRESH_H
#define ZQ40613_DISPLAYREFRESH_H

#include "binding/probesample.h"
#include "common/registermirror.h"
#include "common/runclock.h"

#include <QColor>
#include <QObject>

class ControlEdits;
class DeviceLink;
class QWidget;
struct PanelControls;

// Brings every bound control in line with the register mirror and the board:
// register bits and fields from the mirror, pins and probe voltages read
// afresh. It only sets widget state, which raises none of the user-edit
// signals, so a refresh never writes to the chip. What it read of the probes
// goes out as one sample per refresh, stamped with the run's clock, for
// whoever keeps a record of them.
// "Poll status" shows the polling state it was last told.
class DisplayRefresh : public QObject
{
    Q_OBJECT

public:
    static constexpr QColor indicatorOffColour{209, 209, 209};
    static constexpr QColor indicatorOnColour{234, 137, 143};
    // Dark text, since both colours stay light under any desktop scheme.
    static constexpr QColor indicatorTextColour{0, 0, 0};

    DisplayRefresh(const PanelControls &controls, const RegisterMirror &mirror, DeviceLink &link,
                   const ControlEdits &edits, const QWidget &paletteSource,
                   QObject *parent = nullptr);

    void update_display();
    // Only the controls of register bits and fields, from the mirror, with
    // no board call: for a register changed elsewhere than on the panel.
    void showRegisters();
    void setPolling(bool on) { polling = on; }

    // The time the samples are stamped with.
    const RunClock &runClock() const { return clock; }

signals:
    // The probe voltages this refresh has just read and shown (a failed
    // conversion as noReading), with the status register of the mirror.
    void probesRead(const ProbeSample &sample);
    // The refresh is complete. It read pins and probes, which may have found
    // the board gone, so this is when the link state is worth showing.
    void refreshed();

private:
    // Pins and probes are read from the board; registers come from the mirror.
    enum class Reach { RegistersOnly, WithBoard };

    // The bound controls in form order: buttons, combo boxes, line edits.
    void refreshControls(Reach reach, ProbeSample &sample);
    void refreshButtons(Reach reach);
    void refreshComboBoxes();
    void refreshLineEdits(Reach reach, ProbeSample &sample);
    void refreshModeCheckBoxes();

    const PanelControls &controls;
    const RegisterMirror &mirror;
    DeviceLink &link;
    const ControlEdits &edits;
    const QWidget &paletteSource;
    const RunClock clock;
    bool polling = false;
};

#endif
