// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_SIM_BOARDMODEL_H
#define ZQ40613_SIM_BOARDMODEL_H

// Behavioural model of the ZQ40613 evaluation board, behind the simulated
// controller library "hid2".
//
// What it covers:
// - The chip's registers 0x00..0xFF as plain memory with reset values for the
//   panel registers: Buck3 1.200 V (0x00 = 0x32), Buck1 1.800 V (0x07 = 0x0e),
//   Buck2 3.300 V (0x08 = 0x2c), all three bucks enabled (0x0a = 0x83),
//   comparator on at 3.270 V with hysteresis (0x0b = 0xd1), interrupts masked
//   (0x0c = 0x00), interrupt active low (0x0e = 0x00); everything else 0.
// - Register 0x0d, the status register, computed on every read and deaf to
//   writes: bit 0 comparator, bits 1..3 Buck1..3 OK (enabled and awake),
//   bit 4 LDO OK (awake). The comparator is set while it is enabled and the
//   battery is above 2.000 V + code x 31.75 mV (code = 0x0b bits 6..1) plus
//   the part's offset; with 0x0b bit 7 it stays set until the battery falls
//   100 mV below that.
// - The host controller's pins, groups 1..3 with pins 0..7 each. A pin set as
//   output reads back its own latch and drives the chip with it; an input
//   reads what the board drives: 1.3 "IRQ" (active while 0x0d AND 0x0c has any
//   of bits 0..4, active high when 0x0e bit 0 is 1), 3.2 "PWR_UP MODE" (1),
//   any other input 0. The chip sees a pin that is not an output as low.
//   3.1 "DEVSLP" high puts the chip asleep, but Buck1 stays up while 3.3
//   "DEVSLP_OVR1" is high and Buck2 while 3.4 "DEVSLP_OVR2" is high. A rising
//   edge on 3.6 "HOST CONTROLLER" resets the registers.
// - The ADC, device 0 with channels 0..7: 7 the battery, 6 Buck1, 4 Buck2,
//   5 Buck3, the others grounded. Each reading is the 10-bit count that the
//   panel turns back into volts as coeff x 2.44 V x count / 1024 (coefficient
//   2.80 for the battery, 2.00 for Buck1 and Buck2, 1.00 for Buck3), rounded
//   to the nearest count and clamped to 0..1023. Buck1 and Buck2 give
//   1.100 V + code x 50 mV up to 3.600 V, Buck3 0.700 V + code x 10 mV, as
//   far as the part's errors let them, any buck 0 V when disabled or asleep. The battery drifts a few tens of mV
//   around 3.700 V over minutes and reads with one count of noise, unless a
//   test pins it to a fixed voltage (0 to 10 V), which also silences the
//   noise.
// - The part in the socket, chosen by a seed (PartErrors): each converter's
//   output off by a fixed gain and offset error and by a few mV of noise at
//   each conversion, and the comparator's trip points by a fixed offset, as
//   real silicon is. Seed 0 is the ideal part, with none of these. The seed
//   stays through a power cycle; the noise starts afresh at each.
// - The USB link: while unplugged every call fails; each plug-in gives a new
//   handle, and a call with any other handle fails. The controller is powered
//   by USB and the chip by the battery, so unplugging releases the
//   controller's pins (all inputs, latches low) but keeps the registers.
//
// Failures return the controller library's failure values: -1 for
// usb_hid_init, read_pin, spi_read and measure, 0 for the others. Out-of-range
// addresses, data, groups, pins, devices and channels fail the same way.
//
// All state lives in BoardState, a plain-old-data struct that BoardModel only
// refers to, so that it can be kept in a file shared between processes.
// Another process may have written anything there, so a state is checked
// with isSound() before a model is made of it. BoardModel does no locking:
// its caller serialises the calls.

#include <cstdint>
#include <type_traits>

