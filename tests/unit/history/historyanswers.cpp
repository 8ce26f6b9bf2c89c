#include "historyanswers.h"

namespace HistoryTest {

QString describe(const AppFlowDateParameter &record)
{
    return QStringList({record.appname, record.sname, record.date,
                        QString::number(record.downloaded), QString::number(record.uploaded),
                        QString::number(record.total)})
        .join('|');
}

QStringList describe(const QList<AppFlowDateParameter> &records)
{
    QStringList described;
    for (const AppFlowDateParameter &record : records)
        described.append(describe(record));
    return described;
}

} // namespace HistoryTest
