// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "binding/accessiblenames.h"
#include "binding/bindingname.h"
#include "binding/bulktransfer.h"
#include "binding/controledits.h"
#include "binding/displayrefresh.h"
#include "binding/panelfields.h"
#include "common/chip.h"
#include "common/spokenname.h"
#include "common/tabchain.h"
#include "common/trace.h"
#include "device/panellogs.h"
#include "device/statusfields.h"
#include "dialog/direct_access.h"
#include "history/probehistorywindow.h"
#include "panel/aboutbox.h"
#include "panel/panelfont.h"
#include "regfile/recordingcommand.h"
#include "regfile/registerfilecommands.h"
#include "regfile/registerrecorder.h"
#include "regmap/registermapmodel.h"
#include "regmap/registermapwindow.h"
#include "sweep/sweepwindow.h"

#include <QAction>
#include <QComboBox>
#include <QKeySequence>
#include <QMenuBar>
#include <QTabBar>

MainWindow::MainWindow(Controller &controller, QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>()), link(controller)
{
    fitPanelFont(*this);
    ui->setupUi(this);
    controls = PanelControls::collect(*this);
    connectPanel();
    addKeyboardAccess();

    status = std::make_unique<StatusFields>(*ui->statusBar, link);
    logs = std::make_unique<PanelLogs>(controls.registerLog, controls.eventLog);
    edits = std::make_unique<ControlEdits>(mirror, link);
    supervisor = std::make_unique<ConnectionSupervisor>(link, mirror);
    refresh = std::make_unique<DisplayRefresh>(controls, mirror, link, *edits, *ui->statusBar);
    bulk = std::make_unique<BulkTransfer>(controls, mirror, link, *refresh);
    recorder = std::make_unique<RegisterRecorder>();
    registerFiles = std::make_unique<RegisterFileCommands>(
            this, mirror,
            [this](int address, int data) {
                return link.register_write(address, data, Activity::Load) != 0;
            },
            recorder.get());
    directAccess = new direct_access(this);
    addProbeHistory();
    addRegisterMap();
    addSweep();
    addRecording();
    connectParts();

    init_hardware();
    refresh->update_display();
    logs->applicationStarted();
}

// A value still being typed into the register map is committed as the map
// goes; by then the parts it would go through are gone, and a program that
// is closing writes nothing more to the chip.
MainWindow::~MainWindow()
{
    disconnect(&registerMapWindow->model(), nullptr, this, nullptr);
}

bool MainWindow::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::ApplicationFontChange)
        fitPanelFont(*this);
    return handled;
}

// Wires every panel control to the binding engine: all buttons share one
// non-exclusive group whose ids are their list indices, and every combo box
// reports the user's choice. Menu actions are connected here too, because
// their handlers keep names that connect-by-name cannot match.
void MainWindow::connectPanel()
{
    connect(&panelButtons, &QButtonGroup::idClicked, this, &MainWindow::on_buttonGroup_buttonClicked);
    panelButtons.setExclusive(false);

    for (int i = 0; i < controls.comboBoxes.size(); ++i) {
        connect(controls.comboBoxes.at(i), &QComboBox::activated, this,
                &MainWindow::on_combobox_activated);
        qCDebug(lcTrace, "found ComboBox %d", i);
    }
    for (int i = 0; i < controls.buttons.size(); ++i) {
        QAbstractButton *button = controls.buttons.at(i);
        panelButtons.addButton(button, i);
        qCDebug(lcTrace, "button %d : %s", i, qPrintable(button->objectName()));
    }

    connect(ui->actionAbout, &QAction::triggered, this, &MainWindow::on_actionAbout_activated);
    connect(ui->actionLoad_Registers, &QAction::triggered, this,
            &MainWindow::on_actionLoad_Registers_activated);
    connect(ui->actionSave_Registers, &QAction::triggered, this,
            &MainWindow::on_actionSave_Registers_activated);
    // The platform's keys for opening and saving a document.
    ui->actionLoad_Registers->setShortcut(QKeySequence::Open);
    ui->actionSave_Registers->setShortcut(QKeySequence::Save);
    connect(ui->actionDirect_Register_Access, &QAction::triggered, this,
            &MainWindow::on_actionDirect_Register_Access_activated);
}

