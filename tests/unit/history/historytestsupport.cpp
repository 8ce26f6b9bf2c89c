#include "historytestsupport.h"

#include "records/clock.h"
#include "records/cmutex.h"

#include <QDir>
#include <QMutex>
#include <QScopedPointer>
#include <QSignalSpy>
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
} // namespace

void useFreshHome()
{
    static QScopedPointer<QTemporaryDir> home;
    home.reset(new QTemporaryDir);
    qputenv("HOME", home->path().toLocal8Bit());
}

QString databasePath()
{
    return QDir::homePath() + QStringLiteral("/.nimbra-warden/warden.db");
}

void setLastModified(const QDateTime &moment)
{
    QFile file(databasePath());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(moment, QFileDevice::FileModificationTime));
}

void setNow(const QDateTime &now)
{
    Clock::setNowSource([now] { return now; });
}

QStringList describe(const QList<AppFlowDateParameter> &records)
{
    QStringList described;
    for (const AppFlowDateParameter &r : records)
        described.append(
            QStringList({r.appname, r.sname, r.date, QString::number(r.downloaded, 'g', 17),
                         QString::number(r.uploaded, 'g', 17), QString::number(r.total, 'g', 17)})
                .join('|'));
    return described;
}

LogCapture::LogCapture()
{
    s_logLines.clear();
    s_previousHandler = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            QMutexLocker locker(&s_logLock);
            s_logLines.append(message);
            s_previousHandler(type, context, message);
        });
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
    sync([this] { delete m_store; });
    m_thread.quit();
    m_thread.wait();
}

void StoreThread::locked(const std::function<void(UseData *)> &work)
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    work(m_store);
}

void StoreThread::sync(const std::function<void()> &there)
{
    QMetaObject::invokeMethod(m_store, there, Qt::BlockingQueuedConnection);
}

void StoreThread::save(const QList<Sample> &samples)
{
    locked([&](UseData *data) {
        data->enqueueDeleteFlowCacheData();
        for (const Sample &s : samples)
            data->enqueueSaveFlowCacheDataToLst(s.appname, s.sname, s.downloaded, s.uploaded);
        data->enqueueSaveFlowData();
    });
    sync();
}

QStringList ask(StoreThread &store, const Period &period, const QString &app)
{
    QSignalSpy spy(store.store(), period.answer);
    store.locked([&](UseData *data) {
        if (period.app)
            emit(data->*period.app)(app);
        else
            emit(data->*period.all)();
    });
    int answers = 0;
    for (int waitedMs = 0; answers == 0 && waitedMs < 10000; waitedMs += 10) {
        if (waitedMs > 0)
            QThread::msleep(10);
        store.sync([&] { answers = spy.size(); }); // the spy records in the store's thread
    }
    if (answers != 1)
        return {QString("%1 answers").arg(answers)};
    return describe(spy.at(0).at(0).value<QList<AppFlowDateParameter>>());
}

FlowFile::FlowFile()
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

void FlowFile::exec(const QString &statement)
{
    QSqlQuery query(database());
    if (!query.exec(statement))
        QFAIL(qPrintable(query.lastError().text()));
}

QStringList FlowFile::values(const QString &select)
{
    QSqlQuery query(database());
    if (!query.exec(select))
        return {query.lastError().text()};
    QStringList values;
    while (query.next()) {
        QStringList columns;
        for (int i = 0; i < query.record().count(); ++i)
            columns.append(query.value(i).toString());
        values.append(columns.join('|'));
    }
    return values;
}

QStringList FlowFile::rows(const QString &where)
{
    return values(
        "SELECT appname, sName, downloadedFlow, uploadedFlow, totalFlow FROM flowDetail " + where +
        " ORDER BY rowid");
}

void FlowFile::insert(const QList<Row> &rows)
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("INSERT INTO flowDetail VALUES (?, ?, ?, ?, ?, ?)"));
    exec("BEGIN");
    for (const Row &r : rows) {
        for (const QVariant &value : QVariantList(
                 {r.appname, r.sname, r.key, r.downloaded + r.uploaded, r.downloaded, r.uploaded}))
            query.addBindValue(value);
        if (!query.exec())
            QFAIL(qPrintable(query.lastError().text()));
    }
    exec("COMMIT");
}

} // namespace HistoryTest
