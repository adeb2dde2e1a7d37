// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_REGISTERFILE_H
#define ZQ40613_REGISTERFILE_H

#include <QtGlobal>

#include <functional>

class QByteArray;
class QDateTime;
class QIODevice;
class QString;

// Writes one register to the chip. The reader calls it for every statement
// that carries the write mark, with the byte now in the register array; the
// caller decides what a failed write means, the reading goes on regardless.
// An empty callback writes nothing, for readers that only check a file.
using RegisterWriteCallback = std::function<void(int address, int data)>;

// Waits the milliseconds of a delay statement. A parameter so that tests can
// record the delays instead of sitting through them.
using DelayCallback = std::function<void(int milliseconds)>;

// Told the address of every register statement once its byte is stored,
// with or without the write mark: which registers a file names.
using StoreCallback = std::function<void(int address)>;

// Asked with a line's number once the line is read, before it takes effect,
// and again after the wait of a delay statement: false stops the reading
// there, so that a long load can be called off between statements.
using ProceedCallback = std::function<bool(int line)>;

// What parse_reg_file returns besides the number of lines read.
constexpr int parseSyntaxError = -1;
constexpr int parseStopped = -2;

// The delay of a real load: delay statements exist to give the chip time
// between register writes, so the wait blocks the calling thread.
void blockingDelay(int milliseconds);

// The comment lines that open every register file the program writes: the
// product and version, the origin line ("Created 06.12.2026 14:05", without
// its "# "), and the block that explains the statements.
QByteArray registerFileHeader(const QByteArray &origin);

// One register statement with the write mark, "reg 0x07 0x0E w\n".
QByteArray registerWriteLine(int address, int data);

// One delay statement, "sleep 20\n".
QByteArray delayLine(int milliseconds);

// Writes the 27-line register file (header, comment block, one register
// statement with the write mark for each of registers[0] to registers[count-1])
// to a device open for writing. The creation time is a parameter so that the
// header can be checked. Returns false when any write failed, so the caller
// never keeps a half-written file as if it were complete.
bool write_reg_file(QIODevice &file, const quint8 *registers, int count,
                    const QDateTime &created);

// Reads a register file from a device open for reading, line by line, and
// lets each statement take effect in file order: register statements store
// their byte into registers[address] (address below bound), call stored and
// call registerWrite when they carry the write mark; delay statements call
// delay. Returns the number of lines read, or parseSyntaxError at the first
// syntax error with its 1-based line number in errorLine (left untouched
// otherwise); what earlier lines did stays in force. When proceed says no,
// the reading returns parseStopped with that line's number in errorLine:
// every line before it has taken effect, that line has not (a delay cut
// short has no effect anyway). A line longer than 4,096 bytes before its
// line end is a syntax error, so memory stays bounded whatever the device
// holds. A line ends at a line feed, a carriage return and line feed, or a
// carriage return alone. The device is read in blocks, so after an error its
// position lies somewhere behind the offending line.
int parse_reg_file(QIODevice &file, int &errorLine, quint8 *registers, int bound,
                   const RegisterWriteCallback &registerWrite,
                   const DelayCallback &delay = blockingDelay,
                   const StoreCallback &stored = {}, const ProceedCallback &proceed = {});

// The number of lines parse_reg_file would read from the device, counted up
// to the end or to a line too long to read (which counts). Leaves the device
// at its end or behind that line.
int registerFileLineCount(QIODevice &file);

// Why the reading of a file ended early: the system's reason when a read
// failed ("Input/output error"), or an empty text. parse_reg_file takes a read
// error for the end of the file and reads no further, so the reason is still
// there when it returns.
QString readFailure(const QIODevice &file);

// The one report of a syntax error, "Syntax error in file NAME, line N.", cut
// to at most 999 characters so that an absurdly long path cannot blow up the
// message.
QString syntaxErrorMessage(const QString &fileName, int line);

#endif
