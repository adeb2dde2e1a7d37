// SPDX-License-Identifier: GPL-3.0-or-later
#include "boardmodel.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>

namespace sim {

namespace {

constexpr PinId noPin{0, 0};

constexpr int buck3VoltageRegister = 0x00;
constexpr int buck1VoltageRegister = 0x07;
constexpr int buck2VoltageRegister = 0x08;
constexpr int enableRegister = 0x0a;
constexpr int comparatorRegister = 0x0b;
constexpr int interruptMaskRegister = 0x0c;
constexpr int statusRegisterAddress = 0x0d;
constexpr int polarityRegister = 0x0e;

constexpr int comparatorStatusBit = 0x01;
constexpr int ldoStatusBit = 0x10;
constexpr int interruptSources = 0x1f;
constexpr int comparatorEnableBit = 0x01;
constexpr int comparatorHysteresisBit = 0x80;
constexpr int comparatorCodeShift = 1;
constexpr int comparatorCodeMask = 0x3f;
constexpr int comparatorBaseUv = 2000000;
constexpr int comparatorStepUv = 31750;
constexpr int comparatorHysteresisUv = 100000;
constexpr int polarityActiveHighBit = 0x01;

constexpr int maxData = 0xff;
constexpr int adcDevice = 0;
constexpr int adcChannelCount = 8;
constexpr int batteryChannel = 7;
constexpr std::int64_t adcFullScale = 1024;
constexpr std::int64_t adcMaxCount = adcFullScale - 1;
constexpr std::int64_t adcReferenceMv = 2440;
// Probe divider coefficient of each channel in hundredths, as the panel scales
// it; channels 0..3 are grounded and never read by the panel.
constexpr std::array<std::int64_t, adcChannelCount> adcCoefficientPercent{100, 100, 100, 100,
                                                                          200, 100, 200, 280};

constexpr int batteryNominalMv = 3700;
constexpr std::int32_t batteryDrifts = -1;
// Far above the ADC's full scale (6.83 V on the battery probe), far below
// any overflow.
constexpr std::int32_t maxBatteryMv = 10000;
constexpr double batteryDriftAmplitudeMv = 30.0;
constexpr double batteryDriftPeriodS = 300.0;
constexpr double twoPi = 6.283185307179586;
constexpr std::uint32_t noiseStartSeed = 0x2545f491u;

constexpr int uvPerMv = 1000;
constexpr std::int64_t ppmPerUnit = 1000000;
constexpr int gainStepPpm = 100;          // 0.01 %
constexpr int gainSteps = 100;            // +-1.00 %
constexpr int offsetSpanMv = 3;
constexpr int comparatorOffsetSpanMv = 8;
constexpr int partNoiseMv = 3;

// A well-stirred 32-bit value, so that neighbouring seeds make unrelated
// parts.
constexpr std::uint32_t stir(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

// The draw-th figure of the part of a seed: a whole number from -span to
// +span, always the same for the same seed and draw.
int partDraw(std::uint32_t seed, int draw, int span)
{
    const std::uint32_t x = stir(seed ^ stir(static_cast<std::uint32_t>(draw) + 1u));
    return static_cast<int>(x % static_cast<std::uint32_t>(2 * span + 1)) - span;
}

// The noise of each part runs its own course from power-on; never 0, where
// xorshift would stay.
std::uint32_t noiseStart(std::uint32_t part)
{
    const std::uint32_t seed = noiseStartSeed ^ stir(part);
    return seed != 0 ? seed : noiseStartSeed;
}

} // namespace

// One buck converter: where its code, enable and status bits live and how
// its code turns into an output voltage.
struct Buck
{
    int voltageRegister;
    int codeMask;
    int baseMv;
    int stepMv;
    int maxMv;
    int enableBit;
    int statusBit;
    int adcChannel;
    PinId sleepOverride;
};

PartErrors PartErrors::of(std::uint32_t seed)
{
    PartErrors part{};
    if (seed == 0)
        return part;
    for (int c = 0; c < converterCount; ++c) {
        int steps = partDraw(seed, c, gainSteps);
        while (std::find(part.gainPpm, part.gainPpm + c, steps * gainStepPpm) != part.gainPpm + c)
            steps = steps == gainSteps ? -gainSteps : steps + 1;
        part.gainPpm[c] = steps * gainStepPpm;
        part.offsetUv[c] = partDraw(seed, converterCount + c, offsetSpanMv) * uvPerMv;
    }
    part.comparatorOffsetUv = partDraw(seed, 2 * converterCount, comparatorOffsetSpanMv) * uvPerMv;
    part.noiseMv = partNoiseMv;
    return part;
}

namespace {

constexpr int noVoltageCap = INT_MAX;

// Columns: code register, code mask, base, step, cap (mV), enable bit in
// 0x0a, status bit in 0x0d, ADC channel, pin that keeps it up in sleep.
// In the order of PartErrors: Buck1, Buck2, Buck3.
constexpr std::array<Buck, converterCount> bucks{{
    {buck1VoltageRegister, 0x3f, 1100, 50, 3600, 0x02, 0x02, 6, sleepOverride1Pin},
    {buck2VoltageRegister, 0x3f, 1100, 50, 3600, 0x01, 0x04, 4, sleepOverride2Pin},
    {buck3VoltageRegister, 0x7f, 700, 10, noVoltageCap, 0x80, 0x08, 5, noPin},
}};

constexpr std::array<std::uint8_t, registerCount> makeResetRegisters()
{
    std::array<std::uint8_t, registerCount> values{};
    values[buck3VoltageRegister] = 0x32;   // 1.200 V
    values[buck1VoltageRegister] = 0x0e;   // 1.800 V
    values[buck2VoltageRegister] = 0x2c;   // 3.300 V
    values[enableRegister] = 0x83;         // Buck1, Buck2 and Buck3 on
    values[comparatorRegister] = 0xd1;     // on, 3.270 V, hysteresis
    return values;
}

constexpr std::array<std::uint8_t, registerCount> resetRegisterValues = makeResetRegisters();

bool validPin(int group, int pin)
{
    return group >= 1 && group <= pinGroupCount && pin >= 0 && pin < pinsPerGroup;
}

bool validByte(int value)
{
    return value >= 0 && value <= maxData;
}

int toAdcCount(int microvolts, std::int64_t coefficientPercent)
{
    const std::int64_t divisor = coefficientPercent * adcReferenceMv * uvPerMv;
    if (microvolts <= 0)
        return 0;
    const std::int64_t count = (std::int64_t{microvolts} * adcFullScale * 100 + divisor / 2) / divisor;
    return static_cast<int>(count > adcMaxCount ? adcMaxCount : count);
}

std::int64_t steadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool allFlags(const std::uint8_t (&pins)[pinGroupCount][pinsPerGroup])
{
    return std::all_of(&pins[0][0], &pins[0][0] + pinGroupCount * pinsPerGroup,
                       [](std::uint8_t value) { return value <= 1; });
}

bool isFlag(std::int32_t value)
{
    return value == 0 || value == 1;
}

} // namespace

BoardModel::BoardModel(BoardState &state)
    : m_state(state)
{
}

bool BoardModel::isSound(const BoardState &state)
{
    // The registers take any byte and the noise any seed but 0, where
    // xorshift stays for good. The drift is measured from a moment of this
    // boot; handles start at 1.
    const std::int32_t battery = state.pinnedBatteryMv;
    return allFlags(state.pinIsOutput) && allFlags(state.pinLatch) && isFlag(state.plugged)
           && state.handle >= 1 && isFlag(state.comparatorSet)
           && (battery == batteryDrifts || (battery >= 0 && battery <= maxBatteryMv))
           && state.noiseSeed != 0 && state.driftEpochNs >= 0 && state.driftEpochNs <= steadyNowNs();
}

int BoardModel::usbHidInit()
{
    return m_state.plugged ? m_state.handle : noBoard;
}

int BoardModel::initController(int handle)
{
    return isCurrent(handle) ? callSucceeded : callFailed;
}

int BoardModel::setPinDir(int handle, int group, int pin, int direction)
{
    if (!isCurrent(handle) || !validPin(group, pin))
        return callFailed;
    changePin(group, pin, direction != 0, m_state.pinLatch[group - 1][pin]);
    return callSucceeded;
}

int BoardModel::setPin(int handle, int group, int pin, int level)
{
    if (!isCurrent(handle) || !validPin(group, pin))
        return callFailed;
    changePin(group, pin, m_state.pinIsOutput[group - 1][pin], level != 0);
    return callSucceeded;
}

int BoardModel::readPin(int handle, int group, int pin)
{
    if (!isCurrent(handle) || !validPin(group, pin))
        return readFailed;
    return pinLevel(group, pin);
}

int BoardModel::pinLevel(int group, int pin)
{
    if (m_state.pinIsOutput[group - 1][pin])
        return m_state.pinLatch[group - 1][pin];
    if (irqPin.is(group, pin)) {
        const bool activeHigh = m_state.registers[polarityRegister] & polarityActiveHighBit;
        return irqActive() == activeHigh ? 1 : 0;
    }
    return powerUpModePin.is(group, pin) ? 1 : 0;
}

int BoardModel::spiRead(int handle, int address)
{
    if (!isCurrent(handle) || !validByte(address))
        return readFailed;
    return registerValue(address);
}

int BoardModel::registerValue(int address)
{
    return address == statusRegisterAddress ? statusRegister() : m_state.registers[address];
}

int BoardModel::spiWrite(int handle, int address, int data)
{
    if (!isCurrent(handle) || !validByte(address) || !validByte(data))
        return callFailed;
    // The status register is read-only on the chip: the write is accepted on
    // the bus and has no effect.
    if (address != statusRegisterAddress)
        m_state.registers[address] = static_cast<std::uint8_t>(data);
    return callSucceeded;
}

int BoardModel::measure(int handle, int channel, int device)
{
    if (!isCurrent(handle) || device != adcDevice || channel < 0 || channel >= adcChannelCount)
        return readFailed;
    const int count = toAdcCount(channelMicrovolts(channel), adcCoefficientPercent[channel]);
    if (channel != batteryChannel)
        return count;
    const int noisy = count + noiseCounts();
    return noisy < 0 ? 0 : noisy > adcMaxCount ? static_cast<int>(adcMaxCount) : noisy;
}

void BoardModel::powerOn()
{
    powerOn(m_state.partSeed);
}

void BoardModel::powerOn(std::uint32_t part)
{
    // A zero handle counts as "none yet", so a zeroed state starts at handle 1.
    const std::int32_t lastHandle = m_state.handle > 0 ? m_state.handle : 0;
    m_state = BoardState{};
    m_state.handle = lastHandle;
    m_state.partSeed = part;
    m_state.pinnedBatteryMv = batteryDrifts;
    m_state.noiseSeed = noiseStart(part);
    m_state.driftEpochNs = steadyNowNs();
    resetRegisters();
    setPlugged(true);
}

void BoardModel::setPlugged(bool plugged)
{
    if (plugged == static_cast<bool>(m_state.plugged))
        return;
    m_state.plugged = plugged;
    if (plugged)
        m_state.handle = m_state.handle >= INT32_MAX ? 1 : m_state.handle + 1;
    else
        releasePins();
}

void BoardModel::pinBattery(int millivolts)
{
    // The comparator sees the old voltage up to this moment, so that its
    // hysteresis follows the path the battery took.
    updateComparator();
    m_state.pinnedBatteryMv = millivolts < 0 ? batteryDrifts : std::min(millivolts, maxBatteryMv);
}

bool BoardModel::isCurrent(int handle) const
{
    return m_state.plugged && handle == m_state.handle;
}

bool BoardModel::pinIsHigh(int group, int pin) const
{
    return m_state.pinIsOutput[group - 1][pin] && m_state.pinLatch[group - 1][pin];
}

bool BoardModel::asleep() const
{
    return pinIsHigh(devSleepPin.group, devSleepPin.pin);
}

bool BoardModel::buckIsUp(const Buck &buck) const
{
    const bool enabled = m_state.registers[enableRegister] & buck.enableBit;
    const bool overridden = buck.sleepOverride.group != noPin.group
                            && pinIsHigh(buck.sleepOverride.group, buck.sleepOverride.pin);
    return enabled && (!asleep() || overridden);
}

int BoardModel::buckMicrovolts(int converter, const PartErrors &part) const
{
    const Buck &buck = bucks[std::size_t(converter)];
    if (!buckIsUp(buck))
        return 0;
    const int code = m_state.registers[buck.voltageRegister] & buck.codeMask;
    const std::int64_t millivolts = std::min(buck.baseMv + code * buck.stepMv, buck.maxMv);
    return static_cast<int>(millivolts * (ppmPerUnit + part.gainPpm[converter]) / uvPerMv
                            + part.offsetUv[converter]);
}

bool BoardModel::batteryIsHeld() const
{
    return m_state.pinnedBatteryMv >= 0;
}

bool BoardModel::isPlugged() const
{
    return m_state.plugged;
}

std::uint32_t BoardModel::part() const
{
    return m_state.partSeed;
}

int BoardModel::batteryMillivolts() const
{
    if (batteryIsHeld())
        return m_state.pinnedBatteryMv;
    const double seconds = static_cast<double>(steadyNowNs() - m_state.driftEpochNs) * 1e-9;
    const double drift = batteryDriftAmplitudeMv * std::sin(twoPi * seconds / batteryDriftPeriodS);
    return batteryNominalMv + static_cast<int>(std::lround(drift));
}

// What a conversion of the channel sees: a running converter with its
// part's noise of this moment.
int BoardModel::channelMicrovolts(int channel)
{
    if (channel == batteryChannel)
        return batteryMillivolts() * uvPerMv;
    for (int converter = 0; converter < converterCount; ++converter) {
        if (bucks[std::size_t(converter)].adcChannel != channel)
            continue;
        const PartErrors part = PartErrors::of(m_state.partSeed);
        const int microvolts = buckMicrovolts(converter, part);
        const int noiseMv = part.noiseMv;
        if (microvolts == 0 || noiseMv == 0)
            return microvolts;
        const int spread = 2 * noiseMv + 1;
        return microvolts + (static_cast<int>(nextNoise() % spread) - noiseMv) * uvPerMv;
    }
    return 0;
}

// xorshift32: cheap, and its whole state fits in the shared struct.
std::uint32_t BoardModel::nextNoise()
{
    std::uint32_t x = m_state.noiseSeed;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    m_state.noiseSeed = x;
    return x;
}

int BoardModel::noiseCounts()
{
    if (batteryIsHeld())
        return 0;
    return static_cast<int>(nextNoise() % 3) - 1;
}

int BoardModel::statusRegister()
{
    updateComparator();
    int status = m_state.comparatorSet ? comparatorStatusBit : 0;
    for (const Buck &buck : bucks) {
        if (buckIsUp(buck))
            status |= buck.statusBit;
    }
    if (!asleep())
        status |= ldoStatusBit;
    return status;
}

bool BoardModel::irqActive()
{
    return statusRegister() & m_state.registers[interruptMaskRegister] & interruptSources;
}

void BoardModel::updateComparator()
{
    const int control = m_state.registers[comparatorRegister];
    if (!(control & comparatorEnableBit)) {
        m_state.comparatorSet = 0;
        return;
    }
    const int code = (control >> comparatorCodeShift) & comparatorCodeMask;
    int thresholdUv = comparatorBaseUv + code * comparatorStepUv
                      + PartErrors::of(m_state.partSeed).comparatorOffsetUv;
    if (m_state.comparatorSet && (control & comparatorHysteresisBit))
        thresholdUv -= comparatorHysteresisUv;
    m_state.comparatorSet = batteryMillivolts() * 1000 > thresholdUv;
}

void BoardModel::changePin(int group, int pin, bool isOutput, bool latch)
{
    const bool hostControllerWasHigh = pinIsHigh(hostControllerPin.group, hostControllerPin.pin);
    m_state.pinIsOutput[group - 1][pin] = isOutput;
    m_state.pinLatch[group - 1][pin] = latch;
    if (!hostControllerWasHigh && pinIsHigh(hostControllerPin.group, hostControllerPin.pin))
        resetRegisters();
}

void BoardModel::resetRegisters()
{
    std::memcpy(m_state.registers, resetRegisterValues.data(), sizeof m_state.registers);
    m_state.comparatorSet = 0;
}

void BoardModel::releasePins()
{
    std::memset(m_state.pinIsOutput, 0, sizeof m_state.pinIsOutput);
    std::memset(m_state.pinLatch, 0, sizeof m_state.pinLatch);
}

} // namespace sim
