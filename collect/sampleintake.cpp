// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/sampleintake.h"

#include "collect/boundedname.h"
#include "collect/desktopalias.h"
#include "history/failurelog.h"
#include "records/clock.h"
#include "records/cmutex.h"

#include <QDebug>
#include <QMutexLocker>
#include <cmath>
#include <limits>

namespace {
const QString kSpeedType = QStringLiteral("kb/s");
const QString kTotalType = QStringLiteral("total_kb");
// What a 64-bit byte counter can hold, in the monitor's units of 1024 bytes.
constexpr double kMostKilobytes = std::numeric_limits<quint64>::max() / 1024.0;

// One such figure would spoil every sum, text and saved row after it.
bool possibleAmount(double amount)
{
    return std::isfinite(amount) && amount >= 0 && amount <= kMostKilobytes;
}
} // namespace

SampleIntake::SampleIntake(int mostProcesses) : m_processCounters(mostProcesses) {}

void SampleIntake::takeProcessRecords(const WardenProcessInfoList &records)
{
    m_processes.takeRecords(records);
}

void SampleIntake::takeRunning(const WardenProcessList &pids)
{
    m_processes.takeRunning(pids);
    QMutexLocker locker(&CMutex::instance()->mutex);
    endProcesses();
}

void SampleIntake::take(const QString &name, double recv, double send, int pid,
                        const QString &device, const QString &type)
{
    if (!possibleAmount(recv) || !possibleAmount(send)) {
        if (FailureLog::due(QStringLiteral("impossible monitor sample")))
            qDebug() << "drop sample with impossible figures" << pid << type << recv << send;
        return;
    }
    if (pid == 0 || (type != kSpeedType && type != kTotalType))
        return;
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        if (!m_processes.running().contains(pid))
            return;
    }

    AppParameter sample;
    sample.recv = recv;
    sample.send = send;
    sample.pid = pid;
    sample.device = device.left(kMaxNameLength);
    sample.type = type;
    QPair<QString, QString> process;
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        process = m_processes.lookup(pid);
    }
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

QList<AppParameter> &SampleIntake::entries(const QString &type)
{
    return type == kSpeedType ? m_speedList : m_totalList;
}

void SampleIntake::takeSpeed(const AppParameter &sample)
{
    const AppParameter previous = m_processSpeeds.take(sample.pid);
    m_processSpeeds.insert(sample);
    m_freshSpeeds.insert(sample);
    entryFor(kSpeedType, sample);
    refreshSpeed(sample.desktop);
    if (!previous.desktop.isEmpty() && previous.desktop != sample.desktop)
        refreshSpeed(previous.desktop);
}

// The growth goes to the application the process belongs to now.
void SampleIntake::takeTotal(const AppParameter &sample)
{
    const QPair<double, double> growth =
        m_processCounters.take(sample.pid, {sample.recv, sample.send});
    QPair<double, double> &total = m_applicationTotals[sample.desktop];
    total.first += growth.first;
    total.second += growth.second;
    AppParameter &entry = entryFor(kTotalType, sample);
    entry.recv = total.first;
    entry.send = total.second;
}

AppParameter &SampleIntake::entryFor(const QString &type, const AppParameter &sample)
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
    return entry;
}

void SampleIntake::refreshSpeed(const QString &desktop)
{
    const int at = m_entryIndex[kSpeedType].value(desktop, -1);
    if (at < 0)
        return;
    AppParameter &entry = m_speedList[at];
    const QPair<double, double> live = m_processSpeeds.sum(desktop);
    const QPair<double, double> fresh = m_freshSpeeds.sum(desktop);
    entry.recv = live.first;
    entry.send = live.second;
    entry.freshRecv = fresh.first;
    entry.freshSend = fresh.second;
}

// Only processes silent since the previous reset drop out: a process sampled just before a
// reset must not blink to zero. What the sums took is not fresh any more.
void SampleIntake::resetSpeeds()
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    for (const int pid : m_processSpeeds.pids()) {
        if (!m_freshSpeeds.contains(pid))
            m_processSpeeds.take(pid);
    }
    m_freshSpeeds = {};
    for (const AppParameter &entry : qAsConst(m_speedList))
        refreshSpeed(entry.desktop);
}

// Processes the process list no longer names start to be forgotten; their speeds go at once.
void SampleIntake::endProcesses()
{
    m_processCounters.markListed(m_processes.running(), Clock::now());
    QSet<QString> changed;
    for (const int pid : m_processSpeeds.pids()) {
        if (!m_processes.running().contains(pid)) {
            m_freshSpeeds.take(pid);
            changed.insert(m_processSpeeds.take(pid).desktop);
        }
    }
    for (const QString &desktop : qAsConst(changed))
        refreshSpeed(desktop);
}

CollectorSnapshot SampleIntake::keptCounters(const QString &monitorIdentity) const
{
    return KeptCounters::snapshot(monitorIdentity, m_processCounters, m_applicationTotals);
}

void SampleIntake::restoreCounters(const CollectorSnapshot &kept, const QString &monitorIdentity)
{
    KeptCounters::restore(kept, monitorIdentity, m_processCounters, m_applicationTotals);
}
