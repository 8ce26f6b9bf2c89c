// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dbussignalrecorder.h"
#include "peersimulatorinterface.h"
#include "records/wardenrecords.h"
#include "testsupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <memory>

using namespace TestSupport;

namespace {
const QString kMonitor = QStringLiteral("com.nimbra.warden.MonitorNetFlow");
const int kMail = 4100, kMailSync = 4101, kNotes = 5100, kBackup = 5200, kMailHelper = 6100,
          kNotesHelper = 6200;

using Figures = QMap<QString, QPair<double, double>>;

// Runs statements on the service's file through a connection of the test's own.
QStringList onFile(const QStringList &statements)
{
    QStringList results;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "accounting");
        db.setDatabaseName(databasePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        db.open();
        QSqlQuery query(db);
        for (const QString &statement : statements) {
            if (!query.exec(statement))
                results << query.lastError().text();
            while (query.next())
                results << query.value(0).toString() + '|' + query.value(1).toString() + '|' +
                               query.value(2).toString();
        }
    }
    QSqlDatabase::removeDatabase("accounting");
    return results;
}

Figures saved()
{
    Figures sums;
    for (const QString &row : onFile({"SELECT appname, sum(downloadedFlow), sum(uploadedFlow) "
                                      "FROM flowDetail GROUP BY appname"})) {
        const QStringList columns = row.split('|');
        if (columns.size() == 3)
            sums.insert(columns[0], {columns[1].toDouble(), columns[2].toDouble()});
    }
    return sums;
}

QStringList describe(const Figures &figures)
{
    QStringList described;
    for (auto it = figures.cbegin(); it != figures.cend(); ++it)
        described << QString("%1 %2 %3").arg(it.key()).arg(it->first).arg(it->second);
    return described;
}

Figures minus(const Figures &after, const Figures &before)
{
    Figures growth;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const QPair<double, double> was = before.value(it.key());
        if (it->first != was.first || it->second != was.second)
            growth.insert(it.key(), {it->first - was.first, it->second - was.second});
    }
    return growth;
}
} // namespace

// The service over private buses, fed by the peer simulator, through the cases that used to
// store wrong figures. Every case checks that what the saves added for each application is
// what the application really moved meanwhile.
class TestAccounting : public QObject
{
    Q_OBJECT

    QDBusConnection m_bus = QDBusConnection::sessionBus();
    std::unique_ptr<QProcess> m_simulator;
    std::unique_ptr<QProcess> m_service;
    std::unique_ptr<PeerSimulatorInterface> m_control;
    // Each process's counter as the monitor last reported it, and the traffic moved since the
    // case began.
    QMap<int, QPair<double, double>> m_counters;
    QMap<int, QString> m_desktopOf = {
        {kMail, "mail.desktop"},       {kMailSync, "mail.desktop"},
        {kNotes, "notes.desktop"},     {kBackup, "backup.desktop"},
        {kMailHelper, "mail.desktop"}, {kNotesHelper, "notes.desktop"}};
    Figures m_moved;
    Figures m_savedBefore;

    void startSimulator()
    {
        m_simulator.reset(TestSupport::startSimulator("accounting/scenario.json"));
        QVERIFY(m_simulator);
        QVERIFY(waitForBusName(QDBusConnection::systemBus(), kMonitor));
        m_control = std::make_unique<PeerSimulatorInterface>(
            kControl, QStringLiteral("/com/nimbra/warden/PeerSimulator"), m_bus);
        m_counters.clear(); // a new monitor counts from nothing
    }
    void stopSimulator()
    {
        m_simulator->kill();
        m_simulator->waitForFinished();
        QVERIFY(waitForBusNameGone(QDBusConnection::systemBus(), kMonitor));
    }
    void startService(const QString &clock)
    {
        m_service.reset(startServiceAt(clock));
        QVERIFY2(waitForBusName(m_bus, kService), m_service->readAll().constData());
        m_control->PublishProcesses().waitForFinished();
        QTest::qWait(300);
    }
    void stopService()
    {
        m_bus.call(QDBusMessage::createMethodCall(kService, kPath, kService, "ExitApp"));
        QVERIFY(m_service->waitForFinished(10000));
    }
    // What the monitor reports; a counter lower than before started again.
    void total(int pid, double recv, double send)
    {
        const QPair<double, double> was = m_counters.value(pid);
        QPair<double, double> &moved = m_moved[m_desktopOf[pid]];
        moved.first += recv >= was.first ? recv - was.first : recv;
        moved.second += send >= was.second ? send - was.second : send;
        m_counters[pid] = {recv, send};
        m_control->SendSample("proc", recv, send, pid, "eth0", "total_kb").waitForFinished();
    }
    // Waits for the saves to catch up, then compares and starts the next case from there.
    void compareSavedGrowth()
    {
        Q_UNUSED(QTest::qWaitFor([&] { return minus(saved(), m_savedBefore) == m_moved; }, 15000));
        QTest::qWait(5500); // one more save must add nothing
        const Figures growth = minus(saved(), m_savedBefore);
        const Figures moved = m_moved;
        m_savedBefore = saved();
        m_moved.clear();
        QCOMPARE(describe(growth).join("; "), describe(moved).join("; "));
    }

private slots:
    void initTestCase()
    {
        registerWardenDisplayMetaType();
        // Kept from an earlier month; no clock may remove it within the three months.
        QVERIFY(createHistory({"('old.desktop','Old','2024/02/10/10',2,1,1)"}));
        m_savedBefore = saved();
        startSimulator();
        startService("@2024-03-15 10:00:00");
    }

