// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dbussignalrecorder.h"
#include "historyfile.h"
#include "records/wardenbudget.h"
#include "servicerig.h"
#include "testsupport.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QTest>

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
    ServiceRig m_rig;
    FakeNotifications m_notifications;

    QDBusMessage setBudget(const QString &id, const QString &period, qulonglong limit,
                           uint warn = 50, uint startDay = 1)
    {
        return m_rig.call(QStringLiteral("SetBudget"), {id, period, limit, warn, startDay},
                          kQueries);
    }

    void startService() { QVERIFY2(m_rig.startService({}, kClock), m_rig.serviceOutput()); }

private slots:
    void initTestCase()
    {
        registerWardenBudgetMetaType();
        // An application the launcher no longer lists, known from its history.
        QVERIFY(HistoryFile::create({"('gone.desktop','Gone','2024/02/10/10',1,1,0)"}));
        QVERIFY(m_bus.registerObject("/org/freedesktop/Notifications", &m_notifications,
                                     QDBusConnection::ExportAllSlots));
        QVERIFY(m_bus.registerService("org.freedesktop.Notifications"));
        QVERIFY(m_rig.startSimulator());
        startService();
    }

    // Unknown applications, periods and budgets are refused; one known from its history alone
    // is not.
    void bad_input_is_refused()
    {
        QCOMPARE(setBudget("gone.desktop", "day", 1).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(m_rig.call("ClearBudget", {"gone.desktop", "day"}, kQueries).type(),
                 QDBusMessage::ReplyMessage);
        for (const QDBusMessage &reply :
             {setBudget("nope.desktop", "day", 1), setBudget("mail.desktop", "week", 1),
              m_rig.call("ClearBudget", {"web.desktop", "day"}, kQueries)})
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

        m_rig.sendTotal(kMailPid, 600, 0);
        QVERIFY(reached.waitForCount(1, 12000));
        QCOMPARE(announced(0),
                 (QVariantList{"mail.desktop", "month", "warning", 614400ull, kLimit,
                               "mail-client|Mail: 50 % of the data budget used|600 KiB of 1.00 "
                               "MiB used since 2024-03-01."}));
        m_rig.sendTotal(kMailPid, 1100, 0);
        QVERIFY(reached.waitForCount(2, 12000));
        QCOMPARE(announced(1),
                 (QVariantList{"mail.desktop", "month", "limit", 1126400ull, kLimit,
                               "mail-client|Mail: data budget reached|1.07 MiB of 1.00 MiB used "
                               "since 2024-03-01."}));

        QVERIFY(m_rig.exitService());
        startService();
        m_rig.sendTotal(kMailPid, 1200, 0);
        QTest::qWait(6000);
        const WardenBudgetList budgets =
            listOf<WardenBudgetList>(m_rig.call("GetBudgets", {}, kQueries));
        QCOMPARE(budgets.size(), 1);
        QVERIFY(budgets[0].usedBytes >= 1126400);
        QCOMPARE(budgets[0].cycleStart, QStringLiteral("2024-03-01"));
        QCOMPARE(reached.count(), 2);
        QCOMPARE(m_notifications.shown.size(), 2);
        // Ended as the session ends it, so that faketime removes what it made.
        QVERIFY(m_rig.exitService());
    }
};

QTEST_GUILESS_MAIN(TestBudgets)
#include "tst_budgets.moc"
