// SPDX-License-Identifier: GPL-3.0-or-later
#include "modalanswers.h"
#include "windowfixture.h"

#include "binding/bindingname.h"

#include <QAction>
#include <QDialog>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

// Every operation that talks to the board, with exactly one controller call
// failing: first the operation runs on a healthy board to learn its calls,
// then once for each of them with that call failing. After each run the link,
// the register mirror, the logs and the status field must be what the
// failure rules give, and the window must find the board again once it
// answers.

namespace {

using Calls = QVector<FakeController::Call>;
using Fixture = std::unique_ptr<WindowFixture>;
// Something done to the window: an operation or the state it starts from.
using Step = std::function<void(WindowFixture &)>;
// Clears the call record and scripts the failure, right before the operation.
using Arm = Step;
// Builds the window, brings it into the state the operation starts from,
// calls arm and runs the operation.
using Scenario = std::function<void(Fixture &, const Arm &)>;

const QString ready = QStringLiteral("   ready   ");
const QString notConnected = QStringLiteral("   not connected   ");

constexpr quint8 failedRead = 0xff;

// The board's registers when the window opens it, and what it holds by the
// time the operation runs, so that every read shows in the mirror.
quint8 contentAtOpen(int address)
{
    return static_cast<quint8>(0x10 + address);
}
quint8 contentLater(int address)
{
    return static_cast<quint8>(0x60 + address);
}

void fillRegisters(FakeController &board, quint8 (*content)(int))
{
    for (int a = 0; a < registerMirrorSize; ++a)
        board.registers[a] = content(a);
}

// What a failure may change.
struct LinkState
{
    RegisterMirror mirror{};
    bool connected = false;
    bool polling = false;
    bool pollBoxChecked = false;
    bool pollTimerActive = false;
    bool reconnectActive = false;
    int reconnectInterval = 0;
    QString stateText;
};

LinkState snapshot(const WindowFixture &f)
{
    const ConnectionSupervisor &supervision = f.window->connectionSupervisor();
    return {f.window->registerMirror(),
            f.window->deviceLink().isConnected(),
            supervision.isPolling(),
            f.find<QCheckBox>(QStringLiteral("pollstatus"))->isChecked(),
            supervision.pollTimer().isActive(),
            supervision.reconnectTimer().isActive(),
            supervision.reconnectTimer().interval(),
            f.stateLabel()->text()};
}

QString mirrorText(const RegisterMirror &mirror)
{
    QStringList bytes;
    for (quint8 b : mirror)
        bytes << QString::number(b, 16).rightJustified(2, QLatin1Char('0'));
    return bytes.join(QLatin1Char(' '));
}

QString linkText(const LinkState &s)
{
    return QStringLiteral("connected %1 polling %2 box %3 poll timer %4 reconnect %5 (%6 ms)")
            .arg(s.connected)
            .arg(s.polling)
            .arg(s.pollBoxChecked)
            .arg(s.pollTimerActive)
            .arg(s.reconnectActive)
            .arg(s.reconnectInterval);
}

QStringList callTexts(const Calls &calls)
{
    QStringList texts;
    for (const FakeController::Call &c : calls)
        texts << c.text();
    return texts;
}

bool isTransfer(const FakeController::Call &c)
{
    return c.name == QLatin1String("spi_read") || c.name == QLatin1String("spi_write");
}

int transferCount(const Calls &calls)
{
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), isTransfer));
}

// A successful register transfer marks the board as answering again, so
// the link ends connected when one follows the failed call.
bool transferAfter(const Calls &calls, int k)
{
    return std::any_of(calls.begin() + k, calls.end(), isTransfer);
}

// How the program treats a failure of the k-th call (1-based).
enum class Fault {
    OpenFailed,   // no handle: not connected, retry; polling as it was
    Unexamined,   // the result is never looked at
    NotConnected, // the not-connected policy
};