// What a user without a mouse, or with a screen reader, needs: Tab reaches
// every control in reading order (the form's tab stops), each control is
// spoken by what it is, the platform's Refresh key (F5) runs Update, and
// Alt with a title's first letter opens that menu.
void MainWindow::addKeyboardAccess()
{
    setTabChain(*this);
    namePanelControls(controls);
    setSpokenName(*ui->tabWidget, tr("Panel pages"));
    setSpokenName(*ui->tabWidget->tabBar(), tr("Pages"));
    // The two logs and their Clear buttons, one of each on either page.
    setSpokenName(*ui->eventlog, tr("Event log"));
    setSpokenName(*ui->pushButton_2, tr("Clear event log"));
    setSpokenName(*ui->registerlog, tr("Register log"));
    setSpokenName(*ui->pushButton, tr("Clear register log"));

    auto *refresh = new QAction(this);
    refresh->setShortcuts(QKeySequence::Refresh);
    addAction(refresh);
    connect(refresh, &QAction::triggered, ui->readregisters, &QAbstractButton::animateClick);

    for (QAction *menu : ui->menuBar->actions())
        menu->setText(QLatin1Char('&') + menu->text());
}

// How the parts hear of each other. Each listener does its whole part when
// told, so the order of these connections does not matter.
void MainWindow::connectParts()
{
    // Every register transfer, as the user sees it.
    connect(&link, &DeviceLink::registerTransferred, status.get(), &StatusFields::showTransfer);
    connect(&link, &DeviceLink::registerTransferred, logs.get(), &PanelLogs::logTransfer);

    // The link state, whenever it may have changed: as a connection attempt
    // begins and succeeds, after every refresh (which reads the board), and
    // at the end of Write regs.
    connect(supervisor.get(), &ConnectionSupervisor::connecting, status.get(),
            &StatusFields::showLinkState);
    connect(supervisor.get(), &ConnectionSupervisor::linkUp, status.get(),
            &StatusFields::showLinkState);
    connect(refresh.get(), &DisplayRefresh::refreshed, status.get(), &StatusFields::showLinkState);
    connect(bulk.get(), &BulkTransfer::writtenBack, status.get(), &StatusFields::showLinkState);

    // What the supervisor asks of the panel.
    connect(supervisor.get(), &ConnectionSupervisor::readBackWanted, this,
            &MainWindow::on_readregisters_clicked);
    connect(supervisor.get(), &ConnectionSupervisor::refreshWanted, refresh.get(),
            &DisplayRefresh::update_display);
    connect(supervisor.get(), &ConnectionSupervisor::pollingChanged, refresh.get(),
            &DisplayRefresh::setPolling);

    connect(refresh.get(), &DisplayRefresh::probesRead, &history, &ProbeHistory::append);

    // The register map shows what each refresh shows, and learns from the
    // transfers which registers were read and which values reached the chip;
    // its edits are panel edits, and its Read All is Update.
    RegisterMapModel &map = registerMapWindow->model();
    connect(refresh.get(), &DisplayRefresh::refreshed, &map, &RegisterMapModel::showRefresh);
    connect(&link, &DeviceLink::registerTransferred, &map, &RegisterMapModel::noteTransfer);
    connect(&map, &RegisterMapModel::registerEdited, this, &MainWindow::editRegister);
    connect(registerMapWindow, &RegisterMapWindow::readAllRequested, this,
            &MainWindow::on_readregisters_clicked);

    connect(directAccess, &direct_access::readRequested, this, &MainWindow::dr_read);
    connect(directAccess, &direct_access::writeRequested, this, &MainWindow::dr_write);

    // A recording takes every register write and pin action, whoever made it.
    connect(&link, &DeviceLink::registerTransferred, recorder.get(),
            &RegisterRecorder::recordTransfer);
    connect(&link, &DeviceLink::pinDriven, recorder.get(), &RegisterRecorder::recordPin);

    // Nothing of the supervisor's runs between a register file's statements
    // (nor between a sweep's steps: connectSweep()).
    connect(registerFiles.get(), &RegisterFileCommands::loadStarted, supervisor.get(),
            &ConnectionSupervisor::holdTicks);
    connect(registerFiles.get(), &RegisterFileCommands::loadFinished, supervisor.get(),
            &ConnectionSupervisor::releaseTicks);
}

