// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/registertransfer.h"

bool showsInTransferField(const RegisterTransfer &transfer)
{
    return transfer.activity == Activity::PanelEdit || transfer.activity == Activity::DirectAccess;
}

bool goesToRegisterLog(const RegisterTransfer &transfer)
{
    switch (transfer.activity) {
    case Activity::PanelEdit:
    case Activity::DirectAccess:
    case Activity::WriteBackUnchecked:
        return true;
    case Activity::ReadBack:
    case Activity::WriteBack:
        return transfer.ok;
    case Activity::Poll:
    case Activity::Load:
    case Activity::Sweep:
        return false;
    }
    return false;
}
