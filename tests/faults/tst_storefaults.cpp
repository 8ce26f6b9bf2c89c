// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "faultrig.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QVariant>
#include <csignal>

namespace {
const QString kFlowDetail =
    QStringLiteral("CREATE TABLE flowDetail (appname text, sName text, dataymdh text, "
                   "totalFlow real, downloadedFlow real, uploadedFlow);");

// A connection of the test's own to the service's file: another program, to the service.
class OtherProgram
{
public:
    explicit OtherProgram(const QString &path)
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        m_db.setDatabaseName(path);
        m_db.open();
    }
    ~OtherProgram()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }
    bool exec(const QString &statement)
    {
        QSqlQuery query(m_db);
        return query.exec(statement);
    }
    QVariant value(const QString &statement)
    {
        QSqlQuery query(m_db);
        return query.exec(statement) && query.next() ? query.value(0) : QVariant();
    }
    QSqlDatabase &db() { return m_db; }

private:
    QSqlDatabase m_db;
};

// Rows whose running sums per hour or per day differ from the rows' own sums.
int sumsOffTheRows(OtherProgram &file)
{
    const QString hours = QStringLiteral(
        "SELECT count(*) FROM (SELECT appname, dataymdh AS k, total(downloadedFlow) AS d, "
        "total(uploadedFlow) AS u FROM flowDetail GROUP BY appname, dataymdh) r LEFT JOIN "
        "flowHourSum s ON s.appname = r.appname AND s.hourKey = r.k WHERE s.appname IS NULL "
        "OR abs(s.downloadedFlow - r.d) > 1e-6 OR abs(s.uploadedFlow - r.u) > 1e-6");
    const QString days = QStringLiteral(
        "SELECT count(*) FROM (SELECT appname, substr(dataymdh, 1, 10) AS k, "
        "total(downloadedFlow) AS d, total(uploadedFlow) AS u FROM flowDetail "
        "GROUP BY appname, k) r LEFT JOIN flowDaySum s ON s.appname = r.appname AND "
        "s.dayKey = r.k WHERE s.appname IS NULL OR abs(s.downloadedFlow - r.d) > 1e-6 "
        "OR abs(s.uploadedFlow - r.u) > 1e-6");
    const QVariant hourCount = file.value(hours);
    const QVariant dayCount = file.value(days);
    if (!hourCount.isValid() || !dayCount.isValid())
        return -1;
    return hourCount.toInt() + dayCount.toInt();
}
} // namespace

// The service against a file that is locked, broken or odd, and against kill -9: the lists
// keep their second, and every growth reaches the file.
class TestStoreFaults : public QObject
{
    Q_OBJECT

    std::unique_ptr<FaultRig> rig;

    void prepareFolder() { QDir().mkpath(QFileInfo(rig->databasePath()).path()); }

    bool waitForFirstList()
    {
        const int before = rig->speedLists();
        return QTest::qWaitFor([&] { return rig->speedLists() > before; }, 5000);
    }

private slots:
    void init()
    {
        rig = std::make_unique<FaultRig>();
        QVERIFY(rig->startSimulator());
    }

    void cleanup() { rig.reset(); }

    void file_locked_by_another_program_for_ten_seconds()
    {
        QVERIFY(rig->startService());
        rig->sendTotal(4100, 100, 10);
        rig->sendTotal(4200, 50, 5);
        QVERIFY(rig->waitForSaved(12000));

        rig->startGapWatch();
        {
            OtherProgram other(rig->databasePath());
            QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            rig->sendTotal(4100, 400, 40);
            rig->sendTotal(4200, 90, 9);
            QVERIFY(rig->slowestAnswerMs(10000) < 1000);
            QVERIFY(other.exec(QStringLiteral("COMMIT")));
        }
        QVERIFY(rig->waitForSaved(15000));
        rig->report(QTest::currentTestFunction());
    }

