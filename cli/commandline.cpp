// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"

#include "common/bytetext.h"
#include "common/product.h"
#include "session/probewatch.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <initializer_list>
#include <iterator>

namespace {


struct CommandEntry
{
    const char *name;
    Invocation::Command command;
    int argumentCount;
    const char *synopsis;
};

constexpr CommandEntry commands[] = {
    {"read", Invocation::Command::Read, 1, "read ADDR [--bits]"},
    {"write", Invocation::Command::Write, 2, "write ADDR DATA [--verify]"},
    {"dump", Invocation::Command::Dump, 0, "dump"},
    {"load", Invocation::Command::Load, 1, "load FILE"},
    {"verify", Invocation::Command::Verify, 1, "verify FILE [--bits]"},
    {"pins", Invocation::Command::Pins, 0, "pins"},
    {"probes", Invocation::Command::Probes, 0, "probes [--watch SECONDS]"},
    {"sweep", Invocation::Command::Sweep, 3,
     "sweep FIELD FROM TO [--settle MS] [--readings N] [--up-down] [--no-restore]"},
};

const CommandEntry *findCommand(const QString &name)
{
    for (const CommandEntry &entry : commands) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

// The options as given, before they are checked against the command.
struct Options
{
    bool help = false;
    bool version = false;
    bool bits = false;
    bool verify = false;
    bool keepGoing = false;
    bool upDown = false;
    bool noRestore = false;
    std::optional<QString> watch;
    std::optional<QString> settle;
    std::optional<QString> readings;
};

// An option with a value, given as "--name VALUE" or "--name=VALUE": true
// when argument is one, with the value taken into value.
bool takeValueOption(const QString &argument, QByteArrayList::const_iterator &it,
                     QByteArrayList::const_iterator end, const char *name, const char *valueName,
                     std::optional<QString> &value, bool &failed, QString &error)
{
    const QString option = QLatin1String(name);
    if (argument == option) {
        if (std::next(it) == end) {
            error = QStringLiteral("option %1 needs %2").arg(option, QLatin1String(valueName));
            failed = true;
        } else {
            value = QFile::decodeName(*++it);
        }
        return true;
    }
    if (!argument.startsWith(option + QLatin1Char('=')))
        return false;
    value = argument.mid(int(option.size()) + 1);
    return true;
}

bool isOption(const QString &argument)
{
    return argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-")
           && !isNegativeNumber(argument);
}

// Splits the arguments into options and the words of the command. Words
// keep their bytes: a file name is opened by exactly what the shell passed.
bool splitArguments(const QByteArrayList &arguments, Options &options, QByteArrayList &words,
                    QString &error)
{
    bool optionsEnded = false;
    for (auto it = arguments.cbegin(); it != arguments.cend(); ++it) {
        const QString argument = QFile::decodeName(*it);
        if (optionsEnded || !isOption(argument)) {
            words << *it;
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            options.help = true;
        } else if (argument == QLatin1String("-V") || argument == QLatin1String("--version")) {
            options.version = true;
        } else if (argument == QLatin1String("--bits")) {
            options.bits = true;
        } else if (argument == QLatin1String("--verify")) {
            options.verify = true;
        } else if (argument == QLatin1String("--keep-going")) {
            options.keepGoing = true;
        } else if (argument == QLatin1String("--up-down")) {
            options.upDown = true;
        } else if (argument == QLatin1String("--no-restore")) {
            options.noRestore = true;
        } else if (bool failed = false;
                   takeValueOption(argument, it, arguments.cend(), "--watch", "SECONDS", options.watch, failed, error)
                   || takeValueOption(argument, it, arguments.cend(), "--settle", "MS", options.settle, failed, error)
                   || takeValueOption(argument, it, arguments.cend(), "--readings", "N", options.readings, failed,
                                      error)) {
            if (failed)
                return false;
        } else {
            error = QStringLiteral("unknown option '%1'").arg(argument);
            return false;
        }
    }
    return true;
}

// An option that the command does not take is an error rather than ignored:
// a script that says "write ... --bits" has a mistake in it.
bool checkOption(bool given, const char *option, std::initializer_list<Invocation::Command> owners,
                 Invocation::Command command, QString &error)
{
    if (!given || std::find(owners.begin(), owners.end(), command) != owners.end())
        return true;
    QStringList names;
    for (const Invocation::Command owner : owners) {
        const auto ownerEntry = std::find_if(std::begin(commands), std::end(commands),
                                             [owner](const CommandEntry &e) { return e.command == owner; });
        names << QLatin1String(ownerEntry->name);
    }
    error = QStringLiteral("option %1 belongs to %2").arg(QLatin1String(option),
                                                           names.join(QLatin1String(" and ")));
    return false;
}

// The whole decimal number an option was given, from lowest to highest,
// into count; an option not given leaves count as it is.
bool parseCount(const std::optional<QString> &given, const char *option, int lowest, int highest, int &count,
                QString &error)
{
    if (!given)
        return true;
    const QString &text = *given;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || text.startsWith(QLatin1Char('+'))) {
        error = QStringLiteral("invalid %1 '%2' (a whole decimal number)").arg(QLatin1String(option), text);
        return false;
    }
    if (value < lowest || value > highest) {
        error = QStringLiteral("%1 '%2' is out of range (%3 to %4)")
                        .arg(QLatin1String(option), text)
                        .arg(lowest)
                        .arg(highest);
        return false;
    }
    count = value;
    return true;
}

// A sweep's field and values as a user writes them, with the options that
// tell how it runs.
bool parseSweep(const QByteArrayList &words, const Options &options, SweepPlan &plan, QString &error)
{
    std::optional<SweepPlan> planned = planSweep(QFile::decodeName(words.at(0)), QFile::decodeName(words.at(1)),
                                                 QFile::decodeName(words.at(2)), error);
    if (!planned)
        return false;
    plan = *planned;
    if (!parseCount(options.settle, "--settle", 0, SweepPlan::longestSettleMs, plan.settleMs, error)
        || !parseCount(options.readings, "--readings", 1, SweepPlan::mostReadings, plan.readings, error))
        return false;
    plan.upAndDown = options.upDown;
    plan.restore = !options.noRestore;
    return true;
}

std::optional<int> parseWatchInterval(const QString &text, QString &error)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    return ProbeWatch::intervalFromSeconds(ok ? seconds : qQNaN(), text, error);
}

} // namespace

