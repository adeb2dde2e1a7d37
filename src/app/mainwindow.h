// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_MAINWINDOW_H
#define ZQ40613_MAINWINDOW_H

#include "binding/panelcontrols.h"
#include "common/registermirror.h"
#include "device/connectionsupervisor.h"
#include "device/devicelink.h"
#include "history/probehistory.h"

#include <QButtonGroup>
#include <QMainWindow>

#include <memory>

class BulkTransfer;
class ControlEdits;
class Controller;
class DisplayRefresh;
class PanelLogs;
class ProbeHistoryWindow;
class RecordingCommand;
class RegisterFileCommands;
class RegisterMapWindow;
class RegisterRecorder;
class StatusFields;
class SweepWindow;
class direct_access;

namespace Ui {
class MainWindow;
}

// The one window of the program. It carries the panel form, creates the
// objects the rest of the program works with and wires them together, and
// its slots are the entry points of every user action; the work itself is
// done by the small classes it owns, which hear of each other through their
// signals. The connection supervision's timers tick into the supervisor
// directly; init_hardware() and timer_func() run the same steps on demand.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(Controller &controller, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The state the panel shows, for tools and tests that drive the window.
    RegisterMirror &registerMirror() { return mirror; }
    DeviceLink &deviceLink() { return link; }
    const ConnectionSupervisor &connectionSupervisor() const { return *supervisor; }
    const PanelControls &panelControls() const { return controls; }
    ProbeHistory &probeHistory() { return history; }

protected:
    // A new desktop font reaches the panel only up to the size it is laid out for.
    bool event(QEvent *event) override;

private slots:
    void init_hardware();
    void on_autowrite_clicked();
    void timer_func();
    void on_pollstatus_clicked();
    void on_readregisters_clicked();
    void on_writeregisters_clicked();
    void dr_write();
    void dr_read();
    void on_pwrup_clicked();
    void on_DevSleep_clicked();

private:
    // Handlers that Qt's connect-by-name cannot match (the signal they answer
    // is not named in them), so they are connected explicitly and kept out of
    // the slot table.
    void on_buttonGroup_buttonClicked(int id);
    void on_combobox_activated(int index);
    void on_actionAbout_activated();
    void on_actionLoad_Registers_activated();
    void on_actionSave_Registers_activated();
    void on_actionDirect_Register_Access_activated();
    void on_actionProbe_History_activated();
    void on_actionRegister_Map_activated();
    void on_actionSweep_activated();
    void editRegister(int address, int value);
    void on_actionRecord_Register_Writes_activated();

    void connectPanel();
    void addKeyboardAccess();
    void connectParts();
    void connectSweep();
    void addProbeHistory();
    void addRegisterMap();
    void addSweep();
    void addRecording();
    void showEditedRegisters();

    std::unique_ptr<Ui::MainWindow> ui;
    DeviceLink link;
    RegisterMirror mirror{};
    PanelControls controls;
    // Before the display refresh that feeds it, so it outlives it.
    ProbeHistory history;
    QButtonGroup panelButtons;
    std::unique_ptr<StatusFields> status;
    std::unique_ptr<PanelLogs> logs;
    std::unique_ptr<ControlEdits> edits;
    std::unique_ptr<DisplayRefresh> refresh;
    std::unique_ptr<BulkTransfer> bulk;
    std::unique_ptr<ConnectionSupervisor> supervisor;
    std::unique_ptr<RegisterRecorder> recorder;
    std::unique_ptr<RegisterFileCommands> registerFiles;
    std::unique_ptr<RecordingCommand> recording;
    direct_access *directAccess = nullptr;
    ProbeHistoryWindow *probeHistoryWindow = nullptr;
    RegisterMapWindow *registerMapWindow = nullptr;
    SweepWindow *sweepWindow = nullptr; // made on first use
};

#endif
