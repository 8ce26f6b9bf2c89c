// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/unsummedreads.h"

#include <atomic>

namespace {
// A window asks a few periods at a time, for a few applications; beyond this many periods, or
// this many records in all, the least recently kept are read again when asked.
constexpr int kMostKept = 64;
constexpr int kMostKeptRecords = 100000;

int recordsOf(const UnsummedReads::Days &days)
{
    int records = 0;
    for (const QList<AppFlowDateParameter> &day : days)
        records += day.size();
    return records;
}

std::atomic<qint64> rowsReadSoFar{0};
} // namespace

bool UnsummedReads::resume(const QString &period, qint64 &after, Days &days) const
{
    for (const Read &read : m_reads) {
        if (read.period == period && read.to >= after) {
            after = read.to;
            days = read.days;
            return true;
        }
    }
    return false;
}

void UnsummedReads::keep(const QString &period, qint64 to, const Days &days)
{
    for (int i = 0; i < m_reads.size(); ++i)
        if (m_reads.at(i).period == period)
            drop(i--);
    m_reads.append({period, to, days});
    m_records += recordsOf(days);
    while (m_reads.size() > kMostKept || (m_reads.size() > 1 && m_records > kMostKeptRecords))
        drop(0);
}

void UnsummedReads::clear()
{
    m_reads.clear();
    m_records = 0;
}

void UnsummedReads::drop(int i)
{
    m_records -= recordsOf(m_reads.at(i).days);
    m_reads.removeAt(i);
}

qint64 UnsummedReads::rowsRead()
{
    return rowsReadSoFar.load();
}

void UnsummedReads::countRead(qint64 rows)
{
    rowsReadSoFar += rows;
}
