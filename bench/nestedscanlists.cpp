// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "nestedscanlists.h"

#include "collect/desktopalias.h"

namespace {
bool containsName(const QString &text, const QString &name)
{
    return text.indexOf(name, 0, Qt::CaseSensitive) != -1;
}

WardenDisplay rowOf(const allApp &app)
{
    WardenDisplay row;
    row.appName = app.appName;
    row.icon = app.icon;
    row.desktopPath = app.desktopPath;
    return row;
}

void setTexts(WardenDisplay &row, double recv, double send, double total)
{
    row.recvText = QString::number(recv, 'f', 2);
    row.sendText = QString::number(send, 'f', 2);
    row.totalText = QString::number(total, 'f', 2);
}
} // namespace

void NestedScanLists::rebuildSpeedRows(const QStringList &desktopList)
{
    speedRows.clear();
    for (const allApp &app : qAsConst(allApps)) {
        WardenDisplay row = rowOf(app);
        for (const QString &entry : desktopList) {
            const QString name = desktopAlias(entry.split(QLatin1Char('/')).last());
            if (!containsName(app.desktopPath, name))
                continue;
            row.desktopName = name;
            setTexts(row, 0, 0, 0);
            speedRows.append(row);
        }
    }
}

NestedScanLists::Cycle NestedScanLists::runCycle(const QList<AppParameter> &speedSamples,
                                                 const QList<AppParameter> &totals,
                                                 const QList<AppParameter> &history)
{
    Cycle cycle;
    cycle.saveList = totals;
    for (const allApp &app : qAsConst(apps)) {
        for (AppParameter &entry : cycle.saveList) {
            if (!entry.desktop.isEmpty() && containsName(app.desktopPath, entry.desktop))
                entry.sName = app.appName;
        }
    }

    for (WardenDisplay &row : speedRows) {
        for (const AppParameter &sample : speedSamples) {
            if (sample.desktop.isEmpty() || !containsName(row.desktopName, sample.desktop))
                continue;
            setTexts(row, sample.recv, sample.send, sample.total);
            row.pid = sample.pid;
            row.desktopName = sample.desktop;
            row.sendSum += sample.freshSend;
            row.recvSum += sample.freshRecv;
        }
    }
    cycle.speedRows = speedRows;

    for (const AppParameter &record : history) {
        for (const allApp &app : qAsConst(apps)) {
            if (record.desktop.isEmpty() || !containsName(app.desktopPath, record.desktop))
                continue;
            WardenDisplay row = rowOf(app);
            setTexts(row, record.recv, record.send, record.recv + record.send);
            row.desktopName = record.desktop;
            row.pid = record.pid;
            row.sendSum = record.send;
            row.recvSum = record.recv;
            cycle.flowRows.append(row);
        }
    }
    return cycle;
}
