#pragma once

#include "history/usedata.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QStringList>
#include <QThread>
#include <functional>

namespace HistoryTest {

struct Sample
{
    QString appname;
    QString sname;
    double downloaded;
    double uploaded;
};

// Points HOME at a new empty directory, so that no test can reach the real user's files even
// when run outside the fixture.
void useFreshHome();
QString databasePath();
void setLastModified(const QDateTime &moment);
void setNow(const QDateTime &now);

// Each record as "appname|sname|date|downloaded|uploaded|total", amounts to the last bit.
QStringList describe(const QList<AppFlowDateParameter> &records);

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
    // Returns once everything posted to the store's thread so far has run there.
    void sync(const std::function<void()> &there = [] {});
    // One save tick as the collector queues it: clear, one sample per entry, save.
    void save(const QList<Sample> &samples);

private:
    QThread m_thread;
    UseData *m_store;
};

// One of the eight period requests: all applications or one, a day or a month, this or the last.
struct Period
{
    void (UseData::*answer)(QList<AppFlowDateParameter>);
    void (UseData::*all)();
    void (UseData::*app)(QString);
    bool month;
    bool previous;
};
inline const Period kYesterday = {&UseData::sendYesterdayFlowData,
                                  &UseData::notifyGetYesterdayFlowData, nullptr, false, true};
inline const Period kToday = {&UseData::sendTodayFlowData, &UseData::notifyGetTodayFlowData,
                              nullptr, false, false};
inline const Period kLastMonth = {&UseData::sendLastMonthFlowData,
                                  &UseData::notifyGetLastMonthFlowData, nullptr, true, true};
inline const Period kThisMonth = {&UseData::sendThisMonthFlowData,
                                  &UseData::notifyGetThisMonthFlowData, nullptr, true, false};
inline const Period kAppYesterday = {&UseData::sendAppYesterdayFlowData, nullptr,
                                     &UseData::notifyGetAppYesterdayFlowData, false, true};
inline const Period kAppToday = {&UseData::sendAppTodayFlowData, nullptr,
                                 &UseData::notifyGetAppTodayFlowData, false, false};
inline const Period kAppLastMonth = {&UseData::sendAppLastMonthFlowData, nullptr,
                                     &UseData::notifyGetAppLastMonthFlowData, true, true};
inline const Period kAppThisMonth = {&UseData::sendAppThisMonthFlowData, nullptr,
                                     &UseData::notifyGetAppThisMonthFlowData, true, false};

// Asks under the lock and returns the one answer, described; waits while the store builds sums.
QStringList ask(StoreThread &store, const Period &period, const QString &app = QString());

// A row as another program would write it: the total is the sum of the parts.
struct Row
{
    QString appname;
    QString sname;
    QString key;
    double downloaded;
    double uploaded;
};

// A connection of the test's own to the store's file.
class FlowFile
{
public:
    FlowFile();
    ~FlowFile();
    QSqlDatabase database() const { return QSqlDatabase::database(m_name); }
    void exec(const QString &statement);
    // Each result row with its columns joined by '|'.
    QStringList values(const QString &select);
    // Rows in the order written, as "appname|sName|downloaded|uploaded|total".
    QStringList rows(const QString &where = QString());
    void insert(const QList<Row> &rows);

private:
    const QString m_name = QStringLiteral("flow-file-inspection");
};

} // namespace HistoryTest

Q_DECLARE_METATYPE(HistoryTest::Sample)
