// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/sampleintake.h"
#include "records/clock.h"

#include <QTest>

namespace {
const QString kSpeed = QStringLiteral("kb/s");
const QString kTotal = QStringLiteral("total_kb");

QMap<QString, QPair<double, double>> figuresByDesktop(const QList<AppParameter> &entries)
{
    QMap<QString, QPair<double, double>> figures;
    for (const AppParameter &entry : entries)
        figures.insert(entry.desktop, {entry.recv, entry.send});
    return figures;
}
} // namespace

// Each sample is taken twice, as the worker's two connections to the monitor deliver it.
class TestSampleIntake : public QObject
{
    Q_OBJECT

    SampleIntake intake;
    const WardenProcessInfoList initialProcesses = {{100, "mail", "/apps/mail.desktop"},
                                                    {101, "mail-helper", "/apps/mail.desktop"},
                                                    {200, "player", "/apps/player.desktop"}};

    void giveProcesses(const WardenProcessInfoList &processes)
    {
        WardenProcessList pids;
        for (const WardenProcessInfo &process : processes)
            pids << process.pid;
        intake.takeProcessRecords(processes);
        intake.takeRunning(pids);
    }
    void sample(int pid, double recv, double send, const QString &type = kSpeed,
                const QString &name = "proc")
    {
        for (int run = 0; run < 2; ++run)
            intake.take(name, recv, send, pid, "eth0", type);
    }
    QList<AppParameter> list(const QString &type = kSpeed)
    {
        return type == kSpeed ? intake.speeds() : intake.totals();
    }
    QMap<QString, QPair<double, double>> totals() { return figuresByDesktop(list(kTotal)); }

private slots:
    void init()
    {
        intake = SampleIntake();
        giveProcesses(initialProcesses);
    }

    void application_figures_are_the_sums_over_its_processes_latest_samples()
    {
        for (const QString &type : {kSpeed, kTotal}) {
            sample(100, 100, 10, type);
            sample(101, 100, 5, type);
            sample(200, 7, 1, type);
            sample(100, 120, 10, type);
            QCOMPARE(list(type).size(), 2);
            QCOMPARE(list(type)[0].desktop, QStringLiteral("mail.desktop"));
            QCOMPARE(list(type)[0].pid, 100); // the application's latest process
            QCOMPARE(figuresByDesktop(list(type)),
                     (QMap<QString, QPair<double, double>>{{"mail.desktop", {220.0, 15.0}},
                                                           {"player.desktop", {7.0, 1.0}}}));
        }
    }

    // A reset right after a sample must not blank the row until the next one.
    void speed_reset_clears_only_processes_silent_since_the_previous_reset()
    {
        sample(100, 100, 10);
        sample(101, 50, 5);
        intake.resetSpeeds();
        QCOMPARE(list().first().recv, 150.0);
        sample(101, 60, 5);
        intake.resetSpeeds();
        QCOMPARE(list().first().recv, 60.0);
        intake.resetSpeeds();
        QCOMPARE(list().first().recv, 0.0);
        QCOMPARE(list().first().send, 0.0);
    }

