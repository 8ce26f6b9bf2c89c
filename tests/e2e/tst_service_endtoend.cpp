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
// The service runs with its clock starting here; the test stays within the hour.
const QString kThisHour = QStringLiteral("2024/03/15/10");
const int kMailPid = 4100;
const int kWebPid = 4200;

WardenDisplayList displayList(const QDBusMessage &message)
{
    return listOf<WardenDisplayList>(message);
}

const WardenDisplay *rowFor(const WardenDisplayList &list, const QString &appName)
{
    for (const WardenDisplay &row : list)
        if (row.appName == appName)
            return &row;
    return nullptr;
}
} // namespace

// The real service on the private buses, fed by the peer simulator, seen by a client.
class TestServiceEndToEnd : public QObject
{
    Q_OBJECT

    QDBusConnection m_bus = QDBusConnection::sessionBus();
    std::unique_ptr<QProcess> m_simulator;
    std::unique_ptr<QProcess> m_service;
    std::unique_ptr<PeerSimulatorInterface> m_control;
    std::unique_ptr<DBusSignalRecorder> m_speed, m_flow, m_appFlow, m_update, m_display,
        m_heartbeat;

    std::unique_ptr<DBusSignalRecorder> record(const QString &name)
    {
        return std::make_unique<DBusSignalRecorder>(m_bus, kService, kPath, kService, name);
    }

    QDBusMessage call(const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kService, method);
        message.setArguments(arguments);
        return m_bus.call(message);
    }

    // Waits for a list signal after the current ones that satisfies `accept`.
    bool waitForList(DBusSignalRecorder &recorder,
                     const std::function<bool(const WardenDisplayList &)> &accept,
                     int timeoutMs = 8000)
    {
        const int seen = recorder.count();
        return QTest::qWaitFor(
            [&] {
                for (int i = seen; i < recorder.count(); ++i)
                    if (accept(displayList(recorder.messages().at(i))))
                        return true;
                return false;
            },
            timeoutMs);
    }

    WardenAppFlowList askApp(const QString &method, const QString &appname)
    {
        const int seen = m_appFlow->count();
        call(method, {appname});
        if (!m_appFlow->waitForCount(seen + 1))
            return {};
        return listOf<WardenAppFlowList>(m_appFlow->messages().at(seen));
    }

    void sendSample(int pid, const QString &name, double recv, double send, const QString &type)
    {
        m_control->SendSample(name, recv, send, pid, QStringLiteral("eth0"), type)
            .waitForFinished();
    }

