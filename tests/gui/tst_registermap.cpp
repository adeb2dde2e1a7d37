// SPDX-License-Identifier: GPL-3.0-or-later
#include "modalanswers.h"
#include "tabwalk.h"
#include "windowfixture.h"

#include "regmap/registermapmodel.h"
#include "regmap/registermapwindow.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

using Model = RegisterMapModel;

namespace {

RegisterMapWindow *openMap(WindowFixture &f)
{
    f.find<QAction>(QStringLiteral("actionRegister_Map"))->trigger();
    auto *map = f.find<RegisterMapWindow>(QStringLiteral("registerMap"));
    if (!QTest::qWaitForWindowActive(map))
        qFatal("the register map did not show");
    return map;
}

Model &mapModel(const WindowFixture &f)
{
    return f.find<RegisterMapWindow>(QStringLiteral("registerMap"))->model();
}

QTableView *table(const WindowFixture &f)
{
    return f.find<QTableView>(QStringLiteral("registerTable"));
}

int bitColumn(int bit)
{
    return Model::FirstBitColumn + 7 - bit;
}

// A cell of the table as it shows, found by the register's address text.
QModelIndex cell(const WindowFixture &f, int address, int column)
{
    const QAbstractItemModel *rows = table(f)->model();
    const QModelIndexList found = rows->match(rows->index(0, 0), Qt::DisplayRole,
                                              QStringLiteral("0x%1").arg(address, 2, 16, QLatin1Char('0')));
    return found.isEmpty() ? QModelIndex() : found.first().siblingAtColumn(column);
}

// As the window system delivers it: the second press comes as a double click.
void doubleClick(const WindowFixture &f, int address, int column)
{
    QWidget *viewport = table(f)->viewport();
    const QPoint centre = table(f)->visualRect(cell(f, address, column)).center();
    QTest::mousePress(viewport, Qt::LeftButton, {}, centre);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, centre);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre);
}

QStringList markedBits(const Model &m, int mark)
{
    QStringList bits;
    for (int address = 0; address < m.rowCount(); ++address)
        for (int bit = 7; bit >= 0; --bit)
            if (m.index(address, bitColumn(bit)).data(Model::MarkRole).toInt() & mark)
                bits << QStringLiteral("%1.%2").arg(address, 2, 16, QLatin1Char('0')).arg(bit);
    return bits;
}

QStringList untimed(QStringList lines)
{
    for (QString &line : lines)
        line.remove(0, int(qstrlen("hh:mm:ss")));
    return lines;
}

QString file(const QTemporaryDir &dir, const char *name, const QByteArray &content)
{
    QFile f(dir.filePath(QLatin1String(name)));
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        qFatal("cannot write %s", name);
    return f.fileName();
}

} // namespace

class TestRegisterMap : public QObject
{
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }
    void decodesThePanelForm_data();
    void decodesThePanelForm();
    void boardTrafficIsThePanels();
    void editsActAsPanelEdits_data();
    void editsActAsPanelEdits();
    void marksChangesAndDifferences();
    void filterBitNamesAndCopy();
    void keepsItsSizeAcrossRuns();
};

void TestRegisterMap::decodesThePanelForm_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("fields");
    QTest::newRow("Buck1") << 0x07 << 0x0e << "Buck1 Output voltage : 1.800V";
    QTest::newRow("Buck3 past its items") << 0x00 << 0x7e << "Buck3 Output voltage : no item (126)";
    QTest::newRow("converters, bit 7 first")
            << 0x0a << 0x93
            << "Buck3 Enabled: on, Buck1 Force PWM: on, Buck2 Force PWM: off, "
               "Buck3 Force PWM: off, Buck1 Enable: on, Buck2 Enable: on";
    QTest::newRow("comparator") << 0x0b << 0xa3
                                << "Comparator Hysteresis: on, Comparator Threshold voltage : 2.540V, "
                                   "Comparator Enable: on";
    QTest::newRow("interrupt enables") << 0x0c << 0x05
                                       << "Buck3 OK enable: off, Buck2 OK enable: on, Buck1 OK enable: off, "
                                          "Comparator enable: on";
    QTest::newRow("status indicators") << 0x0d << 0x02
                                       << "Buck3 OK status: 0, Buck2 OK status: 0, Buck1 OK status: 1, "
                                          "Comparator status: 0";
    QTest::newRow("misc") << 0x0e << 0x01 << "Misc Interrupt Polarity: on";
    QTest::newRow("no field") << 0x09 << 0x5a << "";
}

