// SPDX-License-Identifier: GPL-3.0-or-later
#include "registerfile.h"

#include "common/hexdigit.h"
#include "common/product.h"
#include "common/trace.h"

#include <QByteArray>
#include <QDateTime>
#include <QFileDevice>
#include <QIODevice>
#include <QString>
#include <QThread>

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The syntax-error message has always been at most 999 characters long.
constexpr qsizetype maxMessageLength = 999;

// Large enough that a whole ordinary register file arrives in one read, small
// enough to stay in cache while its lines are scanned.
constexpr std::size_t readBlockSize = 64 * 1024;

// The longest line the reader takes, its line end not counted. A longer one
// is a syntax error, so that a file without line feeds (a device, a damaged
// file) cannot make the reader hold more than this.
constexpr std::size_t maxLineLength = 4096;
// The line end a line may carry beyond that: carriage return and line feed.
constexpr std::size_t maxLineEnd = 2;

// The number of bytes of a line before its line end (line feed, carriage
// return and line feed, or a carriage return alone).
std::size_t textLength(const char *begin, const char *end)
{
    std::size_t length = std::size_t(end - begin);
    if (length > 0 && end[-1] == '\n')
        --length;
    if (length > 0 && begin[length - 1] == '\r')
        --length;
    return length;
}

// A line is one text up to its limit: most lines are handed out in place
// inside the read block, and only a line that crosses a block border is
// assembled in a buffer of bounded size. A line ends at a line feed, at a
// carriage return and line feed, or at a carriage return alone, as files
// written on any system do.
class LineReader
{
public:
    enum Result { Line, TooLong, End };

    explicit LineReader(QIODevice &device)
        : m_device(device), m_block(readBlockSize)
    {
        m_joined.reserve(maxLineLength + maxLineEnd);
    }

    // The next line with its line end, if it has one. A read error counts
    // as the end of the device, and the piece of a line read before it is
    // no line. A line found too long is not read further.
    Result next(const char *&begin, const char *&end)
    {
        // Most lines end inside a block that holds no carriage return: one
        // search for the line feed finds them.
        if (m_pos != m_limit && !m_blockHasReturn) {
            if (const auto *feed = static_cast<const char *>(
                        std::memchr(m_pos, '\n', std::size_t(m_limit - m_pos)))) {
                begin = m_pos;
                end = feed + 1;
                m_pos = end;
                return std::size_t(feed - begin) > maxLineLength ? TooLong : Line;
            }
        }
        return nextAnyLine(begin, end);
    }

private:
    // Every other line: one that crosses a block's border, or one in a
    // block with carriage returns, which may end lines on their own. Kept
    // apart, so that the search above stays small enough to be inlined.
    Q_NEVER_INLINE Result nextAnyLine(const char *&begin, const char *&end)
    {
        m_joined.clear();
        for (;;) {
            if (m_pos == m_limit && !refill()) {
                if (m_joined.empty() || m_failed)
                    return End;
                return joinedLine(begin, end);
            }
            // The line feed of a carriage return that ended the last block.
            if (m_feedMayFollow) {
                m_feedMayFollow = false;
                if (*m_pos == '\n') {
                    ++m_pos;
                    continue;
                }
            }
            const char *lineEnd = findLineEnd();
            const bool ended = lineEnd != nullptr;
            if (!ended)
                lineEnd = m_limit;
            if (ended && m_joined.empty()) {
                begin = m_pos;
                end = lineEnd;
                m_pos = lineEnd;
                return textLength(begin, end) > maxLineLength ? TooLong : Line;
            }
            if (m_joined.size() + std::size_t(lineEnd - m_pos) > maxLineLength + maxLineEnd)
                return TooLong;
            m_joined.insert(m_joined.end(), m_pos, lineEnd);
            m_pos = lineEnd;
            if (ended)
                return joinedLine(begin, end);
        }
    }

    // Just past the end of the line that starts at m_pos, or null when the
    // block holds no line end.
    const char *findLineEnd()
    {
        const std::size_t left = std::size_t(m_limit - m_pos);
        const auto *feed = static_cast<const char *>(std::memchr(m_pos, '\n', left));
        const std::size_t beforeFeed = feed ? std::size_t(feed - m_pos) : left;
        const auto *ret = static_cast<const char *>(std::memchr(m_pos, '\r', beforeFeed));
        if (!ret)
            return feed ? feed + 1 : nullptr;
        if (ret + 1 == m_limit) {
            m_feedMayFollow = true;
            return m_limit;
        }
        return ret[1] == '\n' ? ret + 2 : ret + 1;
    }

