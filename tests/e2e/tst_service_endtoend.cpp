// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dbussignalrecorder.h"
#include "historyfile.h"
#include "queriesinterface.h"
#include "records/wardenrecords.h"
#include "servicerig.h"
#include "testsupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>

using namespace TestSupport;

namespace {
const int kMailPid = 4100;
const int kWebPid = 4200;
} // namespace

// The real service on the private buses, fed by the peer simulator, seen by its clients.
class TestServiceEndToEnd : public QObject
{
    Q_OBJECT

    QDBusConnection m_bus = QDBusConnection::sessionBus();
    ServiceRig m_rig;
    std::unique_ptr<DBusSignalRecorder> m_speed, m_flow, m_appFlow, m_update, m_display,
        m_heartbeat;

    std::unique_ptr<DBusSignalRecorder> record(const QString &name)
    {
        return std::make_unique<DBusSignalRecorder>(m_bus, kService, kPath, kService, name);
    }

    // The latest flow list, a row as "name received sent total".
    QStringList latestFlow() const
    {
        QStringList rows;
        const QDBusMessage latest = m_flow->messages().value(m_flow->count() - 1);
        for (const WardenDisplay &row : listOf<WardenDisplayList>(latest))
            rows << QStringList{row.appName, row.recvText, row.sendText, row.totalText}.join(' ');
        return rows;
    }

private slots:
    void initTestCase()
    {
        registerWardenDisplayMetaType();
        registerWardenAppFlowMetaType();
        registerWardenApplicationMetaType();
        // Rows another run of the service left behind: yesterday, last month and earlier today.
        QVERIFY(HistoryFile::create({"('mail.desktop','Mail','2024/03/14/09',150,100,50)",
                                     "('mail.desktop','Mail','2024/03/14/10',30,20,10)",
                                     "('mail.desktop','Mail','2024/02/29/23',10,5,5)",
                                     "('mail.desktop','Mail','2024/03/15/09',120,100,20)",
                                     "('web.desktop','Web','2024/03/15/08',10,7,3)"}));
        QVERIFY(m_rig.startSimulator());

        m_speed = record("displayspped");
        m_flow = record("displayflow");
        m_appFlow = record("sendAppFlowData");
        m_update = record("updatedisplay");
        m_display = record("Display");
        m_heartbeat = record("NotifyHeartbeat");

        // The service's clock starts here: today is 15 March 2024.
        QVERIFY2(m_rig.startService({}, "@2024-03-15 10:00:00"), m_rig.serviceOutput().constData());
    }

    void many_callers_at_once_each_get_the_history_they_asked_for()
    {
        TrafficQueriesInterface queries(kService, kPath, m_bus);
        const QStringList apps{"mail.desktop", "web.desktop", "player.desktop"};
        const QStringList periods{"today", "month"};
        const QList<double> totals[] = {{120, 10, 0}, {300, 10, 0}};
        QList<QDBusPendingReply<WardenAppFlowList, QString>> replies;
        for (int i = 0; i < 30; ++i) // all asked before the first answer is read
            replies << queries.GetAppHistory(apps.at(i % 3), periods.at(i / 3 % 2));
        for (int i = 0; i < replies.size(); ++i) {
            replies[i].waitForFinished();
            QVERIFY2(replies.at(i).isValid(), qPrintable(replies.at(i).error().message()));
            const WardenAppFlowList rows = replies.at(i).argumentAt<0>();
            const bool daily = i / 3 % 2 == 0;
            QCOMPARE(rows.size(), daily ? 24 : 31);
            QCOMPARE(replies.at(i).argumentAt<1>(), daily ? "2024-03-15" : "2024-03-01");
            QCOMPARE(rows.first().appname, apps.at(i % 3));
            QCOMPARE(std::accumulate(
                         rows.cbegin(), rows.cend(), 0.0,
                         [](double sum, const WardenAppFlow &row) { return sum + row.total; }),
                     totals[i / 3 % 2].at(i % 3));
        }
        QTest::qWait(200);
        QCOMPARE(m_appFlow->count(), 0); // other clients see nothing of these
    }

    void totals_for_a_period_leave_the_shared_period_alone()
    {
        TrafficQueriesInterface queries(kService, kPath, m_bus);
        QDBusPendingReply<WardenDisplayList, QString> totals = queries.GetTotals("month");
        totals.waitForFinished();
        QVERIFY2(totals.isValid(), qPrintable(totals.error().message()));
        QCOMPARE(totals.argumentAt<0>().size(), 2);
        QCOMPARE(totals.argumentAt<0>().first().appName, "Mail");
        QCOMPARE(totals.argumentAt<0>().first().totalText, "300.00");
        QCOMPARE(queries.GetCurrentPeriod().value(), "today");

        QDBusPendingReply<WardenAppFlowList, QString> wrong = queries.GetAppHistory("x", "week");
        wrong.waitForFinished();
        QCOMPARE(wrong.error().type(), QDBusError::InvalidArgs);
    }

