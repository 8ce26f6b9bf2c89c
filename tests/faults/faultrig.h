// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "servicerig.h"

#include <QElapsedTimer>
#include <QMap>
#include <QPair>
#include <QTemporaryDir>
#include <QVector>

// The real service in a home of its own, fed by the peer simulator, watched as a client
// sees it: how far apart the speed lists come, and whether the file holds every growth.
class FaultRig : public ServiceRig
{
    Q_OBJECT
public:
    FaultRig();
    ~FaultRig() override;

    QString home() const { return m_home.path(); }
    // The longest wait for a StartApp answer over `durationMs`, asking every 250 ms.
    qint64 slowestAnswerMs(int durationMs);
    // Sends a running total as the rig does, and remembers it.
    void sendTotal(int pid, double recv, double send);
    // Growth saved in the file, per desktop name.
    QMap<QString, QPair<double, double>> savedGrowth() const;
    // Waits until the file holds every growth sent.
    bool waitForSaved(int timeoutMs);
    // Amount of sent growth the file lacks, in kB.
    double unsavedGrowth() const;

    // Display gaps are measured between these two calls, or up to now.
    void startGapWatch()
    {
        m_gapsFrom = m_clock.elapsed();
        m_gapsTo = -1;
    }
    void stopGapWatch() { m_gapsTo = m_clock.elapsed(); }
    qint64 longestGapMs() const;
    // Speed lists received so far.
    int speedLists() const { return m_speedTimes.size(); }

    // One line for the suite's summary, the unsaved growth only where the file holds one run;
    // fails the case where a speed list came more than 1.2 s after the one before.
    void report(const QString &caseName, bool withGrowth = true) const;

private slots:
    void onSpeedList();

private:
    QTemporaryDir m_home;
    QElapsedTimer m_clock;
    QVector<qint64> m_speedTimes;
    qint64 m_gapsFrom = 0;
    qint64 m_gapsTo = -1;
    QMap<int, QPair<double, double>> m_sent;
};
