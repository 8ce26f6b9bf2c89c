// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dbussignalrecorder.h"
#include "rootfixtures.h"
#include "testsupport.h"

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
    double recv = 0;
    double send = 0;
    int pid = 0;
    QString device;
    QString type;
};

Sample toSample(const QDBusMessage &message)
{
    const QVariantList a = message.arguments();
    return {a.at(0).toString(), a.at(1).toDouble(), a.at(2).toDouble(),
            a.at(3).toInt(),    a.at(4).toString(), a.at(5).toString()};
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
    void counts_each_process_with_headers_over_tcp_and_udp_on_ipv4_and_ipv6_data();
    void counts_each_process_with_headers_over_tcp_and_udp_on_ipv4_and_ipv6();
    void samples_of_another_user_never_reach_this_users_connection();
    void exit_app_from_a_user_restarts_totals_and_keeps_the_monitor();
    void loopback_only_with_the_option_and_sockets_open_before_the_start_count();
    void without_privileges_the_monitor_says_why_and_fails();

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

void NetMonitorTest::counts_each_process_with_headers_over_tcp_and_udp_on_ipv4_and_ipv6_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<double>("allowance"); // headers and acknowledgements, as a share
    QTest::newRow("tcp over ipv4") << QStringLiteral("tcp4") << 0.05;
    QTest::newRow("tcp over ipv6") << QStringLiteral("tcp6") << 0.05;
    QTest::newRow("udp over ipv4") << QStringLiteral("udp4") << 0.06;
    QTest::newRow("udp over ipv6") << QStringLiteral("udp6") << 0.08;
}

void NetMonitorTest::counts_each_process_with_headers_over_tcp_and_udp_on_ipv4_and_ipv6()
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

void NetMonitorTest::samples_of_another_user_never_reach_this_users_connection()
{
    const TrafficMaker *others = makeTraffic("tcp4", 100000, 100000, {"--uid", nobodyUid});
    const TrafficMaker *own = makeTraffic("tcp4", 100000, 100000);
    QVERIFY(others && own);
    QVERIFY(waitForTotal(own->pid(), 200000));
    QTest::qWait(1200);
    QVERIFY(sawNothingOf(others->pid()));
}

void NetMonitorTest::exit_app_from_a_user_restarts_totals_and_keeps_the_monitor()
{
    TrafficMaker *maker = makeTraffic("tcp4", 300000, 0);
    QVERIFY(maker);
    QVERIFY(waitForTotal(maker->pid(), 300000));
    QTest::qWait(1200);

    const QDBusMessage exit = QDBusMessage::createMethodCall(
        monitorService, monitorPath, monitorService, QStringLiteral("ExitApp"));
    QCOMPARE(QDBusConnection::systemBus().call(exit).type(), QDBusMessage::ReplyMessage);
    m_samples->clear();
    QVERIFY(maker->exchange());

    // The second round alone, not both.
    QVERIFY(waitForTotal(maker->pid(), 300000));
    const Sample total = samplesOf(maker->pid(), QStringLiteral("total_kb")).last();
    QVERIFY2(total.send * bytesPerKilobyte < 2 * 300000,
             qPrintable(QString::number(total.send * bytesPerKilobyte)));
    QCOMPARE(m_monitor->state(), QProcess::Running);
}

void NetMonitorTest::without_privileges_the_monitor_says_why_and_fails()
{
    QProcess monitor;
    monitor.setProcessChannelMode(QProcess::MergedChannels);
    monitor.start(QStringLiteral("setpriv"),
                  {QStringLiteral("--reuid=") + nobodyUid, QStringLiteral("--regid=") + nobodyUid,
                   QStringLiteral("--clear-groups"), QStringLiteral(NWT_NETMONITOR_BINARY),
                   QStringLiteral("--cgroup"), m_cgroup.path()});
    QVERIFY(monitor.waitForFinished(10000));
    QCOMPARE(monitor.exitCode(), 1);
    QVERIFY2(monitor.readAll().contains("cannot load the eBPF programs"), "no reason given");
}

void NetMonitorTest::loopback_only_with_the_option_and_sockets_open_before_the_start_count()
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

QTEST_GUILESS_MAIN(NetMonitorTest)
#include "tst_netmonitor.moc"