    Result joinedLine(const char *&begin, const char *&end) const
    {
        begin = m_joined.data();
        end = begin + m_joined.size();
        return textLength(begin, end) > maxLineLength ? TooLong : Line;
    }

    // Once the device has ended or failed it is not read again: a device
    // that failed keeps telling why.
    bool refill()
    {
        if (m_ended)
            return false;
        const qint64 count = m_device.read(m_block.data(), qint64(m_block.size()));
        if (count <= 0) {
            m_ended = true;
            m_failed = count < 0;
            return false;
        }
        m_pos = m_block.data();
        m_limit = m_pos + count;
        m_blockHasReturn = std::memchr(m_pos, '\r', std::size_t(count)) != nullptr;
        return true;
    }

    QIODevice &m_device;
    std::vector<char> m_block;
    std::vector<char> m_joined;
    const char *m_pos = nullptr;
    const char *m_limit = nullptr;
    bool m_feedMayFollow = false;
    bool m_blockHasReturn = false;
    bool m_ended = false;
    bool m_failed = false;
};

// What one line says, as far as the reader is concerned.
struct Statement
{
    enum Kind { Comment, Delay, Register, Invalid };

    Kind kind = Invalid;
    int address = 0;
    int data = 0;
    bool write = false;
    int milliseconds = 0;
};

// A NUL byte ends the text of a line the way it ends a C string; the
// numbers and words in front of it stop at it by themselves.
bool endsText(const char *p, const char *end)
{
    return p == end || *p == '\0';
}

// White space as the C library's formatted scan knows it, line ends included.
bool isScanSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

const char *skipScanSpace(const char *p, const char *end)
{
    while (p != end && isScanSpace(*p))
        ++p;
    return p;
}

bool matchWord(const char *&p, const char *end, const char *word)
{
    const std::size_t length = std::strlen(word);
    if (std::size_t(end - p) < length || std::memcmp(p, word, length) != 0)
        return false;
    p += length;
    return true;
}

// "0x" and then one or two hexadecimal digits, the value always a byte. As in
// a C formatted scan, white space may stand between the two. No sign is
// accepted, so no number can point outside the register array.
bool scanHexByte(const char *&p, const char *end, int &value)
{
    constexpr int maxDigits = 2;
    if (!matchWord(p, end, "0x"))
        return false;
    p = skipScanSpace(p, end);
    int digits = 0;
    value = 0;
    for (; digits < maxDigits && p != end; ++digits, ++p) {
        const int digit = hexDigitValue(*p);
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    return digits > 0;
}

// Unsigned decimal digits that fit an int: a delay is never negative and
// never wraps into a different wait.
bool scanMilliseconds(const char *&p, const char *end, int &value)
{
    const char *const first = p;
    qint64 total = 0;
    for (; p != end && *p >= '0' && *p <= '9'; ++p) {
        total = total * 10 + (*p - '0');
        if (total > INT_MAX)
            return false;
    }
    value = int(total);
    return p != first;
}

// "sleep <n>"; text after the number is ignored.
Statement delayStatement(const char *p, const char *end)
{
    Statement statement;
    p = skipScanSpace(p, end);
    if (scanMilliseconds(p, end, statement.milliseconds))
        statement.kind = Statement::Delay;
    return statement;
}

// "reg 0x<address> 0x<data> [flag]": the flag is the first non-blank after
// the data; only "w" and "W" are flags, anything else there is an error.
Statement registerStatement(const char *p, const char *end)
{
    Statement statement;
    p = skipScanSpace(p, end);
    if (!scanHexByte(p, end, statement.address))
        return statement;
    p = skipScanSpace(p, end);
    if (!scanHexByte(p, end, statement.data))
        return statement;
    p = skipScanSpace(p, end);
    if (!endsText(p, end)) {
        if (*p != 'w' && *p != 'W')
            return statement;
        statement.write = true;
    }
    statement.kind = Statement::Register;
    return statement;
}

// Classifies a line; tracing says whether the trace is on, asked once a
// file rather than at every line.
Statement classify(const char *begin, const char *end, bool tracing)
{
    const char *p = begin;
    while (p != end && (*p == ' ' || *p == '\t'))
        ++p;
    if (endsText(p, end) || *p == '\n' || *p == '\r' || *p == '#')
        return { Statement::Comment };

    // The copy gives the trace its terminating NUL.
    if (tracing)
        qCDebug(lcTrace, "read line : %s", QByteArray(begin, end - begin).constData());
    if (matchWord(p, end, "reg"))
        return registerStatement(p, end);
    if (matchWord(p, end, "sleep"))
        return delayStatement(p, end);
    return {};
}

} // namespace

