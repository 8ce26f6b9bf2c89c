// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/flowmerge.h"

#include "history/hourkey.h"

namespace FlowMerge {

namespace {
void addAmounts(AppFlowDateParameter &record, const AppFlowDateParameter &earlier)
{
    record.downloaded += earlier.downloaded;
    record.uploaded += earlier.uploaded;
    record.total += earlier.total;
}
} // namespace

void mergeByAppname(QList<AppFlowDateParameter> &list, AppFlowDateParameter record)
{
    for (AppFlowDateParameter &existing : list) {
        if (existing.appname == record.appname) {
            addAmounts(record, existing);
            existing = record;
            return;
        }
    }
    list.append(record);
}

void mergeByDate(QList<AppFlowDateParameter> &list, AppFlowDateParameter record)
{
    for (AppFlowDateParameter &existing : list) {
        if (existing.date == record.date) {
            addAmounts(record, existing);
            existing = record;
            return;
        }
    }
    list.append(record);
}

QList<AppFlowDateParameter> hourlyAnswer(const QString &appname, const QDate &day,
                                         QList<AppFlowDateParameter> byHourKey)
{
    QList<AppFlowDateParameter> hours;
    for (int hour = 0; hour < 24; ++hour) {
        const QString key = HourKey::of(day, hour);
        AppFlowDateParameter record;
        record.appname = appname;
        record.date = QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0'));
        for (int i = 0; i < byHourKey.size(); ++i) {
            if (byHourKey.at(i).date == key) {
                const AppFlowDateParameter found = byHourKey.takeAt(i);
                record.sname = found.sname;
                record.downloaded = found.downloaded;
                record.uploaded = found.uploaded;
                record.total = found.total;
                break;
            }
        }
        hours.append(record);
    }
    return hours;
}

AppFlowDateParameter dailyRecord(const QString &appname, const QDate &day,
                                 const QList<AppFlowDateParameter> &hours)
{
    AppFlowDateParameter record;
    record.appname = appname;
    record.sname = appname;
    record.date = day.toString(QStringLiteral("MM-dd"));
    for (const AppFlowDateParameter &hour : hours) {
        record.sname = hour.sname;
        record.downloaded += hour.downloaded;
        record.uploaded += hour.uploaded;
    }
    record.total = record.downloaded + record.uploaded;
    return record;
}

} // namespace FlowMerge
