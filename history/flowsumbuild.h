// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QHash>
#include <QSqlDatabase>
#include <QVector>

struct sqlite3;

// Builds the running sums of a file that has rows but no sums, in one pass over flowDetail in
// rowid order. The rows are added in memory, in the order the trigger would have added them,
// and each slice writes only the sums it changed, so the tables always cover the rows up to
// the slice's end. The rows are read through SQLite itself: going through QSqlQuery's values
// costs several times more per row, and a file holds tens of millions of them.
class FlowSumBuild
{
public:
    // `resumed` is true when the tables may already hold sums of earlier slices.
    void start(const QSqlDatabase &db, bool resumed);
    void stop();

    // Adds the rows after `from` for about `budgetMs`, inside the caller's transaction, and
    // writes the sums they changed. `to` becomes the last rowid added; `done` tells whether it
    // is the table's last. False when the file could not be read or written.
    bool slice(qint64 from, int budgetMs, qint64 &to, bool &done);
    // Forgets what memory holds once a slice's transaction did not commit: it is ahead of the
    // tables then.
    void discard();

    // Whether a row the sums can follow. Kept the same as the trigger's test, which SQLite
    // evaluates for rows inserted after the build.
    static bool isRegularKey(const char *key, int length);

    struct Amounts
    {
        double total = 0;
        double downloaded = 0;
        double uploaded = 0;
    };

private:
    // A sum read back from the tables has a lastRow of -1 when it is not known.
    struct HourSum
    {
        qint64 lastRow = 0;
        Amounts amounts;
        bool changed = false;
    };
    struct DaySum
    {
        qint64 firstRow = 0;
        qint64 lastRow = 0;
        Amounts amounts;
        bool changed = false;
    };

    bool addRows(sqlite3 *handle, qint64 from, int budgetMs, qint64 &to, bool &done);
    int appId(const char *name, int length);
    HourSum &hourSum(sqlite3 *handle, quint64 key, const char *name, int nameLength,
                     const char *hourKey);
    DaySum &daySum(sqlite3 *handle, quint64 key, const char *name, int nameLength,
                   const char *hourKey);
    template <typename Sum, typename Load>
    Sum &cachedSum(QHash<quint64, Sum> &sums, quint64 key, Load load);
    bool write();
    void clearSums();

    QSqlDatabase m_db;
    // The tables may hold a sum that memory has not: after a resumed build or once memory was
    // cleared, a sum missing here is looked up before it starts from zero.
    bool m_tablesMayHold = false;
    QHash<QByteArray, int> m_appIds;
    // Keyed by the application's id and the key's digits.
    QHash<quint64, HourSum> m_hours;
    QHash<quint64, DaySum> m_days;
    QVector<quint64> m_changedHours;
    QVector<quint64> m_changedDays;
    QVector<qint64> m_oddRows;
    bool m_lookupFailed = false;
};
