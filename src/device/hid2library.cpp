// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/hid2library.h"

#include "common/trace.h"

#include <QDir>
#include <QFile>

namespace {

// What each call answers when there is no library: the same values a library
// gives for a board that is not there.
constexpr int noBoard = -1;
constexpr int writeFailed = 0;
constexpr int readFailed = -1;

template <typename Fn>
bool resolveInto(const LibraryFile &library, const char *symbol, Fn &fn, QString &missing)
{
    fn = reinterpret_cast<Fn>(library.resolve(symbol));
    if (!fn)
        missing += QLatin1Char(' ') + QLatin1String(symbol);
    return fn != nullptr;
}

} // namespace

Hid2Library::Hid2Library(const QString &programDir)
{
    const QString besideProgram = QDir(programDir).filePath(LibraryFile::hid2FileName());
    if (!programDir.isEmpty() && QFile::exists(besideProgram) && load(besideProgram))
        return;
    if (load(LibraryFile::hid2FileName()))
        return;
    qCDebug(lcTrace, "controller library not available: %s", qPrintable(whyNotLoaded));
}

QString Hid2Library::noBoardReason() const
{
    if (loaded)
        return QStringLiteral("no board answers (controller library %1)")
                .arg(QDir::toNativeSeparators(library.fileName()));
    return QStringLiteral("no board: the controller library hid2 cannot be loaded (%1)").arg(whyNotLoaded);
}

bool Hid2Library::load(const QString &name)
{
    if (!library.load(name)) {
        note(library.errorString());
        return false;
    }
    if (!resolveAll()) {
        library.unload();
        return false;
    }
    loaded = true;
    whyNotLoaded.clear();
    qCDebug(lcTrace, "controller library: %s", qPrintable(library.fileName()));
    return true;
}

void Hid2Library::note(const QString &reason)
{
    if (!whyNotLoaded.isEmpty())
        whyNotLoaded += QLatin1String("; ");
    whyNotLoaded += reason;
}

bool Hid2Library::resolveAll()
{
    QString missing;
    bool ok = resolveInto(library, "usb_hid_init", usbHidInit, missing);
    ok &= resolveInto(library, "init_controller", initController, missing);
    ok &= resolveInto(library, "set_pin_dir", setPinDir, missing);
    ok &= resolveInto(library, "set_pin", setPin, missing);
    ok &= resolveInto(library, "read_pin", readPin, missing);
    ok &= resolveInto(library, "spi_read", spiRead, missing);
    ok &= resolveInto(library, "spi_write", spiWrite, missing);
    ok &= resolveInto(library, "measure", measureFn, missing);
    // The pointers already resolved stay unused: every call checks "loaded".
    if (!ok)
        note(library.fileName() + QLatin1String(" lacks") + missing);
    return ok;
}

int Hid2Library::usb_hid_init()
{
    return loaded ? usbHidInit() : noBoard;
}

int Hid2Library::init_controller(int handle)
{
    return loaded ? initController(handle) : writeFailed;
}

int Hid2Library::set_pin_dir(int handle, int group, int pin, int direction, int reserved)
{
    return loaded ? setPinDir(handle, group, pin, direction, reserved) : writeFailed;
}

int Hid2Library::set_pin(int handle, int group, int pin, int level, int reserved)
{
    return loaded ? setPin(handle, group, pin, level, reserved) : writeFailed;
}

int Hid2Library::read_pin(int handle, int group, int pin, int reserved)
{
    return loaded ? readPin(handle, group, pin, reserved) : readFailed;
}

int Hid2Library::spi_read(int handle, int address, int reserved)
{
    return loaded ? spiRead(handle, address, reserved) : readFailed;
}

int Hid2Library::spi_write(int handle, int address, int data, int reserved)
{
    return loaded ? spiWrite(handle, address, data, reserved) : writeFailed;
}

int Hid2Library::measure(int handle, int channel, int device, int reserved)
{
    return loaded ? measureFn(handle, channel, device, reserved) : readFailed;
}
