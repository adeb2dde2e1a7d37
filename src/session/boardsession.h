// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_BOARDSESSION_H
#define ZQ40613_BOARDSESSION_H

#include "binding/panelreadouts.h"
#include "binding/probesample.h"
#include "common/registermirror.h"
#include "regfile/registerfile.h"
#include "regfile/registerreference.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>

class DeviceLink;
class QDateTime;
class QIODevice;
struct PanelField;

// Which of the registers 0x00 to 0x0F a call reads.
using RegisterSet = std::array<bool, registerMirrorSize>;

// The board as the programs without a window use it, one call at a time:
// the commands of zq40613-reg and the Board of the Python module. Each call
// reaches the board through the device link with the desktop program's
// transfers and fails at the first transfer that fails, with no retry; its
// reason is then in error(), in the same words for every program ("reading
// register 0x07 failed: the board does not answer").
class BoardSession
{
public:
    explicit BoardSession(DeviceLink &link);

    DeviceLink &link() { return board; }
    // Why the last call that failed failed.
    QString error() const { return lastError; }

    std::optional<int> readRegister(int address);
    // With verify, reads the register back and fails when it differs.
    bool writeRegister(int address, int data, bool verify);
    // The registers of the set in ascending order; the others stay 0.
    std::optional<RegisterMirror> readRegisters(const RegisterSet &which);
    // Registers 0x00 to 0x0F as the register file the desktop program saves.
    std::optional<QByteArray> dump(const QDateTime &created);

    // A pin or probe of the panel as the panel reads it.
    std::optional<ReadoutValue> readPanelValue(const PanelReadout &readout);
    // The four probes and the status register, as one line of a probe watch.
    std::optional<ProbeSample> takeSample(qint64 time);

    // The registers the fields lie in, read once each.
    std::optional<RegisterMirror> readFields(const QList<PanelField> &fields);
    // Sets a field to a value (an item index, or a bit's 0 or 1) as a panel
    // edit does: its register is read, the field's bits changed and the
    // register written; a field of two registers writes the first first.
    bool writeField(const PanelField &field, int value);

    // How a load ended.
    enum class LoadResult {
        Done,        // every line took effect
        Stopped,     // proceed said no: the line in line and the rest did not
        SyntaxError, // at line; the lines before it took effect
        ReadError,   // the file could not be read to its end
        WritesFailed // the file was read, but the board did not answer a write
    };
    // Applies a register file as the desktop program's Load does: each
    // statement in file order, registers marked w written (a failed write
    // does not stop the file), delay statements waited with delay. The name
    // is the one error() gives for the file.
    LoadResult load(QIODevice &file, const QString &fileName, const DelayCallback &delay,
                    const ProceedCallback &proceed, int &line);

    // How the reading of a reference ended.
    enum class FileResult {
        Read,
        SyntaxError,     // at errorLine
        ReadError,       // the file could not be read to its end
        NamesNoRegister, // it would pass as a chip that matches it
    };
    // Reads a register file as a reference to compare with, applying none of
    // it.
    FileResult readReference(QIODevice &file, const QString &fileName, RegisterReference &reference,
                             int &errorLine);

private:
    bool fail(const QString &message);
    bool readable(const QIODevice &file, const QString &fileName);

    DeviceLink &board;
    QString lastError;
};

#endif
