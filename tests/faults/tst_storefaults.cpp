// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "faultrig.h"
#include "historyfile.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTest>
#include <csignal>

namespace {
// Rows whose running sums per hour or per day differ from the rows' own sums.
int sumsOffTheRows(HistoryFile &file)
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
    bool hoursRead = false, daysRead = false;
    const int count =
        file.values(hours).value(0).toInt(&hoursRead) + file.values(days).value(0).toInt(&daysRead);
    return hoursRead && daysRead ? count : -1;
}
} // namespace

// The service against a file that is odd and large, and against kill -9: the lists
// keep their second, and every growth reaches the file.
class TestStoreFaults : public QObject
{
    Q_OBJECT

    std::unique_ptr<FaultRig> rig;

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

    void odd_row_in_a_large_month_costs_no_display_second()
    {
        QVERIFY(HistoryFile::create({}, rig->databasePath()));
        {
            const QDateTime now = QDateTime::currentDateTime();
            const QDateTime monthStart(QDate(now.date().year(), now.date().month(), 1), QTime());
            const qint64 hours = qMax<qint64>(1, monthStart.secsTo(now) / 3600);
            const int count = 144000;
            QList<HistoryRow> rows;
            for (int i = 0; i < count; ++i)
                rows.append(
                    {QStringLiteral("old-%1.desktop").arg(i % 20),
                     QStringLiteral("Old %1").arg(i % 20), 2.0, 1.0,
                     monthStart.addSecs(3600 * (i * hours / count)).toString("yyyy/MM/dd/hh")});
            HistoryFile other(rig->databasePath());
            other.insert(rows);
            QVERIFY(other.exec(
                QStringLiteral("INSERT INTO flowDetail VALUES ('odd.desktop', 'Odd', '") +
                now.toString("yyyy/MM/dd/hh") + QStringLiteral("', 'lots', 'some', NULL)")));
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

            HistoryFile file(rig->databasePath());
            QCOMPARE(file.values(QStringLiteral("PRAGMA integrity_check")), QStringList("ok"));
            QCOMPARE(sumsOffTheRows(file), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestStoreFaults)
#include "tst_storefaults.moc"
