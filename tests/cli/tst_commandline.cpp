// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"
#include "common/bytetext.h"

#include <QtTest>

namespace {

// An invocation as one short text: the command and whatever it carries
// besides the defaults, e.g. "write 7 14 verify" or "probes watch=500".
QString describe(const Invocation &invocation)
{
    using Command = Invocation::Command;
    static const QMap<Command, QString> names = {
        {Command::Help, "help"},     {Command::Version, "version"}, {Command::Read, "read"},
        {Command::Write, "write"},   {Command::Dump, "dump"},       {Command::Load, "load"},
        {Command::Verify, "verify"}, {Command::Pins, "pins"},       {Command::Probes, "probes"},
        {Command::Sweep, "sweep"},
    };
    QStringList parts{names.value(invocation.command)};
    if (invocation.command == Command::Read || invocation.command == Command::Write)
        parts << QString::number(invocation.address);
    if (invocation.command == Command::Write)
        parts << QString::number(invocation.data);
    if (invocation.showBits)
        parts << "bits";
    if (invocation.verifyWrite)
        parts << "verify";
    if (!invocation.fileName.isEmpty())
        parts << QString::fromUtf8(invocation.fileName);
    if (invocation.watchIntervalMs)
        parts << QStringLiteral("watch=%1").arg(invocation.watchIntervalMs);
    if (invocation.keepGoing)
        parts << "keep-going";
    const SweepPlan &sweep = invocation.sweep;
    if (invocation.command == Command::Sweep)
        parts << QStringLiteral("'%1' %2..%3 settle=%4 readings=%5%6%7")
                         .arg(sweep.field.name)
                         .arg(sweep.fromIndex)
                         .arg(sweep.toIndex)
                         .arg(sweep.settleMs)
                         .arg(sweep.readings)
                         .arg(sweep.upAndDown ? " up-down" : "", sweep.restore ? "" : " no-restore");
    return parts.join(' ');
}

QByteArrayList bytes(const QStringList &arguments)
{
    QByteArrayList list;
    for (const QString &argument : arguments)
        list << argument.toUtf8();
    return list;
}

const QString invalidSuffix = " (hexadecimal like 0b or 0x0b, decimal like 0n11)";
const QString rangeSuffix = " is out of range (0x00 to 0xff)";

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parseByte_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");   // -1: invalid, -2: out of range
        QTest::newRow("bare hex") << "0b" << 11;
        QTest::newRow("0x prefix") << "0x0b" << 11;
        QTest::newRow("upper case") << "0X0B" << 11;
        QTest::newRow("one digit") << "B" << 11;
        QTest::newRow("bare 10 is hex") << "10" << 16;
        QTest::newRow("0b is no binary prefix") << "0b1" << 0xb1;
        QTest::newRow("leading zeros") << "000ff" << 255;
        QTest::newRow("decimal") << "0n11" << 11;
        QTest::newRow("decimal upper case") << "0N255" << 255;
        QTest::newRow("decimal zero") << "0n0" << 0;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("prefix only") << "0x" << -1;
        QTest::newRow("decimal prefix only") << "0n" << -1;
        QTest::newRow("hex digits after 0n") << "0nff" << -1;
        QTest::newRow("sign") << "-1" << -2;
        QTest::newRow("plus") << "+1" << -1;
        QTest::newRow("blank") << " 1" << -1;
        QTest::newRow("trailing text") << "1g" << -1;
        QTest::newRow("digit of another script") << QString(QChar(0x0661)) << -1;
        QTest::newRow("0x100") << "0x100" << -2;
        QTest::newRow("bare 100") << "100" << -2;
        QTest::newRow("decimal 256") << "0n256" << -2;
        QTest::newRow("far too long") << "fffffffffffffffffffff" << -2;
    }

    void parseByte()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QString error;
        const std::optional<int> parsed = ::parseByte(text, "data", error);
        if (value >= 0) {
            QCOMPARE(parsed, std::optional<int>(value));
            QVERIFY(error.isEmpty());
        } else {
            QVERIFY(!parsed);
            const QString expected = value == -1 ? "invalid data '" + text + "'" + invalidSuffix
                                                 : "data '" + text + "'" + rangeSuffix;
            QCOMPARE(error, expected);
        }
    }

    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("invocation");
        QTest::newRow("read") << QStringList{"read", "0b"} << "read 11";
        QTest::newRow("read --bits, option first") << QStringList{"read", "--bits", "0x0b"} << "read 11 bits";
        QTest::newRow("write") << QStringList{"write", "7", "0n14"} << "write 7 14";
        QTest::newRow("write --verify") << QStringList{"write", "7", "0e", "--verify"} << "write 7 14 verify";
        QTest::newRow("dump") << QStringList{"dump"} << "dump";
        QTest::newRow("load") << QStringList{"load", "a.qrx"} << "load a.qrx";
        QTest::newRow("load from standard input") << QStringList{"load", "-"} << "load -";
        QTest::newRow("file name after --") << QStringList{"verify", "--", "-b.qrx"} << "verify -b.qrx";
        QTest::newRow("verify --bits") << QStringList{"verify", "a.qrx", "--bits"} << "verify bits a.qrx";
        QTest::newRow("pins") << QStringList{"pins"} << "pins";
        QTest::newRow("probes") << QStringList{"probes"} << "probes";
        QTest::newRow("probes --watch") << QStringList{"probes", "--watch", "1"} << "probes watch=1000";
        QTest::newRow("--watch=") << QStringList{"probes", "--watch=0.5"} << "probes watch=500";
        QTest::newRow("--keep-going") << QStringList{"probes", "--keep-going", "--watch", "1"}
                                      << "probes watch=1000 keep-going";
        QTest::newRow("sweep") << QStringList{"sweep", "Buck1 Output voltage", "1.1", "1.500V"}
                               << "sweep 'Buck1 Output voltage' 0..8 settle=100 readings=1";
        QTest::newRow("sweep down, name in any case, every option")
                << QStringList{"sweep", "comparator  threshold VOLTAGE", "3.27", "3.111v", "--up-down",
                               "--settle=0", "--readings", "4", "--no-restore"}
                << "sweep 'Comparator Threshold voltage' 40..35 settle=0 readings=4 up-down no-restore";
        QTest::newRow("sweep to the first of the last Buck2 items")
                << QStringList{"sweep", "Buck2 Output voltage", "3.600V", "3.6"}
                << "sweep 'Buck2 Output voltage' 50..50 settle=100 readings=1";
        QTest::newRow("--help") << QStringList{"--help"} << "help";
        QTest::newRow("-h after a command") << QStringList{"read", "7", "-h"} << "help";
        QTest::newRow("help before a bad number") << QStringList{"read", "zz", "--help"} << "help";
        QTest::newRow("-V") << QStringList{"-V"} << "version";
        QTest::newRow("--version") << QStringList{"dump", "--version"} << "version";
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, invocation);
        QString error;
        const std::optional<Invocation> parsed = CommandLine::parse(bytes(arguments), error);
        QVERIFY2(parsed, qPrintable(error));
        QCOMPARE(describe(*parsed), invocation);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing") << QStringList{} << "no command given";
        QTest::newRow("unknown command") << QStringList{"frob"} << "unknown command 'frob'";
        QTest::newRow("command in upper case") << QStringList{"READ", "7"} << "unknown command 'READ'";
        QTest::newRow("read without address") << QStringList{"read"}
                                              << "missing arguments, expected: read ADDR [--bits]";
        QTest::newRow("write without data") << QStringList{"write", "7"}
                                            << "missing arguments, expected: write ADDR DATA [--verify]";
        QTest::newRow("dump with an argument") << QStringList{"dump", "7"}
                                               << "too many arguments, expected: dump";
        QTest::newRow("read with two addresses") << QStringList{"read", "7", "8"}
                                                 << "too many arguments, expected: read ADDR [--bits]";
        QTest::newRow("address out of range") << QStringList{"read", "100"}
                                              << "address '100'" + rangeSuffix;
        QTest::newRow("malformed data") << QStringList{"write", "7", "0xq"}
                                        << "invalid data '0xq'" + invalidSuffix;
        QTest::newRow("negative address") << QStringList{"read", "-1"} << "address '-1'" + rangeSuffix;
        QTest::newRow("unknown option") << QStringList{"read", "7", "--bit"} << "unknown option '--bit'";
        QTest::newRow("--bits on write") << QStringList{"write", "7", "8", "--bits"}
                                         << "option --bits belongs to read and verify";
        QTest::newRow("--verify on read") << QStringList{"read", "7", "--verify"}
                                          << "option --verify belongs to write";
        QTest::newRow("--watch on pins") << QStringList{"pins", "--watch", "1"}
                                         << "option --watch belongs to probes";
        QTest::newRow("--watch without seconds") << QStringList{"probes", "--watch"}
                                                 << "option --watch needs SECONDS";
        QTest::newRow("--watch 0") << QStringList{"probes", "--watch", "0"}
                                   << "watch interval '0' is out of range (0.1 to 86400 seconds)";
        QTest::newRow("--watch too long") << QStringList{"probes", "--watch=86401"}
                                          << "watch interval '86401' is out of range (0.1 to 86400 seconds)";
        QTest::newRow("--watch infinite") << QStringList{"probes", "--watch", "inf"}
                                          << "invalid watch interval 'inf' (seconds, like 1 or 0.5)";
        QTest::newRow("--watch text") << QStringList{"probes", "--watch", "1s"}
                                      << "invalid watch interval '1s' (seconds, like 1 or 0.5)";
        QTest::newRow("--keep-going without --watch") << QStringList{"probes", "--keep-going"}
                                                      << "option --keep-going needs --watch";
        QTest::newRow("--keep-going on dump") << QStringList{"dump", "--keep-going"}
                                              << "option --keep-going belongs to probes";
        QTest::newRow("sweep without TO")
                << QStringList{"sweep", "Buck1 Output voltage", "1.1"}
                << "missing arguments, expected: sweep FIELD FROM TO [--settle MS] [--readings N] [--up-down] "
                   "[--no-restore]";
        QTest::newRow("unknown field") << QStringList{"sweep", "Buck4 Output voltage", "1.1", "1.2"}
                                       << "unknown field 'Buck4 Output voltage' (the fields: Buck1 Output voltage, "
                                          "Buck2 Output voltage, Buck3 Output voltage, Comparator Threshold voltage)";
        QTest::newRow("a value between two items")
                << QStringList{"sweep", "Buck3 Output voltage", "0.7", "0.705"}
                << "Buck3 Output voltage has no value '0.705' (its values: 0.700V, 0.710V, 0.720V, ...";
        QTest::newRow("--settle out of range") << QStringList{"sweep", "Buck1 Output voltage", "1.1", "1.2", "--settle",
                                                              "3600001"}
                                               << "--settle '3600001' is out of range (0 to 3600000)";
        QTest::newRow("--readings 0") << QStringList{"sweep", "Buck1 Output voltage", "1.1", "1.2", "--readings=0"}
                                      << "--readings '0' is out of range (1 to 1000)";
        QTest::newRow("--readings in words") << QStringList{"sweep", "Buck1 Output voltage", "1.1", "1.2", "--readings",
                                                            "two"}
                                             << "invalid --readings 'two' (a whole decimal number)";
        QTest::newRow("--settle without MS") << QStringList{"sweep", "Buck1 Output voltage", "1.1", "1.2", "--settle"}
                                             << "option --settle needs MS";
        QTest::newRow("--up-down on probes") << QStringList{"probes", "--up-down"} << "option --up-down belongs to sweep";
    }

    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        QString actual;
        QVERIFY(!CommandLine::parse(bytes(arguments), actual));
        // A long list of choices is checked as far as the row gives it.
        const QString expected = error.endsWith("...") ? error.chopped(3) : error;
        QCOMPARE(error.endsWith("...") ? actual.left(int(expected.size())) : actual, expected);
    }

    void helpNamesEveryCommandAndTheNumberRule()
    {
        const QString help = CommandLine::helpText();
        QVERIFY(help.startsWith("Usage: zq40613-reg COMMAND"));
        for (const char *synopsis : {"read ADDR [--bits]", "write ADDR DATA [--verify]", "dump",
                                     "load FILE", "verify FILE", "pins", "probes [--watch SECONDS]",
                                     "sweep FIELD FROM TO"})
            QVERIFY2(help.contains(QLatin1String("\n  ") + QLatin1String(synopsis)), synopsis);
        QVERIFY(help.contains("10 means sixteen"));
        QVERIFY(help.contains("0n11"));
        for (const QString &line : help.split('\n'))
            QVERIFY2(line.size() <= 79, qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
