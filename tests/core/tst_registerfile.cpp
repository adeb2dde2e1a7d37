// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/registermirror.h"
#include "regfile/registerfile.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using Mirror = RegisterMirror;
using Stores = QList<std::pair<int, int>>;

// A mirror whose every byte differs from what the test lines store, so any
// stray or missing store shows.
Mirror patternMirror()
{
    Mirror mirror;
    for (std::size_t i = 0; i < mirror.size(); ++i)
        mirror[i] = quint8(0xA0 + i);
    return mirror;
}

QString writeEvent(int address, int data)
{
    return QString::asprintf("write %02x %02x", address, data);
}

QString sleepEvent(int milliseconds)
{
    return QStringLiteral("sleep %1").arg(milliseconds);
}

// One reading of a text, with register writes and delays recorded in the
// order they happened.
struct Reading
{
    int result = 0;
    int errorLine = 0;
    Mirror registers;
    QStringList events;
};

Reading readText(const QByteArray &text, const Mirror &initial = patternMirror(),
                 const ProceedCallback &proceed = {})
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    Reading reading;
    reading.registers = initial;
    reading.result = parse_reg_file(
        buffer, reading.errorLine, reading.registers.data(), int(reading.registers.size()),
        [&](int address, int data) { reading.events << writeEvent(address, data); },
        [&](int milliseconds) { reading.events << sleepEvent(milliseconds); }, {}, proceed);
    return reading;
}

QByteArray writtenText(const Mirror &registers, int count, const QDateTime &created)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!write_reg_file(buffer, registers.data(), count, created))
        return {};
    return buffer.data();
}

const QDateTime fixedCreation(QDate(2026, 12, 6), QTime(14, 5));

} // namespace

class TestRegisterFile : public QObject
{
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
    void writerText();
    void writerReportsFailedWrite();
    void roundTripOfRandomMirrors();
    void manyStatementsAcrossReadBlocks();
    void endlessLineIsNotReadToTheEnd();
    void defaultDelayBlocks();
    void proceedStopsTheReading_data();
    void proceedStopsTheReading();

private:
    static void addColumns();
    static void addFile(const char *name, const QByteArray &text, int result, int errorLine,
                        const QStringList &events, const Stores &stores);
    static void addLine(const QByteArray &line, const QStringList &events = {},
                        const Stores &stores = {});
    static void addBadLine(const QByteArray &line);
};

void TestRegisterFile::addFile(const char *name, const QByteArray &text, int result,
                               int errorLine, const QStringList &events, const Stores &stores)
{
    QTest::newRow(name) << text << result << errorLine << events << stores;
}

// Row names show control characters escaped, so a failing row can be told.
static QByteArray rowName(const QByteArray &line)
{
    if (line.isEmpty())
        return "(empty)";
    return QByteArray(line).replace('\t', "\\t").replace('\r', "\\r").replace('\v', "\\v");
}

void TestRegisterFile::addLine(const QByteArray &line, const QStringList &events,
                               const Stores &stores)
{
    addFile(rowName(line).constData(), line + '\n', 1, 0, events, stores);
}

void TestRegisterFile::addBadLine(const QByteArray &line)
{
    addFile(rowName(line).constData(), line + '\n', -1, 1, {}, {});
}

