// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "launcherdinterface.h"

#include <QObject>

class QDBusError;

// Asks the launcher for its installed applications without blocking: a slow launcher must not
// hold up the display cycle or the bus. Only the answer to the latest request counts; a failed
// one is asked again later, with growing waits.
class LauncherFetcher : public QObject
{
    Q_OBJECT
public:
    explicit LauncherFetcher(QObject *parent);

    void fetch();

signals:
    void fetched(const LauncherItemInfoList &items);

private:
    void retry(const QDBusError &error);

    __Launcherd *m_launcher = nullptr;
    int m_request = 0;
    int m_retryMs = 0;
};
