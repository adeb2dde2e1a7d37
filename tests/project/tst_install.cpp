// SPDX-License-Identifier: GPL-3.0-or-later
#include "runpath.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// `cmake --install` into a scratch prefix: what lands where, and that the
// installed programs reach the simulated board only through the launchers.
class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installedTree_data();
    void installedTree();
    void simulatorStaysAwayFromThePrograms();
    void launchersReachTheSimulator();
    void plainProgramFindsNoBoard();
    void pythonModuleFromTheInstalledTree_data();
    void pythonModuleFromTheInstalledTree();

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Run run(const QString &program, const QStringList &arguments,
            const QProcessEnvironment &extra = {}) const;
    QString installed(const QString &relative) const { return prefix.filePath(relative); }

    QTemporaryDir prefix;
    QTemporaryDir state;
    QString libDir;
};

void TestInstall::initTestCase()
{
    QVERIFY(prefix.isValid());
    QProcess install;
    install.start(QStringLiteral(CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(BUILD_DIR), QStringLiteral("--prefix"),
                   prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
    libDir = QStringLiteral(INSTALL_LIBDIR);
}

void TestInstall::installedTree_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");

    QTest::newRow("desktop program") << "bin/zq40613-eval" << true;
    QTest::newRow("command-line program") << "bin/zq40613-reg" << true;
    QTest::newRow("desktop launcher") << "bin/zq40613-eval-sim" << true;
    QTest::newRow("command-line launcher") << "bin/zq40613-reg-sim" << true;
    QTest::newRow("simulated board's tool") << "bin/zq40613-sim" << true;
    QTest::newRow("simulated board") << QStringLiteral(INSTALL_LIBDIR "/zq40613-eval/sim/libhid2.so") << false;
    QTest::newRow("desktop entry") << "share/applications/zq40613-eval.desktop" << false;
    QTest::newRow("AppStream file") << "share/metainfo/invalid.example.zq40613_eval.metainfo.xml" << false;
    QTest::newRow("icon") << "share/icons/hicolor/64x64/apps/zq40613-eval.png" << false;
    QTest::newRow("manual page") << "share/man/man1/zq40613-reg.1.gz" << false;
    QTest::newRow("desktop program's manual page") << "share/man/man1/zq40613-eval.1.gz" << false;
    QTest::newRow("desktop launcher's manual page") << "share/man/man1/zq40613-eval-sim.1.gz" << false;
    QTest::newRow("command-line launcher's manual page") << "share/man/man1/zq40613-reg-sim.1.gz" << false;
    QTest::newRow("simulated board tool's manual page") << "share/man/man1/zq40613-sim.1.gz" << false;
    QTest::newRow("copyright") << "share/doc/zq40613-eval/copyright" << false;
    QTest::newRow("changelog") << "share/doc/zq40613-eval/changelog.gz" << false;
#ifdef PYTHON_MODULE
    QTest::newRow("Python module") << QStringLiteral(PYTHON_INSTALL_DIR "/" PYTHON_MODULE) << false;
    QTest::newRow("Python module's type hints") << QStringLiteral(PYTHON_INSTALL_DIR "/zq40613.pyi") << false;
    QTest::newRow("Python package's copyright") << "share/doc/python3-zq40613/copyright" << false;
#endif
}

void TestInstall::installedTree()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo file(installed(path));
    QVERIFY2(file.isFile(), qPrintable(path));
    QCOMPARE(file.isExecutable(), executable);
    QVERIFY(file.size() > 0);
    // Qt and the C++ runtime come from the system; the program finds a
    // controller library by its own search.
    if (isLinkedElf(file.filePath()))
        QCOMPARE(runPathEntries(file.filePath()).value_or(QStringList{"(unreadable)"}), QStringList());
}

void TestInstall::simulatorStaysAwayFromThePrograms()
{
    QVERIFY(!QFileInfo::exists(installed(QStringLiteral("bin/libhid2.so"))));
    QFile desktop(installed(QStringLiteral("share/applications/zq40613-eval.desktop")));
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    const QByteArray entry = desktop.readAll();
    QVERIFY(entry.contains("Exec=zq40613-eval"));
    QVERIFY(!entry.contains("-sim"));
}

TestInstall::Run TestInstall::run(const QString &program, const QStringList &arguments,
                                  const QProcessEnvironment &extra) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LD_LIBRARY_PATH"));
    env.insert(QStringLiteral("ZQ40613_SIM_STATE"), state.filePath(QStringLiteral("board.state")));
    env.insert(extra);
    process.setProcessEnvironment(env);
    process.start(QFileInfo(program).isAbsolute() ? program : installed(program), arguments);
    Run result;
    if (!process.waitForFinished(30000))
        return result;
    result.exitCode = process.exitCode();
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

void TestInstall::launchersReachTheSimulator()
{
    const Run read = run(QStringLiteral("bin/zq40613-reg-sim"), {"read", "07"});
    QVERIFY2(read.exitCode == 0, qPrintable(read.err));
    QCOMPARE(read.out, QStringLiteral("0x0e\n"));
    // zq40613-sim drives that same board.
    QCOMPARE(run(QStringLiteral("bin/zq40613-sim"), {"unplug"}).exitCode, 0);
    QCOMPARE(run(QStringLiteral("bin/zq40613-reg-sim"), {"read", "07"}).exitCode, 1);
}

void TestInstall::plainProgramFindsNoBoard()
{
    const Run read = run(QStringLiteral("bin/zq40613-reg"), {"read", "07"});
    QCOMPARE(read.exitCode, 1);
    QVERIFY(read.out.isEmpty());
    QVERIFY2(read.err.contains(QLatin1String("no board")), qPrintable(read.err));
}

// The module imports from where it was installed and, like the programs,
// reaches the simulated board only when asked to, by the library path.
void TestInstall::pythonModuleFromTheInstalledTree_data()
{
    QTest::addColumn<QString>("libraryPath");
    QTest::addColumn<QString>("out");
    QTest::newRow("simulator on the library path") << installed(QStringLiteral(INSTALL_LIBDIR "/zq40613-eval/sim"))
                                                   << "14\n";
    QTest::newRow("no library") << QString() << "NoBoardError\n";
}

void TestInstall::pythonModuleFromTheInstalledTree()
{
#ifdef PYTHON_MODULE
    QFETCH(QString, libraryPath);
    QFETCH(QString, out);
    QCOMPARE(run(QStringLiteral("bin/zq40613-sim"), {"reset"}).exitCode, 0);
    QProcessEnvironment env;
    env.insert(QStringLiteral("PYTHONPATH"), installed(QStringLiteral(PYTHON_INSTALL_DIR)));
    env.insert(QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1"));
    if (!libraryPath.isEmpty())
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), libraryPath);
    const Run python = run(QStringLiteral(PYTHON_EXECUTABLE),
                           {"-c", "import sys, zq40613\n"
                                  "assert zq40613.__file__.startswith(sys.argv[1]), zq40613.__file__\n"
                                  "try:\n    print(zq40613.Board().read(7))\n"
                                  "except zq40613.NoBoardError:\n    print('NoBoardError')\n",
                            installed(QStringLiteral(PYTHON_INSTALL_DIR))},
                           env);
    QVERIFY2(python.exitCode == 0, qPrintable(python.err));
    QCOMPARE(python.out, out);
#else
    QSKIP("the Python module is not built here");
#endif
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
