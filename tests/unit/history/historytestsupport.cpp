#include "historytestsupport.h"

#include "history/usedata.h"
#include "records/clock.h"
#include "records/cmutex.h"

#include <QDir>
#include <QMutex>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

namespace HistoryTest {

namespace {
QMutex s_logLock;
QStringList s_logLines;
QtMessageHandler s_previousHandler = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker locker(&s_logLock);
        s_logLines.append(message);
    }
    s_previousHandler(type, context, message);
}
} // namespace

void useTemporaryHome()
{
    static QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
}

QString databasePath()
{
    return QDir::homePath() + QStringLiteral("/.nimbra-warden/warden.db");
}

void removeDatabaseDirectory()
{
    QDir(QDir::homePath() + QStringLiteral("/.nimbra-warden")).removeRecursively();
}

void setNow(const QDateTime &now)
{
    Clock::setNowSource([now] { return now; });
}

LogCapture::LogCapture()
{
    QMutexLocker locker(&s_logLock);
    s_logLines.clear();
    s_previousHandler = qInstallMessageHandler(captureMessage);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(s_previousHandler);
}

QStringList LogCapture::lines() const
{
    QMutexLocker locker(&s_logLock);
    return s_logLines;
}

StoreThread::StoreThread() : m_store(new UseData)
{
    m_store->moveToThread(&m_thread);
    m_thread.start();
}

StoreThread::~StoreThread()
{
    sync();
    QMetaObject::invokeMethod(
        m_store, [store = m_store] { delete store; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void StoreThread::locked(const std::function<void(UseData *)> &work)
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    work(m_store);
}

void StoreThread::sync()
{
    QMetaObject::invokeMethod(
        m_store, [] {}, Qt::BlockingQueuedConnection);
}

FlowFile::FlowFile() : m_name(QStringLiteral("flow-file-inspection"))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(databasePath());
    QVERIFY(db.open());
}

FlowFile::~FlowFile()
{
    QSqlDatabase::database(m_name).close();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase FlowFile::database() const
{
    return QSqlDatabase::database(m_name);
}

void FlowFile::exec(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(m_name));
    if (!query.exec(statement))
        QFAIL(qPrintable(query.lastError().text()));
}

QList<QVariantList> FlowFile::rows(const QString &where)
{
    QSqlQuery query(QSqlDatabase::database(m_name));
    QList<QVariantList> rows;
    if (!query.exec(QStringLiteral("SELECT * FROM flowDetail %1 ORDER BY rowid").arg(where)))
        return rows;
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < query.record().count(); ++i)
            row.append(query.value(i));
        rows.append(row);
    }
    return rows;
}

QVariant FlowFile::value(const QString &select)
{
    QSqlQuery query(QSqlDatabase::database(m_name));
    if (!query.exec(select) || !query.next())
        return QVariant();
    return query.value(0);
}

void FlowFile::insert(const QString &appname, const QString &sname, const QString &key,
                      double downloaded, double uploaded)
{
    QSqlQuery query(QSqlDatabase::database(m_name));
    query.prepare(QStringLiteral("INSERT INTO flowDetail VALUES (?, ?, ?, ?, ?, ?)"));
    query.addBindValue(appname);
    query.addBindValue(sname);
    query.addBindValue(key);
    query.addBindValue(downloaded + uploaded);
    query.addBindValue(downloaded);
    query.addBindValue(uploaded);
    if (!query.exec())
        QFAIL(qPrintable(query.lastError().text()));
}

} // namespace HistoryTest
