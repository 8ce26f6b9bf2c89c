#include "historytestsupport.h"

#include "history/literalflowqueries.h"
#include "records/clock.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTest>

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

// Every answer of the store at `now`, beside the one computed from the rows.
void compareAllAnswers(StoreThread &store, const QDateTime &now)
{
    setNow(now);
    FlowFile file;
    QSqlQuery rows(file.database());
    for (const Period *period : {&kYesterday, &kToday, &kLastMonth, &kThisMonth, &kAppYesterday,
                                 &kAppToday, &kAppLastMonth, &kAppThisMonth}) {
        for (const QString &app : period->app ? kApps + QStringList("unknown") : QStringList("")) {
            const QStringList answer = ask(store, *period, app);
            const QStringList literal = literalAnswer(rows, *period, app, now.date());
            if (answer != literal)
                qWarning() << "differs at" << now << app;
            QCOMPARE(answer, literal);
        }
    }
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
    if (!QFileInfo::exists(databasePath()))
        StoreThread();
    QRandomGenerator random(seed);
    QList<Row> rows;
    QDateTime moment(QDate(2024, 1, 1), QTime(0, 0));
    for (int i = 0; i < count; ++i) {
        moment = moment.addSecs(random.bounded(100) < 2 ? -random.bounded(3 * 86400)
                                                        : random.bounded(900));
        const double down = random.generateDouble() * 1000 - (random.bounded(10) == 0 ? 300 : 0);
        const double up = random.generateDouble() / 3;
        rows.append({kApps.at(random.bounded(kApps.size())),
                     kSecondNames.at(random.bounded(kSecondNames.size())),
                     moment.toString("yyyy/MM/dd/hh"), down, up});
    }
    FlowFile().insert(rows);
}
} // namespace

class HistoryEquivalenceTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { useFreshHome(); }
    void cleanup() { Clock::resetNowSource(); }

    void saves_with_the_clock_set_back_answer_as_the_rows_do()
    {
        StoreThread store;
        QRandomGenerator random(7);
        QVector<double> down(kApps.size()), up(kApps.size());
        QDateTime moment(QDate(2024, 1, 20), QTime(0, 0));
        for (int tick = 0; tick < 400; ++tick) {
            moment = moment.addSecs(tick == 250 ? -5 * 86400 : random.bounded(4 * 3600));
            setNow(moment);
            QList<Sample> samples;
            for (int app = 0; app < kApps.size(); ++app) {
                down[app] = random.bounded(20) == 0 ? 1.5 : down[app] + random.bounded(5e4) / 7;
                up[app] += random.generateDouble();
                samples.append({kApps.at(app), kSecondNames.at(tick % 3), down[app], up[app]});
            }
            store.save(samples);
        }
        compareAcrossTheMonths(store);
    }

    void file_written_without_sums_and_with_irregular_keys_is_built_and_answers_as_the_rows_do()
    {
        writeRows(25000, 11);
        FlowFile().insert({{"a.desktop", "A", "2024/01/19/24", 1, 2},
                           {"a.desktop", "A", "2024/02/30/05", 4, 8},
                           {"b.desktop", "B", "2024/01/20/7", 16, 32}});
        StoreThread store;
        compareAcrossTheMonths(store, {QDate(2024, 1, 20)});
    }

    void rows_changed_by_another_program_are_followed()
    {
        writeRows(3000, 5);
        StoreThread store;
        const auto compare = [&] {
            compareAllAnswers(store, QDateTime(QDate(2024, 1, 20), QTime(8, 0)));
        };
        compare();
        writeRows(500, 6); // reaches the sums through their trigger
        compare();
        FlowFile().exec("DELETE FROM flowDetail WHERE rowid % 7 = 0");
        compare();
        FlowFile().exec("UPDATE flowDetail SET sName = 'changed' WHERE rowid % 5 = 0");
        compare();
        FlowFile().exec("DROP TRIGGER flowDetail_sum_insert"); // rows slip in unsummed
        FlowFile().insert({{"a.desktop", "A", "2024/01/20/07", 1, 2}});
        compare();
        FlowFile().exec("DROP TABLE flowHourSum");
        compare();
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

QTEST_GUILESS_MAIN(HistoryEquivalenceTest)
#include "tst_historyequivalence.moc"
