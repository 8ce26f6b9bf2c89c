// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/trafficdetailsworker.h"

#include "collect/boundedname.h"
#include "records/cmutex.h"

#include <QDebug>
#include <QMutexLocker>

namespace {
// Enough for any path a desktop entry can have.
constexpr int kMaxPathLength = 4096;
} // namespace

void TrafficDetailsWorker::Getallproclist(WardenProcessInfoList proclist)
{
    m_procInfoList = proclist;
    m_procInfoIndex.clear();
    qDebug() << "processInfoList size =" << m_procInfoList.size();
    for (int i = 0; i < m_procInfoList.size(); ++i) {
        WardenProcessInfo &info = m_procInfoList[i];
        info.procName = boundedName(info.procName, "process name");
        if (info.desktopPath.size() > kMaxPathLength) {
            qDebug() << "desktop path cut from" << info.desktopPath.size() << "characters";
            info.desktopPath.truncate(kMaxPathLength);
        }
        const int slash = info.desktopPath.lastIndexOf(QLatin1Char('/'));
        const QString desktop = info.desktopPath.mid(slash + 1);
        const QString bounded = boundedName(desktop, "desktop name");
        if (bounded.size() < desktop.size())
            info.desktopPath = info.desktopPath.left(slash + 1) + bounded;
        if (!m_procInfoIndex.contains(info.pid))
            m_procInfoIndex.insert(info.pid, i);
        qDebug() << info.pid << info.procName << info.desktopPath;
    }
}

void TrafficDetailsWorker::Getallprocpid(WardenProcessList pid)
{
    m_procPidList = pid;
    m_runningPids = QSet<int>(pid.cbegin(), pid.cend());
    QMutexLocker locker(&CMutex::instance()->mutex);
    endProcesses();
}

void TrafficDetailsWorker::Getdesktoplist(QStringList desktoplist)
{
    m_desktoplist = desktoplist;
    for (const QString &desktop : qAsConst(m_desktoplist))
        qDebug() << "desktop = " << desktop;
    emit DesktopUpdate();
}

void TrafficDetailsWorker::GetGuidesktop(QStringList guidesktop)
{
    m_guidesktop = guidesktop;
    for (const QString &desktop : qAsConst(m_guidesktop))
        qDebug() << "m_guidesktop = " << desktop;
}

QPair<QString, QString> TrafficDetailsWorker::lookupProcess(int pid)
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    const int at = m_procInfoIndex.value(pid, -1);
    if (at < 0)
        return {};
    const WardenProcessInfo &info = m_procInfoList.at(at);
    return {info.desktopPath, info.procName};
}
