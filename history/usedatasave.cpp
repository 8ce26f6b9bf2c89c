#include "history/usedata.h"

#include "history/flowsave.h"
#include "history/hourkey.h"
#include "records/clock.h"

#include <QDebug>
#include <QFileInfo>
#include <QSqlError>

bool UseData::deleteFlowCacheData()
{
    m_cacheList.clear();
    m_rowsWrittenByFailedSave = 0;
    return true;
}

bool UseData::saveFlowCacheDataToLst(const QString &appname, const QString &sname,
                                     double downloaded, double uploaded)
{
    AppFlowDateParameter sample;
    sample.appname = appname;
    sample.sname = sname;
    sample.date = HourKey::of(Clock::now());
    sample.downloaded = downloaded;
    sample.uploaded = uploaded;
    sample.total = downloaded + uploaded;
    m_cacheList.append(sample);
    m_rowsWrittenByFailedSave = 0;
    return true;
}

bool UseData::saveFlowData()
{
    if (m_cacheList.isEmpty())
        return true;
    const QFileInfo file(m_dbPath);
    if (!file.exists()) {
        openDatabase();
        attachSummaries();
    } else if (Clock::now().date().month() != file.lastModified().date().month())
        deleteOldFlowData();
    ensureConnection();

    // One transaction per save; a failing row still keeps the rows written before it.
    const bool inTransaction = m_query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    // A retry of a failed save goes on after the rows it already wrote, so that they are not
    // written twice.
    const QList<AppFlowDateParameter> rows = FlowSave::rowsToSave(m_cacheList, m_lastSavedList);
    for (int i = m_rowsWrittenByFailedSave; i < rows.size(); ++i) {
        if (!insertRow(rows.at(i))) {
            qDebug() << m_insert.lastError();
            m_rowsWrittenByFailedSave = commit(inTransaction) ? i : 0;
            return false;
        }
    }
    if (!commit(inTransaction))
        return false;
    m_rowsWrittenByFailedSave = 0;
    m_lastSavedList = m_cacheList;
    return true;
}

bool UseData::commit(bool inTransaction)
{
    if (!inTransaction || m_query.exec(QStringLiteral("COMMIT")))
        return true;
    qDebug() << m_query.lastError();
    m_query.exec(QStringLiteral("ROLLBACK"));
    return false;
}

bool UseData::insertRow(const AppFlowDateParameter &row)
{
    m_insert.bindValue(0, row.appname);
    m_insert.bindValue(1, row.sname);
    m_insert.bindValue(2, row.date);
    int index = 3;
    for (const double amount : {row.total, row.downloaded, row.uploaded}) {
        const FlowSave::BoundAmount bound = FlowSave::boundAmount(amount);
        m_insert.bindValue(index++, bound.realText);
        m_insert.bindValue(index++, bound.value);
    }
    return m_insert.exec();
}
