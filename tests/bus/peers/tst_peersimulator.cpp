#include "analysisappinterface.h"
#include "dbussignalrecorder.h"
#include "launcherdinterface.h"
#include "monitornetflowinterface.h"
#include "peersimulatorinterface.h"
#include "testsupport.h"

#include <QDBusConnection>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

const QString monitorService = QStringLiteral("com.nimbra.warden.MonitorNetFlow");
const QString monitorPath = QStringLiteral("/com/nimbra/warden/MonitorNetFlow");
const QString analysisService = QStringLiteral("com.nimbra.warden.analysisapp");
const QString analysisPath = QStringLiteral("/com/nimbra/warden/analysisapp");
const QString launcherService = QStringLiteral("com.nimbra.ndesk.daemon.Launcher");
const QString launcherPath = QStringLiteral("/com/nimbra/ndesk/daemon/Launcher");
const QString controlService = QStringLiteral("com.nimbra.warden.PeerSimulator");
const QString controlPath = QStringLiteral("/com/nimbra/warden/PeerSimulator");

const QString firefoxDesktop = QStringLiteral("/usr/share/applications/firefox-esr.desktop");
const QString thunderbirdDesktop = QStringLiteral("/usr/share/applications/thunderbird.desktop");

QDBusConnection session()
{
    return QDBusConnection::sessionBus();
}

QDBusConnection systemBus()
{
    return QDBusConnection::systemBus();
}

} // namespace

class PeerSimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void peers_answer_with_their_wire_signatures();
    void generated_proxies_decode_signals_into_records();
    void launcher_answers_the_items_set_and_fails_on_request();
    void monitor_counts_start_and_exit_calls();
    void automatic_samples_play_the_script_and_totals_add_up();
    void broken_scenarios_are_refused();

private:
    void startSimulator(const QStringList &arguments);
    std::unique_ptr<PeerSimulatorInterface> control();

    std::unique_ptr<QProcess> m_simulator;
};

void PeerSimulatorTest::startSimulator(const QStringList &arguments)
{
    m_simulator.reset(TestSupport::startProgram(TestSupport::simulatorBinary(), arguments));
    QVERIFY(TestSupport::waitForBusName(session(), controlService));
}

std::unique_ptr<PeerSimulatorInterface> PeerSimulatorTest::control()
{
    return std::make_unique<PeerSimulatorInterface>(controlService, controlPath, session());
}

void PeerSimulatorTest::cleanup()
{
    if (!m_simulator)
        return;
    m_simulator->kill();
    m_simulator->waitForFinished();
    m_simulator.reset();
    // The next test claims the same names.
    QVERIFY(TestSupport::waitForBusNameGone(session(), controlService));
    QVERIFY(TestSupport::waitForBusNameGone(systemBus(), monitorService));
}

