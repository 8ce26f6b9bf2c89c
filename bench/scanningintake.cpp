// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scanningintake.h"

#include "collect/desktopalias.h"
#include "records/cmutex.h"

#include <QMutexLocker>

namespace {
const QString kSpeedType = QStringLiteral("kb/s");
const QString kTotalType = QStringLiteral("total_kb");
} // namespace

void ScanningIntake::take(const QString &name, double recv, double send, int pid,
                          const QString &device, const QString &type)
{
    m_appParameter = {name, recv, send, pid, device, type, QString(), 0, QString()};
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        if (m_procPidList.isEmpty() || !m_procPidList.contains(pid))
            return;
    }
    if (pid == 0)
        return;
    QString path;
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        for (const WardenProcessInfo &info : qAsConst(m_procInfoList)) {
            if (info.pid == pid) {
                path = info.desktopPath;
                m_appParameter.sName = info.procName;
                break;
            }
        }
    }
    m_appParameter.desktop = desktopAlias(path.split(QLatin1Char('/')).last());
    if (m_appParameter.desktop.isEmpty())
        return;

    QMutexLocker locker(&CMutex::instance()->mutex);
    for (auto it = m_flowMap.begin(); it != m_flowMap.end(); ++it) {
        if (it.key() == type)
            scan(it.value());
    }
    if (m_matchState == 2) {
        m_matchState = 0;
        if (type == kSpeedType) {
            m_speedEntries.append(m_appParameter);
            m_flowMap[kSpeedType] = m_speedEntries;
        } else if (type == kTotalType) {
            m_totalEntries.append(m_appParameter);
            m_flowMap[kTotalType] = m_totalEntries;
        }
    }
    m_speedList = m_flowMap[kSpeedType];
    m_totalList = m_flowMap[kTotalType];
}

void ScanningIntake::scan(QList<AppParameter> &entries)
{
    const AppParameter &s = m_appParameter;
    if (entries.isEmpty()) {
        m_matchState = 2;
        return;
    }
    for (AppParameter &e : entries) {
        if (e.pid == s.pid || e.desktop == s.desktop) {
            if (e.pid == s.pid) {
                e.desktop = s.desktop;
                e.recv = s.recv;
                e.send = s.send;
            } else {
                e.pid = s.pid;
                e.recv += s.recv;
                e.send += s.send;
            }
            m_matchState = 0;
            return;
        }
        if (e.sName == s.sName) {
            e.pid = s.pid;
            e.desktop = s.desktop;
            e.recv = s.recv;
            e.send = s.send;
            m_matchState = 0;
            continue;
        }
        m_matchState = 2;
    }
}