void TestRegisterMap::decodesThePanelForm()
{
    QFETCH(int, address);
    QFETCH(int, value);
    WindowFixture f;
    f.board.registers[address] = value;
    openMap(f);
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("readAll")), Qt::LeftButton);
    QTEST(cell(f, address, Model::FieldsColumn).data().toString(), "fields");
    QCOMPARE(cell(f, address, Model::ValueColumn).data().toString(),
             QStringLiteral("0x%1").arg(value, 2, 16, QLatin1Char('0')));
    QString bits;
    for (int bit = 7; bit >= 0; --bit)
        bits += cell(f, address, bitColumn(bit)).data().toString();
    QCOMPARE(bits, QString::number(value, 2).rightJustified(8, QLatin1Char('0')));
}

void TestRegisterMap::boardTrafficIsThePanels()
{
    WindowFixture closed;
    WindowFixture open;
    openMap(open);
    for (WindowFixture *f : {&closed, &open}) {
        f->board.clearCalls();
        f->invoke("timer_func");
        f->invoke("init_hardware");
    }
    QCOMPARE(closed.board.calls.size(), 21 + 12);
    QCOMPARE(open.board.callTexts(), closed.board.callTexts());

    closed.board.clearCalls();
    open.board.clearCalls();
    QTest::mouseClick(closed.find<QPushButton>(QStringLiteral("readregisters")), Qt::LeftButton);
    QTest::mouseClick(open.find<QPushButton>(QStringLiteral("readAll")), Qt::LeftButton);
    QCOMPARE(open.board.callTexts(), closed.board.callTexts());
    QCOMPARE(untimed(open.registerLog()), untimed(closed.registerLog()));
    openMap(closed); // never shown until now, it heard it all
    for (int address = 0; address < 16; ++address)
        QCOMPARE(mapModel(closed).rowText(address), mapModel(open).rowText(address));
    QCOMPARE(markedBits(mapModel(closed), Model::ChangedMark), markedBits(mapModel(open), Model::ChangedMark));
}

void TestRegisterMap::editsActAsPanelEdits_data()
{
    QTest::addColumn<bool>("autoWrite");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("bit"); // -1: the value is typed
    QTest::addColumn<int>("panelValue");
    QTest::addColumn<int>("key"); // 0: a double click
    QTest::addColumn<QString>("filter");
    QTest::newRow("value typed") << true << "co0750" << 0x07 << -1 << 0x12 << 0 << "";
    QTest::newRow("bit double-clicked in a filtered map") << true << "cb0a1" << 0x0a << 1 << 0x82 << 0 << "fpwm";
    QTest::newRow("bit, Auto write off") << false << "cb0a1" << 0x0a << 1 << 0x82 << 0 << "";
    QTest::newRow("bit, Space") << true << "cb0a1" << 0x0a << 1 << 0x82 << int(Qt::Key_Space) << "";
    QTest::newRow("bit, Return, Auto write off") << false << "cb0a1" << 0x0a << 1 << 0x82 << int(Qt::Key_Return) << "";
}

