// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_REGISTERFILECOMMANDS_H
#define ZQ40613_REGISTERFILECOMMANDS_H

#include "common/registermirror.h"
#include "regfile/registerfile.h"
#include "regfile/registerreference.h"

#include <functional>
#include <optional>

#include <QObject>

class QString;
class QWidget;
class RegisterRecorder;

// The File menu's "Save Registers" and "Load Registers": ask for a file name,
// write or read the register mirror, and tell the user about file and syntax
// errors. The main window keeps the mirror and the chip access; this class
// keeps no state of its own between commands.
class RegisterFileCommands : public QObject
{
    Q_OBJECT

public:
    // Writes one register of a load to the chip: true when the board answered.
    using AnsweredWrite = std::function<bool(int address, int data)>;

    // A load refuses the file that recorder is recording into, which would
    // otherwise grow with every write it makes and never end.
    RegisterFileCommands(QWidget *dialogParent, RegisterMirror &registers,
                         AnsweredWrite registerWrite,
                         const RegisterRecorder *recorder = nullptr);

    // Saves the mirror. The previous file is replaced only by a complete new
    // one, unless its folder takes no new file: then it is written in place.
    // Only a regular file is replaced. Any failure shows "File Error!" with
    // the file's name and the reason.
    void save();

    // Loads a regular file into the mirror, writing marked registers to the
    // chip in file order; anything else (a FIFO, a device, a folder) shows
    // "File Error!", as does a read error, after the lines read before it
    // took effect. Neither refreshes the panel: that waits for the next
    // display refresh. The window stays painted through a long load, which
    // the user may cancel (LoadProgress); the load then stops as at a
    // syntax error, at the line it had come to, and says so. Writes the
    // board did not answer never reached the chip: a last box tells how
    // many and the line of the first.
    void load();

signals:
    // The file's statements begin to run, and have ended: in between,
    // nothing else may reach the board.
    void loadStarted();
    void loadFinished();

private:
    QWidget *m_dialogParent;
    RegisterMirror &m_registers;
    AnsweredWrite m_registerWrite;
    const RegisterRecorder *m_recorder;
};

// Asks for a register file and reads it as a reference to compare the
// registers with, applying none of it: no register is written, no delay
// waited, the mirror is not touched. A file that cannot be opened or read
// shows "File Error!", a syntax error the box that Load shows; neither gives
// a reference. The dialog opens in the folder last used for the program's
// files. fileName gets the name chosen.
std::optional<RegisterReference> askReferenceFile(QWidget *dialogParent, QString &fileName);

#endif
