#include "historytestsupport.h"

#include <QSemaphore>

using namespace HistoryTest;

namespace {
const QStringList kFirstStartLog = {"db open success! ", "flowDetail table create success!",
                                    "flowDetail table load success!"};
const QStringList kKeys = {"2023/01/01/00", "2023/10/31/23", "2023/11/01/00",
                           "2023/12/31/23", "2024/01/01/00", "2024/02/29/23"};

QDateTime at(const char *iso)
{
    return QDateTime::fromString(iso, Qt::ISODate);
}
} // namespace

class HistorySaveTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        useFreshHome();
        setNow(QDateTime(QDate(2024, 3, 15), QTime(10, 0)));
    }
    void cleanup() { Clock::resetNowSource(); }

    // Any Qt warning, such as for a connection used outside its thread, would join the log.
    void file_is_created_on_first_start_used_as_it_is_later_and_recreated_when_deleted()
    {
        LogCapture log;
        {
            StoreThread store;
            store.save({{"a.desktop", "A", 1, 2}});
            ask(store, kAppToday, "a.desktop");
        }
        QCOMPARE(log.lines, kFirstStartLog);
        StoreThread store;
        store.save({{"b.desktop", "B", 1, 1}});
        QCOMPARE(log.lines.mid(3), QStringList({kFirstStartLog[0], kFirstStartLog[2]}));
        QCOMPARE(FlowFile().rows().size(), 2);
        QVERIFY(QFile::remove(databasePath()));
        store.save({{"b.desktop", "B", 3, 1}});
        QCOMPARE(log.lines.mid(5), kFirstStartLog);
        QCOMPARE(FlowFile().rows(), QStringList("b.desktop|B|2|0|2"));
    }

    void save_stores_growth_since_the_previous_save()
    {
        QFETCH(QList<QList<Sample>>, saves);
        QFETCH(QStringList, rows);
        StoreThread store;
        for (const QList<Sample> &samples : saves)
            store.save(samples);
        QCOMPARE(FlowFile().rows(), rows);
    }

    void save_stores_growth_since_the_previous_save_data()
    {
        QTest::addColumn<QList<QList<Sample>>>("saves");
        QTest::addColumn<QStringList>("rows");
        // Full totals first, quotes and all; a name missing from the previous save starts again
        // from its totals, lower totals store zero growth and become the reference.
        QTest::newRow("growth, none, lower")
            << QList<QList<Sample>>({{{"a", "A", 100, 50}, {"it's", "O'Brien", 7, 0}},
                                     {{"a", "A", 130, 70}, {"it's", "O'Brien", 7, 0}},
                                     {{"a", "A", 130, 70}},
                                     {{"a", "A", 10, 5}},
                                     {{"a", "A", 12, 6}, {"it's", "O'Brien", 9, 1}}})
            << QStringList({"a|A|100|50|150", "it's|O'Brien|7|0|7", "a|A|30|20|50",
                            "it's|O'Brien|0|0|0", "a|A|0|0|0", "a|A|0|0|0", "a|A|2|1|3",
                            "it's|O'Brien|9|1|10"});
        QTest::newRow("duplicate names compare with the first saved record")
            << QList<QList<Sample>>(
                   {{{"a", "X", 10, 0}, {"a", "Y", 40, 0}}, {{"a", "X", 15, 0}, {"a", "Y", 45, 0}}})
            << QStringList({"a|X|10|0|10", "a|Y|40|0|40", "a|X|5|0|5", "a|Y|35|0|35"});
    }

    // As the statement with the amounts written in as six-digit literals stores them.
    void amounts_are_stored_as_their_six_digit_literal_would_be()
    {
        StoreThread().save({{"a", "A", 1234567, 0.25}, {"b", "B", 12.5, 3}});
        QCOMPARE(FlowFile().values("SELECT totalFlow, downloadedFlow, uploadedFlow, "
                                   "typeof(totalFlow), typeof(uploadedFlow) FROM flowDetail"),
                 QStringList({"1234570|1234570|0.25|real|real", "15.5|12.5|3|real|integer"}));
    }

    void retention_keeps_the_current_and_two_previous_months_when_the_month_changed()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, lastWritten);
        QFETCH(QStringList, kept);
        // A save attaches the sums, so that the next one removes old rows without building first.
        StoreThread().save({{"other.desktop", "O", 1, 1}});
        for (const QString &key : kKeys)
            FlowFile().insert({{"a.desktop", "A", 1, 1, key}});
        setLastModified(lastWritten);
        setNow(now);
        StoreThread().save({{"b.desktop", "B", 1, 1}});
        QCOMPARE(FlowFile().values("SELECT dataymdh FROM flowDetail WHERE appname='a.desktop'"),
                 kept);
    }

    void retention_keeps_the_current_and_two_previous_months_when_the_month_changed_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("lastWritten");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("end of March") << at("2024-03-31T23:00") << at("2024-02-29T23:00")
                                      << QStringList({"2024/01/01/00", "2024/02/29/23"});
        QTest::newRow("January") << at("2024-01-15T08:00") << at("2023-12-20T08:00")
                                 << QStringList({"2023/11/01/00", "2023/12/31/23", "2024/01/01/00",
                                                 "2024/02/29/23"});
        // Only the month is compared.
        QTest::newRow("same month a year later")
            << at("2024-03-20T08:00") << at("2023-03-10T08:00") << kKeys;
    }

    void one_dispatch_handles_a_burst_in_arrival_order()
    {
        StoreThread store;
        QSignalSpy today(store.store, &UseData::sendTodayFlowData);
        QSignalSpy app(store.store, &UseData::sendAppTodayFlowData);
        QSemaphore go;
        int answersAfterOneDispatch = -1;
        // Hold the store's thread until the whole burst is queued, then dispatch once.
        QMetaObject::invokeMethod(store.store, [&] {
            go.acquire();
            store.store->onReqSendSignal();
            answersAfterOneDispatch = today.size() + app.size();
        });
        store.locked([](UseData *data) {
            data->enqueueDeleteFlowCacheData();
            data->enqueueSaveFlowCacheDataToLst("app2", "S", 12, 1);
            data->enqueueSaveFlowData();
            emit data->notifyGetTodayFlowData();
            emit data->notifyGetAppTodayFlowData("app2");
        });
        go.release();
        store.sync();
        QCOMPARE(answersAfterOneDispatch, 2);
        QCOMPARE(describe(app.at(0).at(0).value<QList<AppFlowDateParameter>>()).at(10),
                 QString("app2|S|10:00|12|1|13"));
    }

    void answers_leave_in_request_order_past_a_failing_request()
    {
        QStringList answers;
        StoreThread store;
        store.locked([](UseData *data) { emit data->notifyGetTodayFlowData(); });
        store.sync();
        FlowFile().exec("ALTER TABLE flowDetail RENAME TO moved");
        for (const auto &[period, name] :
             {std::pair(&kToday, "today"), std::pair(&kThisMonth, "this month"),
              std::pair(&kAppToday, "app today")})
            connect(
                store.store, period->answer, store.store,
                [&answers, &store, name = name] {
                    const bool storeThread = QThread::currentThread() == store.store->thread();
                    answers << (storeThread ? name : "elsewhere");
                },
                Qt::DirectConnection); // appended in the store's thread, read after sync
        LogCapture log;
        store.locked([](UseData *data) {
            emit data->notifyGetTodayFlowData();
            emit data->notifyGetAppTodayFlowData("a");
            emit data->notifyGetThisMonthFlowData();
        });
        store.sync();
        // Each attempt answers, from the store's thread; the failing ones go after three.
        QCOMPARE(answers, QStringList({"today", "today", "today", "app today", "this month",
                                       "this month", "this month"}));
        QCOMPARE(log.lines.filter("request dropped").size(), 2);
        QVERIFY(log.lines.contains("request dropped after 3 failed attempts: GetTodayFlowData"));
    }

    void failing_save_keeps_its_rows_once_and_the_reference_snapshot()
    {
        StoreThread store;
        store.save({{"app0", "S", 10, 1}, {"app1", "S", 11, 1}});
        FlowFile().exec("CREATE TRIGGER refuse BEFORE INSERT ON flowDetail WHEN "
                        "NEW.appname = 'app1' BEGIN SELECT RAISE(ABORT, 'refused'); END");
        LogCapture log;
        store.save({{"app0", "S", 20, 1}, {"app1", "S", 21, 1}});
        QVERIFY(log.lines.contains("request dropped after 3 failed attempts: SaveFlowData"));
        QCOMPARE(FlowFile().rows("WHERE rowid > 2").size(), 1);

        FlowFile().exec("DROP TRIGGER refuse");
        store.save({{"app1", "S", 31, 1}});
        // Against the snapshot of the last successful save (11 down), not the failed one (21).
        QCOMPARE(FlowFile().rows("WHERE rowid > 3"), QStringList("app1|S|20|0|20"));
    }
};

QTEST_GUILESS_MAIN(HistorySaveTest)
#include "tst_historysave.moc"
