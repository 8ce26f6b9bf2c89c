#pragma once

#include "history/appflowdateparameter.h"
#include "history/flowsummaries.h"
#include "history/signalqueue.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>

class QThread;

// The traffic history store. It lives in a thread of its own and runs every piece of
// database work as a request of one first-in first-out queue, one at a time, under the
// process-wide lock; answers leave as signals from that thread.
class UseData : public QObject
{
    Q_OBJECT
public:
    explicit UseData(QObject *parent = nullptr);
    ~UseData() override;

    // The caller holds CMutex::instance()->mutex.
    void enqueueDeleteFlowCacheData();
    void enqueueSaveFlowCacheDataToLst(QString appname, QString sname, double downloaded,
                                       double uploaded);
    void enqueueSaveFlowData();

signals:
    void notifyDeleteFlowCacheData();
    void notifySaveFlowCacheDataToLst(QString appname, QString sname, double downloaded,
                                      double uploaded);
    void notifySaveFlowData();
    void notifyGetYesterdayFlowData();
    void sendYesterdayFlowData(QList<AppFlowDateParameter> appLst);
    void notifyGetTodayFlowData();
    void sendTodayFlowData(QList<AppFlowDateParameter> appLst);
    void notifyGetLastMonthFlowData();
    void sendLastMonthFlowData(QList<AppFlowDateParameter> appLst);
    void notifyGetThisMonthFlowData();
    void sendThisMonthFlowData(QList<AppFlowDateParameter> appLst);
    void notifyGetAppYesterdayFlowData(QString appname);
    void sendAppYesterdayFlowData(QList<AppFlowDateParameter> appLst);
    void notifyGetAppTodayFlowData(QString appname);
    void sendAppTodayFlowData(QList<AppFlowDateParameter> appLst);
    void notifyGetAppLastMonthFlowData(QString appname);
    void sendAppLastMonthFlowData(QList<AppFlowDateParameter> appLst);
    void notifyGetAppThisMonthFlowData(QString appname);
    void sendAppThisMonthFlowData(QList<AppFlowDateParameter> appLst);
    void reqSendSignal();

public slots:
    void onReqSendSignal();

private:
    void connectRequestSignals();
    void enqueue(SignalQueueType type, const SignalQueFlow &flow = {});
    bool handleRequest(const SignalQueueEntry &entry);
    bool readyToAnswer(SignalQueueType type);
    void scheduleSummaryWork();
    void doSummaryWork();
    void doSummarySlice();

    void openDatabase();
    void connectDatabase(bool logged);
    void ensureConnection();
    void releaseConnection();
    void attachSummaries();
    void deleteOldFlowData();

    bool deleteFlowCacheData();
    bool saveFlowCacheDataToLst(const QString &appname, const QString &sname, double downloaded,
                                double uploaded);
    bool saveFlowData();
    bool insertRow(const AppFlowDateParameter &row);
    bool commit(bool inTransaction);

    bool getYesterdayFlowData();
    bool getTodayFlowData();
    bool getLastMonthFlowData();
    bool getThisMonthFlowData();
    bool getAppYesterdayFlowData(const QString &appname);
    bool getAppTodayFlowData(const QString &appname);
    bool getAppLastMonthFlowData(const QString &appname);
    bool getAppThisMonthFlowData(const QString &appname);

    bool queryDayFlowData(QList<AppFlowDateParameter> &list, const QDateTime &day);
    bool queryMonthFlowData(QList<AppFlowDateParameter> &list, const QDateTime &day);
    QList<AppFlowDateParameter> queryAppDayFlowData(const QString &appname, const QDateTime &day);
    QList<AppFlowDateParameter> queryAppMonthFlowData(const QString &appname, const QDateTime &day);

    QSqlDatabase m_db;
    QString m_dbPath;
    QSqlQuery m_query;
    QList<AppFlowDateParameter> m_cacheList;
    QList<AppFlowDateParameter> m_lastSavedList;
    QList<SignalQueueEntry> m_signalQueue;

    // The thread the open connection belongs to; statements run only there.
    QThread *m_connectionThread = nullptr;
    bool m_dispatching = false;
    FlowSummaries m_summaries;
    // The one INSERT, prepared once: preparing it anew would compile the summing trigger again.
    QSqlQuery m_insert;
    QElapsedTimer m_sinceSummaryWork;
    bool m_summaryWorkScheduled = false;
    // Rows of the current cache that a save which then failed has already written.
    int m_rowsWrittenByFailedSave = 0;
};
