// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/bindingname.h"
#include "binding/fieldcodec.h"

#include <QtTest>

Q_DECLARE_METATYPE(RegisterMirror)

class TestBindingName : public QObject
{
    Q_OBJECT

private slots:
    void comboNames_data();
    void comboNames();
    void buttonNames_data();
    void buttonNames();
    void lineEditNames_data();
    void lineEditNames();
    void indexFromMirror_data();
    void indexFromMirror();
    void storeIndex_data();
    void storeIndex();
    void splitFieldStoresFirstPartBeforeSecond();
};

void TestBindingName::comboNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("highBit");
    QTest::addColumn<int>("lowBit");
    QTest::addColumn<int>("secondAddress");
    QTest::addColumn<int>("secondHighBit");
    QTest::addColumn<int>("secondLowBit");
    QTest::addColumn<bool>("oneHot");

    QTest::newRow("buck1") << "co0750" << 0x07 << 5 << 0 << -1 << 0 << 0 << false;
    QTest::newRow("buck2") << "co0850" << 0x08 << 5 << 0 << -1 << 0 << 0 << false;
    QTest::newRow("buck3") << "co0060" << 0x00 << 6 << 0 << -1 << 0 << 0 << false;
    QTest::newRow("threshold") << "co0b61" << 0x0b << 6 << 1 << -1 << 0 << 0 << false;
    QTest::newRow("upper-case hex") << "co0B61" << 0x0b << 6 << 1 << -1 << 0 << 0 << false;
    QTest::newRow("split") << "co07500831" << 0x07 << 5 << 0 << 0x08 << 3 << 1 << false;
    QTest::newRow("one-hot") << "co0a20s" << 0x0a << 2 << 0 << -1 << 0 << 0 << true;
    QTest::newRow("eight chars stay single") << "co0750xs" << 0x07 << 5 << 0 << -1 << 0 << 0 << true;
    QTest::newRow("split one-hot") << "co07500831s" << 0x07 << 5 << 0 << 0x08 << 3 << 1 << true;
    QTest::newRow("empty field kept") << "co0716" << 0x07 << 1 << 6 << -1 << 0 << 0 << false;
    QTest::newRow("nine chars lack a field") << "co0750083" << -1 << 5 << 0 << -1 << 3 << 0 << false;
    QTest::newRow("fields do not convert") << "combo1" << -1 << 0 << 0 << -1 << 0 << 0 << false;
    QTest::newRow("missing low bit") << "co075" << -1 << 5 << 0 << -1 << 0 << 0 << false;
    QTest::newRow("not a combo name") << "cb0750" << -1 << 0 << 0 << -1 << 0 << 0 << false;
    QTest::newRow("outside the mirror") << "co1050" << -1 << 5 << 0 << -1 << 0 << 0 << false;
    QTest::newRow("second register outside") << "co07501031" << -1 << 5 << 0 << -1 << 3 << 1 << false;
    QTest::newRow("bit beyond a byte") << "co07f0" << -1 << 15 << 0 << -1 << 0 << 0 << false;
    QTest::newRow("signed address") << "co-150" << -1 << 0 << 0 << -1 << 0 << 0 << false;
    QTest::newRow("blank in a field") << "co 750" << -1 << 0 << 0 << -1 << 0 << 0 << false;
}

void TestBindingName::comboNames()
{
    QFETCH(QString, name);
    const FieldBinding b = get_co_addr(name);
    QTEST(b.address, "address");
    QTEST(b.secondAddress, "secondAddress");
    QTEST(b.oneHot, "oneHot");
    if (b.isBound()) {
        QTEST(b.highBit, "highBit");
        QTEST(b.lowBit, "lowBit");
    }
    if (b.secondAddress != -1) {
        QTEST(b.secondHighBit, "secondHighBit");
        QTEST(b.secondLowBit, "secondLowBit");
    }
}

