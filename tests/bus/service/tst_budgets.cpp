// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dbussignalrecorder.h"
#include "peersimulatorinterface.h"
#include "records/wardenbudget.h"
#include "testsupport.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>
#include <memory>

using namespace TestSupport;

namespace {
const QString kQueries = kService + QStringLiteral(".Queries");
const QString kClock = QStringLiteral("@2024-03-15 10:00:00");
const int kMailPid = 4100;
const qulonglong kLimit = 1024 * 1024;
} // namespace

// The desktop's notification daemon, as the service reaches it on the private session bus.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList shown;

public slots:
    uint Notify(const QString &, uint, const QString &icon, const QString &summary,
                const QString &body, const QStringList &, const QVariantMap &, int)
    {
        shown << QStringList{icon, summary, body}.join('|');
        return uint(shown.size());
    }
};

// Budgets kept by the real service, fed by the peer simulator, announced once per level.
class TestBudgets : public QObject
{
    Q_OBJECT

    QDBusConnection m_bus = QDBusConnection::sessionBus();
    std::unique_ptr<QProcess> m_simulator, m_service;
    std::unique_ptr<PeerSimulatorInterface> m_control;
    FakeNotifications m_notifications;

    QDBusMessage call(const QString &method, const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kQueries, method);
        message.setArguments(arguments);
        return m_bus.call(message);
    }

    QDBusMessage setBudget(const QString &id, const QString &period, qulonglong limit,
                           uint warn = 50, uint startDay = 1)
    {
        return call(QStringLiteral("SetBudget"), {id, period, limit, warn, startDay});
    }

    void startService()
    {
        m_service.reset(startServiceAt(kClock));
        QVERIFY2(waitForBusName(m_bus, kService), m_service->readAll().constData());
        m_control->PublishProcesses().waitForFinished();
    }

    // Ends the service as the session does, so that faketime removes what it made.
    void stopService()
    {
        m_bus.call(QDBusMessage::createMethodCall(kService, kPath, kService, "ExitApp"));
        QVERIFY(m_service->waitForFinished(10000));
    }

    void sendMailTotal(double kibibytes)
    {
        m_control->SendSample("mail", kibibytes, 0, kMailPid, "eth0", "total_kb").waitForFinished();
    }

private slots:
    void initTestCase()
    {
        registerWardenBudgetMetaType();
        // An application the launcher no longer lists, known from its history.
        QVERIFY(createHistory({"('gone.desktop','Gone','2024/02/10/10',1,1,0)"}));
        QVERIFY(m_bus.registerObject("/org/freedesktop/Notifications", &m_notifications,
                                     QDBusConnection::ExportAllSlots));
        QVERIFY(m_bus.registerService("org.freedesktop.Notifications"));
        m_simulator.reset(startSimulator("e2e/scenario.json"));
        QVERIFY(m_simulator);
        m_control = std::make_unique<PeerSimulatorInterface>(
            kControl, QStringLiteral("/com/nimbra/warden/PeerSimulator"), m_bus);
        startService();
    }

    void bad_input_is_refused()
    {
        QCOMPARE(setBudget("gone.desktop", "day", 1).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(call("ClearBudget", {"gone.desktop", "day"}).type(), QDBusMessage::ReplyMessage);
        for (const QDBusMessage &reply :
             {setBudget("nope.desktop", "day", 1), setBudget("mail.desktop", "day", 0),
              setBudget("mail.desktop", "month", 1, 50, 29), setBudget("mail.desktop", "week", 1),
              setBudget("mail.desktop", "day", 1, 0), call("ClearBudget", {"web.desktop", "day"})})
            QCOMPARE(reply.errorName(), QDBusError::errorString(QDBusError::InvalidArgs));
    }

    void each_level_is_announced_once_even_across_a_restart()
    {
        DBusSignalRecorder reached(m_bus, kService, kPath, kQueries, "BudgetReached");
        QCOMPARE(setBudget("mail.desktop", "month", kLimit).type(), QDBusMessage::ReplyMessage);
        const auto announced = [&](int i) {
            return reached.messages().value(i).arguments() +
                   QVariantList{m_notifications.shown.value(i)};
        };

        sendMailTotal(600);
        QVERIFY(reached.waitForCount(1, 12000));
        QCOMPARE(announced(0),
                 (QVariantList{"mail.desktop", "month", "warning", 614400ull, kLimit,
                               "mail-client|Mail: 50 % of the data budget used|600 KiB of 1.00 "
                               "MiB used since 2024-03-01."}));
        sendMailTotal(1100);
        QVERIFY(reached.waitForCount(2, 12000));
        QCOMPARE(announced(1),
                 (QVariantList{"mail.desktop", "month", "limit", 1126400ull, kLimit,
                               "mail-client|Mail: data budget reached|1.07 MiB of 1.00 MiB used "
                               "since 2024-03-01."}));

        stopService();
        startService();
        sendMailTotal(1200);
        QTest::qWait(6000);
        const WardenBudgetList budgets = listOf<WardenBudgetList>(call("GetBudgets", {}));
        QCOMPARE(budgets.size(), 1);
        QVERIFY(budgets[0].usedBytes >= 1126400);
        QCOMPARE(budgets[0].cycleStart, QStringLiteral("2024-03-01"));
        QCOMPARE(reached.count(), 2);
        QCOMPARE(m_notifications.shown.size(), 2);
        stopService();
    }
};

QTEST_GUILESS_MAIN(TestBudgets)
#include "tst_budgets.moc"
