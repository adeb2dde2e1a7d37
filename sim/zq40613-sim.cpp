// SPDX-License-Identifier: GPL-3.0-or-later
// zq40613-sim: the bench hand of the simulated board. It unplugs and plugs
// the board, sets the battery and shows the board's state, on the same
// shared board that the simulated controller library gives every program
// (userboard.h), so a running panel sees what it does at its next call.

#include "standardstreams.h"
#include "userboard.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int exitSuccess = 0;
constexpr int exitNoBoard = 1;   // the state file cannot be used, or the output cannot be written
constexpr int exitBadUsage = 2;

constexpr char programName[] = "zq40613-sim";

// The battery voltages a user may set: a span around the comparator's
// thresholds (2.000 V to 4.000 V).
constexpr int minBatteryMv = 2500;
constexpr int maxBatteryMv = 5500;
constexpr double millivoltsPerVolt = 1000.0;

// The registers zq40613-reg dump shows.
constexpr int shownRegisters = 0x10;

// The board's pins as the panel and zq40613-reg name them.
struct NamedPin
{
    const char *label;
    sim::PinId pin;
};

constexpr NamedPin shownPins[] = {
    {"IRQ", sim::irqPin},
    {"PWR_UP MODE", sim::powerUpModePin},
};

// Room between a label and its value, as in zq40613-reg.
constexpr int labelGap = 2;

constexpr const char *converterNames[sim::converterCount] = {"Buck1", "Buck2", "Buck3"};
constexpr double ppmPerPercent = 10000.0;
constexpr int uvPerMv = 1000;

constexpr char seedOption[] = "--seed";
constexpr char seedAssignment[] = "--seed=";

constexpr char helpText[] =
        "Usage: zq40613-sim COMMAND [--seed N]\n"
        "Drive the simulated ZQ40613 evaluation board that zq40613-eval-sim and\n"
        "zq40613-reg-sim work with, as one would drive a real board on the bench.\n"
        "\n"
        "Commands:\n"
        "  status          print whether the board is plugged in, the battery\n"
        "                  voltage, registers 0x00 to 0x0F as 0xNN, the pins IRQ\n"
        "                  and PWR_UP MODE, 0 or 1, and the part with its errors\n"
        "  unplug          pull the board's USB cable: programs lose the board\n"
        "  plug            plug it back in: programs find it at their next attempt\n"
        "  battery VOLTS   hold the battery at VOLTS, from 2.5 to 5.5 (decimal, such\n"
        "                  as 3.0)\n"
        "  reset           power-on state: plugged in, registers at their reset\n"
        "                  values, pins released, the battery drifting around 3.7 V;\n"
        "                  the part stays\n"
        "\n"
        "Options:\n"
        "  --seed N        with reset: put in the part of seed N (0 to 4294967295)\n"
        "                  instead, each converter off by its own gain and offset\n"
        "                  and a few mV of noise, the comparator by its own offset;\n"
        "                  0 is the ideal part. A new board has part 1\n"
        "  -h, --help      show this help and exit\n"
        "  -V, --version   show the version and exit\n"
        "\n"
        "Exit status:\n"
        "  0  success\n"
        "  1  the board's state file cannot be used, or the output cannot be written\n"
        "     (the reason is on standard error)\n"
        "  2  bad usage\n"
        "\n"
        "Environment:\n"
        "  ZQ40613_SIM_STATE  the state file of the simulated board, shared by every\n"
        "                     program that uses it; when unset or empty\n";

constexpr char versionText[] = "zq40613-sim (ZQ40613 Evaluation kit) Version " ZQ40613_VERSION "\n";

// Writes text to standard output; output that does not all arrive (a full
// disk, a closed stream) fails the command, with the reason.
int print(const std::string &text)
{
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0)
        return exitSuccess;
    std::fprintf(stderr, "%s: cannot write output: %s\n", programName, std::strerror(errno));
    return exitNoBoard;
}

int badUsage(const std::string &message)
{
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", programName,
                 message.c_str(), programName);
    return exitBadUsage;
}

// A word that reads as a negative number ("-3") is a value, not an option.
bool isNegativeNumber(const std::string &argument)
{
    return argument.size() > 1 && argument[0] == '-' && argument[1] >= '0' && argument[1] <= '9';
}

// A plain decimal number of volts ("3", "3.0", "3.25"), to the nearest
// millivolt, from 2.5 to 5.5; no exponent or hexadecimal. Empty when it is
// one, else what is wrong with it.
std::string parseVolts(const std::string &word, int &millivolts)
{
    const bool negative = isNegativeNumber(word);
    const char *text = word.c_str() + (negative ? 1 : 0);
    const std::size_t length = std::strlen(text);
    const std::size_t digits = std::strspn(text, "0123456789");
    const bool plain = digits > 0
                       && (digits == length
                           || (text[digits] == '.'
                               && std::strspn(text + digits + 1, "0123456789") == length - digits - 1));
    if (!plain)
        return "battery: '" + word + "' is not a voltage (decimal volts, such as 3.0)";
    const double volts = std::strtod(text, nullptr);
    const double mv = volts * millivoltsPerVolt;
    if (negative || !(mv >= minBatteryMv && mv <= maxBatteryMv))
        return "battery: '" + word + "' is out of range (2.5 to 5.5 V)";
    millivolts = static_cast<int>(std::lround(mv));
    return {};
}

std::string hex(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", value);
    return text;
}