Fault classify(const Calls &calls, int k)
{
    const FakeController::Call &c = calls.at(k - 1);
    if (c.name == QLatin1String("usb_hid_init"))
        return Fault::OpenFailed;
    if (c.name == QLatin1String("init_controller") || c.name == QLatin1String("set_pin_dir"))
        return Fault::Unexamined;
    // The level set right after the pin set-up belongs to the open sequence.
    if (c.name == QLatin1String("set_pin") && k >= 2
        && calls.at(k - 2).name == QLatin1String("set_pin_dir"))
        return Fault::Unexamined;
    // An ADC read throws its first conversion away.
    if (c.name == QLatin1String("measure")) {
        int earlier = 0;
        for (int i = k - 2; i >= 0 && calls.at(i).text() == c.text(); --i)
            ++earlier;
        if (earlier % 2 == 0)
            return Fault::Unexamined;
    }
    return Fault::NotConnected;
}

// How an operation's register reads reach the mirror.
enum class Reads {
    None,     // it reads nothing into the mirror
    ReadBack, // 0x00 upwards, stopping at the first failed read
    Poll,     // the panel registers, every one of them also after a failure
};

// Which of its transfers the register log shows.
enum class Logged { Nothing, Successful, Every };

// What the operation does after a failed call.
enum class Goes {
    On,               // makes the same calls as without the failure
    StopsReadingBack, // a failed read ends its read-back
    OwnRule,          // checked by the operation's own check
};

enum Trait {
    IgnoresFailures = 1,
    RefreshesDisplay = 2, // so "Poll status" shows the polling flag afterwards
    EndsWithStatus = 4,   // so the state field shows the link afterwards
    OpensWindow = 8,      // and writes the start-up lines
};

struct Operation
{
    const char *name;
    Scenario scenario;
    Reads reads;
    Logged logged;
    Goes goes;
    int traits;
    // Checks of the operation's own, after a failure that applied the
    // not-connected policy.
    std::function<void(const WindowFixture &, const Calls &baseline, int k)> ownCheck;
};

// The window over a board that answers, with polling on; the board's
// registers have changed since the window read them.
void connectedAndPolling(Fixture &f)
{
    f = std::make_unique<WindowFixture>(
            true, [](WindowFixture &w) { fillRegisters(w.board, contentAtOpen); });
    f->find<QCheckBox>(QStringLiteral("pollstatus"))->click();
    fillRegisters(f->board, contentLater);
}

// The window that started without a board, with "Poll status" checked while
// the board was away; now the board is back.
void boardBack(Fixture &f)
{
    f = std::make_unique<WindowFixture>(false);
    f->find<QCheckBox>(QStringLiteral("pollstatus"))->click();
    f->board.present = true;
    fillRegisters(f->board, contentLater);
}

// Runs an operation on the connected, polling window.
Scenario connected(Step operation,
                   Step prepare = {})
{
    return [=](Fixture &f, const Arm &arm) {
        connectedAndPolling(f);
        if (prepare)
            prepare(*f);
        arm(*f);
        operation(*f);
    };
}

Step click(const char *name)
{
    return [=](WindowFixture &f) {
        QTest::mouseClick(f.find<QAbstractButton>(QLatin1String(name)), Qt::LeftButton);
    };
}

Step invoke(const char *slot)
{
    return [=](WindowFixture &f) { f.invoke(slot); };
}

// Chooses an item the way the user does: the box changes, then reports it.
Step choose(const char *comboName, int index)
{
    return [=](WindowFixture &f) {
        QComboBox *combo = f.find<QComboBox>(QLatin1String(comboName));
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    };
}

// The panel binds by object name alone, so a re-mapped panel is a rename.
Step rename(const char *from, const char *to)
{
    return [=](WindowFixture &f) {
        f.find<QWidget>(QLatin1String(from))->setObjectName(QLatin1String(to));
    };
}