QString syntaxErrorMessage(const QString &fileName, int line)
{
    QString text = QStringLiteral("Syntax error in file %1, line %2.")
                       .arg(fileName, QString::number(line));
    if (text.size() > maxMessageLength) {
        qsizetype cut = maxMessageLength;
        // Never split a character that needs two UTF-16 units.
        if (text.at(cut - 1).isHighSurrogate())
            --cut;
        text.truncate(cut);
    }
    return text;
}

QString readFailure(const QIODevice &file)
{
    const auto *device = qobject_cast<const QFileDevice *>(&file);
    return device && device->error() != QFileDevice::NoError ? device->errorString() : QString();
}

void blockingDelay(int milliseconds)
{
    QThread::msleep(ulong(milliseconds));
}

QByteArray registerFileHeader(const QByteArray &origin)
{
    QByteArray text;
    text += "# " + QByteArray(productTitle) + " register file\n";
    text += "# " + QByteArray(versionString) + "\n";
    text += "# " + origin + '\n';
    text += "# This file can be modified manually.\n"
            "# syntax : reg 0x<index> 0x<data> [w]\n"
            "# index = register addr (0x00-0xFF)\n"
            "# data = register data (0x00-0xFF)\n"
            "# w is optional and tells program to write value to the chip. Otherwise only GUI is updated.\n"
            "# Places of lines can be changed to ensure correct order of register writes.\n\n"
            "#          sleep <nn>       delay in ms\n";
    return text;
}

QByteArray registerWriteLine(int address, int data)
{
    // Room for the widest int in hexadecimal, so no address can cut a line.
    constexpr std::size_t statementSize = 40;
    char statement[statementSize];
    std::snprintf(statement, sizeof statement, "reg 0x%02X 0x%02X w\n", unsigned(address),
                  unsigned(data));
    return statement;
}

QByteArray delayLine(int milliseconds)
{
    return "sleep " + QByteArray::number(milliseconds) + '\n';
}

bool write_reg_file(QIODevice &file, const quint8 *registers, int count,
                    const QDateTime &created)
{
    qCDebug(lcTrace, "write_reg_file()");

    QByteArray text = registerFileHeader(
            "Created " + created.toString(QStringLiteral("dd.MM.yyyy")).toLatin1() + ' '
            + created.toString(QStringLiteral("hh:mm")).toLatin1());
    for (int address = 0; address < count; ++address)
        text += registerWriteLine(address, registers[address]);

    return file.write(text) == text.size();
}

int parse_reg_file(QIODevice &file, int &errorLine, quint8 *registers, int bound,
                   const RegisterWriteCallback &registerWrite, const DelayCallback &delay,
                   const StoreCallback &stored, const ProceedCallback &proceed)
{
    qCDebug(lcTrace, "parse_reg_file()");

    LineReader reader(file);
    const char *begin = nullptr;
    const char *end = nullptr;
    int lines = 0;
    const bool tracing = lcTrace().isDebugEnabled();
    const auto stopsAt = [&](int line) { return proceed && !proceed(line); };
    LineReader::Result line;
    while ((line = reader.next(begin, end)) != LineReader::End) {
        ++lines;
        if (stopsAt(lines)) {
            errorLine = lines;
            return parseStopped;
        }
        if (line == LineReader::TooLong) {
            errorLine = lines;
            return parseSyntaxError;
        }
        const Statement statement = classify(begin, end, tracing);
        switch (statement.kind) {
        case Statement::Comment:
            break;
        case Statement::Delay:
            delay(statement.milliseconds);
            if (stopsAt(lines)) {
                errorLine = lines;
                return parseStopped;
            }
            break;
        case Statement::Register:
            if (statement.address >= bound) {
                errorLine = lines;
                return parseSyntaxError;
            }
            registers[statement.address] = quint8(statement.data);
            if (stored)
                stored(statement.address);
            if (statement.write && registerWrite)
                registerWrite(statement.address, registers[statement.address]);
            break;
        case Statement::Invalid:
            errorLine = lines;
            return parseSyntaxError;
        }
    }
    return lines;
}

int registerFileLineCount(QIODevice &file)
{
    LineReader reader(file);
    const char *begin = nullptr;
    const char *end = nullptr;
    int lines = 0;
    LineReader::Result line;
    while ((line = reader.next(begin, end)) != LineReader::End) {
        ++lines;
        if (line == LineReader::TooLong)
            break;
    }
    return lines;
}
