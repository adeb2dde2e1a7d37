// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui_mainwindow.h"

#include <QtTest>

#include <QAbstractButton>
#include <QMainWindow>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <memory>

namespace {

// The widgets that carry a binding name, in the order the form must create
// them: the binding engine numbers buttons by this order.
struct BoundWidget
{
    const char *name;
    const char *className;
};

constexpr BoundWidget boundWidgets[] = {
    {"cb0c1", "QCheckBox"}, {"le0d1", "QLineEdit"},
    {"cb0c2", "QCheckBox"}, {"le0d2", "QLineEdit"},
    {"cb0c3", "QCheckBox"}, {"le0d3", "QLineEdit"},
    {"cb0c0", "QCheckBox"}, {"le0d0", "QLineEdit"},
    {"cb0a1", "QCheckBox"}, {"cb0a4", "QCheckBox"}, {"co0750", "QComboBox"},
    {"cb0a0", "QCheckBox"}, {"cb0a3", "QCheckBox"}, {"co0850", "QComboBox"},
    {"cb0a2", "QCheckBox"}, {"cb0a7", "QCheckBox"}, {"co0060", "QComboBox"},
    {"cb0b0", "QCheckBox"}, {"cb0b7", "QCheckBox"}, {"co0b61", "QComboBox"},
    {"cb0e0", "QCheckBox"},
    {"adc000710244280", "QLineEdit"}, {"adc000610244200", "QLineEdit"},
    {"adc000410244200", "QLineEdit"}, {"adc000510244100", "QLineEdit"},
    {"lio0003", "QLineEdit"}, {"lio0202", "QLineEdit"},
    {"io0203", "QCheckBox"}, {"io0204", "QCheckBox"},
};

constexpr const char *indicatorNames[] = {"le0d1", "le0d2", "le0d3", "le0d0", "lio0003", "lio0202"};

constexpr QRgb indicatorBase = qRgb(209, 209, 209);
constexpr QRgb indicatorDisabledBase = qRgb(236, 233, 216);
constexpr QRgb indicatorText = qRgb(0, 0, 0);
constexpr int indicatorWidth = 20;
constexpr int indicatorMaxHeight = 14;
constexpr QSize windowSize(990, 585);

// The comparator thresholds as the chip's data sheet lists them.
const QStringList thresholdTable = {
    "2.000V", "2.032V", "2.064V", "2.095V", "2.127V", "2.159V", "2.191V", "2.222V",
    "2.254V", "2.286V", "2.318V", "2.349V", "2.381V", "2.413V", "2.445V", "2.476V",
    "2.508V", "2.540V", "2.572V", "2.603V", "2.635V", "2.667V", "2.699V", "2.730V",
    "2.762V", "2.794V", "2.826V", "2.857V", "2.889V", "2.921V", "2.953V", "2.984V",
    "3.016V", "3.048V", "3.080V", "3.111V", "3.143V", "3.175V", "3.207V", "3.238V",
    "3.270V", "3.302V", "3.334V", "3.365V", "3.397V", "3.429V", "3.461V", "3.492V",
    "3.524V", "3.556V", "3.588V", "3.619V", "3.651V", "3.683V", "3.715V", "3.746V",
    "3.778V", "3.810V", "3.842V", "3.873V", "3.905V", "3.937V", "3.969V", "4.000V",
};

QString millivolts(int mv)
{
    return QStringLiteral("%1.%2V").arg(mv / 1000).arg(mv % 1000, 3, 10, QLatin1Char('0'));
}

QStringList items(const QComboBox *box)
{
    QStringList result;
    for (int i = 0; i < box->count(); ++i)
        result << box->itemText(i);
    return result;
}

QStringList buckOneTwoItems()
{
    constexpr int baseMv = 1100, stepMv = 50, lastStep = 50, count = 64;
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << millivolts(baseMv + std::min(i, lastStep) * stepMv);
    return list;
}

QStringList buckThreeItems()
{
    constexpr int baseMv = 700, stepMv = 10, count = 126;
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << millivolts(baseMv + i * stepMv);
    return list;
}

QStringList thresholdItems()
{
    // 2.000 V + i * 31.75 mV in hundredths of a millivolt, rounded half up.
    constexpr int baseCentiMv = 200000, stepCentiMv = 3175, count = 64;
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << millivolts((baseCentiMv + i * stepCentiMv + 50) / 100);
    return list;
}

// Names of the bound widgets of class T in the order a recursive search finds them.
template<class T>
QStringList boundNamesFound(const QObject *root)
{
    QStringList names;
    for (const T *child : root->findChildren<T *>()) {
        const bool bound = std::any_of(std::begin(boundWidgets), std::end(boundWidgets),
            [child](const BoundWidget &w) { return child->objectName() == QLatin1String(w.name); });
        if (bound)
            names << child->objectName();
    }
    return names;
}

QStringList boundNamesInTable(QLatin1String className)
{
    QStringList names;
    for (const BoundWidget &w : boundWidgets) {
        if (className == QLatin1String(w.className))
            names << QLatin1String(w.name);
    }
    return names;
}

QString shownText(const QObject *object)
{
    if (auto *box = qobject_cast<const QGroupBox *>(object))
        return box->title();
    return object->property("text").toString();
}

} // namespace

class TestPanelForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void boundWidgetsHaveTheirClass_data();
    void boundWidgetsHaveTheirClass();
    void searchFindsBoundWidgetsInTableOrder();
    void comboBoxItems_data();
    void comboBoxItems();
    void thresholdItemsMatchTable();
    void texts_data();
    void texts();
    void indicators_data();
    void indicators();
    void fixedBlocks_data();
    void fixedBlocks();
    void windowIsFixedSizeWithTitleAndIcon();
    void menus();
    void initialState();
    void registerLogStartsAsEmptyDocument();
    void exitClosesWindow();
    void clearButtonsClearTheirLog_data();
    void clearButtonsClearTheirLog();

private:
    template<class T>
    T *child(const char *name) const { return window->findChild<T *>(QLatin1String(name)); }

    std::unique_ptr<QMainWindow> window;
    Ui::MainWindow ui;
};

void TestPanelForm::init()
{
    window = std::make_unique<QMainWindow>();
    ui.setupUi(window.get());
}

void TestPanelForm::cleanup()
{
    window.reset();
}

void TestPanelForm::boundWidgetsHaveTheirClass_data()
{
    QTest::addColumn<QString>("className");
    for (const BoundWidget &w : boundWidgets)
        QTest::newRow(w.name) << QString::fromLatin1(w.className);
}

void TestPanelForm::boundWidgetsHaveTheirClass()
{
    QFETCH(QString, className);
    const auto found = window->findChildren<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
}

void TestPanelForm::searchFindsBoundWidgetsInTableOrder()
{
    const QStringList buttons = boundNamesFound<QAbstractButton>(window.get());
    // Every bound button is a check box; the class test above keeps it so.
    QCOMPARE(buttons, boundNamesInTable(QLatin1String("QCheckBox")));
    QCOMPARE(buttons.first(), QStringLiteral("cb0c1"));
    QCOMPARE(buttons.size(), 15);

    QCOMPARE(boundNamesFound<QComboBox>(window.get()),
             QStringList({"co0750", "co0850", "co0060", "co0b61"}));
    QCOMPARE(boundNamesFound<QLineEdit>(window.get()), boundNamesInTable(QLatin1String("QLineEdit")));
}

void TestPanelForm::comboBoxItems_data()
{
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("co0750") << buckOneTwoItems();
    QTest::newRow("co0850") << buckOneTwoItems();
    QTest::newRow("co0060") << buckThreeItems();
    QTest::newRow("co0b61") << thresholdItems();
}

void TestPanelForm::comboBoxItems()
{
    QFETCH(QStringList, expected);
    const auto *box = child<QComboBox>(QTest::currentDataTag());
    QVERIFY(box);
    QCOMPARE(items(box), expected);
}

void TestPanelForm::thresholdItemsMatchTable()
{
    QCOMPARE(items(ui.co0b61), thresholdTable);
    QCOMPARE(thresholdItems(), thresholdTable);

    // Buck1 and Buck2 saturate: codes 50 to 63 all read the top voltage.
    const QStringList buck = items(ui.co0750);
    QCOMPARE(buck.count(QStringLiteral("3.600V")), 14);
    QCOMPARE(buck.indexOf(QStringLiteral("3.600V")), 50);
    QCOMPARE(items(ui.co0060).constLast(), QStringLiteral("1.950V"));
}

