#ifndef ZQ40613_PRIVATESIMBOARD_H
#define ZQ40613_PRIVATESIMBOARD_H

#include <QCoreApplication>
#include <QFile>

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

#endif
