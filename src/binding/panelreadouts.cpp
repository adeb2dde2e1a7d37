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

QString probeText(double volts)
{
    return QString::asprintf("%2.2f", volts).left(probeTextLength);
}

} // namespace

ReadoutValue readBinding(DeviceLink &link, const LineEditBinding &b)
{
    ReadoutValue value;
    if (b.kind == LineEditBinding::PinLevel) {
        const int level = link.pin_read(b.group, b.pin);
        value.ok = level != pinReadFailed;
        value.level = level != 0 ? 1 : 0;
        value.text = QString::number(value.level);
    } else if (b.kind == LineEditBinding::Adc) {
        const double volts = link.adc_read(b.device, b.channel, b.reference, b.resolution,
                                           b.coefficient);
        value.ok = volts != adcReadFailed;
        value.text = probeText(volts);
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
