#pragma once

#include "history/appflowdateparameter.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>
#include <QThread>
#include <QVariantList>
#include <functional>

class UseData;

namespace HistoryTest {

// Points HOME at a fresh directory for the whole test program, so that no test can reach the
// real user's files even when run outside the fixture.
void useTemporaryHome();
QString databasePath();
void removeDatabaseDirectory();

// Fixes the store's "now".
void setNow(const QDateTime &now);

// Collects every log line of the process while it lives.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    QStringList lines() const;
};

// A store running in a thread of its own, as the service runs it.
class StoreThread
{
public:
    StoreThread();
    ~StoreThread();
    UseData *store() const { return m_store; }
    // Runs `work` with the process-wide lock held, as the collector does.
    void locked(const std::function<void(UseData *)> &work);
    // Returns once everything posted to the store's thread so far has run.
    void sync();

private:
    QThread m_thread;
    UseData *m_store;
};

// A connection of the test's own to the store's file.
class FlowFile
{
public:
    FlowFile();
    ~FlowFile();
    QSqlDatabase database() const;
    void exec(const QString &statement);
    // Rows as written: appname, sName, dataymdh, totalFlow, downloadedFlow, uploadedFlow.
    QList<QVariantList> rows(const QString &where = QString());
    QVariant value(const QString &select);
    void insert(const QString &appname, const QString &sname, const QString &key, double downloaded,
                double uploaded);

private:
    QString m_name;
};

} // namespace HistoryTest
