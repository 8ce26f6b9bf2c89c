// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/retentiondecision.h"

#include "history/hourkey.h"

namespace Retention {

namespace {
QString monthOf(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("yyyy/MM"));
}

QString jumpBetween(const QDateTime &lastSave, const QDateTime &now)
{
    if (!lastSave.isValid())
        return {};
    if (now > lastSave.addDays(1))
        return QStringLiteral("the clock moved forward by more than a day");
    if (HourKey::of(now) < HourKey::of(lastSave))
        return QStringLiteral("the clock stands before the newest saved hour");
    return {};
}
} // namespace

Decision decide(const Record &record, const QDateTime &now)
{
    Decision decision;
    decision.next = record;
    decision.next.lastSave = now;
    decision.jump = jumpBetween(record.lastSave, now);
    if (!decision.jump.isEmpty())
        decision.next.steadySince = now;
    const bool steady =
        !decision.next.steadySince.isValid() || now >= decision.next.steadySince.addDays(1);
    if (steady && record.lastRetentionMonth != monthOf(now)) {
        decision.bound = HourKey::retentionBound(now.date());
        decision.next.lastRetentionMonth = monthOf(now);
    }
    return decision;
}

} // namespace Retention
