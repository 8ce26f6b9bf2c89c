// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "analysispeer.h"
#include "launcherpeer.h"
#include "monitorpeer.h"
#include "scenario.h"
#include "simulatorcontrol.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDebug>

namespace {

bool offer(QDBusConnection bus, const QString &busName, const QString &service, const QString &path,
           QObject *object)
{
    if (!bus.registerObject(path, object) || !bus.registerService(service)) {
        qCritical().noquote() << "cannot own" << service << "on the" << busName
                              << "bus:" << bus.lastError().message();
        return false;
    }
    qInfo().noquote() << "owns" << service << "on the" << busName << "bus";
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nimbra-warden-peer-simulator"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NWT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays the network monitor (system bus), the process-analysis service and the launcher "
        "daemon (session bus), steered by a scenario file and by the control object "
        "com.nimbra.warden.PeerSimulator on the session bus."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption scenarioOption(
        QStringLiteral("scenario"),
        QStringLiteral("Read applications, processes and intervals from the JSON <file>."),
        QStringLiteral("file"));
    const QCommandLineOption manualOption(
        QStringLiteral("manual"),
        QStringLiteral("Start with automatic samples and publishing off; send only on request."));
    parser.addOption(scenarioOption);
    parser.addOption(manualOption);
    parser.process(app);

    const QString scenarioPath = parser.isSet(scenarioOption)
                                     ? parser.value(scenarioOption)
                                     : QStringLiteral(":/default-scenario.json");
    Scenario scenario;
    QString error;
    if (!loadScenario(scenarioPath, scenario, error)) {
        qCritical().noquote() << "scenario:" << error;
        return 2;
    }

    auto *launcher = new LauncherPeer(scenario.applications, scenario.launcherFails, &app);
    auto *analysis =
        new AnalysisPeer(scenario.processInfos(), scenario.pidList, scenario.desktopList,
                         scenario.guiDesktopList, scenario.publishIntervalMs, &app);
    auto *monitor =
        new MonitorPeer(scenario.processes, scenario.sampleIntervalMs, scenario.seed, &app);
    auto *control = new SimulatorControl(launcher, analysis, monitor, &app);

    // The control name comes last: once it is on the bus, every peer answers.
    const QDBusConnection session = QDBusConnection::sessionBus();
    const QDBusConnection system = QDBusConnection::systemBus();
    if (!offer(system, QStringLiteral("system"), QStringLiteral("com.nimbra.warden.MonitorNetFlow"),
               QStringLiteral("/com/nimbra/warden/MonitorNetFlow"), monitor) ||
        !offer(session, QStringLiteral("session"), QStringLiteral("com.nimbra.warden.analysisapp"),
               QStringLiteral("/com/nimbra/warden/analysisapp"), analysis) ||
        !offer(session, QStringLiteral("session"),
               QStringLiteral("com.nimbra.ndesk.daemon.Launcher"),
               QStringLiteral("/com/nimbra/ndesk/daemon/Launcher"), launcher) ||
        !offer(session, QStringLiteral("session"),
               QStringLiteral("com.nimbra.warden.PeerSimulator"),
               QStringLiteral("/com/nimbra/warden/PeerSimulator"), control))
        return 1;

    if (!parser.isSet(manualOption)) {
        analysis->publish();
        analysis->setAutoPublish(true);
        monitor->setAutoSamples(true);
    }
    return app.exec();
}
