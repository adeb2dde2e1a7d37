// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/connectionsupervisor.h"
#include "device/devicelink.h"
#include "device/hid2library.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The run-time loading of the controller library: which file is chosen, and
// what the program does when there is none or it is incomplete.
class TestHid2Library : public QObject
{
    Q_OBJECT

private slots:
    void libraryBesideTheProgramWins();
    void systemSearchFindsTheLibrary();
    void incompleteLibraryIsRefused_data();
    void incompleteLibraryIsRefused();
    void missingLibraryActsAsNoBoard();

private:
    // A folder holding the given stub under the controller library's name.
    static bool placeAsHid2(const QString &stub, const QTemporaryDir &dir)
    {
#ifdef Q_OS_WIN
        return QFile::copy(stub, dir.filePath(QStringLiteral("hid2.dll")));
#else
        return QFile::copy(stub, dir.filePath(QStringLiteral("libhid2.so")));
#endif
    }
};

void TestHid2Library::libraryBesideTheProgramWins()
{
    QTemporaryDir programDir;
    QVERIFY(placeAsHid2(QStringLiteral(HID2_STUB), programDir));
    Hid2Library library(programDir.path());
    QVERIFY2(library.isLoaded(), qPrintable(library.failure()));
    QVERIFY(library.fileName().startsWith(programDir.path()));
    QCOMPARE(library.usb_hid_init(), 4242);
    QCOMPARE(library.spi_read(4242, 0, 0), 0x5a);
}

// Without one beside the program, the system's search finds it: on Windows
// on the PATH, its last step.
void TestHid2Library::systemSearchFindsTheLibrary()
{
#ifdef Q_OS_WIN
    QTemporaryDir programDir;
    QTemporaryDir onPath;
    QVERIFY(placeAsHid2(QStringLiteral(HID2_STUB), onPath));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QDir::toNativeSeparators(onPath.path()).toLocal8Bit() + ';' + path);
    Hid2Library library(programDir.path());
    qputenv("PATH", path);
    QVERIFY2(library.fileName().startsWith(onPath.path()), qPrintable(library.fileName()));
    QCOMPARE(library.usb_hid_init(), 4242);
#else
    QSKIP("Linux reads LD_LIBRARY_PATH once, when the program starts");
#endif
}

void TestHid2Library::incompleteLibraryIsRefused_data()
{
    QTest::addColumn<QString>("stub");
    QTest::addColumn<QString>("lacks");

    QTest::newRow("open only") << HID2_OPEN_ONLY_STUB
                               << "init_controller set_pin_dir set_pin read_pin spi_read spi_write measure";
    QTest::newRow("usb_hid_init") << HID2_STUB_WITHOUT_usb_hid_init << "usb_hid_init";
    QTest::newRow("init_controller") << HID2_STUB_WITHOUT_init_controller << "init_controller";
    QTest::newRow("set_pin_dir") << HID2_STUB_WITHOUT_set_pin_dir << "set_pin_dir";
    QTest::newRow("set_pin") << HID2_STUB_WITHOUT_set_pin << "set_pin";
    QTest::newRow("read_pin") << HID2_STUB_WITHOUT_read_pin << "read_pin";
    QTest::newRow("spi_read") << HID2_STUB_WITHOUT_spi_read << "spi_read";
    QTest::newRow("spi_write") << HID2_STUB_WITHOUT_spi_write << "spi_write";
    QTest::newRow("measure") << HID2_STUB_WITHOUT_measure << "measure";
}

void TestHid2Library::incompleteLibraryIsRefused()
{
    QFETCH(QString, stub);
    QFETCH(QString, lacks);
    QTemporaryDir programDir;
    QVERIFY(placeAsHid2(stub, programDir));
    Hid2Library library(programDir.path());
    QVERIFY(!library.isLoaded());
    // "set_pin" must not be taken for the start of "set_pin_dir".
    const QRegularExpression named(QStringLiteral("lacks %1\\b").arg(lacks));
    QVERIFY2(named.match(library.failure()).hasMatch(), qPrintable(library.failure()));
    // Not one call reaches the refused library.
    QCOMPARE(library.usb_hid_init(), -1);
    QCOMPARE(library.spi_read(4242, 0, 0), -1);
}

void TestHid2Library::missingLibraryActsAsNoBoard()
{
    QTemporaryDir emptyDir;
    Hid2Library library(emptyDir.path());
    if (library.isLoaded())
        QSKIP("a hid2 library is installed system-wide on this machine");
    QVERIFY(!library.failure().isEmpty());
    QCOMPARE(library.usb_hid_init(), -1);
    QCOMPARE(library.init_controller(-1), 0);
    QCOMPARE(library.set_pin_dir(-1, 1, 0, 1, 0), 0);
    QCOMPARE(library.spi_read(-1, 0, 0), -1);
    QCOMPARE(library.spi_write(-1, 0, 0, 0), 0);
    QCOMPARE(library.read_pin(-1, 1, 3, 0), -1);
    QCOMPARE(library.set_pin(-1, 3, 1, 1, 0), 0);
    QCOMPARE(library.measure(-1, 7, 0, 0), -1);

    DeviceLink noBoard(library);
    RegisterMirror mirror{};
    ConnectionSupervisor supervision(noBoard, mirror);
    supervision.init_hardware();
    QVERIFY(!noBoard.isConnected());
    QVERIFY(supervision.reconnectTimer().isActive());
}

QTEST_GUILESS_MAIN(TestHid2Library)
#include "tst_hid2library.moc"
