#ifndef ZQ40613_DISPLAYREFRESH_H
#define ZQ40613_DISPLAYREFRESH_H

#include "common/registermirror.h"

#include <QColor>

class ConnectionSupervisor;
class ControlEdits;
class DeviceLink;
class QWidget;
struct PanelControls;

// Brings every bound control in line with the register mirror and the board:
// register bits and fields from the mirror, pins and probe voltages read
// afresh. It only sets widget state, which raises none of the user-edit
// signals, so a refresh never writes to the chip.
class DisplayRefresh
{
public:
    static constexpr QColor indicatorOffColour{209, 209, 209};
    static constexpr QColor indicatorOnColour{234, 137, 143};
    // Dark text, since both colours stay light under any desktop scheme.
    static constexpr QColor indicatorTextColour{0, 0, 0};

    DisplayRefresh(const PanelControls &controls, const RegisterMirror &mirror, DeviceLink &link,
                   const ControlEdits &edits, const ConnectionSupervisor &supervisor,
                   const QWidget &paletteSource);

    void update_display();

private:
    void refreshButtons();
    void refreshComboBoxes();
    void refreshLineEdits();
    void refreshModeCheckBoxes();

    const PanelControls &controls;
    const RegisterMirror &mirror;
    DeviceLink &link;
    const ControlEdits &edits;
    const ConnectionSupervisor &supervisor;
    const QWidget &paletteSource;
};

#endif
