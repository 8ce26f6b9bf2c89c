// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/usedata.h"

#include "history/failurelog.h"
#include "history/hourkey.h"
#include "records/clock.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QThread>

namespace {
constexpr int kRetentionSliceMs = 60;
// A file full check reads every page: at most once a minute after failed saves.
constexpr int kThoroughCheckPauseMs = 60000;
const QString kCreateTable = QStringLiteral(
    "CREATE TABLE flowDetail (appname text, sName text, dataymdh text, totalFlow real, "
    "downloadedFlow real, uploadedFlow);");
const QStringList kColumns = {"appname",   "sName",          "dataymdh",
                              "totalFlow", "downloadedFlow", "uploadedFlow"};
// SQLite's codes for a file that is not a database, or a damaged one.
const QStringList kBrokenFileCodes = {QStringLiteral("26"), QStringLiteral("11")};
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
        moveFileAside(QStringLiteral("not a file"));

    bool opened = openConnection();
    if (opened) {
        const QString problem = fileProblem(false);
        if (!problem.isEmpty()) {
            moveFileAside(problem);
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

// Why the file cannot hold the history, or nothing when it can, or when it is only busy:
// another program holding it is no fault of the file.
QString UseData::fileProblem(bool thorough)
{
    QSqlQuery probe(m_db);
    if (!probe.exec(thorough ? QStringLiteral("PRAGMA quick_check")
                             : QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const QSqlError error = probe.lastError();
        return kBrokenFileCodes.contains(error.nativeErrorCode()) ? error.databaseText()
                                                                  : QString();
    }
    if (thorough) {
        m_sinceThoroughCheck.start();
        if (probe.next() && probe.value(0).toString() != QLatin1String("ok"))
            return probe.value(0).toString();
    }
    probe.finish();
    const QSqlRecord columns = m_db.record(QStringLiteral("flowDetail"));
    if (columns.isEmpty())
        return QString(); // no table yet: it is created
    bool same = columns.count() == kColumns.size();
    for (int i = 0; same && i < columns.count(); ++i)
        same = columns.fieldName(i).compare(kColumns.at(i), Qt::CaseInsensitive) == 0;
    return same ? QString() : QStringLiteral("flowDetail has other columns");
}

// The user's file is kept, renamed, with whatever journal belongs to it.
void UseData::moveFileAside(const QString &problem)
{
    releaseConnection();
    const QString stamp = Clock::now().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = QStringLiteral("%1.unusable-%2").arg(m_dbPath, stamp);
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = QStringLiteral("%1.unusable-%2-%3").arg(m_dbPath, stamp).arg(n);
    const bool moved = QDir().rename(m_dbPath, aside);
    if (moved)
        for (const char *journal : {"-journal", "-wal", "-shm"})
            if (QFileInfo::exists(m_dbPath + QLatin1String(journal)))
                QDir().rename(m_dbPath + QLatin1String(journal), aside + QLatin1String(journal));
    if (moved)
        qDebug() << "warden.db cannot be used (" << problem << "), moved aside to" << aside
                 << "and a new one started";
    else if (FailureLog::due(QStringLiteral("warden.db not moved")))
        qDebug() << "warden.db cannot be used (" << problem << ") nor moved aside to" << aside;
}

// After a failed request: a broken file goes aside and a new one takes its place; tables
// another program dropped are made again, empty.
bool UseData::recoverFile()
{
    ensureConnection();
    const bool thorough =
        !m_sinceThoroughCheck.isValid() || m_sinceThoroughCheck.elapsed() >= kThoroughCheckPauseMs;
    const QString problem = QFileInfo(m_dbPath).isFile() || !QFileInfo::exists(m_dbPath)
                                ? fileProblem(thorough)
                                : QStringLiteral("not a file");
    if (!problem.isEmpty()) {
        moveFileAside(problem);
        openDatabase();
    } else if (!lostTables() || !createTable(true)) {
        return false;
    }
    attachSummaries();
    return true;
}

// The rows' table or the sums' state is gone; a file only busy has lost nothing.
bool UseData::lostTables()
{
    QSqlQuery probe(m_db);
    return probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                                     "AND name IN ('flowDetail', 'flowSumState')")) &&
           probe.next() && probe.value(0).toInt() < 2;
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
