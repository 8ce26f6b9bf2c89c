// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/monitoridentity.h"
#include "historyfile.h"
#include "ownedworker.h"

#include <QDBusConnection>
#include <QDir>
#include <QTest>

namespace {
const QString kMonitor = QStringLiteral("com.nimbra.warden.MonitorNetFlow");
const QString kTotal = QStringLiteral("total_kb");
const QString kMail = QStringLiteral("mail.desktop");

// Received and sent growth saved per application, added up.
QMap<QString, QPair<double, double>> savedGrowth()
{
    QMap<QString, QPair<double, double>> sums;
    for (const QString &row : HistoryFile().sums())
        sums.insert(row.section('|', 0, 0),
                    {row.section('|', 1, 1).toDouble(), row.section('|', 2, 2).toDouble()});
    return sums;
}
} // namespace

// The worker run as the service runs it, stopped and started again over the same file, while
// this test plays the network monitor on the private system bus.
class TestKeptCounters : public QObject
{
    Q_OBJECT

    QDBusConnection m_monitorBus = QDBusConnection::systemBus();

    OwnedWorker startWorker(const WardenProcessList &running)
    {
        // The test saves at the moments it chooses.
        OwnedWorker worker(new TrafficDetailsWorker(nullptr, false));
        worker->Getallproclist({{100, "mail", "/apps/mail.desktop"},
                                {101, "mail-helper", "/apps/mail.desktop"},
                                {200, "player", "/apps/player.desktop"}});
        worker->Getallprocpid(running);
        return worker;
    }
    void total(OwnedWorker &worker, int pid, double recv, double send)
    {
        worker->onAppMonitorNetFlowDetailData("proc", recv, send, pid, "eth0", kTotal);
    }
    // As the display thread hands the totals in, then the tick; returns once it committed.
    void save(OwnedWorker &worker)
    {
        worker->onSetSvaeFLowList(worker->totalFigures());
        worker->saveFlowData();
        QTRY_VERIFY(savedGrowth() != m_lastSeen || worker->totalFigures().isEmpty());
        m_lastSeen = savedGrowth();
    }
    // A monitor run that is not this test's own connection.
    void startOtherMonitor()
    {
        m_monitorBus.unregisterService(kMonitor);
        m_monitorBus = QDBusConnection::connectToBus(QDBusConnection::SystemBus,
                                                     QString("monitor-%1").arg(++m_monitorRuns));
        QVERIFY(m_monitorBus.registerService(kMonitor));
    }

    QMap<QString, QPair<double, double>> m_lastSeen;
    int m_monitorRuns = 0;

private slots:
    void init()
    {
        QDir(QDir::homePath() + "/.nimbra-warden").removeRecursively();
        m_lastSeen.clear();
        QVERIFY(m_monitorBus.registerService(kMonitor));
    }
    void cleanup() { m_monitorBus.unregisterService(kMonitor); }

    void restart_with_the_same_monitor_continues_from_the_last_save()
    {
        {
            OwnedWorker worker = startWorker({100, 101});
            total(worker, 100, 100, 10);
            total(worker, 101, 50, 5);
            save(worker);
            worker->Getallprocpid({100}); // 101 ended: its 50 stays with mail
            total(worker, 100, 150, 20);
            save(worker);
            total(worker, 100, 160, 20); // after the last save, before the stop
        }
        OwnedWorker worker = startWorker({100});
        total(worker, 100, 170, 25);
        save(worker);
        QCOMPARE(savedGrowth().value(kMail), qMakePair(170.0 + 50, 25.0 + 5));
    }

    void restart_with_another_monitor_counts_all_it_reports_as_new()
    {
        {
            OwnedWorker worker = startWorker({100, 101});
            total(worker, 100, 100, 10);
            total(worker, 101, 50, 5);
            save(worker);
        }
        startOtherMonitor();
        OwnedWorker worker = startWorker({100, 101});
        total(worker, 100, 7, 1);
        save(worker);
        QCOMPARE(savedGrowth().value(kMail), qMakePair(150.0 + 7, 15.0 + 1));

        // And when the monitor starts again while the worker runs.
        startOtherMonitor();
        QTRY_COMPARE(worker->countingMonitor(), monitorIdentity(m_monitorBus.baseService()));
        total(worker, 100, 3, 0);
        save(worker);
        QCOMPARE(savedGrowth().value(kMail), qMakePair(157.0 + 3, 16.0));
    }
};

QTEST_GUILESS_MAIN(TestKeptCounters)
#include "tst_keptcounters.moc"
