#include "history/usedata.h"

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
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                     QLatin1String(QSqlDatabase::defaultConnection));
    const QString directory = QStringLiteral("%1/.nimbra-warden/").arg(QDir::homePath());
    if (!QDir().exists(directory))
        QDir().mkpath(directory);
    m_dbPath = directory + QStringLiteral("warden.db");
    m_db.setDatabaseName(m_dbPath);
    const bool opened = m_db.open();
    if (logged || !opened)
        qDebug() << (opened ? "db open success! " : "db open failed! ");
    m_query = QSqlQuery(m_db);
    m_connectionThread = QThread::currentThread();

    if (!m_db.tables(QSql::Tables).contains(QStringLiteral("flowDetail"))) {
        if (!m_query.exec(kCreateTable))
            qDebug() << m_query.lastError();
        else if (logged)
            qDebug() << "flowDetail table create success!";
    }
    if (logged)
        qDebug() << "flowDetail table load success!";
}

void UseData::ensureConnection()
{
    if (m_connectionThread == QThread::currentThread())
        return;
    if (QFileInfo::exists(m_dbPath))
        connectDatabase(false);
    else
        openDatabase();
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
