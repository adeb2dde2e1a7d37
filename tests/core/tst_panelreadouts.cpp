// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/bindingname.h"
#include "binding/panelfields.h"
#include "binding/panelform.h"
#include "binding/panelreadouts.h"
#include "common/labelbeside.h"
#include "device/devicelink.h"
#include "fakecontroller.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QtTest>


namespace {

// The label in the same grid row as a read-out, as the form lays them out.
QString labelBeside(const QMainWindow &window, QLineEdit *edit)
{
    for (QGridLayout *grid : window.findChildren<QGridLayout *>()) {
        const int index = grid->indexOf(edit);
        if (index < 0)
            continue;
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        for (int c = 0; c < grid->columnCount(); ++c) {
            QLayoutItem *item = grid->itemAtPosition(row, c);
            if (auto *label = item ? qobject_cast<QLabel *>(item->widget()) : nullptr)
                return label->text();
        }
    }
    return QString();
}

template <std::size_t N>
QStringList names(const PanelReadout (&table)[N])
{
    QStringList list;
    for (const PanelReadout &readout : table)
        list << QLatin1String(readout.bindingName);
    return list;
}

template <std::size_t N>
void compareLabels(const QMainWindow &window, const PanelReadout (&table)[N])
{
    for (const PanelReadout &readout : table) {
        auto *edit = window.findChild<QLineEdit *>(QLatin1String(readout.bindingName));
        QVERIFY(edit);
        QCOMPARE(labelBeside(window, edit).trimmed(), QLatin1String(readout.label));
    }
}

} // namespace

class TestPanelReadouts : public QObject
{
    Q_OBJECT

private slots:
    // The table stands in for the form wherever there is no form, so it
    // must list exactly the form's pin and probe read-outs, in its order,
    // with the labels the form shows beside them.
    void tableIsThePanelsReadouts()
    {
        QMainWindow window;
        Ui::MainWindow ui;
        ui.setupUi(&window);
        QStringList formPins;
        QStringList formProbes;
        for (QLineEdit *edit : window.findChildren<QLineEdit *>()) {
            const LineEditBinding b = get_le_addr(edit->objectName());
            if (b.kind == LineEditBinding::PinLevel)
                formPins << edit->objectName();
            else if (b.kind == LineEditBinding::Adc)
                formProbes << edit->objectName();
        }
        QCOMPARE(names(panelPins), formPins);
        QCOMPARE(names(panelProbes), formProbes);

        compareLabels(window, panelPins);
        compareLabels(window, panelProbes);
    }

    // The form as the core reads it without widgets is the one uic builds:
    // each control's class, text, items, group box and the label beside it
    // as the widgets have them, and the register fields exactly the bound
    // controls of the built panel.
    void formWithoutWidgetsIsTheBuiltForm()
    {
        QMainWindow window;
        Ui::MainWindow ui;
        ui.setupUi(&window);
        for (const FormControl &control : panelForm()) {
            auto *widget = window.findChild<QWidget *>(control.objectName);
            QVERIFY2(widget, qPrintable(control.objectName));
            QCOMPARE(QLatin1String(widget->metaObject()->className()), control.className);
            const QLabel *label = labelBeside(*widget);
            QCOMPARE(control.labelBeside, label ? label->text() : QString());
            auto *group = qobject_cast<QGroupBox *>(widget->parentWidget());
            for (QWidget *w = widget->parentWidget(); w && !group; w = w->parentWidget())
                group = qobject_cast<QGroupBox *>(w);
            QCOMPARE(control.groupTitle, group ? group->title().trimmed() : QString());
            if (auto *box = qobject_cast<QAbstractButton *>(widget))
                QCOMPARE(control.text, box->text());
        }
        QStringList bound;
        for (QAbstractButton *b : window.findChildren<QAbstractButton *>())
            if (b->isCheckable() && get_cb_addr(b->objectName()).kind == ButtonBinding::Bit)
                bound << b->objectName();
        for (QComboBox *box : window.findChildren<QComboBox *>()) {
            if (!get_co_addr(box->objectName()).isBound())
                continue;
            bound << box->objectName();
            QStringList items;
            for (int i = 0; i < box->count(); ++i)
                items << box->itemText(i);
            const auto field = std::find_if(panelFields().begin(), panelFields().end(),
                                            [box](const PanelField &f) { return f.bindingName == box->objectName(); });
            QVERIFY(field != panelFields().end());
            QCOMPARE(field->items, items);
        }
        for (QLineEdit *edit : window.findChildren<QLineEdit *>())
            if (get_le_addr(edit->objectName()).kind == LineEditBinding::StatusBit)
                bound << edit->objectName();
        QStringList decoded;
        for (const PanelField &field : panelFields())
            decoded << field.bindingName;
        QCOMPARE(decoded, bound);
    }

    void readReadout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("boardValue");   // pin level or ADC count
        QTest::addColumn<bool>("fails");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("text");
        QTest::newRow("pin low") << "lio0003" << 0 << false << true << "0";
        QTest::newRow("pin high") << "lio0003" << 1 << false << true << "1";
        QTest::newRow("pin level 5 shows 1") << "lio0202" << 5 << false << true << "1";
        QTest::newRow("pin read fails") << "lio0202" << 0 << true << false << "";
        QTest::newRow("BATT 512 counts") << "adc000710244280" << 512 << false << true << "3.42";
        QTest::newRow("BUCK3 full scale") << "adc000510244100" << 1023 << false << true << "2.44";
        QTest::newRow("BUCK1 zero") << "adc000610244200" << 0 << false << true << "0.00";
        QTest::newRow("ADC fails") << "adc000610244200" << 0 << true << false << "";
        QTest::newRow("status bit is no readout") << "le0d1" << 0 << false << false << "";
    }

    void readReadout()
    {
        QFETCH(QString, name);
        QFETCH(int, boardValue);
        QFETCH(bool, fails);
        QFETCH(bool, ok);
        QFETCH(QString, text);
        FakeController board;
        DeviceLink link(board);
        QVERIFY(link.openBoard());
        board.adcCount = boardValue;
        board.pinLevels[{1, 3}] = boardValue;
        board.pinLevels[{3, 2}] = boardValue;
        if (fails)
            board.failWhen = [](const FakeController::Call &call) {
                return call.name == "read_pin" || call.name == "measure";
            };
        const ReadoutValue value = ::readReadout(link, name.toLatin1().constData());
        QCOMPARE(value.ok, ok);
        QCOMPARE(value.text, text);
    }
};

QTEST_MAIN(TestPanelReadouts)
#include "tst_panelreadouts.moc"
