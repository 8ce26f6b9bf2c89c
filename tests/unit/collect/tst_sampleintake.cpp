#include "ownedworker.h"

#include <QTest>

namespace {
const QString kSpeed = QStringLiteral("kb/s");
const QString kTotal = QStringLiteral("total_kb");
} // namespace

// Samples arrive as the monitor proxy's signal, which the worker takes twice.
class TestSampleIntake : public QObject
{
    Q_OBJECT

    OwnedWorker worker;

    void giveProcesses(const WardenProcessInfoList &processes)
    {
        WardenProcessList pids;
        for (const WardenProcessInfo &process : processes)
            pids << process.pid;
        emit worker->m_analysisApp->processInfoList(processes);
        emit worker->m_analysisApp->allProcPidList(pids);
    }
    void sample(int pid, double recv, double send, const QString &type = kSpeed)
    {
        emit worker->m_monitorNetFlow->NotifyDetailData("proc", recv, send, pid, "eth0", type);
    }
    QList<AppParameter> list(const QString &type = kSpeed)
    {
        return type == kSpeed ? worker->m_speedList : worker->m_totalList;
    }

private slots:
    void init()
    {
        worker.reset(new TrafficDetailsWorker);
        giveProcesses({{100, "mail", "/apps/mail.desktop"},
                       {101, "mail-helper", "/apps/mail.desktop"},
                       {200, "player", "/apps/player.desktop"}});
    }
    void cleanup() { worker.reset(); }

    void an_application_keeps_one_entry_with_its_last_process_and_figures()
    {
        sample(100, 5, 1);
        QCOMPARE(list().size(), 1); // the first sample is recorded once
        sample(100, 7, 2);
        QCOMPARE(list().first().recv + list().first().send, 9.0);
        sample(101, 3, 1); // first run adds (rule c), second run sets (rule a)
        QCOMPARE(list().size(), 1);
        QCOMPARE(list().first().pid, 101);
        QCOMPARE(list().first().recv, 3.0);
    }

    void application_total_is_the_sum_of_its_processes_running_totals()
    {
        sample(100, 10, 2, kTotal);
        sample(101, 3, 1, kTotal);
        QCOMPARE(list(kTotal).size(), 1);
        sample(100, 12, 2, kTotal);
        QCOMPARE(list(kTotal).first().recv, 15.0);
    }

    void same_process_name_then_no_match_updates_the_first_and_appends_once()
    {
        giveProcesses(
            {{100, "tool", "/a.desktop"}, {200, "x", "/b.desktop"}, {300, "tool", "/c.desktop"}});
        sample(100, 1, 1);
        sample(200, 2, 2);
        sample(300, 9, 8);
        QCOMPARE(list().size(), 3);
        QCOMPARE(list()[0].pid, 300);
        QCOMPARE(list()[0].recv, 9.0);
        QCOMPARE(list()[2].pid, 300);
    }

    void new_entry_leaves_other_entries_current_figures()
    {
        for (const QString &type : {kSpeed, kTotal}) {
            sample(100, 100, 10, type);
            sample(100, 150, 20, type);
            sample(200, 5, 1, type);
            QCOMPARE(list(type).size(), 2);
            QCOMPARE(list(type)[0].recv + list(type)[0].send, 170.0);
            QCOMPARE(list(type)[1].recv, 5.0);
        }
    }

    void samples_without_a_listed_pid_a_desktop_or_finite_figures_are_dropped()
    {
        giveProcesses({{0, "k", "/k.desktop"},
                       {100, "m", "/m.desktop"},
                       {400, "d", "/apps/"},
                       {500, "n", ""}});
        worker->Getallprocpid({0, 100, 400, 500, 600});
        for (int pid : {0, 400, 500, 600, 700})
            sample(pid, 1, 1);
        sample(100, qQNaN(), 2, kTotal);
        sample(100, 4, -qInf());
        worker->Getallprocpid({});
        sample(100, 1, 1);
        QVERIFY(worker->m_flowMap.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSampleIntake)
#include "tst_sampleintake.moc"
