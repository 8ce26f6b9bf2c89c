#include "historyanswers.h"

#include "history/usedata.h"
#include "records/clock.h"

#include <QMutex>
#include <QSemaphore>
#include <QTest>

using namespace HistoryTest;

namespace {
// Names the answer signals in the order the store emits them.
class AnswerOrder
{
public:
    explicit AnswerOrder(UseData *store)
    {
        watch(store, &UseData::sendTodayFlowData, "today");
        watch(store, &UseData::sendThisMonthFlowData, "this month");
        watch(store, &UseData::sendAppTodayFlowData, "app today");
    }
    QStringList names() const
    {
        QMutexLocker locker(&m_lock);
        return m_names;
    }
    QList<QThread *> threads() const
    {
        QMutexLocker locker(&m_lock);
        return m_threads;
    }

private:
    void watch(UseData *store, AnswerSignal answer, const QString &name)
    {
        QObject::connect(
            store, answer, store,
            [this, name](QList<AppFlowDateParameter>) {
                QMutexLocker locker(&m_lock);
                m_names.append(name);
                m_threads.append(QThread::currentThread());
            },
            Qt::DirectConnection);
    }
    mutable QMutex m_lock;
    QStringList m_names;
    QList<QThread *> m_threads;
};

void allToday(StoreThread &store)
{
    store.locked([](UseData *data) { emit data->notifyGetTodayFlowData(); });
    store.sync();
}

void queueTick(UseData *data, int applications)
{
    data->enqueueDeleteFlowCacheData();
    for (int i = 0; i < applications; ++i)
        data->enqueueSaveFlowCacheDataToLst(QString("app%1").arg(i), "S", 10 + i, 1);
    data->enqueueSaveFlowData();
    emit data->notifyGetTodayFlowData();
}
} // namespace

class HistoryQueueTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTemporaryHome(); }
    void init()
    {
        removeDatabaseDirectory();
        setNow(QDateTime(QDate(2024, 3, 5), QTime(12, 0)));
    }
    void cleanup() { Clock::resetNowSource(); }

    void one_dispatch_handles_a_burst_in_arrival_order()
    {
        StoreThread store;
        QSignalSpy today(store.store(), &UseData::sendTodayFlowData);
        QSignalSpy app(store.store(), &UseData::sendAppTodayFlowData);
        QSemaphore go;
        int answersAfterOneDispatch = -1;
        // Hold the store's thread until the whole burst is queued, then dispatch once.
        QMetaObject::invokeMethod(store.store(), [&] {
            go.acquire();
            store.store()->onReqSendSignal();
            answersAfterOneDispatch = today.size() + app.size();
        });
        store.locked([](UseData *data) {
            queueTick(data, 4);
            emit data->notifyGetAppTodayFlowData("app2");
        });
        go.release();
        store.sync();
        QCOMPARE(answersAfterOneDispatch, 2);
        QCOMPARE(today.size(), 1);
        const auto all = today.at(0).at(0).value<QList<AppFlowDateParameter>>();
        QCOMPARE(all.size(), 4);
        QCOMPARE(all.at(3).appname, QString("app3"));
        // Queued after the save, answered with the saved row.
        const auto hours = app.at(0).at(0).value<QList<AppFlowDateParameter>>();
        QCOMPARE(describe(hours.at(12)), QString("app2|S|12:00|12|1|13"));
    }

    void answers_leave_in_request_order_from_the_store_thread()
    {
        StoreThread store;
        AnswerOrder order(store.store());
        store.locked([](UseData *data) {
            emit data->notifyGetTodayFlowData();
            emit data->notifyGetThisMonthFlowData();
            emit data->notifyGetAppTodayFlowData("a");
            emit data->notifyGetTodayFlowData();
        });
        store.sync();
        QCOMPARE(order.names(), QStringList({"today", "this month", "app today", "today"}));
        for (QThread *thread : order.threads())
            QCOMPARE(thread, store.store()->thread());
    }

    void sample_signal_from_another_thread_is_queued_into_the_store_thread()
    {
        StoreThread store;
        AnswerOrder order(store.store());
        emit store.store()->notifyDeleteFlowCacheData();
        emit store.store()->notifySaveFlowCacheDataToLst("a", "A", 3, 4);
        store.sync();
        emit store.store()->notifySaveFlowData();
        emit store.store()->notifyGetTodayFlowData();
        store.sync();
        QCOMPARE(FlowFile().rows().size(), 1);
        QCOMPARE(order.names(), QStringList({"today"}));
    }

    void failing_query_is_dropped_after_bounded_retries_and_later_requests_run()
    {
        StoreThread store;
        allToday(store);
        FlowFile().exec("ALTER TABLE flowDetail RENAME TO moved");
        AnswerOrder order(store.store());
        LogCapture log;
        store.locked([](UseData *data) {
            emit data->notifyGetTodayFlowData();
            emit data->notifyGetAppTodayFlowData("a");
            emit data->notifyGetThisMonthFlowData();
        });
        store.sync();
        QCOMPARE(order.names(), QStringList({"today", "today", "today", "app today", "this month",
                                             "this month", "this month"}));
        QCOMPARE(log.lines().filter("request dropped").size(), 2);
        QVERIFY(log.lines().contains("request dropped after 3 failed attempts: GetTodayFlowData"));
    }

    void failing_save_keeps_its_rows_once_and_the_reference_snapshot()
    {
        StoreThread store;
        store.locked([](UseData *data) { queueTick(data, 5); });
        store.sync();
        FlowFile().exec("CREATE TRIGGER refuse BEFORE INSERT ON flowDetail WHEN "
                        "NEW.appname = 'app2' BEGIN SELECT RAISE(ABORT, 'refused'); END");
        LogCapture log;
        store.locked([](UseData *data) {
            data->enqueueDeleteFlowCacheData();
            for (int i = 0; i < 5; ++i)
                data->enqueueSaveFlowCacheDataToLst(QString("app%1").arg(i), "S", 20 + i, 1);
            data->enqueueSaveFlowData();
        });
        store.sync();
        QVERIFY(log.lines().contains("request dropped after 3 failed attempts: SaveFlowData"));
        QCOMPARE(FlowFile().rows("WHERE rowid > 5").size(), 2);

        FlowFile().exec("DROP TRIGGER refuse");
        store.locked([](UseData *data) {
            data->enqueueDeleteFlowCacheData();
            data->enqueueSaveFlowCacheDataToLst("app2", "S", 32, 1);
            data->enqueueSaveFlowData();
        });
        store.sync();
        // Against the snapshot of the last successful save (12 down), not the failed one (22).
        QCOMPARE(FlowFile().rows("WHERE rowid > 7"),
                 QList<QVariantList>({{"app2", "S", "2024/03/05/12", 20.0, 20.0, 0}}));
    }
};

QTEST_GUILESS_MAIN(HistoryQueueTest)
#include "tst_historyqueue.moc"
