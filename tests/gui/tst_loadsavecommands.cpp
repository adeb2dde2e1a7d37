// SPDX-License-Identifier: GPL-3.0-or-later
#include "modalanswers.h"
#include "regfile/registerfilecommands.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

using Mirror = RegisterMirror;
using Writes = QList<std::pair<int, int>>;

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

const QString filter = QStringLiteral("QRX register files (*.qrx)");

#ifdef Q_OS_UNIX
// A small limit on the size of any file the process writes, with the signal
// that comes with it ignored, so writes past it fail with an error.
class FileSizeLimit
{
public:
    FileSizeLimit() { getrlimit(RLIMIT_FSIZE, &m_saved); }
    ~FileSizeLimit() { lift(); }

    void impose()
    {
        constexpr rlim_t limitBytes = 64;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = limitBytes;
        m_imposed = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }

    void lift()
    {
        if (!m_imposed)
            return;
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
        m_imposed = false;
    }

private:
    rlimit m_saved {};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_imposed = false;
};
#endif

#ifdef Q_OS_LINUX
// Root passes every permission check through its capability to override
// them. While this lives, the thread does without it, so that a read-only
// folder or file is read-only for a test run as root, as for anyone else.
class PermissionChecks
{
public:
    PermissionChecks()
    {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[capabilityWords];
        std::copy(std::begin(m_saved), std::end(m_saved), std::begin(reduced));
        reduced[0].effective &= ~(1U << CAP_DAC_OVERRIDE);
        m_reduced = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~PermissionChecks()
    {
        if (m_reduced)
            syscall(SYS_capset, &m_header, m_saved);
    }
    PermissionChecks(const PermissionChecks &) = delete;
    PermissionChecks &operator=(const PermissionChecks &) = delete;

private:
    static constexpr int capabilityWords = 2;
    __user_cap_header_struct m_header {};
    __user_cap_data_struct m_saved[capabilityWords] {};
    bool m_reduced = false;
};
#endif

} // namespace

class TestRegisterFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void saveThenLoad_data();
    void saveThenLoad();
    void loadWritesMarkedRegistersInFileOrder();
    void syntaxError_data();
    void syntaxError();
    void loadOfWhatIsNoReadableFile_data();
    void loadOfWhatIsNoReadableFile();
    void saveIntoFolderThatIsAFile();
    void saveOverAFifoLeavesIt();
    void failedWriteKeepsOldFile();
    void saveIntoReadOnlyFolder_data();
    void saveIntoReadOnlyFolder();
    void cancelDoesNothing_data();
    void cancelDoesNothing();

private:
    void expectErrorBox(const ModalAnswers &answers, const QString &text);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_parent;
    std::unique_ptr<RegisterFileCommands> m_commands;
    Mirror m_mirror {};
    Writes m_writes;
    QSet<int> m_unanswered; // the registers whose writes the board does not answer
};

void TestRegisterFileCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_parent = std::make_unique<QWidget>();
    for (std::size_t i = 0; i < m_mirror.size(); ++i)
        m_mirror[i] = quint8(0x30 + 7 * i);
    m_writes.clear();
    m_unanswered.clear();
    m_commands = std::make_unique<RegisterFileCommands>(
        m_parent.get(), m_mirror, [this](int address, int data) {
            m_writes.append({ address, data });
            return !m_unanswered.contains(address);
        });
}

void TestRegisterFileCommands::expectErrorBox(const ModalAnswers &answers, const QString &text)
{
    QCOMPARE(answers.unexpected, 0);
    QVERIFY(!answers.seen.isEmpty());
    const ModalSeen &box = answers.seen.last();
    QCOMPARE(box.type, QStringLiteral("QMessageBox"));
    QCOMPARE(box.title, QStringLiteral("Error"));
    QCOMPARE(box.text, text);
    QCOMPARE(box.parent, nullptr);
}

void TestRegisterFileCommands::saveThenLoad_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("plain") << QStringLiteral("registers.qrx");
    QTest::newRow("non-ASCII") << QStringLiteral("Registersätze Ω € 日本.qrx");
}

