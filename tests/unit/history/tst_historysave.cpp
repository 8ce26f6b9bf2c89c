#include "historytestsupport.h"

#include "records/clock.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

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
        QCOMPARE(log.lines(), kFirstStartLog);
        StoreThread store;
        store.save({{"b.desktop", "B", 1, 1}});
        QCOMPARE(log.lines(), kFirstStartLog + QStringList({"db open success! ",
                                                            "flowDetail table load success!"}));
        QCOMPARE(FlowFile().rows().size(), 2);
        QVERIFY(QFile::remove(databasePath()));
        store.save({{"b.desktop", "B", 3, 1}});
        QCOMPARE(log.lines().mid(5), kFirstStartLog);
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
        // Full totals first; a name missing from the previous save starts again from its totals,
        // lower totals store zero growth and become the reference.
        QTest::newRow("growth, none, lower")
            << QList<QList<Sample>>({{{"a", "A", 100, 50}, {"b", "B", 7, 0}},
                                     {{"a", "A", 130, 70}, {"b", "B", 7, 0}},
                                     {{"a", "A", 130, 70}},
                                     {{"a", "A", 10, 5}},
                                     {{"a", "A", 12, 6}, {"b", "B", 9, 1}}})
            << QStringList({"a|A|100|50|150", "b|B|7|0|7", "a|A|30|20|50", "b|B|0|0|0", "a|A|0|0|0",
                            "a|A|0|0|0", "a|A|2|1|3", "b|B|9|1|10"});
        QTest::newRow("duplicate names compare with the first saved record")
            << QList<QList<Sample>>(
                   {{{"a", "X", 10, 0}, {"a", "Y", 40, 0}}, {{"a", "X", 15, 0}, {"a", "Y", 45, 0}}})
            << QStringList({"a|X|10|0|10", "a|Y|40|0|40", "a|X|5|0|5", "a|Y|35|0|35"});
        QTest::newRow("quotes in names")
            << QList<QList<Sample>>({{{"it's.desktop", "O'Brien", 1, 2}, {"b", "B", 3, 4}}})
            << QStringList({"it's.desktop|O'Brien|1|2|3", "b|B|3|4|7"});
    }

    // As the statement with the amounts written in as six-digit literals stores them.
    void amounts_are_stored_as_their_six_digit_literal_would_be()
    {
        StoreThread().save({{"a", "A", 1234567, 0.25},
                            {"b", "B", 12.5, 3},
                            {"c", "C", 0, 0},
                            {"d", "D", -2, 1e-7}});
        QCOMPARE(FlowFile().values("SELECT totalFlow, downloadedFlow, uploadedFlow, "
                                   "typeof(totalFlow), typeof(uploadedFlow) FROM flowDetail"),
                 QStringList({"1234570|1234570|0.25|real|real", "15.5|12.5|3|real|integer",
                              "0|0|0|real|integer", "-2|-2|1e-07|real|real"}));
    }

    void retention_keeps_the_current_and_two_previous_months_when_the_month_changed()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, lastWritten);
        QFETCH(QList<Sample>, samples);
        QFETCH(QStringList, kept);
        // A save attaches the sums, so that the next one removes old rows without building first.
        StoreThread().save({{"other.desktop", "O", 1, 1}});
        for (const QString &key : kKeys)
            FlowFile().insert({{"a.desktop", "A", key, 1, 1}});
        setLastModified(lastWritten);
        const QDateTime before = QFileInfo(databasePath()).lastModified();
        setNow(now);
        StoreThread().save(samples);
        QCOMPARE(FlowFile().values("SELECT dataymdh FROM flowDetail WHERE appname='a.desktop'"),
                 kept);
        QCOMPARE(QFileInfo(databasePath()).lastModified() == before, samples.isEmpty());
    }

    void retention_keeps_the_current_and_two_previous_months_when_the_month_changed_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("lastWritten");
        QTest::addColumn<QList<Sample>>("samples");
        QTest::addColumn<QStringList>("kept");
        const QList<Sample> one = {{"b.desktop", "B", 1, 1}};
        QTest::newRow("end of March") << at("2024-03-31T23:00") << at("2024-02-29T23:00") << one
                                      << QStringList({"2024/01/01/00", "2024/02/29/23"});
        QTest::newRow("January") << at("2024-01-15T08:00") << at("2023-12-20T08:00") << one
                                 << QStringList({"2023/11/01/00", "2023/12/31/23", "2024/01/01/00",
                                                 "2024/02/29/23"});
        // Only the month is compared.
        QTest::newRow("same month a year later")
            << at("2024-03-20T08:00") << at("2023-03-10T08:00") << one << kKeys;
        QTest::newRow("empty cache")
            << at("2024-03-15T10:00") << at("2024-01-10T12:00") << QList<Sample>() << kKeys;
    }

    void hour_key_is_taken_when_the_sample_enters_the_cache()
    {
        StoreThread store;
        setNow(QDateTime(QDate(2024, 3, 15), QTime(9, 59, 59)));
        store.locked([](UseData *data) {
            data->enqueueDeleteFlowCacheData();
            data->enqueueSaveFlowCacheDataToLst("a.desktop", "A", 1, 0);
        });
        store.sync();
        setNow(QDateTime(QDate(2024, 3, 15), QTime(10, 0, 0)));
        store.locked([](UseData *data) {
            data->enqueueSaveFlowCacheDataToLst("b.desktop", "B", 1, 0);
            data->enqueueSaveFlowData();
        });
        store.sync();
        QCOMPARE(FlowFile().values("SELECT appname, dataymdh FROM flowDetail"),
                 QStringList({"a.desktop|2024/03/15/09", "b.desktop|2024/03/15/10"}));
    }
};

QTEST_GUILESS_MAIN(HistorySaveTest)
#include "tst_historysave.moc"
