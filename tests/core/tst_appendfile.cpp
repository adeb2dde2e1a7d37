// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/appendfile.h"
#include "regfile/filereplace.h"
#include "regfile/regularfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

// Makes what a row names in the folder and gives its path; empty when it
// cannot be had here.
using Setup = std::function<QString(const QTemporaryDir &)>;
Q_DECLARE_METATYPE(Setup)

namespace {

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

QString fifoIn(const QTemporaryDir &dir)
{
#ifdef Q_OS_UNIX
    const QString path = dir.filePath(QStringLiteral("fifo"));
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
#else
    Q_UNUSED(dir);
    return {};
#endif
}

// A device the system has at any name it is given.
#ifdef Q_OS_WIN
const QString device = QStringLiteral("NUL");
#else
const QString device = QStringLiteral("/dev/null");
#endif

} // namespace

class TestAppendFile : public QObject
{
    Q_OBJECT

private slots:
    void linesReachTheFileAtOnce();
    void onlyRegularFilesAreOpened_data();
    void onlyRegularFilesAreOpened();
    void missingFolderIsNamed();
    void replaceFile();
    void replaceThatFailsKeepsTheOldFile();
};

// Read back through another handle while the file is still open: what a
// killed program would have left behind.
void TestAppendFile::linesReachTheFileAtOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    QVERIFY(writeFile(path, "stale older and longer\n"));

    AppendFile file;
    QVERIFY(file.open(path));
    QVERIFY(file.append("a,1\n") && file.append("b,2\n"));
    QFile reader(path);
    QVERIFY(reader.open(QIODevice::ReadOnly));
    QCOMPARE(reader.readAll(), QByteArray("a,1\nb,2\n"));
    // Known by identity: the file it appends to, not another in its folder.
    QFile other(dir.filePath(QStringLiteral("other.csv")));
    QVERIFY(file.isFileOf(reader) && writeFile(other.fileName(), "") && other.open(QIODevice::ReadOnly));
    QVERIFY(!file.isFileOf(other));
    QVERIFY(file.close());
    QVERIFY(!file.append("c,3\n"));
}

void TestAppendFile::onlyRegularFilesAreOpened_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::newRow("FIFO") << Setup(fifoIn);
    QTest::newRow("device") << Setup([](const QTemporaryDir &) { return device; });
    QTest::newRow("folder") << Setup([](const QTemporaryDir &dir) { return dir.path(); });
}

// Neither a load nor a recording opens it, and no save takes its place.
void TestAppendFile::onlyRegularFilesAreOpened()
{
    QFETCH(Setup, setup);
    QTemporaryDir dir;
    const QString path = setup(dir);
    if (path.isEmpty())
        QSKIP("Windows has no FIFOs");
    AppendFile file;
    QVERIFY(!file.open(path));
    QCOMPARE(file.errorString(), QStringLiteral("not a regular file"));
    QString reason;
    QFile load;
    QVERIFY(!openRegularFile(load, path, reason));
    QCOMPARE(reason, QStringLiteral("not a regular file"));
    QVERIFY(!::replaceFile(path, "reg 0x07 0x0E w\n", reason));
    QCOMPARE(reason, QStringLiteral("not a regular file"));
    QVERIFY(!QFileInfo(path).isFile() && (path == device || QFileInfo::exists(path)));
}

void TestAppendFile::missingFolderIsNamed()
{
    QTemporaryDir dir;
    AppendFile file;
    QVERIFY(!file.open(dir.filePath(QStringLiteral("no/such/folder.csv"))));
#ifdef Q_OS_WIN
    QCOMPARE(file.errorString(), qt_error_string(ERROR_PATH_NOT_FOUND));
#else
    QCOMPARE(file.errorString(), QStringLiteral("No such file or directory"));
#endif
}

// The file holds the new contents whole, and nothing else is left in the
// folder.
void TestAppendFile::replaceFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.qrx"));
    QVERIFY(writeFile(path, "reg 0x01 0x02 w\nreg 0x03 0x04 w\n"));
    QString reason;
    QVERIFY2(::replaceFile(path, "reg 0x07 0x0E w\n", reason), qPrintable(reason));
    QCOMPARE(fileContents(path), QByteArray("reg 0x07 0x0E w\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"saved.qrx"});
}

// The old file is left as it was, and the new one goes: on Windows a file
// another program holds open without letting it be removed cannot be
// replaced; elsewhere, a folder that takes no new file and a read-only file
// do the same for any user but root.
void TestAppendFile::replaceThatFailsKeepsTheOldFile()
{
#ifdef Q_OS_WIN
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("open.csv"));
    QVERIFY(writeFile(path, "kept\n"));
    // Qt, like most programs, opens a file without letting it be removed.
    QFile other(path);
    QVERIFY(other.open(QIODevice::ReadOnly));
    QString reason;
    QVERIFY(!::replaceFile(path, "new\n", reason));
    other.close();
    QVERIFY(!reason.isEmpty());
    QCOMPARE(fileContents(path), QByteArray("kept\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"open.csv"});
#else
    QSKIP("Replacing a file open elsewhere is refused on Windows only; the POSIX cases are the "
          "register file commands' tests");
#endif
}

QTEST_GUILESS_MAIN(TestAppendFile)
#include "tst_appendfile.moc"
