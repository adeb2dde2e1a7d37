// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/chip.h"

#include <QSet>
#include <QStringList>
#include <QTest>

#include <climits>

namespace {

// Registers with named bits, each listed bit 7 first.
struct Row
{
    int address;
    QStringList names;
};

const QList<Row> &namedRows()
{
    static const QList<Row> rows = {
        {0x00, {"-", "Buck3 Voltage Code [6]", "Buck3 Voltage Code [5]", "Buck3 Voltage Code [4]",
                "Buck3 Voltage Code [3]", "Buck3 Voltage Code [2]", "Buck3 Voltage Code [1]",
                "Buck3 Voltage Code [0]"}},
        {0x07, {"-", "-", "Buck1 Voltage Code [5]", "Buck1 Voltage Code [4]", "Buck1 Voltage Code [3]",
                "Buck1 Voltage Code [2]", "Buck1 Voltage Code [1]", "Buck1 Voltage Code [0]"}},
        {0x08, {"-", "-", "Buck2 Voltage Code [5]", "Buck2 Voltage Code [4]", "Buck2 Voltage Code [3]",
                "Buck2 Voltage Code [2]", "Buck2 Voltage Code [1]", "Buck2 Voltage Code [0]"}},
        {0x0a, {"Buck3 Enable", "-", "-", "Buck1 FPWM", "Buck2 FPWM", "Buck3 FPWM", "Buck1 Enable",
                "Buck2 Enable"}},
        {0x0b, {"Comp Hyst", "Comp Thres[5]", "Comp Thres[4]", "Comp Thres[3]", "Comp Thres[2]",
                "Comp Thres[1]", "Comp Thres[0]", "Comp Enable"}},
        {0x0c, {"-", "-", "-", "LDO OK", "Buck3 OK", "Buck2 OK", "Buck1 OK", "Comparator"}},
        {0x0d, {"-", "-", "-", "LDO OK", "Buck3 OK", "Buck2 OK", "Buck1 OK", "Comparator"}},
        {0x0e, {"-", "-", "-", "-", "-", "-", "-", "IRQ Polarity"}},
    };
    return rows;
}

} // namespace

class TestBitNames : public QObject
{
    Q_OBJECT

private slots:
    void namedRegister_data();
    void namedRegister();
    void everyOtherRegisterIsUnnamed();
    void outOfRange_data();
    void outOfRange();
};

void TestBitNames::namedRegister_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QStringList>("names");
    for (const Row &row : namedRows())
        QTest::addRow("0x%02x", row.address) << row.address << row.names;
}

void TestBitNames::namedRegister()
{
    QFETCH(int, address);
    QFETCH(QStringList, names);
    for (int bit = 0; bit < bitsPerRegister; ++bit)
        QCOMPARE(QString::fromUtf8(bitName(address, bit)), names.at(bitsPerRegister - 1 - bit));
}

void TestBitNames::everyOtherRegisterIsUnnamed()
{
    QSet<int> named;
    for (const Row &row : namedRows())
        named.insert(row.address);
    for (int address = 0; address < registerCount; ++address) {
        if (named.contains(address))
            continue;
        for (int bit = 0; bit < bitsPerRegister; ++bit)
            QVERIFY2(qstrcmp(bitName(address, bit), "-") == 0,
                     qPrintable(QString::asprintf("register 0x%02x bit %d", address, bit)));
    }
}

void TestBitNames::outOfRange_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("bit");
    // Addresses and bits just past a named entry, so a missing bound would
    // land on real names.
    QTest::newRow("address -1") << -1 << 0;
    QTest::newRow("address 256") << 256 << 0;
    QTest::newRow("address 0x10b") << 0x10b << 7;
    QTest::newRow("address INT_MIN") << INT_MIN << 0;
    QTest::newRow("address INT_MAX") << INT_MAX << 0;
    QTest::newRow("bit -1") << 0x0b << -1;
    QTest::newRow("bit 8") << 0x0b << 8;
    QTest::newRow("bit 15") << 0x0b << 15;
    QTest::newRow("bit INT_MIN") << 0x0b << INT_MIN;
}

void TestBitNames::outOfRange()
{
    QFETCH(int, address);
    QFETCH(int, bit);
    QCOMPARE(QByteArray(bitName(address, bit)), QByteArray("-"));
}

QTEST_APPLESS_MAIN(TestBitNames)
#include "tst_bitnames.moc"
