// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/usedata.h"

#include "history/bootclock.h"
#include "history/failurelog.h"
#include "history/flowsave.h"
#include "history/hourkey.h"
#include "records/clock.h"

#include <QDebug>
#include <QFileInfo>
#include <QSqlError>

bool UseData::deleteFlowCacheData()
{
    m_cacheList.clear();
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
    return true;
}

// All or nothing: the rows, the new reference and what is kept beside them commit together,
// so a failed save can be tried again, or dropped, without counting any growth twice.
bool UseData::saveFlowData(const CollectorSnapshot &collector)
{
    if (m_cacheList.isEmpty())
        return true;
    if (!QFileInfo::exists(m_dbPath)) {
        openDatabase();
        attachSummaries();
    }
    ensureConnection();
    const Retention::Decision retention =
        Retention::decide(m_retentionRecord, Clock::now(), BootClock::now());
    if (!retention.jump.isEmpty() && FailureLog::due(QStringLiteral("retention waits")))
        qDebug() << "retention waits until the clock has run steadily for a day:" << retention.jump;
    if (!retention.bound.isEmpty())
        deleteOldFlowData();

    if (!m_query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        FailureLog::sqlError(m_query.lastError());
        return false;
    }
    for (const AppFlowDateParameter &row : FlowSave::rowsToSave(m_cacheList, m_lastSavedList)) {
        if (!insertRow(row)) {
            FailureLog::sqlError(m_insert.lastError());
            m_query.exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    const QList<AppFlowDateParameter> reference =
        FlowSave::nextReference(m_cacheList, m_lastSavedList);
    if (!writeKeptReference(reference, collector, retention.next)) {
        m_query.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    if (!commit())
        return false;
    m_lastSavedList = reference;
    m_retentionRecord = retention.next;
    emit flowSaved();
    return true;
}

bool UseData::commit()
{
    if (m_query.exec(QStringLiteral("COMMIT")))
        return true;
    FailureLog::sqlError(m_query.lastError());
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
