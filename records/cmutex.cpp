// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "records/cmutex.h"

namespace {
QMutex s_creationLock(QMutex::Recursive);
CMutex *s_instance = nullptr;
} // namespace

CMutex *CMutex::instance()
{
    QMutexLocker locker(&s_creationLock);
    if (!s_instance)
        s_instance = new CMutex; // never deleted: lives as long as the process
    return s_instance;
}
