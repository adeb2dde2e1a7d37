// SPDX-License-Identifier: GPL-3.0-or-later
#include "runpath.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

#ifdef Q_OS_WIN
// The programs stand at the top of the installation.
QString program(const QString &name)
{
    return name + QStringLiteral(".exe");
}

QString startMenu()
{
    return qEnvironmentVariable("ProgramData")
           + QStringLiteral("/Microsoft/Windows/Start Menu/Programs/ZQ40613 Evaluation Software");
}

const QString uninstallKey =
        QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\zq40613-eval");
#else
QString program(const QString &name)
{
    return QStringLiteral("bin/") + name;
}
#endif

// The standard streams of a Windows program are text, with CR LF.
QString outputText(QByteArray output)
{
    return QString::fromLocal8Bit(output.replace("\r\n", "\n"));
}

} // namespace

// The installation as a user gets it, in a scratch folder: what
// `cmake --install` makes on Linux, what the installer makes on Windows, run
// silently. What lands where, that the installed programs run and reach the
// simulated board only through the launchers, and that the Windows
// uninstaller leaves nothing behind.
class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installedTree_data();
    void installedTree();
    void simulatorStaysAwayFromThePrograms();
    void programsTellTheirVersion_data();
    void programsTellTheirVersion();
    void launchersReachTheSimulator();
    void plainProgramFindsNoBoard();
    void pythonModuleFromTheInstalledTree_data();
    void pythonModuleFromTheInstalledTree();
    void uninstallLeavesNothingBehind();

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Run run(const QString &program, const QStringList &arguments,
            const QProcessEnvironment &extra = {}) const;
    QString installed(const QString &path) const { return prefix.filePath(path); }

    QTemporaryDir prefix;
    QTemporaryDir state;
};

void TestInstall::initTestCase()
{
    QVERIFY(prefix.isValid());
    QProcess install;
#ifdef Q_OS_WIN
    // The folder comes last, as it is, without quotes.
    install.start(QStringLiteral(INSTALLER),
                  {QStringLiteral("/S"), QStringLiteral("/D=") + QDir::toNativeSeparators(prefix.path())});
#else
    install.start(QStringLiteral(CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(BUILD_DIR), QStringLiteral("--prefix"),
                   prefix.path()});
#endif
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
}

void TestInstall::installedTree_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");

#ifdef Q_OS_WIN
    // The programs, the DLLs they link, the simulated board and the
    // uninstaller are run below; what no run loads is looked for here.
    QTest::newRow("desktop launcher") << "zq40613-eval-sim.exe" << true;
    QTest::newRow("platform plugin") << "platforms/qwindows.dll" << false;
    QTest::newRow("style plugin") << "styles/qwindowsvistastyle.dll" << false;
    QTest::newRow("icon reader") << "imageformats/qico.dll" << false;
    QTest::newRow("licence") << "LICENSE.txt" << false;
#else
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
#endif
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

// Only the second Start menu entry, or desktop entry, reaches the simulator.
void TestInstall::simulatorStaysAwayFromThePrograms()
{
#ifdef Q_OS_WIN
    QVERIFY(!QFileInfo::exists(installed(QStringLiteral("hid2.dll"))));
    const QString menuEntry = startMenu() + QStringLiteral("/ZQ40613 Evaluation Software");
    QCOMPARE(QFileInfo(menuEntry + QStringLiteral(".lnk")).symLinkTarget(),
             installed(QStringLiteral("zq40613-eval.exe")));
    QCOMPARE(QFileInfo(menuEntry + QStringLiteral(" (simulated board).lnk")).symLinkTarget(),
             installed(QStringLiteral("zq40613-eval-sim.exe")));
#else
    QVERIFY(!QFileInfo::exists(installed(QStringLiteral("bin/libhid2.so"))));
    QFile desktop(installed(QStringLiteral("share/applications/zq40613-eval.desktop")));
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    const QByteArray entry = desktop.readAll();
    QVERIFY(entry.contains("Exec=zq40613-eval"));
    QVERIFY(!entry.contains("-sim"));
#endif
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
    result.out = outputText(process.readAllStandardOutput());
    result.err = outputText(process.readAllStandardError());
    return result;
}

