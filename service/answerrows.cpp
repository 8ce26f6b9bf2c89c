// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "service/answerrows.h"

WardenAppFlowList numberedAppFlows(const QList<AppFlowDateParameter> &rows)
{
    WardenAppFlowList list;
    list.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const AppFlowDateParameter &row = rows.at(i);
        list.append({i, row.appname, row.sname, row.date, row.downloaded, row.uploaded, row.total});
    }
    return list;
}

WardenDisplayList flowDisplayRows(const QList<AppFlowDateParameter> &records,
                                  const QList<allApp> &apps)
{
    const auto text = [](double value) { return QString::number(value, 'f', 2); };
    WardenDisplayList list;
    for (const AppFlowDateParameter &record : records) {
        if (record.appname.isEmpty())
            continue;
        for (const allApp &app : apps) {
            if (!app.desktopPath.contains(record.appname))
                continue;
            WardenDisplay row;
            row.appName = app.appName;
            row.icon = app.icon;
            row.desktopPath = app.desktopPath;
            row.recvText = text(record.downloaded);
            row.sendText = text(record.uploaded);
            row.totalText = text(record.downloaded + record.uploaded);
            row.desktopName = record.appname;
            row.sendSum = record.uploaded;
            row.recvSum = record.downloaded;
            list.append(row);
        }
    }
    return list;
}
