// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "historytestsupport.h"
#include "testsupport.h"

#include <QSemaphore>

using namespace HistoryTest;
using namespace TestSupport;

namespace {
// The longest time the process-wide lock could not be taken while `ms` passed.
qint64 longestLockWait(int ms)
{
    QElapsedTimer total, wait;
    total.start();
    qint64 longest = 0;
    while (total.elapsed() < ms) {
        wait.start();
        CMutex::instance()->mutex.lock();
        longest = qMax(longest, wait.elapsed());
        CMutex::instance()->mutex.unlock();
        QThread::msleep(10);
    }
    return longest;
}

// The broken files moved aside.
QStringList movedAside()
{
    return QDir(QFileInfo(databasePath()).path())
        .entryList({"warden.db.unusable-*"}, QDir::AllEntries);
}
} // namespace

class HistoryFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        useFreshHome();
        setNow(QDateTime(QDate(2024, 3, 5), QTime(12, 0)));
    }
    void cleanup() { Clock::resetNowSource(); }

    void file_held_by_another_program_holds_up_neither_the_lock_nor_any_growth()
    {
        StoreThread store;
        store.save({{"a", "A", 10, 0}});
        LogCapture log;
        {
            FlowFile holder;
            QSqlQuery(holder.database()).exec("BEGIN EXCLUSIVE");
            store.queue({{"a", "A", 30, 0}});
            QVERIFY(longestLockWait(800) < 100);
            store.queue({{"a", "A", 50, 0}});
            QVERIFY(longestLockWait(800) < 100);
            QSqlQuery(holder.database()).exec("COMMIT");
        }
        FlowFile file;
        QVERIFY(store.waitUntil([&] {
            return file.values("SELECT sum(downloadedFlow) FROM flowDetail") == QStringList("50");
        }));
        QStringList expected = zeroHours("a");
        expected[12] = "a|A|12:00|50|0|50";
        QCOMPARE(ask(store, kAppToday, "a"), expected);
        // Tried again after pauses, not in a loop that fills the log.
        QVERIFY(log.lines.filter("locked").size() <= 6);
    }

    void broken_file_is_moved_aside_and_a_new_one_takes_the_saves()
    {
        QFETCH(QString, broken);
        if (broken == "directory") {
            QVERIFY(QDir().mkpath(databasePath() + "/inside"));
        } else if (broken == "garbage") {
            writeFile(databasePath(), QByteArray(20000, 'x'));
        } else if (!broken.endsWith("running")) {
            {
                StoreThread store;
                store.save({{"a", "A", 1, 1}});
                FlowFile file;
                if (broken == "other columns")
                    file.exec("ALTER TABLE flowDetail RENAME TO old");
                file.exec(broken == "other columns" ? "CREATE TABLE flowDetail (a, b, c)"
                                                    : "CREATE TABLE filler (x)");
                QList<Sample> rows;
                for (int i = 0; i < 3000; ++i)
                    rows.append({"a", "A", 1, 1, "2024/03/05/11"});
                if (broken == "truncated")
                    file.insert(rows);
            }
            if (broken == "truncated") {
                QFile file(databasePath());
                QVERIFY(file.resize(file.size() / 2));
            }
        }
        const QByteArray before = readFile(databasePath()); // none, or the user's file

        LogCapture log;
        StoreThread store;
        if (broken == "garbage while running") {
            store.save({{"b", "B", 5, 2}});
            writeFile(databasePath(), QByteArray(8192, 'z')); // same file, now garbage
            store.save({{"b", "B", 6, 4}});                   // the growth since the last save
        } else {
            store.save({{"b", "B", 1, 2}});
        }
        QVERIFY(store.waitUntil([] { return FlowFile().rows() == QStringList("b|B|1|2|3"); }));
        QStringList aside = movedAside();
        QCOMPARE(aside.size(), 1);
        QCOMPARE(log.lines.filter("warden.db cannot be used").size(), 1);
        const QString moved = QFileInfo(databasePath()).path() + "/" + aside.first();
        if (broken == "directory")
            QVERIFY(QFileInfo(moved + "/inside").isDir());
        else if (!before.isEmpty())
            QVERIFY(readFile(moved) == before); // the user's file, untouched
    }

    void broken_file_is_moved_aside_and_a_new_one_takes_the_saves_data()
    {
        QTest::addColumn<QString>("broken");
        for (const char *broken :
             {"garbage", "truncated", "directory", "other columns", "garbage while running"})
            QTest::newRow(broken) << QString(broken);
    }

    // Another program dropped every table: the answer that fails repairs the file, as a save
    // would, and answers from it; one answered to its caller alone is read once more.
    void answer_from_a_file_without_tables_repairs_it()
    {
        QFETCH(bool, ownCaller);
        StoreThread store;
        store.save({{"a", "A", 5, 0}});
        {
            FlowFile file;
            for (const QString &table : file.database().tables())
                file.exec("DROP TABLE " + table);
        }
        const auto answering =
            ownCaller ? HistoryRequest::Answering::Once : HistoryRequest::Answering::Retried;
        QCOMPARE(ask(store, HistoryRequest::application("a", FlowPeriod::Today, answering)),
                 zeroHours("a"));
        store.save({{"a", "A", 7, 0}});
        QStringList expected = zeroHours("a");
        expected[12] = "a|A|12:00|2|0|2";
        QCOMPARE(ask(store, kAppToday, "a"), expected);
    }

    void answer_from_a_file_without_tables_repairs_it_data()
    {
        QTest::addColumn<bool>("ownCaller");
        QTest::newRow("answer to all") << false;
        QTest::newRow("answer to its caller") << true;
    }

    void flood_of_requests_is_refused_beyond_a_bound_and_no_save_is_lost()
    {
        StoreThread store;
        QSignalSpy answers(store.store, &UseData::answered);
        QSemaphore go;
        QMetaObject::invokeMethod(store.store, [&] { go.acquire(); });
        LogCapture log;
        store.locked([](UseData *data) {
            for (int i = 0; i < 5000; ++i) {
                data->request(kAppToday.request("a"));
                if (i == 2500) {
                    data->enqueueDeleteFlowCacheData();
                    data->enqueueSaveFlowCacheDataToLst("a", "A", 9, 1);
                    data->enqueueSaveFlowData();
                }
            }
        });
        go.release();
        int answered = 0;
        QVERIFY(store.waitUntil([&] {
            const int before = answered;
            store.sync([&] { answered = answers.size(); });
            return answered > 0 && answered == before;
        }));
        QVERIFY(answered >= 100 && answered <= 1000);
        QCOMPARE(log.lines.filter("history request refused").size(), 1);
        QCOMPARE(FlowFile().rows(), QStringList("a|A|9|1|10"));
    }
};

QTEST_GUILESS_MAIN(HistoryFaultsTest)
#include "tst_historyfaults.moc"