void TestBindingName::buttonNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<bool>("inverted");

    const int bit = ButtonBinding::Bit;
    const int pin = ButtonBinding::Pin;
    const int none = ButtonBinding::NotBound;
    QTest::newRow("enable") << "cb0a1" << bit << 0x0a << 1 << false;
    QTest::newRow("hysteresis") << "cb0b7" << bit << 0x0b << 7 << false;
    QTest::newRow("upper-case hex") << "cb0C1" << bit << 0x0c << 1 << false;
    QTest::newRow("pin") << "io0203" << pin << 2 << 3 << false;
    QTest::newRow("inverted pin") << "io0105n" << pin << 1 << 5 << true;
    QTest::newRow("bit missing") << "cb0a" << none << 0 << 0 << false;
    QTest::newRow("outside the mirror") << "cb100" << none << 0 << 0 << false;
    QTest::newRow("bit beyond a byte") << "cb0a9" << none << 0 << 0 << false;
    QTest::newRow("c but not cb") << "co0a1" << none << 0 << 0 << false;
    QTest::newRow("pin missing") << "io02" << none << 0 << 0 << false;
    QTest::newRow("hex is not decimal") << "io0a03" << none << 0 << 0 << false;
    QTest::newRow("signed pin") << "io-1-1" << none << 0 << 0 << false;
    QTest::newRow("plain push button") << "readregisters" << none << 0 << 0 << false;
    QTest::newRow("DevSleep") << "DevSleep" << none << 0 << 0 << false;
    QTest::newRow("pushButton_2") << "pushButton_2" << none << 0 << 0 << false;
    QTest::newRow("unnamed") << "" << none << 0 << 0 << false;
}

void TestBindingName::buttonNames()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    const ButtonBinding b = get_cb_addr(name);
    QCOMPARE(int(b.kind), kind);
    if (kind == ButtonBinding::Bit) {
        QTEST(b.address, "first");
        QTEST(b.bit, "second");
    } else if (kind == ButtonBinding::Pin) {
        QTEST(b.group, "first");
        QTEST(b.pin, "second");
        QTEST(b.inverted, "inverted");
    }
}

void TestBindingName::lineEditNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVector<int>>("fields");
    QTest::addColumn<double>("reference");
    QTest::addColumn<double>("coefficient");

    const int status = LineEditBinding::StatusBit;
    const int level = LineEditBinding::PinLevel;
    const int adc = LineEditBinding::Adc;
    const int none = LineEditBinding::NotBound;
    QTest::newRow("status bit") << "le0d1" << status << QVector<int>{0x0d, 1} << 0.0 << 0.0;
    QTest::newRow("pin level") << "lio0202" << level << QVector<int>{2, 2} << 0.0 << 0.0;
    QTest::newRow("no inversion on lio") << "lio0003n" << level << QVector<int>{0, 3} << 0.0 << 0.0;
    QTest::newRow("battery probe") << "adc000710244280" << adc << QVector<int>{0, 7, 10} << 2.44 << 2.80;
    QTest::newRow("buck3 probe") << "adc000510244100" << adc << QVector<int>{0, 5, 10} << 2.44 << 1.00;
    QTest::newRow("probe missing coefficient") << "adc000710244" << none << QVector<int>{} << 0.0 << 0.0;
    QTest::newRow("status outside the mirror") << "le1d1" << none << QVector<int>{} << 0.0 << 0.0;
    QTest::newRow("status bit missing") << "le0d" << none << QVector<int>{} << 0.0 << 0.0;
    QTest::newRow("label") << "label_5" << none << QVector<int>{} << 0.0 << 0.0;
    QTest::newRow("l then something else") << "lineEdit" << none << QVector<int>{} << 0.0 << 0.0;
}

void TestBindingName::lineEditNames()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    QFETCH(QVector<int>, fields);
    const LineEditBinding b = get_le_addr(name);
    QCOMPARE(int(b.kind), kind);
    switch (b.kind) {
    case LineEditBinding::StatusBit:
        QCOMPARE((QVector<int>{b.address, b.bit}), fields);
        break;
    case LineEditBinding::PinLevel:
        QCOMPARE((QVector<int>{b.group, b.pin}), fields);
        break;
    case LineEditBinding::Adc:
        QCOMPARE((QVector<int>{b.device, b.channel, b.resolution}), fields);
        QTEST(b.reference, "reference");
        QTEST(b.coefficient, "coefficient");
        break;
    case LineEditBinding::NotBound:
        break;
    }
}

static RegisterMirror mirrorWith(std::initializer_list<std::pair<int, int>> bytes)
{
    RegisterMirror m{};
    for (const auto &b : bytes)
        m[b.first] = static_cast<quint8>(b.second);
    return m;
}