// "Write regs" re-mapped as a push button bound by name, the way a panel
// edited in Designer would carry a pulse button; its own slot is cut off, so
// the click reaches the binding engine only.
Step pulseButton(const char *binding)
{
    return [=](WindowFixture &f) {
        QPushButton *button = f.find<QPushButton>(QStringLiteral("writeregisters"));
        QObject::disconnect(button, nullptr, f.window.get(), nullptr);
        button->setObjectName(QLatin1String(binding));
    };
}

QDialog *directAccess(const WindowFixture &f)
{
    return f.find<QDialog>(QStringLiteral("direct_access"));
}

template <typename T>
T *inDialog(const WindowFixture &f, const char *name)
{
    T *w = directAccess(f)->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no %s in the dialog", name);
    return w;
}

Step openDialog(const char *address, const char *data)
{
    return [=](WindowFixture &f) {
        f.find<QAction>(QStringLiteral("actionDirect_Register_Access"))->trigger();
        inDialog<QLineEdit>(f, "lineEdit")->setText(QLatin1String(address));
        inDialog<QLineEdit>(f, "lineEdit_2")->setText(QLatin1String(data));
    };
}

Step clickInDialog(const char *button)
{
    return [=](WindowFixture &f) {
        QTest::mouseClick(inDialog<QPushButton>(f, button), Qt::LeftButton);
    };
}

// File ▸ Load Registers with a file whose marked statements reach the chip.
// Polling goes on, and the failure is armed, only once the file is chosen:
// the timers run while the file dialog is open.
void loadRegisterFile(Fixture &f, const Arm &arm)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("marks.qrx"));
    QFile file(path);
    const QByteArray text = "reg 0x07 0x2a w\n"
                            "reg 0x03 0x11\n"
                            "sleep 1\n"
                            "reg 0x0a 0x81 w\n"
                            "reg 0x0b 0x56 W\n";
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();

    f = std::make_unique<WindowFixture>(
            true, [](WindowFixture &w) { fillRegisters(w.board, contentAtOpen); });
    WindowFixture &w = *f;
    // A write the board did not answer is told once the file has run.
    ModalAnswers answers({chooseFile(path, [&w, &arm] {
        w.find<QCheckBox>(QStringLiteral("pollstatus"))->click();
        arm(w);
    }), pressButton(QMessageBox::Ok)});
    w.find<QAction>(QStringLiteral("actionLoad_Registers"))->trigger();
    QCOMPARE(answers.unexpected, 0);
}

// The dialog shows and logs the failure value of the read.
void dialogReadShowsFailure(const WindowFixture &f, const Calls &, int)
{
    QCOMPARE(inDialog<QLineEdit>(f, "lineEdit_2")->text(), QStringLiteral("ff"));
    QVERIFY(f.registerLog().last().endsWith(QStringLiteral(" : register read (0dh,ffh)")));
    QCOMPARE(f.transferLabel()->text(), QStringLiteral("   R0d:ff   "));
}

// A failure ends the check-box pass only; in the combo-box pass it ends the
// whole write.
void bulkWriteStopsByPass(const WindowFixture &f, const Calls &baseline, int k)
{
    int checkBoxWrites = 0;
    for (const QAbstractButton *button : f.window->panelControls().buttons)
        checkBoxWrites += get_cb_addr(button->objectName()).kind == ButtonBinding::Bit;
    QStringList expected = callTexts(baseline.mid(0, k));
    if (k <= checkBoxWrites)
        expected += callTexts(baseline.mid(checkBoxWrites));
    QCOMPARE(callTexts(f.board.calls), expected);
}

