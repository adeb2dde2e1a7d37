#ifndef ZQ40613_SIMULATEDBOARD_H
#define ZQ40613_SIMULATEDBOARD_H

#include "device/hid2library.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibrary>

// The simulated board is shared by every process of the user unless
// ZQ40613_SIM_STATE names a state file of its own. ctest sets it for every test
// (zq_add_core_test); run by hand, a test that loads the simulator takes the
// same file, beside its binary, so that it never resets the board of a
// program the developer has open. Call it before the first board call.
inline void usePrivateSimBoard()
{
    constexpr char variable[] = "ZQ40613_SIM_STATE";
    if (qEnvironmentVariableIsEmpty(variable))
        qputenv(variable, QFile::encodeName(QCoreApplication::applicationFilePath()
                                            + QLatin1String(".simstate")));
}

// The simulated board loaded from a folder the way the program loads a
// controller library, with the simulator's own controls resolved from the
// same file: the loader hands back the instance already loaded, so they
// reach the board the program talks to.
class SimulatedBoard
{
public:
    explicit SimulatedBoard(const QString &folder)
        : library(folder)
    {
        // The simulator opens its state file at its first call, not at load.
        usePrivateSimBoard();
        if (!library.isLoaded())
            return;
        controls.setFileName(library.fileName());
        if (!controls.load())
            return;
        setPlugged = reinterpret_cast<void (*)(int)>(controls.resolve("hid2sim_set_plugged"));
        reset = reinterpret_cast<void (*)()>(controls.resolve("hid2sim_reset"));
        setBatteryMv = reinterpret_cast<void (*)(int)>(controls.resolve("hid2sim_set_battery_mv"));
    }

    bool isReady() const { return setPlugged && reset && setBatteryMv; }
    QString failure() const
    {
        return library.isLoaded() ? controls.errorString() : library.failure();
    }

    Hid2Library library;
    void (*setPlugged)(int) = nullptr;
    void (*reset)() = nullptr;
    void (*setBatteryMv)(int) = nullptr;

private:
    QLibrary controls;
};

#endif
