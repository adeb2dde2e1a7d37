#include "binding/panelreadouts.h"

#include "binding/bindingname.h"
#include "device/devicelink.h"

namespace {

// Longest text a probe read-out is given.
constexpr int probeTextLength = 11;

// What the device link's pin and ADC reads give back on failure; the ADC's
// is exact, a real conversion is never negative.
constexpr int pinReadFailed = -1;
constexpr double adcReadFailed = -1.0;

} // namespace

QString probeText(double volts)
{
    return QString::asprintf("%2.2f", volts).left(probeTextLength);
}

ReadoutValue readReadout(DeviceLink &link, const char *bindingName)
{
    const LineEditBinding b = get_le_addr(QLatin1String(bindingName));
    ReadoutValue value;
    if (b.kind == LineEditBinding::PinLevel) {
        const int level = link.pin_read(b.group, b.pin);
        value.ok = level != pinReadFailed;
        if (value.ok)
            value.text = QString::number(level != 0 ? 1 : 0);
    } else if (b.kind == LineEditBinding::Adc) {
        const double volts = link.adc_read(b.device, b.channel, b.reference, b.resolution,
                                           b.coefficient);
        value.ok = volts != adcReadFailed;
        if (value.ok)
            value.text = probeText(volts);
    }
    return value;
}
