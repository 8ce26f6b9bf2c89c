// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"
#include "records/wardenbudget.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>

// The data budgets and the crossings already announced, each kept in a small text file in the
// user's config folder that a person can read and edit: "budgets.conf" holds the budgets,
// "budgets.announced" what was announced in the current days and cycles, so that a restart
// repeats nothing. Use is recorded in bytes from the store's amounts in KiB.
class BudgetBook
{
public:
    struct Crossing
    {
        WardenBudget budget;
        QString level; // "warning" or "limit"
    };

    // `folder` holds both files; it is made when first written.
    explicit BudgetBook(const QString &folder = defaultFolder());
    // "nimbra-warden" in $XDG_CONFIG_HOME, or in ~/.config.
    static QString defaultFolder();

    // Reads both files; a broken line is logged and skipped.
    void load();
    // Reads them again when they were changed by hand since they were read or written.
    void reloadIfChanged();

    // Why a budget cannot be kept, or empty. The desktop id is not checked here.
    static QString invalidReason(const QString &period, quint64 limitBytes, quint32 warnPercent,
                                 quint32 cycleStartDay);
    // The first day of the day or monthly cycle that holds `today`.
    static QDate cycleStart(const QString &period, quint32 cycleStartDay, const QDate &today);

    // Adds the budget or replaces the one of the same application and period. False when the
    // file could not be written; the budget is kept in memory anyway.
    bool set(WardenBudget budget);
    // False when there is no such budget.
    bool clear(const QString &desktopId, const QString &period);
    bool isEmpty() const { return m_budgets.isEmpty(); }

    // The budgets with the first day of their current day or cycle, and the use last recorded
    // for it (0 when none was recorded for it yet).
    WardenBudgetList budgets(const QDate &today) const;
    // The first days of the current days and cycles, each once, oldest first.
    QList<QDate> cycleStarts(const QDate &today) const;
    // Records the use of the budgets whose current day or cycle starts on `firstDay`, from
    // each application's amounts since then, and returns the levels newly reached, in order
    // (a warning before its limit). They are kept as announced; a level no longer reached
    // (the limit was raised) may be announced again.
    QList<Crossing> record(const QDate &firstDay, const QList<AppFlowDateParameter> &use,
                           const QDate &today);

private:
    QString budgetsPath() const;
    QString announcedPath() const;
    bool writeBudgets();
    bool writeAnnounced(const QDate &today);
    // When the files were last changed, as far as they exist.
    QPair<QDateTime, QDateTime> changed() const;
    int indexOf(const QString &desktopId, const QString &period) const;
    static QString announcedKey(const WardenBudget &budget, const QString &level);

    QString m_folder;
    WardenBudgetList m_budgets;
    QSet<QString> m_announced;
    QPair<QDateTime, QDateTime> m_changed;
};
