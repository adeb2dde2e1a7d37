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
    void loadOfVanishedFile();
    void saveIntoFolderThatIsAFile();
    void failedWriteKeepsOldFile();
    void cancelDoesNothing_data();
    void cancelDoesNothing();

private:
    void expectErrorBox(const ModalAnswers &answers, const QString &text);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_parent;
    std::unique_ptr<RegisterFileCommands> m_commands;
    Mirror m_mirror {};
    Writes m_writes;
};

void TestRegisterFileCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_parent = std::make_unique<QWidget>();
    for (std::size_t i = 0; i < m_mirror.size(); ++i)
        m_mirror[i] = quint8(0x30 + 7 * i);
    m_writes.clear();
    m_commands = std::make_unique<RegisterFileCommands>(
        m_parent.get(), m_mirror, [this](int address, int data) { m_writes.append({ address, data }); });
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

    ModalAnswers answers({ chooseFile(path) });
    m_commands->load();
    QCOMPARE(answers.unexpected, 0);
    QCOMPARE(answers.seen.size(), 1);
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

    ModalAnswers answers({ chooseFile(path), pressButton(QMessageBox::Ok) });
    m_commands->load();
    QCOMPARE(answers.seen.size(), 2);
    const QString fullText = QStringLiteral("Syntax error in file ") + path + QStringLiteral(", line 5.");
    expectErrorBox(answers, fullText.left(999));
    QCOMPARE(m_writes, (Writes { { 0x01, 0x11 } }));
    QCOMPARE(m_mirror, expected);
}

void TestRegisterFileCommands::loadOfVanishedFile()
{
    const QString path = m_dir->filePath(QStringLiteral("gone.qrx"));
    QVERIFY(writeFile(path, "reg 0x01 0x02 w\n"));
    const Mirror before = m_mirror;

    // The file disappears between the dialog and the opening.
    ModalAnswers answers({ chooseFile(path, [path] { QFile::remove(path); }),
                           pressButton(QMessageBox::Ok) });
    m_commands->load();
    QCOMPARE(answers.seen.size(), 2);
    expectErrorBox(answers, QStringLiteral("File Error!"));
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
    QCOMPARE(fileContents(path), oldContents);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList { QStringLiteral("kept.qrx") });
#else
    QSKIP("Needs a file size limit");
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