void PeerSimulatorTest::peers_answer_with_their_wire_signatures()
{
    startSimulator({"--manual", "--scenario", TestSupport::fixturePath("peers/scenario.json")});
    const QStringList analysisSignals = {"processInfoList", "allProcPidList",
                                         "singleProcDesktopList", "guiProcDesktopList",
                                         "notifyUpdateLauncherList"};
    QList<std::shared_ptr<DBusSignalRecorder>> recorders;
    for (const QString &name : analysisSignals)
        recorders.append(std::make_shared<DBusSignalRecorder>(session(), analysisService,
                                                              analysisPath, analysisService, name));
    DBusSignalRecorder samples(systemBus(), monitorService, monitorPath, monitorService,
                               "NotifyDetailData");

    const QDBusMessage reply = session().call(QDBusMessage::createMethodCall(
        launcherService, launcherPath, launcherService, "GetAllItemInfos"));
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(reply.signature(), QStringLiteral("a(ssssxx)"));
    const QDBusMessage started = systemBus().call(
        QDBusMessage::createMethodCall(monitorService, monitorPath, monitorService, "StartApp"));
    QCOMPARE(started.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(started.signature(), QString());

    auto simulator = control();
    simulator->PublishProcesses().waitForFinished();
    simulator->AnnounceLauncherChange().waitForFinished();
    simulator->SendSample("firefox-esr", 1, 2, 2101, "wlan0", "kb/s").waitForFinished();

    const QStringList expected = {"a(iss)", "ai", "as", "as", ""};
    for (int i = 0; i < recorders.size(); ++i) {
        QVERIFY2(recorders[i]->waitForCount(1), qPrintable(analysisSignals[i]));
        QCOMPARE(recorders[i]->messages().first().signature(), expected[i]);
    }
    QVERIFY(samples.waitForCount(1));
    QCOMPARE(samples.messages().first().signature(), QStringLiteral("sddiss"));
}

void PeerSimulatorTest::generated_proxies_decode_signals_into_records()
{
    startSimulator({"--manual", "--scenario", TestSupport::fixturePath("peers/scenario.json")});
    __analysisapp analysis(analysisService, analysisPath, session());
    __MonitorNetFlow monitor(monitorService, monitorPath, systemBus());
    // The worker connects this one by its signature text.
    QSignalSpy pids(&analysis, SIGNAL(allProcPidList(WardenProcessList)));
    QSignalSpy processes(&analysis, &__analysisapp::processInfoList);
    QSignalSpy desktops(&analysis, &__analysisapp::singleProcDesktopList);
    QSignalSpy guiDesktops(&analysis, &__analysisapp::guiProcDesktopList);
    QSignalSpy samples(&monitor, &__MonitorNetFlow::NotifyDetailData);
    QVERIFY(pids.isValid());

    auto simulator = control();
    simulator->PublishProcesses().waitForFinished();
    simulator->SendSample("Web Content", 0.5, qInf(), 2154, "wlan0", "kb/s").waitForFinished();
    simulator->SendSample("firefox-esr", qQNaN(), 3, 2101, "eth0", "total_kb").waitForFinished();

    QVERIFY(QTest::qWaitFor([&] { return guiDesktops.count() == 1; }));
    const WardenProcessInfoList expectedProcesses = {{2101, "firefox-esr", firefoxDesktop},
                                                     {2154, "Web Content", firefoxDesktop},
                                                     {2230, "thunderbird", thunderbirdDesktop}};
    QCOMPARE(processes.count(), 1);
    QCOMPARE(processes.first().first().value<WardenProcessInfoList>(), expectedProcesses);
    QCOMPARE(pids.count(), 1);
    QCOMPARE(pids.first().first().value<WardenProcessList>(),
             WardenProcessList({2101, 2154, 2230}));
    QCOMPARE(desktops.first().first().toStringList(),
             QStringList({firefoxDesktop, thunderbirdDesktop}));
    QCOMPARE(guiDesktops.first().first().toStringList(), QStringList({firefoxDesktop}));

    QVERIFY(QTest::qWaitFor([&] { return samples.count() == 2; }));
    const QList<QVariant> speed = samples.at(0);
    QCOMPARE(speed.at(0).toString(), QStringLiteral("Web Content"));
    QCOMPARE(speed.at(1).toDouble(), 0.5);
    QVERIFY(std::isinf(speed.at(2).toDouble()));
    QCOMPARE(speed.at(3).toInt(), 2154);
    QCOMPARE(speed.at(4).toString(), QStringLiteral("wlan0"));
    QCOMPARE(speed.at(5).toString(), QStringLiteral("kb/s"));
    QVERIFY(std::isnan(samples.at(1).at(1).toDouble()));
    QCOMPARE(samples.at(1).at(5).toString(), QStringLiteral("total_kb"));
}

void PeerSimulatorTest::launcher_answers_the_items_set_and_fails_on_request()
{
    startSimulator({"--manual", "--scenario", TestSupport::fixturePath("peers/scenario.json")});
    __Launcherd launcher(launcherService, launcherPath, session());
    __analysisapp analysis(analysisService, analysisPath, session());
    QSignalSpy announced(&analysis, &__analysisapp::notifyUpdateLauncherList);
    auto simulator = control();

    QDBusPendingReply<LauncherItemInfoList> reply = launcher.GetAllItemInfos();
    reply.waitForFinished();
    QVERIFY(!reply.isError());
    const LauncherItemInfoList fromScenario = reply.value();
    QCOMPARE(fromScenario.size(), 3);
    QCOMPARE(fromScenario.at(1),
             LauncherItemInfo({thunderbirdDesktop, "Thunderbird", "Office;Network;Email;",
                               "thunderbird", 1712131260, -1}));
    QCOMPARE(fromScenario.at(2).number2, Q_INT64_C(4294967296123));

    simulator->SetLauncherFailing(true).waitForFinished();
    reply = launcher.GetAllItemInfos();
    reply.waitForFinished();
    QVERIFY(reply.isError());
    QCOMPARE(reply.error().type(), QDBusError::Failed);

    const LauncherItemInfoList replaced = {
        {"/usr/share/applications/vlc.desktop", "Media Player", "AudioVideo;", "vlc", 1, 2}};
    simulator->SetLauncherFailing(false).waitForFinished();
    simulator->SetLauncherItems(replaced).waitForFinished();
    reply = launcher.GetAllItemInfos();
    reply.waitForFinished();
    QVERIFY(!reply.isError());
    QCOMPARE(reply.value(), replaced);

    QCOMPARE(announced.count(), 0);
    simulator->AnnounceLauncherChange().waitForFinished();
    QVERIFY(QTest::qWaitFor([&] { return announced.count() == 1; }));
}

void PeerSimulatorTest::monitor_counts_start_and_exit_calls()
{
    startSimulator({"--manual"});
    __MonitorNetFlow monitor(monitorService, monitorPath, systemBus());
    for (QDBusPendingReply<> reply : {monitor.StartApp(), monitor.ExitApp(), monitor.StartApp()}) {
        reply.waitForFinished();
        QVERIFY(!reply.isError());
    }
    QDBusPendingReply<int, int> calls = control()->MonitorCalls();
    calls.waitForFinished();
    QVERIFY(!calls.isError());
    QCOMPARE(calls.argumentAt<0>(), 2);
    QCOMPARE(calls.argumentAt<1>(), 1);
}

void PeerSimulatorTest::automatic_samples_play_the_script_and_totals_add_up()
{
    // Samples every 200 ms, publishing every 2 s.
    startSimulator({"--scenario", TestSupport::fixturePath("peers/scenario.json")});
    __MonitorNetFlow monitor(monitorService, monitorPath, systemBus());
    __analysisapp analysis(analysisService, analysisPath, session());
    QSignalSpy samples(&monitor, &__MonitorNetFlow::NotifyDetailData);
    QSignalSpy processes(&analysis, &__analysisapp::processInfoList);

    // Four rounds of three processes, a speed and a total each.
    QVERIFY(QTest::qWaitFor([&] { return samples.count() >= 24; }, 5000));
    QHash<int, double> lastSpeed, lastTotal;
    QList<double> scriptedSpeeds;
    int checkedTotals = 0;
    for (const QList<QVariant> &sample : qAsConst(samples)) {
        const int pid = sample.at(3).toInt();
        const double recv = sample.at(1).toDouble();
        QVERIFY(std::isfinite(recv) && recv >= 0);
        if (sample.at(5).toString() == QLatin1String("kb/s")) {
            lastSpeed[pid] = recv;
            if (pid == 2101)
                scriptedSpeeds.append(recv);
            continue;
        }
        QCOMPARE(sample.at(5).toString(), QStringLiteral("total_kb"));
        if (lastTotal.contains(pid) && lastSpeed.contains(pid)) {
            QVERIFY(qFuzzyCompare(recv, lastTotal[pid] + lastSpeed[pid] * 0.2));
            ++checkedTotals;
        }
        lastTotal[pid] = recv;
    }
    QVERIFY(checkedTotals >= 6);
    const QList<double> script = {120.5, 0, 64};
    const int offset = script.indexOf(scriptedSpeeds.first());
    QVERIFY(offset >= 0);
    for (int i = 0; i < scriptedSpeeds.size(); ++i)
        QCOMPARE(scriptedSpeeds[i], script[(offset + i) % script.size()]);

    QVERIFY(QTest::qWaitFor([&] { return processes.count() >= 1; }, 3000));

    control()->SetAutoSamples(false).waitForFinished();
    QTest::qWait(100);
    samples.clear();
    QTest::qWait(600);
    QCOMPARE(samples.count(), 0);
}

void PeerSimulatorTest::broken_scenarios_are_refused()
{
    QTemporaryFile misspelt;
    QVERIFY(misspelt.open());
    misspelt.write(R"({"processes": [{"pid": 7, "procname": "typo"}]})");
    misspelt.close();
    for (const QString &path :
         {QStringLiteral("/nonexistent/scenario.json"), misspelt.fileName()}) {
        std::unique_ptr<QProcess> simulator(
            TestSupport::startProgram(TestSupport::simulatorBinary(), {"--scenario", path}));
        QVERIFY(simulator->waitForFinished(5000));
        QCOMPARE(simulator->exitCode(), 2);
    }
    QVERIFY(!session().interface()->isServiceRegistered(controlService).value());
}

QTEST_GUILESS_MAIN(PeerSimulatorTest)
#include "tst_peersimulator.moc"
