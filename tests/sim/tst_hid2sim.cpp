// SPDX-License-Identifier: GPL-3.0-or-later
#include "hid2.h"
#include "hid2sim.h"
#include "platformfiles.h"
#include "simulatedboard.h"
#include "sharedstate.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <functional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using HandleCall = std::function<int(int)>;
Q_DECLARE_METATYPE(HandleCall)
// What another process does to the state file's bytes.
using FileChange = std::function<QByteArray(const QByteArray &)>;
Q_DECLARE_METATYPE(FileChange)

namespace {

constexpr int statusRegister = 0x0d;
constexpr int enableRegister = 0x0a;
constexpr int comparatorRegister = 0x0b;
constexpr int maskRegister = 0x0c;
constexpr int polarityRegister = 0x0e;
constexpr int comparatorOff = 0x00;
constexpr int adcBits = 1024;
constexpr double adcReference = 2.44;
constexpr double batteryCoefficient = 2.80;
constexpr int batteryChannel = 7;

using RegisterImage = std::array<int, 256>;

// What the second process printed and how it ended.
struct PeerRun
{
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

QProcessEnvironment environmentWithState(const QString &statePath)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!statePath.isNull())
        environment.insert(QLatin1String(sim::stateFileVariable), statePath);
    return environment;
}

void startPeer(QProcess &peer, const QStringList &steps, const QString &statePath = {})
{
    peer.setProcessEnvironment(environmentWithState(statePath));
    peer.start(QStringLiteral(SIM_PEER), steps);
}

PeerRun finishPeer(QProcess &peer)
{
    PeerRun run;
    // A peer that did not end by itself says why, for the failure to tell.
    if (!peer.waitForFinished(10000) || peer.exitStatus() != QProcess::NormalExit) {
        run.errors = peer.errorString() + QLatin1Char('\n') + QString::fromLocal8Bit(peer.readAllStandardError());
        return run;
    }
    run.exitCode = peer.exitCode();
    // The standard streams of a Windows program are text, with CR LF.
    run.lines = QString::fromLocal8Bit(peer.readAllStandardOutput().replace("\r\n", "\n"))
                        .split('\n', Qt::SkipEmptyParts);
    run.errors = QString::fromLocal8Bit(peer.readAllStandardError());
    return run;
}

// Runs the steps in a second process on the board of the given state file
// (by default the one this test uses).
PeerRun runPeer(const QStringList &steps, const QString &statePath = {})
{
    QProcess peer;
    startPeer(peer, steps, statePath);
    return finishPeer(peer);
}

// Runs zq40613-sim the same way.
PeerRun runTool(const QStringList &arguments, const QString &statePath = {})
{
    QProcess tool;
    tool.setProcessEnvironment(environmentWithState(statePath));
    tool.start(QStringLiteral(SIM_TOOL), arguments);
    return finishPeer(tool);
}

QString ourStateFile()
{
    return qEnvironmentVariable(sim::stateFileVariable);
}

bool writeFile(const QString &path, const QByteArray &content, QFile::Permissions permissions)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size()
           && file.setPermissions(permissions);
}

#ifdef Q_OS_UNIX
mode_t fileMode(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
}
#endif

// The state file: magic, layout version and state size, then the state.
constexpr int stateOffset = 16;

// A file of an older build: the right magic and size, another layout version.
QByteArray olderLayout(std::uint32_t version)
{
    QByteArray image("ZQ40613S");
    const std::uint32_t header[] = {version, sizeof(sim::BoardState)};
    image.append(reinterpret_cast<const char *>(header), sizeof header);
    image.append(QByteArray(sizeof(sim::BoardState), '\x5a'));
    return image;
}

// One field of the state changed in place, header and all else kept.
FileChange stateChange(const std::function<void(sim::BoardState &)> &change)
{
    return [change](const QByteArray &file) {
        sim::BoardState state{};
        if (file.size() < stateOffset + int(sizeof state))
            return file;
        std::memcpy(&state, file.constData() + stateOffset, sizeof state);
        change(state);
        QByteArray changed = file;
        changed.replace(stateOffset, sizeof state, reinterpret_cast<const char *>(&state), sizeof state);
        return changed;
    };
}

double probeVolts(int count, double coefficient)
{
    return coefficient * adcReference * count / adcBits;
}

// What the panel would show must match the voltage to within half a count.
bool scalesBackTo(int count, double coefficient, int millivolts)
{
    const double halfCount = coefficient * adcReference / adcBits / 2;
    return count >= 0 && count < adcBits
           && std::abs(probeVolts(count, coefficient) - millivolts / 1000.0) <= halfCount + 1e-9;
}

} // namespace

class TestSimBoard : public QObject
{
    Q_OBJECT

private:
    int m_handle = -1;

    void drive(int group, int pin, int level)
    {
        QVERIFY(set_pin_dir(m_handle, group, pin, 1, 0));
        QVERIFY(set_pin(m_handle, group, pin, level, 0));
    }

    void setSleepPins(int devSleep, int override1, int override2)
    {
        drive(3, 1, devSleep);
        drive(3, 3, override1);
        drive(3, 4, override2);
    }

    void write(int address, int data) { QVERIFY(spi_write(m_handle, address, data, 0)); }

    RegisterImage registers() const
    {
        RegisterImage image{};
        for (int address = 0; address < int(image.size()); ++address)
            image[address] = spi_read(m_handle, address, 0);
        return image;
    }