    void corrupt_file_at_start_is_moved_aside_and_saving_goes_on()
    {
        prepareFolder();
        QByteArray garbage;
        for (int i = 0; i < 8192; ++i)
            garbage += "not a database ";
        QFile file(rig->databasePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(garbage);
        file.close();

        QVERIFY(rig->startService());
        QVERIFY(waitForFirstList());
        rig->startGapWatch();
        rig->sendTotal(4100, 100, 10);
        rig->sendTotal(4200, 50, 5);
        QVERIFY2(rig->waitForSaved(15000), rig->serviceOutput().right(2000).constData());

        bool kept = false;
        const QDir folder(QFileInfo(rig->databasePath()).path());
        for (const QFileInfo &entry : folder.entryInfoList(QDir::Files)) {
            QFile aside(entry.filePath());
            kept |= aside.open(QIODevice::ReadOnly) && aside.readAll() == garbage;
        }
        QVERIFY(kept);
        rig->report(QTest::currentTestFunction());
    }

    void odd_row_in_a_large_month_costs_no_display_second()
    {
        prepareFolder();
        {
            OtherProgram other(rig->databasePath());
            QVERIFY(other.exec(kFlowDetail));
            QVERIFY(other.db().transaction());
            QSqlQuery insert(other.db());
            insert.prepare(QStringLiteral("INSERT INTO flowDetail VALUES (?, ?, ?, ?, ?, ?)"));
            const QDateTime now = QDateTime::currentDateTime();
            const QDateTime monthStart(QDate(now.date().year(), now.date().month(), 1), QTime());
            const qint64 hours = qMax<qint64>(1, monthStart.secsTo(now) / 3600);
            const int rows = 144000;
            for (int i = 0; i < rows; ++i) {
                const QString hour =
                    monthStart.addSecs(3600 * (i * hours / rows)).toString("yyyy/MM/dd/hh");
                insert.addBindValue(QStringLiteral("old-%1.desktop").arg(i % 20));
                insert.addBindValue(QStringLiteral("Old %1").arg(i % 20));
                insert.addBindValue(hour);
                insert.addBindValue(3.0);
                insert.addBindValue(2.0);
                insert.addBindValue(1.0);
                QVERIFY(insert.exec());
            }
            QVERIFY(other.exec(
                QStringLiteral("INSERT INTO flowDetail VALUES ('odd.desktop', 'Odd', '") +
                now.toString("yyyy/MM/dd/hh") + QStringLiteral("', 'lots', 'some', NULL)")));
            QVERIFY(other.db().commit());
        }

        QVERIFY(rig->startService());
        // Every save tick then asks for the whole month.
        rig->call(QStringLiteral("notifyGetThisMonthFlowData"));
        QVERIFY(waitForFirstList());
        rig->startGapWatch();
        for (int i = 1; i <= 6; ++i) {
            rig->sendTotal(4100, 100 * i, 10 * i);
            rig->sendTotal(4200, 50 * i, 5 * i);
            QTest::qWait(2000);
        }
        QVERIFY(rig->waitForSaved(12000));
        rig->report(QTest::currentTestFunction());
    }

    void kill_during_saves_leaves_a_sound_file_with_true_sums()
    {
        for (int round = 0; round < 3; ++round) {
            QVERIFY(rig->startService());
            QVERIFY(waitForFirstList());
            rig->startGapWatch();
            // Killed about when the save after the first one seen is at work, a little later
            // each round.
            const auto before = rig->savedGrowth();
            QElapsedTimer sinceSave;
            for (int i = 1; !sinceSave.isValid() || sinceSave.elapsed() < 4850 + 100 * round; ++i) {
                rig->sendTotal(4100, 10 * i, i);
                rig->sendTotal(4200, 5 * i, i);
                QTest::qWait(50);
                if (!sinceSave.isValid() && rig->savedGrowth() != before)
                    sinceSave.start();
                QVERIFY(i < 1000);
            }
            rig->stopGapWatch();
            ::kill(pid_t(rig->service().processId()), SIGKILL);
            QVERIFY(rig->service().waitForFinished(5000));
            rig->report(QStringLiteral("%1 round %2").arg(QTest::currentTestFunction()).arg(round),
                        false);

            OtherProgram file(rig->databasePath());
            QCOMPARE(file.value(QStringLiteral("PRAGMA integrity_check")).toString(),
                     QStringLiteral("ok"));
            QCOMPARE(sumsOffTheRows(file), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestStoreFaults)
#include "tst_storefaults.moc"
