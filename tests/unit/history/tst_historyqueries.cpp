#include "historyanswers.h"

#include "history/usedata.h"
#include "records/clock.h"

#include <QTest>

using namespace HistoryTest;

namespace {
void atNoonOf(const QDate &day)
{
    setNow(QDateTime(day, QTime(12, 0)));
}

QList<AppFlowDateParameter> allToday(StoreThread &store)
{
    return answerOf(store, &UseData::sendTodayFlowData,
                    [](UseData *data) { emit data->notifyGetTodayFlowData(); });
}

QList<AppFlowDateParameter> allYesterday(StoreThread &store)
{
    return answerOf(store, &UseData::sendYesterdayFlowData,
                    [](UseData *data) { emit data->notifyGetYesterdayFlowData(); });
}

QList<AppFlowDateParameter> allThisMonth(StoreThread &store)
{
    return answerOf(store, &UseData::sendThisMonthFlowData,
                    [](UseData *data) { emit data->notifyGetThisMonthFlowData(); });
}

QList<AppFlowDateParameter> allLastMonth(StoreThread &store)
{
    return answerOf(store, &UseData::sendLastMonthFlowData,
                    [](UseData *data) { emit data->notifyGetLastMonthFlowData(); });
}

QList<AppFlowDateParameter> appToday(StoreThread &store, const QString &app)
{
    return answerOf(store, &UseData::sendAppTodayFlowData,
                    [app](UseData *data) { emit data->notifyGetAppTodayFlowData(app); });
}

QList<AppFlowDateParameter> appYesterday(StoreThread &store, const QString &app)
{
    return answerOf(store, &UseData::sendAppYesterdayFlowData,
                    [app](UseData *data) { emit data->notifyGetAppYesterdayFlowData(app); });
}

QList<AppFlowDateParameter> appThisMonth(StoreThread &store, const QString &app)
{
    return answerOf(store, &UseData::sendAppThisMonthFlowData,
                    [app](UseData *data) { emit data->notifyGetAppThisMonthFlowData(app); });
}

QList<AppFlowDateParameter> appLastMonth(StoreThread &store, const QString &app)
{
    return answerOf(store, &UseData::sendAppLastMonthFlowData,
                    [app](UseData *data) { emit data->notifyGetAppLastMonthFlowData(app); });
}

QString zeroHour(const QString &app, int hour)
{
    return QString("%1||%2:00|0|0|0").arg(app).arg(hour, 2, 10, QChar('0'));
}
} // namespace

class HistoryQueriesTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTemporaryHome(); }
    void init()
    {
        removeDatabaseDirectory();
        atNoonOf(QDate(2024, 3, 5));
        m_store.reset(new StoreThread);
    }
    void cleanup()
    {
        m_store.reset();
        Clock::resetNowSource();
    }

    void a_day_holds_exactly_its_24_hour_keys()
    {
        {
            FlowFile file;
            file.insert("a", "A", "2024/03/04/23", 1, 0);
            file.insert("a", "A", "2024/03/05/00", 2, 0);
            file.insert("a", "A", "2024/03/05/23", 4, 0);
            file.insert("a", "A", "2024/03/06/00", 8, 0);
        }
        QCOMPARE(describe(allToday(*m_store)), QStringList({"a|A|2024/03/05/23|6|0|6"}));
        QCOMPARE(describe(allYesterday(*m_store)), QStringList({"a|A|2024/03/04/23|1|0|1"}));
    }

    void all_applications_day_sums_rows_in_order_of_first_row()
    {
        {
            FlowFile file;
            file.insert("a", "X", "2024/03/05/11", 1, 10);
            file.insert("b", "B", "2024/03/05/09", 5, 0);
            file.insert("a", "Y", "2024/03/05/10", 2, 20);
        }
        // The last row read gives the second name and the key, whatever its hour.
        QCOMPARE(describe(allToday(*m_store)),
                 QStringList({"a|Y|2024/03/05/10|3|30|33", "b|B|2024/03/05/09|5|0|5"}));
    }

    void all_applications_month_merges_days_in_order()
    {
        {
            FlowFile file;
            file.insert("b", "B", "2024/03/02/09", 5, 0);
            file.insert("a", "X", "2024/03/01/10", 1, 1);
            file.insert("a", "Y", "2024/03/03/08", 2, 2);
            file.insert("c", "C", "2024/02/29/08", 7, 7);
        }
        QCOMPARE(describe(allThisMonth(*m_store)),
                 QStringList({"a|Y|2024/03/03/08|3|3|6", "b|B|2024/03/02/09|5|0|5"}));
        QCOMPARE(describe(allLastMonth(*m_store)), QStringList({"c|C|2024/02/29/08|7|7|14"}));
    }

    void one_application_day_has_24_hours_merged_regardless_of_second_name()
    {
        {
            FlowFile file;
            file.insert("a", "N", "2024/03/05/09", 1, 1);
            file.insert("a", "X", "2024/03/05/14", 1, 0);
            file.insert("b", "B", "2024/03/05/14", 100, 0);
            file.insert("a", "Y", "2024/03/05/14", 2, 0);
            file.insert("a", "X", "2024/03/05/14", 4, 0);
            file.insert("a", "Z", "2024/03/05/23", 0, 3);
            file.insert("a", "Z", "2024/03/04/14", 50, 0);
        }
        QStringList expected;
        for (int hour = 0; hour < 24; ++hour)
            expected.append(zeroHour("a", hour));
        expected[9] = "a|N|09:00|1|1|2";
        expected[14] = "a|X|14:00|7|0|7";
        expected[23] = "a|Z|23:00|0|3|3";
        QCOMPARE(describe(appToday(*m_store, "a")), expected);

        QStringList nothing;
        for (int hour = 0; hour < 24; ++hour)
            nothing.append(zeroHour("none", hour));
        QCOMPARE(describe(appToday(*m_store, "none")), nothing);
    }

    void yesterday_of_1_march_is_29_february()
    {
        atNoonOf(QDate(2024, 3, 1));
        FlowFile().insert("a", "A", "2024/02/29/07", 1, 2);
        QCOMPARE(describe(allYesterday(*m_store)), QStringList({"a|A|2024/02/29/07|1|2|3"}));
        QCOMPARE(describe(appYesterday(*m_store, "a")).at(7), QString("a|A|07:00|1|2|3"));
    }

    void one_application_month_has_a_record_per_day()
    {
        atNoonOf(QDate(2024, 3, 31));
        {
            FlowFile file;
            file.insert("a", "early", "2024/02/10/03", 1, 2);
            file.insert("a", "late", "2024/02/10/23", 4, 8);
            file.insert("a", "X", "2024/02/29/22", 16, 0);
            // A stored total that is not the sum of its parts is not used.
            file.exec("INSERT INTO flowDetail VALUES ('a','X','2024/02/29/23',1000,0.1,0.2)");
        }
        const QList<AppFlowDateParameter> month = appLastMonth(*m_store, "a");
        QCOMPARE(month.size(), 29);
        QCOMPARE(month.first().date, QString("02-01"));
        QCOMPARE(month.last().date, QString("02-29"));
        QCOMPARE(describe(month.at(0)), QString("a||02-01|0|0|0"));
        QCOMPARE(describe(month.at(9)), QString("a|late|02-10|5|10|15"));
        QCOMPARE(month.at(28).sname, QString("X"));
        QCOMPARE(month.at(28).downloaded, 0.0 + 16 + 0.1);
        QCOMPARE(month.at(28).total, month.at(28).downloaded + month.at(28).uploaded);
    }

    void this_month_answer_covers_the_whole_month()
    {
        atNoonOf(QDate(2024, 4, 3));
        FlowFile().insert("a", "A", "2024/04/02/05", 1, 1);
        const QList<AppFlowDateParameter> month = appThisMonth(*m_store, "a");
        QCOMPARE(month.size(), 30);
        QCOMPARE(describe(month.at(1)), QString("a||04-02|1|1|2"));
        QCOMPARE(describe(month.at(29)), QString("a||04-30|0|0|0"));
    }

    void last_month_of_january_is_december_of_the_year_before()
    {
        atNoonOf(QDate(2024, 1, 10));
        {
            FlowFile file;
            file.insert("a", "A", "2023/12/31/23", 1, 1);
            file.insert("a", "A", "2024/01/01/00", 5, 5);
        }
        QCOMPARE(describe(allLastMonth(*m_store)), QStringList({"a|A|2023/12/31/23|1|1|2"}));
        const QList<AppFlowDateParameter> month = appLastMonth(*m_store, "a");
        QCOMPARE(month.size(), 31);
        QCOMPARE(describe(month.at(30)), QString("a|A|12-31|1|1|2"));
    }

    void names_with_quotes_are_answered_like_any_other()
    {
        FlowFile().insert("it's", "O'Brien", "2024/03/05/10", 1, 2);
        QCOMPARE(describe(appToday(*m_store, "it's")).at(10), QString("it's|O'Brien|10:00|1|2|3"));
        QCOMPARE(describe(appToday(*m_store, "x' OR '1'='1")).at(10), zeroHour("x' OR '1'='1", 10));
    }

private:
    QScopedPointer<StoreThread> m_store;
};

QTEST_GUILESS_MAIN(HistoryQueriesTest)
#include "tst_historyqueries.moc"