void TestInstall::programsTellTheirVersion_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("version");
    QTest::newRow("desktop program") << "zq40613-eval" << "zq40613-eval (ZQ40613 Evaluation kit) Version 0.0.2\n";
    QTest::newRow("command-line program") << "zq40613-reg" << "zq40613-reg (ZQ40613 Evaluation kit) Version 0.0.2\n";
    QTest::newRow("simulated board's tool") << "zq40613-sim" << "zq40613-sim (ZQ40613 Evaluation kit) Version 0.0.2\n";
    // The launcher hands its arguments and the output through.
    QTest::newRow("command-line launcher") << "zq40613-reg-sim" << "zq40613-reg (ZQ40613 Evaluation kit) Version 0.0.2\n";
}

void TestInstall::programsTellTheirVersion()
{
    QFETCH(QString, name);
    QFETCH(QString, version);
    const Run told = run(program(name), {"--version"});
    QCOMPARE(told.exitCode, 0);
    QCOMPARE(told.out, version);
}

void TestInstall::launchersReachTheSimulator()
{
    const Run read = run(program("zq40613-reg-sim"), {"read", "07"});
    QVERIFY2(read.exitCode == 0, qPrintable(read.err));
    QCOMPARE(read.out, QStringLiteral("0x0e\n"));
    // zq40613-sim drives that same board.
    QCOMPARE(run(program("zq40613-sim"), {"unplug"}).exitCode, 0);
    QCOMPARE(run(program("zq40613-reg-sim"), {"read", "07"}).exitCode, 1);
}

void TestInstall::plainProgramFindsNoBoard()
{
    const Run read = run(program("zq40613-reg"), {"read", "07"});
    QCOMPARE(read.exitCode, 1);
    QVERIFY(read.out.isEmpty());
    QVERIFY2(read.err.contains(QLatin1String("no board")), qPrintable(read.err));
}

// The module imports from where it was installed, tells the programs'
// version and, like them, reaches the simulated board only when asked to, by
// the library path.
void TestInstall::pythonModuleFromTheInstalledTree_data()
{
    QTest::addColumn<QString>("libraryPath");
    QTest::addColumn<QString>("out");
#ifdef PYTHON_MODULE
    QTest::newRow("simulator on the library path") << installed(QStringLiteral(INSTALL_LIBDIR "/zq40613-eval/sim"))
                                                   << "0.0.2 14\n";
    QTest::newRow("no library") << QString() << "0.0.2 NoBoardError\n";
#endif
}

void TestInstall::pythonModuleFromTheInstalledTree()
{
#ifdef PYTHON_MODULE
    QFETCH(QString, libraryPath);
    QFETCH(QString, out);
    QCOMPARE(run(program("zq40613-sim"), {"reset"}).exitCode, 0);
    QProcessEnvironment env;
    env.insert(QStringLiteral("PYTHONPATH"), installed(QStringLiteral(PYTHON_INSTALL_DIR)));
    env.insert(QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1"));
    if (!libraryPath.isEmpty())
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), libraryPath);
    const Run python = run(QStringLiteral(PYTHON_EXECUTABLE),
                           {"-c", "import sys, zq40613\n"
                                  "assert zq40613.__file__.startswith(sys.argv[1]), zq40613.__file__\n"
                                  "try:\n    print(zq40613.__version__, zq40613.Board().read(7))\n"
                                  "except zq40613.NoBoardError:\n    print(zq40613.__version__, 'NoBoardError')\n",
                            installed(QStringLiteral(PYTHON_INSTALL_DIR))},
                           env);
    QVERIFY2(python.exitCode == 0, qPrintable(python.err));
    QCOMPARE(python.out, out);
#else
    QSKIP("the Python module is not built here");
#endif
}

// Run last. The uninstaller copies itself away and returns at once, so the
// folder is watched until it goes.
void TestInstall::uninstallLeavesNothingBehind()
{
#ifdef Q_OS_WIN
    QVERIFY(QSettings(uninstallKey, QSettings::NativeFormat).contains("UninstallString"));
    QVERIFY(QProcess::startDetached(installed(QStringLiteral("uninstall.exe")), {QStringLiteral("/S")}));
    const QDeadlineTimer deadline(60000);
    while (QFileInfo::exists(prefix.path()) && !deadline.hasExpired())
        QTest::qWait(100);
    QVERIFY2(!QFileInfo::exists(prefix.path()), qPrintable(QDir(prefix.path()).entryList().join(' ')));
    QVERIFY(!QFileInfo::exists(startMenu()));
    QVERIFY(QSettings(uninstallKey, QSettings::NativeFormat).allKeys().isEmpty());
#else
    QSKIP("A Linux installation is taken away by its package manager");
#endif
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
