// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "lockprobe.h"

#include "records/cmutex.h"

#include <QElapsedTimer>

void LockProbe::stop()
{
    m_stop = true;
    wait();
}

void LockProbe::run()
{
    QElapsedTimer timer;
    while (!m_stop) {
        timer.start();
        CMutex::instance()->mutex.lock();
        const qint64 waited = timer.nsecsElapsed();
        CMutex::instance()->mutex.unlock();
        if (waited > m_longestNs)
            m_longestNs = waited;
        QThread::usleep(500);
    }
}