    static void addEveryCall()
    {
        QTest::addColumn<HandleCall>("call");
        QTest::addColumn<int>("failure");
        QTest::newRow("init_controller") << HandleCall([](int h) { return init_controller(h); }) << 0;
        QTest::newRow("set_pin_dir") << HandleCall([](int h) { return set_pin_dir(h, 3, 1, 1, 0); }) << 0;
        QTest::newRow("set_pin") << HandleCall([](int h) { return set_pin(h, 3, 3, 1, 0); }) << 0;
        QTest::newRow("read_pin") << HandleCall([](int h) { return read_pin(h, 3, 2, 0); }) << -1;
        QTest::newRow("spi_read") << HandleCall([](int h) { return spi_read(h, 0x07, 0); }) << -1;
        QTest::newRow("spi_write") << HandleCall([](int h) { return spi_write(h, 0x07, 0x10, 0); }) << 0;
        QTest::newRow("measure") << HandleCall([](int h) { return measure(h, 7, 0, 0); }) << -1;
    }

private slots:
    void initTestCase() { usePrivateSimBoard(); }

    // The ideal part, so that every reading is the exact figure of its
    // registers; partErrors() puts in real ones.
    void init()
    {
        hid2sim_reset_part(0);
        m_handle = usb_hid_init();
        QVERIFY(m_handle > 0);
    }

