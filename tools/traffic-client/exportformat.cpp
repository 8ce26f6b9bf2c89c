// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "exportformat.h"

#include <QStringList>

namespace {

struct Family
{
    const char *name;
    const char *help;
    quint64 ExportRow::*bytes;
};

const Family kFamilies[] = {
    {"nimbra_warden_traffic_received_bytes", "Bytes an application received in the period.",
     &ExportRow::received},
    {"nimbra_warden_traffic_sent_bytes", "Bytes an application sent in the period.",
     &ExportRow::sent},
};

QString labelValue(QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    value.replace(QLatin1Char('"'), QLatin1String("\\\""));
    value.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QLatin1Char('"') + value + QLatin1Char('"');
}

QString labels(const ExportRow &row)
{
    QString text = QStringLiteral("desktop_id=%1,period=%2")
                       .arg(labelValue(row.desktopId), labelValue(row.period));
    if (row.cycleStart.isValid())
        text +=
            QStringLiteral(",cycle_start=%1").arg(labelValue(row.cycleStart.toString(Qt::ISODate)));
    return text;
}

QString csvField(const QString &value)
{
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) &&
        !value.contains(QLatin1Char('\n')))
        return value;
    return QLatin1Char('"') + QString(value).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

} // namespace

QByteArray openMetricsExport(const QList<ExportRow> &rows)
{
    QString text;
    for (const Family &family : kFamilies) {
        const QString name = QLatin1String(family.name);
        text += QStringLiteral("# TYPE %1 counter\n# UNIT %1 bytes\n# HELP %1 %2\n")
                    .arg(name, QLatin1String(family.help));
        for (const ExportRow &row : rows)
            text +=
                QStringLiteral("%1_total{%2} %3\n").arg(name, labels(row)).arg(row.*family.bytes);
    }
    text += QLatin1String("# EOF\n");
    return text.toUtf8();
}

QByteArray csvExport(const QList<ExportRow> &rows)
{
    QString text = QStringLiteral("desktop_id,period,cycle_start,received_bytes,sent_bytes\n");
    for (const ExportRow &row : rows)
        text +=
            QStringList{csvField(row.desktopId), row.period, row.cycleStart.toString(Qt::ISODate),
                        QString::number(row.received), QString::number(row.sent)}
                .join(QLatin1Char(',')) +
            QLatin1Char('\n');
    return text.toUtf8();
}