void TestRegisterFileCommands::saveThenLoad()
{
    QFETCH(QString, fileName);
    const QString path = m_dir->filePath(fileName);
    const Mirror saved = m_mirror;
    {
        ModalAnswers answers({ chooseFile(path) });
        m_commands->save();
        QCOMPARE(answers.unexpected, 0);
        QCOMPARE(answers.seen.size(), 1);
        const ModalSeen &dialog = answers.seen.first();
        QCOMPARE(dialog.title, QStringLiteral("Save File"));
        QCOMPARE(dialog.parent, m_parent.get());
        QCOMPARE(dialog.directory, QDir::currentPath());
        QCOMPARE(dialog.nameFilters, QStringList { filter });
    }
    QCOMPARE(fileContents(path).count('\n'), 27);
    QVERIFY(m_writes.isEmpty());

    m_mirror.fill(0);
    ModalAnswers answers({ chooseFile(path) });
    m_commands->load();
    QCOMPARE(answers.unexpected, 0);
    QCOMPARE(answers.seen.size(), 1);
    QCOMPARE(answers.seen.first().title, QStringLiteral("Load File"));
    QCOMPARE(answers.seen.first().parent, m_parent.get());
    QCOMPARE(answers.seen.first().nameFilters, QStringList { filter });

    QCOMPARE(m_mirror, saved);
    Writes ascending;
    for (std::size_t address = 0; address < saved.size(); ++address)
        ascending.append({ int(address), saved[address] });
    QCOMPARE(m_writes, ascending);
}

void TestRegisterFileCommands::loadWritesMarkedRegistersInFileOrder()
{
    const QString path = m_dir->filePath(QStringLiteral("order.qrx"));
    QVERIFY(writeFile(path, "reg 0x0A 0x11 w\nreg 0x03 0x22\nsleep 1\nreg 0x01 0x33 W\n"));
    Mirror expected = m_mirror;
    expected[0x0A] = 0x11;
    expected[0x03] = 0x22;
    expected[0x01] = 0x33;

    m_unanswered = { 0x0A, 0x01 }; // the file still runs to its end
    ModalAnswers answers({ chooseFile(path), pressButton(QMessageBox::Ok) });
    m_commands->load();
    expectErrorBox(answers, QStringLiteral("2 of 2 register writes were not answered by the board (the first at line 1)."));
    QCOMPARE(m_writes, (Writes { { 0x0A, 0x11 }, { 0x01, 0x33 } }));
    QCOMPARE(m_mirror, expected);
}

void TestRegisterFileCommands::syntaxError_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("plain") << QStringLiteral("broken.qrx");
    QTest::newRow("non-ASCII") << QStringLiteral("kaputt-ä€.qrx");
    // Deeper than the 999 characters the message may have.
    const QString folder(200, QLatin1Char('d'));
    QTest::newRow("long path") << QStringList(6, folder).join(QLatin1Char('/')) + QStringLiteral("/broken.qrx");
}

void TestRegisterFileCommands::syntaxError()
{
    QFETCH(QString, fileName);
    const QString path = m_dir->filePath(fileName);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(writeFile(path, "# h\nreg 0x01 0x11 w\n\nreg 0x02 0x22\nreg 0x03 0x333 w\nreg 0x04 0x44 w\n"));
    Mirror expected = m_mirror;
    expected[0x01] = 0x11;
    expected[0x02] = 0x22;

    m_unanswered = { 0x01 };
    ModalAnswers answers({ chooseFile(path), pressButton(QMessageBox::Ok), pressButton(QMessageBox::Ok) });
    m_commands->load();
    const QString fullText = QStringLiteral("Syntax error in file ") + path + QStringLiteral(", line 5.");
    QCOMPARE(answers.seen.at(1).text, fullText.left(999));
    expectErrorBox(answers, QStringLiteral("1 of 1 register writes was not answered by the board (at line 2)."));
    QCOMPARE(m_writes, (Writes { { 0x01, 0x11 } }));
    QCOMPARE(m_mirror, expected);
}

