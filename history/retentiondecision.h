// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/bootclock.h"

#include <QDateTime>
#include <QString>

// Whether a save runs the monthly retention. A clock that jumped within one boot is trusted
// only once it has run steadily for a day, so that a clock set wrong and corrected within a day
// deletes nothing; across a reboot, or without a record of the boot, the clock is trusted.
namespace Retention {

// What the file records about saves and retention.
struct Record
{
    QDateTime lastSave;
    // The boot clock at the last save; the id is empty when none is recorded.
    QString bootId;
    qint64 bootMs = 0;
    // The last moment the clock jumped; invalid when it did not in this boot.
    QDateTime steadySince;
    // "yyyy/MM" of the last retention; empty when none is recorded.
    QString lastRetentionMonth;
};

struct Decision
{
    // The record to keep once the save committed.
    Record next;
    // Rows keyed below it go; empty when retention does not run now.
    QString bound;
    // Why the clock is not trusted, when it jumped at this save.
    QString jump;
};

Decision decide(const Record &record, const QDateTime &now, const BootClock::Reading &boot);

} // namespace Retention
