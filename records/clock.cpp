// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "records/clock.h"

#include <QMutex>

namespace {
QMutex s_lock;
std::function<QDateTime()> s_source;
} // namespace

QDateTime Clock::now()
{
    QMutexLocker locker(&s_lock);
    return s_source ? s_source() : QDateTime::currentDateTime();
}

void Clock::setNowSource(std::function<QDateTime()> source)
{
    QMutexLocker locker(&s_lock);
    s_source = std::move(source);
}

void Clock::resetNowSource()
{
    setNowSource({});
}
