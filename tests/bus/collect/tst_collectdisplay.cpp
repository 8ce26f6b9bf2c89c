#include "display/wardenhandlethread.h"
#include "ownedworker.h"
#include "peersimulatorinterface.h"
#include "records/clock.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTest>

namespace {
const QDateTime kNoon(QDate(2024, 3, 31), QTime(12, 0));
const QString kAppDir = QStringLiteral("/usr/share/applications/");
const WardenProcessInfo kBrowser = {3101, "browser-bin", kAppDir + "web-browser.desktop"};
const WardenProcessInfo kMail = {3202, "mailer", kAppDir + "mail-client.desktop"};
const WardenProcessInfo kPlayer = {3303, "player", kAppDir + "music-player.desktop"};
// A second process of the browser: the application's traffic is both processes'.
const WardenProcessInfo kBrowserHelper = {3104, "browser-content", kBrowser.desktopPath};
const LauncherItemInfoList kLauncherItems = {
    {kBrowser.desktopPath, "Browser", "", kBrowser.procName, 0, 0},
    {kMail.desktopPath, "Mail", "", kMail.procName, 0, 0},
    {kPlayer.desktopPath, "Player", "", kPlayer.procName, 0, 0}};
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

    // Sends a running total through the monitor and waits until the worker has it.
    bool sendTotal(const WardenProcessInfo &app, double recv, double send)
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
        const QString controlService = QStringLiteral("com.nimbra.warden.PeerSimulator");
        simulator.reset(TestSupport::startProgram(TestSupport::simulatorBinary(), {"--manual"}));
        QVERIFY(TestSupport::waitForBusName(QDBusConnection::sessionBus(), controlService));
        control = std::make_unique<PeerSimulatorInterface>(
            controlService, "/com/nimbra/warden/PeerSimulator", QDBusConnection::sessionBus());
    }
    void cleanupTestCase()
    {
        simulator->kill();
        simulator->waitForFinished();
    }
    void init()
    {
        Clock::setNowSource([] { return kNoon; });
        control->SetLauncherItems(kLauncherItems).waitForFinished();
        worker = makeWorker();
    }
    void cleanup()
    {
        if (display)
            delete display->m_updateTimer;
        display.reset();
        worker.reset();
        Clock::resetNowSource();
    }

    void launcher_items_give_the_application_lists_and_a_change_refetches_them()
    {
        display = std::make_unique<WardenHandleThread>(worker.get(), nullptr);
        QCOMPARE(display->m_appList.size(), 3);
        QCOMPARE(display->m_allAppList.size(), 4);
        QCOMPARE(display->m_appList[1].desktopPath, kMail.desktopPath);
        QCOMPARE(display->m_allAppList.last().appName, QStringLiteral("https"));

        control->SetLauncherItems(kLauncherItems.mid(0, 2)).waitForFinished();
        control->AnnounceLauncherChange().waitForFinished();
        control->AnnounceLauncherChange().waitForFinished();
        QTRY_COMPARE(display->m_appList.size(), 2);
        QTest::qWait(200);
        QCOMPARE(display->m_allAppList.size(), 3);
    }

    void save_tick_with_an_empty_list_still_clears_saves_and_asks_again_for_the_period()
    {
        QSignalSpy lastMonth(worker->m_useData, &UseData::notifyGetLastMonthFlowData);
        worker->requestLastMonthFlowData();
        QSignalSpy queued(worker->m_useData, &UseData::reqSendSignal);
        worker->saveFlowData();
        QCOMPARE(queued.count(), 3); // clear, save, the period
        QCOMPARE(lastMonth.count(), 2);
    }

    void clock_set_back_restarts_the_monitor_once()
    {
        const QPair<int, int> before = monitorCalls();
        worker->saveFlowData();
        Clock::setNowSource([] { return kNoon.addSecs(-600); });
        worker->saveFlowData();
        QTRY_COMPARE(monitorCalls(), qMakePair(before.first + 5, before.second + 1));
        worker->saveFlowData();
        QTest::qWait(300);
        QCOMPARE(monitorCalls(), qMakePair(before.first + 5, before.second + 1));
    }

    void saved_growth_adds_up_to_each_application_last_running_total()
    {
        display = std::make_unique<WardenHandleThread>(worker.get(), nullptr);
        connect(display.get(), &WardenHandleThread::setSaveFlowList, worker.get(),
                &TrafficDetailsWorker::onSetSvaeFLowList);
        const WardenProcessList pids = {kBrowser.pid, kMail.pid, kPlayer.pid, kBrowserHelper.pid};
        control->SetProcesses({kBrowser, kMail, kPlayer, kBrowserHelper}).waitForFinished();
        control->SetPidList(pids).waitForFinished();
        QTRY_COMPARE(worker->m_procPidList, pids);
        // Applications appear at different times; running totals only grow.
        const QList<QList<std::tuple<WardenProcessInfo, double, double>>> ticks = {
            {{kBrowser, 100, 10}},
            {{kBrowser, 150, 20}, {kBrowserHelper, 40, 4}},
            {{kBrowser, 180, 25}, {kMail, 50, 5}},
            {{kBrowserHelper, 70, 6}, {kBrowser, 200, 30}, {kMail, 60, 8}},
            {{kPlayer, 5, 1}, {kBrowser, 210, 31}},
            {{kBrowser, 260, 40}, {kMail, 90, 9}, {kBrowserHelper, 75, 9}, {kPlayer, 7, 2}},
            {{kMail, 95, 11}},
        };
        for (const auto &tick : ticks) {
            for (const auto &[app, recv, send] : tick)
                QVERIFY(sendTotal(app, recv, send));
            display->onUpdate();
            worker->saveFlowData();
        }

        // Each tick asks again for today's sums per application, saved rows included.
        const auto savedToday = [this] {
            QMap<QString, QPair<double, double>> sums;
            for (const AppParameter &row : worker->m_historyList)
                sums[row.desktop] = {row.recv, row.send};
            return sums;
        };
        QTRY_COMPARE(savedToday(), (QMap<QString, QPair<double, double>>{
                                       {"web-browser.desktop", {260.0 + 75.0, 40.0 + 9.0}},
                                       {"mail-client.desktop", {95.0, 11.0}},
                                       {"music-player.desktop", {7.0, 2.0}}}));
    }
};

QTEST_GUILESS_MAIN(TestCollectDisplay)
#include "tst_collectdisplay.moc"
