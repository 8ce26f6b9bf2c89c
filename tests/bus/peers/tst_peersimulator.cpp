// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "analysisappinterface.h"
#include "dbussignalrecorder.h"
#include "peersimulatorinterface.h"
#include "testsupport.h"

#include <QSignalSpy>
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

private slots:
    void peers_answer_with_their_wire_signatures_and_the_launcher_fails_on_request()
    {
        QDBusConnection session = QDBusConnection::sessionBus();
        QDBusConnection systemBus = QDBusConnection::systemBus();
        const std::unique_ptr<QProcess> simulator(
            TestSupport::startSimulator("peers/scenario.json"));
        QVERIFY(simulator);
        PeerSimulatorInterface control(controlService,
                                       QStringLiteral("/com/nimbra/warden/PeerSimulator"), session);
        // Without a member name a recorder takes every signal of the interface.
        DBusSignalRecorder analysisSignals(session, analysisService, analysisPath, analysisService,
                                           QString());
        DBusSignalRecorder monitorSignals(systemBus, monitorService, monitorPath, monitorService,
                                          QString());
        __analysisapp analysis(analysisService, analysisPath, session);
        // The worker connects this one by its signature text.
        QSignalSpy pids(&analysis, SIGNAL(allProcPidList(WardenProcessList)));

        control.PublishProcesses().waitForFinished();
        control.AnnounceLauncherChange().waitForFinished();
        control.SendSample("Web Content", 0.5, 2, 2154, "wlan0", "kb/s").waitForFinished();
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
        QTRY_COMPARE(pids.count(), 1);
        QCOMPARE(pids.first().first().value<WardenProcessList>(),
                 WardenProcessList({2101, 2154, 2230}));

        control.SetLauncherFailing(true).waitForFinished();
        QCOMPARE(call(session, launcherService, launcherPath, "GetAllItemInfos").errorName(),
                 QStringLiteral("org.freedesktop.DBus.Error.Failed"));
    }
};

QTEST_GUILESS_MAIN(PeerSimulatorTest)
#include "tst_peersimulator.moc"
