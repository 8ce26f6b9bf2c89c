#include "historyanswers.h"

#include "history/literalflowqueries.h"
#include "history/usedata.h"
#include "records/clock.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTest>
#include <cstring>

using namespace HistoryTest;

namespace {
const QStringList kApps = {"a.desktop", "b.desktop", "it's.desktop", "d.desktop", "e.desktop"};
const QStringList kSecondNames = {"A", "B", "C"};

bool sameBits(double left, double right)
{
    return std::memcmp(&left, &right, sizeof left) == 0;
}

// Empty when equal, else the first difference.
QString difference(const QList<AppFlowDateParameter> &store,
                   const QList<AppFlowDateParameter> &literal)
{
    if (store.size() != literal.size())
        return QString("%1 records instead of %2").arg(store.size()).arg(literal.size());
    for (int i = 0; i < store.size(); ++i) {
        const AppFlowDateParameter &s = store.at(i);
        const AppFlowDateParameter &l = literal.at(i);
        if (s.appname != l.appname || s.sname != l.sname || s.date != l.date ||
            !sameBits(s.downloaded, l.downloaded) || !sameBits(s.uploaded, l.uploaded) ||
            !sameBits(s.total, l.total))
            return QString("record %1: %2 instead of %3").arg(i).arg(describe(s), describe(l));
    }
    return QString();
}

// Every answer of the store at `now`, beside the one computed from the rows.
void compareAllAnswers(StoreThread &store, const QDateTime &now)
{
    setNow(now);
    FlowFile file;
    QSqlQuery rows(file.database());
    const QDate today = now.date();
    const QDate yesterday = today.addDays(-1);
    const QDate lastMonth = today.addMonths(-1);
    const QString when = now.toString(Qt::ISODate) + ": ";

    struct AllApps
    {
        AnswerSignal answer;
        void (UseData::*request)();
        QDate day;
        bool month;
    };
    const QList<AllApps> allApps = {
        {&UseData::sendYesterdayFlowData, &UseData::notifyGetYesterdayFlowData, yesterday, false},
        {&UseData::sendTodayFlowData, &UseData::notifyGetTodayFlowData, today, false},
        {&UseData::sendLastMonthFlowData, &UseData::notifyGetLastMonthFlowData, lastMonth, true},
        {&UseData::sendThisMonthFlowData, &UseData::notifyGetThisMonthFlowData, today, true},
    };
    for (const AllApps &kind : allApps) {
        QList<AppFlowDateParameter> literal;
        if (kind.month)
            LiteralFlowQueries::queryMonth(rows, literal, kind.day);
        else
            LiteralFlowQueries::queryDay(rows, literal, kind.day);
        const auto answer =
            answerOf(store, kind.answer, [&](UseData *data) { emit(data->*kind.request)(); });
        const QString diff = difference(answer, literal);
        QVERIFY2(diff.isEmpty(), qPrintable(when + diff));
    }

    struct OneApp
    {
        AnswerSignal answer;
        void (UseData::*request)(QString);
        QDate day;
        bool month;
    };
    const QList<OneApp> oneApp = {
        {&UseData::sendAppYesterdayFlowData, &UseData::notifyGetAppYesterdayFlowData, yesterday,
         false},
        {&UseData::sendAppTodayFlowData, &UseData::notifyGetAppTodayFlowData, today, false},
        {&UseData::sendAppLastMonthFlowData, &UseData::notifyGetAppLastMonthFlowData, lastMonth,
         true},
        {&UseData::sendAppThisMonthFlowData, &UseData::notifyGetAppThisMonthFlowData, today, true},
    };
    for (const QString &app : kApps + QStringList({"unknown"})) {
        for (const OneApp &kind : oneApp) {
            const auto literal = kind.month ? LiteralFlowQueries::queryAppMonth(rows, app, kind.day)
                                            : LiteralFlowQueries::queryAppDay(rows, app, kind.day);
            const auto answer = answerOf(store, kind.answer,
                                         [&](UseData *data) { emit(data->*kind.request)(app); });
            const QString diff = difference(answer, literal);
            QVERIFY2(diff.isEmpty(), qPrintable(when + app + ": " + diff));
        }
    }
}

void compareAcrossTheMonths(StoreThread &store)
{
    for (const QDate &day : {QDate(2024, 1, 31), QDate(2024, 2, 10), QDate(2024, 3, 1),
                             QDate(2024, 3, 16), QDate(2024, 4, 2)}) {
        compareAllAnswers(store, QDateTime(day, QTime(12, 0)));
        if (QTest::currentTestFailed())
            return;
    }
}

// Rows as a program that knows only flowDetail writes them: full-precision amounts, keys that
// mostly move forward but sometimes jump back, as when the clock is set back.
void writeMoreRows(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    FlowFile file;
    file.exec("BEGIN");
    QDateTime moment(QDate(2024, 1, 1), QTime(0, 0));
    for (int i = 0; i < count; ++i) {
        moment = moment.addSecs(random.bounded(100) < 2 ? -random.bounded(3 * 86400)
                                                        : random.bounded(900));
        const double down = random.generateDouble() * 1000 - (random.bounded(10) == 0 ? 300 : 0);
        const double up = random.generateDouble() / 3;
        file.insert(kApps.at(random.bounded(kApps.size())),
                    kSecondNames.at(random.bounded(kSecondNames.size())),
                    moment.toString("yyyy/MM/dd/hh"), down, up);
    }
    file.exec("COMMIT");
}
void writeRowsDirectly(int count, quint32 seed)
{
    {
        StoreThread createsTheFile;
    }
    writeMoreRows(count, seed);
}
} // namespace

class HistoryEquivalenceTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTemporaryHome(); }
    void init() { removeDatabaseDirectory(); }
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
            store.locked([&](UseData *data) {
                data->enqueueDeleteFlowCacheData();
                for (int app = 0; app < kApps.size(); ++app) {
                    down[app] = random.bounded(20) == 0 ? 1.5 : down[app] + random.bounded(5e4) / 7;
                    up[app] += random.generateDouble();
                    data->enqueueSaveFlowCacheDataToLst(kApps.at(app), kSecondNames.at(tick % 3),
                                                        down[app], up[app]);
                }
                data->enqueueSaveFlowData();
            });
        }
        store.sync();
        compareAcrossTheMonths(store);
    }

    void file_written_without_sums_is_built_and_answers_as_the_rows_do()
    {
        writeRowsDirectly(25000, 11);
        StoreThread store;
        compareAcrossTheMonths(store);
    }

    void rows_changed_by_another_program_are_followed()
    {
        writeRowsDirectly(3000, 5);
        StoreThread store;
        compareAllAnswers(store, QDateTime(QDate(2024, 1, 20), QTime(8, 0)));
        writeMoreRows(500, 6); // reaches the sums through their trigger
        compareAllAnswers(store, QDateTime(QDate(2024, 1, 20), QTime(8, 0)));
        FlowFile().exec("DELETE FROM flowDetail WHERE rowid % 7 = 0");
        compareAllAnswers(store, QDateTime(QDate(2024, 1, 20), QTime(8, 0)));
        FlowFile().exec("UPDATE flowDetail SET sName = 'changed' WHERE rowid % 5 = 0");
        compareAllAnswers(store, QDateTime(QDate(2024, 1, 20), QTime(8, 0)));
        {
            FlowFile file; // rows slipped in while the sums were not kept
            file.exec("DROP TRIGGER flowDetail_sum_insert");
            file.insert("a.desktop", "A", "2024/01/20/07", 1, 2);
        }
        compareAllAnswers(store, QDateTime(QDate(2024, 1, 20), QTime(8, 0)));
        FlowFile().exec("DROP TABLE flowHourSum");
        compareAllAnswers(store, QDateTime(QDate(2024, 1, 20), QTime(8, 0)));
    }

    void rows_with_irregular_keys_are_answered_as_the_rows_do()
    {
        writeRowsDirectly(300, 3);
        {
            FlowFile file;
            file.insert("a.desktop", "A", "2024/01/19/24", 1, 2);
            file.insert("a.desktop", "A", "2024/02/30/05", 4, 8);
            file.insert("b.desktop", "B", "2024/01/20/7", 16, 32);
        }
        StoreThread store;
        compareAllAnswers(store, QDateTime(QDate(2024, 1, 20), QTime(8, 0)));
        compareAllAnswers(store, QDateTime(QDate(2024, 3, 1), QTime(8, 0)));
    }

    void retention_removes_sums_with_their_rows()
    {
        writeRowsDirectly(3000, 9);
        StoreThread store;
        compareAllAnswers(store, QDateTime(QDate(2024, 3, 2), QTime(8, 0)));
        {
            QFile file(databasePath());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime(QDate(2024, 2, 20), QTime(8, 0)),
                                     QFileDevice::FileModificationTime));
        }
        setNow(QDateTime(QDate(2024, 4, 2), QTime(8, 0)));
        store.locked([](UseData *data) {
            data->enqueueDeleteFlowCacheData();
            data->enqueueSaveFlowCacheDataToLst("a.desktop", "A", 1, 1);
            data->enqueueSaveFlowData();
        });
        store.sync();
        FlowFile file;
        QCOMPARE(
            file.value("SELECT count(*) FROM flowDetail WHERE dataymdh < '2024/02/01/00'").toInt(),
            0);
        QCOMPARE(file.value("SELECT count(*) FROM flowDaySum WHERE dayKey < '2024/02/01'").toInt(),
                 0);
        QCOMPARE(
            file.value("SELECT count(*) FROM flowHourSum WHERE hourKey < '2024/02/01/00'").toInt(),
            0);
        QCOMPARE(file.value("SELECT stale FROM flowSumState").toInt(), 0);
        compareAllAnswers(store, QDateTime(QDate(2024, 4, 2), QTime(8, 0)));
    }
};

QTEST_GUILESS_MAIN(HistoryEquivalenceTest)
#include "tst_historyequivalence.moc"
