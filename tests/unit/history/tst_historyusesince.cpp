// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "historytestsupport.h"

#include "history/flowmerge.h"
#include "history/literalflowqueries.h"

using namespace HistoryTest;

namespace {
const QDate kFirst(2024, 2, 15);
const QDateTime kNow(QDate(2024, 3, 10), QTime(12, 0));

// Rows of two applications every few hours from 10 February to 12 March, with a few whose keys
// the sums cannot follow.
void writeRows(int from, int count)
{
    QList<Sample> rows;
    for (int i = from; i < from + count; ++i)
        rows.append({i % 3 ? "a.desktop" : "b.desktop", "S", i * 0.37, i % 5 / 3.0,
                     QDateTime(QDate(2024, 2, 10), QTime())
                         .addSecs(i * 7 * 3600)
                         .toString("yyyy/MM/dd/hh")});
    rows.append({"a.desktop", "S", 1, 2, "2024/02/30/10"});
    rows.append({"b.desktop", "S", 3, 4, "2024/03/01/24"});
    FlowFile().insert(rows);
}

QStringList useSince(StoreThread &store)
{
    QSignalSpy spy(store.store, &UseData::answered);
    store.store->request(HistoryRequest::useSince(kFirst));
    int answers = 0;
    store.waitUntil([&] {
        store.sync([&] { answers = spy.size(); });
        return answers > 0;
    });
    const HistoryAnswer answer = spy.value(0).value(0).value<HistoryAnswer>();
    if (answers != 1 || !answer.ok || answer.firstDay != kFirst)
        return {QString("%1 answers").arg(answers)};
    return describe(answer.rows);
}

QStringList literalUse()
{
    FlowFile file;
    QSqlQuery rows(file.database());
    QList<AppFlowDateParameter> list;
    for (QDate day = kFirst; day <= kNow.date(); day = day.addDays(1)) {
        QList<AppFlowDateParameter> records;
        LiteralFlowQueries::queryDay(rows, records, day);
        for (const AppFlowDateParameter &record : qAsConst(records))
            FlowMerge::mergeByAppname(list, record);
    }
    return describe(list);
}
} // namespace

// The use since a first day, across a month's end, read from the sums as from the rows, day
// by day.
class UseSinceTest : public QObject
{
    Q_OBJECT
private slots:
    void the_sums_answer_as_the_rows_do_also_while_they_are_built()
    {
        useFreshHome();
        setNow(kNow);
        StoreThread().sync();
        writeRows(0, 120);
        {
            StoreThread built;
            useSince(built); // opens the file, which starts the build
            QVERIFY(built.waitUntil([] {
                return FlowFile().values("SELECT complete FROM flowSumState") == QStringList("1");
            }));
            QCOMPARE(useSince(built), literalUse());
        }
        // A build that cannot go on: the rows written since are read beside the sums.
        {
            FlowFile file;
            file.exec("DROP TRIGGER flowDetail_sum_insert");
            file.exec("UPDATE flowSumState SET complete = 0");
            file.exec("CREATE TRIGGER refuse BEFORE INSERT ON flowHourSum BEGIN "
                      "SELECT RAISE(ABORT, 'refused'); END");
        }
        writeRows(120, 50);
        StoreThread building;
        const QStringList expected = literalUse();
        QCOMPARE(expected.size(), 2);
        QCOMPARE(useSince(building), expected);
    }
};

QTEST_GUILESS_MAIN(UseSinceTest)
#include "tst_historyusesince.moc"
