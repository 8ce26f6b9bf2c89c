// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/budgetbook.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
AppFlowDateParameter use(const QString &appname, double kibibytes)
{
    return {appname, {}, {}, kibibytes, 0, kibibytes};
}

QStringList levels(const QList<BudgetBook::Crossing> &crossings)
{
    QStringList list;
    for (const BudgetBook::Crossing &crossing : crossings)
        list << QStringLiteral("%1 %2 %3")
                    .arg(crossing.budget.desktopId, crossing.level,
                         QString::number(crossing.budget.usedBytes));
    return list;
}
} // namespace

class TestBudgetBook : public QObject
{
    Q_OBJECT

private slots:
    void cycle_start_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<uint>("startDay");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDate>("expected");
        const auto at = [](int y, int m, int d, int h = 12, int min = 0, int s = 0) {
            return QDateTime(QDate(y, m, d), QTime(h, min, s));
        };
        QTest::newRow("15th seen on the 14th")
            << "month" << 15u << at(2026, 12, 14) << QDate(2026, 11, 15);
        QTest::newRow("15th seen on the 15th")
            << "month" << 15u << at(2026, 12, 15, 0) << QDate(2026, 12, 15);
        QTest::newRow("15th seen on 31 Jan")
            << "month" << 15u << at(2027, 1, 31) << QDate(2027, 1, 15);
        QTest::newRow("28th seen on 28 Feb")
            << "month" << 28u << at(2027, 2, 28) << QDate(2027, 2, 28);
        QTest::newRow("28th seen on 1 Mar")
            << "month" << 28u << at(2027, 3, 1) << QDate(2027, 2, 28);
        QTest::newRow("1st seen on 1 Mar")
            << "month" << 1u << at(2027, 3, 1, 0) << QDate(2027, 3, 1);
        QTest::newRow("20th seen on 5 Jan")
            << "month" << 20u << at(2027, 1, 5) << QDate(2026, 12, 20);
        QTest::newRow("day before midnight")
            << "day" << 1u << at(2026, 12, 31, 23, 59, 59) << QDate(2026, 12, 31);
        QTest::newRow("day at midnight") << "day" << 1u << at(2027, 1, 1, 0) << QDate(2027, 1, 1);
    }

    void cycle_start()
    {
        QFETCH(QString, period);
        QFETCH(uint, startDay);
        QFETCH(QDateTime, now);
        QFETCH(QDate, expected);
        QCOMPARE(BudgetBook::cycleStart(period, startDay, now.date()), expected);
    }

    void invalid_input_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<qulonglong>("limit");
        QTest::addColumn<uint>("warn");
        QTest::addColumn<uint>("startDay");
        QTest::addColumn<bool>("valid");
        QTest::newRow("month") << "month" << 1ull << 80u << 28u << true;
        QTest::newRow("day ignores its start day") << "day" << 1ull << 100u << 0u << true;
        QTest::newRow("week") << "week" << 1ull << 80u << 1u << false;
        QTest::newRow("zero limit") << "day" << 0ull << 80u << 1u << false;
        QTest::newRow("warn 0") << "day" << 1ull << 0u << 1u << false;
        QTest::newRow("warn 101") << "day" << 1ull << 101u << 1u << false;
        QTest::newRow("start day 0") << "month" << 1ull << 80u << 0u << false;
        QTest::newRow("start day 29") << "month" << 1ull << 80u << 29u << false;
    }

    void invalid_input()
    {
        QFETCH(QString, period);
        QFETCH(qulonglong, limit);
        QFETCH(uint, warn);
        QFETCH(uint, startDay);
        QFETCH(bool, valid);
        QCOMPARE(BudgetBook::invalidReason(period, limit, warn, startDay).isEmpty(), valid);
    }

    void each_level_is_announced_once_per_cycle_across_restarts()
    {
        QTemporaryDir folder;
        const QDate today(2026, 12, 14);
        const QDate cycle(2026, 11, 15);
        {
            BudgetBook book(folder.path());
            QVERIFY(book.set({"web.desktop", "month", 10240, 0, 50, 15, {}}));
            QVERIFY(book.set({QString(), "day", 3000, 0, 80, 1, {}}));
            QCOMPARE(book.cycleStarts(today), (QList<QDate>{cycle, today}));
            QVERIFY(book.record(cycle, {use("web.desktop", 4.5)}, today).isEmpty());
            // Bytes are KiB times 1024, rounded.
            QCOMPARE(levels(book.record(cycle, {use("web.desktop", 5.0004)}, today)),
                     QStringList{"web.desktop warning 5120"});
            // All traffic adds every application.
            QCOMPARE(
                levels(book.record(today, {use("web.desktop", 2), use("mail.desktop", 1)}, today)),
                (QStringList{" warning 3072", " limit 3072"}));
        }
        // Lines broken by hand are skipped, the others kept.
        QFile file(folder.filePath("budgets.conf"));
        QVERIFY(file.open(QIODevice::Append));
        file.write("month lots 80 15 a.desktop\nweek 1 80 1 *\nday 1\nday 7 80 1 *\n");
        file.close();
        for (int i = 0; i < 4; ++i)
            QTest::ignoreMessage(QtDebugMsg,
                                 QRegularExpression("budgets: line \\d+ of .* skipped"));
        BudgetBook book(folder.path());
        book.load();
        QCOMPARE(book.budgets(today).size(), 2);
        QVERIFY(book.record(cycle, {use("web.desktop", 6)}, today).isEmpty());
        QCOMPARE(levels(book.record(cycle, {use("web.desktop", 10)}, today)),
                 QStringList{"web.desktop limit 10240"});
        // A raised limit no longer reached may be announced again; the warning still holds.
        QVERIFY(book.set({"web.desktop", "month", 20480, 0, 50, 15, {}}));
        QVERIFY(book.record(cycle, {use("web.desktop", 12)}, today).isEmpty());
        QCOMPARE(levels(book.record(cycle, {use("web.desktop", 20)}, today)),
                 QStringList{"web.desktop limit 20480"});
        // The next cycle starts afresh.
        QVERIFY(book.clear(QString(), "day"));
        QVERIFY(!book.clear(QString(), "day"));
        const QDate next(2026, 12, 15);
        QCOMPARE(book.budgets(next).first().usedBytes, 0ull);
        QCOMPARE(levels(book.record(next, {use("web.desktop", 11)}, next)),
                 QStringList{"web.desktop warning 11264"});
    }
};

QTEST_GUILESS_MAIN(TestBudgetBook)
#include "tst_budgetbook.moc"
