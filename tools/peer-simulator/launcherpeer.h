// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "peerrecords.h"

#include <QDBusContext>
#include <QObject>

// Plays the desktop's launcher daemon: lists the installed applications.
class LauncherPeer : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    LauncherPeer(const LauncherItemInfoList &items, bool failing, QObject *parent = nullptr);

    void setItems(const LauncherItemInfoList &items);
    void setFailing(bool failing);
    void setDelay(int milliseconds);

    // Bus method; answers with an error while failing.
    LauncherItemInfoList GetAllItemInfos();

private:
    LauncherItemInfoList m_items;
    bool m_failing;
    int m_delayMs = 0;
};
