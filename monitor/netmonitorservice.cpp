// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "netmonitorservice.h"

#include "monitoradaptor.h"
#include "monitornames.h"
#include "processinfo.h"
#include "socketholders.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDebug>

#include <net/if.h>

namespace {

constexpr int sampleIntervalMs = 1000;
constexpr qint64 logIntervalMs = 60000;
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
    : QObject(parent), m_probe(probe), m_bus(bus), m_connections(bus),
      m_ledger(findSocketHolders, processOwner, processStart,
               [probe](quint64 cookie) { return probe->datagramInode(cookie); }),
      m_totals(processStart)
{
    new MonitorAdaptor(this);
    m_timer.setInterval(sampleIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &NetMonitorService::sample);
    m_timer.start();
    m_sinceLastSample.start();
}

void NetMonitorService::StartApp()
{
    logCall("StartApp");
}

void NetMonitorService::ExitApp()
{
    logCall("ExitApp");
}

void NetMonitorService::logCall(const char *method)
{
    if (!calledFromDBus())
        return;
    const QDBusReply<uint> uid = connection().interface()->serviceUid(message().service());
    if (!uid.isValid())
        return;
    QElapsedTimer &last = m_lastCallLog[uid.value()];
    if (last.isValid() && !last.hasExpired(logIntervalMs)) {
        ++m_unloggedCalls[uid.value()];
        return;
    }
    last.start();
    qInfo().noquote() << QStringLiteral("%1 from uid %2 (%3 more calls of that user unlogged)")
                             .arg(QLatin1String(method))
                             .arg(uid.value())
                             .arg(m_unloggedCalls.take(uid.value()));
}

void NetMonitorService::logLosses()
{
    const KernelLosses losses = m_probe->losses();
    if (losses.refused == m_loggedLosses.refused ||
        (m_sinceLossLog.isValid() && !m_sinceLossLog.hasExpired(logIntervalMs)))
        return;
    m_sinceLossLog.start();
    qWarning().noquote() << QStringLiteral(
                                "sockets or packets not counted (a table full, or a user's "
                                "share of closed sockets used up): %1 since the last report, "
                                "%2 in all, with %3 bytes")
                                .arg(losses.refused - m_loggedLosses.refused)
                                .arg(losses.refused)
                                .arg(losses.bytes);
    m_loggedLosses = losses;
}

void NetMonitorService::sample()
{
    const double seconds = qMax(m_sinceLastSample.restart() / 1000.0, 0.001);
    QList<SocketReading> open;
    QList<closed_socket> closed;
    const TrafficProbe::Listing listing = m_probe->read(open, closed);
    if (listing == TrafficProbe::Listing::Failed &&
        (!m_sinceListingLog.isValid() || m_sinceListingLog.hasExpired(logIntervalMs))) {
        m_sinceListingLog.start();
        qWarning().noquote() << "cannot list the open sockets' counters (this needs CAP_BPF): "
                                "sockets are counted as they close";
    }
    const QList<ProcessTraffic> traffic =
        m_totals.update(m_ledger.update(open, listing == TrafficProbe::Listing::Whole, closed));
    logLosses();
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
