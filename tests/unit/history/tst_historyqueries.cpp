// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "historytestsupport.h"

#include "history/flowmerge.h"
#include "history/literalflowqueries.h"
#include "history/unsummedreads.h"
#include "history/unsummedspans.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <atomic>

using namespace HistoryTest;

namespace {
const QStringList kApps = {"a.desktop", "b.desktop", "it's.desktop", "d.desktop", "e.desktop"};
const QStringList kSecondNames = {"A", "B", "C"};

QStringList literalAnswer(QSqlQuery &rows, const Period &period, const QString &app,
                          const QDate &today)
{
    const QDate day = !period.previous ? today
                      : period.month   ? today.addMonths(-1)
                                       : today.addDays(-1);
    if (period.app)
        return describe(period.month ? LiteralFlowQueries::queryAppMonth(rows, app, day)
                                     : LiteralFlowQueries::queryAppDay(rows, app, day));
    QList<AppFlowDateParameter> list;
    if (period.month)
        LiteralFlowQueries::queryMonth(rows, list, day);
    else
        LiteralFlowQueries::queryDay(rows, list, day);
    return describe(list);
}

// Each day's records from `first` to `last` merged by application, as a use since adds them.
QStringList literalUse(QSqlQuery &rows, const QDate &first, const QDate &last)
{
    QList<AppFlowDateParameter> use;
    for (QDate day = first; day <= last; day = day.addDays(1)) {
        QList<AppFlowDateParameter> records;
        LiteralFlowQueries::queryDay(rows, records, day);
        for (const AppFlowDateParameter &record : qAsConst(records))
            FlowMerge::mergeByAppname(use, record);
    }
    return describe(use);
}

// Every answer of the store at `now`, beside the one computed from the rows; the use since a
// first day spans a month's end on most days asked.
void compareAllAnswers(StoreThread &store, const QDateTime &now)
{
    setNow(now);
    FlowFile file;
    QSqlQuery rows(file.database());
    for (const Period *period : {&kYesterday, &kToday, &kLastMonth, &kThisMonth, &kAppYesterday,
                                 &kAppToday, &kAppLastMonth, &kAppThisMonth})
        for (const QString &app : period->app ? kApps + QStringList("unknown") : QStringList(""))
            QCOMPARE(ask(store, *period, app), literalAnswer(rows, *period, app, now.date()));
    const QDate first = now.date().addDays(-20);
    QCOMPARE(ask(store, HistoryRequest::useSince(first)), literalUse(rows, first, now.date()));
}

void compareAcrossTheMonths(StoreThread &store, QList<QDate> days = {})
{
    days << QDate(2024, 1, 31) << QDate(2024, 2, 10) << QDate(2024, 3, 1) << QDate(2024, 3, 16)
         << QDate(2024, 4, 2);
    for (const QDate &day : days) {
        compareAllAnswers(store, QDateTime(day, QTime(12, 0)));
        if (QTest::currentTestFailed())
            return;
    }
}

// Rows as a program that knows only flowDetail writes them: full-precision amounts, keys that
// mostly move forward but sometimes jump back, as when the clock is set back.
void writeRows(int count, quint32 seed)
{
    StoreThread(); // creates the file
    QRandomGenerator random(seed);
    QList<Sample> rows;
    QDateTime moment(QDate(2024, 1, 1), QTime(0, 0));
    // About a hundred days from 1 January, the back jumps included.
    const int meanStep = 100 * 86400 / count + 600;
    for (int i = 0; i < count; ++i) {
        moment = moment.addSecs(random.bounded(100) == 0 ? -random.bounded(2 * 86400)
                                                         : random.bounded(meanStep * 2));
        const double down = random.generateDouble() * 1000 - (random.bounded(10) == 0 ? 300 : 0);
        const double up = random.generateDouble() / 3;
        rows.append({kApps.at(random.bounded(kApps.size())),
                     kSecondNames.at(random.bounded(kSecondNames.size())), down, up,
                     moment.toString("yyyy/MM/dd/hh")});
    }
    FlowFile().insert(rows);
}

// Rows of every kind another program may have written: keys of no real hour (month 13 or
// 00, 29 February of a common year, hour 24, short fields), names and keys that are not text,
// text, integer and missing amounts, all among regular rows of the same hours.
const QStringList kRowsOfEveryKind = {
    "('a.desktop', 'A', '2023/12/31/10', 1.25, 1, 0.25)",
    "('a.desktop', 'A', '2023/13/05/10', 2, 1, 1)",
    "('a.desktop', 7, '2023/12/31/10', 3, 2, 1)",
    "('b.desktop', 'B', '2024/00/15/03', 2, 1, 1)",
    "('b.desktop', 'B', '2024/01/01/03', 9007199254740993, 9007199254740993, 0)",
    "('b.desktop', 2.5, '2024/01/01/03', NULL, NULL, NULL)",
    "('b.desktop', 'B', '2023/02/29/01', 2, 1, 1)",
    "('b.desktop', 'B', '2024/02/29/01', 2, 1, 1)",
    "('b.desktop', 'B', '0000/02/29/01', 2, 1, 1)",
    "('b.desktop', 'B', '2024/01/01/24', 2, 1, 1)",
    "('b.desktop', 'B', '2024/1/01/03', 2, 1, 1)",
    "('b.desktop', 'B', x'323032342f30312f30312f3033', 2, 1, 1)",
    "(x'00ff', 'B', '2024/01/01/03', 2, 1, 1)",
    "(NULL, 'N', '2024/01/01/03', 2, 1, 1)",
    "('it''s.desktop', 'I', '2024/01/01/03', '3', 1, '3')",
    "('it''s.desktop', 'I', '2024/01/01/03', 0.1, 0.7, x'00')",
    "('it''s.desktop', x'01', '2024/01/01/03', 0.1, 0.7, 0.2)",
    "('a.desktop', 'A', '2023/12/31/10', 1e300, -1e300, 0.5)",
};

void insertRowsOfEveryKind()
{
    FlowFile file;
    for (const QString &row : kRowsOfEveryKind)
        file.exec(QString("INSERT INTO flowDetail VALUES %1").arg(row));
}

QStringList sumsAndOddRows()
{
    return FlowFile().values(
        "SELECT appname, hourKey, typeof(sName), sName, printf('%.17g|%.17g|%.17g', totalFlow, "
        "downloadedFlow, uploadedFlow) FROM flowHourSum UNION ALL SELECT dayKey || appname, "
        "hourKey, typeof(sName), sName, printf('%d|%d|%.17g|%.17g|%.17g', firstRow, lastRow, "
        "totalFlow, downloadedFlow, uploadedFlow) FROM flowDaySum UNION ALL "
        "SELECT 'odd', id, '', '', '' FROM flowOddRow ORDER BY 1, 2");
}

void waitForTheSums(StoreThread &store)
{
    ask(store, kToday);
    store.waitUntil(sumsBuilt);
}

// Opens the file in a store of its own, which builds the sums.
void buildTheSums()
{
    StoreThread store;
    waitForTheSums(store);
}
} // namespace

class HistoryQueriesTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        useFreshHome();
        setNow(QDateTime(QDate(2024, 3, 5), QTime(12, 0)));
    }
    void cleanup()
    {
        Clock::resetNowSource();
        UnsummedSpans::setPausePerBlock(0);
    }

    void one_application_day_has_24_hours_merged_regardless_of_second_name()
    {
        StoreThread store;
        FlowFile().insert({{"a", "N", 1, 1, "2024/03/05/09"},
                           {"a", "X", 1, 0, "2024/03/05/14"},
                           {"b", "B", 100, 0, "2024/03/05/14"},
                           {"a", "Y", 2, 0, "2024/03/05/14"},
                           {"a", "X", 4, 0, "2024/03/05/14"},
                           {"a", "Z", 0, 3, "2024/03/05/23"},
                           {"a", "Z", 50, 0, "2024/03/04/14"}});
        QStringList expected = zeroHours("a");
        expected[9] = "a|N|09:00|1|1|2";
        expected[14] = "a|X|14:00|7|0|7";
        expected[23] = "a|Z|23:00|0|3|3";
        QCOMPARE(ask(store, kAppToday, "a"), expected);
        QCOMPARE(ask(store, kAppToday, "x' OR '1'='1"), zeroHours("x' OR '1'='1"));
    }

    void one_application_month_has_a_record_per_day()
    {
        setNow(QDateTime(QDate(2024, 3, 31), QTime(12, 0)));
        StoreThread store;
        FlowFile().insert({{"a", "early", 1, 2, "2024/02/10/03"},
                           {"a", "late", 4, 8, "2024/02/10/23"},
                           {"a", "X", 16, 0, "2024/02/29/22"}});
        // A stored total that is not the sum of its parts is not used.
        FlowFile().exec("INSERT INTO flowDetail VALUES ('a','X','2024/02/29/23',1000,0.1,0.2)");
        const QStringList month = ask(store, kAppLastMonth, "a");
        QCOMPARE(month.size(), 29);
        QCOMPARE(month.at(0), QString("a||02-01|0|0|0"));
        QCOMPARE(month.at(9), QString("a|late|02-10|5|10|15"));
        const double down = 0.0 + 16 + 0.1, up = 0.0 + 0 + 0.2;
        QCOMPARE(month.at(28), describe({{"a", "X", "02-29", down, up, down + up}}).at(0));
    }

    void last_month_of_january_is_december_of_the_year_before()
    {
        setNow(QDateTime(QDate(2024, 1, 10), QTime(12, 0)));
        StoreThread store;
        FlowFile().insert({{"a", "A", 1, 1, "2023/12/31/23"}, {"a", "A", 5, 5, "2024/01/01/00"}});
        QCOMPARE(ask(store, kLastMonth), QStringList("a|A|2023/12/31/23|1|1|2"));
        const QStringList month = ask(store, kAppLastMonth, "a");
        QCOMPARE(month.size(), 31);
        QCOMPARE(month.at(30), QString("a|A|12-31|1|1|2"));
    }

    // The build reads rows apart from the trigger that sums the later ones: for any rows, built
    // at once or in two parts, the sums and the odd rows come out the same as the trigger's.
    void build_keeps_the_same_sums_and_odd_rows_as_the_trigger()
    {
        writeRows(400, 31);
        insertRowsOfEveryKind();
        writeRows(400, 32);
        QStringList built;
        {
            StoreThread store;
            waitForTheSums(store);
            built = sumsAndOddRows();
            compareAcrossTheMonths(store, {QDate(2023, 12, 31), QDate(2024, 1, 1)});
        }
        QCOMPARE(built.filter(QRegularExpression("^odd\\|")).size(), 10);

        useFreshHome();
        buildTheSums();
        writeRows(400, 31);
        insertRowsOfEveryKind();
        writeRows(400, 32);
        QCOMPARE(sumsAndOddRows(), built);

        // A build that stopped half way goes on from the sums it wrote.
        useFreshHome();
        writeRows(400, 31);
        insertRowsOfEveryKind();
        buildTheSums();
        FlowFile().exec("DROP TRIGGER flowDetail_sum_insert");
        FlowFile().exec("UPDATE flowSumState SET complete = 0");
        writeRows(400, 32);
        buildTheSums();
        QCOMPARE(sumsAndOddRows(), built);
    }

    // While the sums are built (here a build that cannot go on), saves go on and answers add
    // the rows not summed yet to the sums, exactly as reading all rows does, the rows written
    // since the period was last asked included.
    void answers_while_the_sums_are_built_are_those_of_the_rows()
    {
        writeRows(3000, 21);
        buildTheSums();
        {
            FlowFile file;
            file.exec("DROP TRIGGER flowDetail_sum_insert");
            file.exec("UPDATE flowSumState SET complete = 0");
            file.exec("CREATE TRIGGER refuse BEFORE INSERT ON flowHourSum BEGIN "
                      "SELECT RAISE(ABORT, 'refused'); END");
        }
        writeRows(2000, 22);
        FlowFile().insert({{"a.desktop", "A", 1, 2, "2024/01/19/24"}});
        StoreThread store;
        // Saves go on meanwhile.
        store.queue({{"new.desktop", "N", 3, 0}});
        QVERIFY(store.waitUntil(
            [] { return FlowFile().rows("WHERE appname = 'new.desktop'").size() == 1; }, 1500));
        compareAcrossTheMonths(store, {QDate(2024, 1, 20)});
        store.save({{"a.desktop", "A", 5, 5}, {"it's.desktop", "I", 1, 0}});
        FlowFile().insert({{"b.desktop", "B", 1, 2, "2024/04/01/23"}});
        // Asked again, a period reads only the rows written since, not all those not summed.
        const qint64 read = UnsummedReads::rowsRead();
        compareAllAnswers(store, QDateTime(QDate(2024, 4, 2), QTime(12, 0)));
        QVERIFY(UnsummedReads::rowsRead() - read <= 3 * 28);
        QCOMPARE(FlowFile().values("SELECT complete, builtTo FROM flowSumState"),
                 QStringList("0|3000"));
    }

    // A client that asks again as soon as it is answered, two questions at a time, never
    // leaves the queue empty: the build must still get its share, and every answer meanwhile
    // be that of the rows.
    void the_build_ends_while_a_client_asks_without_pause()
    {
        writeRows(60000, 41); // from November to the middle of January
        const QDateTime now(QDate(2024, 1, 10), QTime(12, 0));
        setNow(now);
        const Period *periods[] = {&kAppThisMonth, &kAppLastMonth};
        QStringList expected[2];
        {
            FlowFile file;
            QSqlQuery rows(file.database());
            for (int i = 0; i < 2; ++i)
                expected[i] = literalAnswer(rows, *periods[i], "a.desktop", now.date());
        }
        StoreThread store;
        QElapsedTimer asking;
        asking.start();
        std::atomic<int> answers{0}, wrong{0};
        std::atomic<bool> built{false};
        for (int i = 0; i < 2; ++i) {
            QObject::connect(
                store.store, &UseData::answered, store.store,
                [&, i](const HistoryAnswer &answer) {
                    if (!periods[i]->asked(answer))
                        return;
                    ++answers;
                    wrong += describe(answer.rows) != expected[i];
                    built = sumsBuilt();
                    if (!built && asking.elapsed() < 10000)
                        store.store->request(periods[i]->request("a.desktop"));
                },
                Qt::DirectConnection);
            store.store->request(periods[i]->request("a.desktop"));
        }
        QVERIFY(store.waitUntil([&] { return built.load(); }, 10000));
        QVERIFY(answers > 2);
        QCOMPARE(wrong.load(), 0);
    }

    // While the build maps the rows not summed, the collector's lists wait and a caller's answer
    // passes them, a save between them too; they come once the mapping is done.
    void collector_lists_wait_while_the_rows_not_summed_are_mapped()
    {
        writeRows(3000, 43);
        // 12 blocks: longer than the slices a save and the requests before it may be owed (1 s).
        UnsummedSpans::setPausePerBlock(300);
        StoreThread store;
        const QStringList order = store.answerOrder(2, [](UseData *data) {
            data->request(kToday.request({}));
            data->enqueueDeleteFlowCacheData();
            data->enqueueSaveFlowCacheDataToLst("a.desktop", "A", 1, 0);
            data->enqueueSaveFlowData();
            data->request(HistoryRequest::application("a.desktop", FlowPeriod::Today,
                                                      HistoryRequest::Answering::Once));
        });
        QCOMPARE(order, (QStringList{"GetAppFlowDataForRequest", "GetTodayFlowData"}));
    }

    // Another program may change the file: the store follows, rebuilding or reading rows.
    void rows_changed_elsewhere_and_irregular_keys_answer_as_the_rows_do()
    {
        writeRows(3000, 5);
        StoreThread store;
        const QDateTime now(QDate(2024, 1, 20), QTime(8, 0));
        compareAllAnswers(store, now);
        FlowFile().exec("DELETE FROM flowDetail WHERE rowid % 7 = 0");
        compareAllAnswers(store, now);
        FlowFile().exec("UPDATE flowDetail SET sName = 'changed' WHERE rowid % 5 = 0");
        compareAllAnswers(store, now);
        FlowFile().exec("DROP TRIGGER IF EXISTS flowDetail_sum_insert"); // rows slip in unsummed
        FlowFile().insert({{"a.desktop", "A", 1, 2, "2024/01/20/07"}});
        compareAllAnswers(store, now);
        FlowFile().insert(
            {{"a.desktop", "A", 3, 4, "2024/01/19/24"}, {"a.desktop", "A", 5, 6, "2024/01/20/7"}});
        compareAllAnswers(store, now);
    }

    // Rows another program may write: text amounts, no name, a blob name, keys of no hour.
    void odd_rows_are_read_from_their_days_and_the_sums_answer_the_rest()
    {
        writeRows(3000, 13);
        StoreThread store;
        const QDateTime now(QDate(2024, 1, 20), QTime(8, 0));
        compareAllAnswers(store, now);
        for (const char *row :
             {"('a.desktop', 'A', '2024/01/20/07', 'lots', 'lots', 1)",
              "('it''s.desktop', 'I', '2024/01/19/03', 3, 1, '12abc')",
              "(NULL, 'N', '2024/01/19/05', 2, 1, 1)", "(x'00ff', 'B', '2024/01/20/01', 2, 1, 1)",
              "('d.desktop', 'D', '2024/01/19/24', 2, 1, 1)",
              "('d.desktop', 'D', '2024/01/20/7', 2, 1, 1)",
              "('e.desktop', 'E', '2024/02/30/10', 2, 1, 1)", "('e.desktop', 'E', NULL, 2, 1, 1)"})
            FlowFile().exec(QString("INSERT INTO flowDetail VALUES %1").arg(row));
        store.save({{"a.desktop", "A", 5, 5}, {"e.desktop", "E", 1, 0}});
        compareAcrossTheMonths(store, {now.date(), now.date().addDays(-1), QDate(2024, 2, 29)});
        if (QTest::currentTestFailed())
            return;

        // A day without odd rows is answered from its sums alone, whatever its rows hold.
        FlowFile().exec("UPDATE flowDaySum SET downloadedFlow = 12345 WHERE dayKey = '2024/02/10' "
                        "AND appname = 'b.desktop'");
        FlowFile().exec("UPDATE flowHourSum SET uploadedFlow = 54321 WHERE appname = 'b.desktop' "
                        "AND hourKey LIKE '2024/02/10/%'");
        setNow(QDateTime(QDate(2024, 2, 11), QTime(8, 0)));
        QCOMPARE(ask(store, kYesterday)
                     .filter(QRegularExpression("^b\\.desktop\\|.*\\|12345\\|"))
                     .size(),
                 1);
        QVERIFY(!ask(store, kAppYesterday, "b.desktop").filter("|54321|").isEmpty());
    }

    void retention_removes_sums_with_their_rows()
    {
        writeRows(3000, 9);
        StoreThread store;
        compareAllAnswers(store, QDateTime(QDate(2024, 3, 2), QTime(8, 0)));
        setLastModified(QDateTime(QDate(2024, 2, 20), QTime(8, 0)));
        setNow(QDateTime(QDate(2024, 4, 2), QTime(8, 0)));
        store.save({{"a.desktop", "A", 1, 1}});
        QCOMPARE(FlowFile().values(
                     "SELECT count(*) FROM flowDetail WHERE dataymdh < '2024/02/01/00' UNION ALL "
                     "SELECT count(*) FROM flowDaySum WHERE dayKey < '2024/02/01' UNION ALL "
                     "SELECT count(*) FROM flowHourSum WHERE hourKey < '2024/02/01/00' UNION ALL "
                     "SELECT stale FROM flowSumState"),
                 QStringList({"0", "0", "0", "0"}));
        compareAllAnswers(store, QDateTime(QDate(2024, 4, 2), QTime(8, 0)));
    }
};

QTEST_GUILESS_MAIN(HistoryQueriesTest)
#include "tst_historyqueries.moc"
