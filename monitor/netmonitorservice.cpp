// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "netmonitorservice.h"

#include "monitoradaptor.h"
#include "monitornames.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDebug>

#include <net/if.h>

namespace {

constexpr int sampleIntervalMs = 1000;
constexpr double bytesPerKilobyte = 1024.0;

QString deviceName(quint32 ifindex)
{
    char name[IF_NAMESIZE] = {};
    if (if_indextoname(ifindex, name))
        return QString::fromLocal8Bit(name);
    return QString::number(ifindex);
}

} // namespace

NetMonitorService::NetMonitorService(TrafficProbe *probe, const QDBusConnection &bus,
                                     QObject *parent)
    : QObject(parent), m_probe(probe), m_bus(bus), m_connections(bus)
{
    new MonitorAdaptor(this);
    m_timer.setInterval(sampleIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &NetMonitorService::sample);
    m_timer.start();
    m_sinceLastSample.start();
}

void NetMonitorService::StartApp()
{
    restartCallersTotals("StartApp");
}

void NetMonitorService::ExitApp()
{
    restartCallersTotals("ExitApp");
}

void NetMonitorService::restartCallersTotals(const char *method)
{
    if (!calledFromDBus())
        return;
    const QDBusReply<uint> uid = connection().interface()->serviceUid(message().service());
    if (!uid.isValid())
        return;
    qInfo().noquote() << method << "from uid" << uid.value() << ": that user's totals restart";
    m_totals.restartUser(uid.value());
}

void NetMonitorService::sample()
{
    const double seconds = qMax(m_sinceLastSample.restart() / 1000.0, 0.001);
    const QList<KernelCounters> counters = m_probe->read();
    const QList<ProcessTraffic> traffic = m_totals.update(counters);
    m_totals.forget(m_probe->forgetExited(counters));
    for (const ProcessTraffic &process : traffic) {
        const QStringList connections = m_connections.connectionsOf(process.uid);
        if (!connections.isEmpty())
            sendTo(connections, process, seconds);
    }
}

void NetMonitorService::sendTo(const QStringList &connections, const ProcessTraffic &process,
                               double seconds)
{
    const QString device = deviceName(process.ifindex);
    const QVariantList speed = {process.name,
                                process.recvDelta / bytesPerKilobyte / seconds,
                                process.sendDelta / bytesPerKilobyte / seconds,
                                int(process.pid),
                                device,
                                MonitorNames::speedType()};
    const QVariantList total = {process.name,
                                process.recvTotal / bytesPerKilobyte,
                                process.sendTotal / bytesPerKilobyte,
                                int(process.pid),
                                device,
                                MonitorNames::totalType()};
    for (const QString &destination : connections) {
        for (const QVariantList &arguments : {speed, total}) {
            QDBusMessage signal = QDBusMessage::createTargetedSignal(
                destination, MonitorNames::path(), MonitorNames::interface(),
                QStringLiteral("NotifyDetailData"));
            signal.setArguments(arguments);
            m_bus.send(signal);
        }
    }
}
