// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/usedata.h"

#include "history/failurelog.h"
#include "history/historyfilecheck.h"
#include "history/hourkey.h"
#include "records/clock.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QThread>

namespace {
constexpr int kRetentionSliceMs = 60;
const QString kCreateTable = QStringLiteral(
    "CREATE TABLE flowDetail (appname text, sName text, dataymdh text, totalFlow real, "
    "downloadedFlow real, uploadedFlow);");
} // namespace

void UseData::openDatabase()
{
    connectDatabase(true);
}

void UseData::connectDatabase(bool logged)
{
    releaseConnection();
    const QString directory = QStringLiteral("%1/.nimbra-warden/").arg(QDir::homePath());
    if (!QDir().exists(directory))
        QDir().mkpath(directory);
    m_dbPath = directory + QStringLiteral("warden.db");
    if (QFileInfo(m_dbPath).exists() && !QFileInfo(m_dbPath).isFile())
        HistoryFileCheck::moveAside(m_dbPath, QStringLiteral("not a file"));

    bool opened = openConnection();
    if (opened) {
        const QString problem = m_fileCheck.problem(m_db, false);
        if (!problem.isEmpty()) {
            releaseConnection();
            HistoryFileCheck::moveAside(m_dbPath, problem);
            opened = openConnection();
        }
    }
    if (logged || !opened)
        qDebug() << (opened ? "db open success! " : "db open failed! ");
    m_query = QSqlQuery(m_db);
    createTable(logged);
    if (logged)
        qDebug() << "flowDetail table load success!";
}

// True when the table is there, made now or before.
bool UseData::createTable(bool logged)
{
    if (m_db.tables(QSql::Tables).contains(QStringLiteral("flowDetail")))
        return true;
    if (!m_query.exec(kCreateTable)) {
        FailureLog::sqlError(m_query.lastError());
        return false;
    }
    if (logged)
        qDebug() << "flowDetail table create success!";
    return true;
}

bool UseData::openConnection()
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                     QLatin1String(QSqlDatabase::defaultConnection));
    m_db.setDatabaseName(m_dbPath);
    // Another program holding the file makes a statement fail soon; the queue tries it again
    // later instead of waiting here.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=200"));
    m_connectionThread = QThread::currentThread();
    return m_db.open();
}

// After a failed request: a broken file goes aside and a new one takes its place; tables
// another program dropped are made again, empty.
bool UseData::recoverFile()
{
    ensureConnection();
    const bool thorough = m_fileCheck.thoroughDue();
    const QString problem = QFileInfo(m_dbPath).isFile() || !QFileInfo::exists(m_dbPath)
                                ? m_fileCheck.problem(m_db, thorough)
                                : QStringLiteral("not a file");
    if (!problem.isEmpty()) {
        releaseConnection();
        HistoryFileCheck::moveAside(m_dbPath, problem);
        openDatabase();
    } else if (!HistoryFileCheck::lostTables(m_db) || !createTable(true)) {
        return false;
    }
    attachSummaries();
    return true;
}

void UseData::ensureConnection()
{
    if (m_connectionThread == QThread::currentThread())
        return;
    if (QFileInfo::exists(m_dbPath))
        connectDatabase(false);
    else
        openDatabase();
    // The page-by-page check waits for a save that fails: on a file of a full history it
    // takes seconds, and the first answers would wait for it.
    attachSummaries();
}

void UseData::attachSummaries()
{
    m_summaries.attach(m_db);
    m_insert = QSqlQuery(m_db);
    m_insert.prepare(
        QStringLiteral("INSERT INTO flowDetail VALUES (?, ?, ?, coalesce(CAST(? AS REAL), ?), "
                       "coalesce(CAST(? AS REAL), ?), coalesce(CAST(? AS REAL), ?));"));
    if (m_summaries.hasWork())
        scheduleSummaryWork();
}

void UseData::releaseConnection()
{
    m_summaries.detach();
    m_insert = QSqlQuery();
    m_query = QSqlQuery();
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    m_connectionThread = nullptr;
}

// Old rows go in slices of bounded time, the first one now; no answer reads them meanwhile.
void UseData::deleteOldFlowData()
{
    ensureConnection();
    m_summaries.startRetention(HourKey::retentionBound(Clock::now().date()));
    m_summaries.doWork(kRetentionSliceMs);
    if (m_summaries.hasWork())
        scheduleSummaryWork();
}
