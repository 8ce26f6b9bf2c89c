// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "service/answerrows.h"

#include "display/applicationmatcher.h"

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
    ApplicationMatcher matcher;
    WardenDisplayList list;
    for (const AppFlowDateParameter &record : records) {
        if (record.appname.isEmpty())
            continue;
        for (int app : matcher.applicationsContaining(apps, record.appname))
            list.append(
                flowDisplayRow(apps.at(app), record.appname, record.downloaded, record.uploaded));
    }
    return list;
}