std::optional<Invocation> CommandLine::parse(const QByteArrayList &arguments, QString &error)
{
    Options options;
    QByteArrayList words;
    if (!splitArguments(arguments, options, words, error))
        return std::nullopt;

    Invocation invocation;
    if (options.help || options.version) {
        invocation.command = options.help ? Invocation::Command::Help : Invocation::Command::Version;
        return invocation;
    }
    if (words.isEmpty()) {
        error = QStringLiteral("no command given");
        return std::nullopt;
    }
    const QString name = QFile::decodeName(words.takeFirst());
    const CommandEntry *entry = findCommand(name);
    if (!entry) {
        error = QStringLiteral("unknown command '%1'").arg(name);
        return std::nullopt;
    }
    if (words.size() != entry->argumentCount) {
        error = QStringLiteral("%1 arguments, expected: %2")
                        .arg(QLatin1String(words.size() < entry->argumentCount ? "missing" : "too many"),
                             QLatin1String(entry->synopsis));
        return std::nullopt;
    }
    invocation.command = entry->command;
    using Command = Invocation::Command;
    if (!checkOption(options.bits, "--bits", {Command::Read, Command::Verify}, invocation.command,
                     error)
        || !checkOption(options.verify, "--verify", {Command::Write}, invocation.command, error)
        || !checkOption(options.watch.has_value(), "--watch", {Command::Probes}, invocation.command,
                        error)
        || !checkOption(options.keepGoing, "--keep-going", {Command::Probes}, invocation.command,
                        error)
        || !checkOption(options.settle.has_value(), "--settle", {Command::Sweep}, invocation.command, error)
        || !checkOption(options.readings.has_value(), "--readings", {Command::Sweep}, invocation.command,
                        error)
        || !checkOption(options.upDown, "--up-down", {Command::Sweep}, invocation.command, error)
        || !checkOption(options.noRestore, "--no-restore", {Command::Sweep}, invocation.command, error))
        return std::nullopt;
    if (options.keepGoing && !options.watch) {
        error = QStringLiteral("option --keep-going needs --watch");
        return std::nullopt;
    }
    invocation.showBits = options.bits;
    invocation.verifyWrite = options.verify;

    switch (invocation.command) {
    case Command::Read:
    case Command::Write: {
        const std::optional<int> address = ::parseByte(QFile::decodeName(words.at(0)), "address", error);
        if (!address)
            return std::nullopt;
        invocation.address = *address;
        if (invocation.command == Command::Write) {
            const std::optional<int> data = ::parseByte(QFile::decodeName(words.at(1)), "data", error);
            if (!data)
                return std::nullopt;
            invocation.data = *data;
        }
        break;
    }
    case Command::Load:
    case Command::Verify:
        invocation.fileName = words.at(0);
        break;
    case Command::Probes:
        if (options.watch) {
            const std::optional<int> interval = parseWatchInterval(*options.watch, error);
            if (!interval)
                return std::nullopt;
            invocation.watchIntervalMs = *interval;
        }
        invocation.keepGoing = options.keepGoing;
        break;
    case Command::Sweep:
        if (!parseSweep(words, options, invocation.sweep, error))
            return std::nullopt;
        break;
    default:
        break;
    }
    return invocation;
}