    void powerOnVoltages_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<double>("coefficient");
        QTest::addColumn<int>("millivolts");
        QTest::newRow("BUCK1") << 6 << 2.00 << 1800;
        QTest::newRow("BUCK2") << 4 << 2.00 << 3300;
        QTest::newRow("BUCK3") << 5 << 1.00 << 1200;
    }

    void powerOnVoltages()
    {
        QFETCH(int, channel);
        QFETCH(double, coefficient);
        QFETCH(int, millivolts);
        QVERIFY(scalesBackTo(measure(m_handle, channel, 0, 0), coefficient, millivolts));
    }

    void powerOnStatus()
    {
        hid2sim_set_battery_mv(3700);
        QCOMPARE(spi_read(m_handle, statusRegister, 0), 0x1f);
        QCOMPARE(spi_read(m_handle, maskRegister, 0), 0x00);
        QCOMPARE(read_pin(m_handle, 1, 3, 0), 1);   // idle, active low
    }

    void registerMemory()
    {
        for (int address = 0; address < 256; ++address)
            write(address, (address * 7 + 3) & 0xff);
        const RegisterImage image = registers();
        for (int address = 0; address < 256; ++address) {
            if (address != statusRegister)
                QCOMPARE(image[address], (address * 7 + 3) & 0xff);
        }
    }

    void statusIgnoresWrites()
    {
        write(comparatorRegister, comparatorOff);
        const int status = spi_read(m_handle, statusRegister, 0);
        write(statusRegister, 0xff);
        QCOMPARE(spi_read(m_handle, statusRegister, 0), status);
        write(statusRegister, 0x00);
        QCOMPARE(spi_read(m_handle, statusRegister, 0), status);
    }

    void statusBits_data()
    {
        QTest::addColumn<int>("enables");
        QTest::addColumn<int>("devSleep");
        QTest::addColumn<int>("override1");
        QTest::addColumn<int>("override2");
        QTest::addColumn<int>("status");
        QTest::newRow("all on, awake") << 0x83 << 0 << 0 << 0 << 0x1e;
        QTest::newRow("Buck1 only") << 0x02 << 0 << 0 << 0 << 0x12;
        QTest::newRow("Buck2 only") << 0x01 << 0 << 0 << 0 << 0x14;
        QTest::newRow("Buck3 only") << 0x80 << 0 << 0 << 0 << 0x18;
        QTest::newRow("force PWM bits enable nothing") << 0x7c << 0 << 0 << 0 << 0x10;
        QTest::newRow("asleep") << 0x83 << 1 << 0 << 0 << 0x00;
        QTest::newRow("asleep, override 1") << 0x83 << 1 << 1 << 0 << 0x02;
        QTest::newRow("asleep, override 2") << 0x83 << 1 << 0 << 1 << 0x04;
        QTest::newRow("asleep, both overrides") << 0x83 << 1 << 1 << 1 << 0x06;
        QTest::newRow("asleep, override on disabled Buck1") << 0x01 << 1 << 1 << 0 << 0x00;
        QTest::newRow("awake, overrides high") << 0x83 << 0 << 1 << 1 << 0x1e;
    }

    void statusBits()
    {
        QFETCH(int, enables);
        QFETCH(int, devSleep);
        QFETCH(int, override1);
        QFETCH(int, override2);
        QFETCH(int, status);
        write(comparatorRegister, comparatorOff);
        write(enableRegister, enables);
        setSleepPins(devSleep, override1, override2);
        QCOMPARE(spi_read(m_handle, statusRegister, 0), status);
    }

    void devSleepActsOnlyAsOutput()
    {
        QVERIFY(set_pin(m_handle, 3, 1, 1, 0));
        QVERIFY(spi_read(m_handle, statusRegister, 0) & 0x10);
        QVERIFY(set_pin_dir(m_handle, 3, 1, 1, 0));
        QCOMPARE(spi_read(m_handle, statusRegister, 0) & 0x1e, 0);
    }

    void comparator_data()
    {
        QTest::addColumn<int>("control");
        QTest::addColumn<QList<int>>("batteryMv");
        QTest::addColumn<QList<int>>("expected");   // -1: not read at that step
        QTest::newRow("disabled") << 0x50 << QList<int>{3700} << QList<int>{0};
        QTest::newRow("strictly above 3.270 V") << 0x51 << QList<int>{3270, 3271, 3269}
                                                << QList<int>{0, 1, 0};
        QTest::newRow("hysteresis holds 100 mV") << 0xd1 << QList<int>{3300, 3171, 3170, 3200, 3271}
                                                 << QList<int>{1, 1, 0, 0, 1};
        QTest::newRow("hysteresis follows unread crossing") << 0xd1 << QList<int>{3300, 3200}
                                                            << QList<int>{-1, 1};
        QTest::newRow("code 63: 4.000 V") << 0x7f << QList<int>{4000, 4001} << QList<int>{0, 1};
        // Held at a voltage no battery has, and the board keeps its settings.
        QTest::newRow("battery at INT_MAX mV") << 0x7f << QList<int>{INT_MAX, 3500} << QList<int>{1, 0};
        QTest::newRow("code 1: 2.03175 V, hysteresis") << 0x83 << QList<int>{1900, 2031, 2032, 1932, 1931}
                                                       << QList<int>{0, 0, 1, 1, 0};
    }

    void comparator()
    {
        QFETCH(int, control);
        QFETCH(QList<int>, batteryMv);
        QFETCH(QList<int>, expected);
        write(comparatorRegister, control);
        for (int step = 0; step < batteryMv.size(); ++step) {
            hid2sim_set_battery_mv(batteryMv[step]);
            if (expected[step] >= 0)
                QCOMPARE(spi_read(m_handle, statusRegister, 0) & 0x01, expected[step]);
        }
    }

    void irqPin_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("polarity");
        QTest::addColumn<int>("enables");
        QTest::addColumn<int>("comparator");
        QTest::addColumn<int>("level");
        QTest::newRow("masked, active low") << 0x00 << 0x00 << 0x83 << 0x00 << 1;
        QTest::newRow("masked, active high") << 0x00 << 0x01 << 0x83 << 0x00 << 0;
        QTest::newRow("Buck1 OK, active low") << 0x02 << 0x00 << 0x83 << 0x00 << 0;
        QTest::newRow("Buck1 OK, active high") << 0x02 << 0x01 << 0x83 << 0x00 << 1;
        QTest::newRow("enabled source clear") << 0x02 << 0x01 << 0x81 << 0x00 << 0;
        QTest::newRow("LDO OK") << 0x10 << 0x01 << 0x00 << 0x00 << 1;
        QTest::newRow("comparator") << 0x01 << 0x01 << 0x00 << 0x51 << 1;
        QTest::newRow("polarity is bit 0 only") << 0x08 << 0xfe << 0x83 << 0x00 << 0;
    }

    void irqPin()
    {
        QFETCH(int, mask);
        QFETCH(int, polarity);
        QFETCH(int, enables);
        QFETCH(int, comparator);
        QFETCH(int, level);
        hid2sim_set_battery_mv(3700);
        write(maskRegister, mask);
        write(polarityRegister, polarity);
        write(enableRegister, enables);
        write(comparatorRegister, comparator);
        QVERIFY(set_pin_dir(m_handle, 1, 3, 0, 0));
        QCOMPARE(read_pin(m_handle, 1, 3, 0), level);
    }

    void pinReadBack_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("pin");
        QTest::addColumn<int>("inputLevel");
        QTest::newRow("1.0") << 1 << 0 << 0;
        QTest::newRow("2.3") << 2 << 3 << 0;
        QTest::newRow("3.3 DEVSLP_OVR1") << 3 << 3 << 0;
        QTest::newRow("3.7") << 3 << 7 << 0;
        QTest::newRow("3.2 PWR_UP MODE") << 3 << 2 << 1;
    }

    void pinReadBack()
    {
        QFETCH(int, group);
        QFETCH(int, pin);
        QFETCH(int, inputLevel);
        QVERIFY(set_pin(m_handle, group, pin, 1 - inputLevel, 0));
        QCOMPARE(read_pin(m_handle, group, pin, 0), inputLevel);
        QVERIFY(set_pin_dir(m_handle, group, pin, 1, 0));
        QCOMPARE(read_pin(m_handle, group, pin, 0), 1 - inputLevel);
        QVERIFY(set_pin(m_handle, group, pin, inputLevel, 0));
        QCOMPARE(read_pin(m_handle, group, pin, 0), inputLevel);
    }

    void hostControllerResetsOnRisingEdge()
    {
        const RegisterImage resetImage = registers();
        const auto scribble = [this] {
            write(0x07, 0x20);
            write(maskRegister, 0x0f);
            write(0x30, 0x55);
        };
        drive(3, 6, 0);
        scribble();
        QVERIFY(set_pin(m_handle, 3, 6, 1, 0));
        QCOMPARE(registers(), resetImage);

        scribble();
        const RegisterImage scribbled = registers();
        QVERIFY(set_pin(m_handle, 3, 6, 1, 0));
        QCOMPARE(registers(), scribbled);
        QVERIFY(set_pin(m_handle, 3, 6, 0, 0));
        QCOMPARE(registers(), scribbled);

        // Latched high as an input the chip still sees low; the switch to
        // output is the edge.
        QVERIFY(set_pin_dir(m_handle, 3, 6, 0, 0));
        QVERIFY(set_pin(m_handle, 3, 6, 1, 0));
        QCOMPARE(registers(), scribbled);
        QVERIFY(set_pin_dir(m_handle, 3, 6, 1, 0));
        QCOMPARE(registers(), resetImage);
    }

    void buckProbes_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<double>("coefficient");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("enables");
        QTest::addColumn<int>("devSleep");
        QTest::addColumn<int>("override1");
        QTest::addColumn<int>("override2");
        QTest::addColumn<int>("millivolts");
        QTest::newRow("Buck1 lowest") << 6 << 2.0 << 0x07 << 0 << 0x83 << 0 << 0 << 0 << 1100;
        QTest::newRow("Buck1 3.550 V") << 6 << 2.0 << 0x07 << 49 << 0x83 << 0 << 0 << 0 << 3550;
        QTest::newRow("Buck1 capped at 50") << 6 << 2.0 << 0x07 << 50 << 0x83 << 0 << 0 << 0 << 3600;
        QTest::newRow("Buck1 capped at 63") << 6 << 2.0 << 0x07 << 63 << 0x83 << 0 << 0 << 0 << 3600;
        QTest::newRow("Buck1 ignores bits 7..6") << 6 << 2.0 << 0x07 << 0xce << 0x83 << 0 << 0 << 0 << 1800;
        QTest::newRow("Buck2 capped") << 4 << 2.0 << 0x08 << 63 << 0x83 << 0 << 0 << 0 << 3600;
        QTest::newRow("Buck3 lowest") << 5 << 1.0 << 0x00 << 0 << 0x83 << 0 << 0 << 0 << 700;
        QTest::newRow("Buck3 1.950 V") << 5 << 1.0 << 0x00 << 125 << 0x83 << 0 << 0 << 0 << 1950;
        QTest::newRow("Buck3 code 127") << 5 << 1.0 << 0x00 << 127 << 0x83 << 0 << 0 << 0 << 1970;
        QTest::newRow("Buck3 ignores bit 7") << 5 << 1.0 << 0x00 << 0xb2 << 0x83 << 0 << 0 << 0 << 1200;
        QTest::newRow("Buck1 disabled") << 6 << 2.0 << 0x07 << 14 << 0x81 << 0 << 0 << 0 << 0;
        QTest::newRow("Buck2 disabled") << 4 << 2.0 << 0x08 << 44 << 0x82 << 0 << 0 << 0 << 0;
        QTest::newRow("Buck3 disabled") << 5 << 1.0 << 0x00 << 50 << 0x03 << 0 << 0 << 0 << 0;
        QTest::newRow("Buck1 asleep") << 6 << 2.0 << 0x07 << 14 << 0x83 << 1 << 0 << 1 << 0;
        QTest::newRow("Buck1 override") << 6 << 2.0 << 0x07 << 14 << 0x83 << 1 << 1 << 0 << 1800;
        QTest::newRow("Buck2 asleep") << 4 << 2.0 << 0x08 << 44 << 0x83 << 1 << 1 << 0 << 0;
        QTest::newRow("Buck2 override") << 4 << 2.0 << 0x08 << 44 << 0x83 << 1 << 0 << 1 << 3300;
        QTest::newRow("Buck3 asleep, overrides") << 5 << 1.0 << 0x00 << 50 << 0x83 << 1 << 1 << 1 << 0;
    }

    void buckProbes()
    {
        QFETCH(int, channel);
        QFETCH(double, coefficient);
        QFETCH(int, address);
        QFETCH(int, code);
        QFETCH(int, enables);
        QFETCH(int, devSleep);
        QFETCH(int, override1);
        QFETCH(int, override2);
        QFETCH(int, millivolts);
        write(address, code);
        write(enableRegister, enables);
        setSleepPins(devSleep, override1, override2);
        const int count = measure(m_handle, channel, 0, 0);
        QVERIFY2(scalesBackTo(count, coefficient, millivolts), qPrintable(QString::number(count)));
    }

    // Real parts, with the figures zq40613-sim status gives for them: the
    // mean of many conversions is the converter's gain and offset away from
    // the value set, and its noise moves single conversions by a count or
    // two; the ideal part reads the same count every time.
    void partErrors_data()
    {
        QTest::addColumn<unsigned>("part");
        QTest::addColumn<int>("channel");
        QTest::addColumn<double>("coefficient");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("code");
        QTest::addColumn<double>("meanMv");
        QTest::newRow("part 1 Buck1 1.800 V, +0.54 % +2 mV") << 1u << 6 << 2.0 << 0x07 << 14 << 1811.72;
        QTest::newRow("part 1 Buck2 3.300 V, -0.87 % -3 mV") << 1u << 4 << 2.0 << 0x08 << 44 << 3268.29;
        QTest::newRow("part 1 Buck3 0.700 V, +0.06 % +2 mV") << 1u << 5 << 1.0 << 0x00 << 0 << 702.42;
        QTest::newRow("part 2 Buck1 1.100 V, -0.49 % -3 mV") << 2u << 6 << 2.0 << 0x07 << 0 << 1091.61;
        QTest::newRow("part 0 Buck3 1.200 V") << 0u << 5 << 1.0 << 0x00 << 50 << 1200.0;
    }

    void partErrors()
    {
        QFETCH(unsigned, part);
        QFETCH(int, channel);
        QFETCH(double, coefficient);
        QFETCH(int, address);
        QFETCH(int, code);
        QFETCH(double, meanMv);
        constexpr int conversions = 400;
        hid2sim_reset_part(part);
        m_handle = usb_hid_init();
        write(address, code);
        QList<int> counts;
        double sumMv = 0.0;
        for (int i = 0; i < conversions; ++i) {
            counts << measure(m_handle, channel, 0, 0);
            sumMv += probeVolts(counts.last(), coefficient) * 1000.0;
        }
        QVERIFY2(std::abs(sumMv / conversions - meanMv) < 1.5, qPrintable(QString::number(sumMv / conversions)));
        const auto [low, high] = std::minmax_element(counts.cbegin(), counts.cend());
        QVERIFY(part == 0 ? *high == *low : *high - *low >= 1 && *high - *low <= 3);
    }

    // Part 1's comparator trips 3 mV above its threshold, both ways.
    void partComparatorOffset()
    {
        hid2sim_reset_part(1);
        m_handle = usb_hid_init();
        const QList<int> batteryMv{3000, 3273, 3274, 3174, 3173};
        const QList<int> expected{0, 0, 1, 1, 0};
        for (int step = 0; step < batteryMv.size(); ++step) {
            hid2sim_set_battery_mv(batteryMv[step]);
            QCOMPARE(spi_read(m_handle, statusRegister, 0) & 0x01, expected[step]);
        }
    }

    void pinnedBattery_data()
    {
        QTest::addColumn<int>("millivolts");
        QTest::addColumn<int>("shownMv");
        QTest::newRow("3.700 V") << 3700 << 3700;
        QTest::newRow("4.200 V") << 4200 << 4200;
        QTest::newRow("0 V") << 0 << 0;
        QTest::newRow("above full scale") << 9000 << 6826;   // 1023 counts
    }

    void pinnedBattery()
    {
        QFETCH(int, millivolts);
        QFETCH(int, shownMv);
        hid2sim_set_battery_mv(millivolts);
        const int count = measure(m_handle, batteryChannel, 0, 0);
        QVERIFY(scalesBackTo(count, batteryCoefficient, shownMv));
        for (int i = 0; i < 20; ++i)
            QCOMPARE(measure(m_handle, batteryChannel, 0, 0), count);
    }

    void batteryDriftsWithNoise()
    {
        hid2sim_set_battery_mv(3000);
        hid2sim_set_battery_mv(-1);
        QList<int> counts;
        for (int i = 0; i < 50; ++i)
            counts << measure(m_handle, batteryChannel, 0, 0);
        const auto [low, high] = std::minmax_element(counts.cbegin(), counts.cend());
        QVERIFY(probeVolts(*low, batteryCoefficient) > 3.6);
        QVERIFY(probeVolts(*high, batteryCoefficient) < 3.8);
        QVERIFY(*high > *low);
        QVERIFY(*high - *low <= 3);
    }

    void failureOnBadArguments_data()
    {
        QTest::addColumn<HandleCall>("call");
        QTest::addColumn<int>("failure");
        QTest::newRow("spi_read -1") << HandleCall([](int h) { return spi_read(h, -1, 0); }) << -1;
        QTest::newRow("spi_read 256") << HandleCall([](int h) { return spi_read(h, 256, 0); }) << -1;
        QTest::newRow("spi_write address 256") << HandleCall([](int h) { return spi_write(h, 256, 1, 0); }) << 0;
        QTest::newRow("spi_write address -1") << HandleCall([](int h) { return spi_write(h, -1, 1, 0); }) << 0;
        QTest::newRow("spi_write data 256") << HandleCall([](int h) { return spi_write(h, 0x07, 256, 0); }) << 0;
        QTest::newRow("spi_write data -1") << HandleCall([](int h) { return spi_write(h, 0x07, -1, 0); }) << 0;
        QTest::newRow("set_pin_dir group 0") << HandleCall([](int h) { return set_pin_dir(h, 0, 1, 1, 0); }) << 0;
        QTest::newRow("set_pin_dir pin 8") << HandleCall([](int h) { return set_pin_dir(h, 3, 8, 1, 0); }) << 0;
        QTest::newRow("set_pin group 4") << HandleCall([](int h) { return set_pin(h, 4, 6, 1, 0); }) << 0;
        QTest::newRow("set_pin pin -1") << HandleCall([](int h) { return set_pin(h, 3, -1, 1, 0); }) << 0;
        QTest::newRow("read_pin group 0") << HandleCall([](int h) { return read_pin(h, 0, 3, 0); }) << -1;
        QTest::newRow("read_pin pin 8") << HandleCall([](int h) { return read_pin(h, 1, 8, 0); }) << -1;
        QTest::newRow("measure device 1") << HandleCall([](int h) { return measure(h, 7, 1, 0); }) << -1;
        QTest::newRow("measure channel 8") << HandleCall([](int h) { return measure(h, 8, 0, 0); }) << -1;
        QTest::newRow("measure channel -1") << HandleCall([](int h) { return measure(h, -1, 0, 0); }) << -1;
    }

    void failureOnBadArguments()
    {
        QFETCH(HandleCall, call);
        QFETCH(int, failure);
        const RegisterImage before = registers();
        QCOMPARE(call(m_handle), failure);
        QCOMPARE(registers(), before);
    }

    void staleHandleFails_data() { addEveryCall(); }

    void staleHandleFails()
    {
        QFETCH(HandleCall, call);
        QFETCH(int, failure);
        const int stale = m_handle;
        hid2sim_set_plugged(0);
        hid2sim_set_plugged(1);
        const int fresh = usb_hid_init();
        QVERIFY(fresh > 0);
        QVERIFY(fresh != stale);
        for (const int handle : {stale, -1, 0, fresh + 1})
            QCOMPARE(call(handle), failure);
        QVERIFY(call(fresh) != failure);
    }

    void unpluggedFails_data() { addEveryCall(); }

    void unpluggedFails()
    {
        QFETCH(HandleCall, call);
        QFETCH(int, failure);
        hid2sim_set_plugged(0);
        QCOMPARE(usb_hid_init(), -1);
        QCOMPARE(call(m_handle), failure);
        QCOMPARE(call(-1), failure);
    }

    void plugCycleKeepsRegistersReleasesPins()
    {
        write(0x07, 0x20);
        drive(3, 3, 1);
        QCOMPARE(usb_hid_init(), m_handle);
        hid2sim_set_plugged(0);
        hid2sim_set_plugged(1);
        m_handle = usb_hid_init();
        QCOMPARE(spi_read(m_handle, 0x07, 0), 0x20);
        QCOMPARE(read_pin(m_handle, 3, 3, 0), 0);
    }

    void stateFilePath_data()
    {
        QTest::addColumn<QByteArray>("override");
        QTest::addColumn<QByteArray>("userFolder");
        QTest::addColumn<QString>("path");
        const QString inFolder = "/run/user/7" + QString(QDir::separator()) + "zq40613-sim.state";
        QTest::newRow("override wins") << QByteArray("/x/board.state") << QByteArray("/run/user/7")
                                       << "/x/board.state";
        QTest::newRow("user's folder") << QByteArray() << QByteArray("/run/user/7") << inFolder;
        QTest::newRow("empty override is unset") << QByteArray("") << QByteArray("/run/user/7") << inFolder;
        QTest::newRow("no user's folder") << QByteArray() << QByteArray() << "fallback";
        QTest::newRow("empty user's folder") << QByteArray() << QByteArray("") << "fallback";
    }

    void stateFilePath()
    {
        QFETCH(QByteArray, override);
        QFETCH(QByteArray, userFolder);
        QFETCH(QString, path);
        // A null QByteArray stands for an unset variable.
        const std::string chosen =
                sim::stateFilePath(override.isNull() ? nullptr : override.constData(),
                                   userFolder.isNull() ? nullptr : userFolder.constData(), "fallback");
        QCOMPARE(QString::fromStdString(chosen), path);
    }

    void anotherProcessSeesTheSameBoard()
    {
        write(0x07, 0x20);
        const PeerRun peer = runPeer({"read", "7", "write", "8", "21", "handle"});
        QCOMPARE(peer.exitCode, 0);
        QCOMPARE(peer.lines, QStringList({"32", QString::number(m_handle)}));
        QCOMPARE(spi_read(m_handle, 0x08, 0), 21);
        QVERIFY(peer.errors.isEmpty());
    }

    void unplugAndPlugInAreSeenByEveryProcess()
    {
        QCOMPARE(runPeer({"plug", "0"}).exitCode, 0);
        QCOMPARE(usb_hid_init(), -1);
        QCOMPARE(spi_read(m_handle, 0x07, 0), -1);

        const PeerRun peer = runPeer({"plug", "1", "handle"});
        QCOMPARE(peer.lines.size(), 1);
        const int fresh = peer.lines.first().toInt();
        QVERIFY(fresh > 0 && fresh != m_handle);
        QCOMPARE(usb_hid_init(), fresh);
        QCOMPARE(spi_read(m_handle, 0x07, 0), -1);
        QCOMPARE(spi_read(fresh, 0x07, 0), 0x0e);
    }

    void aCallWaitsWhileTheFileIsLocked()
    {
        QProcess peer;
        bool finishedWhileLocked = true;
        {
            const ExclusiveFileLock lock(ourStateFile());
            QVERIFY(lock.isHeld());
            startPeer(peer, {"read", "7"});
            finishedWhileLocked = peer.waitForFinished(500);
        }
        QVERIFY(!finishedWhileLocked);
        const PeerRun run = finishPeer(peer);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines, QStringList{"14"});
    }

    void stateFileIsOwnerOnly()
    {
#ifdef Q_OS_UNIX
        QCOMPARE(fileMode(ourStateFile()), mode_t(0600));
#else
        QSKIP("No mode bits on Windows: the file is as private as the user's folder it is in");
#endif
    }

    void incompatibleFileIsReinitialised_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("short text") << QByteArray("old\n");
        QTest::newRow("junk, longer than the state") << QByteArray(64 * 1024, '\xab');
        QTest::newRow("older layout version") << olderLayout(0);
        // Its part's seed was padding then.
        QTest::newRow("layout version 1") << olderLayout(1);
    }

    void incompatibleFileIsReinitialised()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath("old.state");
        QVERIFY(writeFile(path, content, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                                 | QFile::ReadOther));
        const PeerRun peer = runPeer({"read", "7", "read", "0"}, path);
        QVERIFY2(peer.exitCode == 0, qPrintable(peer.errors));
        QCOMPARE(peer.lines, QStringList({"14", "50"}));
        QVERIFY(peer.errors.isEmpty());
        QCOMPARE(runTool({"status"}, path).lines.value(20), QStringLiteral("part         1"));