void TestBindingName::indexFromMirror_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<RegisterMirror>("mirror");
    QTest::addColumn<int>("index");

    QTest::newRow("buck1 code") << "co0750" << mirrorWith({{0x07, 0x2a}}) << 42;
    QTest::newRow("bits above the field ignored") << "co0750" << mirrorWith({{0x07, 0xea}}) << 42;
    QTest::newRow("threshold clear") << "co0b61" << mirrorWith({{0x0b, 0x81}}) << 0;
    QTest::newRow("threshold full") << "co0b61" << mirrorWith({{0x0b, 0x7e}}) << 63;
    QTest::newRow("7-bit field past the list") << "co0060" << mirrorWith({{0x00, 0x7f}}) << 127;
    QTest::newRow("one-hot bit 2") << "co0a20s" << mirrorWith({{0x0a, 0x04}}) << 2;
    QTest::newRow("one-hot zero") << "co0a20s" << mirrorWith({{0x0a, 0x00}}) << 0;
    QTest::newRow("one-hot lowest of two") << "co0a20s" << mirrorWith({{0x0a, 0x06}}) << 1;
    QTest::newRow("one-hot capped at 7") << "co0a70s" << mirrorWith({{0x0a, 0x80}}) << 7;
    QTest::newRow("split") << "co07500831" << mirrorWith({{0x07, 0x03}, {0x08, 0x04}}) << 131;
    QTest::newRow("empty field reads 0") << "co0716" << mirrorWith({{0x07, 0xff}}) << 0;
}

void TestBindingName::indexFromMirror()
{
    QFETCH(QString, name);
    QFETCH(RegisterMirror, mirror);
    QTEST(FieldCodec::indexFromMirror(get_co_addr(name), mirror), "index");
}

void TestBindingName::storeIndex_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<RegisterMirror>("before");
    QTest::addColumn<int>("index");
    QTest::addColumn<RegisterMirror>("after");

    QTest::newRow("buck1 keeps upper bits")
            << "co0750" << mirrorWith({{0x07, 0xc0}}) << 42 << mirrorWith({{0x07, 0xea}});
    QTest::newRow("threshold all ones")
            << "co0b61" << mirrorWith({{0x0b, 0x81}}) << 63 << mirrorWith({{0x0b, 0xff}});
    QTest::newRow("threshold back to zero")
            << "co0b61" << mirrorWith({{0x0b, 0xff}}) << 0 << mirrorWith({{0x0b, 0x81}});
    QTest::newRow("one-hot item 2")
            << "co0a20s" << mirrorWith({{0x0a, 0xf8}}) << 2 << mirrorWith({{0x0a, 0xfc}});
    QTest::newRow("index wider than the field")
            << "co0750" << mirrorWith({}) << 200 << mirrorWith({{0x07, 0x08}});
    QTest::newRow("split item 200")
            << "co07500831" << mirrorWith({{0x08, 0xf1}}) << 200
            << mirrorWith({{0x07, 0x08}, {0x08, 0xf7}});
    QTest::newRow("empty field changes nothing")
            << "co0716" << mirrorWith({{0x07, 0x5a}}) << 3 << mirrorWith({{0x07, 0x5a}});
}

void TestBindingName::storeIndex()
{
    QFETCH(QString, name);
    QFETCH(RegisterMirror, before);
    QFETCH(int, index);
    const FieldBinding field = get_co_addr(name);
    const unsigned value = FieldCodec::valueForIndex(field, index);
    FieldCodec::storeFirstPart(field, value, before);
    if (field.secondAddress != -1)
        FieldCodec::storeSecondPart(field, value, before);
    QTEST(before, "after");
}

void TestBindingName::splitFieldStoresFirstPartBeforeSecond()
{
    const FieldBinding field = get_co_addr(QStringLiteral("co07500831"));
    RegisterMirror m{};
    FieldCodec::storeFirstPart(field, 200, m);
    QCOMPARE(m[0x07], quint8(0x08));
    QCOMPARE(m[0x08], quint8(0x00));
}

QTEST_APPLESS_MAIN(TestBindingName)
#include "tst_bindingname.moc"
