#include "historytestsupport.h"

#include "records/clock.h"

#include <QTest>

using namespace HistoryTest;

namespace {
void atNoonOf(const QDate &day)
{
    setNow(QDateTime(day, QTime(12, 0)));
}

QStringList zeroHours(const QString &app)
{
    QStringList hours;
    for (int hour = 0; hour < 24; ++hour)
        hours.append(QString("%1||%2:00|0|0|0").arg(app).arg(hour, 2, 10, QChar('0')));
    return hours;
}
} // namespace

class HistoryQueriesTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        useFreshHome();
        atNoonOf(QDate(2024, 3, 5));
        m_store.reset(new StoreThread);
    }
    void cleanup()
    {
        m_store.reset();
        Clock::resetNowSource();
    }

    void all_applications_day_sums_its_24_hours_in_order_of_first_row()
    {
        FlowFile().insert({{"c", "C", "2024/03/04/23", 1, 0},
                           {"b", "B", "2024/03/05/00", 5, 0},
                           {"a", "X", "2024/03/05/23", 1, 10},
                           {"a", "Y", "2024/03/05/10", 2, 20},
                           {"c", "C", "2024/03/06/00", 8, 0}});
        // The last row read gives the second name and the key, whatever its hour.
        QCOMPARE(ask(*m_store, kToday),
                 QStringList({"b|B|2024/03/05/00|5|0|5", "a|Y|2024/03/05/10|3|30|33"}));
        QCOMPARE(ask(*m_store, kYesterday), QStringList("c|C|2024/03/04/23|1|0|1"));
    }

    void all_applications_month_merges_days_in_order()
    {
        FlowFile().insert({{"b", "B", "2024/03/02/09", 5, 0},
                           {"a", "X", "2024/03/01/10", 1, 1},
                           {"a", "Y", "2024/03/03/08", 2, 2},
                           {"c", "C", "2024/02/29/08", 7, 7}});
        QCOMPARE(ask(*m_store, kThisMonth),
                 QStringList({"a|Y|2024/03/03/08|3|3|6", "b|B|2024/03/02/09|5|0|5"}));
        QCOMPARE(ask(*m_store, kLastMonth), QStringList("c|C|2024/02/29/08|7|7|14"));
    }

    void one_application_day_has_24_hours_merged_regardless_of_second_name_or_quotes()
    {
        FlowFile().insert({{"a", "N", "2024/03/05/09", 1, 1},
                           {"a", "X", "2024/03/05/14", 1, 0},
                           {"b", "B", "2024/03/05/14", 100, 0},
                           {"a", "Y", "2024/03/05/14", 2, 0},
                           {"a", "X", "2024/03/05/14", 4, 0},
                           {"a", "Z", "2024/03/05/23", 0, 3},
                           {"a", "Z", "2024/03/04/14", 50, 0},
                           {"it's", "O'Brien", "2024/03/05/10", 1, 2}});
        QStringList expected = zeroHours("a");
        expected[9] = "a|N|09:00|1|1|2";
        expected[14] = "a|X|14:00|7|0|7";
        expected[23] = "a|Z|23:00|0|3|3";
        QCOMPARE(ask(*m_store, kAppToday, "a"), expected);
        // Quotes in names are answered like any other.
        QCOMPARE(ask(*m_store, kAppToday, "it's").at(10), QString("it's|O'Brien|10:00|1|2|3"));
        QCOMPARE(ask(*m_store, kAppToday, "x' OR '1'='1"), zeroHours("x' OR '1'='1"));
    }

    void one_application_month_has_a_record_per_day()
    {
        atNoonOf(QDate(2024, 3, 31));
        FlowFile().insert({{"a", "early", "2024/02/10/03", 1, 2},
                           {"a", "late", "2024/02/10/23", 4, 8},
                           {"a", "X", "2024/02/29/22", 16, 0}});
        // A stored total that is not the sum of its parts is not used.
        FlowFile().exec("INSERT INTO flowDetail VALUES ('a','X','2024/02/29/23',1000,0.1,0.2)");
        const QStringList month = ask(*m_store, kAppLastMonth, "a");
        QCOMPARE(month.size(), 29);
        QCOMPARE(month.at(0), QString("a||02-01|0|0|0"));
        QCOMPARE(month.at(9), QString("a|late|02-10|5|10|15"));
        const double down = 0.0 + 16 + 0.1, up = 0.0 + 0 + 0.2;
        QCOMPARE(month.at(28), describe({{"a", "X", "02-29", down, up, down + up}}).at(0));
    }

    void this_month_has_every_day_with_future_days_zero()
    {
        atNoonOf(QDate(2024, 4, 3));
        FlowFile().insert({{"a", "A", "2024/04/02/05", 1, 1}});
        const QStringList month = ask(*m_store, kAppThisMonth, "a");
        QCOMPARE(month.size(), 30);
        QCOMPARE(month.at(1), QString("a||04-02|1|1|2"));
        QCOMPARE(month.at(29), QString("a||04-30|0|0|0"));
    }

    void last_month_of_january_is_december_of_the_year_before()
    {
        atNoonOf(QDate(2024, 1, 10));
        FlowFile().insert({{"a", "A", "2023/12/31/23", 1, 1}, {"a", "A", "2024/01/01/00", 5, 5}});
        QCOMPARE(ask(*m_store, kLastMonth), QStringList("a|A|2023/12/31/23|1|1|2"));
        const QStringList month = ask(*m_store, kAppLastMonth, "a");
        QCOMPARE(month.size(), 31);
        QCOMPARE(month.at(30), QString("a|A|12-31|1|1|2"));
    }

private:
    QScopedPointer<StoreThread> m_store;
};

QTEST_GUILESS_MAIN(HistoryQueriesTest)
#include "tst_historyqueries.moc"