// The sweep window's part of the list above, once the window is made:
// nothing of the supervisor's runs between a sweep's steps, nor anything of
// a sweep's during a load, and a step is a panel edit of its field.
void MainWindow::connectSweep()
{
    connect(sweepWindow, &SweepWindow::sweepStarted, supervisor.get(), &ConnectionSupervisor::holdTicks);
    connect(sweepWindow, &SweepWindow::sweepFinished, supervisor.get(), &ConnectionSupervisor::releaseTicks);
    connect(registerFiles.get(), &RegisterFileCommands::loadStarted, sweepWindow, &SweepWindow::holdTurns);
    connect(registerFiles.get(), &RegisterFileCommands::loadFinished, sweepWindow, &SweepWindow::releaseTurns);
    connect(sweepWindow, &SweepWindow::fieldWritten, this, &MainWindow::showEditedRegisters);
}

// The probe history window and its Tools menu entry, below the direct
// register access. Like that dialog, the window is made once, hidden, after
// the panel's controls were collected, so none of its own are among them.
void MainWindow::addProbeHistory()
{
    probeHistoryWindow = new ProbeHistoryWindow(history, refresh->runClock(), this);
    auto *action = new QAction(tr("Probe History"), this);
    action->setObjectName(QStringLiteral("actionProbe_History"));
    ui->menuTools->addAction(action);
    connect(action, &QAction::triggered, this, &MainWindow::on_actionProbe_History_activated);
}

// File ▸ "Record Register Writes…", after Save Registers. Pin actions are
// named in the recording as the panel labels their controls.
void MainWindow::addRecording()
{
    auto *action = new QAction(this);
    action->setObjectName(QStringLiteral("actionRecord_Register_Writes"));
    const QList<QAction *> fileActions = ui->menuFile->actions();
    ui->menuFile->insertAction(fileActions.value(fileActions.indexOf(ui->actionSave_Registers) + 1),
                               action);
    recording = std::make_unique<RecordingCommand>(*recorder, *action, this);
    connect(action, &QAction::triggered, this, &MainWindow::on_actionRecord_Register_Writes_activated);

    for (const QAbstractButton *button : std::as_const(controls.buttons)) {
        const ButtonBinding binding = get_cb_addr(button->objectName());
        if (binding.kind == ButtonBinding::Pin)
            recorder->namePin(DeviceLink::controllerGroup(binding.group), binding.pin, button->text());
    }
    recorder->namePin(devSleepPin.group, devSleepPin.pin, ui->DevSleep->text());
    recorder->namePin(hostControllerPin.group, hostControllerPin.pin, ui->pwrup->text());
}

// The register map and its Tools menu entry, the third. It reads the panel's
// register controls once, so it is made after they were collected and its
// own widgets are none of them.
void MainWindow::addRegisterMap()
{
    registerMapWindow = new RegisterMapWindow(mirror, panelFields(), this);
    auto *action = new QAction(tr("Register Map"), this);
    action->setObjectName(QStringLiteral("actionRegister_Map"));
    ui->menuTools->addAction(action);
    connect(action, &QAction::triggered, this, &MainWindow::on_actionRegister_Map_activated);
}