void TestPanelForm::texts_data()
{
    QTest::addColumn<QString>("text");
    const std::pair<const char *, const char *> rows[] = {
        {"groupBox_4", " Interrupt Enable / Status"},
        {"label", "BATT   "},
        {"label_18", "BUCK1"}, {"label_19", "BUCK2"}, {"label_20", "BUCK3"},
        {"label_5", "Buck1 OK"}, {"label_6", "Buck2 OK"}, {"label_24", "Buck3 OK"},
        {"label_25", "Comparator"},
        {"cb0c1", ""}, {"cb0c2", ""}, {"cb0c3", ""}, {"cb0c0", ""},
        {"groupBox_6", "Buck1"}, {"groupBox_7", "Buck2"}, {"groupBox_5", "Buck3"},
        {"groupBox_10", "Comparator"}, {"groupBox_9", "Misc"},
        {"groupBox_2", "Probes"}, {"groupBox", "Pins"},
        {"cb0a1", "Enable"}, {"cb0a4", "Force PWM"}, {"cb0a0", "Enable"}, {"cb0a3", "Force PWM"},
        {"cb0a7", "Enabled"}, {"cb0a2", "Force PWM"},
        {"cb0b0", "Enable"}, {"cb0b7", "Hysteresis"}, {"cb0e0", "Interrupt Polarity"},
        {"label_10", "Output voltage :"}, {"label_11", "Output voltage :"},
        {"label_9", "Output voltage :"}, {"label_13", "Threshold voltage :"},
        {"label_7", "IRQ"}, {"label_2", "PWR_UP MODE"},
        {"DevSleep", "DEVSLP"}, {"io0203", "DEVSLP_OVR1"}, {"io0204", "DEVSLP_OVR2"},
        {"pwrup", "HOST CONTROLLER"},
        {"pollstatus", "Poll status"}, {"autowrite", "Auto write"},
        {"readregisters", "Update"}, {"writeregisters", "Write regs"},
        {"pushButton", "Clear"}, {"pushButton_2", "Clear"},
    };
    for (const auto &[name, text] : rows)
        QTest::newRow(name) << QString::fromUtf8(text);
}

void TestPanelForm::texts()
{
    QFETCH(QString, text);
    const auto *object = child<QWidget>(QTest::currentDataTag());
    QVERIFY(object);
    QCOMPARE(shownText(object), text);
}

void TestPanelForm::indicators_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : indicatorNames)
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestPanelForm::indicators()
{
    QFETCH(QString, name);
    const auto *indicator = window->findChild<QLineEdit *>(name);
    QVERIFY(indicator);
    QCOMPARE(indicator->minimumWidth(), indicatorWidth);
    QCOMPARE(indicator->maximumWidth(), indicatorWidth);
    QCOMPARE(indicator->maximumHeight(), indicatorMaxHeight);
    QCOMPARE(indicator->alignment(), Qt::AlignCenter);
    QCOMPARE(indicator->text(), QStringLiteral("0"));
    QVERIFY(!indicator->autoFillBackground());

    const QPalette &palette = indicator->palette();
    QCOMPARE(palette.brush(QPalette::Active, QPalette::Base).color().rgb(), indicatorBase);
    QCOMPARE(palette.brush(QPalette::Inactive, QPalette::Base).color().rgb(), indicatorBase);
    QCOMPARE(palette.brush(QPalette::Disabled, QPalette::Base).color().rgb(), indicatorDisabledBase);
    QCOMPARE(palette.brush(QPalette::Active, QPalette::Base).style(), Qt::SolidPattern);
    // Dark text on the light field under any desktop scheme.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        QCOMPARE(palette.color(group, QPalette::Text).rgb(), indicatorText);
}

void TestPanelForm::fixedBlocks_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("tabWidget") << QRect(10, 10, 831, 501);
    QTest::newRow("layoutWidget_2") << QRect(10, 510, 831, 31);
    QTest::newRow("groupBox_2") << QRect(851, 21, 131, 201);
    QTest::newRow("groupBox") << QRect(850, 230, 131, 231);
    QTest::newRow("pwrup") << QRect(850, 470, 131, 31);
    QTest::newRow("groupBox_4") << QRect(10, 10, 801, 131);
    QTest::newRow("eventlog") << QRect(220, 20, 491, 101);
    QTest::newRow("pushButton_2") << QRect(720, 20, 75, 23);
    QTest::newRow("pushButton") << QRect(720, 20, 91, 23);
    QTest::newRow("registerlog") << QRect(20, 51, 791, 411);
}

void TestPanelForm::fixedBlocks()
{
    QFETCH(QRect, geometry);
    const auto *widget = child<QWidget>(QTest::currentDataTag());
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
}

void TestPanelForm::windowIsFixedSizeWithTitleAndIcon()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->minimumSize(), windowSize);
    QCOMPARE(window->maximumSize(), windowSize);
    QCOMPARE(window->sizeIncrement(), QSize(0, 0));
    window->resize(windowSize * 2);
    QCOMPARE(window->size(), windowSize);
    QCOMPARE(window->windowTitle(), QStringLiteral("ZQ40613 Evaluation Software"));
    QCOMPARE(window->centralWidget(), ui.centralWidget);
    QCOMPARE(window->statusBar(), ui.statusBar);
    QCOMPARE(window->menuBar(), ui.menuBar);

    // The icon comes from the compiled-in resources, which must be registered
    // without any call from the program.
    QVERIFY(window->windowIcon().availableSizes().contains(QSize(32, 32)));
}

