// SPDX-License-Identifier: GPL-3.0-or-later
#include "runpath.h"

#include <QDir>
#include <QDirIterator>
#include <QtTest>

// No program or library built here may search the current folder, or one
// relative to it, for the libraries it loads.
class TestRunPath : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void entries_data();
    void entries();
    void builtBinary_data();
    void builtBinary();

private:
    QStringList m_binaries;   // relative to the build folder
};

void TestRunPath::initTestCase()
{
    const QDir build(QStringLiteral(BUILD_DIR));
    QDirIterator files(build.path(), QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        // CMake's own probes of the compiler, not ours.
        if (!path.contains(QLatin1String("/CMakeFiles/")) && isLinkedElf(path))
            m_binaries += build.relativeFilePath(path);
    }
    for (const char *expected : {"bin/zq40613-eval", "bin/zq40613-reg", "bin/libhid2.so",
                                 "tests/sim/tst_hid2sim", "tests/fixtures/stubs/libhid2stub.so"})
        QVERIFY2(m_binaries.contains(QLatin1String(expected)), expected);
}

void TestRunPath::entries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("safe");
    QTest::newRow("empty: the current folder") << "" << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("relative") << "lib" << false;
    QTest::newRow("beside the binary") << "$ORIGIN/../lib" << false;
    QTest::newRow("absolute") << "/usr/lib/x86_64-linux-gnu" << true;
}

void TestRunPath::entries()
{
    QFETCH(QString, entry);
    QFETCH(bool, safe);
    QCOMPARE(isSafeRunPathEntry(entry), safe);
}

void TestRunPath::builtBinary_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &binary : std::as_const(m_binaries))
        QTest::newRow(qPrintable(binary)) << binary;
}

void TestRunPath::builtBinary()
{
    QFETCH(QString, path);
    const std::optional<QStringList> entries =
            runPathEntries(QDir(QStringLiteral(BUILD_DIR)).filePath(path));
    QVERIFY2(entries, "readelf cannot read the dynamic section");
    for (const QString &entry : *entries) {
        QVERIFY2(isSafeRunPathEntry(entry),
                 qPrintable(QStringLiteral("run path entry \"%1\"").arg(entry)));
    }
}

QTEST_GUILESS_MAIN(TestRunPath)
#include "tst_runpath.moc"
