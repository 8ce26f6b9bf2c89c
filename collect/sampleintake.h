// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "collect/keptcounters.h"
#include "collect/processcounters.h"
#include "collect/processdirectory.h"
#include "collect/processtable.h"
#include "history/collectorsnapshot.h"
#include "records/appparameter.h"

#include "peerrecords.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

// Turns the monitor's per-process samples into one speed ("kb/s") and one total ("total_kb")
// entry per application, in order of its first sample; entries are updated in place. The
// display cycle copies them under the process-wide lock, so what changes them takes it too.
class SampleIntake
{
public:
    explicit SampleIntake(int mostProcesses = ProcessCounters::kMostProcesses);

    // The analysis peer's process records and running pids, in which samples are looked up.
    void takeProcessRecords(const WardenProcessInfoList &records);
    // Processes no longer listed start to be forgotten; their speeds go at once.
    void takeRunning(const WardenProcessList &pids);
    // One monitor sample; those without a listed pid, a desktop or possible figures are dropped.
    void take(const QString &name, double recv, double send, int pid, const QString &device,
              const QString &type);
    // Ends the speeds of processes silent since the reset before this one.
    void resetSpeeds();

    const QList<AppParameter> &speeds() const { return m_speedList; }
    const QList<AppParameter> &totals() const { return m_totalList; }

    // The counters as a save keeps them, and back; the caller holds the lock.
    CollectorSnapshot keptCounters(const QString &monitorIdentity) const;
    void restoreCounters(const CollectorSnapshot &kept, const QString &monitorIdentity);
    // Another monitor counts from nothing: everything it reports is new growth.
    void forgetProcessCounters() { m_processCounters.clear(); }

private:
    void takeSpeed(const AppParameter &sample);
    void takeTotal(const AppParameter &sample);
    // The application's entry in the working list of `type`, appended on its first sample.
    AppParameter &entryFor(const QString &type, const AppParameter &sample);
    void refreshSpeed(const QString &desktop);
    QList<AppParameter> &entries(const QString &type);
    void endProcesses();

    ProcessDirectory m_processes;
    QList<AppParameter> m_speedList;
    QList<AppParameter> m_totalList;
    // Position of each application's entry in the working list of each type.
    QMap<QString, QHash<QString, int>> m_entryIndex;
    // Latest "kb/s" sample of each process that sent one since the speed reset before last.
    ProcessTable m_processSpeeds;
    // The latest "kb/s" sample of each process that sent one since the last speed reset.
    ProcessTable m_freshSpeeds;
    // Last "total_kb" counter of each process the running monitor reported.
    ProcessCounters m_processCounters;
    // Received and sent growth credited to each application, to the one a process belonged to
    // at each sample; it never goes back.
    KeptCounters::ApplicationTotals m_applicationTotals;
};
