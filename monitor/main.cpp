// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "capabilities.h"
#include "cgroupmount.h"
#include "monitornames.h"
#include "netmonitorservice.h"
#include "trafficprobe.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDebug>

#include <linux/capability.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nimbra-warden-netmonitor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NWT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Counts every process's network traffic in the kernel (eBPF at the cgroup layer) and "
        "sends each user's figures, once a second, to that user's connections on the system "
        "bus as com.nimbra.warden.MonitorNetFlow."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption cgroupOption(
        QStringLiteral("cgroup"),
        QStringLiteral("Count the processes of the cgroup v2 <path> and below (default: the "
                       "root of the cgroup v2 hierarchy)."),
        QStringLiteral("path"));
    const QCommandLineOption loopbackOption(QStringLiteral("loopback"),
                                            QStringLiteral("Count loopback traffic too."));
    const QCommandLineOption tableOption(
        QStringLiteral("table-entries"),
        QStringLiteral("Size the kernel's tables of UDP sockets and of sockets closed between two "
                       "reads for <n> sockets each; each user may fill a quarter of each "
                       "(default: %1).")
            .arg(TrafficProbe::defaultTableEntries),
        QStringLiteral("n"), QString::number(TrafficProbe::defaultTableEntries));
    parser.addOption(cgroupOption);
    parser.addOption(loopbackOption);
    parser.addOption(tableOption);
    parser.process(app);

    const CgroupMount mount = findCgroupMount();
    qInfo().noquote() << "cgroups:" << mount.describe();
    QString cgroup = parser.value(cgroupOption);
    if (cgroup.isEmpty()) {
        if (mount.layout == CgroupMount::Layout::None) {
            qCritical().noquote()
                << "no cgroup v2 hierarchy is mounted; mount one or name it with --cgroup";
            return 1;
        }
        cgroup = mount.path;
    }

    bool validEntries = false;
    const quint32 tableEntries = parser.value(tableOption).toUInt(&validEntries);
    if (!validEntries || tableEntries == 0) {
        qCritical().noquote() << "--table-entries needs a positive number";
        return 1;
    }
    TrafficProbe probe;
    QString error;
    // Once attached, what reading needs: the sockets' storage through socket diagnostics
    // (CAP_BPF), and the descriptor links of other users' processes (CAP_SYS_PTRACE, and
    // CAP_DAC_READ_SEARCH for their fd folders).
    if (!probe.start(cgroup, parser.isSet(loopbackOption), tableEntries, error) ||
        !keepOnlyCapabilities({CAP_BPF, CAP_SYS_PTRACE, CAP_DAC_READ_SEARCH}, error)) {
        qCritical().noquote() << error;
        return 1;
    }
    qInfo().noquote() << "counting the traffic of" << cgroup
                      << (parser.isSet(loopbackOption) ? "with loopback" : "without loopback");

    QDBusConnection bus = QDBusConnection::systemBus();
    auto *service = new NetMonitorService(&probe, bus, &app);
    if (!bus.registerObject(MonitorNames::path(), service) ||
        !bus.registerService(MonitorNames::service())) {
        qCritical().noquote() << "cannot own" << MonitorNames::service()
                              << "on the system bus:" << bus.lastError().message();
        return 1;
    }
    return app.exec();
}