    // Each sample adds its process's growth since its last counter to the application the
    // process belongs to then; nothing credited moves or repeats.
    void totals_add_each_growth_once()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, expected);
        QDateTime now = QDateTime::fromSecsSinceEpoch(1700000000);
        Clock::setNowSource([&now] { return now; });
        const auto listAllBut = [&](int pid) {
            WardenProcessList running = {100, 101, 200};
            running.removeAll(pid);
            intake.takeRunning(running);
        };
        for (const QString &step : steps) {
            const QStringList word = step.split(' ');
            if (word[0] == "gone")
                listAllBut(word[1].toInt());
            else if (word[0] == "back")
                listAllBut(0);
            else if (word[0] == "later")
                now = now.addSecs(word[1].toInt());
            else if (word[0] == "most") {
                intake = SampleIntake(word[1].toInt());
                giveProcesses(initialProcesses);
            } else if (word[0] == "share")
                giveProcesses({{300, "python3", "/apps/notes.desktop"},
                               {400, "python3", "/apps/backup.desktop"},
                               {500, "python3", "/apps/notes.desktop"}});
            else if (word[0] == "move")
                giveProcesses({{100, "mail", "/apps/mail.desktop"},
                               {101, "player-helper", "/apps/player.desktop"},
                               {200, "player", "/apps/player.desktop"}});
            else
                sample(word[0].toInt(), word[1].toDouble(), word[2].toDouble(), kTotal);
        }
        Clock::resetNowSource();
        QStringList described;
        const QMap<QString, QPair<double, double>> figures = totals();
        for (auto it = figures.cbegin(); it != figures.cend(); ++it)
            described << QString("%1 %2/%3").arg(it.key()).arg(it->first).arg(it->second);
        QCOMPARE(described.join(", "), expected);
    }

    void totals_add_each_growth_once_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("expected");
        QTest::newRow("processes sharing a name, each with its own application")
            << QStringList{"share",    "300 10 1",  "400 20 2", "500 100 0", "300 20 1",
                           "400 40 2", "500 100 0", "300 30 1", "400 60 2",  "500 100 0"}
            << "backup.desktop 60/2, notes.desktop 130/1";
        QTest::newRow("moved to another application")
            << QStringList{"101 800 80", "move", "101 1300 130"}
            << "mail.desktop 800/80, player.desktop 500/50";
        QTest::newRow("left out of one list, listed again")
            << QStringList{"100 800 80", "gone 100", "100 900 90", "back", "100 960 96"}
            << "mail.desktop 960/96";
        QTest::newRow("counter started again")
            << QStringList{"100 100 10", "100 30 12", "100 40 12"} << "mail.desktop 140/12";
        QTest::newRow("only the upload counter started again")
            << QStringList{"100 100 10", "100 120 3"} << "mail.desktop 120/13";
        QTest::newRow("pid used again with a lower counter")
            << QStringList{"101 50 5", "gone 101", "back", "101 8 1"} << "mail.desktop 58/6";
        QTest::newRow("gone for minutes: forgotten, counted whole again")
            << QStringList{"100 800 80", "gone 100",   "later 299", "gone 100",
                           "back",       "100 810 81", "gone 100",  "later 300",
                           "gone 100",   "back",       "100 820 82"}
            << "mail.desktop 1630/163";
        QTest::newRow("past the size limit the longest silent goes")
            << QStringList{"most 2",   "100 800 80", "200 7 1", "100 810 81",
                           "101 50 5", "100 820 82", "200 9 1"}
            << "mail.desktop 870/87, player.desktop 16/2";
    }

    void samples_without_a_listed_pid_a_desktop_or_possible_figures_are_dropped()
    {
        giveProcesses({{0, "k", "/k.desktop"},
                       {100, "m", "/m.desktop"},
                       {400, "d", "/apps/"},
                       {500, "n", ""}});
        intake.takeRunning({0, 100, 400, 500, 600});
        for (int pid : {0, 400, 500, 600, 700})
            sample(pid, 1, 1);
        sample(100, qQNaN(), 2, kTotal);
        sample(100, 4, -qInf());
        sample(100, 1e308, 1, kTotal);
        sample(100, 1.9e16, 1); // beyond a 64-bit byte counter
        sample(100, 4, -1);
        sample(100, 4, 1, "bytes");
        intake.takeRunning({});
        sample(100, 1, 1);
        QVERIFY(list(kSpeed).isEmpty());
        QVERIFY(list(kTotal).isEmpty());
    }

    void huge_names_are_cut_before_they_are_kept()
    {
        const QString huge(1 << 20, QLatin1Char('x'));
        giveProcesses({{100, huge, "/apps/" + huge + ".desktop"}});
        sample(100, 1, 1, kTotal, huge);
        QCOMPARE(list(kTotal).size(), 1);
        QCOMPARE(list(kTotal)[0].sName.size(), 255);
        QCOMPARE(list(kTotal)[0].name.size(), 255);
        QCOMPARE(list(kTotal)[0].desktop.size(), 255);
    }
};

QTEST_GUILESS_MAIN(TestSampleIntake)
#include "tst_sampleintake.moc"