void TestRegisterFileCommands::loadOfWhatIsNoReadableFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("file that vanished") << QStringLiteral("vanished");
    // Opening a FIFO the ordinary way waits for a writer, for good.
    QTest::newRow("FIFO") << QStringLiteral("fifo");
    // A device that never ends.
    QTest::newRow("device") << QStringLiteral("device");
#ifdef Q_OS_LINUX
    // A regular file whose first read fails: address 0 is never mapped.
    QTest::newRow("read error") << QStringLiteral("read error");
#endif
}

void TestRegisterFileCommands::loadOfWhatIsNoReadableFile()
{
    QFETCH(QString, kind);
    QString path = m_dir->filePath(QStringLiteral("gone.qrx"));
    std::function<void()> afterChoosing;
    if (kind == QLatin1String("vanished")) {
        // The file disappears between the dialog and the opening.
        QVERIFY(writeFile(path, "reg 0x01 0x02 w\n"));
        afterChoosing = [path] { QFile::remove(path); };
    }
#ifdef Q_OS_WIN
    if (kind == QLatin1String("fifo"))
        QSKIP("Windows has no FIFOs");
    if (kind == QLatin1String("device"))
        QSKIP("Qt's file dialog turns NUL down itself; tst_appendfile opens it as a load would");
#else
    if (kind == QLatin1String("fifo"))
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    if (kind == QLatin1String("device"))
        path = QStringLiteral("/dev/zero");
    if (kind == QLatin1String("read error"))
        path = QStringLiteral("/proc/self/mem");
#endif
    const Mirror before = m_mirror;

    ModalAnswers answers({ chooseFile(path, afterChoosing), pressButton(QMessageBox::Ok) });
    m_commands->load();
    QCOMPARE(answers.seen.size(), 2);
    expectErrorBox(answers, QStringLiteral("File Error!"));
    // The file, then the system's reason.
    QVERIFY(answers.seen.last().informativeText.startsWith(path + QStringLiteral(": ")));
    QVERIFY(m_writes.isEmpty());
    QCOMPARE(m_mirror, before);
}

void TestRegisterFileCommands::saveIntoFolderThatIsAFile()
{
    // Root may write anywhere, but not below a regular file.
    const QByteArray blockerContents = "not a folder\n";
    const QString blocker = m_dir->filePath(QStringLiteral("blocker"));
    QVERIFY(writeFile(blocker, blockerContents));

    ModalAnswers answers({ chooseFile(blocker + QStringLiteral("/registers.qrx")),
                           pressButton(QMessageBox::Ok) });
    m_commands->save();
    QCOMPARE(answers.seen.size(), 2);
    expectErrorBox(answers, QStringLiteral("File Error!"));
    QCOMPARE(fileContents(blocker), blockerContents);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList { QStringLiteral("blocker") });
}

void TestRegisterFileCommands::saveOverAFifoLeavesIt()
{
#ifdef Q_OS_UNIX
    // As root saving to /dev/null would: the node must stay what it is.
    const QString path = m_dir->filePath(QStringLiteral("fifo.qrx"));
    QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    ModalAnswers answers({ chooseFile(path), pressButton(QMessageBox::Yes), pressButton(QMessageBox::Ok) });
    m_commands->save();
    expectErrorBox(answers, QStringLiteral("File Error!"));
    QCOMPARE(answers.seen.last().informativeText, path + QStringLiteral(": not a regular file"));
    QVERIFY(QFileInfo::exists(path) && !QFileInfo(path).isFile());
#else
    QSKIP("Windows has no FIFOs; saving over NUL is tst_appendfile's");
#endif
}

void TestRegisterFileCommands::failedWriteKeepsOldFile()
{
#ifdef Q_OS_UNIX
    const QByteArray oldContents = "reg 0x01 0x02 w\n";
    const QString path = m_dir->filePath(QStringLiteral("kept.qrx"));
    QVERIFY(writeFile(path, oldContents));

    // A file size limit makes the write itself fail, for root as for anyone.
    // It holds only from the accepted dialog to the error box, since it also
    // stops a log that goes to a file.
    FileSizeLimit limit;
    ModalAnswers answers({ chooseFile(path, [&limit] { limit.impose(); }),
                           pressButton(QMessageBox::Yes),
                           [&limit](QWidget *modal) {
                               limit.lift();
                               pressButton(QMessageBox::Ok)(modal);
                           } });
    m_commands->save();
    limit.lift();

    QCOMPARE(answers.seen.size(), 3);
    QVERIFY(answers.seen.at(1).text.contains(QStringLiteral("already exists")));
    expectErrorBox(answers, QStringLiteral("File Error!"));
    QCOMPARE(answers.seen.last().informativeText, path + QStringLiteral(": File too large"));
    QCOMPARE(fileContents(path), oldContents);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList { QStringLiteral("kept.qrx") });
