// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/retentiondecision.h"

#include "history/hourkey.h"

namespace Retention {

namespace {
// Steps of the wall clock up to this size (a time service's corrections) are no jump.
constexpr qint64 kLeewayMs = 3600 * 1000;

QString monthOf(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("yyyy/MM"));
}

// How far the wall clock moved since the last save of the same boot beyond what the boot
// clock saw, when that is a jump.
QString jumpSince(const Record &record, const QDateTime &now, const BootClock::Reading &boot)
{
    if (!record.lastSave.isValid())
        return {};
    const qint64 unseen = record.lastSave.msecsTo(now) - (boot.sinceBootMs - record.bootMs);
    if (qAbs(unseen) <= kLeewayMs)
        return {};
    return QStringLiteral("the clock was set %1 by %2 hours")
        .arg(unseen > 0 ? QStringLiteral("forward") : QStringLiteral("back"))
        .arg(qAbs(unseen) / 3600000.0, 0, 'f', 1);
}
} // namespace

Decision decide(const Record &record, const QDateTime &now, const BootClock::Reading &boot)
{
    Decision decision;
    decision.next = record;
    decision.next.lastSave = now;
    decision.next.bootId = boot.bootId;
    decision.next.bootMs = boot.sinceBootMs;
    if (boot.bootId.isEmpty() || record.bootId != boot.bootId) {
        decision.next.steadySince = QDateTime();
    } else {
        decision.jump = jumpSince(record, now, boot);
        if (!decision.jump.isEmpty())
            decision.next.steadySince = now;
    }
    const bool steady =
        !decision.next.steadySince.isValid() || now >= decision.next.steadySince.addDays(1);
    if (steady && record.lastRetentionMonth != monthOf(now)) {
        decision.bound = HourKey::retentionBound(now.date());
        decision.next.lastRetentionMonth = monthOf(now);
    }
    return decision;
}

} // namespace Retention
