// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ownedworker.h"
#include "records/clock.h"
#include "servicerig.h"

#include <QTest>

// The worker against the simulated network monitor on the private system bus.
class TestCollectDisplay : public QObject
{
    Q_OBJECT

    ServiceRig rig;
    OwnedWorker worker;

    QPair<int, int> monitorCalls()
    {
        QDBusPendingReply<int, int> reply = rig.control().MonitorCalls();
        return {reply.argumentAt<0>(), reply.argumentAt<1>()};
    }

private slots:
    void initTestCase() { QVERIFY(rig.startSimulator()); }
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
};

QTEST_GUILESS_MAIN(TestCollectDisplay)
#include "tst_collectdisplay.moc"
