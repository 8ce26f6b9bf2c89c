// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/trafficdetailsworker.h"

#include "collect/boundedname.h"
#include "display/desktopalias.h"
#include "records/cmutex.h"

#include <QDebug>
#include <QMutexLocker>
#include <cmath>

namespace {
const QString kSpeedType = QStringLiteral("kb/s");
const QString kTotalType = QStringLiteral("total_kb");
} // namespace

void TrafficDetailsWorker::onAppMonitorNetFlowDetailData(QString name, double recv, double send,
                                                         int pid, QString device, QString type)
{
    // One such figure would spoil every sum, text and saved row after it.
    if (!std::isfinite(recv) || !std::isfinite(send)) {
        qDebug() << "drop sample with figures that are not finite" << pid << type << recv << send;
        return;
    }
    if (pid == 0 || (type != kSpeedType && type != kTotalType))
        return;
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        if (!m_runningPids.contains(pid))
            return;
    }

    AppParameter sample;
    sample.recv = recv;
    sample.send = send;
    sample.pid = pid;
    sample.device = device.left(kMaxNameLength);
    sample.type = type;
    const QPair<QString, QString> process = lookupProcess(pid);
    sample.sName = process.second;
    sample.desktop = desktopAlias(process.first.split(QLatin1Char('/')).last());
    if (sample.desktop.isEmpty())
        return;

    QMutexLocker locker(&CMutex::instance()->mutex);
    // The monitor's name only labels a new entry: said once when it has to be cut.
    sample.name = m_entryIndex[type].contains(sample.desktop)
                      ? name.left(kMaxNameLength)
                      : boundedName(name, "process name from the monitor");
    if (type == kSpeedType)
        takeSpeed(sample);
    else
        takeTotal(sample);
}

QList<AppParameter> &TrafficDetailsWorker::entries(const QString &type)
{
    return type == kSpeedType ? m_speedList : m_totalList;
}

void TrafficDetailsWorker::takeSpeed(const AppParameter &sample)
{
    const AppParameter previous = m_processSpeeds.take(sample.pid);
    m_processSpeeds.insert(sample);
    m_freshSpeeds.insert(sample.pid);
    updateEntry(kSpeedType, sample, m_processSpeeds.sum(sample.desktop));
    if (!previous.desktop.isEmpty() && previous.desktop != sample.desktop)
        refreshEntry(kSpeedType, previous.desktop);
}

// A counter lower than before started again: what it had counted stays with the application.
// A pid that now belongs to another application is a new process.
void TrafficDetailsWorker::takeTotal(const AppParameter &sample)
{
    if (m_processTotals.contains(sample.pid)) {
        const AppParameter previous = m_processTotals.value(sample.pid);
        if (previous.desktop != sample.desktop) {
            addToBase(previous.desktop, previous.recv, previous.send);
        } else {
            addToBase(previous.desktop, sample.recv < previous.recv ? previous.recv : 0,
                      sample.send < previous.send ? previous.send : 0);
        }
    }
    m_processTotals.insert(sample);
    const QPair<double, double> base = m_totalBases.value(sample.desktop);
    const QPair<double, double> live = m_processTotals.sum(sample.desktop);
    updateEntry(kTotalType, sample, {base.first + live.first, base.second + live.second});
}

void TrafficDetailsWorker::addToBase(const QString &desktop, double recv, double send)
{
    if (recv == 0 && send == 0)
        return;
    QPair<double, double> &base = m_totalBases[desktop];
    base.first += recv;
    base.second += send;
}

void TrafficDetailsWorker::updateEntry(const QString &type, const AppParameter &sample,
                                       QPair<double, double> figures)
{
    QList<AppParameter> &list = entries(type);
    QHash<QString, int> &index = m_entryIndex[type];
    auto found = index.constFind(sample.desktop);
    if (found == index.constEnd()) {
        qDebug() << qPrintable(type + QStringLiteral(" insert")) << sample.pid << sample.sName
                 << sample.desktop << sample.recv << sample.send;
        found = index.insert(sample.desktop, list.size());
        list.append(sample);
    }
    AppParameter &entry = list[*found];
    // The entry follows the application's latest process; its labels stay as first seen.
    entry.pid = sample.pid;
    entry.recv = figures.first;
    entry.send = figures.second;
}

void TrafficDetailsWorker::refreshEntry(const QString &type, const QString &desktop)
{
    const int at = m_entryIndex[type].value(desktop, -1);
    if (at < 0)
        return;
    AppParameter &entry = entries(type)[at];
    const QPair<double, double> live =
        (type == kSpeedType ? m_processSpeeds : m_processTotals).sum(desktop);
    const QPair<double, double> base =
        type == kSpeedType ? QPair<double, double>() : m_totalBases.value(desktop);
    entry.recv = base.first + live.first;
    entry.send = base.second + live.second;
}

// Only processes silent since the previous reset drop out: a process sampled just before a
// reset must not blink to zero.
void TrafficDetailsWorker::resetSpeedFigures()
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    QSet<QString> changed;
    for (const int pid : m_processSpeeds.pids()) {
        if (!m_freshSpeeds.contains(pid))
            changed.insert(m_processSpeeds.take(pid).desktop);
    }
    m_freshSpeeds.clear();
    for (const QString &desktop : qAsConst(changed))
        refreshEntry(kSpeedType, desktop);
}

// Processes the process list no longer names: their counters join their application's base,
// which keeps its total and the table bounded.
void TrafficDetailsWorker::endProcesses()
{
    for (const int pid : m_processTotals.pids()) {
        if (!m_runningPids.contains(pid)) {
            const AppParameter ended = m_processTotals.take(pid);
            addToBase(ended.desktop, ended.recv, ended.send);
        }
    }
    QSet<QString> changed;
    for (const int pid : m_processSpeeds.pids()) {
        if (!m_runningPids.contains(pid))
            changed.insert(m_processSpeeds.take(pid).desktop);
    }
    for (const QString &desktop : qAsConst(changed))
        refreshEntry(kSpeedType, desktop);
}

// Another monitor counts from nothing: everything it reports is new growth.
void TrafficDetailsWorker::startNewMonitor(const QString &identity)
{
    qDebug() << "network monitor is now" << identity << "- its counters start again";
    for (const int pid : m_processTotals.pids()) {
        const AppParameter counted = m_processTotals.take(pid);
        addToBase(counted.desktop, counted.recv, counted.send);
    }
    m_monitorIdentity = identity;
}
