// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display/displaylists.h"

#include "collect/desktopalias.h"

namespace {
const QString kZeroText = QStringLiteral("0.00");

QString figureText(double value)
{
    return QString::number(value, 'f', 2);
}
} // namespace

void DisplayLists::rebuildSpeedRows(const QList<allApp> &allApps, const QStringList &desktops)
{
    m_speedRows.clear();
    QStringList names;
    QVector<QVector<int>> entriesByApp(allApps.size());
    for (int entry = 0; entry < desktops.size(); ++entry) {
        const QString &path = desktops.at(entry);
        // The last piece after "/": empty for a path ending in "/".
        names.append(desktopAlias(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1)));
        const QVector<int> apps = m_allAppMatcher.applicationsContaining(allApps, names.last());
        for (int app : apps)
            entriesByApp[app].append(entry);
    }
    for (int app = 0; app < allApps.size(); ++app) {
        WardenDisplay row;
        row.appName = allApps.at(app).appName;
        row.icon = allApps.at(app).icon;
        row.desktopPath = allApps.at(app).desktopPath;
        row.recvText = row.sendText = row.totalText = kZeroText;
        for (int entry : qAsConst(entriesByApp.at(app))) {
            row.desktopName = names.at(entry);
            m_speedRows.append(row);
        }
    }
}

QList<AppParameter> DisplayLists::namedSaveList(const QList<allApp> &apps,
                                                QList<AppParameter> totals)
{
    for (AppParameter &entry : totals) {
        if (entry.desktop.isEmpty())
            continue;
        const QVector<int> matches = m_appMatcher.applicationsContaining(apps, entry.desktop);
        if (!matches.isEmpty())
            entry.sName = apps.at(matches.last()).appName;
    }
    return totals;
}

void DisplayLists::fillSpeedRows(const QList<AppParameter> &speedSamples)
{
    QStringList rowNames;
    rowNames.reserve(m_speedRows.size());
    for (const WardenDisplay &row : qAsConst(m_speedRows))
        rowNames.append(row.desktopName);
    m_speedChains.update(speedSamples, rowNames);
    for (WardenDisplay &row : m_speedRows) {
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

WardenDisplayList DisplayLists::flowRows(const QList<allApp> &apps,
                                         const QList<AppParameter> &history)
{
    WardenDisplayList rows;
    for (const AppParameter &record : history) {
        if (record.desktop.isEmpty())
            continue;
        const QVector<int> matches = m_appMatcher.applicationsContaining(apps, record.desktop);
        for (int app : matches)
            rows.append(
                flowDisplayRow(apps.at(app), record.desktop, record.recv, record.send, record.pid));
    }
    return rows;
}
