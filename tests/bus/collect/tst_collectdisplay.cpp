#include "display/wardenhandlethread.h"
#include "ownedworker.h"
#include "peersimulatorinterface.h"
#include "records/clock.h"
#include "testsupport.h"

#include <QMap>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {
const QString kControlService = QStringLiteral("com.nimbra.warden.PeerSimulator");
const QString kAppDir = QStringLiteral("/usr/share/applications/");
const QDateTime kNoon(QDate(2024, 3, 31), QTime(12, 0));

// Captured by value: the store's thread reads the clock too.
void setNow(const QDateTime &now)
{
    Clock::setNowSource([now] { return now; });
}

struct App
{
    int pid;
    QString procName;
    QString desktopFile;
    QString appName;
};

const QList<App> kApps = {{3101, "browser-bin", "web-browser.desktop", "Browser"},
                          {3202, "mailer", "mail-client.desktop", "Mail"},
                          {3303, "player", "music-player.desktop", "Player"}};

// A second process of the browser: the application's traffic is both processes'.
const App kBrowserHelper = {3104, "browser-content", "web-browser.desktop", "Browser"};

LauncherItemInfoList launcherItems()
{
    LauncherItemInfoList items;
    for (const App &app : kApps)
        items << LauncherItemInfo{
            kAppDir + app.desktopFile, app.appName, "Network;", app.procName, 0, 0};
    return items;
}
} // namespace

// The worker and the display thread in this process, the peers played by the
// simulator on the fixture's private buses.
class TestCollectDisplay : public QObject
{
    Q_OBJECT

    std::unique_ptr<QProcess> simulator;
    std::unique_ptr<PeerSimulatorInterface> control;
    OwnedWorker worker;
    std::unique_ptr<WardenHandleThread> display;

    void startDisplay()
    {
        display = std::make_unique<WardenHandleThread>(worker.get(), nullptr);
        connect(worker.get(), &TrafficDetailsWorker::DesktopUpdate, display.get(),
                &WardenHandleThread::UpdateAllProcPid);
        connect(display.get(), &WardenHandleThread::setSaveFlowList, worker.get(),
                &TrafficDetailsWorker::onSetSvaeFLowList);
    }

    void publishProcesses()
    {
        WardenProcessInfoList processes;
        WardenProcessList pids;
        QStringList desktops;
        for (const App &app : kApps) {
            processes << WardenProcessInfo{app.pid, app.procName, kAppDir + app.desktopFile};
            pids << app.pid;
            desktops << kAppDir + app.desktopFile;
        }
        processes << WardenProcessInfo{kBrowserHelper.pid, kBrowserHelper.procName,
                                       kAppDir + kBrowserHelper.desktopFile};
        pids << kBrowserHelper.pid;
        control->SetProcesses(processes).waitForFinished();
        control->SetPidList(pids).waitForFinished();
        control->SetDesktopList(desktops).waitForFinished();
        QTRY_COMPARE(worker->m_desktoplist.size(), kApps.size());
    }

    // Sends a running total through the monitor and waits until the worker has it.
    bool sendTotal(const App &app, double recv, double send)
    {
        control->SendSample(app.procName, recv, send, app.pid, "wlan0", "total_kb")
            .waitForFinished();
        return QTest::qWaitFor([&] {
            const AppParameter process = worker->m_processTotals.value(app.pid);
            return process.recv == recv && process.send == send;
        });
    }

    QPair<int, int> monitorCalls()
    {
        QDBusPendingReply<int, int> reply = control->MonitorCalls();
        reply.waitForFinished();
        return {reply.argumentAt<0>(), reply.argumentAt<1>()};
    }

private slots:
    void initTestCase()
    {
        registerWardenDisplayMetaType();
        qRegisterMetaType<QList<AppParameter>>("QList<AppParameter>");
        simulator.reset(TestSupport::startProgram(TestSupport::simulatorBinary(), {"--manual"}));
        QVERIFY(TestSupport::waitForBusName(QDBusConnection::sessionBus(), kControlService));
        control = std::make_unique<PeerSimulatorInterface>(
            kControlService, QStringLiteral("/com/nimbra/warden/PeerSimulator"),
            QDBusConnection::sessionBus());
        control->SetLauncherItems(launcherItems()).waitForFinished();
    }
    void cleanupTestCase()
    {
        simulator->kill();
        simulator->waitForFinished();
    }
    void init()
    {
        setNow(kNoon);
        worker = makeWorker();
    }
    void cleanup()
    {
        if (display)
            delete display->m_updateTimer;
        display.reset();
        worker.reset();
        Clock::resetNowSource();
        control->SetLauncherFailing(false).waitForFinished();
        control->SetLauncherItems(launcherItems()).waitForFinished();
    }

