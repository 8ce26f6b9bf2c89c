// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "historytestsupport.h"

#include "history/hourkey.h"

#include <QRegularExpression>
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

QStringList keysOf(const QString &appname)
{
    return FlowFile().values("SELECT dataymdh FROM flowDetail WHERE appname = '" + appname +
                             "' ORDER BY rowid");
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
        // Full totals first, quotes and all. Lower totals are counters that started again: all
        // of them is growth, each direction on its own. An application missing from a save
        // keeps its reference.
        QTest::newRow("growth, none, started again, absent")
            << QList<QList<Sample>>({{{"a", "A", 100, 50}, {"it's", "O'Brien", 7, 0}},
                                     {{"a", "A", 130, 70}, {"it's", "O'Brien", 7, 0}},
                                     {{"a", "A", 130, 70}},
                                     {{"a", "A", 10, 5}},
                                     {{"a", "A", 12, 6}, {"it's", "O'Brien", 9, 1}}})
            << QStringList({"a|A|100|50|150", "it's|O'Brien|7|0|7", "a|A|30|20|50",
                            "it's|O'Brien|0|0|0", "a|A|0|0|0", "a|A|10|5|15", "a|A|2|1|3",
                            "it's|O'Brien|2|1|3"});
        QTest::newRow("upload started again")
            << QList<QList<Sample>>({{{"a", "A", 100, 50}}, {{"a", "A", 130, 4}}})
            << QStringList({"a|A|100|50|150", "a|A|30|4|34"});
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

    // The record of the last retention, not the file's modification time, tells whether this
    // month's retention ran; the year counts as well as the month.
    void retention_runs_once_a_month_as_the_file_records()
    {
        QFETCH(QDateTime, previous);
        QFETCH(QString, recorded);
        QFETCH(QDateTime, now);
        QFETCH(QStringList, kept);
        setNow(previous);
        // A save attaches the sums, so that the next one removes old rows without building first.
        StoreThread().save({{"other.desktop", "O", 1, 1}});
        for (const QString &key : kKeys)
            FlowFile().insert({{"a.desktop", "A", 1, 1, key}});
        FlowFile().insert({{"other.desktop", "O", 1, 1, HourKey::of(previous)}});
        if (recorded.isNull())
            FlowFile().exec("DROP TABLE flowSaveState");
        else
            FlowFile().exec("UPDATE flowSaveState SET value = '" + recorded +
                            "' WHERE name = 'last retention month'");
        setLastModified(now);
        setNow(now);
        StoreThread store;
        store.sync([&] { store.store->loadKeptReference(); });
        store.save({{"b.desktop", "B", 1, 1}});
        QCOMPARE(keysOf("a.desktop"), kept);
    }

    void retention_runs_once_a_month_as_the_file_records_data()
    {
        QTest::addColumn<QDateTime>("previous");
        QTest::addColumn<QString>("recorded");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QStringList>("kept");
        const QStringList lastThreeMonths = {"2024/01/01/00", "2024/02/29/23"};
        QTest::newRow("new month")
            << at("2024-02-29T23:30") << "2024/02" << at("2024-03-01T00:10") << lastThreeMonths;
        QTest::newRow("January") << at("2023-12-31T23:00") << "2023/12" << at("2024-01-01T08:00")
                                 << QStringList({"2023/11/01/00", "2023/12/31/23", "2024/01/01/00",
                                                 "2024/02/29/23"});
        QTest::newRow("same month a year later")
            << at("2024-03-20T07:00") << "2023/03" << at("2024-03-20T08:00") << lastThreeMonths;
        QTest::newRow("same month")
            << at("2024-03-20T07:00") << "2024/03" << at("2024-03-20T08:00") << kKeys;
        QTest::newRow("file of an earlier version, written this month")
            << at("2024-03-20T07:00") << QString() << at("2024-03-20T08:00") << lastThreeMonths;
        QTest::newRow("file of an earlier version, first opened months later")
            << at("2022-12-20T09:00") << QString() << at("2024-01-15T10:00")
            << QStringList(kKeys.mid(2));
    }

    // Within one boot, a change of the wall clock the boot clock did not see is a jump: a clock
    // set months ahead and put right within a day deletes nothing, one kept for a day is
    // believed. Days spent suspended, or a new boot, are no jump.
    void retention_waits_a_day_after_the_clock_jumped_within_one_boot()
    {
        QFETCH(QStringList, saves);
        QFETCH(bool, held);
        QFETCH(QStringList, kept);
        setNow(at("2024-03-15T10:00"));
        setBoot("a", 0);
        StoreThread store;
        store.save({{"other.desktop", "O", 1, 1}});
        for (const char *key : {"2024/01/31/23", "2024/03/15/09"})
            FlowFile().insert({{"a.desktop", "A", 1, 1, key}});
        LogCapture log;
        for (const QString &save : saves) { // wall clock, boot id, hours since boot
            const QStringList parts = save.split(' ');
            setNow(at(qPrintable(parts[0])));
            setBoot(parts[1], parts[2].toDouble() * 3600000);
            store.save({{"b.desktop", "B", 1, 1}});
        }
        QCOMPARE(log.lines.filter("retention waits until the clock has run steadily").isEmpty(),
                 !held);
        QTRY_COMPARE(keysOf("a.desktop"), kept);
    }

    void retention_waits_a_day_after_the_clock_jumped_within_one_boot_data()
    {
        QTest::addColumn<QStringList>("saves");
        QTest::addColumn<bool>("held");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("18 days suspended")
            << QStringList{"2024-04-02T10:00 a 432"} << false << QStringList({"2024/03/15/09"});
        QTest::newRow("put right within the day")
            << QStringList{"2024-07-20T10:00 a 1", "2024-07-20T18:00 a 9", "2024-03-15T12:00 a 10",
                           "2024-03-16T06:00 a 28", "2024-03-16T12:30 a 34.5"}
            << true << QStringList({"2024/01/31/23", "2024/03/15/09"});
        QTest::newRow("kept for a day")
            << QStringList{"2024-07-20T10:00 a 1", "2024-07-21T10:30 a 25.5"} << true
            << QStringList();
        QTest::newRow("new boot") << QStringList{"2024-07-20T10:00 b 0.1"} << false
                                  << QStringList();
    }

    void one_dispatch_handles_a_burst_in_arrival_order()
    {
        StoreThread store;
        QSignalSpy answers(store.store, &UseData::answered);
        QSemaphore go;
        int answersAfterOneDispatch = -1;
        // Hold the store's thread until the whole burst is queued, then dispatch once.
        QMetaObject::invokeMethod(store.store, [&] {
            go.acquire();
            store.store->onReqSendSignal();
            answersAfterOneDispatch = answers.size();
        });
        store.locked([](UseData *data) {
            data->enqueueDeleteFlowCacheData();
            data->enqueueSaveFlowCacheDataToLst("app2", "S", 12, 1);
            data->enqueueSaveFlowData();
            data->request(kToday.request({}));
            data->request(kAppToday.request("app2"));
        });
        go.release();
        store.sync();
        QCOMPARE(answersAfterOneDispatch, 2);
        QCOMPARE(describe(answers.at(1).at(0).value<HistoryAnswer>().rows).at(10),
                 QString("app2|S|10:00|12|1|13"));
    }

    // A caller waiting for its answer goes ahead of the collector's waiting period lists.
    void a_callers_answer_goes_ahead_of_waiting_period_lists()
    {
        StoreThread store;
        const QStringList order = store.answerOrder(3, [](UseData *data) {
            data->request(kToday.request({}));
            data->request(kThisMonth.request({}));
            data->request(HistoryRequest::application("a", FlowPeriod::Today,
                                                      HistoryRequest::Answering::Once));
        });
        QCOMPARE(order, (QStringList{"GetTodayFlowData", "GetAppFlowDataForRequest",
                                     "GetThisMonthFlowData"}));
    }

    void answers_leave_in_request_order_past_a_failing_request()
    {
        QStringList answers;
        StoreThread store;
        store.locked([](UseData *data) { data->request(kToday.request({})); });
        store.sync();
        FlowFile().hideRows();
        connect(
            store.store, &UseData::answered, store.store,
            [&answers, &store](const HistoryAnswer &answer) {
                const bool storeThread = QThread::currentThread() == store.store->thread();
                answers << QString("%1 %2")
                               .arg(storeThread ? answer.request.name() : "elsewhere")
                               .arg(answer.rows.size());
            },
            Qt::DirectConnection); // appended in the store's thread, read after sync
        LogCapture log;
        store.locked([](UseData *data) {
            data->request(kToday.request({}));
            data->request(kAppToday.request("a"));
            data->request(kThisMonth.request({}));
        });
        // Failed attempts are tried again after a pause; each request answers once, when done.
        store.waitUntil([&] {
            int answered = 0;
            store.sync([&] { answered = answers.size(); });
            return answered >= 3;
        });
        // Rows that cannot be read answer an empty list, never made-up zeros.
        QCOMPARE(answers, QStringList({"GetTodayFlowData 0", "GetAppTodayFlowData 0",
                                       "GetThisMonthFlowData 0"}));
        QCOMPARE(log.lines.filter("request dropped").size(), 3);
        QVERIFY(log.lines.contains("request dropped after 4 failed attempts: GetTodayFlowData"));
        // A dozen failed statements, each kind of failure logged once a minute, then counted.
        QStringList lines = log.lines;
        QCOMPARE(lines.removeDuplicates(), 0);
        setNow(QDateTime(QDate(2024, 3, 15), QTime(10, 1)));
        ask(store, kToday);
        QVERIFY(
            !log.lines.filter(QRegularExpression("^the same failure \\d+ more times")).isEmpty());
    }

    void failed_save_leaves_nothing_and_the_next_counts_the_growth_once()
    {
        StoreThread store;
        store.save({{"app0", "S", 10, 1}, {"app1", "S", 11, 1}});
        FlowFile().exec("CREATE TRIGGER refuse BEFORE INSERT ON flowDetail WHEN "
                        "NEW.appname = 'app1' BEGIN SELECT RAISE(ABORT, 'refused'); END");
        store.save({{"app0", "S", 20, 1}, {"app1", "S", 21, 1}});
        QCOMPARE(FlowFile().rows("WHERE rowid > 2"), QStringList());

        FlowFile().exec("DROP TRIGGER refuse");
        store.save({{"app0", "S", 30, 2}, {"app1", "S", 31, 1}});
        QTRY_COMPARE(FlowFile().values("SELECT appname, sum(downloadedFlow), sum(uploadedFlow) "
                                       "FROM flowDetail GROUP BY appname"),
                     QStringList({"app0|30|2", "app1|31|1"}));
    }
};

QTEST_GUILESS_MAIN(HistorySaveTest)
#include "tst_historysave.moc"