// The same edit once on the panel, once in the map, over two boards alike.
void TestRegisterMap::editsActAsPanelEdits()
{
    QFETCH(bool, autoWrite);
    QFETCH(QString, control);
    QFETCH(int, address);
    QFETCH(int, bit);
    QFETCH(int, panelValue);
    QFETCH(int, key);
    QFETCH(QString, filter);
    const auto setUp = [](WindowFixture &f) { f.board.registers[0x0a] = 0x80; };
    WindowFixture panel(true, setUp);
    WindowFixture map(true, setUp);
    openMap(map);
    for (WindowFixture *f : {&panel, &map}) {
        if (!autoWrite)
            QTest::mouseClick(f->find<QCheckBox>(QStringLiteral("autowrite")), Qt::LeftButton);
        f->board.clearCalls();
    }
    if (auto *combo = panel.window->findChild<QComboBox *>(control))
        emit combo->activated(panelValue);
    else
        QTest::mouseClick(panel.find<QCheckBox>(control), Qt::LeftButton);
    QTest::keyClicks(map.find<QLineEdit>(QStringLiteral("filter")), filter);
    if (bit >= 0) {
        table(map)->setCurrentIndex(cell(map, address, bitColumn(bit)));
        key ? QTest::keyClick(table(map), Qt::Key(key)) : doubleClick(map, address, bitColumn(bit));
    } else {
        doubleClick(map, address, Model::ValueColumn);
        auto *editor = table(map)->viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("0x%1").arg(panelValue, 0, 16));
        QTest::keyClick(editor, Qt::Key_Return);
    }

    // The editor hands its value over once the event loop runs again.
    QTRY_COMPARE(map.window->registerMirror()[address], quint8(panelValue));
    QCOMPARE(map.board.calls.isEmpty(), !autoWrite);
    QCOMPARE(map.board.callTexts(), panel.board.callTexts());
    QCOMPARE(map.transferLabel()->text(), panel.transferLabel()->text());
    QCOMPARE(untimed(map.registerLog()), untimed(panel.registerLog()));
    // Both views show it at once.
    if (auto *combo = map.window->findChild<QComboBox *>(control))
        QCOMPARE(combo->currentIndex(), panelValue);
    else
        QVERIFY(map.find<QCheckBox>(control)->isChecked());
    QCOMPARE(cell(map, address, Model::ValueColumn).data().toString(),
             QStringLiteral("0x%1").arg(panelValue, 2, 16, QLatin1Char('0')));
    QCOMPARE(mapModel(panel).index(address, Model::ValueColumn).data(), cell(map, address, Model::ValueColumn).data());
    for (WindowFixture *f : {&panel, &map}) { // pending until Write regs sends it
        const QModelIndex value = mapModel(*f).index(address, Model::ValueColumn);
        QCOMPARE(bool(value.data(Model::MarkRole).toInt() & Model::PendingMark), !autoWrite);
        // A register that could not be read is no longer pending.
        f->board.failWhen = [address](const FakeController::Call &c) { return c.name == "spi_read" && c.args.at(1) == address; };
        f->invoke("timer_func");
        QCOMPARE(value.data(Model::MarkRole).toInt() & Model::PendingMark, 0);
        f->board.clearFailures();
        QTest::mouseClick(f->find<QPushButton>(QStringLiteral("writeregisters")), Qt::LeftButton);
        QCOMPARE(value.data(Model::MarkRole).toInt() & Model::PendingMark, 0);
    }
}

