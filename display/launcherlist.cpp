// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display/wardenhandlethread.h"

#include <QDBusPendingCallWatcher>
#include <QDebug>
#include <QTimer>

namespace {
// Browser traffic that no desktop entry claims shows under this name.
allApp webPseudoApplication()
{
    const QString https = QStringLiteral("https");
    return {https, https, https, QStringLiteral(":/imageresource/nctl_application_executable.svg")};
}

const int kFirstRetryMs = 1000;
const int kLongestRetryMs = 60000;
} // namespace

// Asynchronous: a slow launcher must not hold up the display cycle or the bus.
void WardenHandleThread::fetchLauncherItems()
{
    const int request = ++m_launcherRequest;
    auto *watcher = new QDBusPendingCallWatcher(m_launcher->GetAllItemInfos(), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, request] {
        watcher->deleteLater();
        // A newer fetch was started meanwhile; its answer counts.
        if (request != m_launcherRequest)
            return;
        QDBusPendingReply<LauncherItemInfoList> reply = *watcher;
        if (reply.isError())
            retryLauncherItems(reply.error());
        else
            takeLauncherItems(reply.value());
    });
}

// The service goes on with the applications it knew; the launcher is asked again later.
void WardenHandleThread::retryLauncherItems(const QDBusError &error)
{
    qWarning() << "data is empty, quit!!";
    qWarning() << error;
    m_launcherRetryMs =
        m_launcherRetryMs == 0 ? kFirstRetryMs : qMin(2 * m_launcherRetryMs, kLongestRetryMs);
    const int request = m_launcherRequest;
    QTimer::singleShot(m_launcherRetryMs, this, [this, request] {
        if (request == m_launcherRequest)
            fetchLauncherItems();
    });
}

void WardenHandleThread::takeLauncherItems(const LauncherItemInfoList &items)
{
    const bool firstAnswer = !m_launcherAnswered;
    m_launcherAnswered = true;
    m_launcherRetryMs = 0;
    m_allAppList.clear();
    m_appList.clear();
    for (const LauncherItemInfo &item : items) {
        const allApp app{item.desktopPath, item.appName, item.extraText, item.icon};
        m_allAppList.append(app);
        m_appList.append(app);
        if (firstAnswer)
            qDebug() << item.extraText << item.icon;
    }
    m_allAppList.append(webPseudoApplication());
    // The speed rows so far were built before the launcher answered.
    if (firstAnswer)
        UpdateAllProcPid();
}

void WardenHandleThread::appendWebPseudoApplication()
{
    m_allAppList.append(webPseudoApplication());
}