    // While another program holds the file, requests wait; those beyond the bound get an
    // error at once, the others their answers once the file is free.
    void calls_beyond_the_waiting_bound_are_refused_at_once()
    {
        std::unique_ptr<HistoryFile> holder = std::make_unique<HistoryFile>();
        QVERIFY(holder->exec("BEGIN EXCLUSIVE"));
        // The bus lets one connection wait for 128 replies at most.
        std::vector<std::unique_ptr<TrafficQueriesInterface>> callers;
        for (int i = 0; i < 6; ++i)
            callers.emplace_back(new TrafficQueriesInterface(
                kService, kPath,
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, QString::number(i))));
        QList<QDBusPendingReply<WardenDisplayList, QString>> replies;
        for (int i = 0; i < 540; ++i)
            replies << callers.at(i % 6)->GetTotals("today");
        const auto count = [&](const std::function<bool(const QDBusError &)> &kind) {
            return std::count_if(replies.cbegin(), replies.cend(), [&](const auto &reply) {
                return reply.isFinished() && kind(reply.error());
            });
        };
        const auto refused = [](const QDBusError &error) {
            return error.type() == QDBusError::LimitsExceeded &&
                   error.message().contains("too many history requests");
        };
        // The store, held up by the file, answers one request in a second at most meanwhile.
        QTRY_VERIFY_WITH_TIMEOUT(count(refused) >= 30, 2000);
        QVERIFY(holder->exec("COMMIT"));
        holder.reset();
        QTRY_COMPARE_WITH_TIMEOUT(count([](const QDBusError &) { return true; }), 540, 20000);
        QVERIFY(count([](const QDBusError &error) { return !error.isValid(); }) >= 450);
    }

    void lists_reach_the_bus_once_a_second()
    {
        m_speed->clear();
        m_flow->clear();
        QTest::qWait(3500);
        for (const auto &lists : {m_speed.get(), m_flow.get()})
            QVERIFY2(lists->count() >= 3 && lists->count() <= 5,
                     qPrintable(QString::number(lists->count())));
    }

    void flow_list_shows_the_period_last_asked_for()
    {
        m_rig.sendTotal(kMailPid, 1000, 200);
        m_rig.sendTotal(kWebPid, 40, 4);
        // Today: the earlier rows plus what this run saved.
        QTRY_COMPARE_WITH_TIMEOUT(
            latestFlow(), QStringList({"Mail 1100.00 220.00 1320.00", "Web 47.00 7.00 54.00"}),
            12000);
        m_rig.call("notifyGetYesterdayFlowData");
        QTRY_COMPARE_WITH_TIMEOUT(latestFlow(), QStringList("Mail 120.00 60.00 180.00"), 8000);
        m_rig.call("notifyGetThisMonthFlowData");
        QTRY_COMPARE_WITH_TIMEOUT(
            latestFlow(), QStringList({"Mail 1220.00 280.00 1500.00", "Web 47.00 7.00 54.00"}),
            8000);
    }

    void per_application_answers_number_their_rows()
    {
        m_rig.call("notifyGetAppYesterdayFlowData", {"mail.desktop"});
        QVERIFY(m_appFlow->waitForCount(1));
        const auto yesterday = listOf<WardenAppFlowList>(m_appFlow->messages().at(0));
        QCOMPARE(yesterday.size(), 24);
        for (int i = 0; i < yesterday.size(); ++i)
            QCOMPARE(yesterday[i].index, i);
        QCOMPARE(yesterday[9].date, QStringLiteral("09:00"));
        QCOMPARE(yesterday[9].downloaded, 100.0);
        QCOMPARE(yesterday[9].sname, QStringLiteral("Mail"));
        QCOMPARE(yesterday[10].total, 30.0);
        QCOMPARE(yesterday[11].total, 0.0);
    }

    void launcher_change_raises_exactly_one_updatedisplay()
    {
        const int before = m_update->count();
        m_rig.control().AnnounceLauncherChange().waitForFinished();
        QVERIFY(m_update->waitForCount(before + 1));
        QTest::qWait(1500);
        QCOMPARE(m_update->count(), before + 1);
        QCOMPARE(m_update->messages().last().signature(), QString());
        // Signals the service declares but never raises.
        QCOMPARE(m_display->count(), 0);
        QCOMPARE(m_heartbeat->count(), 0);
    }

    // Within one boot the wall clock jumped: retention waits, whatever the file's age.
    void restart_with_the_clock_set_months_ahead_deletes_no_history()
    {
        QVERIFY(m_rig.exitService());
        QVERIFY(m_rig.startService({}, "@2024-07-20 10:00:00"));
        m_rig.sendTotal(kWebPid, 60, 6);
        QTRY_COMPARE_WITH_TIMEOUT(
            HistoryFile().values("SELECT sum(downloadedFlow) FROM flowDetail WHERE appname = "
                                 "'web.desktop' AND dataymdh = '2024/07/20/10'"),
            QStringList("20"), 15000);
        QCOMPARE(HistoryFile().values("SELECT count(*) FROM flowDetail WHERE dataymdh IN "
                                      "('2024/02/29/23', '2024/03/14/09')"),
                 QStringList("2"));
    }
};

QTEST_GUILESS_MAIN(TestServiceEndToEnd)
#include "tst_service_endtoend.moc"