namespace sim {

constexpr int registerCount = 256;
constexpr int pinGroupCount = 3;
constexpr int pinsPerGroup = 8;

struct BoardState
{
    std::uint8_t registers[registerCount];
    std::uint8_t pinIsOutput[pinGroupCount][pinsPerGroup];
    std::uint8_t pinLatch[pinGroupCount][pinsPerGroup];
    std::int32_t plugged;
    std::int32_t handle;              // current handle, also the last one while unplugged
    std::int32_t comparatorSet;       // comparator output, remembered for the hysteresis
    std::int32_t pinnedBatteryMv;     // negative while the battery drifts
    std::uint32_t noiseSeed;
    std::uint32_t partSeed;           // the part in the socket (PartErrors)
    std::int64_t driftEpochNs;        // steady-clock time the drift is measured from;
                                      // the clock is system-wide, so any process may read it
};

static_assert(std::is_trivially_copyable_v<BoardState> && std::is_standard_layout_v<BoardState>,
              "BoardState must stay plain old data");

// The controller library's results.
constexpr int noBoard = -1;
constexpr int readFailed = -1;   // read_pin, spi_read, measure
constexpr int callFailed = 0;    // init_controller, set_pin_dir, set_pin, spi_write
constexpr int callSucceeded = 1;

// A pin of the host controller, groups counted from 1 as the library does.
struct PinId
{
    int group;
    int pin;

    constexpr bool is(int otherGroup, int otherPin) const { return group == otherGroup && pin == otherPin; }
};

inline constexpr PinId irqPin{1, 3};
inline constexpr PinId devSleepPin{3, 1};
inline constexpr PinId powerUpModePin{3, 2};
inline constexpr PinId sleepOverride1Pin{3, 3};
inline constexpr PinId sleepOverride2Pin{3, 4};
inline constexpr PinId hostControllerPin{3, 6};

struct Buck;

constexpr int converterCount = 3;    // Buck1, Buck2, Buck3
// The part a board without a state file starts with.
constexpr std::uint32_t defaultPart = 1;

// How a part differs from the ideal one. Each converter gives
// ideal x (1 + gain) + offset, plus at each conversion a noise drawn evenly
// from -noise..+noise mV; the comparator trips offset above where the ideal
// one would, rising and falling. The gains lie within +-1.00 % in steps of
// 0.01 % and differ from converter to converter, the offsets within +-3 mV,
// so that from the lowest output up (0.700 V) a converter is off by less
// than 1.5 %; the comparator's offset lies within +-8 mV.
struct PartErrors
{
    int gainPpm[converterCount];
    int offsetUv[converterCount];
    int comparatorOffsetUv;
    int noiseMv;

    static PartErrors of(std::uint32_t seed);
};

class BoardModel
{
public:
    explicit BoardModel(BoardState &state);

    // Every field within the range the model gives it, so that no
    // computation on the state can overflow.
    static bool isSound(const BoardState &state);

    // The calls of the controller library, without the reserved argument.
    int usbHidInit();
    int initController(int handle);
    int setPinDir(int handle, int group, int pin, int direction);
    int setPin(int handle, int group, int pin, int level);
    int readPin(int handle, int group, int pin);
    int spiRead(int handle, int address);
    int spiWrite(int handle, int address, int data);
    int measure(int handle, int channel, int device);

    // Bench controls, for the tests and zq40613-sim. A power-on keeps the
    // part, unless given another.
    void powerOn();
    void powerOn(std::uint32_t part);
    void setPlugged(bool plugged);
    void pinBattery(int millivolts);   // negative: drift again; above 10 V: 10 V

    // The board as a bench hand sees it, whatever the USB link does: a
    // register (0x0d as the chip computes it), a pin's level as read_pin
    // would give it, the battery and the cable. Address, group and pin must
    // be in range.
    int registerValue(int address);
    int pinLevel(int group, int pin);
    int batteryMillivolts() const;
    bool batteryIsHeld() const;
    bool isPlugged() const;
    std::uint32_t part() const;

private:
    bool isCurrent(int handle) const;
    bool pinIsHigh(int group, int pin) const;   // as the chip sees it
    bool asleep() const;
    bool buckIsUp(const Buck &buck) const;
    int buckMicrovolts(int converter, const PartErrors &part) const;
    int channelMicrovolts(int channel);
    std::uint32_t nextNoise();
    int noiseCounts();
    int statusRegister();
    bool irqActive();
    void updateComparator();
    void changePin(int group, int pin, bool isOutput, bool latch);
    void resetRegisters();
    void releasePins();

    BoardState &m_state;
};

} // namespace sim

#endif
