// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "launcherservice.h"

#include "launcheradaptor.h"

LauncherService::LauncherService(const DesktopEntries *entries, QObject *parent)
    : QObject(parent), m_entries(entries)
{
    new LauncherAdaptor(this);
}

LauncherItemInfoList LauncherService::GetAllItemInfos()
{
    return m_entries->launcherItems();
}
