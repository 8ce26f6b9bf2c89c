// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/failurelog.h"

#include "records/clock.h"

#include <QDebug>
#include <QHash>
#include <QMutex>

namespace FailureLog {

namespace {
constexpr qint64 kQuietSecs = 60;

struct Kind
{
    QDateTime lastLogged;
    int leftOut = 0;
};

QMutex s_lock;
QHash<QString, Kind> s_kinds;
} // namespace

bool due(const QString &kind)
{
    QMutexLocker locker(&s_lock);
    const QDateTime now = Clock::now();
    // The table stays small: one entry per kind of failure.
    if (s_kinds.size() >= 256 && !s_kinds.contains(kind))
        s_kinds.clear();
    Kind &seen = s_kinds[kind];
    // Also due when the clock was set back.
    if (seen.lastLogged.isValid() && qAbs(seen.lastLogged.secsTo(now)) < kQuietSecs) {
        ++seen.leftOut;
        return false;
    }
    if (seen.leftOut > 0)
        qDebug() << "the same failure" << seen.leftOut << "more times in the last minute:" << kind;
    seen.lastLogged = now;
    seen.leftOut = 0;
    return true;
}

void sqlError(const QSqlError &error)
{
    if (due(error.nativeErrorCode() + QLatin1Char(' ') + error.text()))
        qDebug() << error;
}

} // namespace FailureLog