// Tools ▸ "Sweep…", the fourth entry: it steps the panel's combo boxes, as
// the register map names them. The window is made when first asked for:
// until then no sweep can run, and start-up need not build it.
void MainWindow::addSweep()
{
    auto *action = new QAction(tr("Sweep\u2026"), this);
    action->setObjectName(QStringLiteral("actionSweep"));
    ui->menuTools->addAction(action);
    connect(action, &QAction::triggered, this, &MainWindow::on_actionSweep_activated);
}

// A register changed by the program rather than on the panel: the panel
// and the register map show it at once, without reading the board.
void MainWindow::showEditedRegisters()
{
    refresh->showRegisters();
    registerMapWindow->model().showMirror();
}

// An edit in the register map, as an edit of a panel control bound to the
// register: the panel shows it at once, without reading the board.
void MainWindow::editRegister(int address, int value)
{
    edits->registerEdited(address, value);
    showEditedRegisters();
}

// After a panel edit the register map shows the mirror as the panel does.
void MainWindow::on_buttonGroup_buttonClicked(int id)
{
    if (const QAbstractButton *button = panelButtons.button(id))
        edits->buttonClicked(*button);
    registerMapWindow->model().showMirror();
}

void MainWindow::on_combobox_activated(int index)
{
    if (const QObject *combo = sender())
        edits->fieldChosen(combo->objectName(), index);
    registerMapWindow->model().showMirror();
}

void MainWindow::on_actionAbout_activated()
{
    qCDebug(lcTrace, "on_actionAbout_activated()");
    AboutBox box(this);
    box.exec();
}

void MainWindow::on_actionLoad_Registers_activated()
{
    registerFiles->load();
}

void MainWindow::on_actionSave_Registers_activated()
{
    registerFiles->save();
}

void MainWindow::on_actionRecord_Register_Writes_activated()
{
    recording->toggle();
}

void MainWindow::init_hardware()
{
    supervisor->init_hardware();
}

void MainWindow::on_autowrite_clicked()
{
    qCDebug(lcTrace, "on_autowrite_clicked()");
    if (controls.autoWrite)
        edits->setAutoWrite(controls.autoWrite->isChecked());
}

void MainWindow::timer_func()
{
    supervisor->timer_func();
}

void MainWindow::on_pollstatus_clicked()
{
    supervisor->setPolling(controls.pollStatus && controls.pollStatus->isChecked());
}

void MainWindow::on_readregisters_clicked()
{
    bulk->readAll();
}

void MainWindow::on_writeregisters_clicked()
{
    bulk->writeAll();
}

void MainWindow::on_actionDirect_Register_Access_activated()
{
    qCDebug(lcTrace, "direct_access()");
    directAccess->show();
}

void MainWindow::on_actionProbe_History_activated()
{
    qCDebug(lcTrace, "on_actionProbe_History_activated()");
    probeHistoryWindow->show();
}

void MainWindow::on_actionRegister_Map_activated()
{
    qCDebug(lcTrace, "on_actionRegister_Map_activated()");
    registerMapWindow->show();
    registerMapWindow->raise();
    registerMapWindow->activateWindow();
}

void MainWindow::on_actionSweep_activated()
{
    qCDebug(lcTrace, "on_actionSweep_activated()");
    if (!sweepWindow) {
        sweepWindow = new SweepWindow(sweepFields(panelFields()), link, mirror, this);
        connectSweep();
    }
    sweepWindow->show();
    sweepWindow->raise();
    sweepWindow->activateWindow();
}

void MainWindow::dr_read()
{
    directAccess->setData(link.register_read(directAccess->address(), Activity::DirectAccess));
}

void MainWindow::dr_write()
{
    link.register_write(directAccess->address(), directAccess->data(), Activity::DirectAccess);
}

void MainWindow::on_pwrup_clicked()
{
    link.pulseHostController();
}

void MainWindow::on_DevSleep_clicked()
{
    link.driveDevSleep(ui->DevSleep->isChecked());
}
