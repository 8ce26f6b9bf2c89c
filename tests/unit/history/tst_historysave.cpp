#include "historytestsupport.h"

#include "history/usedata.h"
#include "records/clock.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace HistoryTest;

namespace {
struct Sample
{
    QString appname;
    QString sname;
    double downloaded;
    double uploaded;
};

void saveSnapshot(StoreThread &store, const QList<Sample> &samples)
{
    store.locked([&](UseData *data) {
        data->enqueueDeleteFlowCacheData();
        for (const Sample &sample : samples)
            data->enqueueSaveFlowCacheDataToLst(sample.appname, sample.sname, sample.downloaded,
                                                sample.uploaded);
        data->enqueueSaveFlowData();
    });
    store.sync();
}

// appname, sName, dataymdh, totalFlow, downloadedFlow, uploadedFlow
QVariantList row(const QString &appname, const QString &sname, const QString &key, double total,
                 double downloaded, double uploaded)
{
    return {appname, sname, key, total, downloaded, uploaded};
}

void setLastModified(const QDateTime &moment)
{
    QFile file(databasePath());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(moment, QFileDevice::FileModificationTime));
}
} // namespace

class HistorySaveTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTemporaryHome(); }
    void init()
    {
        removeDatabaseDirectory();
        setNow(QDateTime(QDate(2024, 3, 15), QTime(10, 0)));
    }
    void cleanup() { Clock::resetNowSource(); }

    void first_start_creates_directory_file_table_and_logs()
    {
        LogCapture log;
        {
            StoreThread store;
            saveSnapshot(store, {{"a.desktop", "A", 1, 2}});
        }
        QVERIFY(QFileInfo::exists(databasePath()));
        QCOMPARE(log.lines(), QStringList({"db open success! ", "flowDetail table create success!",
                                           "flowDetail table load success!"}));
        FlowFile file;
        QCOMPARE(file.value("SELECT sql FROM sqlite_master WHERE name='flowDetail'").toString(),
                 QString("CREATE TABLE flowDetail (appname text, sName text, dataymdh text, "
                         "totalFlow real, downloadedFlow real, uploadedFlow)"));
    }

    void existing_file_is_used_as_it_is()
    {
        {
            StoreThread first;
        }
        {
            FlowFile file;
            file.insert("a.desktop", "A", "2024/03/15/09", 5, 6);
        }
        LogCapture log;
        StoreThread store;
        saveSnapshot(store, {{"a.desktop", "A", 1, 2}});
        QCOMPARE(log.lines(), QStringList({"db open success! ", "flowDetail table load success!"}));
        QCOMPARE(FlowFile().rows().size(), 2);
    }

    void save_stores_growth_against_the_previous_snapshot()
    {
        StoreThread store;
        saveSnapshot(store, {{"a.desktop", "A", 100, 50}, {"b.desktop", "B", 7, 0}});
        saveSnapshot(store, {{"a.desktop", "A", 130, 70}, {"b.desktop", "B", 7, 0}});
        saveSnapshot(store, {{"a.desktop", "A", 130, 70}});
        saveSnapshot(store, {{"a.desktop", "A", 10, 5}});
        saveSnapshot(store, {{"a.desktop", "A", 12, 6}, {"b.desktop", "B", 9, 1}});
        const QString key = "2024/03/15/10";
        QCOMPARE(FlowFile().rows(),
                 QList<QVariantList>(
                     {row("a.desktop", "A", key, 150, 100, 50), row("b.desktop", "B", key, 7, 7, 0),
                      row("a.desktop", "A", key, 50, 30, 20), row("b.desktop", "B", key, 0, 0, 0),
                      row("a.desktop", "A", key, 0, 0, 0), row("a.desktop", "A", key, 0, 0, 0),
                      row("a.desktop", "A", key, 3, 2, 1), row("b.desktop", "B", key, 10, 9, 1)}));
    }

    void duplicate_names_compare_with_the_first_saved_record()
    {
        StoreThread store;
        saveSnapshot(store, {{"a.desktop", "X", 10, 0}, {"a.desktop", "Y", 40, 0}});
        saveSnapshot(store, {{"a.desktop", "X", 15, 0}, {"a.desktop", "Y", 45, 0}});
        const QList<QVariantList> rows = FlowFile().rows();
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows.at(2), row("a.desktop", "X", "2024/03/15/10", 5, 5, 0));
        QCOMPARE(rows.at(3), row("a.desktop", "Y", "2024/03/15/10", 35, 35, 0));
    }

    void amounts_are_stored_as_their_six_digit_literal_would_be()
    {
        const QList<Sample> samples = {{"a.desktop", "A", 1234567, 0.000572835},
                                       {"b.desktop", "B", 12.5, 3},
                                       {"c.desktop", "C", 0, 0},
                                       {"d.desktop", "D", -2, 1e-7}};
        {
            StoreThread store;
            saveSnapshot(store, samples);
        }
        FlowFile file;
        file.exec("CREATE TABLE literal AS SELECT * FROM flowDetail WHERE 0");
        for (const Sample &s : samples)
            file.exec(QString("INSERT INTO literal VALUES ('%1','%2','k',%3,%4,%5);")
                          .arg(s.appname, s.sname)
                          .arg(s.downloaded + s.uploaded)
                          .arg(s.downloaded)
                          .arg(s.uploaded));
        QCOMPARE(file.value("SELECT count(*) FROM flowDetail f JOIN literal l USING (appname) "
                            "WHERE f.totalFlow = l.totalFlow AND f.downloadedFlow = "
                            "l.downloadedFlow AND f.uploadedFlow = l.uploadedFlow AND "
                            "typeof(f.uploadedFlow) = typeof(l.uploadedFlow) AND "
                            "typeof(f.totalFlow) = typeof(l.totalFlow)")
                     .toInt(),
                 samples.size());
        QCOMPARE(file.value("SELECT totalFlow FROM flowDetail WHERE appname='a.desktop'"),
                 QVariant(1234570.0));
        QCOMPARE(file.value("SELECT typeof(uploadedFlow) FROM flowDetail WHERE appname='b.desktop'")
                     .toString(),
                 QString("integer"));
        QCOMPARE(file.value("SELECT typeof(uploadedFlow) FROM flowDetail WHERE appname='a.desktop'")
                     .toString(),
                 QString("real"));
    }

    void names_with_quotes_are_saved_like_any_other()
    {
        StoreThread store;
        saveSnapshot(store, {{"it's.desktop", "O'Brien", 1, 2}, {"b.desktop", "B", 3, 4}});
        const QList<QVariantList> rows = FlowFile().rows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0), row("it's.desktop", "O'Brien", "2024/03/15/10", 3, 1, 2));
    }

    void empty_save_touches_neither_file_nor_retention()
    {
        StoreThread store;
        FlowFile().insert("old.desktop", "O", "2023/01/01/00", 1, 1);
        setLastModified(QDateTime(QDate(2024, 1, 10), QTime(12, 0)));
        const QDateTime before = QFileInfo(databasePath()).lastModified();
        saveSnapshot(store, {});
        QCOMPARE(QFileInfo(databasePath()).lastModified(), before);
        QCOMPARE(FlowFile().rows().size(), 1);
    }

    void retention_keeps_the_current_and_two_previous_months_data()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, lastWritten);
        QFETCH(QStringList, keys);
        QFETCH(QStringList, kept);
        {
            StoreThread first;
        }
        {
            FlowFile file;
            for (const QString &key : keys)
                file.insert("a.desktop", "A", key, 1, 1);
        }
        setLastModified(lastWritten);
        setNow(now);
        StoreThread store;
        saveSnapshot(store, {{"b.desktop", "B", 1, 1}});
        QStringList left;
        for (const QVariantList &r : FlowFile().rows("WHERE appname='a.desktop'"))
            left.append(r.at(2).toString());
        QCOMPARE(left, kept);
    }

    void retention_keeps_the_current_and_two_previous_months_data_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("lastWritten");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QStringList>("kept");
        const QStringList march = {"2023/12/31/23", "2024/01/01/00", "2024/02/29/23"};
        QTest::newRow("31 March") << QDateTime(QDate(2024, 3, 31), QTime(23, 0))
                                  << QDateTime(QDate(2024, 2, 29), QTime(23, 0)) << march
                                  << QStringList({"2024/01/01/00", "2024/02/29/23"});
        QTest::newRow("1 March") << QDateTime(QDate(2024, 3, 1), QTime(0, 0))
                                 << QDateTime(QDate(2024, 2, 29), QTime(23, 0)) << march
                                 << QStringList({"2024/01/01/00", "2024/02/29/23"});
        QTest::newRow("January") << QDateTime(QDate(2024, 1, 15), QTime(8, 0))
                                 << QDateTime(QDate(2023, 12, 20), QTime(8, 0))
                                 << QStringList({"2023/10/31/23", "2023/11/01/00"})
                                 << QStringList({"2023/11/01/00"});
        QTest::newRow("same month a year later")
            << QDateTime(QDate(2024, 3, 20), QTime(8, 0))
            << QDateTime(QDate(2023, 3, 10), QTime(8, 0)) << QStringList({"2023/01/01/00"})
            << QStringList({"2023/01/01/00"});
        QTest::newRow("same month")
            << QDateTime(QDate(2024, 3, 20), QTime(8, 0))
            << QDateTime(QDate(2024, 3, 1), QTime(8, 0)) << QStringList({"2023/12/01/00"})
            << QStringList({"2023/12/01/00"});
    }

    void deleted_file_is_recreated_by_the_next_save()
    {
        StoreThread store;
        saveSnapshot(store, {{"a.desktop", "A", 10, 0}});
        QVERIFY(QFile::remove(databasePath()));
        LogCapture log;
        saveSnapshot(store, {{"a.desktop", "A", 15, 0}});
        QCOMPARE(log.lines(), QStringList({"db open success! ", "flowDetail table create success!",
                                           "flowDetail table load success!"}));
        QCOMPARE(FlowFile().rows(),
                 QList<QVariantList>({row("a.desktop", "A", "2024/03/15/10", 5, 5, 0)}));
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
        const QList<QVariantList> rows = FlowFile().rows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).at(2).toString(), QString("2024/03/15/09"));
        QCOMPARE(rows.at(1).at(2).toString(), QString("2024/03/15/10"));
    }

    void connection_is_used_only_in_the_thread_that_made_it()
    {
        LogCapture log;
        {
            StoreThread store;
            saveSnapshot(store, {{"a.desktop", "A", 1, 1}});
            store.locked([](UseData *data) { emit data->notifyGetAppTodayFlowData("a.desktop"); });
            store.sync();
        }
        {
            StoreThread again;
        }
        for (const QString &line : log.lines())
            QVERIFY2(!line.contains("thread") && !line.contains("connection"), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(HistorySaveTest)
#include "tst_historysave.moc"
