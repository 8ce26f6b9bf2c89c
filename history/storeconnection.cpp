// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/storeconnection.h"

#include "history/failurelog.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QThread>

namespace {
const QString kCreateTable = QStringLiteral(
    "CREATE TABLE flowDetail (appname text, sName text, dataymdh text, totalFlow real, "
    "downloadedFlow real, uploadedFlow);");
} // namespace

StoreConnection::StoreConnection()
{
    open(true);
    release();
}

StoreConnection::~StoreConnection()
{
    release();
}

void StoreConnection::open(bool logged)
{
    release();
    const QString directory = QStringLiteral("%1/.nimbra-warden/").arg(QDir::homePath());
    if (!QDir().exists(directory))
        QDir().mkpath(directory);
    m_path = directory + QStringLiteral("warden.db");
    if (QFileInfo(m_path).exists() && !QFileInfo(m_path).isFile())
        HistoryFileCheck::moveAside(m_path, QStringLiteral("not a file"));

    bool opened = openConnection();
    if (opened) {
        const QString problem = m_fileCheck.problem(m_db, false);
        if (!problem.isEmpty()) {
            release();
            HistoryFileCheck::moveAside(m_path, problem);
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

bool StoreConnection::createTable(bool logged)
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

bool StoreConnection::openConnection()
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                     QLatin1String(QSqlDatabase::defaultConnection));
    m_db.setDatabaseName(m_path);
    // Another program holding the file makes a statement fail soon; the queue tries it again
    // later instead of waiting here.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=200"));
    m_thread = QThread::currentThread();
    return m_db.open();
}

bool StoreConnection::recover()
{
    ensure();
    const bool thorough = m_fileCheck.thoroughDue();
    const QString problem = QFileInfo(m_path).isFile() || !QFileInfo::exists(m_path)
                                ? m_fileCheck.problem(m_db, thorough)
                                : QStringLiteral("not a file");
    if (!problem.isEmpty()) {
        release();
        HistoryFileCheck::moveAside(m_path, problem);
        open(true);
    } else if (!HistoryFileCheck::lostTables(m_db) || !createTable(true)) {
        return false;
    }
    attachSummaries();
    return true;
}

void StoreConnection::ensure()
{
    if (isOpenHere())
        return;
    open(!QFileInfo::exists(m_path));
    // The page-by-page check waits for a save that fails: on a file of a full history it
    // takes seconds, and the first answers would wait for it.
    attachSummaries();
}

void StoreConnection::reopenIfRemoved()
{
    if (QFileInfo::exists(m_path))
        return;
    open(true);
    attachSummaries();
}

bool StoreConnection::isOpenHere() const
{
    return m_thread == QThread::currentThread();
}

void StoreConnection::attachSummaries()
{
    m_summaries.attach(m_db);
    m_insert = QSqlQuery(m_db);
    m_insert.prepare(
        QStringLiteral("INSERT INTO flowDetail VALUES (?, ?, ?, coalesce(CAST(? AS REAL), ?), "
                       "coalesce(CAST(? AS REAL), ?), coalesce(CAST(? AS REAL), ?));"));
}

void StoreConnection::release()
{
    m_summaries.detach();
    m_insert = QSqlQuery();
    m_query = QSqlQuery();
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    m_thread = nullptr;
}
