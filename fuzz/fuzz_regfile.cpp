// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the register file reader: the input is the file.
//
// Besides "no crash" it checks what the file format itself promises: stores
// stay inside the register array, writes carry the stored byte, delays are
// the numbers of well-formed "sleep" lines before any error and never
// negative, the result counts the lines, a line longer than the limit is an
// error, and the outcome depends only on the lines read up to the first
// error, not on how the device hands out its bytes, not on CR LF line ends,
// not on leading blanks.

#include "fuzzcheck.h"

#include "common/registermirror.h"
#include "regfile/registerfile.h"

#include <QBuffer>
#include <QByteArray>
#include <QIODevice>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace {

constexpr int registerCount = registerMirrorSize;
constexpr int untouchedErrorLine = -12345;
constexpr quint8 firstStartingValue = 0xC0;
// The most bytes a line may hold before its line end.
constexpr qsizetype longestLine = 4096;

// Every register starts with a value that few test lines store, so stray
// stores show.
RegisterMirror startingRegisters()
{
    RegisterMirror registers;
    for (int address = 0; address < registerCount; ++address)
        registers[std::size_t(address)] = quint8(firstStartingValue + address);
    return registers;
}

struct Outcome
{
    int result = 0;
    int errorLine = untouchedErrorLine;
    RegisterMirror registers {};
    std::vector<std::pair<int, int>> writes;
    std::vector<int> delays;

    bool operator==(const Outcome &o) const
    {
        return result == o.result && errorLine == o.errorLine && registers == o.registers
               && writes == o.writes && delays == o.delays;
    }
};

// A pipe-like device that hands out at most a few bytes per read, so lines
// arrive in pieces.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(const QByteArray &data, qint64 chunk) : m_data(data), m_chunk(chunk)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = std::min({ maxSize, m_chunk, qint64(m_data.size()) - m_pos });
        std::memcpy(data, m_data.constData() + m_pos, std::size_t(count));
        m_pos += count;
        return count;
    }

    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_chunk;
    qint64 m_pos = 0;
};

Outcome readDevice(QIODevice &device)
{
    Guarded<RegisterMirror> guarded(startingRegisters());
    quint8 *const registers = guarded.value.data();
    Outcome outcome;
    outcome.result = parse_reg_file(
        device, outcome.errorLine, registers, registerCount,
        [&](int address, int data) {
            FUZZ_CHECK(address >= 0 && address < registerCount);
            FUZZ_CHECK(data >= 0 && data <= 0xFF);
            FUZZ_CHECK(data == registers[address]);
            outcome.writes.emplace_back(address, data);
        },
        [&](int milliseconds) {
            FUZZ_CHECK(milliseconds >= 0);
            outcome.delays.push_back(milliseconds);
        });
    FUZZ_CHECK(guarded.guardsIntact());
    outcome.registers = guarded.value;
    return outcome;
}

Outcome readBuffer(const QByteArray &text)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return readDevice(buffer);
}

// The lines of a text, each with its line end (LF, CR LF or a CR alone); a
// final piece without one is a line too.
std::vector<QByteArray> splitLines(const QByteArray &text)
{
    std::vector<QByteArray> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        if (end < text.size())
            end += text.mid(end, 2) == "\r\n" ? 2 : 1;
        lines.push_back(text.mid(start, end - start));
        start = end;
    }
    return lines;
}

QByteArray joined(const std::vector<QByteArray> &lines, std::size_t count)
{
    QByteArray text;
    for (std::size_t i = 0; i < count; ++i)
        text += lines[i];
    return text;
}

// The statement text of a line: what follows its leading blanks and tabs, up
// to a NUL, which ends a line's text the way it ends a C string.
QByteArray statementText(const QByteArray &line)
{
    qsizetype start = 0;
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
        ++start;
    const qsizetype nul = line.indexOf('\0', start);
    return line.mid(start, (nul < 0 ? line.size() : nul) - start);
}

// More bytes before the line end than a line may hold.
bool isTooLong(const QByteArray &line)
{
    qsizetype length = line.size();
    if (line.endsWith("\r\n"))
        length -= 2;
    else if (line.endsWith('\n') || line.endsWith('\r'))
        length -= 1;
    return length > longestLine;
}

bool isCommentLine(const QByteArray &line)
{
    const QByteArray text = statementText(line);
    return text.isEmpty() || text[0] == '\n' || text[0] == '\r' || text[0] == '#';
}

