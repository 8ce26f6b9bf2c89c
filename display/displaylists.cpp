// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display/wardenhandlethread.h"

#include "collect/desktopalias.h"
#include "collect/trafficdetailsworker.h"
#include "records/cmutex.h"

#include <QMutexLocker>

namespace {
const QString kZeroText = QStringLiteral("0.00");

QString figureText(double value)
{
    return QString::number(value, 'f', 2);
}
} // namespace

// Desktop names are matched as case-sensitive substrings of desktop paths,
// through indexes: a scan of every pair costs too much at a thousand applications.
void WardenHandleThread::UpdateAllProcPid()
{
    m_speedDisplayList.clear();
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        // The latest speeds: the cycle's reset ends what is fresh in them, so the sums take it
        // now or never.
        m_speedSampleList = m_worker->speedFigures();
        const QStringList &desktops = m_worker->desktops();
        QStringList names;
        QVector<QVector<int>> entriesByApp(m_allAppList.size());
        for (int entry = 0; entry < desktops.size(); ++entry) {
            const QString &path = desktops.at(entry);
            // The last piece after "/": empty for a path ending in "/".
            names.append(desktopAlias(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1)));
            const QVector<int> apps =
                m_allAppMatcher.applicationsContaining(m_allAppList, names.last());
            for (int app : apps)
                entriesByApp[app].append(entry);
        }
        for (int app = 0; app < m_allAppList.size(); ++app) {
            m_speedRow = WardenDisplay();
            m_speedRow.appName = m_allAppList.at(app).appName;
            m_speedRow.icon = m_allAppList.at(app).icon;
            m_speedRow.desktopPath = m_allAppList.at(app).desktopPath;
            m_speedRow.recvText = m_speedRow.sendText = m_speedRow.totalText = kZeroText;
            for (int entry : qAsConst(entriesByApp.at(app))) {
                m_speedRow.desktopName = names.at(entry);
                m_speedDisplayList.append(m_speedRow);
            }
        }
    }
    buildDisplayLists(m_speedSampleList, m_historyFlowList);
}

void WardenHandleThread::buildDisplayLists(QList<AppParameter> speedSamples,
                                           QList<AppParameter> historyRecords)
{
    nameSaveFlowList();

    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        QStringList rowNames;
        rowNames.reserve(m_speedDisplayList.size());
        for (const WardenDisplay &row : qAsConst(m_speedDisplayList))
            rowNames.append(row.desktopName);
        m_speedChains.update(speedSamples, rowNames);
        for (WardenDisplay &row : m_speedDisplayList) {
            for (int taken : m_speedChains.samplesTakenBy(row.desktopName)) {
                const AppParameter &sample = speedSamples.at(taken);
                row.recvText = figureText(sample.recv);
                row.sendText = figureText(sample.send);
                row.totalText = figureText(sample.total);
                row.pid = sample.pid;
                row.desktopName = sample.desktop;
                row.sendSum += sample.freshSend;
                row.recvSum += sample.freshRecv;
            }
        }
    }

    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        for (const AppParameter &record : qAsConst(historyRecords)) {
            if (record.desktop.isEmpty())
                continue;
            const QVector<int> apps =
                m_appMatcher.applicationsContaining(m_appList, record.desktop);
            for (int app : apps) {
                m_flowRow = flowDisplayRow(m_appList.at(app), record.desktop, record.recv,
                                           record.send, record.pid);
                m_flowDisplayList.append(m_flowRow);
            }
        }
    }

    m_worker->resetSpeedFigures();
    emit SendFlowData(m_flowDisplayList);
    emit SendSpeedData(m_speedDisplayList);
    m_flowDisplayList.clear();
}

void WardenHandleThread::nameSaveFlowList()
{
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        m_saveList = m_totalSampleList;
        // The last matching application in launcher order names the entry.
        for (AppParameter &entry : m_saveList) {
            if (entry.desktop.isEmpty())
                continue;
            const QVector<int> apps = m_appMatcher.applicationsContaining(m_appList, entry.desktop);
            if (!apps.isEmpty())
                entry.sName = m_appList.at(apps.last()).appName;
        }
    }
    emit setSaveFlowList(m_saveList);
}
