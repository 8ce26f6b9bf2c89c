// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/flowsumbuild.h"
#include "history/unsummedspans.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// Running sums of flowDetail's rows, kept in the same file beside it: one row per application
// and hour key, one per application and day. Each adds the rows in the order they were
// inserted, as reading the rows and merging them does, so answers from the sums come out bit
// for bit the same. A trigger keeps them as rows are inserted, by this program or any other;
// deleting or changing rows elsewhere marks them stale. A file without them (or with stale
// ones) gets them built in bounded slices; until then the rows must be read. The monthly
// removal of old rows also runs in bounded slices and removes their sums with them.
class FlowSummaries
{
public:
    enum class Answers {
        // The sums cover the rows up to summedTo(); while they are built, the later rows are
        // read from the table.
        FromSummaries,
        // The sums cannot be read or trusted: only the rows give the answer.
        FromRows,
    };

    // Makes sure the tables exist and checks them against flowDetail.
    void attach(const QSqlDatabase &db);
    void detach();

    Answers answers();
    // The rows after the last one the sums cover, and where their keys lie.
    UnsummedSpans &unsummed();
    // Starts removing the rows keyed below `bound` and their sums.
    void startRetention(const QString &bound);

    bool hasWork() const { return m_building || !m_retentionBound.isEmpty(); }
    // Whether the build still maps the rows not summed, before summing any.
    bool isMapping() const { return m_building && m_unsummed.isMapping(); }
    // One slice of the pending work, of about `budgetMs`; false when it could not be done.
    bool doWork(int budgetMs);

private:
    bool exec(const QString &statement);
    bool finish(bool ok);
    QVariant value(const QString &select);
    // False when the sums' state cannot be read.
    bool check();
    void startBuild();
    bool buildSlice(int budgetMs);
    bool retentionSlice(int budgetMs);
    // Whether rows keyed below `bound` may remain; asks the sums, which must be complete.
    bool holdsOlder(const QString &bound);
    qint64 nextSpan(qint64 span, qint64 elapsedMs, int budgetMs) const;

    QSqlDatabase m_db;
    bool m_building = false;
    FlowSumBuild m_build;
    UnsummedSpans m_unsummed;
    QString m_retentionBound;
    qint64 m_retentionNext = 0;
    qint64 m_retentionLast = 0;
    qint64 m_retentionSpan = 50000;
};