void TestPanelForm::menus()
{
    QStringList titles;
    for (const QAction *menuAction : ui.menuBar->actions())
        titles << menuAction->text();
    QCOMPARE(titles, QStringList({"File", "Tools", "Help"}));

    const auto entries = [](const QMenu *menu) {
        QStringList list;
        for (const QAction *action : menu->actions())
            list << (action->isSeparator() ? QStringLiteral("-")
                                           : action->objectName() + '=' + action->text());
        return list;
    };
    QCOMPARE(entries(ui.menuFile), QStringList({"actionLoad_Registers=Load Registers",
                                                "actionSave_Registers=Save Registers", "-",
                                                "actionExit=Exit"}));
    QCOMPARE(entries(ui.menuTools),
             QStringList({"actionDirect_Register_Access=Direct Register Access"}));
    QCOMPARE(entries(ui.menuHelp), QStringList({"actionAbout=About"}));

    // connect-by-name finds the actions only as children of the window.
    for (const QMenu *menu : {ui.menuFile, ui.menuTools, ui.menuHelp}) {
        for (const QAction *action : menu->actions()) {
            if (!action->isSeparator())
                QCOMPARE(action->parent(), window.get());
        }
    }
}

void TestPanelForm::initialState()
{
    QCOMPARE(ui.tabWidget->count(), 2);
    QCOMPARE(ui.tabWidget->widget(0)->objectName(), QStringLiteral("tab"));
    QCOMPARE(ui.tabWidget->tabText(0), QStringLiteral("System"));
    QCOMPARE(ui.tabWidget->widget(1)->objectName(), QStringLiteral("tab_2"));
    QCOMPARE(ui.tabWidget->tabText(1), QStringLiteral("Log"));
    QCOMPARE(ui.tabWidget->currentWidget(), ui.tab);

    for (const QCheckBox *box : window->findChildren<QCheckBox *>()) {
        QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
        QVERIFY2(box->isEnabled(), qPrintable(box->objectName()));
    }
    for (const QComboBox *box : window->findChildren<QComboBox *>())
        QCOMPARE(box->currentIndex(), 0);
    for (const char *name : {"adc000710244280", "adc000610244200", "adc000410244200", "adc000510244100"})
        QVERIFY(child<QLineEdit>(name)->text().isEmpty());
    QVERIFY(ui.eventlog->document()->isEmpty());
}

void TestPanelForm::registerLogStartsAsEmptyDocument()
{
    const QTextDocument *document = ui.registerlog->document();
    QCOMPARE(document->blockCount(), 1);
    QVERIFY(document->toPlainText().isEmpty());

    const QTextBlock block = document->begin();
    const QTextCharFormat format = block.charFormat();
    QCOMPARE(format.fontFamilies().toStringList(), QStringList({"MS Shell Dlg 2"}));
    QCOMPARE(format.fontPointSize(), 8.0);
    QCOMPARE(format.fontWeight(), int(QFont::Normal));
    QVERIFY(!format.fontItalic());
    QCOMPARE(block.blockFormat().topMargin(), 0.0);
    QCOMPARE(block.blockFormat().bottomMargin(), 0.0);
}

void TestPanelForm::exitClosesWindow()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    ui.actionExit->trigger();
    QVERIFY(!window->isVisible());
}

void TestPanelForm::clearButtonsClearTheirLog_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("otherLog");
    QTest::addColumn<QString>("page");
    QTest::newRow("event log") << "pushButton_2" << "eventlog" << "registerlog" << "tab";
    QTest::newRow("register log") << "pushButton" << "registerlog" << "eventlog" << "tab_2";
}

void TestPanelForm::clearButtonsClearTheirLog()
{
    QFETCH(QString, button);
    QFETCH(QString, log);
    QFETCH(QString, otherLog);
    QFETCH(QString, page);
    auto *clear = window->findChild<QPushButton *>(button);
    auto *target = window->findChild<QTextBrowser *>(log);
    auto *other = window->findChild<QTextBrowser *>(otherLog);
    QVERIFY(clear && target && other);

    const QString line = QStringLiteral("12:00:00 : Application started.");
    target->append(line);
    other->append(line);
    ui.tabWidget->setCurrentWidget(window->findChild<QWidget *>(page));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    QTest::mouseClick(clear, Qt::LeftButton);
    QVERIFY(target->toPlainText().isEmpty());
    QCOMPARE(other->toPlainText(), line);
}

QTEST_MAIN(TestPanelForm)
#include "tst_panelform.moc"
