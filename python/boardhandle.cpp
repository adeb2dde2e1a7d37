// SPDX-License-Identifier: GPL-3.0-or-later
#include "boardhandle.h"

#include "errors.h"

#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace {

// The folder the module was loaded from: the build tree's bin/, where the
// simulated board lies beside it as beside zq40613-reg.
QString moduleFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&moduleFolder), &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
}

} // namespace

BoardHandle::BoardHandle() : library(moduleFolder()), link(library), session(link)
{
    pybind11::gil_scoped_release release;
    if (!link.openBoard())
        throw NoBoardFailure(library.noBoardReason());
}

void BoardHandle::failed() const
{
    throw BoardFailure(session.error());
}

void BoardHandle::checkOpen() const
{
    if (closed)
        throw pybind11::value_error("operation on a closed board");
}
