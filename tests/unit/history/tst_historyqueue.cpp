#include "historytestsupport.h"

#include "records/clock.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

using namespace HistoryTest;

namespace {
// Names each answer as it leaves; one sent from another thread than the store's is marked so.
// The names are read only after StoreThread::sync(), which orders the appends before the read.
void recordAnswers(UseData *store, QStringList &names)
{
    for (const auto &answer : QList<QPair<const Period *, QString>>(
             {{&kToday, "today"}, {&kThisMonth, "this month"}, {&kAppToday, "app today"}}))
        QObject::connect(
            store, answer.first->answer, store,
            [store, &names, name = answer.second] {
                names.append(QThread::currentThread() == store->thread() ? name
                                                                         : name + " elsewhere");
            },
            Qt::DirectConnection);
}

QList<Sample> samples(int applications, double downloadedBase)
{
    QList<Sample> samples;
    for (int i = 0; i < applications; ++i)
        samples.append({QString("app%1").arg(i), "S", downloadedBase + i, 1});
    return samples;
}
} // namespace

class HistoryQueueTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        useFreshHome();
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
            data->enqueueDeleteFlowCacheData();
            for (const Sample &s : samples(4, 10))
                data->enqueueSaveFlowCacheDataToLst(s.appname, s.sname, s.downloaded, s.uploaded);
            data->enqueueSaveFlowData();
            emit data->notifyGetTodayFlowData();
            emit data->notifyGetAppTodayFlowData("app2");
        });
        go.release();
        store.sync();
        QCOMPARE(answersAfterOneDispatch, 2);
        const QStringList all = describe(today.at(0).at(0).value<QList<AppFlowDateParameter>>());
        QCOMPARE(all.size(), 4);
        QVERIFY(all.at(3).startsWith("app3|"));
        // Queued after the save, answered with the saved row.
        QCOMPARE(describe(app.at(0).at(0).value<QList<AppFlowDateParameter>>()).at(12),
                 QString("app2|S|12:00|12|1|13"));
    }

    void sample_signal_from_another_thread_is_queued_into_the_store_thread()
    {
        StoreThread store;
        emit store.store()->notifyDeleteFlowCacheData();
        emit store.store()->notifySaveFlowCacheDataToLst("a", "A", 3, 4);
        store.sync();
        emit store.store()->notifySaveFlowData();
        store.sync();
        QCOMPARE(FlowFile().rows(), QStringList("a|A|3|4|7"));
    }

    void answers_leave_in_request_order_from_the_store_thread_past_a_failing_request()
    {
        QStringList answers;
        StoreThread store;
        store.locked([](UseData *data) { emit data->notifyGetTodayFlowData(); });
        store.sync();
        FlowFile().exec("ALTER TABLE flowDetail RENAME TO moved");
        recordAnswers(store.store(), answers);
        LogCapture log;
        store.locked([](UseData *data) {
            emit data->notifyGetTodayFlowData();
            emit data->notifyGetAppTodayFlowData("a");
            emit data->notifyGetThisMonthFlowData();
        });
        store.sync();
        // Each attempt answers; the failing ones are dropped after three.
        QCOMPARE(answers, QStringList({"today", "today", "today", "app today", "this month",
                                       "this month", "this month"}));
        QCOMPARE(log.lines().filter("request dropped").size(), 2);
        QVERIFY(log.lines().contains("request dropped after 3 failed attempts: GetTodayFlowData"));
    }

    void failing_save_keeps_its_rows_once_and_the_reference_snapshot()
    {
        StoreThread store;
        store.save(samples(5, 10));
        FlowFile().exec("CREATE TRIGGER refuse BEFORE INSERT ON flowDetail WHEN "
                        "NEW.appname = 'app2' BEGIN SELECT RAISE(ABORT, 'refused'); END");
        LogCapture log;
        store.save(samples(5, 20));
        QVERIFY(log.lines().contains("request dropped after 3 failed attempts: SaveFlowData"));
        QCOMPARE(FlowFile().rows("WHERE rowid > 5").size(), 2);

        FlowFile().exec("DROP TRIGGER refuse");
        store.save({{"app2", "S", 32, 1}});
        // Against the snapshot of the last successful save (12 down), not the failed one (22).
        QCOMPARE(FlowFile().rows("WHERE rowid > 7"), QStringList("app2|S|20|0|20"));
    }
};

QTEST_GUILESS_MAIN(HistoryQueueTest)
#include "tst_historyqueue.moc"
