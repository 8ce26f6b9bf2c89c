// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"

#include <QList>
#include <QString>
#include <QVector>

// The records of the periods answered while the sums are built, each as reading every row up
// to a rowid gives them. Rows are added to records one by one in rowid order, so the rows after
// that rowid, added to what is kept, give the answer that reading all rows gives: a period
// asked again reads only the rows written since, not again every row the build has not reached.
class UnsummedReads
{
public:
    using Days = QVector<QList<AppFlowDateParameter>>;

    // The records of `period` covering at least the rows up to `after`; `after` becomes the
    // last rowid they cover. False when none are kept.
    bool resume(const QString &period, qint64 &after, Days &days) const;
    void keep(const QString &period, qint64 to, const Days &days);
    void clear();

    // The rows answers have read after the sums' end in this process: what the kept records
    // spare shows there.
    static qint64 rowsRead();
    static void countRead(qint64 rows);

private:
    struct Read
    {
        QString period;
        qint64 to;
        Days days;
    };
    void drop(int i);

    // The most recently kept last.
    QList<Read> m_reads;
    int m_records = 0;
};
