// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

// The dialog's Read and Write as the main window carries them out: through
// the controller, into the status bar and the register log, never into the
// register mirror.
class TestDirectAccessTransfers : public QObject
{
    Q_OBJECT

private slots:
    void readShowsTheChipValue();
    void readWithoutBoardShowsFf();
    void writeSendsTheDataToTheAddressInTheField();
    void enterInAFieldWritesNothing();
    void reopeningKeepsTheDialogAndItsPlace();

private:
    struct Dialog
    {
        QDialog *dialog;
        QLineEdit *address;
        QLineEdit *data;
        QPushButton *read;
        QPushButton *write;
    };

    static Dialog open(WindowFixture &f)
    {
        f.find<QAction>("actionDirect_Register_Access")->trigger();
        QDialog *d = f.find<QDialog>("direct_access");
        return {d, d->findChild<QLineEdit *>("lineEdit"), d->findChild<QLineEdit *>("lineEdit_2"),
                d->findChild<QPushButton *>("pushButton_2"), d->findChild<QPushButton *>("pushButton")};
    }

    static void type(QLineEdit *field, const QString &text)
    {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        field->setCursorPosition(0);
        QTest::keyClicks(field, text);
    }
};

void TestDirectAccessTransfers::readShowsTheChipValue()
{
    WindowFixture f;
    const RegisterMirror before = f.window->registerMirror();
    f.board.registers[0x0d] = 0x1f;
    Dialog d = open(f);
    QVERIFY(d.dialog->isVisible());
    type(d.address, "0d");
    f.board.clearCalls();
    QTest::mouseClick(d.read, Qt::LeftButton);

    QCOMPARE(f.board.callTexts(), QStringList{"spi_read(7,13,0)"});
    QCOMPARE(d.data->text(), QStringLiteral("1f"));
    QCOMPARE(f.transferLabel()->text(), QStringLiteral("   R0d:1f   "));
    QVERIFY(f.registerLog().last().endsWith(" : register read (0dh,1fh)"));
    QCOMPARE(f.window->registerMirror(), before);
    QVERIFY(f.find<QLineEdit>("le0d0")->text() == QStringLiteral("0"));
}

void TestDirectAccessTransfers::readWithoutBoardShowsFf()
{
    WindowFixture f(false);
    Dialog d = open(f);
    QTest::mouseClick(d.read, Qt::LeftButton);
    QCOMPARE(d.data->text(), QStringLiteral("ff"));
    for (QCheckBox *bit : d.dialog->findChildren<QCheckBox *>())
        QVERIFY(bit->isChecked());
    QVERIFY(f.registerLog().last().endsWith(" : register read (00h,ffh)"));
    QCOMPARE(f.stateLabel()->text(), QStringLiteral("   not connected   "));
    QCOMPARE(f.window->registerMirror(), RegisterMirror{});
}

void TestDirectAccessTransfers::writeSendsTheDataToTheAddressInTheField()
{
    WindowFixture f;
    const RegisterMirror before = f.window->registerMirror();
    Dialog d = open(f);
    type(d.address, "07");
    QTest::mouseClick(d.read, Qt::LeftButton);
    type(d.data, "a5");
    type(d.address, "0a");
    f.board.clearCalls();
    QTest::mouseClick(d.write, Qt::LeftButton);

    QCOMPARE(f.board.callTexts(), QStringList{"spi_write(7,10,165,0)"});
    QCOMPARE(f.transferLabel()->text(), QStringLiteral("   W0a:a5   "));
    QVERIFY(f.registerLog().last().endsWith(" : register write (0ah,a5h)"));
    QCOMPARE(f.window->registerMirror(), before);
}

void TestDirectAccessTransfers::enterInAFieldWritesNothing()
{
    WindowFixture f;
    Dialog d = open(f);
    f.board.clearCalls();
    d.address->setFocus();
    QTest::keyClick(d.address, Qt::Key_Return);
    QTest::keyClick(d.data, Qt::Key_Enter);
    QVERIFY(f.board.calls.isEmpty());
}

void TestDirectAccessTransfers::reopeningKeepsTheDialogAndItsPlace()
{
    WindowFixture f;
    Dialog d = open(f);
    type(d.address, "0b");
    type(d.data, "81");
    d.dialog->move(123, 234);
    const QPoint place = d.dialog->pos();
    // Choosing the menu entry again while it is open changes nothing.
    Dialog again = open(f);
    QCOMPARE(again.dialog, d.dialog);
    QCOMPARE(d.dialog->pos(), place);

    d.dialog->close();
    QVERIFY(!d.dialog->isVisible());
    open(f);
    QVERIFY(d.dialog->isVisible());
    QCOMPARE(d.address->text(), QStringLiteral("0b"));
    QCOMPARE(d.data->text(), QStringLiteral("81"));
    QVERIFY(d.dialog->findChild<QCheckBox *>("checkBox")->text().endsWith("Comp Hyst"));
}

QTEST_MAIN(TestDirectAccessTransfers)
#include "tst_directaccesstransfers.moc"