    void cleanupTestCase()
    {
        for (QProcess *process : {m_service.get(), m_simulator.get()}) {
            if (process && process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished();
            }
        }
    }

    void processes_of_one_application_add_up()
    {
        total(kMail, 100, 10);
        total(kMailSync, 50, 5);
        compareSavedGrowth();
    }

    void applications_whose_processes_share_a_name_count_once()
    {
        for (int round = 1; round <= 3; ++round) {
            total(kNotes, 110 * round, 11 * round);
            total(kBackup, 210 * round, 21 * round);
            QTest::qWait(2000);
        }
        compareSavedGrowth();
    }

    void speed_of_an_application_adds_its_processes()
    {
        DBusSignalRecorder speeds(m_bus, kService, kPath, kService, "displayspped");
        const auto mailShows = [&](const QString &text) {
            for (const QDBusMessage &message : speeds.messages())
                for (const WardenDisplay &row : listOf<WardenDisplayList>(message))
                    if (row.appName == "Mail" && row.recvText == text)
                        return true;
            return false;
        };
        for (int i = 0; i < 6; ++i) {
            m_control->SendSample("proc", 100, 1, kMail, "eth0", "kb/s").waitForFinished();
            m_control->SendSample("proc", 100, 1, kMailSync, "eth0", "kb/s").waitForFinished();
            QTest::qWait(400);
        }
        QVERIFY(mailShows("200.00"));
    }

    // Fed once: a speed kept one more cycle must not add again.
    void speed_sums_add_each_sample_once()
    {
        DBusSignalRecorder speeds(m_bus, kService, kPath, kService, "displayspped");
        m_control->SendSample("proc", 12.5, 0, kBackup, "eth0", "kb/s").waitForFinished();
        QTest::qWait(3500);
        QVERIFY(!speeds.messages().isEmpty());
        QList<double> sums;
        for (const WardenDisplay &row : listOf<WardenDisplayList>(speeds.messages().last()))
            if (row.appName == "Backup")
                sums << row.recvSum;
        QCOMPARE(sums, QList<double>{12.5});
    }

    // The process map moves a live process to another application: each byte counts once,
    // under the application it was moved under.
    void process_moved_to_another_application_counts_each_byte_once()
    {
        total(kMailHelper, 800, 80);
        compareSavedGrowth(); // the sample and the new list travel on different buses
        m_desktopOf[kMailHelper] = "backup.desktop";
        WardenProcessInfoList processes;
        for (auto it = m_desktopOf.cbegin(); it != m_desktopOf.cend(); ++it)
            processes.append({it.key(), "proc", "/usr/share/applications/" + *it});
        m_control->SetProcesses(processes).waitForFinished();
        QTest::qWait(300);
        total(kMailHelper, 1300, 130);
        compareSavedGrowth();
    }

    void process_left_out_of_one_list_counts_each_byte_once()
    {
        total(kNotesHelper, 800, 80);
        compareSavedGrowth();
        m_control->SetPidList({kMail, kMailSync, kNotes, kBackup, kMailHelper}).waitForFinished();
        QTest::qWait(300);
        m_control->SetPidList(m_desktopOf.keys()).waitForFinished();
        QTest::qWait(300);
        total(kNotesHelper, 960, 96);
        compareSavedGrowth();
    }

    void impossible_amount_is_dropped()
    {
        m_control->SendSample("proc", 1e308, 1, kNotes, "eth0", "total_kb").waitForFinished();
        total(kNotes, m_counters[kNotes].first + 10, m_counters[kNotes].second + 1);
        compareSavedGrowth();
    }

    void counter_that_started_again_counts_from_zero()
    {
        total(kMail, 30, 12);
        compareSavedGrowth();
    }

    void failed_save_counts_its_growth_once_later()
    {
        onFile({"CREATE TRIGGER refuse BEFORE INSERT ON flowDetail WHEN NEW.appname = "
                "'mail.desktop' BEGIN SELECT RAISE(ABORT, 'refused'); END"});
        total(kMailSync, 80, 9);
        total(kNotes, 400, 40);
        QTest::qWait(7000);
        QCOMPARE(describe(minus(saved(), m_savedBefore)),
                 QStringList()); // a failed save leaves nothing
        onFile({"DROP TRIGGER refuse"});
        compareSavedGrowth();
    }

    void restart_continues_from_the_last_save()
    {
        total(kMail, 40, 12); // after the last save: must not be lost
        stopService();
        total(kMail, 50, 13); // while the service is away
        startService("@2024-03-15 10:05:00");
        total(kMail, 60, 14);
        compareSavedGrowth();
    }

    void ended_process_keeps_its_traffic()
    {
        m_control->SetPidList({kMail, kNotes, kBackup}).waitForFinished();
        total(kMail, 70, 15);
        compareSavedGrowth();
        stopService();
        startService("@2024-03-15 10:10:00");
        total(kMail, 75, 15);
        compareSavedGrowth();
    }

    void new_monitor_counts_all_it_reports()
    {
        stopSimulator();
        startSimulator();
        m_control->PublishProcesses().waitForFinished();
        total(kMail, 5, 1);
        total(kNotes, 7, 0);
        compareSavedGrowth();
        stopService();
        startService("@2024-03-15 10:15:00");
        total(kMail, 9, 2);
        compareSavedGrowth();
    }

    void clock_set_months_ahead_deletes_no_history()
    {
        stopService();
        startService("@2024-07-20 10:00:00");
        total(kBackup, 700, 70);
        compareSavedGrowth();
        QVERIFY(saved().contains("old.desktop"));
        QVERIFY(saved().contains("notes.desktop"));
    }
};

QTEST_GUILESS_MAIN(TestAccounting)
#include "tst_accounting.moc"
