// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dbussignalrecorder.h"
#include "queriesinterface.h"
#include "testsupport.h"

#include <QDBusConnection>
#include <QDBusPendingReply>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>

using namespace TestSupport;

namespace {
double totalOf(const WardenAppFlowList &rows)
{
    double total = 0;
    for (const WardenAppFlow &row : rows)
        total += row.total;
    return total;
}
} // namespace

// The real service, asked by many callers at once through its queries interface.
class TestConcurrentHistory : public QObject
{
    Q_OBJECT

    QDBusConnection m_bus = QDBusConnection::sessionBus();
    std::unique_ptr<QProcess> m_simulator;
    std::unique_ptr<QProcess> m_service;

    // Runs the client to the end; its standard output.
    static QProcess *startClient(const QStringList &arguments)
    {
        auto *client = new QProcess;
        client->start(QStringLiteral(NWT_CLIENT_BINARY), arguments);
        return client;
    }

private slots:
    void initTestCase()
    {
        registerWardenAppFlowMetaType();
        registerWardenDisplayMetaType();
        registerWardenApplicationMetaType();
        // Mail has 120 kB at 09:00 today, Web 7 kB at 08:00; Player has no history.
        QVERIFY(createHistory({"('mail.desktop','Mail','2024/03/15/09',120,100,20)",
                               "('web.desktop','Web','2024/03/15/08',7,5,2)"}));
        m_simulator.reset(startSimulator("e2e/scenario.json"));
        QVERIFY(m_simulator);
        // The service's clock starts here: today is 15 March 2024.
        m_service.reset(startServiceAt("@2024-03-15 10:00:00"));
        QVERIFY2(waitForBusName(m_bus, kService), m_service->readAll().constData());
    }

    void cleanupTestCase()
    {
        for (QProcess *process : {m_service.get(), m_simulator.get()}) {
            if (process) {
                process->kill();
                process->waitForFinished();
            }
        }
    }

    void many_callers_at_once_each_get_the_history_they_asked_for()
    {
        TrafficQueriesInterface queries(kService, kPath, m_bus);
        DBusSignalRecorder described(m_bus, kService, kPath, kService, "sendAppFlowData");
        const QStringList apps{"mail.desktop", "web.desktop", "player.desktop"};
        const QStringList periods{"today", "month"};
        QList<QDBusPendingReply<WardenAppFlowList, QString>> replies;
        for (int i = 0; i < 30; ++i) // all asked before the first answer is read
            replies << queries.GetAppHistory(apps.at(i % 3), periods.at(i / 3 % 2));
        for (int i = 0; i < replies.size(); ++i) {
            replies[i].waitForFinished();
            QVERIFY2(replies.at(i).isValid(), qPrintable(replies.at(i).error().message()));
            const WardenAppFlowList rows = replies.at(i).argumentAt<0>();
            const bool daily = periods.at(i / 3 % 2) == "today";
            QCOMPARE(rows.size(), daily ? 24 : 31);
            QCOMPARE(replies.at(i).argumentAt<1>(), daily ? "2024-03-15" : "2024-03-01");
            QCOMPARE(rows.first().appname, apps.at(i % 3));
            QCOMPARE(totalOf(rows), QList<double>({120, 7, 0}).at(i % 3));
        }
        QTest::qWait(200);
        QCOMPARE(described.count(), 0); // other clients see nothing of these
    }

    void two_history_commands_at_once_each_print_their_own_application()
    {
        for (int round = 0; round < 3; ++round) {
            std::unique_ptr<QProcess> mail(startClient({"history", "Mail", "today", "--json"}));
            std::unique_ptr<QProcess> web(
                startClient({"history", "web.desktop", "today", "--json"}));
            for (QProcess *client : {mail.get(), web.get()})
                QVERIFY(QTest::qWaitFor([&] { return client->state() == QProcess::NotRunning; },
                                        15000));
            const QJsonObject mailJson = QJsonDocument::fromJson(mail->readAll()).object();
            const QJsonObject webJson = QJsonDocument::fromJson(web->readAll()).object();
            QCOMPARE(mailJson.value("name").toString(), "Mail");
            QCOMPARE(mailJson.value("sums").toObject().value("total").toDouble(), 120.0);
            QCOMPARE(webJson.value("name").toString(), "Web");
            QCOMPARE(webJson.value("sums").toObject().value("total").toDouble(), 7.0);
        }
    }

    void totals_for_a_period_leave_the_shared_period_alone()
    {
        TrafficQueriesInterface queries(kService, kPath, m_bus);
        QDBusPendingReply<WardenDisplayList, QString> totals = queries.GetTotals("month");
        totals.waitForFinished();
        QVERIFY2(totals.isValid(), qPrintable(totals.error().message()));
        QCOMPARE(totals.argumentAt<0>().size(), 2);
        QCOMPARE(totals.argumentAt<0>().first().appName, "Mail");
        QCOMPARE(totals.argumentAt<0>().first().totalText, "120.00");
        QCOMPARE(queries.GetCurrentPeriod().value(), "today");

        QDBusPendingReply<WardenAppFlowList, QString> wrong = queries.GetAppHistory("x", "week");
        wrong.waitForFinished();
        QCOMPARE(wrong.error().type(), QDBusError::InvalidArgs);
    }

    // While another program holds the file, requests wait; those beyond the bound get an
    // error at once, the others their answers once the file is free.
    void calls_beyond_the_waiting_bound_are_refused_at_once()
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
        holder.setDatabaseName(databasePath());
        QVERIFY(holder.open() && QSqlQuery(holder).exec("BEGIN EXCLUSIVE"));
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
        QSqlQuery(holder).exec("COMMIT");
        holder.close();
        QTRY_COMPARE_WITH_TIMEOUT(count([](const QDBusError &) { return true; }), 540, 20000);
        QVERIFY(count([](const QDBusError &error) { return !error.isValid(); }) >= 450);
    }
};

QTEST_GUILESS_MAIN(TestConcurrentHistory)
#include "tst_concurrenthistory.moc"