    void launcher_items_give_the_application_lists_and_a_change_refetches_them()
    {
        startDisplay();
        QCOMPARE(display->m_appList.size(), kApps.size());
        QCOMPARE(display->m_allAppList.size(), kApps.size() + 1);
        QCOMPARE(display->m_appList[1].desktopPath, kAppDir + "mail-client.desktop");
        QCOMPARE(display->m_allAppList.last().appName, QStringLiteral("https"));

        control->SetLauncherItems(launcherItems().mid(0, 2)).waitForFinished();
        control->AnnounceLauncherChange().waitForFinished();
        control->AnnounceLauncherChange().waitForFinished();
        QTRY_COMPARE(display->m_appList.size(), 2);
        QTest::qWait(200);
        QCOMPARE(display->m_allAppList.size(), 3);
    }

    void launcher_error_at_start_leaves_the_pseudo_application_and_keeps_cycling()
    {
        control->SetLauncherFailing(true).waitForFinished();
        QTest::ignoreMessage(QtWarningMsg, "data is empty, quit!!");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("QDBusError"));
        startDisplay();
        QVERIFY(display->m_appList.isEmpty());
        QCOMPARE(display->m_allAppList.size(), 1);
        QCOMPARE(display->m_allAppList.first().appName, QStringLiteral("https"));

        QSignalSpy speed(display.get(), &WardenHandleThread::SendSpeedData);
        QTRY_VERIFY_WITH_TIMEOUT(speed.count() >= 1, 3000);
    }

    void clock_set_back_restarts_the_monitor_once()
    {
        const QPair<int, int> before = monitorCalls();
        worker->saveFlowData();
        setNow(kNoon.addSecs(-600));
        worker->saveFlowData();
        QTRY_COMPARE(monitorCalls(), qMakePair(before.first + 5, before.second + 1));
        worker->saveFlowData();
        QTest::qWait(300);
        QCOMPARE(monitorCalls(), qMakePair(before.first + 5, before.second + 1));
    }

    void saved_growth_adds_up_to_each_application_last_running_total()
    {
        startDisplay();
        publishProcesses();
        const App &browser = kApps[0];
        const App &mail = kApps[1];
        const App &player = kApps[2];
        const App &helper = kBrowserHelper;
        // Applications appear at different times; running totals only grow.
        const QList<QList<QPair<const App *, QPair<double, double>>>> ticks = {
            {{&browser, {100, 10}}},
            {{&browser, {150, 20}}, {&helper, {40, 4}}},
            {{&browser, {180, 25}}, {&mail, {50, 5}}},
            {{&helper, {70, 6}}, {&browser, {200, 30}}, {&mail, {60, 8}}},
            {{&player, {5, 1}}, {&browser, {210, 31}}},
            {{&browser, {260, 40}}, {&mail, {90, 9}}, {&helper, {75, 9}}, {&player, {7, 2}}},
            {{&mail, {95, 11}}},
        };
        for (const auto &tick : ticks) {
            for (const auto &figure : tick)
                QVERIFY(sendTotal(*figure.first, figure.second.first, figure.second.second));
            display->onUpdate();
            worker->saveFlowData();
        }

        QMap<QString, QPair<double, double>> saved;
        connect(worker->m_useData, &UseData::sendAppTodayFlowData, this,
                [&saved](QList<AppFlowDateParameter> rows) {
                    for (const AppFlowDateParameter &row : rows) {
                        saved[row.appname].first += row.downloaded;
                        saved[row.appname].second += row.uploaded;
                    }
                });
        for (const App &app : kApps)
            emit worker->m_useData->notifyGetAppTodayFlowData(app.desktopFile);
        QTRY_COMPARE(saved.size(), kApps.size());

        QCOMPARE(saved.value(browser.desktopFile), qMakePair(260.0 + 75.0, 40.0 + 9.0));
        QCOMPARE(saved.value(mail.desktopFile), qMakePair(95.0, 11.0));
        QCOMPARE(saved.value(player.desktopFile), qMakePair(7.0, 2.0));
    }
};

QTEST_GUILESS_MAIN(TestCollectDisplay)
#include "tst_collectdisplay.moc"