void TestRegisterMap::marksChangesAndDifferences()
{
    QTemporaryDir dir;
    WindowFixture f;
    Model &m = openMap(f)->model();
    RegisterMirror &mirror = f.window->registerMirror();
    QLabel *summary = f.find<QLabel>(QStringLiteral("summary"));

    mirror[0x07] = 0x05;
    mirror[0x08] = 0x22; // named by no reference below
    f.invoke("init_hardware");
    QCOMPARE(markedBits(m, Model::ChangedMark), (QStringList{"07.2", "07.0", "08.5", "08.1"}));
    f.invoke("init_hardware");
    QCOMPARE(markedBits(m, Model::ChangedMark), QStringList());

    // The file's last value counts; its sleep is not waited, nothing applied.
    const QString reference = file(dir, "ref.qrx", "reg 0x07 0x14\nsleep 60000\nreg 0x0a 0x01 w\nreg 0x0a 0x02 w\n");
    const RegisterMirror before = mirror;
    f.board.clearCalls();
    QElapsedTimer clock;
    clock.start();
    {
        ModalAnswers answers({chooseFile(reference)});
        QTest::mouseClick(f.find<QPushButton>(QStringLiteral("compareWithFile")), Qt::LeftButton);
    }
    QVERIFY(clock.elapsed() < 30000);
    QCOMPARE(markedBits(m, Model::DiffersMark), (QStringList{"07.4", "07.0", "0a.1"}));
    QCOMPARE(summary->text(), QStringLiteral("2 registers differ in 3 bits from ref.qrx"));
    QCOMPARE(cell(f, 0x0a, Model::ReferenceColumn).data().toString(), QStringLiteral("0x02"));
    QCOMPARE(cell(f, 0x08, Model::ReferenceColumn).data().toString(), QString());
    QVERIFY(f.board.calls.isEmpty());
    QVERIFY(mirror == before);

    const QString broken = file(dir, "broken.qrx", "reg 0x07 0x00\nreg 0x10 0x00\n");
    ModalAnswers error({chooseFile(broken), pressButton(QMessageBox::Ok),
                        chooseFile(file(dir, "empty.qrx", "# no register\nsleep 5\n")), chooseFile(reference)});
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("compareWithFile")), Qt::LeftButton);
    QCOMPARE(error.seen.value(1).text, QStringLiteral("Syntax error in file %1, line 2.").arg(broken));
    QCOMPARE(summary->text(), QStringLiteral("2 registers differ in 3 bits from ref.qrx"));
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("compareWithFile")), Qt::LeftButton);
    QCOMPARE(summary->text(), QStringLiteral("empty.qrx names no register"));

    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("takeSnapshot")), Qt::LeftButton);
    QVERIFY(summary->text().startsWith(QStringLiteral("No register differs from the snapshot of ")));
    mirror[0x0e] = 0x01;
    f.invoke("init_hardware");
    QCOMPARE(markedBits(m, Model::DiffersMark), QStringList{"0e.0"});
    QVERIFY(summary->text().startsWith(QStringLiteral("1 register differs in 1 bit from the snapshot")));

    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("clearReference")), Qt::LeftButton);
    QCOMPARE(markedBits(m, Model::DiffersMark), QStringList());
    QVERIFY(table(f)->isColumnHidden(Model::ReferenceColumn));

    // A register whose last read failed shows so and is left out; so is what the reference does not name.
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("compareWithFile")), Qt::LeftButton);
    int failFrom = 0x08; // a poll reads up to 0x0e
    f.board.failWhen = [&failFrom](const FakeController::Call &c) { return c.name == "spi_read" && c.args.at(1) >= failFrom; };
    f.invoke("timer_func");
    QCOMPARE(markedBits(m, Model::DiffersMark), (QStringList{"07.4", "07.2"})); // 07 as the board has it: 00
    QCOMPARE(summary->text(), QStringLiteral("1 register differs in 2 bits from ref.qrx; 1 register could not be read"));
    failFrom = 0x05; // Read All stops at the first failure
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("readAll")), Qt::LeftButton);
    QCOMPARE(m.rowText(0x0e), QStringLiteral("0x0e\tnot read\t\t\t\t\t\t\t\t\t\tMisc Interrupt Polarity: not read"));
    QCOMPARE(summary->text(), QStringLiteral("No register differs from ref.qrx; 2 registers could not be read"));
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("takeSnapshot")), Qt::LeftButton); // of what was read
    QVERIFY(!summary->text().contains(QLatin1String("could not be read")));
}

