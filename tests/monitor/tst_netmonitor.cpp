// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dbussignalrecorder.h"
#include "rootfixtures.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopedPointer>
#include <QTest>

#include <memory>

namespace {

const QString monitorService = QStringLiteral("com.nimbra.warden.MonitorNetFlow");
const QString monitorPath = QStringLiteral("/com/nimbra/warden/MonitorNetFlow");
constexpr double bytesPerKilobyte = 1024.0;
const QString nobodyUid = QStringLiteral("65534");

struct Sample
{
    QString name;
    double recv, send;
    int pid;
    QString device, type;
};

Sample toSample(const QDBusMessage &message)
{
    const QVariantList a = message.arguments();
    return {a.at(0).toString(), a.at(1).toDouble(), a.at(2).toDouble(),
            a.at(3).toInt(),    a.at(4).toString(), a.at(5).toString()};
}

// Starts `command` as the user nobody.
QProcess *startAsNobody(const QStringList &command)
{
    return TestSupport::startProgram(
        "setpriv",
        QStringList{"--reuid=" + nobodyUid, "--regid=" + nobodyUid, "--clear-groups"} + command);
}

} // namespace

// The real monitor on the tests' private system bus, counting a cgroup of the test's own.
class NetMonitorTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString why = m_cgroup.create();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        const QString failure = startMonitor({QStringLiteral("--loopback")});
        if (!failure.isEmpty())
            QSKIP(qPrintable(QStringLiteral("eBPF cannot be used here: ") + failure));
    }

    void cleanupTestCase()
    {
        m_makers.clear();
        stopMonitor();
    }

    void counts_each_process_with_headers_over_tcp_and_udp_on_ipv4_and_ipv6_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<double>("allowance"); // headers and acknowledgements, as a share
        QTest::newRow("tcp over ipv4") << QStringLiteral("tcp4") << 0.05;
        QTest::newRow("tcp over ipv6") << QStringLiteral("tcp6") << 0.05;
        QTest::newRow("udp over ipv4") << QStringLiteral("udp4") << 0.06;
        QTest::newRow("udp over ipv6") << QStringLiteral("udp6") << 0.08;
    }

    void counts_each_process_with_headers_over_tcp_and_udp_on_ipv4_and_ipv6()
    {
        QFETCH(QString, mode);
        QFETCH(double, allowance);
        const int oneWay = 600000;
        const int otherWay = 200000;
        const TrafficMaker *maker = makeTraffic(qPrintable(mode), oneWay, otherWay);
        QVERIFY(maker);

        // Both ends belong to the process, one of them from accept(): it sends and receives
        // every byte once.
        const double payload = oneWay + otherWay;
        QVERIFY2(waitForTotal(maker->pid(), payload), "no running total covering the payload");
        QTest::qWait(1200); // the last acknowledgements may come a sample later
        const Sample total = samplesOf(maker->pid(), QStringLiteral("total_kb")).last();
        QCOMPARE(total.name, QStringLiteral("traffic-maker"));
        QCOMPARE(total.device, QStringLiteral("lo"));
        QVERIFY(total.recv * bytesPerKilobyte <= payload * (1 + allowance));
        QVERIFY(total.send * bytesPerKilobyte <= payload * (1 + allowance));

        double speedSum = 0;
        for (const Sample &speed : samplesOf(maker->pid(), QStringLiteral("kb/s")))
            speedSum += speed.recv;
        QVERIFY(speedSum > 0);
    }

    void two_users_never_see_each_others_samples()
    {
        // A connection of the other user: the private bus's folders must let it in.
        const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
        const QDir socketDir =
            QFileInfo(address.section(QLatin1Char('='), 1).section(QLatin1Char(','), 0, 0)).dir();
        for (QDir dir = socketDir; dir.path().startsWith(QStringLiteral("/tmp/")); dir.cdUp())
            QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther);
        const std::unique_ptr<QProcess> othersListener(
            startAsNobody({"gdbus", "monitor", "--system", "--dest", monitorService}));
        QVERIFY(othersListener->waitForReadyRead(5000)); // it says so once connected

        const TrafficMaker *others = makeTraffic("tcp4", 100000, 100000, {"--uid", nobodyUid});
        const TrafficMaker *own = makeTraffic("tcp4", 100000, 100000);
        QVERIFY(others && own);
        QVERIFY(waitForTotal(own->pid(), 200000));
        QTest::qWait(1200);
        QVERIFY(sawNothingOf(others->pid()));
        othersListener->kill();
        othersListener->waitForFinished();
        const QByteArray seenByOthers = othersListener->readAll();
        QVERIFY2(seenByOthers.contains(", " + QByteArray::number(others->pid()) + ", "),
                 seenByOthers.constData());
        QVERIFY(!seenByOthers.contains(", " + QByteArray::number(own->pid()) + ", "));
    }

    void a_socket_outliving_its_creator_is_counted_under_the_process_holding_it()
    {
        const int bytes = 1000000;
        TrafficMaker parent({QStringLiteral("tcp4"), QString::number(bytes), QStringLiteral("0"),
                             QStringLiteral("--fork")});
        QVERIFY(parent.start(m_cgroup));
        const int child = parent.forkChild();
        QVERIFY(child > 0);

        QVERIFY2(waitForTotal(child, bytes), "no total for the child");
        QTest::qWait(1200);
        const Sample total = samplesOf(child, QStringLiteral("total_kb")).last();
        QVERIFY2(total.send * bytesPerKilobyte <= bytes * 1.01,
                 qPrintable(QString::number(total.send)));
        QVERIFY(total.recv * bytesPerKilobyte <= bytes * 1.01);
        for (const Sample &sample : samplesOf(parent.pid(), QStringLiteral("total_kb")))
            QVERIFY(sample.send * bytesPerKilobyte < bytes * 0.01);
    }

    void start_and_exit_calls_keep_totals_growing_and_are_logged_once_a_minute()
    {
        TrafficMaker *maker = makeTraffic("tcp4", 300000, 0);
        QVERIFY(maker);
        QVERIFY(waitForTotal(maker->pid(), 300000));
        m_monitor->readAll();
        for (const char *method : {"ExitApp", "StartApp", "ExitApp", "ExitApp"}) {
            const QDBusMessage call = QDBusMessage::createMethodCall(
                monitorService, monitorPath, monitorService, QLatin1String(method));
            QCOMPARE(QDBusConnection::systemBus().call(call).type(), QDBusMessage::ReplyMessage);
        }
        QVERIFY(maker->exchange());

        // Both rounds: a counter of the same process never starts again.
        QVERIFY(waitForTotal(maker->pid(), 2 * 300000));
        QCOMPARE(m_monitor->state(), QProcess::Running);
        QCOMPARE(m_monitor->readAll().count("from uid 0"), 1);
    }

    void loopback_only_with_the_option_and_sockets_open_before_the_start_count()
    {
        TrafficMaker *maker = makeTraffic("tcp6", 100000, 100000);
        QVERIFY(maker);
        restartMonitor({});
        QVERIFY(maker->exchange());
        QTest::qWait(2500);
        QVERIFY(sawNothingOf(maker->pid()));

        // Made before this monitor started, its sockets are counted all the same.
        restartMonitor({QStringLiteral("--loopback")});
        QVERIFY(maker->exchange());
        QVERIFY(waitForTotal(maker->pid(), 200000));
    }

    void closed_sockets_beyond_a_small_table_are_counted_as_lost_and_logged()
    {
        // One closed socket per user and second: the maker's two ends close together.
        restartMonitor(
            {QStringLiteral("--loopback"), QStringLiteral("--table-entries"), QStringLiteral("4")});
        QVERIFY(makeTraffic("tcp4", 100000, 100000));
        m_makers.clear();
        QVERIFY(QTest::qWaitFor(
            [&] { return m_monitor->readAll().contains("sockets or packets not counted"); }, 5000));
        restartMonitor({QStringLiteral("--loopback")});
    }

    void without_privileges_the_monitor_says_why_and_fails()
    {
        const std::unique_ptr<QProcess> monitor(
            startAsNobody({NWT_NETMONITOR_BINARY, "--cgroup", m_cgroup.path()}));
        QVERIFY(monitor->waitForFinished(10000));
        QCOMPARE(monitor->exitCode(), 1);
        QVERIFY2(monitor->readAll().contains("cannot load the eBPF programs"), "no reason given");
    }

