// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QThread>
#include <atomic>

// Measures, from another thread, the longest time the process-wide lock could not be taken:
// what the display cycle and the sample intake would have waited.
class LockProbe : public QThread
{
public:
    ~LockProbe() override { stop(); }
    void stop();
    // Longest wait since the last reset, in milliseconds.
    double longestWaitMs() const { return m_longestNs.load() / 1e6; }
    void reset() { m_longestNs = 0; }

protected:
    void run() override;

private:
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_longestNs{0};
};