std::string batteryText(const sim::BoardModel &model)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f V, %s", model.batteryMillivolts() / millivoltsPerVolt,
                  model.batteryIsHeld() ? "held" : "drifting");
    return text;
}

// "+0.42 %, +2 mV": a part's figure with its sign, as a bench hand notes it.
std::string signedFigure(const char *format, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void addPartLines(std::vector<std::pair<std::string, std::string>> &lines, std::uint32_t seed)
{
    const sim::PartErrors part = sim::PartErrors::of(seed);
    lines.emplace_back("part", std::to_string(seed) + (seed == 0 ? " (ideal)" : ""));
    for (int c = 0; c < sim::converterCount; ++c)
        lines.emplace_back(converterNames[c],
                           "gain " + signedFigure("%+.2f %%", part.gainPpm[c] / ppmPerPercent)
                                   + ", offset " + signedFigure("%+.0f mV", double(part.offsetUv[c]) / uvPerMv)
                                   + ", noise " + std::to_string(part.noiseMv) + " mV");
    lines.emplace_back("comparator",
                       "offset " + signedFigure("%+.0f mV", double(part.comparatorOffsetUv) / uvPerMv));
}

// The status, label and value a line, read in one call so that it shows
// one moment of the board.
std::vector<std::pair<std::string, std::string>> readStatus(sim::BoardModel &model)
{
    std::vector<std::pair<std::string, std::string>> lines;
    lines.emplace_back("board", model.isPlugged() ? "plugged in" : "unplugged");
    lines.emplace_back("battery", batteryText(model));
    for (int address = 0; address < shownRegisters; ++address)
        lines.emplace_back(hex(address), hex(model.registerValue(address)));
    for (const NamedPin &named : shownPins)
        lines.emplace_back(named.label, std::to_string(model.pinLevel(named.pin.group, named.pin.pin)));
    addPartLines(lines, model.part());
    return lines;
}

int status()
{
    std::vector<std::pair<std::string, std::string>> lines;
    if (!sim::withBoard([&](sim::BoardModel &model) { lines = readStatus(model); }))
        return exitNoBoard;
    std::size_t width = 0;
    for (const auto &line : lines)
        width = std::max(width, line.first.size() + labelGap);
    std::string text;
    for (const auto &line : lines)
        text += line.first + std::string(width - line.first.size(), ' ') + line.second + '\n';
    return print(text);
}

template<typename Change>
int change(Change edit)
{
    return sim::withBoard(edit) ? exitSuccess : exitNoBoard;
}

// A seed: plain decimal digits, at most 4294967295. Empty when it is one,
// else what is wrong with it.
std::string parseSeed(const std::string &word, std::uint32_t &seed)
{
    constexpr unsigned long long largest = UINT32_MAX;
    const bool digits = !word.empty() && word.size() <= 10
                        && std::strspn(word.c_str(), "0123456789") == word.size();
    const unsigned long long value = digits ? std::strtoull(word.c_str(), nullptr, 10) : 0;
    if (!digits || value > largest)
        return "--seed: '" + word + "' is not a seed (0 to 4294967295)";
    seed = static_cast<std::uint32_t>(value);
    return {};
}

} // namespace

int main(int argc, char *argv[])
{
    sim::occupyClosedStandardStreams();
    std::vector<std::string> words;
    std::string seedText;
    bool seedGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-h" || argument == "--help")
            return print(std::string(helpText) + sim::userStateFileHelp);
        if (argument == "-V" || argument == "--version")
            return print(versionText);
        if (argument == seedOption || argument.rfind(seedAssignment, 0) == 0) {
            if (argument == seedOption && i + 1 == argc)
                return badUsage("option --seed needs N");
            seedText = argument == seedOption ? argv[++i] : argument.substr(sizeof seedAssignment - 1);
            seedGiven = true;
            continue;
        }
        if (argument.size() > 1 && argument[0] == '-' && !isNegativeNumber(argument))
            return badUsage("unknown option '" + argument + "'");
        words.push_back(argument);
    }
    if (words.empty())
        return badUsage("a command is missing");

    const std::string &command = words.front();
    const std::size_t wanted = command == "battery" ? 2 : 1;
    if (command != "status" && command != "plug" && command != "unplug" && command != "battery"
        && command != "reset")
        return badUsage("unknown command '" + command + "'");
    if (words.size() < wanted)
        return badUsage(command + ": VOLTS is missing");
    if (words.size() > wanted)
        return badUsage(command + ": unexpected argument '" + words[wanted] + "'");
    if (seedGiven && command != "reset")
        return badUsage("option --seed belongs to reset");

    if (command == "status")
        return status();
    if (command == "plug" || command == "unplug") {
        const bool plugged = command == "plug";
        return change([=](sim::BoardModel &model) { model.setPlugged(plugged); });
    }
    if (command == "reset" && seedGiven) {
        std::uint32_t seed = 0;
        const std::string wrong = parseSeed(seedText, seed);
        if (!wrong.empty())
            return badUsage(wrong);
        return change([=](sim::BoardModel &model) { model.powerOn(seed); });
    }
    if (command == "reset")
        return change([](sim::BoardModel &model) { model.powerOn(); });

    int millivolts = 0;
    const std::string wrong = parseVolts(words[1], millivolts);
    if (!wrong.empty())
        return badUsage(wrong);
    return change([=](sim::BoardModel &model) { model.pinBattery(millivolts); });
}
