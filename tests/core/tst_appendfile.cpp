// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/appendfile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestAppendFile : public QObject
{
    Q_OBJECT

private slots:
    void linesReachTheFileAtOnce();
    void onlyRegularFilesAreRecordedInto();
};

// Read back through another handle while the file is still open: what a
// killed program would have left behind.
void TestAppendFile::linesReachTheFileAtOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("stale older and longer\n") > 0);
    old.close();

    AppendFile file;
    QVERIFY(file.open(path));
    QVERIFY(file.append("a,1\n") && file.append("b,2\n"));
    QFile reader(path);
    QVERIFY(reader.open(QIODevice::ReadOnly));
    QCOMPARE(reader.readAll(), QByteArray("a,1\nb,2\n"));
    QVERIFY(file.close());
    QVERIFY(!file.append("c,3\n"));
}

void TestAppendFile::onlyRegularFilesAreRecordedInto()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    AppendFile file;
    QVERIFY(!file.open(fifo));
    QCOMPARE(file.errorString(), QStringLiteral("not a regular file"));
    QVERIFY(!file.open(dir.filePath(QStringLiteral("no/such/folder.csv"))));
    QCOMPARE(file.errorString(), QStringLiteral("No such file or directory"));
}

QTEST_GUILESS_MAIN(TestAppendFile)
#include "tst_appendfile.moc"
