// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/spokennames.h"

#include "binding/bindingname.h"
#include "common/chip.h"

#include <QCoreApplication>

namespace {

constexpr char context[] = "PanelNames";

} // namespace

QString readoutSpokenName(const LineEditBinding &binding, const QString &beside)
{
    switch (binding.kind) {
    case LineEditBinding::StatusBit:
        return QCoreApplication::translate(context, "%1 status")
                .arg(beside.isEmpty() ? QString::fromLatin1(bitName(binding.address, binding.bit)) : beside);
    case LineEditBinding::PinLevel:
        return beside.isEmpty() ? beside : QCoreApplication::translate(context, "%1 pin").arg(beside);
    case LineEditBinding::Adc:
        return beside.isEmpty() ? beside
                                : QCoreApplication::translate(context, "%1 probe voltage").arg(beside);
    case LineEditBinding::NotBound:
        break;
    }
    return {};
}

QString switchSpokenName(const QString &beside)
{
    return beside.isEmpty() ? beside : QCoreApplication::translate(context, "%1 enable").arg(beside);
}
