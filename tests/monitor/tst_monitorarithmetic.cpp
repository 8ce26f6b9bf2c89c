// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cgroupmount.h"
#include "processtotals.h"

#include <QTest>

namespace {

KernelCounters counters(quint32 tgid, quint32 ifindex, quint64 recv, quint64 send)
{
    KernelCounters entry;
    entry.tgid = tgid;
    entry.ifindex = ifindex;
    entry.comm = QStringLiteral("p%1").arg(tgid);
    entry.recv = recv;
    entry.send = send;
    return entry;
}

} // namespace

class MonitorArithmeticTest : public QObject
{
    Q_OBJECT

private slots:
    void cgroup_layout_is_told_from_the_mount_table_data();
    void cgroup_layout_is_told_from_the_mount_table();
    void process_figures_sum_interfaces_and_restart_for_a_reused_pid();
};

void MonitorArithmeticTest::cgroup_layout_is_told_from_the_mount_table_data()
{
    const QString v2 = QStringLiteral(
        "30 23 0:26 / /sys/fs/cgroup%1 rw,nosuid shared:4 - cgroup2 cgroup2 rw,nsdelegate\n");
    const QString v1 =
        QStringLiteral("31 25 0:27 / /sys/fs/cgroup/cpu rw,relatime - cgroup cgroup rw,cpu\n");
    QTest::addColumn<QString>("mountInfo");
    QTest::addColumn<int>("layout");
    QTest::addColumn<QString>("path");
    QTest::newRow("unified") << v2.arg(QString()) << int(CgroupMount::Layout::Unified)
                             << QStringLiteral("/sys/fs/cgroup");
    QTest::newRow("hybrid") << v1 + v2.arg(QStringLiteral("/unified"))
                            << int(CgroupMount::Layout::Hybrid)
                            << QStringLiteral("/sys/fs/cgroup/unified");
    QTest::newRow("v1 only") << v1 << int(CgroupMount::Layout::None) << QString();
}

void MonitorArithmeticTest::cgroup_layout_is_told_from_the_mount_table()
{
    QFETCH(QString, mountInfo);
    QFETCH(int, layout);
    QFETCH(QString, path);
    const CgroupMount mount = findCgroupMount(mountInfo);
    QCOMPARE(int(mount.layout), layout);
    QCOMPARE(mount.path, path);
}

void MonitorArithmeticTest::process_figures_sum_interfaces_and_restart_for_a_reused_pid()
{
    ProcessTotals totals;
    totals.update({counters(7, 2, 100, 10), counters(7, 3, 1000, 0)});
    const QList<ProcessTraffic> second =
        totals.update({counters(7, 2, 600, 10), counters(7, 3, 1100, 50)});
    QCOMPARE(second.size(), 1);
    const ProcessTraffic process = second.first();
    QCOMPARE(process.recvDelta, 600u);
    QCOMPARE(process.sendDelta, 50u);
    QCOMPARE(process.recvTotal, 1700u);
    QCOMPARE(process.sendTotal, 60u);
    QCOMPARE(process.ifindex, 2u); // the busiest interface

    // Once its counters are forgotten, the same pid counts from zero again.
    totals.forget({counters(7, 2, 600, 10), counters(7, 3, 1100, 50)});
    const ProcessTraffic reused = totals.update({counters(7, 2, 40, 0)}).value(0);
    QCOMPARE(reused.recvDelta, 40u);
    QCOMPARE(reused.recvTotal, 40u);
}

QTEST_GUILESS_MAIN(MonitorArithmeticTest)
#include "tst_monitorarithmetic.moc"
