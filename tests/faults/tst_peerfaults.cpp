// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dbussignalrecorder.h"
#include "faultrig.h"
#include "records/wardenrecords.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QTest>
#include <csignal>

using namespace TestSupport;

namespace {
LauncherItemInfo application(const QString &desktop, const QString &name)
{
    LauncherItemInfo item;
    item.desktopPath = QStringLiteral("/usr/share/applications/") + desktop;
    item.appName = name;
    item.icon = desktop;
    return item;
}

bool lastListNames(const DBusSignalRecorder &recorder, const QString &name)
{
    if (recorder.count() == 0)
        return false;
    for (const WardenDisplay &row : listOf<WardenDisplayList>(recorder.messages().last()))
        if (row.appName == name)
            return true;
    return false;
}
} // namespace

// The service against peers that fail, stall, or end it: it goes on, keeps its one-second
// lists, answers the bus, and keeps every growth it was told about.
class TestPeerFaults : public QObject
{
    Q_OBJECT

    std::unique_ptr<FaultRig> rig;
    std::unique_ptr<DBusSignalRecorder> flow, speed;

private slots:
    void initTestCase() { registerWardenDisplayMetaType(); }

    void init()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        rig = std::make_unique<FaultRig>();
        flow = std::make_unique<DBusSignalRecorder>(bus, kService, kPath, kService,
                                                    QStringLiteral("displayflow"));
        speed = std::make_unique<DBusSignalRecorder>(bus, kService, kPath, kService,
                                                     QStringLiteral("displayspped"));
        QVERIFY(rig->startSimulator());
    }

    void cleanup() { rig.reset(); }

    // A launcher that fails is asked again later; a slow one is waited for aside.
    void launcher_failing_or_slow_on_refresh_keeps_the_applications_and_holds_up_nothing_data()
    {
        QTest::addColumn<bool>("failing");
        QTest::newRow("error") << true;
        QTest::newRow("answer after eight seconds") << false;
    }
    void launcher_failing_or_slow_on_refresh_keeps_the_applications_and_holds_up_nothing()
    {
        QFETCH(bool, failing);
        QVERIFY(rig->startService());
        rig->sendTotal(4100, 100, 10);
        rig->sendTotal(4200, 50, 5);
        QVERIFY(QTest::qWaitFor([&] { return lastListNames(*flow, "Mail"); }, 12000));

        rig->startGapWatch();
        rig->control()
            .SetLauncherItems({application(QStringLiteral("mail.desktop"), QStringLiteral("Post")),
                               application(QStringLiteral("web.desktop"), QStringLiteral("Web"))})
            .waitForFinished();
        if (failing)
            rig->control().SetLauncherFailing(true).waitForFinished();
        else
            rig->control().SetLauncherDelay(8000).waitForFinished();
        rig->control().AnnounceLauncherChange().waitForFinished();
        QVERIFY(rig->slowestAnswerMs(failing ? 3000 : 7000) < 1000);
        QCOMPARE(rig->service().state(), QProcess::Running);
        QVERIFY(lastListNames(*flow, "Mail"));
        if (failing) {
            QVERIFY(rig->serviceOutput().contains("data is empty, quit!!"));
            rig->control().SetLauncherFailing(false).waitForFinished();
        }
        QVERIFY(QTest::qWaitFor([&] { return lastListNames(*flow, "Post"); }, 10000));
        rig->sendTotal(4100, 300, 30);
        QVERIFY(rig->waitForSaved(12000));
        rig->report(QString::fromLatin1(QTest::currentTestFunction()) + QLatin1Char(' ') +
                    QTest::currentDataTag());
    }

    void launcher_slow_at_start_then_speed_rows_get_its_applications()
    {
        rig->control().SetLauncherDelay(8000).waitForFinished();
        QVERIFY(rig->startService());
        rig->startGapWatch();
        QVERIFY(rig->slowestAnswerMs(3000) < 1000);
        QVERIFY(speed->count() >= 2);
        QVERIFY(!lastListNames(*speed, "Mail"));
        QVERIFY(QTest::qWaitFor([&] { return lastListNames(*speed, "Mail"); }, 8000));
        rig->report(QTest::currentTestFunction());
    }

    void ending_under_load_saves_the_last_growth_first_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("ExitApp") << "ExitApp";
        QTest::newRow("SIGTERM") << "SIGTERM";
        QTest::newRow("SIGINT") << "SIGINT";
    }
    void ending_under_load_saves_the_last_growth_first()
    {
        QFETCH(QString, way);
        QVERIFY(rig->startService());
        rig->sendTotal(4100, 100, 10);
        rig->sendTotal(4200, 50, 5);
        QVERIFY(rig->waitForSaved(12000));

        // Just after a save tick: the next one is seconds away.
        rig->startGapWatch();
        for (int i = 1; i <= 20; ++i) {
            rig->sendTotal(4100, 100 + 7 * i, 10 + i);
            rig->sendTotal(4200, 50 + 3 * i, 5 + i);
        }
        for (int i = 0; i < 50; ++i)
            QDBusConnection::sessionBus().asyncCall(
                QDBusMessage::createMethodCall(kService, kPath, kService,
                                               QStringLiteral("notifyGetAppThisMonthFlowData"))
                << "mail.desktop");
        QTest::qWait(2000);
        rig->stopGapWatch();

        QElapsedTimer ending;
        ending.start();
        if (way == "ExitApp")
            rig->call(QStringLiteral("ExitApp"));
        else
            ::kill(pid_t(rig->service().processId()), way == "SIGTERM" ? SIGTERM : SIGINT);
        QVERIFY(rig->service().waitForFinished(5000));
        QVERIFY2(ending.elapsed() < 1500, qPrintable(QString::number(ending.elapsed())));
        if (way == "ExitApp") {
            QCOMPARE(rig->service().exitStatus(), QProcess::NormalExit);
            QCOMPARE(rig->service().exitCode(), 0);
        } else {
            // Ended by the signal itself, as without the last save.
            QCOMPARE(rig->service().exitStatus(), QProcess::CrashExit);
        }
        rig->report(QString::fromLatin1(QTest::currentTestFunction()) + QLatin1Char(' ') + way);
        QCOMPARE(rig->unsavedGrowth(), 0.0);
    }

    void unreachable_bus_is_not_a_taken_name()
    {
        rig->launchService({QStringLiteral("DBUS_SESSION_BUS_ADDRESS=unix:path=") + rig->home() +
                            QStringLiteral("/no-bus")});
        QVERIFY(rig->service().waitForFinished(10000));
        QCOMPARE(rig->service().exitStatus(), QProcess::NormalExit);
        QVERIFY(rig->service().exitCode() != 0);
        const QByteArray output = rig->serviceOutput();
        QVERIFY2(output.contains("cannot reach the session bus"), output.constData());
        QVERIFY(!output.contains("already registered"));
    }
};

QTEST_GUILESS_MAIN(TestPeerFaults)
#include "tst_peerfaults.moc"
