// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display/launcherfetcher.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDebug>
#include <QTimer>

namespace {
const int kFirstRetryMs = 1000;
const int kLongestRetryMs = 60000;
} // namespace

LauncherFetcher::LauncherFetcher(QObject *parent) : QObject(parent)
{
    m_launcher = new __Launcherd(QStringLiteral("com.nimbra.ndesk.daemon.Launcher"),
                                 QStringLiteral("/com/nimbra/ndesk/daemon/Launcher"),
                                 QDBusConnection::sessionBus(), this);
}

void LauncherFetcher::fetch()
{
    const int request = ++m_request;
    auto *watcher = new QDBusPendingCallWatcher(m_launcher->GetAllItemInfos(), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, request] {
        watcher->deleteLater();
        // A newer fetch was started meanwhile; its answer counts.
        if (request != m_request)
            return;
        QDBusPendingReply<LauncherItemInfoList> reply = *watcher;
        if (reply.isError()) {
            retry(reply.error());
            return;
        }
        m_retryMs = 0;
        emit fetched(reply.value());
    });
}

// The service goes on with the applications it knew; the launcher is asked again later.
void LauncherFetcher::retry(const QDBusError &error)
{
    qWarning() << "data is empty, quit!!";
    qWarning() << error;
    m_retryMs = m_retryMs == 0 ? kFirstRetryMs : qMin(2 * m_retryMs, kLongestRetryMs);
    const int request = m_request;
    QTimer::singleShot(m_retryMs, this, [this, request] {
        if (request == m_request)
            fetch();
    });
}
