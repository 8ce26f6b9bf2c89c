// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "monitorpeer.h"

#include "monitoradaptor.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

namespace {

const QString speedType = QStringLiteral("kb/s");
const QString totalType = QStringLiteral("total_kb");

double roundToHundredths(double value)
{
    return std::round(value * 100) / 100;
}

} // namespace

MonitorPeer::MonitorPeer(const QList<SimulatedProcess> &processes, int sampleIntervalMs,
                         quint32 seed, QObject *parent)
    : QObject(parent), m_random(seed)
{
    new MonitorAdaptor(this);
    for (const SimulatedProcess &process : processes)
        m_traffic.append({process});
    m_sampleTimer.setInterval(sampleIntervalMs);
    connect(&m_sampleTimer, &QTimer::timeout, this, &MonitorPeer::sampleAll);
}

void MonitorPeer::setProcesses(const WardenProcessInfoList &processes)
{
    QList<Traffic> traffic;
    for (const WardenProcessInfo &info : processes) {
        auto known = std::find_if(m_traffic.begin(), m_traffic.end(),
                                  [&](const Traffic &t) { return t.process.info.pid == info.pid; });
        Traffic entry = known != m_traffic.end() ? *known : Traffic{};
        entry.process.info = info;
        traffic.append(entry);
    }
    m_traffic = traffic;
}

void MonitorPeer::setAutoSamples(bool enabled)
{
    qInfo().noquote() << "monitor: automatic samples" << (enabled ? "on" : "off");
    if (enabled)
        m_sampleTimer.start();
    else
        m_sampleTimer.stop();
}

void MonitorPeer::sendSample(const QString &name, double recv, double send, int pid,
                             const QString &device, const QString &type)
{
    qInfo().noquote() << "monitor: sample" << name << recv << send << pid << device << type;
    emit NotifyDetailData(name, recv, send, pid, device, type);
}

void MonitorPeer::StartApp()
{
    ++m_startAppCalls;
    qInfo().noquote() << "monitor: StartApp, call" << m_startAppCalls;
}

void MonitorPeer::ExitApp()
{
    ++m_exitAppCalls;
    qInfo().noquote() << "monitor: ExitApp, call" << m_exitAppCalls;
}

void MonitorPeer::sampleAll()
{
    const double seconds = m_sampleTimer.interval() / 1000.0;
    for (Traffic &traffic : m_traffic) {
        const SimulatedProcess &process = traffic.process;
        const QPair<double, double> speeds = nextSpeeds(traffic);
        traffic.recvTotal += speeds.first * seconds;
        traffic.sendTotal += speeds.second * seconds;
        emit NotifyDetailData(process.info.procName, speeds.first, speeds.second, process.info.pid,
                              process.device, speedType);
        emit NotifyDetailData(process.info.procName, traffic.recvTotal, traffic.sendTotal,
                              process.info.pid, process.device, totalType);
    }
    qInfo().noquote() << "monitor: sampled" << m_traffic.size() << "processes";
}

QPair<double, double> MonitorPeer::nextSpeeds(Traffic &traffic)
{
    const SimulatedProcess &process = traffic.process;
    if (!process.script.isEmpty())
        return process.script.at(traffic.step++ % process.script.size());
    // Busy and quiet seconds alike: between 40% and 160% of the mean.
    const double recvFactor = 0.4 + 1.2 * m_random.generateDouble();
    const double sendFactor = 0.4 + 1.2 * m_random.generateDouble();
    return {roundToHundredths(process.recv * recvFactor),
            roundToHundredths(process.send * sendFactor)};
}
