#include "analysisappinterface.h"
#include "dbussignalrecorder.h"
#include "launcherdinterface.h"
#include "monitornetflowinterface.h"
#include "peersimulatorinterface.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>
#include <memory>

namespace {
const QString monitorService = QStringLiteral("com.nimbra.warden.MonitorNetFlow");
const QString monitorPath = QStringLiteral("/com/nimbra/warden/MonitorNetFlow");
const QString analysisService = QStringLiteral("com.nimbra.warden.analysisapp");
const QString analysisPath = QStringLiteral("/com/nimbra/warden/analysisapp");
const QString launcherService = QStringLiteral("com.nimbra.ndesk.daemon.Launcher");
const QString launcherPath = QStringLiteral("/com/nimbra/ndesk/daemon/Launcher");
const QString controlService = QStringLiteral("com.nimbra.warden.PeerSimulator");

QDBusMessage call(QDBusConnection bus, const QString &service, const QString &path,
                  const QString &method)
{
    return bus.call(QDBusMessage::createMethodCall(service, path, service, method));
}
} // namespace

class PeerSimulatorTest : public QObject
{
    Q_OBJECT

    QDBusConnection session = QDBusConnection::sessionBus();
    QDBusConnection systemBus = QDBusConnection::systemBus();
    std::unique_ptr<QProcess> m_simulator;
    std::unique_ptr<PeerSimulatorInterface> m_control;

    void startSimulator(const QStringList &arguments)
    {
        m_simulator.reset(TestSupport::startProgram(TestSupport::simulatorBinary(), arguments));
        QVERIFY(TestSupport::waitForBusName(session, controlService));
        m_control = std::make_unique<PeerSimulatorInterface>(
            controlService, QStringLiteral("/com/nimbra/warden/PeerSimulator"), session);
    }

private slots:
    void cleanup()
    {
        if (!m_simulator)
            return;
        m_simulator->kill();
        m_simulator->waitForFinished();
        m_simulator.reset();
        // The next test claims the same names.
        QVERIFY(TestSupport::waitForBusNameGone(session, controlService));
        QVERIFY(TestSupport::waitForBusNameGone(systemBus, monitorService));
    }

    void peers_send_their_wire_signatures_and_generated_proxies_decode_them()
    {
        startSimulator({"--manual", "--scenario", TestSupport::fixturePath("peers/scenario.json")});
        // Without a member name a recorder takes every signal of the interface.
        DBusSignalRecorder analysisSignals(session, analysisService, analysisPath, analysisService,
                                           QString());
        DBusSignalRecorder monitorSignals(systemBus, monitorService, monitorPath, monitorService,
                                          QString());
        __analysisapp analysis(analysisService, analysisPath, session);
        __MonitorNetFlow monitor(monitorService, monitorPath, systemBus);
        __Launcherd launcher(launcherService, launcherPath, session);
        // The worker connects this one by its signature text.
        QSignalSpy pids(&analysis, SIGNAL(allProcPidList(WardenProcessList)));
        QSignalSpy processes(&analysis, &__analysisapp::processInfoList);
        QSignalSpy samples(&monitor, &__MonitorNetFlow::NotifyDetailData);

        QCOMPARE(launcher.GetAllItemInfos().value().at(2).number2, Q_INT64_C(4294967296123));
        m_control->PublishProcesses().waitForFinished();
        m_control->AnnounceLauncherChange().waitForFinished();
        m_control->SendSample("Web Content", 0.5, 2, 2154, "wlan0", "kb/s").waitForFinished();
        QVERIFY(analysisSignals.waitForCount(5) && monitorSignals.waitForCount(1));
        QMap<QString, QString> signatures; // an error reply would read "s"
        signatures["GetAllItemInfos"] =
            call(session, launcherService, launcherPath, "GetAllItemInfos").signature();
        signatures["StartApp"] =
            call(systemBus, monitorService, monitorPath, "StartApp").signature();
        for (const QDBusMessage &message : analysisSignals.messages() + monitorSignals.messages())
            signatures[message.member()] = message.signature();
        QCOMPARE(signatures, (QMap<QString, QString>{{"processInfoList", "a(iss)"},
                                                     {"allProcPidList", "ai"},
                                                     {"singleProcDesktopList", "as"},
                                                     {"guiProcDesktopList", "as"},
                                                     {"notifyUpdateLauncherList", ""},
                                                     {"NotifyDetailData", "sddiss"},
                                                     {"GetAllItemInfos", "a(ssssxx)"},
                                                     {"StartApp", ""}}));

        QTRY_COMPARE(samples.count(), 1);
        QCOMPARE(samples.first(), QVariantList({"Web Content", 0.5, 2.0, 2154, "wlan0", "kb/s"}));
        QCOMPARE(processes.first().first().value<WardenProcessInfoList>().at(1),
                 WardenProcessInfo(
                     {2154, "Web Content", "/usr/share/applications/firefox-esr.desktop"}));
        QCOMPARE(pids.count(), 1);
        QCOMPARE(pids.first().first().value<WardenProcessList>(),
                 WardenProcessList({2101, 2154, 2230}));
    }

    void launcher_set_to_fail_answers_with_an_error()
    {
        startSimulator({"--manual"});
        m_control->SetLauncherFailing(true).waitForFinished();
        const QDBusMessage reply = call(session, launcherService, launcherPath, "GetAllItemInfos");
        QCOMPARE(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.Failed"));
    }

    void automatic_totals_grow_by_speed_times_interval_until_switched_off()
    {
        startSimulator({"--scenario", TestSupport::fixturePath("peers/scenario.json")});
        __MonitorNetFlow monitor(monitorService, monitorPath, systemBus);
        QSignalSpy samples(&monitor, &__MonitorNetFlow::NotifyDetailData);
        QVERIFY(QTest::qWaitFor([&] { return samples.count() >= 24; }, 5000));
        QHash<int, double> speed, total;
        int checkedTotals = 0;
        for (const QList<QVariant> &sample : qAsConst(samples)) {
            const int pid = sample.at(3).toInt();
            const bool isSpeed = sample.at(5).toString() == QLatin1String("kb/s");
            if (!isSpeed && total.contains(pid) && speed.contains(pid)) {
                // Samples come every 200 ms.
                QVERIFY(qFuzzyCompare(sample.at(1).toDouble(), total[pid] + speed[pid] * 0.2));
                ++checkedTotals;
            }
            (isSpeed ? speed : total)[pid] = sample.at(1).toDouble();
        }
        QVERIFY(checkedTotals >= 6);

        m_control->SetAutoSamples(false).waitForFinished();
        QTest::qWait(100);
        samples.clear();
        QTest::qWait(600);
        QCOMPARE(samples.count(), 0);
    }

    void misspelt_scenario_exits_2()
    {
        QTemporaryFile misspelt;
        QVERIFY(misspelt.open());
        misspelt.write(R"({"processes": [{"pid": 7, "procname": "typo"}]})");
        misspelt.close();
        std::unique_ptr<QProcess> simulator(TestSupport::startProgram(
            TestSupport::simulatorBinary(), {"--scenario", misspelt.fileName()}));
        QVERIFY(simulator->waitForFinished(5000));
        QCOMPARE(simulator->exitCode(), 2);
    }
};

QTEST_GUILESS_MAIN(PeerSimulatorTest)
#include "tst_peersimulator.moc"
