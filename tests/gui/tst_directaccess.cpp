// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/direct_access.h"
#include "tabwalk.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <memory>

using Transfer = QPair<int, int>; // address, data

// Stands in for the main window: owns the dialog the way the program does and
// serves its two requests, the read handing back a preset byte.
class FakeHost : public QWidget
{
    Q_OBJECT

public:
    FakeHost() : dialog(new direct_access(this))
    {
        connect(dialog, &direct_access::readRequested, this, &FakeHost::dr_read);
        connect(dialog, &direct_access::writeRequested, this, &FakeHost::dr_write);
    }

    direct_access *const dialog;
    int readResult = 0;
    QList<int> reads;
    QList<Transfer> writes;

public slots:
    void dr_read()
    {
        reads << dialog->address();
        dialog->setData(readResult);
    }
    void dr_write() { writes << Transfer(dialog->address(), dialog->data()); }
};

static const QStringList register00Names = {"-", "Buck3 Voltage Code [6]", "Buck3 Voltage Code [5]",
                                            "Buck3 Voltage Code [4]", "Buck3 Voltage Code [3]",
                                            "Buck3 Voltage Code [2]", "Buck3 Voltage Code [1]",
                                            "Buck3 Voltage Code [0]"};

static QStringList expectedLabels(const QStringList &namesBit7First)
{
    QStringList result;
    for (int i = 0; i < namesBit7First.size(); ++i)
        result << QStringLiteral("bit %1    %2").arg(7 - i).arg(namesBit7First.at(i));
    return result;
}

static void retype(QLineEdit *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

class TestDirectAccess : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeHost> host;

    template <class T> T *widget(const QString &name) const { return host->dialog->findChild<T *>(name); }
    QLineEdit *addressField() const { return widget<QLineEdit>("lineEdit"); }
    QLineEdit *dataField() const { return widget<QLineEdit>("lineEdit_2"); }

    // Found by object name, top to bottom, so the group's ids are checked
    // rather than trusted.
    QCheckBox *bitBox(int bit) const
    {
        const int row = 8 - bit;
        return widget<QCheckBox>(row == 1 ? QStringLiteral("checkBox") : QStringLiteral("checkBox_%1").arg(row));
    }

    int checkedBits() const
    {
        int bits = 0;
        for (int bit = 0; bit < 8; ++bit)
            bits |= bitBox(bit)->isChecked() ? 1 << bit : 0;
        return bits;
    }

    QStringList labels() const // bit 7 first
    {
        QStringList result;
        for (int bit = 7; bit >= 0; --bit)
            result << bitBox(bit)->text();
        return result;
    }

    // Clicks on the indicator: the middle of a wide check box with a short
    // label lies outside its click area.
    void clickBit(int bit) const
    {
        QCheckBox *box = bitBox(bit);
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, indicator.center());
    }

    bool showDialog() const
    {
        host->dialog->show();
        return QTest::qWaitForWindowExposed(host->dialog);
    }