#ifdef Q_OS_UNIX
        QCOMPARE(fileMode(path), mode_t(0600));
#endif
        // Never shrunk: a process of another build may still map all of it.
        QVERIFY(QFileInfo(path).size() >= content.size());
        // The re-initialised file is kept, not re-initialised again.
        QCOMPARE(runPeer({"write", "7", "32"}, path).exitCode, 0);
        QCOMPARE(runPeer({"read", "7"}, path).lines, QStringList{"32"});
    }

    void changedFileIsCheckedAtEveryCall_data()
    {
        QTest::addColumn<FileChange>("change");
        QTest::addColumn<bool>("kept");
        QTest::newRow("emptied") << FileChange([](const QByteArray &) { return QByteArray(); }) << false;
        QTest::newRow("cut inside the state")
                << FileChange([](const QByteArray &file) { return file.left(file.size() - 8); }) << false;
        QTest::newRow("battery held at 9.000 V")
                << stateChange([](sim::BoardState &state) { state.pinnedBatteryMv = 9000; }) << true;
        QTest::newRow("battery held at INT_MAX mV")
                << stateChange([](sim::BoardState &state) { state.pinnedBatteryMv = INT_MAX; }) << false;
        QTest::newRow("drift measured from INT64_MIN")
                << stateChange([](sim::BoardState &state) { state.driftEpochNs = INT64_MIN; }) << false;
        QTest::newRow("handle -1 while plugged in")
                << stateChange([](sim::BoardState &state) { state.handle = -1; }) << false;
        QTest::newRow("pin latch 2")
                << stateChange([](sim::BoardState &state) { state.pinLatch[2][1] = 2; }) << false;
    }

    // Another process, or a careless hand, rewrites the file between two
    // calls, without the lock: the next call must neither fault on a file cut
    // short nor compute with a field out of range, but start the board afresh.
    void changedFileIsCheckedAtEveryCall()
    {
        QFETCH(FileChange, change);
        QFETCH(bool, kept);
        write(0x08, 0x21);
        QFile file(ourStateFile());
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray before = file.readAll();
        const QByteArray after = change(before);
        QVERIFY(file.resize(0));
        QVERIFY(file.seek(0) && file.write(after) == after.size());
        file.close();

        // A call that only reads writes the power-on board back.
        spi_read(m_handle, 0x08, 0);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().mid(stateOffset + 0x08, 1), QByteArray(1, char(kept ? 0x21 : 0x2c)));
        file.close();

        const int handle = usb_hid_init();
        QVERIFY(handle > 0);
        QVERIFY(spi_read(handle, statusRegister, 0) >= 0);
        QVERIFY(measure(handle, batteryChannel, 0, 0) >= 0);
        QCOMPARE(spi_read(handle, 0x08, 0), kept ? 0x21 : 0x2c);
        QCOMPARE(handle == m_handle, kept);
        QVERIFY(QFileInfo(file).size() >= before.size());
    }

    void unusableFileGivesNoBoard_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing folder") << "missing";
        QTest::newRow("a folder") << "folder";
        QTest::newRow("a symbolic link") << "symbolic link";
        QTest::newRow("a hard link") << "hard link";
    }

    void unusableFileGivesNoBoard()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString target = dir.filePath("target.state");
        const QFile::Permissions targetMode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther;
        QString path = dir.filePath("missing/board.state");
        if (kind == "folder") {
            path = dir.path();
        } else if (kind.endsWith("link")) {
            path = dir.filePath("link.state");
            QVERIFY(writeFile(target, "keep", targetMode));
            if (kind == "hard link") {
                QVERIFY(makeHardLink(target, path));
            } else {
#ifdef Q_OS_WIN
                QSKIP("A symbolic link takes a privilege on Windows, and QFile::link() makes a shortcut");
#endif
                QVERIFY(QFile::link(target, path));
            }
        }
        const PeerRun peer = runPeer({"every", "write", "7", "32"}, path);
        QCOMPARE(peer.exitCode, 1);
        // As with the board unplugged: usb_hid_init, init_controller,
        // set_pin_dir, set_pin, read_pin, spi_read, spi_write, measure.
        QCOMPARE(peer.lines, QStringList{"-1 0 0 0 -1 -1 0 -1"});
        QCOMPARE(peer.errors.count("no board"), 1);
        QVERIFY2(peer.errors.contains(path), qPrintable(peer.errors));
        QCOMPARE(peer.errors.contains("(it is a symbolic link)"), kind == "symbolic link");
        const PeerRun tool = runTool({"status"}, path);
        QCOMPARE(tool.exitCode, 1);
        QVERIFY(tool.lines.isEmpty());
        QVERIFY2(tool.errors.contains(path), qPrintable(tool.errors));
        if (kind.endsWith("link")) {
            QFile kept(target);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), QByteArray("keep"));
