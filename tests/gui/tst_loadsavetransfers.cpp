// SPDX-License-Identifier: GPL-3.0-or-later
#include "modalanswers.h"
#include "windowfixture.h"

#include <QAction>
#include <QComboBox>
#include <QTemporaryDir>

// File ▸ Load Registers and Save Registers as the user reaches them, with the
// chip behind them.
class TestLoadSaveTransfers : public QObject
{
    Q_OBJECT

private slots:
    void saveThenLoadWritesEveryRegisterInOrder();
    void loadWritesMarkedStatementsInFileOrder();
    void syntaxErrorNamesTheLine();

private:
    static void trigger(WindowFixture &f, const char *action, QList<ModalAnswers::Step> steps,
                        ModalAnswers **answersOut = nullptr);
    static QString writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &text)
    {
        const QString path = dir.filePath(QLatin1String(name));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
};

void TestLoadSaveTransfers::trigger(WindowFixture &f, const char *action,
                                   QList<ModalAnswers::Step> steps, ModalAnswers **answersOut)
{
    auto *answers = new ModalAnswers(std::move(steps));
    f.find<QAction>(QLatin1String(action))->trigger();
    QCOMPARE(answers->unexpected, 0);
    if (answersOut)
        *answersOut = answers;
    else
        delete answers;
}

void TestLoadSaveTransfers::saveThenLoadWritesEveryRegisterInOrder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("panel.qrx"));
    WindowFixture f;
    RegisterMirror &mirror = f.window->registerMirror();
    for (int a = 0; a < registerMirrorSize; ++a)
        mirror[a] = static_cast<quint8>(0x30 + a);
    const RegisterMirror saved = mirror;

    trigger(f, "actionSave_Registers", {chooseFile(path)});
    QVERIFY(QFile::exists(path));

    f.board.clearCalls();
    trigger(f, "actionLoad_Registers", {chooseFile(path)});
    QVector<int> expected;
    for (int a = 0; a < registerMirrorSize; ++a)
        expected << a;
    QCOMPARE(f.writtenAddresses(), expected);
    QCOMPARE(mirror, saved);
    QCOMPARE(f.board.registers[0x0f], 0x3f);
}

void TestLoadSaveTransfers::loadWritesMarkedStatementsInFileOrder()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "order.qrx",
                                   "# enables before voltages\n"
                                   "reg 0x0a 0x83 w\n"
                                   "reg 0x07 0x2A W\n"
                                   "reg 0x03 0x11\n"
                                   "sleep 1\n"
                                   "reg 0x00 0x32 w\n");
    WindowFixture f;
    const int logLines = f.registerLog().size();
    const QString transfer = f.transferLabel()->text();
    f.board.clearCalls();
    trigger(f, "actionLoad_Registers", {chooseFile(path)});

    QCOMPARE(f.writtenAddresses(), (QVector<int>{0x0a, 0x07, 0x00}));
    QCOMPARE(f.window->registerMirror()[0x03], quint8(0x11));
    QCOMPARE(f.window->registerMirror()[0x07], quint8(0x2a));
    // No refresh, no log, no status: the panel catches up at its next refresh.
    QCOMPARE(f.find<QComboBox>("co0750")->currentIndex(), 0);
    QCOMPARE(f.registerLog().size(), logLines);
    QCOMPARE(f.transferLabel()->text(), transfer);
}

void TestLoadSaveTransfers::syntaxErrorNamesTheLine()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "broken.qrx",
                                   "# line 1\n"
                                   "reg 0x07 0x12 w\n"
                                   "\n"
                                   "reg 0x08 0x34\n"
                                   "reg 0x0b 0x56 x\n"
                                   "reg 0x00 0x78 w\n");
    WindowFixture f;
    f.board.clearCalls();
    ModalAnswers *answers = nullptr;
    trigger(f, "actionLoad_Registers", {chooseFile(path), pressButton(QMessageBox::Ok)}, &answers);
    QCOMPARE(answers->seen.size(), 2);
    QCOMPARE(answers->seen.at(1).title, QStringLiteral("Error"));
    QCOMPARE(answers->seen.at(1).text, QStringLiteral("Syntax error in file %1, line 5.").arg(path));
    delete answers;
    // What the lines before did stays in force; nothing after is read.
    QCOMPARE(f.writtenAddresses(), QVector<int>{0x07});
    QCOMPARE(f.window->registerMirror()[0x08], quint8(0x34));
    QCOMPARE(f.window->registerMirror()[0x0b], quint8(0x00));
    QCOMPARE(f.window->registerMirror()[0x00], quint8(0x00));
}

QTEST_MAIN(TestLoadSaveTransfers)
#include "tst_loadsavetransfers.moc"
