// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"
#include "history/collectorsnapshot.h"
#include "history/flowsummaries.h"
#include "history/historyfilecheck.h"
#include "history/historyrequest.h"
#include "history/periodreader.h"
#include "history/retentiondecision.h"
#include "history/signalqueue.h"

#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>

class QThread;
class QTimer;

// The traffic history store. It lives in a thread of its own and runs every piece of
// database work as a request of one first-in first-out queue, one at a time; the process-wide
// lock guards the queue, not the work. Answers leave as signals from that thread. The one-time
// work on the file (building the sums, removing old rows) runs in slices between requests,
// with at least as much of the thread as they take, so that asking cannot starve it.
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
    // `collector` travels in the request and is kept beside the save's rows, in its
    // transaction; the store thread reads only that copy.
    void enqueueSaveFlowData(const CollectorSnapshot &collector = {});
    // Queues a history request; takes the lock itself. The answer comes later, as `answered`,
    // or at once as `refused` when too many wait.
    void request(const HistoryRequest &request);

signals:
    // Answers leave from the store's thread, each with the request it answers.
    void answered(HistoryAnswer answer);
    // Sent at once, in the asking thread, for a request refused because too many wait.
    void refused(quint64 requestId);
    // Emitted from the store's thread right after a save of flowDetail rows commits.
    void flowSaved();
    void reqSendSignal();

public slots:
    void onReqSendSignal();

private:
    // False when the request was refused.
    bool append(SignalQueueType type, const SignalQueFlow &flow);
    int insertionPoint(SignalQueueType type, const SignalQueFlow &flow) const;
    bool isWaiting(const HistoryRequest &request) const;
    void supersedeWaitingSave();
    bool dispatchHead();
    bool isHoldingLists();
    bool headFailed(const SignalQueueEntry &entry);
    void finishHead();
    bool handleRequest(const SignalQueueEntry &entry);
    bool isSliceOwed() const;
    void runSlice();
    void scheduleSummaryWork();
    void doSummaryWork();

    void openDatabase();
    void connectDatabase(bool logged);
    bool openConnection();
    void ensureConnection();
    void releaseConnection();
    void attachSummaries();
    void deleteOldFlowData();
    // True when the file was moved aside or its tables made again.
    bool recoverFile();
    bool createTable(bool logged);

    bool deleteFlowCacheData();
    bool saveFlowCacheDataToLst(const QString &appname, const QString &sname, double downloaded,
                                double uploaded);
    bool saveFlowData(const CollectorSnapshot &collector);
    bool insertRow(const AppFlowDateParameter &row);
    bool commit();

    bool answer(const HistoryRequest &request);
    bool readPeriod(const HistoryRequest &request, const QDateTime &now,
                    QList<AppFlowDateParameter> &rows);

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
    PeriodReader m_reader{m_query, m_summaries};
    // The one INSERT, prepared once: preparing it anew would compile the summing trigger again.
    QSqlQuery m_insert;
    bool m_summaryWorkScheduled = false;
    // Slice time the requests handled since the last slice are owed, and whether one is due.
    qint64 m_owedSliceMs = 0;
    bool m_sliceDue = false;
    // Since when the collector's lists have been held back while the rows not summed are mapped.
    QElapsedTimer m_listsHeld;
    // Dispatch state, all of it the store thread's own but the count, which the lock guards.
    QTimer *m_retryTimer;
    int m_headAttempts = 0;
    bool m_finalAttempt = true;
    int m_pendingAnswers = 0;
    // The ids of the head and of the same requests waiting behind it, each answered with it.
    QList<quint64> m_answerIds;
    HistoryFileCheck m_fileCheck;

    // What a save keeps beside its rows, so that saved figures stay true across restarts and
    // clock changes (history/usedatareference.cpp).
public:
    // Reads what the last committed save kept and returns the collector's part. Call it once,
    // before the store's thread uses the file.
    CollectorSnapshot loadKeptReference();

private:
    bool writeKeptReference(const QList<AppFlowDateParameter> &reference,
                            const CollectorSnapshot &collector, const Retention::Record &retention);
    Retention::Record m_retentionRecord;
};