const QVector<Operation> &operations()
{
    static const QVector<Operation> table = {
        {"start-up open",
         [](Fixture &f, const Arm &arm) {
             f = std::make_unique<WindowFixture>(true, [&arm](WindowFixture &w) {
                 fillRegisters(w.board, contentLater);
                 arm(w);
             });
         },
         Reads::ReadBack, Logged::Successful, Goes::StopsReadingBack,
         RefreshesDisplay | EndsWithStatus | OpensWindow, {}},
        {"reconnect tick",
         [](Fixture &f, const Arm &arm) {
             boardBack(f);
             arm(*f);
             f->invoke("init_hardware");
         },
         Reads::ReadBack, Logged::Successful, Goes::StopsReadingBack,
         RefreshesDisplay | EndsWithStatus, {}},
        {"poll tick", connected(invoke("timer_func")), Reads::Poll, Logged::Nothing, Goes::On,
         RefreshesDisplay | EndsWithStatus, {}},
        // The tick after a reconnection: its only board calls are the refresh.
        {"display refresh",
         [](Fixture &f, const Arm &arm) {
             boardBack(f);
             f->invoke("init_hardware");
             arm(*f);
             f->invoke("init_hardware");
         },
         Reads::None, Logged::Nothing, Goes::On, RefreshesDisplay | EndsWithStatus, {}},
        {"combo box choice", connected(choose("co0750", 42)), Reads::None, Logged::Every, Goes::On,
         EndsWithStatus, {}},
        {"split field choice", connected(choose("co07500831", 200), rename("co0750", "co07500831")),
         Reads::None, Logged::Every, Goes::On, EndsWithStatus, {}},
        {"one-hot field choice", connected(choose("co0a20s", 2), rename("co0750", "co0a20s")),
         Reads::None, Logged::Every, Goes::On, EndsWithStatus, {}},
        {"bit check box", connected(click("cb0a1")), Reads::None, Logged::Every, Goes::On,
         EndsWithStatus, {}},
        {"pulse bit button", connected(click("cb0c5"), pulseButton("cb0c5")), Reads::None,
         Logged::Every, Goes::On, EndsWithStatus, {}},
        {"pin check box", connected(click("io0203")), Reads::None, Logged::Nothing, Goes::On, 0, {}},
        {"pulse pin button", connected(click("io0205"), pulseButton("io0205")), Reads::None,
         Logged::Nothing, Goes::On, 0, {}},
        {"bulk read", connected(click("readregisters")), Reads::ReadBack, Logged::Successful,
         Goes::StopsReadingBack, RefreshesDisplay | EndsWithStatus, {}},
        {"bulk write", connected(click("writeregisters")), Reads::None, Logged::Successful,
         Goes::OwnRule, EndsWithStatus, bulkWriteStopsByPass},
        {"register file load", loadRegisterFile, Reads::None, Logged::Nothing, Goes::On, 0, {}},
        {"dialog read", connected(clickInDialog("pushButton_2"), openDialog("0d", "00")),
         Reads::None, Logged::Every, Goes::On, EndsWithStatus, dialogReadShowsFailure},
        {"dialog write", connected(clickInDialog("pushButton"), openDialog("07", "2a")),
         Reads::None, Logged::Every, Goes::On, EndsWithStatus, {}},
        {"HOST CONTROLLER", connected(click("pwrup")), Reads::None, Logged::Nothing, Goes::On,
         IgnoresFailures, {}},
        {"DEVSLP", connected(click("DevSleep")), Reads::None, Logged::Nothing, Goes::On,
         IgnoresFailures, {}},
    };
    return table;
}

// One run of an operation with its k-th call failing (none for k = 0).
struct Run
{
    Fixture f;
    LinkState before;
    int registerLogBefore = 0;
};

void perform(Run &run, const Operation &operation, int k)
{
    operation.scenario(run.f, [&run, k](WindowFixture &f) {
        if (f.window) {
            run.before = snapshot(f);
            run.registerLogBefore = static_cast<int>(f.registerLog().size());
        }
        f.board.clearCalls();
        if (k > 0)
            f.board.failCall(k);
    });
}