void TestRegisterFile::reading_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("errorLine");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<Stores>("stores");

    // Single lines: comments.
    for (const char *comment : { "", "   ", "\t", "\r", "# note", "   # indented", "#reg 0x01 0x02 w" })
        addLine(comment);

    // Single lines: register statements.
    addLine("reg 0x0F 0x55", {}, { { 0x0F, 0x55 } });
    addLine("reg 0x7 0x5", {}, { { 0x07, 0x05 } });
    addLine("reg 0x0a 0xBc", {}, { { 0x0A, 0xBC } });
    addLine("  reg 0x07 0x12", {}, { { 0x07, 0x12 } });
    addLine("\treg\t0x07\t\t0x12\r", {}, { { 0x07, 0x12 } });
    addLine("reg0x07 0x12", {}, { { 0x07, 0x12 } });
    addLine("reg 0x070x12", {}, { { 0x07, 0x12 } });
    addLine("reg 0x07 0x12 W", { writeEvent(0x07, 0x12) }, { { 0x07, 0x12 } });
    addLine("reg 0x07 0x12 w keep", { writeEvent(0x07, 0x12) }, { { 0x07, 0x12 } });
    addLine("reg 0x07 0x12w", { writeEvent(0x07, 0x12) }, { { 0x07, 0x12 } });
    addLine("reg 0x07 0x12 w\r", { writeEvent(0x07, 0x12) }, { { 0x07, 0x12 } });
    addLine("reg 0x 07 0x12 w", { writeEvent(0x07, 0x12) }, { { 0x07, 0x12 } });
    addLine("reg 0x\t7 0x 5", {}, { { 0x07, 0x05 } });
    addFile("NUL ends the text", QByteArray("reg 0x01 0x02\0 x\n", 17), 1, 0, {}, { { 0x01, 0x02 } });
    addFile("NUL makes a comment", QByteArray("  \0reg 0x01 0x02 w\n", 19), 1, 0, {}, {});

    // Single lines: delay statements.
    addLine("sleep 250", { sleepEvent(250) });
    addLine("sleep 10 ms", { sleepEvent(10) });
    addLine("sleep10", { sleepEvent(10) });
    addLine("  sleep 0", { sleepEvent(0) });
    addLine("sleep 007", { sleepEvent(7) });
    addLine("sleep 2147483647", { sleepEvent(2147483647) });

    // Single lines: syntax errors, signed numbers and delays too large for an
    // int among them.
    for (const char *bad : { "reg 0x10 0x55", "reg 0xFF 0x00", "reg 0x123 0x45", "reg 0x02 0x345",
                             "REG 0x07 0x12", "reg 0X07 0x12", "reg 0x07 0X12", "reg 0x07 0x12 x",
                             "reg 0x07 0x12   # note", "reg 0x07", "reg 0x 0x12", "reg 0x07 0x",
                             "reg 0xg7 0x12", "regs 0x07 0x12", "\vreg 0x07 0x12", "hello",
                             "reg 0x-1 0x05", "reg 0x+7 0x05", "reg 0x07 0x-5", "reg 0x07 0x+5",
                             "reg 0x -1 0x05", "reg 0x07 0x +5", "reg 0x 123 0x45", "reg 0x02 0x 345",
                             "sleep -5", "sleep +5", "sleep", "sleep ms", "Sleep 5",
                             "sleep 2147483648", "sleep 99999999999999999999" })
        addBadLine(bad);

    // Lines up to 4,096 bytes before their line end are judged whole; a
    // longer one is an error at its own line, whatever it holds. The limit is
    // met inside one read block and across the border of two, where the line
    // is assembled.
    constexpr int longestLine = 4096;
    const QByteArray acrossBlocks = QByteArray("#\n").repeated(31'500);
    for (const bool crossing : { false, true }) {
        const QByteArray before = crossing ? acrossBlocks : QByteArray();
        const int linesBefore = int(before.count('\n'));
        for (const char *lineEnd : { "\n", "\r\n" }) {
            for (const int length : { longestLine, longestLine + 1 }) {
                const bool fits = length == longestLine;
                const QByteArray name = QByteArray(crossing ? "across blocks, " : "")
                        + (lineEnd[1] ? "CR LF, " : "") + "comment of " + QByteArray::number(length);
                addFile(name.constData(),
                        before + '#' + QByteArray(length - 1, 'x') + lineEnd + "reg 0x01 0x02 w\n",
                        fits ? linesBefore + 2 : -1, fits ? 0 : linesBefore + 1,
                        fits ? QStringList { writeEvent(1, 2) } : QStringList {},
                        fits ? Stores { { 1, 2 } } : Stores {});
            }
        }
    }
    const QByteArray blanks(longestLine - 15, ' ');
    addFile("long indented statement", blanks + "reg 0x03 0x04 W\n", 1, 0, { writeEvent(3, 4) },
            { { 3, 4 } });
    addFile("long statement tail",
            "reg 0x01 0x02 w " + QByteArray(longestLine - 16, 'x') + "\nsleep 5\n", 2, 0,
            { writeEvent(1, 2), sleepEvent(5) }, { { 1, 2 } });
    addFile("long gap before bad flag", "#c\nreg 0x01 0x02" + blanks + "x\n", -1, 2, {}, {});
    addFile("long blank line", QByteArray(longestLine, ' ') + "\nx\n", -1, 2, {}, {});
    addFile("line of 200,000 bytes", "reg 0x01 0x02 w\n#" + QByteArray(200'000, 'x') + "\n", -1,
            2, { writeEvent(1, 2) }, { { 1, 2 } });
    addFile("NULs without line end", "sleep 1\n" + QByteArray(100'000, '\0'), -1, 2,
            { sleepEvent(1) }, {});

    // Whole files.
    addFile("empty", "", 0, 0, {}, {});
    addFile("comments only", "# a\n\n   \n\t# b\r\n#\n", 5, 0, {}, {});
    addFile("last line without line feed", "reg 0x01 0x02 w\nreg 0x03 0x04 w", 2, 0,
            { writeEvent(1, 2), writeEvent(3, 4) }, { { 1, 2 }, { 3, 4 } });
    addFile("duplicated address", "reg 0x05 0x01 w\nreg 0x05 0x02\nreg 0x05 0x03 w\n", 3, 0,
            { writeEvent(5, 1), writeEvent(5, 3) }, { { 5, 3 } });
    addFile("CR LF", "# c\r\nreg 0x01 0x02 w\r\nsleep 3\r\n\r\nreg 0x02 0x03\r\n", 5, 0,
            { writeEvent(1, 2), sleepEvent(3) }, { { 1, 2 }, { 2, 3 } });
    addFile("CR alone", "# c\rreg 0x01 0x02 w\rsleep 3\r\rreg 0x02 0x03\r", 5, 0,
            { writeEvent(1, 2), sleepEvent(3) }, { { 1, 2 }, { 2, 3 } });
    addFile("CR LF split by a block border", QByteArray("#\n").repeated(32'767) + "#\r\nreg 0x01 0x02 w\n",
            32'769, 0, { writeEvent(1, 2) }, { { 1, 2 } });
    addFile("malformed fifth line",
            "# h\nreg 0x01 0x11 w\nsleep 7\nreg 0x02 0x22\nreg 0x03 0x33 q\nreg 0x04 0x44 w\n",
            -1, 5, { writeEvent(1, 0x11), sleepEvent(7) }, { { 1, 0x11 }, { 2, 0x22 } });
}

void TestRegisterFile::reading()
{
    QFETCH(QByteArray, text);
    QFETCH(int, result);
    QFETCH(int, errorLine);
    QFETCH(QStringList, events);
    QFETCH(Stores, stores);

    Mirror expected = patternMirror();
    for (const auto &[address, data] : stores)
        expected[std::size_t(address)] = quint8(data);

    const Reading reading = readText(text);
    QCOMPARE(reading.result, result);
    QCOMPARE(reading.errorLine, errorLine);
    QCOMPARE(reading.events, events);
    QCOMPARE(reading.registers, expected);
}

void TestRegisterFile::writerText()
{
    Mirror registers {};
    registers[7] = 0x12;
    const QByteArray header =
        "# ZQ40613 Evaluation kit register file\n"
        "# Version 0.0.2\n"
        "# Created 06.12.2026 14:05\n"
        "# This file can be modified manually.\n"
        "# syntax : reg 0x<index> 0x<data> [w]\n"
        "# index = register addr (0x00-0xFF)\n"
        "# data = register data (0x00-0xFF)\n"
        "# w is optional and tells program to write value to the chip. Otherwise only GUI is updated.\n"
        "# Places of lines can be changed to ensure correct order of register writes.\n"
        "\n"
        "#          sleep <nn>       delay in ms\n";
    const QByteArray statements =
        "reg 0x00 0x00 w\nreg 0x01 0x00 w\nreg 0x02 0x00 w\nreg 0x03 0x00 w\n"
        "reg 0x04 0x00 w\nreg 0x05 0x00 w\nreg 0x06 0x00 w\nreg 0x07 0x12 w\n"
        "reg 0x08 0x00 w\nreg 0x09 0x00 w\nreg 0x0A 0x00 w\nreg 0x0B 0x00 w\n"
        "reg 0x0C 0x00 w\nreg 0x0D 0x00 w\nreg 0x0E 0x00 w\nreg 0x0F 0x00 w\n";

    const QByteArray text = writtenText(registers, int(registers.size()), fixedCreation);
    QCOMPARE(text, header + statements);
    QCOMPARE(text.count('\n'), 27);
    QCOMPARE(writtenText(registers, 0, fixedCreation), header);
    QCOMPARE(writtenText(registers, -3, fixedCreation), header);

    // Midnight and single-digit days keep their leading zeros.
    const QByteArray early = writtenText(registers, 0, QDateTime(QDate(2027, 1, 2), QTime(0, 7)));
    QVERIFY(early.contains("\n# Created 02.01.2027 00:07\n"));
}

void TestRegisterFile::writerReportsFailedWrite()
{
    const Mirror registers {};
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    QVERIFY(!write_reg_file(readOnly, registers.data(), int(registers.size()), fixedCreation));
    QBuffer closed;
    QVERIFY(!write_reg_file(closed, registers.data(), int(registers.size()), fixedCreation));
}

void TestRegisterFile::roundTripOfRandomMirrors()
{
    constexpr quint32 seed = 40613;
    constexpr int mirrors = 100;
    QRandomGenerator random(seed);
    for (int round = 0; round < mirrors; ++round) {
        Mirror saved;
        QStringList expectedWrites;
        for (std::size_t address = 0; address < saved.size(); ++address) {
            saved[address] = quint8(random.bounded(256));
            expectedWrites << writeEvent(int(address), saved[address]);
        }
        const Reading reading = readText(writtenText(saved, int(saved.size()), fixedCreation), Mirror {});
        QCOMPARE(reading.result, 27);
        QCOMPARE(reading.registers, saved);
        QCOMPARE(reading.events, expectedWrites);
    }
}

void TestRegisterFile::manyStatementsAcrossReadBlocks()
{
    // Lines of uneven length, so that the borders of the reader's blocks fall
    // at every position within a line.
    constexpr int statements = 20'000;
    constexpr quint32 seed = 7;
    QRandomGenerator random(seed);
    QByteArray text;
    QStringList expectedEvents;
    Mirror expected = patternMirror();
    for (int i = 0; i < statements; ++i) {
        const int address = random.bounded(16);
        const int data = random.bounded(256);
        const bool write = i % 3 == 0;
        text += QByteArray(i % 11, ' ')
                + QString::asprintf("reg 0x%x 0x%02x%s\n", address, data, write ? " w" : "").toLatin1();
        expected[std::size_t(address)] = quint8(data);
        if (write)
            expectedEvents << writeEvent(address, data);
    }
    const Reading reading = readText(text);
    QCOMPARE(reading.result, statements);
    QCOMPARE(reading.events, expectedEvents);
    QCOMPARE(reading.registers, expected);
}

void TestRegisterFile::endlessLineIsNotReadToTheEnd()
{
    // Zeros without a line feed, as a device gives them, counted as read.
    // Not quite endless, so that a reader that takes it all still ends.
    class Zeros : public QIODevice
    {
    public:
        qint64 handedOut = 0;

    protected:
        qint64 readData(char *data, qint64 maxSize) override
        {
            constexpr qint64 available = 256 * 1024 * 1024;
            const qint64 count = std::min(maxSize, available - handedOut);
            std::memset(data, 0, std::size_t(count));
            handedOut += count;
            return count;
        }
        qint64 writeData(const char *, qint64) override { return -1; }
    };
    constexpr qint64 mostExpected = 1024 * 1024;

    Zeros zeros;
    zeros.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    Mirror registers {};
    int errorLine = 0;
    QCOMPARE(parse_reg_file(zeros, errorLine, registers.data(), int(registers.size()), {}), -1);
    QCOMPARE(errorLine, 1);
    QVERIFY2(zeros.handedOut <= mostExpected, QByteArray::number(zeros.handedOut));
}

void TestRegisterFile::defaultDelayBlocks()
{
    constexpr qint64 requested = 30;
    constexpr qint64 leastExpected = 25;
    QBuffer buffer;
    buffer.setData("sleep " + QByteArray::number(requested) + '\n');
    buffer.open(QIODevice::ReadOnly);
    Mirror registers {};
    int errorLine = 0;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(parse_reg_file(buffer, errorLine, registers.data(), int(registers.size()), {}), 1);
    QVERIFY2(timer.elapsed() >= leastExpected, QByteArray::number(timer.elapsed()));
}

void TestRegisterFile::proceedStopsTheReading_data()
{
    QTest::addColumn<int>("refusedAsk");
    QTest::addColumn<int>("stopLine");
    QTest::addColumn<QStringList>("events");
    // Asked for lines 1, 2, 2 again after its wait, 3 and 4.
    QTest::newRow("before the first line") << 1 << 1 << QStringList{};
    QTest::newRow("in the wait") << 3 << 2 << QStringList{writeEvent(1, 0x11), sleepEvent(5)};
    QTest::newRow("before the last line") << 5 << 4 << QStringList{writeEvent(1, 0x11), sleepEvent(5)};
}

void TestRegisterFile::proceedStopsTheReading()
{
    QFETCH(int, refusedAsk);
    QFETCH(int, stopLine);
    QFETCH(QStringList, events);
    QByteArray text = "reg 0x01 0x11 w\nsleep 5\n# c\nreg 0x02 0x22 w";
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    QCOMPARE(registerFileLineCount(buffer), 4);
    int asks = 0;
    const Reading reading = readText(text, patternMirror(), [&](int) { return ++asks != refusedAsk; });
    QCOMPARE(reading.result, -2);
    QCOMPARE(reading.errorLine, stopLine);
    QCOMPARE(reading.events, events);
    QCOMPARE(reading.registers[2], patternMirror()[2]);
}

QTEST_APPLESS_MAIN(TestRegisterFile)
#include "tst_registerfile.moc"