void TestRegisterMap::filterBitNamesAndCopy()
{
    WindowFixture f;
    f.board.registers[0x07] = 0x0e;
    openMap(f);
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("readAll")), Qt::LeftButton);
    // Clear Reference, off without a reference, is no stop.
    QCOMPARE(tabWalk(table(f), 5),
             (QStringList{"filter", "readAll", "compareWithFile", "takeSnapshot", "registerTable"}));
    QLineEdit *filter = f.find<QLineEdit>(QStringLiteral("filter"));
    const auto shownRows = [&f] {
        QStringList addresses;
        for (int row = 0; row < table(f)->model()->rowCount(); ++row)
            addresses << table(f)->model()->index(row, 0).data().toString();
        return addresses;
    };
    const QList<std::pair<const char *, QStringList>> filters{
            {"0x0B", {"0x0b"}},                             // address
            {"fpwm", {"0x0a"}},                             // bit name
            {"output voltage", {"0x00", "0x07", "0x08"}}, // field
            {"1.800V", {"0x07"}},                           // decoded value
    };
    for (const auto &[text, rows] : filters) {
        filter->clear();
        QTest::keyClicks(filter, QLatin1String(text));
        QCOMPARE(shownRows(), rows);
    }

    filter->clear();
    QCOMPARE(cell(f, 0x0b, bitColumn(7)).data(Qt::ToolTipRole).toString(), QStringLiteral("bit 7    Comp Hyst"));
    // What a screen reader hears of the cells and of the filter's clear button, which takes no focus.
    QAccessibleTableInterface *cells = QAccessible::queryAccessibleInterface(table(f))->tableInterface();
    const QAccessibleInterface *named = cells->cellAt(0x07, bitColumn(3));
    QCOMPARE(named->text(QAccessible::Name), QStringLiteral("bit 3, Buck1 Voltage Code [3]"));
    QVERIFY(named->state().checked && !cells->cellAt(0x07, bitColumn(0))->state().checked);
    QCOMPARE(cells->cellAt(0x07, bitColumn(7))->text(QAccessible::Name), QStringLiteral("bit 7"));
    QCOMPARE(cells->rowDescription(0x0b), QStringLiteral("0x0b"));
    QCOMPARE(filter->findChild<QToolButton *>()->accessibleName(), QStringLiteral("Clear filter"));
    table(f)->setCurrentIndex(cell(f, 0x0e, 0));
    QCOMPARE(QAccessible::queryAccessibleInterface(f.find<QLabel>(QStringLiteral("bitNames")))->text(QAccessible::Value),
             QStringLiteral("Bits of 0x0e: 0 IRQ Polarity"));
    table(f)->selectionModel()->select(cell(f, 0x07, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keyClick(table(f), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("0x07\t0x0e\t0\t0\t0\t0\t1\t1\t1\t0\tBuck1 Output voltage : 1.800V\n"
                            "0x0e\t0x00\t0\t0\t0\t0\t0\t0\t0\t0\tMisc Interrupt Polarity: off\n"));

    // Nothing is written: the status register (0d) and one no control sets (09) open neither their value nor a
    // bit to edits; a value beyond a byte is refused, and the editor keeps all that was typed.
    f.board.clearCalls();
    for (int address : {0x0d, 0x09}) {
        doubleClick(f, address, Model::ValueColumn);
        doubleClick(f, address, bitColumn(1));
    }
    QVERIFY(!table(f)->viewport()->findChild<QLineEdit *>());
    doubleClick(f, 0x07, Model::ValueColumn);
    auto *editor = table(f)->viewport()->findChild<QLineEdit *>();
    QVERIFY(editor);
    for (const QString &typed : {QStringLiteral("100"), QStringLiteral("-1")}) {
        editor->clear();
        QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QVERIFY(editor->isVisible() && editor->text() == typed);
    }
    QVERIFY(f.board.calls.isEmpty());
}

void TestRegisterMap::keepsItsSizeAcrossRuns()
{
    const QSize size(900, 420);
    {
        WindowFixture f;
        openMap(f)->resize(size);
    }
    WindowFixture f;
    QCOMPARE(f.find<RegisterMapWindow>(QStringLiteral("registerMap"))->size(), size);
}

QTEST_MAIN(TestRegisterMap)
#include "tst_registermap.moc"
