// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/panelreadouts.h"

#include "binding/bindingname.h"
#include "device/devicelink.h"

#include <iterator>

namespace {

// Longest text a probe read-out is given.
constexpr int probeTextLength = 11;

// What the device link's pin and ADC reads give back on failure; the ADC's
// is exact, a real conversion is never negative.
constexpr int pinReadFailed = -1;
constexpr double adcReadFailed = -1.0;

} // namespace

int probeIndex(const QString &bindingName)
{
    for (int i = 0; i < int(std::size(panelProbes)); ++i) {
        if (bindingName == QLatin1String(panelProbes[i].bindingName))
            return i;
    }
    return -1;
}

double probeFullScale(int probe)
{
    const LineEditBinding binding = get_le_addr(QLatin1String(panelProbes[probe].bindingName));
    return binding.reference * binding.coefficient;
}

QString probeText(double volts)
{
    return QString::asprintf("%2.2f", volts).left(probeTextLength);
}

ReadoutValue readBinding(DeviceLink &link, const LineEditBinding &b)
{
    ReadoutValue value;
    if (b.kind == LineEditBinding::PinLevel) {
        const int level = link.pin_read(b.group, b.pin);
        value.ok = level != pinReadFailed;
        value.level = level != 0 ? 1 : 0;
        value.text = QString::number(value.level);
    } else if (b.kind == LineEditBinding::Adc) {
        value.volts = link.adc_read(b.device, b.channel, b.reference, b.resolution,
                                    b.coefficient);
        value.ok = value.volts != adcReadFailed;
        value.text = probeText(value.volts);
    }
    return value;
}

ReadoutValue readReadout(DeviceLink &link, const char *bindingName)
{
    ReadoutValue value = readBinding(link, get_le_addr(QLatin1String(bindingName)));
    if (!value.ok)
        value.text.clear();
    return value;
}
