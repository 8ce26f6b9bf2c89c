// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "desktopentries.h"
#include "peerrecords.h"

#include <QObject>

// com.nimbra.ndesk.daemon.Launcher: the installed applications a launcher shows.
class LauncherService : public QObject
{
    Q_OBJECT
public:
    explicit LauncherService(const DesktopEntries *entries, QObject *parent = nullptr);

public slots:
    LauncherItemInfoList GetAllItemInfos();

private:
    const DesktopEntries *m_entries;
};
