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
    void initTestCase();
    void cleanupTestCase();
    void counts_each_process_with_headers_over_tcp_and_udp_on_ipv4_and_ipv6_data();
    void counts_each_process_with_headers_over_tcp_and_udp_on_ipv4_and_ipv6();
    void samples_of_another_user_never_reach_this_users_connection();
    void exit_app_from_a_user_restarts_totals_and_keeps_the_monitor();
    void sockets_open_before_the_monitor_started_are_counted();
    void without_privileges_the_monitor_says_why_and_fails();
    void loopback_is_left_out_without_the_option();

private:
    bool startMonitor(const QStringList &options, QString &why);
    void stopMonitor();
    // A traffic maker in the test's cgroup that has exchanged its bytes once.
    TrafficMaker *makeTraffic(const QStringList &arguments);
    QList<Sample> samplesOf(int pid, const QString &type) const;
    // Waits for a running total of `pid` that counts at least `bytes` each way.
    bool waitForTotal(int pid, double bytes, int timeoutMs = 5000);

    TestCgroup m_cgroup;
    QScopedPointer<QProcess> m_monitor;
    QScopedPointer<DBusSignalRecorder> m_samples;
    std::vector<std::unique_ptr<TrafficMaker>> m_makers;
};

void NetMonitorTest::initTestCase()
{
    const QString why = m_cgroup.create();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    QString failure;
    if (!startMonitor({QStringLiteral("--loopback")}, failure))
        QSKIP(qPrintable(QStringLiteral("eBPF cannot be used here: ") + failure));
}

void NetMonitorTest::cleanupTestCase()
{
    m_makers.clear();
    stopMonitor();
}

bool NetMonitorTest::startMonitor(const QStringList &options, QString &why)
{
    m_monitor.reset(TestSupport::startProgram(
        QStringLiteral(NWT_NETMONITOR_BINARY),
        QStringList{QStringLiteral("--cgroup"), m_cgroup.path()} + options));
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!TestSupport::waitForBusName(bus, monitorService)) {
        m_monitor->waitForFinished(2000);
        why = QString::fromLocal8Bit(m_monitor->readAll()).trimmed();
        return false;
    }
    m_samples.reset(new DBusSignalRecorder(bus, monitorService, monitorPath, monitorService,
                                           QStringLiteral("NotifyDetailData")));
    return true;
}

void NetMonitorTest::stopMonitor()
{
    if (!m_monitor)
        return;
    m_monitor->terminate();
    m_monitor->waitForFinished();
    m_monitor.reset();
    QVERIFY(TestSupport::waitForBusNameGone(QDBusConnection::systemBus(), monitorService));
}

TrafficMaker *NetMonitorTest::makeTraffic(const QStringList &arguments)
{
    m_makers.push_back(std::make_unique<TrafficMaker>(arguments));
    TrafficMaker *maker = m_makers.back().get();
    return maker->start(m_cgroup) && maker->exchange() ? maker : nullptr;
}

QList<Sample> NetMonitorTest::samplesOf(int pid, const QString &type) const
{
    QList<Sample> found;
    for (const QDBusMessage &message : m_samples->messages()) {
        const Sample sample = toSample(message);
        if (sample.pid == pid && sample.type == type)
            found.append(sample);
    }
    return found;
}

bool NetMonitorTest::waitForTotal(int pid, double bytes, int timeoutMs)
{
    return QTest::qWaitFor(
        [&] {
            const QList<Sample> totals = samplesOf(pid, QStringLiteral("total_kb"));
            return !totals.isEmpty() && totals.last().recv * bytesPerKilobyte >= bytes &&
                   totals.last().send * bytesPerKilobyte >= bytes;
        },
        timeoutMs);
}

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
    const TrafficMaker *maker =
        makeTraffic({mode, QString::number(oneWay), QString::number(otherWay)});
    QVERIFY(maker);

    // Both ends belong to the process, one of them from accept(): it sends and receives
    // every byte once.
    const double payload = oneWay + otherWay;
    QVERIFY2(waitForTotal(maker->pid(), payload), "no running total covering the payload");
    QTest::qWait(1200); // the last acknowledgements may come a sample later
    const Sample total = samplesOf(maker->pid(), QStringLiteral("total_kb")).last();
    QCOMPARE(total.name, QStringLiteral("traffic-maker"));
    QCOMPARE(total.device, QStringLiteral("lo"));
    qInfo("payload %.0f B each way, counted %.0f B received, %.0f B sent", payload,
          total.recv * bytesPerKilobyte, total.send * bytesPerKilobyte);
    QVERIFY2(total.recv * bytesPerKilobyte <= payload * (1 + allowance),
             qPrintable(QString::number(total.recv * bytesPerKilobyte)));
    QVERIFY2(total.send * bytesPerKilobyte <= payload * (1 + allowance),
             qPrintable(QString::number(total.send * bytesPerKilobyte)));

    double speedSum = 0;
    for (const Sample &speed : samplesOf(maker->pid(), QStringLiteral("kb/s")))
        speedSum += speed.recv;
    QVERIFY(speedSum > 0);
}

void NetMonitorTest::samples_of_another_user_never_reach_this_users_connection()
{
    const QStringList traffic = {QStringLiteral("tcp4"), QStringLiteral("100000"),
                                 QStringLiteral("100000")};
    const TrafficMaker *others = makeTraffic(traffic + QStringList{"--uid", nobodyUid});
    const TrafficMaker *own = makeTraffic(traffic);
    QVERIFY(others && own);
    QVERIFY(waitForTotal(own->pid(), 200000));
    QTest::qWait(1200);
    QVERIFY(samplesOf(others->pid(), QStringLiteral("total_kb")).isEmpty());
    QVERIFY(samplesOf(others->pid(), QStringLiteral("kb/s")).isEmpty());
}

void NetMonitorTest::exit_app_from_a_user_restarts_totals_and_keeps_the_monitor()
{
    TrafficMaker *maker =
        makeTraffic({QStringLiteral("tcp4"), QStringLiteral("300000"), QStringLiteral("0")});
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

void NetMonitorTest::sockets_open_before_the_monitor_started_are_counted()
{
    TrafficMaker *maker =
        makeTraffic({QStringLiteral("tcp6"), QStringLiteral("100000"), QStringLiteral("100000")});
    QVERIFY(maker);
    stopMonitor();
    QString why;
    QVERIFY2(startMonitor({QStringLiteral("--loopback")}, why), qPrintable(why));
    QVERIFY(maker->exchange());
    QVERIFY(waitForTotal(maker->pid(), 200000));
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

void NetMonitorTest::loopback_is_left_out_without_the_option()
{
    stopMonitor();
    QString why;
    QVERIFY2(startMonitor({}, why), qPrintable(why));
    const TrafficMaker *maker =
        makeTraffic({QStringLiteral("tcp4"), QStringLiteral("200000"), QStringLiteral("200000")});
    QVERIFY(maker);
    QTest::qWait(2500);
    QVERIFY(samplesOf(maker->pid(), QStringLiteral("total_kb")).isEmpty());
    QVERIFY(samplesOf(maker->pid(), QStringLiteral("kb/s")).isEmpty());
}

QTEST_GUILESS_MAIN(NetMonitorTest)
#include "tst_netmonitor.moc"
