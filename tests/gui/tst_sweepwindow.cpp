// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowfixture.h"

#include <QClipboard>
#include <QDialog>
#include <QGuiApplication>
#include <QSpinBox>
#include <QTableWidget>

// The Sweep window over the recording fake board, register 0x07 at 0x0e
// (Buck1 1.800 V) when the window opens.
class TestSweepWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowFixture> f;
    QDialog *sweep = nullptr;

    template <typename T>
    T *control(const char *name) const
    {
        return sweep->findChild<T *>(QLatin1String(name));
    }
    QString progress() const { return control<QLabel>("progress")->text(); }

    // Buck1 from 1.100V to the value given, settling as long as given.
    void run(const QString &to, int settleMs)
    {
        control<QComboBox>("field")->setCurrentIndex(0);
        control<QComboBox>("from")->setCurrentIndex(0);
        control<QComboBox>("to")->setCurrentText(to);
        control<QSpinBox>("settle")->setValue(settleMs);
        f->board.clearCalls();
        QTest::mouseClick(control<QPushButton>("run"), Qt::LeftButton);
    }

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>(true, [](WindowFixture &w) { w.board.registers[0x07] = 0x0e; });
        f->find<QAction>("actionSweep")->trigger();
        sweep = f->find<QDialog>("sweep");
        QVERIFY(sweep->isVisible());
        QCOMPARE(sweep->windowTitle(), QStringLiteral("Sweep"));
    }

    void cleanup() { f.reset(); }

    // Each step is a panel edit: logged, shown in the status bar and on the
    // panel; at the end the field is back where it was.
    void stepsAreWrittenAsPanelEdits()
    {
        run("1.150V", 0);
        QTRY_COMPARE(progress(), QStringLiteral("Step 2 of 2: done"));
        QCOMPARE(f->registerLog().mid(f->registerLog().size() - 3).join('|').remove(QRegularExpression("\\d\\d:\\d\\d:\\d\\d")),
                 " : register write (07h,00h)| : register write (07h,01h)| : register write (07h,0eh)");
        QCOMPARE(f->transferLabel()->text(), QStringLiteral("   W07:0e   "));
        QCOMPARE(f->find<QComboBox>("co0750")->currentText(), QStringLiteral("1.800V"));
        auto *table = control<QTableWidget>("results");
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(1, 1)->text(), QStringLiteral("1.150"));
        QTest::mouseClick(control<QPushButton>("copy"), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text().section('\n', 0, 0),
                 QStringLiteral("time\tset\tBATT\tBUCK1\tBUCK2\tBUCK3\t0x0d\tBUCK1 error mV\tBUCK1 error %"));
    }

    // While a step settles the panel shows its value and no poll tick runs;
    // the tick that fell due runs once the sweep is over. Stop ends it there.
    void pollWaitsAndStopRestores()
    {
        QTest::mouseClick(f->find<QCheckBox>("pollstatus"), Qt::LeftButton);
        run("1.150V", 1500);
        QCOMPARE(f->find<QComboBox>("co0750")->currentText(), QStringLiteral("1.100V"));
        QTest::qWait(1200);
        QCOMPARE(f->board.callsNamed("spi_read").size(), 0);
        QCOMPARE(progress(), QStringLiteral("Step 1 of 2"));
        QTest::mouseClick(control<QPushButton>("run"), Qt::LeftButton);
        QCOMPARE(progress(), QStringLiteral("Step 1 of 2: stopped"));
        QCOMPARE(f->board.registers[0x07], 0x0e);
        QCOMPARE(f->board.callsNamed("spi_read").size(), 9);
        QCOMPARE(control<QPushButton>("run")->text(), QStringLiteral("Run"));
    }

    void boardGoneEndsTheSweepNamingTheStep()
    {
        f->board.failWhen = [](const FakeController::Call &call) { return call.name == "measure"; };
        run("1.150V", 0);
        QTRY_VERIFY(control<QComboBox>("field")->isEnabled());
        QCOMPARE(progress(), QStringLiteral("Ended: the board stopped answering at step 1 of 2 (1.100V); "
                                            "the rows taken before are kept"));
        QCOMPARE(control<QTableWidget>("results")->rowCount(), 0);
    }
};

QTEST_MAIN(TestSweepWindow)
#include "tst_sweepwindow.moc"
