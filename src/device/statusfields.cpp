// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/statusfields.h"

#include "common/hexbyte.h"
#include "common/spokenname.h"
#include "common/trace.h"
#include "device/devicelink.h"
#include "device/registertransfer.h"

#include <QLabel>
#include <QPalette>
#include <QStatusBar>

namespace {

// The text colour goes with the background: a dark desktop scheme's light
// text would not show on it.
QPalette withWindowColour(const QPalette &base, const QColor &colour)
{
    QPalette p = base;
    p.setBrush(QPalette::Window, QBrush(colour, Qt::SolidPattern));
    p.setBrush(QPalette::WindowText, QBrush(StatusFields::stateTextColour, Qt::SolidPattern));
    return p;
}

} // namespace

StatusFields::StatusFields(QStatusBar &bar, const DeviceLink &link, QObject *parent)
    : QObject(parent), link(link),
      state(new QLabel(QStringLiteral("   not connected   "))),
      transfer(new QLabel(QStringLiteral("   00:00   ")))
{
    state->setObjectName(QStringLiteral("linkState"));
    transfer->setObjectName(QStringLiteral("lastTransfer"));
    setSpokenName(*state, tr("Link state"));
    setSpokenName(*transfer, tr("Last transfer"));
    // Only the state label shows a background colour.
    state->setAutoFillBackground(true);
    bar.addPermanentWidget(transfer, 0);
    bar.addPermanentWidget(state, 0);
}

void StatusFields::write_statusbar(int address, int data, int write)
{
    qCDebug(lcTrace, "write_statusbar()");
    const QPalette current = state->palette();
    if (link.isConnected()) {
        state->setText(QStringLiteral("   ready   "));
        state->setPalette(withWindowColour(current, readyColour));
    } else {
        state->setText(QStringLiteral("   not connected   "));
        state->setPalette(withWindowColour(current, faultColour));
    }
    const QString form = write ? QStringLiteral("   W%1:%2   ") : QStringLiteral("   R%1:%2   ");
    transfer->setText(form.arg(hexByte(address), hexByte(data)));
}

void StatusFields::showTransfer(const RegisterTransfer &transfer)
{
    if (showsInTransferField(transfer))
        write_statusbar(transfer.address, transfer.data, transfer.write ? writeForm : readForm);
}
