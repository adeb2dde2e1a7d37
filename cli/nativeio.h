// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_CLI_NATIVEIO_H
#define ZQ40613_CLI_NATIVEIO_H

#include <QByteArrayList>

// The arguments and standard streams as the system hands them to
// zq40613-reg (nativeio_posix.cpp, nativeio_windows.cpp).

// Keeps a standard stream that the caller closed ("read 07 >&-") from
// being taken by the next file the program opens, where output meant for it
// would land. Call it first thing in main.
void occupyClosedStandardStreams();

// The arguments after the program name as the system passed them, from argv
// as it was before the application object took its own options out of it.
// On POSIX systems these are the bytes themselves, so that a file name need
// not be valid text; Windows passes text, which the application object has.
QByteArrayList nativeArguments(const QByteArrayList &argvBytes);

#endif