// "sleep", optional white space, decimal digits that fit an int: the
// milliseconds of a well-formed delay statement, nothing for any other line.
std::optional<int> delayOf(const QByteArray &line)
{
    const QByteArray text = statementText(line);
    if (!text.startsWith("sleep"))
        return std::nullopt;
    qsizetype p = 5;
    while (p < text.size() && (text[p] == ' ' || (text[p] >= '\t' && text[p] <= '\r')))
        ++p;
    const qsizetype firstDigit = p;
    qint64 value = 0;
    for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) {
        value = value * 10 + (text[p] - '0');
        if (value > INT_MAX)
            return std::nullopt;
    }
    if (p == firstDigit)
        return std::nullopt;
    return int(value);
}

bool startsWithWord(const QByteArray &line, const char *word)
{
    return !isCommentLine(line) && statementText(line).startsWith(word);
}

// The same lines with CR LF in place of LF line ends.
QByteArray withCrLf(const std::vector<QByteArray> &lines)
{
    QByteArray text;
    for (QByteArray line : lines) {
        if (line.endsWith('\n') && !line.endsWith("\r\n"))
            line.insert(line.size() - 1, '\r');
        text += line;
    }
    return text;
}

constexpr char indent[] = " \t  ";
constexpr qsizetype indentWidth = qsizetype(sizeof indent - 1);

// The same lines, each indented by blanks and tabs.
QByteArray indented(const std::vector<QByteArray> &lines)
{
    QByteArray text;
    for (const QByteArray &line : lines)
        text += indent + line;
    return text;
}

// Whether indenting each line, or a second CR before a line end, leaves every
// line within the limit, so that the reading must not change.
bool roomToGrow(const std::vector<QByteArray> &lines)
{
    return std::all_of(lines.begin(), lines.end(), [](const QByteArray &line) {
        return line.size() + indentWidth <= longestLine;
    });
}

void checkOutcomeAgainstLines(const Outcome &outcome, const std::vector<QByteArray> &lines)
{
    const int lineCount = int(lines.size());
    std::size_t linesInForce = lines.size();
    if (outcome.result == -1) {
        FUZZ_CHECK(outcome.errorLine >= 1 && outcome.errorLine <= lineCount);
        const QByteArray &offending = lines[std::size_t(outcome.errorLine - 1)];
        FUZZ_CHECK(isTooLong(offending) || (!isCommentLine(offending) && !delayOf(offending)));
        linesInForce = std::size_t(outcome.errorLine - 1);
    } else {
        FUZZ_CHECK(outcome.result == lineCount);
        FUZZ_CHECK(outcome.errorLine == untouchedErrorLine);
    }

    // Every line before the error took effect; only "sleep" lines wait, and
    // each waits its own number.
    std::vector<int> expectedDelays;
    std::size_t registerLines = 0;
    for (std::size_t i = 0; i < linesInForce; ++i) {
        const QByteArray &line = lines[i];
        FUZZ_CHECK(!isTooLong(line));
        if (startsWithWord(line, "sleep")) {
            const std::optional<int> delay = delayOf(line);
            FUZZ_CHECK(delay.has_value());
            expectedDelays.push_back(*delay);
        } else if (startsWithWord(line, "reg")) {
            ++registerLines;
        } else {
            FUZZ_CHECK(isCommentLine(line));
        }
    }
    FUZZ_CHECK(outcome.delays == expectedDelays);
    FUZZ_CHECK(outcome.writes.size() <= registerLines);
}

// A small read size taken from the text itself, so the fuzzer varies it.
qint64 trickleChunk(const QByteArray &text)
{
    constexpr int chunkSizes = 7;
    return 1 + qint64(qHash(text) % chunkSizes);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    discardTrace();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::vector<QByteArray> lines = splitLines(text);

    const Outcome outcome = readBuffer(text);
    checkOutcomeAgainstLines(outcome, lines);
    FUZZ_CHECK(readBuffer(text) == outcome);

    TrickleDevice trickle(text, trickleChunk(text));
    FUZZ_CHECK(readDevice(trickle) == outcome);
    if (roomToGrow(lines)) {
        FUZZ_CHECK(readBuffer(withCrLf(lines)) == outcome);
        FUZZ_CHECK(readBuffer(indented(lines)) == outcome);
    }

    if (outcome.result == -1) {
        // Nothing after the offending line counts, and everything before it
        // stays in force.
        const auto errorIndex = std::size_t(outcome.errorLine);
        FUZZ_CHECK(readBuffer(joined(lines, errorIndex)) == outcome);
        Outcome before = readBuffer(joined(lines, errorIndex - 1));
        FUZZ_CHECK(before.result == outcome.errorLine - 1);
        before.result = outcome.result;
        before.errorLine = outcome.errorLine;
        FUZZ_CHECK(before == outcome);
    }
    return 0;
}
