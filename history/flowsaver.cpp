// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/flowsaver.h"

#include "history/bootclock.h"
#include "history/failurelog.h"
#include "history/flowreference.h"
#include "history/flowsave.h"
#include "history/hourkey.h"
#include "history/storeconnection.h"
#include "records/clock.h"

#include <QDebug>
#include <QFileInfo>
#include <QSqlError>

namespace {
constexpr int kRetentionSliceMs = 60;
} // namespace

FlowSaver::FlowSaver(StoreConnection &connection) : m_connection(connection) {}

void FlowSaver::clearSamples()
{
    m_samples.clear();
}

void FlowSaver::addSample(const QString &appname, const QString &sname, double downloaded,
                          double uploaded)
{
    AppFlowDateParameter sample;
    sample.appname = appname;
    sample.sname = sname;
    sample.date = HourKey::of(Clock::now());
    sample.downloaded = downloaded;
    sample.uploaded = uploaded;
    sample.total = downloaded + uploaded;
    m_samples.append(sample);
}

// The rows, the new reference and what is kept beside them commit together, so a failed save
// can be tried again, or dropped, without counting any growth twice.
FlowSaver::Outcome FlowSaver::save(const CollectorSnapshot &collector)
{
    if (m_samples.isEmpty())
        return Outcome::NothingToSave;
    m_connection.reopenIfRemoved();
    m_connection.ensure();
    QSqlQuery &query = m_connection.query();
    const Retention::Decision retention =
        Retention::decide(m_retentionRecord, Clock::now(), BootClock::now());
    if (!retention.jump.isEmpty() && FailureLog::due(QStringLiteral("retention waits")))
        qDebug() << "retention waits until the clock has run steadily for a day:" << retention.jump;
    if (!retention.bound.isEmpty())
        startRetention();

    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        FailureLog::sqlError(query.lastError());
        return Outcome::Failed;
    }
    for (const AppFlowDateParameter &row : FlowSave::rowsToSave(m_samples, m_lastSaved)) {
        if (!insertRow(row)) {
            FailureLog::sqlError(m_connection.insert().lastError());
            query.exec(QStringLiteral("ROLLBACK"));
            return Outcome::Failed;
        }
    }
    const QList<AppFlowDateParameter> reference = FlowSave::nextReference(m_samples, m_lastSaved);
    if (!FlowReference::write(m_connection.database(), {reference, collector, retention.next})) {
        query.exec(QStringLiteral("ROLLBACK"));
        return Outcome::Failed;
    }
    if (!commit())
        return Outcome::Failed;
    m_lastSaved = reference;
    m_retentionRecord = retention.next;
    return Outcome::Committed;
}

// Old rows go in slices of bounded time, the first one now; no answer reads them meanwhile.
void FlowSaver::startRetention()
{
    FlowSummaries &summaries = m_connection.summaries();
    summaries.startRetention(HourKey::retentionBound(Clock::now().date()));
    summaries.doWork(kRetentionSliceMs);
}

bool FlowSaver::commit()
{
    QSqlQuery &query = m_connection.query();
    if (query.exec(QStringLiteral("COMMIT")))
        return true;
    FailureLog::sqlError(query.lastError());
    query.exec(QStringLiteral("ROLLBACK"));
    return false;
}

bool FlowSaver::insertRow(const AppFlowDateParameter &row)
{
    QSqlQuery &insert = m_connection.insert();
    insert.bindValue(0, row.appname);
    insert.bindValue(1, row.sname);
    insert.bindValue(2, row.date);
    int index = 3;
    for (const double amount : {row.total, row.downloaded, row.uploaded}) {
        const FlowSave::BoundAmount bound = FlowSave::boundAmount(amount);
        insert.bindValue(index++, bound.realText);
        insert.bindValue(index++, bound.value);
    }
    return insert.exec();
}

CollectorSnapshot FlowSaver::loadKept()
{
    if (!QFileInfo::exists(m_connection.path()))
        return {};
    // A connection of its own: the store's belongs to the store's thread.
    const QString name = QStringLiteral("kept-reference");
    FlowReference::Kept kept;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_connection.path());
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open())
            kept = FlowReference::read(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    m_lastSaved = kept.lastSaved;
    m_retentionRecord = kept.retention;
    return kept.collector;
}
