// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/unsummedreads.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

// Where, among the rows the sums do not cover yet, the keys of a period may lie. For blocks of
// rowids it knows the lowest and the highest text key, worked out in slices before the build
// starts, so that an answer during the build reads only the blocks that reach its period
// instead of every row not summed; what answers read of them is kept in reads(). Only text keys can
// fall between two text bounds. Rows are only ever added after the mapped ones or removed (a change
// marks the sums stale and starts all over), so a block's keys stay within what was seen.
class UnsummedSpans
{
public:
    struct Range
    {
        qint64 first;
        qint64 last;
    };

    // Maps the rows after `from` up to the table's last one now.
    void start(const QSqlDatabase &db, qint64 from);
    void clear();
    bool isMapping() const { return m_next <= m_end; }
    // Maps blocks for about `budgetMs`; false when the file could not be read.
    bool mapSlice(int budgetMs);
    // Lets tests slow the mapping down.
    static void setPausePerBlock(unsigned long ms);

    // The sums cover the rows up to `summedTo`; an answer reads the rows up to `lastRow`, the
    // table's last now, or all of them when it is -1 (unknown).
    void setRows(qint64 summedTo, qint64 lastRow);
    qint64 summedTo() const { return m_summedTo; }
    qint64 lastRow() const { return m_lastRow; }
    // The rowid ranges after `after` (at least summedTo()) up to lastRow() that may hold keys
    // above `lower` and below `upper`, in order; rows not mapped yet are always in.
    QVector<Range> ranges(const QString &lower, const QString &upper, qint64 after) const;
    // Kept only while the rows not summed are followed, and with the last row known.
    UnsummedReads *reads() { return m_db.isValid() && m_lastRow >= 0 ? &m_reads : nullptr; }

private:
    struct Block
    {
        qint64 first;
        qint64 last;
        // The lowest and the highest text key; the highest is a blob when unbounded.
        QByteArray low;
        QByteArray high;
        bool unbounded;
    };

    QSqlDatabase m_db;
    QVector<Block> m_blocks;
    qint64 m_summedTo = 0;
    qint64 m_lastRow = -1;
    UnsummedReads m_reads;
    // The next rowid to map and the last one; rows from m_next on are not mapped.
    qint64 m_next = 0;
    qint64 m_end = -1;
    qint64 m_blockRows = 0;
};
