// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/aboutbox.h"

#include "common/product.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtGlobal>

namespace {

constexpr char logoPath[] = ":/images/vo_logo_2.PNG";
constexpr QRect initialGeometry(100, 200, 300, 300);

constexpr char qtSourceUrl[] = "https://download.qt.io/official_releases/qt/";

QLabel *centredLabel(const QString &objectName, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

AboutBox::AboutBox(QWidget *parent)
    : QDialog(parent)
{
    auto *rows = new QVBoxLayout;
    auto *buttonRow = new QHBoxLayout;

    auto *logo = centredLabel(QStringLiteral("logo"), QString(), this);
    logo->setPixmap(QPixmap(QString::fromLatin1(logoPath)));
    auto *title = centredLabel(QStringLiteral("productTitle"), QString::fromLatin1(productTitle), this);
    auto *version = centredLabel(QStringLiteral("version"), QString::fromLatin1(versionString), this);
    // The version is the Qt actually loaded, which may be newer than the one
    // the program was compiled against.
    auto *qtVersion = centredLabel(QStringLiteral("qtVersion"),
        tr("This application uses Qt framework %1.").arg(QString::fromLatin1(qVersion())), this);
    // Every Qt 6 release is offered under LGPL version 3, and the program only
    // builds against Qt 6, so this line holds for any version named above.
    auto *qtLicence = centredLabel(QStringLiteral("qtLicence"),
        tr("Qt is licensed under the LGPL (3)."), this);
    const QString url = QString::fromLatin1(qtSourceUrl);
    auto *qtSource = centredLabel(QStringLiteral("qtSource"),
        tr("Source code of Qt is available at <a href=\"%1\">%1</a>").arg(url), this);
    qtSource->setTextFormat(Qt::RichText);
    qtSource->setTextInteractionFlags(Qt::TextBrowserInteraction);

    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));

    setGeometry(initialGeometry);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    for (QLabel *label : {logo, title, version, qtVersion, qtLicence, qtSource})
        rows->addWidget(label);
    buttonRow->addStretch();
    buttonRow->addWidget(ok);
    buttonRow->addStretch();
    rows->addLayout(buttonRow);
    setLayout(rows);

    setWindowTitle(tr("About %1").arg(QString::fromLatin1(productTitle)));
    rows->setSizeConstraint(QLayout::SetFixedSize);
}