// The mirror after a failed read: 0xFF where it failed; a read-back leaves
// the registers above it as they were.
RegisterMirror expectedMirror(Reads reads, const LinkState &before, const LinkState &fine,
                              const FakeController::Call &failed)
{
    RegisterMirror m = fine.mirror;
    if (reads == Reads::None || failed.name != QLatin1String("spi_read"))
        return m;
    const int address = failed.args.at(1);
    if (reads == Reads::ReadBack)
        std::copy(before.mirror.begin() + address + 1, before.mirror.end(), m.begin() + address + 1);
    m[address] = failedRead;
    return m;
}

} // namespace

class TestFaultInjection : public QObject
{
    Q_OBJECT

private slots:
    void failingCall_data();
    void failingCall();
    void cleanupTestCase();

private:
    struct Baseline
    {
        Calls calls;
        LinkState after;
    };

    static void checkOpenFailed(const Run &run, const Calls &calls, int k);
    static void checkNotConnected(const Operation &op, const Baseline &fine, const Run &run,
                                  int k);
    static void checkLogs(const Operation &op, const Run &run, int k);
    static void checkBoardFoundAgain(WindowFixture &f);

    QVector<Baseline> baselines;
    QVector<int> exercised;
};

void TestFaultInjection::failingCall_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("k");

    baselines.clear();
    const QVector<Operation> &ops = operations();
    exercised.fill(0, ops.size());
    for (int op = 0; op < ops.size(); ++op) {
        Run run;
        perform(run, ops.at(op), 0);
        if (!run.f)
            qFatal("%s did not run", ops.at(op).name);
        baselines.append({run.f->board.calls, snapshot(*run.f)});
        for (int k = 1; k <= baselines.last().calls.size(); ++k)
            QTest::addRow("%s, call %d: %s", ops.at(op).name, k,
                          qPrintable(baselines.last().calls.at(k - 1).text()))
                    << op << k;
    }
}

void TestFaultInjection::failingCall()
{
    QFETCH(int, operation);
    QFETCH(int, k);
    const Operation &op = operations().at(operation);
    const Baseline &fine = baselines.at(operation);

    Run run;
    perform(run, op, k);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(run.f && run.f->window);
    const Calls &calls = run.f->board.calls;
    QVERIFY(calls.size() >= k);
    QCOMPARE(calls.at(k - 1).text(), fine.calls.at(k - 1).text());

    const Fault fault = (op.traits & IgnoresFailures) ? Fault::Unexamined : classify(fine.calls, k);
    switch (fault) {
    case Fault::Unexamined: {
        // As if nothing had failed.
        const LinkState now = snapshot(*run.f);
        QCOMPARE(callTexts(calls), callTexts(fine.calls));
        QCOMPARE(linkText(now), linkText(fine.after));
        QCOMPARE(mirrorText(now.mirror), mirrorText(fine.after.mirror));
        QCOMPARE(now.stateText, fine.after.stateText);
        break;
    }
    case Fault::OpenFailed:
        checkOpenFailed(run, calls, k);
        break;
    case Fault::NotConnected:
        checkNotConnected(op, fine, run, k);
        break;
    }
    if (QTest::currentTestFailed())
        return;
    checkLogs(op, run, k);
    if (QTest::currentTestFailed())
        return;
    checkBoardFoundAgain(*run.f);
    if (QTest::currentTestFailed())
        return;
    ++exercised[operation];
}

// No handle: not connected and retrying, everything else as it was.
void TestFaultInjection::checkOpenFailed(const Run &run, const Calls &calls, int k)
{
    const LinkState now = snapshot(*run.f);
    QVERIFY(!now.connected);
    QCOMPARE(now.polling, run.before.polling);
    QVERIFY(now.reconnectActive);
    QCOMPARE(now.reconnectInterval, 500);
    QCOMPARE(mirrorText(now.mirror), mirrorText(run.before.mirror));
    // No set-up and no read-back: at most the constructor's own refresh.
    for (int i = k; i < calls.size(); ++i)
        QVERIFY2(calls.at(i).name == QLatin1String("read_pin")
                         || calls.at(i).name == QLatin1String("measure"),
                 qPrintable(calls.at(i).text()));
}

