// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display/wardenhandlethread.h"
#include "ownedworker.h"
#include "peersimulatorinterface.h"
#include "records/clock.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTest>

namespace {
const WardenProcessInfo kBrowser = {3101, "browser-bin", "/apps/web-browser.desktop"};
const WardenProcessInfo kMail = {3202, "mailer", "/apps/mail-client.desktop"};
const WardenProcessInfo kPlayer = {3303, "player", "/apps/music-player.desktop"};
// A second process of the browser: the application's traffic is both processes'.
const WardenProcessInfo kBrowserHelper = {3104, "browser-content", kBrowser.desktopPath};
const LauncherItemInfoList kLauncherItems = {
    {kBrowser.desktopPath, "Browser", "", kBrowser.procName, 0, 0},
    {kMail.desktopPath, "Mail", "", kMail.procName, 0, 0},
    {kPlayer.desktopPath, "Player", "", kPlayer.procName, 0, 0}};
} // namespace

class TestCollectDisplay : public QObject
{
    Q_OBJECT

    std::unique_ptr<QProcess> simulator;
    std::unique_ptr<PeerSimulatorInterface> control;
    OwnedWorker worker;

    bool sendTotalAndWait(const WardenProcessInfo &app, double recv, double send)
    {
        control->SendSample(app.procName, recv, send, app.pid, "wlan0", "total_kb");
        return QTest::qWaitFor([&] {
            return worker->m_processCounters.counters().value(app.pid) == qMakePair(recv, send);
        });
    }

    QPair<int, int> monitorCalls()
    {
        QDBusPendingReply<int, int> reply = control->MonitorCalls();
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
        control->SetLauncherItems(kLauncherItems).waitForFinished();
    }
    void cleanupTestCase()
    {
        simulator->kill();
        simulator->waitForFinished();
    }
    void init() { worker.reset(new TrafficDetailsWorker); }
    void cleanup()
    {
        worker.reset();
        Clock::resetNowSource();
    }

    void clock_set_back_restarts_the_monitor_once()
    {
        const QPair<int, int> before = monitorCalls();
        worker->saveFlowData();
        const QDateTime back = QDateTime::currentDateTime().addSecs(-600);
        Clock::setNowSource([back] { return back; });
        worker->saveFlowData();
        QTRY_COMPARE(monitorCalls(), qMakePair(before.first + 5, before.second + 1));
        worker->saveFlowData();
        QTest::qWait(300);
        QCOMPARE(monitorCalls(), qMakePair(before.first + 5, before.second + 1));
    }

    void saved_growth_adds_up_to_each_application_last_running_total()
    {
        WardenHandleThread display(worker.get(), nullptr);
        std::unique_ptr<QTimer> ownTimer(display.m_updateTimer);
        connect(&display, &WardenHandleThread::setSaveFlowList, worker.get(),
                &TrafficDetailsWorker::onSetSvaeFLowList);
        const WardenProcessList pids = {kBrowser.pid, kMail.pid, kPlayer.pid, kBrowserHelper.pid};
        control->SetProcesses({kBrowser, kMail, kPlayer, kBrowserHelper}).waitForFinished();
        control->SetPidList(pids).waitForFinished();
        QTRY_COMPARE(worker->m_procPidList, pids);
        const QList<QList<std::tuple<WardenProcessInfo, double, double>>> ticks = {
            {{kBrowser, 100, 10}},
            {{kBrowser, 150, 20}, {kBrowserHelper, 40, 4}, {kMail, 50, 5}},
            {{kBrowserHelper, 70, 6}, {kPlayer, 5, 1}, {kBrowser, 260, 40}},
            {{kMail, 95, 11}, {kBrowserHelper, 75, 9}, {kPlayer, 7, 2}}};
        for (const auto &tick : ticks) {
            for (const auto &[app, recv, send] : tick)
                QVERIFY(sendTotalAndWait(app, recv, send));
            display.onUpdate();
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
                                       {"web-browser.desktop", {260.0 + 75, 40.0 + 9}},
                                       {"mail-client.desktop", {95.0, 11.0}},
                                       {"music-player.desktop", {7.0, 2.0}}}));
    }
};

QTEST_GUILESS_MAIN(TestCollectDisplay)
#include "tst_collectdisplay.moc"
