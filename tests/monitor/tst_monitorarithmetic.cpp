// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cgroupmount.h"
#include "processinfo.h"
#include "processtotals.h"
#include "socketholders.h"
#include "socketledger.h"

#include <QTest>

#include <cstring>

namespace {

socket_owner owner(quint32 pid, quint64 start, quint32 uid = 1000)
{
    socket_owner result{};
    result.tgid = pid;
    result.uid = uid;
    result.start = start;
    std::strcpy(result.comm, "p");
    return result;
}

SocketReading reading(quint64 cookie, quint32 inode, const socket_owner &by, quint64 recv)
{
    SocketReading result;
    result.cookie = cookie;
    result.inode = inode;
    result.hasOwner = by.tgid != 0;
    result.owner = by;
    result.traffic.recv = recv;
    result.traffic.ifindex = 1;
    return result;
}

closed_socket closedRecord(quint64 cookie, const socket_owner &by, const socket_owner &closer,
                           quint64 recv)
{
    closed_socket result{};
    result.cookie = cookie;
    result.owner = by;
    result.closer = closer;
    result.traffic.recv = recv;
    return result;
}

// Bytes received per "pid/start" in one ledger update.
QMap<QString, quint64> received(const QList<ProcessGrowth> &growth)
{
    QMap<QString, quint64> result;
    for (const ProcessGrowth &process : growth)
        result[QStringLiteral("%1/%2").arg(process.tgid).arg(process.start)] += process.recv;
    return result;
}

} // namespace

class MonitorArithmeticTest : public QObject
{
    Q_OBJECT

private slots:
    void cgroup_layout_is_told_from_the_mount_table_data()
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

    void cgroup_layout_is_told_from_the_mount_table()
    {
        QFETCH(QString, mountInfo);
        QFETCH(int, layout);
        QFETCH(QString, path);
        const CgroupMount mount = findCgroupMount(mountInfo);
        QCOMPARE(int(mount.layout), layout);
        QCOMPARE(mount.path, path);
    }

    void only_exact_socket_links_count_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<quint32>("inode");
        QTest::newRow("socket") << QByteArray("socket:[4026]") << 4026u;
        QTest::newRow("file named like one")
            << QByteArray("/run/user/1000/fuse/socket:[4026]") << 0u;
        QTest::newRow("relative name") << QByteArray("socket:[4026]x") << 0u;
        QTest::newRow("deleted file") << QByteArray("socket:[4026] (deleted)") << 0u;
        QTest::newRow("sign") << QByteArray("socket:[+4026]") << 0u;
        QTest::newRow("pipe") << QByteArray("pipe:[4026]") << 0u;
    }

    void only_exact_socket_links_count()
    {
        QFETCH(QByteArray, target);
        QFETCH(quint32, inode);
        QCOMPARE(socketInode(target.constData(), target.size()), inode);
    }

    void a_process_start_is_read_past_any_name()
    {
        const QByteArray stat = "42 (a) b (c)) S 1 42 42 0 -1 4194560 100 0 0 0 1 2 0 0 20 0 1 0 "
                                "987654 1000 10 18446744073709551615";
        QCOMPARE(processStartFromStat(stat), 987654u);
        QCOMPARE(processStartFromStat("garbage"), 0u);
    }

    void each_socket_byte_goes_once_to_a_live_owner_holder_or_closer()
    {
        QHash<quint32, quint64> starts{{10, 500}, {11, 600}};
        int searches = 0;
        SocketLedger ledger(
            [&](const QSet<quint32> &inodes) {
                ++searches;
                return inodes.contains(77) ? QHash<quint32, quint32>{{77, 11}}
                                           : QHash<quint32, quint32>{};
            },
            [&](quint32 pid, socket_owner &found) {
                found = owner(pid, starts.value(pid));
                return starts.contains(pid);
            },
            [&](quint32 pid) { return starts.value(pid); }, [](quint64) { return 0u; });
        const socket_owner parent = owner(10, 500);
        const socket_owner child = owner(11, 600);

        // The live creator gets the growth of each read, not the counters again.
        QCOMPARE(received(ledger.update({reading(1, 77, parent, 100)}, true, {})),
                 (QMap<QString, quint64>{{"10/500", 100}}));
        QCOMPARE(received(ledger.update({reading(1, 77, parent, 150)}, true, {})),
                 (QMap<QString, quint64>{{"10/500", 50}}));
        // The creator has gone and its pid is another process now: the holder gets what follows.
        starts[10] = 900;
        QCOMPARE(received(ledger.update({reading(1, 77, parent, 1150)}, true, {})),
                 (QMap<QString, quint64>{{"11/600", 1000}}));
        // Closed by the holder: only the bytes since the last read.
        QCOMPARE(received(ledger.update({}, true, {closedRecord(1, parent, child, 1160)})),
                 (QMap<QString, quint64>{{"11/600", 10}}));
        // A socket nobody is found to hold keeps its bytes for whoever closes it.
        QVERIFY(ledger.update({reading(2, 88, owner(12, 1), 40)}, true, {}).isEmpty());
        QCOMPARE(received(ledger.update({}, true, {closedRecord(2, owner(12, 1), child, 45)})),
                 (QMap<QString, quint64>{{"11/600", 45}}));
        QCOMPARE(searches, 2);
    }

    void totals_never_go_back_and_are_let_go_only_for_ended_processes()
    {
        quint64 start = 500;
        ProcessTotals totals([&](quint32) { return start; });
        ProcessGrowth growth;
        growth.tgid = 10;
        growth.start = 500;
        growth.recv = 100;
        growth.ifindex = 2;
        QCOMPARE(totals.update({growth}).value(0).recvTotal, 100u);
        for (int quiet = 0; quiet < 700; ++quiet)
            QVERIFY(totals.update({}).isEmpty());
        QCOMPARE(totals.update({growth}).value(0).recvTotal, 200u); // still running: kept

        start = 0; // ended
        for (int quiet = 0; quiet < 700; ++quiet)
            totals.update({});
        const ProcessTraffic later = totals.update({growth}).value(0);
        QCOMPARE(later.recvTotal, 100u);
        QCOMPARE(later.ifindex, 2u);
    }
};

QTEST_GUILESS_MAIN(MonitorArithmeticTest)
#include "tst_monitorarithmetic.moc"