void TestFaultInjection::checkNotConnected(const Operation &op, const Baseline &fine,
                                           const Run &run, int k)
{
    const Calls &calls = run.f->board.calls;
    const LinkState now = snapshot(*run.f);
    LinkState expected = now;
    expected.connected = transferAfter(calls, k);
    expected.polling = false;
    expected.pollTimerActive = false;
    // Only a refresh brings the check box in line with the flag.
    expected.pollBoxChecked = (op.traits & RefreshesDisplay) ? false : run.before.pollBoxChecked;
    expected.reconnectActive = true;
    expected.reconnectInterval = 500;
    QCOMPARE(linkText(now), linkText(expected));
    QCOMPARE(mirrorText(now.mirror),
             mirrorText(expectedMirror(op.reads, run.before, fine.after, calls.at(k - 1))));

    switch (op.goes) {
    case Goes::On:
        QCOMPARE(callTexts(calls), callTexts(fine.calls));
        break;
    case Goes::StopsReadingBack:
        // A failed read ends the read-back; a failure in the refresh after
        // it changes nothing else.
        if (calls.at(k - 1).name == QLatin1String("spi_read"))
            QVERIFY(!transferAfter(calls, k));
        else
            QCOMPARE(callTexts(calls), callTexts(fine.calls));
        break;
    case Goes::OwnRule:
        break;
    }
    if (op.ownCheck)
        op.ownCheck(*run.f, fine.calls, k);
}

// Register log lines for the transfers the operation logs, the event log
// untouched, and the state field telling the truth where it is updated.
void TestFaultInjection::checkLogs(const Operation &op, const Run &run, int k)
{
    const WindowFixture &f = *run.f;
    const Calls &calls = f.board.calls;
    int logged = 0;
    if (op.logged == Logged::Every)
        logged = transferCount(calls);
    else if (op.logged == Logged::Successful)
        logged = transferCount(calls) - (isTransfer(calls.at(k - 1)) ? 1 : 0);
    if (op.traits & OpensWindow)
        ++logged;
    QCOMPARE(static_cast<int>(f.registerLog().size()), run.registerLogBefore + logged);
    QCOMPARE(static_cast<int>(f.eventLog().size()), 1);
    if (op.traits & EndsWithStatus)
        QCOMPARE(f.stateLabel()->text(),
                 f.window->deviceLink().isConnected() ? ready : notConnected);
}

// The board answers again: the next reconnect tick finds it, and the one
// after that, if the first reopened it, ends the retrying.
void TestFaultInjection::checkBoardFoundAgain(WindowFixture &f)
{
    f.board.clearFailures();
    DeviceLink &link = f.window->deviceLink();
    const ConnectionSupervisor &supervision = f.window->connectionSupervisor();
    f.invoke("init_hardware");
    QCOMPARE(f.stateLabel()->text(), ready);
    if (supervision.reconnectTimer().isActive()) {
        f.invoke("init_hardware");
        QCOMPARE(f.stateLabel()->text(), ready);
    }
    QVERIFY(link.isConnected());
    QVERIFY(!supervision.reconnectTimer().isActive());
    QCOMPARE(f.find<QCheckBox>(QStringLiteral("pollstatus"))->isChecked(), supervision.isPolling());
}

void TestFaultInjection::cleanupTestCase()
{
    int total = 0;
    QStringList perOperation;
    for (int op = 0; op < exercised.size(); ++op) {
        total += exercised.at(op);
        perOperation << QStringLiteral("%1 %2").arg(QLatin1String(operations().at(op).name))
                                                .arg(exercised.at(op));
    }
    qInfo("fault points exercised: %d (%s)", total,
          qPrintable(perOperation.join(QStringLiteral(", "))));
}

QTEST_MAIN(TestFaultInjection)
#include "tst_faultinjection.moc"
