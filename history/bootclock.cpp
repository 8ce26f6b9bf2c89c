// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/bootclock.h"

#include <QFile>
#include <QMutex>
#include <time.h>

namespace BootClock {

namespace {
QMutex s_lock;
std::function<Reading()> s_source;

QString systemBootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll().trimmed());
}

Reading systemReading()
{
    static const QString bootId = systemBootId();
    timespec since{};
    if (clock_gettime(CLOCK_BOOTTIME, &since) != 0)
        return {};
    return {bootId, qint64(since.tv_sec) * 1000 + since.tv_nsec / 1000000};
}
} // namespace

Reading now()
{
    QMutexLocker locker(&s_lock);
    return s_source ? s_source() : systemReading();
}

void setSource(std::function<Reading()> source)
{
    QMutexLocker locker(&s_lock);
    s_source = std::move(source);
}

void resetSource()
{
    setSource({});
}

} // namespace BootClock