private slots:
    void initTestCase()
    {
        registerWardenDisplayMetaType();
        registerWardenAppFlowMetaType();
        // Rows another run of the service left behind: yesterday, last month and earlier today.
        QVERIFY(createHistory({"('mail.desktop','Mail','2024/03/14/09',150,100,50)",
                               "('mail.desktop','Mail','2024/03/14/10',30,20,10)",
                               "('mail.desktop','Mail','2024/02/29/23',10,5,5)",
                               "('web.desktop','Web','2024/03/15/08',10,7,3)"}));
        m_simulator.reset(startSimulator("e2e/scenario.json"));
        QVERIFY(m_simulator);
        m_control = std::make_unique<PeerSimulatorInterface>(
            kControl, QStringLiteral("/com/nimbra/warden/PeerSimulator"), m_bus);

        m_speed = record("displayspped");
        m_flow = record("displayflow");
        m_appFlow = record("sendAppFlowData");
        m_update = record("updatedisplay");
        m_display = record("Display");
        m_heartbeat = record("NotifyHeartbeat");

        m_service.reset(startServiceAt("@2024-03-15 10:00:00"));
        QVERIFY2(waitForBusName(m_bus, kService), m_service->readAll().constData());
        m_control->PublishProcesses().waitForFinished();
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

    void lists_reach_the_bus_every_second_with_their_signatures()
    {
        m_speed->clear();
        m_flow->clear();
        QTest::qWait(3500);
        QVERIFY2(m_speed->count() >= 3 && m_speed->count() <= 5,
                 qPrintable(QString::number(m_speed->count())));
        QVERIFY(m_flow->count() >= 3 && m_flow->count() <= 5);
        QCOMPARE(m_speed->messages().first().signature(), QStringLiteral("a(isssbssssddd)"));
        QCOMPARE(m_flow->messages().first().signature(), QStringLiteral("a(isssbssssddd)"));
    }

    void speed_rows_show_the_latest_sample_of_each_running_application()
    {
        sendSample(kMailPid, "mail", 12.5, 3.25, "kb/s");
        QVERIFY(waitForList(*m_speed, [](const WardenDisplayList &list) {
            const WardenDisplay *mail = rowFor(list, "Mail");
            return mail && mail->recvText == "12.50";
        }));
        const WardenDisplayList speeds = displayList(m_speed->messages().last());
        // One row per launcher application whose desktop entry the analysis peer reports.
        QCOMPARE(speeds.size(), 2);
        QCOMPARE(speeds[0].appName, QStringLiteral("Mail"));
        QCOMPARE(speeds[1].appName, QStringLiteral("Web"));
        QCOMPARE(speeds[1].recvText, QStringLiteral("0.00"));
        QCOMPARE(speeds[0].icon, QStringLiteral("mail-client"));
        QCOMPARE(speeds[0].desktopPath, QStringLiteral("/usr/share/applications/mail.desktop"));
        QCOMPARE(speeds[0].isDefault, false);
    }

    void saves_write_each_application_growth_into_the_history_file()
    {
        sendSample(kMailPid, "mail", 1000, 200, "total_kb");
        sendSample(kWebPid, "web", 40, 4, "total_kb");
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "check");
        db.setDatabaseName(databasePath());
        QVERIFY(db.open());
        const auto firstRow = [&db] {
            QSqlQuery query(db);
            query.exec("SELECT sName, totalFlow, downloadedFlow, uploadedFlow FROM flowDetail "
                       "WHERE appname = 'mail.desktop' AND dataymdh = '" +
                       kThisHour + "' ORDER BY rowid LIMIT 1");
            return query.next() ? QVariantList{query.value(0), query.value(1).toDouble(),
                                               query.value(2).toDouble(), query.value(3).toDouble()}
                                : QVariantList();
        };
        QTRY_VERIFY_WITH_TIMEOUT(!firstRow().isEmpty(), 12000);
        QCOMPARE(firstRow(), (QVariantList{"Mail", 1200.0, 1000.0, 200.0}));
        db.close();
    }

    void flow_list_shows_the_period_last_asked_for()
    {
        // Today: the earlier row of Web plus what this run saved.
        QVERIFY(waitForList(
            *m_flow,
            [](const WardenDisplayList &list) {
                const WardenDisplay *web = rowFor(list, "Web");
                const WardenDisplay *mail = rowFor(list, "Mail");
                return web && web->recvText == "47.00" && mail && mail->recvText == "1000.00";
            },
            12000));

        call("notifyGetYesterdayFlowData");
        QVERIFY(waitForList(*m_flow, [](const WardenDisplayList &list) {
            return list.size() == 1 && list[0].appName == "Mail" && list[0].recvText == "120.00" &&
                   list[0].sendText == "60.00" && list[0].totalText == "180.00";
        }));

        call("notifyGetThisMonthFlowData");
        QVERIFY(waitForList(*m_flow, [](const WardenDisplayList &list) {
            const WardenDisplay *mail = rowFor(list, "Mail");
            return mail && mail->recvText == "1120.00";
        }));
    }

    void per_application_answers_number_their_rows()
    {
        const WardenAppFlowList yesterday = askApp("notifyGetAppYesterdayFlowData", "mail.desktop");
        QCOMPARE(yesterday.size(), 24);
        for (int i = 0; i < yesterday.size(); ++i)
            QCOMPARE(yesterday[i].index, i);
        QCOMPARE(yesterday[9].date, QStringLiteral("09:00"));
        QCOMPARE(yesterday[9].downloaded, 100.0);
        QCOMPARE(yesterday[9].sname, QStringLiteral("Mail"));
        QCOMPARE(yesterday[10].total, 30.0);
        QCOMPARE(yesterday[11].total, 0.0);

        const WardenAppFlowList lastMonth = askApp("notifyGetAppLastMonthFlowData", "mail.desktop");
        QCOMPARE(lastMonth.size(), 29);
        QCOMPARE(lastMonth.last().index, 28);
        QCOMPARE(lastMonth.last().date, QStringLiteral("02-29"));
        QCOMPARE(lastMonth.last().total, 10.0);
    }

    void launcher_change_raises_exactly_one_updatedisplay()
    {
        const int before = m_update->count();
        m_control->AnnounceLauncherChange().waitForFinished();
        QVERIFY(m_update->waitForCount(before + 1));
        QTest::qWait(1500);
        QCOMPARE(m_update->count(), before + 1);
        QCOMPARE(m_update->messages().last().signature(), QString());
        // Signals the service declares but never raises.
        QCOMPARE(m_display->count(), 0);
        QCOMPARE(m_heartbeat->count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestServiceEndToEnd)
#include "tst_service_endtoend.moc"
