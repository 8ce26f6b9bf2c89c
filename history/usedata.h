// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/collectorsnapshot.h"
#include "history/flowsaver.h"
#include "history/historyrequest.h"
#include "history/periodreader.h"
#include "history/requestqueue.h"
#include "history/storeconnection.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <optional>

class QTimer;

// The traffic history store. It lives in a thread of its own and runs every piece of
// database work as a request of one queue, one at a time, in the order RequestQueue gives; the
// process-wide lock guards the queue, not the work. Answers leave as signals from that thread. The
// one-time work on the file (building the sums, removing old rows) runs in slices between requests,
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

public:
    // Reads what the last committed save kept and returns the collector's part. Call it once,
    // before the store's thread uses the file.
    CollectorSnapshot loadKeptReference();

private:
    // False when the request was refused.
    bool append(SignalQueueType type, const SignalQueFlow &flow);
    bool dispatchHead();
    bool isHoldingLists();
    bool headFailed();
    void finishHead();
    bool handleRequest(const SignalQueueEntry &entry);
    bool isSliceOwed() const;
    void runSlice();
    void scheduleSummaryWork();
    void doSummaryWork();
    bool answer(const HistoryRequest &request);
    bool readPeriod(const HistoryRequest &request, const QDateTime &now,
                    QList<AppFlowDateParameter> &rows);

    // The lock guards the queue; everything else is the store thread's own.
    RequestQueue m_queue;
    StoreConnection m_connection;
    FlowSaver m_saver{m_connection};
    PeriodReader m_reader{m_connection.query(), m_connection.summaries()};
    bool m_dispatching = false;
    bool m_summaryWorkScheduled = false;
    // Slice time the requests handled since the last slice are owed, and whether one is due.
    qint64 m_owedSliceMs = 0;
    bool m_sliceDue = false;
    // Since when the collector's lists have been held back while the rows not summed are mapped.
    QElapsedTimer m_listsHeld;
    QTimer *m_retryTimer;
    int m_headAttempts = 0;
    bool m_finalAttempt = true;
    // The request in hand, with the ids of the same requests it answers.
    std::optional<RequestQueue::Head> m_head;
};