#else
    QSKIP("Needs a file size limit");
#endif
}

void TestRegisterFileCommands::saveIntoReadOnlyFolder_data()
{
    QTest::addColumn<bool>("fileWritable");
    QTest::addColumn<bool>("sizeLimited");
    QTest::newRow("writable file: written in place") << true << false;
    QTest::newRow("size limit") << true << true;
    QTest::newRow("read-only file") << false << false;
}

void TestRegisterFileCommands::saveIntoReadOnlyFolder()
{
#ifdef Q_OS_LINUX
    QFETCH(bool, fileWritable);
    QFETCH(bool, sizeLimited);
    const QByteArray oldContents = "reg 0x01 0x02 w\n";
    const QString folder = m_dir->filePath(QStringLiteral("locked"));
    const QString path = folder + QStringLiteral("/registers.qrx");
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(writeFile(path, oldContents));
    const QFile::Permissions readable = QFile::ReadOwner | QFile::ReadUser;
    QVERIFY(QFile::setPermissions(path, fileWritable ? readable | QFile::WriteOwner | QFile::WriteUser
                                                     : readable));
    QVERIFY(QFile::setPermissions(folder, readable | QFile::ExeOwner | QFile::ExeUser));
    const bool failing = sizeLimited || !fileWritable;

    FileSizeLimit limit;
    QList<ModalAnswers::Step> steps { chooseFile(path, [&] {
                                          if (sizeLimited)
                                              limit.impose();
                                      }),
                                      pressButton(QMessageBox::Yes) };
    if (failing) {
        steps << [&limit](QWidget *modal) {
            limit.lift();
            pressButton(QMessageBox::Ok)(modal);
        };
    }
    ModalAnswers answers(steps);
    {
        PermissionChecks enforced;
        m_commands->save();
    }
    limit.lift();
    const QStringList files = QDir(folder).entryList(QDir::Files);
    QVERIFY(QFile::setPermissions(folder, readable | QFile::WriteOwner | QFile::WriteUser
                                                  | QFile::ExeOwner | QFile::ExeUser));

    QCOMPARE(files, QStringList { QStringLiteral("registers.qrx") });
    if (failing) {
        QCOMPARE(answers.seen.size(), 3);
        expectErrorBox(answers, QStringLiteral("File Error!"));
        if (!fileWritable)
            QCOMPARE(fileContents(path), oldContents);
    } else {
        QCOMPARE(answers.unexpected, 0);
        QCOMPARE(answers.seen.size(), 2);
        QCOMPARE(fileContents(path).count('\n'), 27);
    }
#else
    QSKIP("Needs Linux file permissions and capabilities");
#endif
}

void TestRegisterFileCommands::cancelDoesNothing_data()
{
    QTest::addColumn<bool>("saving");
    QTest::newRow("save") << true;
    QTest::newRow("load") << false;
}

void TestRegisterFileCommands::cancelDoesNothing()
{
    QFETCH(bool, saving);
    const Mirror before = m_mirror;
    const QStringList filesBefore = QDir::current().entryList(QDir::Files);

    ModalAnswers answers({ cancelFileDialog() });
    if (saving)
        m_commands->save();
    else
        m_commands->load();
    QCOMPARE(answers.unexpected, 0);
    QCOMPARE(answers.seen.size(), 1);
    QVERIFY(m_writes.isEmpty());
    QCOMPARE(m_mirror, before);
    QCOMPARE(QDir::current().entryList(QDir::Files), filesBefore);
}

QTEST_MAIN(TestRegisterFileCommands)
#include "tst_loadsavecommands.moc"