QString CommandLine::usageHint()
{
    return QStringLiteral("Try '%1 --help' for more information.").arg(QLatin1String(programName));
}

QString CommandLine::versionText()
{
    return QStringLiteral("%1 (%2) %3\n")
            .arg(QLatin1String(programName), QLatin1String(productTitle),
                 QLatin1String(versionString));
}

// Written so that help2man can turn it into the manual page: a "Usage:"
// line, a description, then sections headed by a word and a colon.
QString CommandLine::helpText()
{
    return QStringLiteral(
            "Usage: zq40613-reg COMMAND [ARGUMENTS] [OPTIONS]\n"
            "Read and write the registers of the ZQ40613 on its evaluation board, and\n"
            "read the board's pins and probes, from scripts and the command line.\n"
            "\n"
            "Commands:\n"
            "  read ADDR [--bits]         print register ADDR as 0xNN; with --bits, also\n"
            "                             each bit with its value and name\n"
            "  write ADDR DATA [--verify]\n"
            "                             write DATA to register ADDR; with --verify, read\n"
            "                             it back and fail when it differs\n"
            "  dump                       print registers 0x00 to 0x0F as a register file\n"
            "                             that the desktop program loads\n"
            "  load FILE                  apply a register file as the desktop program's\n"
            "                             Load does: registers marked w are written in file\n"
            "                             order, sleep lines wait; a syntax error stops\n"
            "                             it at that line, what came before stays done\n"
            "  verify FILE [--bits]       read back every register FILE names and list on\n"
            "                             standard output each one whose chip value differs\n"
            "                             from the file's last value for it; with --bits,\n"
            "                             also each differing bit with its name\n"
            "  pins                       print the board's pin levels (IRQ, PWR_UP MODE)\n"
            "                             as the panel shows them, 0 or 1\n"
            "  probes [--watch SECONDS]   print the four probe voltages (BATT, BUCK1, BUCK2,\n"
            "                             BUCK3) as the panel shows them; with --watch, a\n"
            "                             CSV header and then one line every SECONDS (time,\n"
            "                             the four voltages, register 0x0d) until\n"
            "                             interrupted, the board stops answering or the\n"
            "                             output cannot be written\n"
            "  sweep FIELD FROM TO        step FIELD, a field of the panel as the register\n"
            "                             map names it (\"Buck1 Output voltage\"), through\n"
            "                             its values from FROM to TO as the panel's edits\n"
            "                             do, and print a CSV header and a line per step:\n"
            "                             time, the value set, the four probes' means,\n"
            "                             register 0x0d and, for a converter, its probe's\n"
            "                             error in mV and %; the field then goes back to\n"
            "                             its value from before\n"
            "\n"
            "Options:\n"
            "  --keep-going               with probes --watch: a read that fails writes a\n"
            "                             gap line (the time, every other field empty)\n"
            "                             and the board is opened again at every\n"
            "                             interval until it answers; the watch ends only\n"
            "                             when interrupted or the output cannot be written\n"
            "  --settle MS                with sweep: wait MS milliseconds after each step\n"
            "                             before its readings (default 100)\n"
            "  --readings N               with sweep: the mean of N readings per step\n"
            "                             (default 1)\n"
            "  --up-down                  with sweep: step back to FROM again\n"
            "  --no-restore               with sweep: leave the field at the last value\n"
            "  -h, --help                 show this help and exit\n"
            "  -V, --version              show the version and exit\n"
            "\n"
            "Numbers:\n"
            "  ADDR and DATA are hexadecimal, with or without 0x: 0b, 0x0b and B all mean\n"
            "  eleven, and 10 means sixteen. A decimal number takes the prefix 0n: 0n11.\n"
            "  Both range from 0x00 to 0xff. SECONDS is decimal, from 0.1 to 86400.\n"
            "  A FILE named - is standard input. FROM and TO are values as the field's\n"
            "  items read, with or without the unit (1.1, 1.100V); MS goes up to\n"
            "  3600000, N from 1 to 1000.\n"
            "\n"
            "Exit status:\n"
            "  0  success\n"
            "  1  no board answers, a transfer failed, a value read back differs\n"
            "     (write --verify, verify), or the output cannot be written\n"
            "  2  bad usage, or a file that cannot be read or has a syntax error\n"
            "     (a line longer than 4096 bytes is one), or that verify is given\n"
            "     a file that names no register\n"
            "  130  load interrupted (Ctrl+C): the lines before the one it names took\n"
            "       effect, that line and the rest did not; sweep interrupted: it\n"
            "       stopped before its next step and restored the field\n"
            "\n"
            "  A command that fails gives the reason on standard error and prints\n"
            "  nothing on standard output, with three exceptions: verify lists there the\n"
            "  registers that differ, and exits 1; probes --watch and sweep have\n"
            "  printed a line for each sample or step taken before they stopped.\n"
            "\n"
            "Board:\n"
            "  The board is opened once per run, as the desktop program opens it, through\n"
            "  the controller library hid2: the one in the program's own folder first,\n"
            "  else the one on the library search path (LD_LIBRARY_PATH).\n"
            "\n"
            "Environment:\n"
            "  ZQ40613_SIM_STATE  the state file of the simulated board, shared by every\n"
            "                     program that uses it; when unset or empty\n"
            "                     $XDG_RUNTIME_DIR/zq40613-sim.state, or without that\n"
            "                     folder /tmp/zq40613-sim-UID.state\n"
            "  QT_LOGGING_RULES   zq40613.trace.debug=true shows the trace lines on\n"
            "                     standard error\n"
            "\n"
            "Examples:\n"
            "  zq40613-reg write 07 0e --verify      Buck1 to 1.800 V\n"
            "  zq40613-reg read 0x0b --bits          the comparator, bit by bit\n"
            "  zq40613-reg dump > saved.qrx          later: zq40613-reg verify saved.qrx\n"
            "  zq40613-reg probes --watch 1 > run.csv  log the probes every second\n"
            "  zq40613-reg probes --watch 1 --keep-going > soak.csv\n"
            "                                        log on through a lost board\n"
            "  zq40613-reg sweep \"Buck1 Output voltage\" 1.1 1.5 > buck1.csv\n"
            "                                        Buck1 measured from 1.100 V to 1.500 V\n");
}