private slots:
    void init()
    {
        QTest::failOnWarning(QRegularExpression("No matching signal|QObject::connect"));
        host = std::make_unique<FakeHost>();
    }

    void cleanup() { host.reset(); }

    void startsHiddenWithRegister00()
    {
        QVERIFY(!host->dialog->isVisible());
        QCOMPARE(host->dialog->windowTitle(), QStringLiteral("Direct Register Access"));
        QCOMPARE(addressField()->text(), QStringLiteral("00"));
        QCOMPARE(dataField()->text(), QStringLiteral("00"));
        QCOMPARE(host->dialog->address(), 0);
        QCOMPARE(host->dialog->data(), 0);
        QCOMPARE(checkedBits(), 0);
        QCOMPARE(labels(), expectedLabels(register00Names));
    }

    void addressRelabelsOnly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("address");
        QTest::addColumn<QStringList>("names");
        const QStringList unnamed(8, QStringLiteral("-"));
        QTest::newRow("comparator") << "0b" << 0x0b
                                    << QStringList{"Comp Hyst", "Comp Thres[5]", "Comp Thres[4]", "Comp Thres[3]",
                                                   "Comp Thres[2]", "Comp Thres[1]", "Comp Thres[0]", "Comp Enable"};
        QTest::newRow("unnamed 09") << "09" << 0x09 << unnamed;
        QTest::newRow("unnamed ff") << "ff" << 0xff << unnamed;
        QTest::newRow("one digit E") << "E" << 0x0e << QStringList{"-", "-", "-", "-", "-", "-", "-", "IRQ Polarity"};
        QTest::newRow("emptied") << "" << 0x00 << register00Names;
    }

    void addressRelabelsOnly()
    {
        QFETCH(QString, typed);
        QFETCH(int, address);
        QFETCH(QStringList, names);

        retype(dataField(), "a5");
        retype(addressField(), "0d"); // off 00, so that emptying has to relabel
        retype(addressField(), typed);

        QCOMPARE(host->dialog->address(), address);
        QCOMPARE(labels(), expectedLabels(names));
        QCOMPARE(host->dialog->data(), 0xa5);
        QCOMPARE(checkedBits(), 0xa5);
        QVERIFY(host->reads.isEmpty());
    }

    void dataSetsCheckMarks_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("data");
        QTest::newRow("a5") << "a5" << 0xa5;
        QTest::newRow("upper case A5") << "A5" << 0xa5;
        QTest::newRow("one digit F") << "F" << 0x0f;
        QTest::newRow("ff") << "ff" << 0xff;
        QTest::newRow("emptied") << "" << 0x00;
    }

    void dataSetsCheckMarks()
    {
        QFETCH(QString, typed);
        QFETCH(int, data);
        QSignalSpy clicks(widget<QButtonGroup>("buttonGroup"), &QButtonGroup::idClicked);

        retype(dataField(), "3c");
        retype(dataField(), typed);

        QCOMPARE(dataField()->text(), typed);
        QCOMPARE(host->dialog->data(), data);
        QCOMPARE(checkedBits(), data);
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(labels(), expectedLabels(register00Names));
    }

    void clickFlipsOneBit_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("bit");
        QTest::addColumn<QString>("shown");
        QTest::newRow("clear bit 0") << "a5" << 0 << "a4";
        QTest::newRow("set bit 0") << "a4" << 0 << "a5";
        QTest::newRow("set bit 6") << "a5" << 6 << "e5";
        QTest::newRow("clear bit 7") << "ff" << 7 << "7f";
        QTest::newRow("after one digit") << "F" << 4 << "1f";
        QTest::newRow("after emptying") << "" << 3 << "08";
    }

    void clickFlipsOneBit()
    {
        QFETCH(QString, typed);
        QFETCH(int, bit);
        QFETCH(QString, shown);
        QVERIFY(showDialog());

        retype(dataField(), typed);
        clickBit(bit);

        QCOMPARE(dataField()->text(), shown);
        QCOMPARE(host->dialog->data(), shown.toInt(nullptr, 16));
        QCOMPARE(checkedBits(), host->dialog->data());
    }

    void setDataTakesLowByte_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("failed read -1") << -1 << "ff";
        QTest::newRow("small value") << 0x0a << "0a";
        QTest::newRow("high bits dropped") << 0x13c << "3c";
        QTest::newRow("zero") << 0 << "00";
    }

    void setDataTakesLowByte()
    {
        QFETCH(int, value);
        QFETCH(QString, shown);
        retype(dataField(), "5");

        host->dialog->setData(value);

        QCOMPARE(dataField()->text(), shown);
        QCOMPARE(host->dialog->data(), value & 0xff);
        QCOMPARE(checkedBits(), value & 0xff);
    }

    void buttonsReachParent()
    {
        QVERIFY(showDialog());
        auto *write = widget<QPushButton>("pushButton");
        auto *read = widget<QPushButton>("pushButton_2");

        retype(addressField(), "0a");
        retype(dataField(), "5f");
        QTest::mouseClick(write, Qt::LeftButton);
        retype(addressField(), "0d"); // a write goes to the address now in the field
        clickBit(0);
        QTest::mouseClick(write, Qt::LeftButton);
        QCOMPARE(host->writes, (QList<Transfer>{{0x0a, 0x5f}, {0x0d, 0x5e}}));

        host->readResult = -1;
        QTest::mouseClick(read, Qt::LeftButton);
        QCOMPARE(host->reads, QList<int>{0x0d});
        QCOMPARE(dataField()->text(), QStringLiteral("ff"));
        QCOMPARE(checkedBits(), 0xff);
        QCOMPARE(host->writes.size(), 2);
    }

    void groupIdsAndFixedSize()
    {
        auto *group = widget<QButtonGroup>("buttonGroup");
        QVERIFY(!group->exclusive());
        QCOMPARE(group->buttons().size(), 8);
        for (int bit = 0; bit < 8; ++bit)
            QCOMPARE(group->id(bitBox(bit)), bit);

        QVERIFY(showDialog());
        const QSize shown = host->dialog->size();
        QCOMPARE(host->dialog->layout()->sizeConstraint(), QLayout::SetFixedSize);
        QCOMPARE(host->dialog->minimumSize(), shown);
        QCOMPARE(host->dialog->maximumSize(), shown);
    }

    void closeAndReopenKeepsState()
    {
        QVERIFY(showDialog());
        retype(addressField(), "0b");
        retype(dataField(), "a5");
        clickBit(0);
        const QStringList labelsBefore = labels();

        QPointer<direct_access> dialog = host->dialog;
        QVERIFY(dialog->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(dialog);
        QVERIFY(!dialog->isVisible());
        QVERIFY(showDialog());

        QCOMPARE(dialog->address(), 0x0b);
        QCOMPARE(dialog->data(), 0xa4);
        QCOMPARE(addressField()->text(), QStringLiteral("0b"));
        QCOMPARE(dataField()->text(), QStringLiteral("a4"));
        QCOMPARE(checkedBits(), 0xa4);
        QCOMPARE(labels(), labelsBefore);
    }

    void tabReachesEveryFieldAndBit()
    {
        retype(addressField(), "0e"); // its bit 0 has a name, the others none
        QStringList said; // each stop by its object name and by what a screen reader calls it
        for (const QString &stop : tabWalk(addressField(), 12))
            said << stop + ": " + QAccessible::queryAccessibleInterface(widget<QWidget>(stop))->text(QAccessible::Name);
        QCOMPARE(said, (QStringList{"lineEdit_2: Data byte", "pushButton: Write register",
                                    "pushButton_2: Read register", "checkBox: bit 7", "checkBox_2: bit 6",
                                    "checkBox_3: bit 5", "checkBox_4: bit 4", "checkBox_5: bit 3", "checkBox_6: bit 2",
                                    "checkBox_7: bit 1", "checkBox_8: bit 0, IRQ Polarity",
                                    "lineEdit: Register address"}));
    }
};

QTEST_MAIN(TestDirectAccess)
#include "tst_directaccess.moc"