private:
    // Empty once the monitor owns its bus name, otherwise its output.
    QString startMonitor(const QStringList &options)
    {
        m_monitor.reset(TestSupport::startProgram(
            QStringLiteral(NWT_NETMONITOR_BINARY),
            QStringList{QStringLiteral("--cgroup"), m_cgroup.path()} + options));
        const QDBusConnection bus = QDBusConnection::systemBus();
        if (!TestSupport::waitForBusName(bus, monitorService)) {
            m_monitor->waitForFinished(2000);
            return QString::fromLocal8Bit(m_monitor->readAll()).trimmed();
        }
        m_samples.reset(new DBusSignalRecorder(bus, monitorService, monitorPath, monitorService,
                                               QStringLiteral("NotifyDetailData")));
        return {};
    }

    void stopMonitor()
    {
        if (!m_monitor)
            return;
        m_monitor->terminate();
        m_monitor->waitForFinished();
        m_monitor.reset();
        QVERIFY(TestSupport::waitForBusNameGone(QDBusConnection::systemBus(), monitorService));
    }

    void restartMonitor(const QStringList &options)
    {
        stopMonitor();
        const QString why = startMonitor(options);
        QVERIFY2(why.isEmpty(), qPrintable(why));
    }

    // A traffic maker in the test's cgroup that has exchanged its bytes once.
    TrafficMaker *makeTraffic(const char *mode, int oneWay, int otherWay,
                              const QStringList &more = {})
    {
        m_makers.push_back(std::make_unique<TrafficMaker>(
            QStringList{QLatin1String(mode), QString::number(oneWay), QString::number(otherWay)} +
            more));
        TrafficMaker *maker = m_makers.back().get();
        return maker->start(m_cgroup) && maker->exchange() ? maker : nullptr;
    }

    QList<Sample> samplesOf(int pid, const QString &type) const
    {
        QList<Sample> found;
        for (const QDBusMessage &message : m_samples->messages()) {
            const Sample sample = toSample(message);
            if (sample.pid == pid && sample.type == type)
                found.append(sample);
        }
        return found;
    }

    bool sawNothingOf(int pid) const
    {
        return samplesOf(pid, QStringLiteral("total_kb")).isEmpty() &&
               samplesOf(pid, QStringLiteral("kb/s")).isEmpty();
    }

    // Waits for a running total of `pid` that counts at least `bytes` each way.
    bool waitForTotal(int pid, double bytes)
    {
        return QTest::qWaitFor(
            [&] {
                const QList<Sample> totals = samplesOf(pid, QStringLiteral("total_kb"));
                return !totals.isEmpty() && totals.last().recv * bytesPerKilobyte >= bytes &&
                       totals.last().send * bytesPerKilobyte >= bytes;
            },
            5000);
    }

    TestCgroup m_cgroup;
    QScopedPointer<QProcess> m_monitor;
    QScopedPointer<DBusSignalRecorder> m_samples;
    std::vector<std::unique_ptr<TrafficMaker>> m_makers;
};

QTEST_GUILESS_MAIN(NetMonitorTest)
#include "tst_netmonitor.moc"