#ifdef Q_OS_UNIX
            QCOMPARE(fileMode(target), mode_t(0604));
#endif
        }
    }

    // A program that keeps trying, as the desktop program does, finds the
    // board once the file can be used.
    void fileUsableLaterGivesTheBoard()
    {
        QTemporaryDir dir;
        QProcess peer;
        startPeer(peer, {"handle", "await", "handle"}, dir.filePath("later/board.state"));
        QVERIFY(peer.waitForReadyRead(10000));
        QVERIFY(QDir(dir.path()).mkdir("later"));
        peer.write("\n");
        const PeerRun run = finishPeer(peer);
        QCOMPARE(run.lines.size(), 2);
        QCOMPARE(run.lines[0], QStringLiteral("-1"));
        QVERIFY(run.lines[1].toInt() > 0);
    }

    // zq40613-sim shows the board as a bench hand sees it, plugged in or not.
    void toolStatus()
    {
        QCOMPARE(runTool({"reset", "--seed", "1"}).exitCode, 0);
        m_handle = usb_hid_init();
        QCOMPARE(runTool({"battery", "3.0"}).exitCode, 0);
        const QStringList plugged = {
            "board        plugged in", "battery      3.000 V, held",
            "0x00         0x32",       "0x01         0x00",
            "0x02         0x00",       "0x03         0x00",
            "0x04         0x00",       "0x05         0x00",
            "0x06         0x00",       "0x07         0x0e",
            "0x08         0x2c",       "0x09         0x00",
            "0x0a         0x83",       "0x0b         0xd1",
            "0x0c         0x00",       "0x0d         0x1e",
            "0x0e         0x00",       "0x0f         0x00",
            "IRQ          1",          "PWR_UP MODE  1",
            "part         1",
            "Buck1        gain +0.54 %, offset +2 mV, noise 3 mV",
            "Buck2        gain -0.87 %, offset -3 mV, noise 3 mV",
            "Buck3        gain +0.06 %, offset +2 mV, noise 3 mV",
            "comparator   offset +3 mV",
        };
        PeerRun run = runTool({"status"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines, plugged);
        QCOMPARE(runTool({"--version"}).lines,
                 QStringList{"zq40613-sim (ZQ40613 Evaluation kit) Version 0.0.2"});

        // The comparator's interrupt enabled: the IRQ pin is driven low once
        // the battery is back above the threshold, with or without the cable.
        write(maskRegister, 0x01);
        QCOMPARE(runTool({"battery", "3.3"}).exitCode, 0);
        QCOMPARE(runTool({"unplug"}).exitCode, 0);
        QCOMPARE(usb_hid_init(), -1);
        run = runTool({"status"});
        QCOMPARE(run.lines.value(0), QStringLiteral("board        unplugged"));
        QCOMPARE(run.lines.value(1), QStringLiteral("battery      3.300 V, held"));
        QCOMPARE(run.lines.value(14), QStringLiteral("0x0c         0x01"));
        QCOMPARE(run.lines.value(15), QStringLiteral("0x0d         0x1f"));
        QCOMPARE(run.lines.value(18), QStringLiteral("IRQ          0"));

        QCOMPARE(runTool({"plug"}).exitCode, 0);
        const int fresh = usb_hid_init();
        QVERIFY(fresh > 0 && fresh != m_handle);
        QCOMPARE(runTool({"reset"}).exitCode, 0);
        QCOMPARE(spi_read(usb_hid_init(), maskRegister, 0), 0x00);
        run = runTool({"status"});
        QVERIFY(run.lines.value(1).endsWith(QLatin1String(" V, drifting")));
        QCOMPARE(run.lines.value(20), QStringLiteral("part         1"));
        QCOMPARE(runTool({"reset", "--seed=0"}).exitCode, 0);
        QCOMPARE(runTool({"status"}).lines.value(20), QStringLiteral("part         0 (ideal)"));
    }

    void toolBattery_data()
    {
        QTest::addColumn<QString>("volts");
        QTest::addColumn<QString>("shown");   // empty: refused as bad usage
        QTest::newRow("lowest") << "2.5" << "2.500 V";
        QTest::newRow("highest") << "5.5" << "5.500 V";
        QTest::newRow("whole volts") << "4" << "4.000 V";
        QTest::newRow("to the nearest millivolt") << "3.2716" << "3.272 V";
        QTest::newRow("below the range") << "2.499" << "";
        QTest::newRow("above the range") << "5.501" << "";
        QTest::newRow("millivolts") << "3000" << "";
        QTest::newRow("exponent") << "3e0" << "";
        QTest::newRow("negative") << "-3" << "";
        QTest::newRow("comma") << "3,0" << "";
        QTest::newRow("empty") << "" << "";
    }

    void toolBattery()
    {
        QFETCH(QString, volts);
        QFETCH(QString, shown);
        hid2sim_set_battery_mv(3700);
        const PeerRun run = runTool({"battery", volts});
        QCOMPARE(run.exitCode, shown.isEmpty() ? 2 : 0);
        const QString battery = runTool({"status"}).lines.value(1);
        QCOMPARE(battery, "battery      " + (shown.isEmpty() ? "3.700 V" : shown) + ", held");
    }

    void toolBadUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no command") << QStringList();
        QTest::newRow("unknown command") << QStringList{"unplugged"};
        QTest::newRow("battery without volts") << QStringList{"battery"};
        QTest::newRow("one argument too many") << QStringList{"unplug", "now"};
        QTest::newRow("unknown option") << QStringList{"status", "--all"};
        QTest::newRow("seed without reset") << QStringList{"status", "--seed", "2"};
        QTest::newRow("seed out of range") << QStringList{"reset", "--seed", "4294967296"};
        QTest::newRow("seed without a number") << QStringList{"reset", "--seed"};
    }

    // Refused before the board is touched, with a hint on standard error.
    void toolBadUsage()
    {
        QFETCH(QStringList, arguments);
        write(0x07, 0x20);
        const PeerRun run = runTool(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.lines.isEmpty());
        QVERIFY2(run.errors.contains("zq40613-sim --help"), qPrintable(run.errors));
        QCOMPARE(usb_hid_init(), m_handle);
        QCOMPARE(spi_read(m_handle, 0x07, 0), 0x20);
    }

    // A state file removed while this process holds it open: the next call
    // of any process makes a new one at the path, which all then share.
    void removedFileIsLetGo()
    {
        QVERIFY(QFile::remove(ourStateFile()));
        QCOMPARE(runTool({"battery", "4.5"}).exitCode, 0);
        QVERIFY(scalesBackTo(measure(usb_hid_init(), batteryChannel, 0, 0), batteryCoefficient, 4500));
        QVERIFY(QFile::remove(ourStateFile()));
        QVERIFY(spi_write(usb_hid_init(), 0x08, 0x22, 0));
        QCOMPARE(runTool({"status"}).lines.value(10), QStringLiteral("0x08         0x22"));
    }

    void resetGivesNewHandle()
    {
        const int before = m_handle;
        hid2sim_reset();
        QVERIFY(usb_hid_init() != before);
        QCOMPARE(spi_read(before, 0x07, 0), -1);
    }
};

QTEST_GUILESS_MAIN(TestSimBoard)
#include "tst_hid2sim.moc"
