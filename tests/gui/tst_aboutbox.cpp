// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/aboutbox.h"

#include "common/product.h"

#include <QtTest>

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QResource>

namespace {

constexpr int iconFileSize = 766;
constexpr QSize logoSize(402, 50);
constexpr QPoint boxPosition(100, 200);

QLabel *label(const QDialog &box, const char *name)
{
    return box.findChild<QLabel *>(QLatin1String(name));
}

} // namespace

class TestAboutBox : public QObject
{
    Q_OBJECT

private slots:
    void rowTexts_data();
    void rowTexts();
    void rowsInOrderAndCentred();
    void logoIsLoaded();
    void sourceLinkIsInteractive();
    void titleAndPlace();
    void sizeIsFixed();
    void okIsCentredAtBottomAndAccepts();
    void resources_data();
    void resources();
    void iconHoldsOne16ColourImage();
};

void TestAboutBox::rowTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("productTitle") << QStringLiteral("ZQ40613 Evaluation kit");
    QTest::newRow("version") << QStringLiteral("Version 0.0.2");
    // Whatever Qt is loaded at run time, not the one the program was built with.
    QTest::newRow("qtVersion") << QStringLiteral("This application uses Qt framework %1.")
                                      .arg(QLatin1String(qVersion()));
    QTest::newRow("qtLicence") << QStringLiteral("Qt is licensed under the LGPL (3).");
}

void TestAboutBox::rowTexts()
{
    QFETCH(QString, text);
    AboutBox box(nullptr);
    const QLabel *row = label(box, QTest::currentDataTag());
    QVERIFY(row);
    QCOMPARE(row->text(), text);
}

void TestAboutBox::rowsInOrderAndCentred()
{
    AboutBox box(nullptr);
    const QStringList expected = {"logo", "productTitle", "version", "qtVersion", "qtLicence", "qtSource"};
    QLayout *rows = box.layout();
    QVERIFY(rows);
    QCOMPARE(rows->count(), expected.size() + 1);
    for (int i = 0; i < expected.size(); ++i) {
        auto *row = qobject_cast<QLabel *>(rows->itemAt(i)->widget());
        QVERIFY(row);
        QCOMPARE(row->objectName(), expected.at(i));
        QCOMPARE(row->alignment(), Qt::AlignCenter);
    }
    QVERIFY(rows->itemAt(expected.size())->layout());
}

void TestAboutBox::logoIsLoaded()
{
    AboutBox box(nullptr);
    const QPixmap logo = label(box, "logo")->pixmap();
    QVERIFY(!logo.isNull());
    QCOMPARE(logo.size(), logoSize);
}

void TestAboutBox::sourceLinkIsInteractive()
{
    AboutBox box(nullptr);
    const QLabel *source = label(box, "qtSource");
    QCOMPARE(source->textFormat(), Qt::RichText);
    QCOMPARE(source->textInteractionFlags(), Qt::TextBrowserInteraction);

    QTextDocument document;
    document.setHtml(source->text());
    QVERIFY(document.toPlainText().startsWith(QLatin1String("Source code of Qt is available at https://")));
    const QRegularExpression link(QStringLiteral("<a href=\"([^\"]+)\">([^<]+)</a>"));
    const auto match = link.match(source->text());
    QVERIFY(match.hasMatch());
    QCOMPARE(match.captured(1), match.captured(2));
    QVERIFY(QUrl(match.captured(1)).isValid());
}

void TestAboutBox::titleAndPlace()
{
    QWidget parent;
    AboutBox box(&parent);
    QCOMPARE(box.parentWidget(), &parent);
    QCOMPARE(box.windowTitle(), QStringLiteral("About %1").arg(QLatin1String(productTitle)));
    QCOMPARE(box.geometry().topLeft(), boxPosition);
}

void TestAboutBox::sizeIsFixed()
{
    AboutBox box(nullptr);
    QCOMPARE(box.layout()->sizeConstraint(), QLayout::SetFixedSize);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QSize shown = box.size();
    QCOMPARE(box.minimumSize(), shown);
    QCOMPARE(box.maximumSize(), shown);
    QVERIFY(shown.width() >= logoSize.width());
    box.resize(shown * 2);
    QCOMPARE(box.size(), shown);
}

void TestAboutBox::okIsCentredAtBottomAndAccepts()
{
    AboutBox box(nullptr);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto *ok = box.findChild<QPushButton *>(QStringLiteral("okButton"));
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(qAbs(ok->geometry().center().x() - box.rect().center().x()) <= 1);
    QVERIFY(ok->geometry().top() > label(box, "qtSource")->geometry().bottom());

    QSignalSpy accepted(&box, &QDialog::accepted);
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(box.result(), int(QDialog::Accepted));
    QVERIFY(!box.isVisible());
}

void TestAboutBox::resources_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("alpha");
    QTest::newRow("icon") << ":/icon.ico" << QSize(32, 32) << true;
    QTest::newRow("About logo") << ":/images/vo_logo_2.PNG" << QSize(402, 50) << false;
    QTest::newRow("large logo") << ":/images/vo_logo.png" << QSize(499, 117) << false;
    QTest::newRow("small logo") << ":/images/logo.png" << QSize(250, 70) << true;
}

void TestAboutBox::resources()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(bool, alpha);

    const QResource resource(path);
    QVERIFY2(resource.isValid(), qPrintable(path));
    QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);

    const QImage image(path);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), size);
    QCOMPARE(image.hasAlphaChannel(), alpha);
}

void TestAboutBox::iconHoldsOne16ColourImage()
{
    QFile file(QStringLiteral(":/icon.ico"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.size(), qint64(iconFileSize));

    QDataStream in(&file);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 reserved, type, count;
    quint8 width, height, colours, padding;
    quint16 planes, bitsPerPixel;
    quint32 bytes, offset;
    in >> reserved >> type >> count >> width >> height >> colours >> padding
       >> planes >> bitsPerPixel >> bytes >> offset;
    QCOMPARE(type, quint16(1));
    QCOMPARE(count, quint16(1));
    QCOMPARE(width, quint8(32));
    QCOMPARE(height, quint8(32));
    QCOMPARE(colours, quint8(16));
    QCOMPARE(bitsPerPixel, quint16(4));
    QCOMPARE(qint64(offset) + bytes, file.size());
}

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
